#include "ApiInterfaceTable.h"

#include <QString>
#include <QVariantList>
#include <QVariantMap>

namespace Orvo::Testing {

namespace {

template<typename T> ApiParameter param(const char *name)
{
    return { QMetaType::fromType<T>(), name };
}

template<typename R>
ApiMethod method(const char *name, QList<ApiParameter> parameters = {}, int defaulted = 0)
{
    return { name, QMetaType::fromType<R>(), std::move(parameters), defaulted };
}

template<typename T> ApiProperty property(const char *name, const char *notify)
{
    return { name, QMetaType::fromType<T>(), notify, true };
}

ApiInterface makeBridge()
{
    ApiInterface api;
    api.signalList = {
        { "loginSuccess", {} },
        { "loginError", { param<QString>("message") } },
        { "loginStateChanged", { param<bool>("loggedIn") } },
        { "userInfoChanged", {} },
        { "serversLoaded", { param<QVariantList>("servers") } },
        { "serversError", { param<QString>("message") } },
        { "serverDetailLoaded", { param<QVariantMap>("server") } },
        { "serverDetailError", { param<QString>("message") } },
        { "announcementsLoaded", { param<QVariantList>("announcements") } },
        { "announcementsError", { param<QString>("message") } },
        { "ordersLoaded", { param<QVariantList>("orders") } },
        { "ordersError", { param<QString>("message") } },
        { "systemConfigLoaded", { param<QVariantMap>("config") } },
        { "systemConfigError", { param<QString>("message") } },
        { "trialActivated", { param<QVariantMap>("user") } },
        { "trialActivationError", { param<QString>("message") } },
        { "trialStatusLoaded", { param<QVariantMap>("status") } },
        { "trialStatusError", { param<QString>("message") } },
        { "paymentCreated", { param<QVariantMap>("paymentData") } },
        { "paymentCreationError", { param<QString>("message") } },
        { "paymentStatusLoaded", { param<QVariantMap>("statusData") } },
        { "paymentStatusError", { param<QString>("message") } },
        { "paymentCompleted", { param<QString>("orderNumber") } },
        { "paymentFailed", { param<QString>("orderNumber"), param<QString>("message") } },
        { "plansLoaded", { param<QVariantList>("plans") } },
        { "plansError", { param<QString>("message") } },
        { "heartbeatSent", {} },
        { "heartbeatError", { param<QString>("message") } },
        { "heartbeatStatsLoaded", { param<QVariantMap>("stats") } },
        { "heartbeatStatsError", { param<QString>("message") } },
        { "vpnConnected", {} },
        { "vpnConnectionFailed", { param<int>("reasonCode"), param<QString>("message") } },
        { "vpnDisconnected", {} },
        { "vpnTrafficUpdate", { param<qint64>("uploadBytes"), param<qint64>("downloadBytes") } },
        { "vpnForceDisconnected", { param<QString>("message") } },
        { "vpnPermissionDenied", { param<int>("reasonCode"), param<QString>("message") } },
        { "vpnDurationChanged", { param<int>("seconds") } },
    };
    api.methods = {
        method<void>("login", { param<QString>("email"), param<QString>("password") }),
        method<void>("registerUser",
                     { param<QString>("email"), param<QString>("password"), param<QString>("name"),
                       param<QString>("refferCode") },
                     1),
        method<void>("logout"),
        method<void>("refreshUserInfo"),
        method<void>("getServers", { param<QString>("tier") }, 1),
        method<void>("getServerById", { param<int>("serverId") }),
        method<void>("getAnnouncements"),
        method<void>("getUserOrders"),
        method<void>("getSystemConfig"),
        method<void>("activateFreeTrial"),
        method<void>("activateVipTrial"),
        method<void>("getTrialStatus"),
        method<void>("createPayment", { param<int>("planId"), param<QString>("paymentMethod") }),
        method<void>("getPaymentStatus", { param<QString>("orderNumber") }),
        method<void>("startPollingPayment", { param<QString>("orderNumber") }),
        method<void>("stopPollingPayment"),
        method<void>("getSubscriptionPlans"),
        method<void>("sendHeartbeat", { param<bool>("isConnected") }),
        method<void>("getHeartbeatStats"),
        method<void>("setRoutingMode", { param<int>("mode") }),
        method<bool>(
            "connectVpn",
            { param<int>("serverId"), param<QString>("vmessLink"), param<bool>("requiresVip") }),
        method<void>("disconnectVpn"),
        method<int>("checkVpnPermission", { param<int>("serverId"), param<bool>("requiresVip") }),
        method<QString>("getVpnFailureReasonText", { param<int>("reasonCode") }),
        method<void>("updateVpnTraffic",
                     { param<qint64>("uploadBytes"), param<qint64>("downloadBytes") }),
        method<void>("updateVpnLatency", { param<int>("latencyMs") }),
    };
    api.properties = {
        property<bool>("isLoggedIn", "loginStateChanged"),
        property<QString>("userEmail", "userInfoChanged"),
        property<QString>("userName", "userInfoChanged"),
        property<bool>("isVip", "userInfoChanged"),
        property<QString>("vipExpiresAt", "userInfoChanged"),
        property<int>("vipDays", "userInfoChanged"),
        property<int>("freeMinutes", "userInfoChanged"),
        property<bool>("canConnect", "userInfoChanged"),
    };
    return api;
}

} // namespace

const ApiInterface &ApiInterfaceTable::bridge()
{
    static const ApiInterface api = makeBridge();
    return api;
}

} // namespace Orvo::Testing
