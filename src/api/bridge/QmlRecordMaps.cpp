#include "bridge/QmlRecordMaps.h"

#include "models/Announcement.h"
#include "models/CreatePaymentData.h"
#include "models/HeartbeatStats.h"
#include "models/Order.h"
#include "models/PaymentStatusData.h"
#include "models/Server.h"
#include "models/SubscriptionPlan.h"
#include "models/SystemConfig.h"
#include "models/TrialStatus.h"
#include "models/User.h"

namespace Orvo::Api {

namespace {

constexpr int kShortNameLength = 3;

template<typename T> QVariantList mapAll(const QList<T> &records, QVariantMap (*convert)(const T &))
{
    QVariantList list;
    list.reserve(records.size());
    for (const T &record : records)
        list.append(convert(record));
    return list;
}

} // namespace

QString QmlRecordMaps::serverDisplayName(const Models::Server &server)
{
    const QString &name = server.name;
    if (name != server.countryCode && name.size() > kShortNameLength)
        return name;
    if (!server.location.isEmpty())
        return server.location;
    if (!server.tierText.isEmpty())
        return server.countryCode + QLatin1Char(' ') + server.tierText;
    if (!server.city.isEmpty())
        return server.countryCode + QLatin1Char(' ') + server.city;
    return name;
}

double QmlRecordMaps::loadPercentage(const Models::Server &server)
{
    if (server.maxUsers <= 0)
        return 0.0;
    return static_cast<double>(server.currentUsers) / static_cast<double>(server.maxUsers) * 100.0;
}

QVariantMap QmlRecordMaps::serverDetail(const Models::Server &server)
{
    return {
        { QStringLiteral("id"), server.id },
        { QStringLiteral("name"), serverDisplayName(server) },
        { QStringLiteral("countryCode"), server.countryCode },
        { QStringLiteral("city"), server.city },
        { QStringLiteral("location"), server.location },
        { QStringLiteral("tier"), server.tier },
        { QStringLiteral("tierText"), server.tierText },
        { QStringLiteral("requiresVip"), server.requiresVip },
        { QStringLiteral("canConnect"), server.canConnect },
        { QStringLiteral("status"), server.status },
        { QStringLiteral("flag"), server.flagEmoji() },
    };
}

QVariantMap QmlRecordMaps::server(const Models::Server &server)
{
    QVariantMap map = serverDetail(server);
    map.insert(QStringLiteral("vmessLink"), server.vmessLink);
    map.insert(QStringLiteral("maxUsers"), server.maxUsers);
    map.insert(QStringLiteral("currentUsers"), server.currentUsers);
    map.insert(QStringLiteral("cpuUsage"), server.cpuUsage);
    map.insert(QStringLiteral("loadPercentage"), loadPercentage(server));
    return map;
}

QVariantList QmlRecordMaps::servers(const QList<Models::Server> &servers)
{
    return mapAll(servers, &QmlRecordMaps::server);
}

QVariantMap QmlRecordMaps::announcement(const Models::Announcement &announcement)
{
    return {
        { QStringLiteral("id"), announcement.id },
        { QStringLiteral("title"), announcement.title },
        { QStringLiteral("content"), announcement.content },
        { QStringLiteral("type"), announcement.type },
        { QStringLiteral("publishedAt"), announcement.publishedAt },
        { QStringLiteral("createdAt"), announcement.createdAt },
    };
}

QVariantList QmlRecordMaps::announcements(const QList<Models::Announcement> &announcements)
{
    return mapAll(announcements, &QmlRecordMaps::announcement);
}

QVariantMap QmlRecordMaps::order(const Models::Order &order)
{
    return {
        { QStringLiteral("id"), order.id },
        { QStringLiteral("orderNumber"), order.orderNumber },
        { QStringLiteral("planName"), order.planName },
        { QStringLiteral("planDays"), order.planDays },
        { QStringLiteral("amount"), order.amount },
        { QStringLiteral("paymentCurrency"), order.paymentCurrency },
        { QStringLiteral("paymentMethod"), order.paymentMethod },
        { QStringLiteral("paymentMethodText"), order.paymentMethodText },
        { QStringLiteral("status"), order.status },
        { QStringLiteral("statusText"), order.statusText },
        { QStringLiteral("createdAt"), order.createdAt },
        { QStringLiteral("paidAt"), order.paidAt },
    };
}

QVariantList QmlRecordMaps::orders(const QList<Models::Order> &orders)
{
    return mapAll(orders, &QmlRecordMaps::order);
}

QVariantMap QmlRecordMaps::plan(const Models::SubscriptionPlan &plan)
{
    return {
        { QStringLiteral("id"), plan.id },
        { QStringLiteral("name"), plan.name },
        { QStringLiteral("days"), plan.days },
        { QStringLiteral("price"), plan.price },
        { QStringLiteral("currency"), plan.currency },
        { QStringLiteral("description"), plan.description },
        { QStringLiteral("formattedPrice"), plan.formattedPrice },
        { QStringLiteral("daysText"), plan.daysText },
        { QStringLiteral("isActive"), plan.isActive },
    };
}

QVariantList QmlRecordMaps::plans(const QList<Models::SubscriptionPlan> &plans)
{
    return mapAll(plans, &QmlRecordMaps::plan);
}

QVariantMap QmlRecordMaps::systemConfig(const Models::SystemConfig &config)
{
    return {
        { QStringLiteral("appName"), config.appName },
        { QStringLiteral("appVersion"), config.appVersion },
        { QStringLiteral("siteName"), config.siteName },
        { QStringLiteral("freeTrialEnabled"), config.freeTrialEnabled },
        { QStringLiteral("vipTrialEnabled"), config.vipTrialEnabled },
        { QStringLiteral("maintenanceMode"), config.maintenanceMode },
        { QStringLiteral("enableRegistration"), config.enableRegistration },
        { QStringLiteral("maxDevices"), config.maxDevices },
    };
}

QVariantMap QmlRecordMaps::trialStatus(const Models::TrialStatus &status)
{
    return {
        { QStringLiteral("trialEnabled"), status.trialEnabled },
        { QStringLiteral("trialAvailable"), status.trialAvailable },
        { QStringLiteral("trialUsed"), status.trialUsed },
        { QStringLiteral("trialExpiresAt"), status.trialExpiresAt },
        { QStringLiteral("trialHoursTotal"), status.trialHoursTotal },
        { QStringLiteral("trialHoursUsed"), status.trialHoursUsed },
        { QStringLiteral("trialHoursRemaining"), status.trialHoursRemaining },
        { QStringLiteral("isVip"), status.isVip },
        { QStringLiteral("vipExpiresAt"), status.vipExpiresAt },
        { QStringLiteral("vipDaysRemaining"), status.vipDaysRemaining },
    };
}

QVariantMap QmlRecordMaps::freeTrialUser(const Models::User &user)
{
    return {
        { QStringLiteral("id"), user.id },
        { QStringLiteral("email"), user.email },
        { QStringLiteral("name"), user.name },
        { QStringLiteral("isVip"), user.isVip },
        { QStringLiteral("trialUsed"), user.trialUsed },
        { QStringLiteral("trialHoursRemaining"), user.trialHoursRemaining },
    };
}

QVariantMap QmlRecordMaps::vipTrialUser(const Models::User &user)
{
    return {
        { QStringLiteral("id"), user.id },
        { QStringLiteral("email"), user.email },
        { QStringLiteral("name"), user.name },
        { QStringLiteral("isVip"), user.isVip },
        { QStringLiteral("vipExpiresAt"),
          user.vipExpiresAt.isValid() ? user.vipExpiresAt.toString(Qt::ISODate) : QString() },
    };
}

QVariantMap QmlRecordMaps::paymentCreated(const Models::CreatePaymentData &data)
{
    return {
        { QStringLiteral("orderId"), data.orderId },
        { QStringLiteral("paymentUrl"), data.paymentUrl },
        { QStringLiteral("amount"), data.amount },
        { QStringLiteral("planName"), data.planName },
        { QStringLiteral("planDays"), data.planDays },
    };
}

QVariantMap QmlRecordMaps::paymentStatus(const Models::PaymentStatusData &data)
{
    QVariantMap map = polledPaymentStatus(data);
    map.insert(QStringLiteral("planDays"), data.planDays);
    map.insert(QStringLiteral("paymentMethod"), data.paymentMethod);
    return map;
}

QVariantMap QmlRecordMaps::polledPaymentStatus(const Models::PaymentStatusData &data)
{
    return {
        { QStringLiteral("orderId"), data.orderId }, { QStringLiteral("status"), data.status },
        { QStringLiteral("amount"), data.amount },   { QStringLiteral("planName"), data.planName },
        { QStringLiteral("paidAt"), data.paidAt },
    };
}

QVariantMap QmlRecordMaps::heartbeatStats(const Models::HeartbeatStats &stats)
{
    return {
        { QStringLiteral("onlineUsers"), stats.onlineUsers },
        { QStringLiteral("onlineDevices"), stats.onlineDevices },
    };
}

} // namespace Orvo::Api
