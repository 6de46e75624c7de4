#ifndef ORVO_TESTING_APIINTERFACETABLE_H
#define ORVO_TESTING_APIINTERFACETABLE_H

#include <QByteArray>
#include <QList>
#include <QMetaType>

namespace Orvo::Testing {

struct ApiParameter
{
    QMetaType type;
    QByteArray name;
};

struct ApiSignal
{
    QByteArray name;
    QList<ApiParameter> parameters;
};

struct ApiMethod
{
    QByteArray name;
    QMetaType returnType;
    QList<ApiParameter> parameters;
    // How many trailing parameters QML may leave out; the meta-object lists
    // one shorter entry for each, directly after the full one.
    int defaultedParameters = 0;
};

struct ApiProperty
{
    QByteArray name;
    QMetaType type;
    QByteArray notifySignal;
    bool readOnly = true;
};

struct ApiInterface
{
    QList<ApiSignal> signalList;
    QList<ApiMethod> methods;
    QList<ApiProperty> properties;
};

// The QML-facing interface of the "API" object, in declaration order. The
// fake used by the QML tests and the real bridge are both checked against it.
class ApiInterfaceTable
{
public:
    static const ApiInterface &bridge();
};

} // namespace Orvo::Testing

#endif
