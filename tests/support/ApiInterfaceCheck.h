#ifndef ORVO_TESTING_APIINTERFACECHECK_H
#define ORVO_TESTING_APIINTERFACECHECK_H

#include <QMetaObject>
#include <QStringList>

#include "ApiInterfaceTable.h"

namespace Orvo::Testing {

// Compares the members a class declares itself (not those of its bases) with
// an interface table: order, names, types, parameter names, NOTIFY signals and
// read-only properties. Returns one line per difference; empty when they agree.
class ApiInterfaceCheck
{
public:
    static QStringList differences(const QMetaObject &metaObject, const ApiInterface &expected);
};

} // namespace Orvo::Testing

#endif
