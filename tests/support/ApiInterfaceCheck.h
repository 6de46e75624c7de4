#ifndef ORVO_TESTING_APIINTERFACECHECK_H
#define ORVO_TESTING_APIINTERFACECHECK_H

#include <QMetaObject>
#include <QStringList>

namespace Orvo::Testing {

// Compares the members two classes declare themselves (not those of their
// bases): order, kinds, names, return and parameter types, parameter names,
// access, NOTIFY signals and read-only properties. Returns one line per
// difference; empty when they agree.
class ApiInterfaceCheck
{
public:
    static QStringList differences(const QMetaObject &actual, const QMetaObject &expected);
};

} // namespace Orvo::Testing

#endif
