#include "FakeApiControl.h"

#include "FakeApi.h"

namespace Orvo::Testing {

FakeApiControl::FakeApiControl(FakeApi *api, QObject *parent) : QObject(parent), m_api(api) { }

bool FakeApiControl::set(const QString &property, const QVariant &value)
{
    return m_api->setValue(property, value);
}

void FakeApiControl::setReturn(const QString &method, const QVariant &value)
{
    m_api->setReturnValue(method, value);
}

QVariantList FakeApiControl::calls(const QString &method) const
{
    QVariantList result;
    for (const FakeApi::Call &call : m_api->calls()) {
        if (call.method == method)
            result.append(QVariant(call.arguments));
    }
    return result;
}

int FakeApiControl::callCount(const QString &method) const
{
    return int(calls(method).size());
}

QStringList FakeApiControl::callNames() const
{
    QStringList names;
    for (const FakeApi::Call &call : m_api->calls())
        names << call.method;
    return names;
}

void FakeApiControl::clear()
{
    m_api->clearCalls();
}

void FakeApiControl::reset()
{
    m_api->reset();
}

} // namespace Orvo::Testing
