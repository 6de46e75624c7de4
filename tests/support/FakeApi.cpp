#include "FakeApi.h"

#include <QMetaMethod>
#include <QMetaProperty>

namespace Orvo::Testing {

FakeApi::FakeApi(QObject *parent) : QObject(parent)
{
    reset();
}

void FakeApi::reset()
{
    // The values the bridge shows while nobody is logged in; no signal.
    m_values.insert(QStringLiteral("isLoggedIn"), QVariant::fromValue<bool>(false));
    m_values.insert(QStringLiteral("userEmail"), QVariant::fromValue<QString>(QString()));
    m_values.insert(QStringLiteral("userName"), QVariant::fromValue<QString>(QString()));
    m_values.insert(QStringLiteral("isVip"), QVariant::fromValue<bool>(false));
    m_values.insert(QStringLiteral("vipExpiresAt"), QVariant::fromValue<QString>(QString()));
    m_values.insert(QStringLiteral("vipDays"), QVariant::fromValue<int>(0));
    m_values.insert(QStringLiteral("freeMinutes"), QVariant::fromValue<int>(120));
    m_values.insert(QStringLiteral("canConnect"), QVariant::fromValue<bool>(false));
    m_returnValues.clear();
    m_calls.clear();
}

FakeApi::~FakeApi() = default;

bool FakeApi::isLoggedIn() const
{
    return m_values.value(QStringLiteral("isLoggedIn")).toBool();
}

QString FakeApi::userEmail() const
{
    return m_values.value(QStringLiteral("userEmail")).toString();
}

QString FakeApi::userName() const
{
    return m_values.value(QStringLiteral("userName")).toString();
}

bool FakeApi::isVip() const
{
    return m_values.value(QStringLiteral("isVip")).toBool();
}

QString FakeApi::vipExpiresAt() const
{
    return m_values.value(QStringLiteral("vipExpiresAt")).toString();
}

int FakeApi::vipDays() const
{
    return m_values.value(QStringLiteral("vipDays")).toInt();
}

int FakeApi::freeMinutes() const
{
    return m_values.value(QStringLiteral("freeMinutes")).toInt();
}

bool FakeApi::canConnect() const
{
    return m_values.value(QStringLiteral("canConnect")).toBool();
}

bool FakeApi::setValue(const QString &name, const QVariant &value)
{
    const int index = metaObject()->indexOfProperty(name.toLatin1().constData());
    if (index < staticMetaObject.propertyOffset())
        return false;
    const QMetaProperty property = metaObject()->property(index);
    QVariant converted = value;
    if (!converted.convert(property.metaType()))
        return false;
    m_values.insert(name, converted);
    const QMetaMethod notify = property.notifySignal();
    if (notify.parameterCount() == 1)
        notify.invoke(this, Qt::DirectConnection,
                      QGenericArgument(converted.typeName(), converted.constData()));
    else
        notify.invoke(this, Qt::DirectConnection);
    return true;
}

void FakeApi::setReturnValue(const QString &method, const QVariant &value)
{
    m_returnValues.insert(method, value);
}

void FakeApi::record(const QString &method, const QVariantList &arguments)
{
    m_calls.append({ method, arguments });
}

void FakeApi::login(const QString &email, const QString &password)
{
    record(QStringLiteral("login"), { QVariant::fromValue(email), QVariant::fromValue(password) });
}

void FakeApi::registerUser(const QString &email, const QString &password, const QString &name,
                           const QString &refferCode)
{
    record(QStringLiteral("registerUser"),
           { QVariant::fromValue(email), QVariant::fromValue(password), QVariant::fromValue(name),
             QVariant::fromValue(refferCode) });
}

void FakeApi::logout()
{
    record(QStringLiteral("logout"));
}

void FakeApi::refreshUserInfo()
{
    record(QStringLiteral("refreshUserInfo"));
}

void FakeApi::getServers(const QString &tier)
{
    record(QStringLiteral("getServers"), { QVariant::fromValue(tier) });
}

void FakeApi::getServerById(int serverId)
{
    record(QStringLiteral("getServerById"), { QVariant::fromValue(serverId) });
}

void FakeApi::getAnnouncements()
{
    record(QStringLiteral("getAnnouncements"));
}

void FakeApi::getUserOrders()
{
    record(QStringLiteral("getUserOrders"));
}

void FakeApi::getSystemConfig()
{
    record(QStringLiteral("getSystemConfig"));
}

void FakeApi::activateFreeTrial()
{
    record(QStringLiteral("activateFreeTrial"));
}

void FakeApi::activateVipTrial()
{
    record(QStringLiteral("activateVipTrial"));
}

void FakeApi::getTrialStatus()
{
    record(QStringLiteral("getTrialStatus"));
}

void FakeApi::createPayment(int planId, const QString &paymentMethod)
{
    record(QStringLiteral("createPayment"),
           { QVariant::fromValue(planId), QVariant::fromValue(paymentMethod) });
}

void FakeApi::getPaymentStatus(const QString &orderNumber)
{
    record(QStringLiteral("getPaymentStatus"), { QVariant::fromValue(orderNumber) });
}

void FakeApi::startPollingPayment(const QString &orderNumber)
{
    record(QStringLiteral("startPollingPayment"), { QVariant::fromValue(orderNumber) });
}

void FakeApi::stopPollingPayment()
{
    record(QStringLiteral("stopPollingPayment"));
}

void FakeApi::getSubscriptionPlans()
{
    record(QStringLiteral("getSubscriptionPlans"));
}

void FakeApi::sendHeartbeat(bool isConnected)
{
    record(QStringLiteral("sendHeartbeat"), { QVariant::fromValue(isConnected) });
}

void FakeApi::getHeartbeatStats()
{
    record(QStringLiteral("getHeartbeatStats"));
}

void FakeApi::setRoutingMode(int mode)
{
    record(QStringLiteral("setRoutingMode"), { QVariant::fromValue(mode) });
}

bool FakeApi::connectVpn(int serverId, const QString &vmessLink, bool requiresVip)
{
    record(QStringLiteral("connectVpn"),
           { QVariant::fromValue(serverId), QVariant::fromValue(vmessLink),
             QVariant::fromValue(requiresVip) });
    return m_returnValues.value(QStringLiteral("connectVpn")).toBool();
}

void FakeApi::disconnectVpn()
{
    record(QStringLiteral("disconnectVpn"));
}

int FakeApi::checkVpnPermission(int serverId, bool requiresVip)
{
    record(QStringLiteral("checkVpnPermission"),
           { QVariant::fromValue(serverId), QVariant::fromValue(requiresVip) });
    return m_returnValues.value(QStringLiteral("checkVpnPermission")).toInt();
}

QString FakeApi::getVpnFailureReasonText(int reasonCode)
{
    record(QStringLiteral("getVpnFailureReasonText"), { QVariant::fromValue(reasonCode) });
    return m_returnValues.value(QStringLiteral("getVpnFailureReasonText")).toString();
}

void FakeApi::updateVpnTraffic(qint64 uploadBytes, qint64 downloadBytes)
{
    record(QStringLiteral("updateVpnTraffic"),
           { QVariant::fromValue(uploadBytes), QVariant::fromValue(downloadBytes) });
}

void FakeApi::updateVpnLatency(int latencyMs)
{
    record(QStringLiteral("updateVpnLatency"), { QVariant::fromValue(latencyMs) });
}

} // namespace Orvo::Testing
