#pragma once

#include <QList>
#include <QVariantList>
#include <QVariantMap>

namespace Orvo::Api::Models {
struct Announcement;
struct CreatePaymentData;
struct HeartbeatStats;
struct Order;
struct PaymentStatusData;
struct Server;
struct SubscriptionPlan;
struct SystemConfig;
struct TrialStatus;
struct User;
} // namespace Orvo::Api::Models

namespace Orvo::Api {

// The shapes in which service records reach QML: camelCase keys, announcement
// and order date-times as date values, every other date-time as text.
class QmlRecordMaps
{
public:
    // The name a server is shown under: a bare country code or a too short name
    // gives way to a more telling text.
    static QString serverDisplayName(const Models::Server &server);
    static double loadPercentage(const Models::Server &server);

    static QVariantMap server(const Models::Server &server);
    static QVariantList servers(const QList<Models::Server> &servers);
    static QVariantMap serverDetail(const Models::Server &server);
    static QVariantMap announcement(const Models::Announcement &announcement);
    static QVariantList announcements(const QList<Models::Announcement> &announcements);
    static QVariantMap order(const Models::Order &order);
    static QVariantList orders(const QList<Models::Order> &orders);
    static QVariantMap plan(const Models::SubscriptionPlan &plan);
    static QVariantList plans(const QList<Models::SubscriptionPlan> &plans);
    static QVariantMap systemConfig(const Models::SystemConfig &config);
    static QVariantMap trialStatus(const Models::TrialStatus &status);
    static QVariantMap freeTrialUser(const Models::User &user);
    static QVariantMap vipTrialUser(const Models::User &user);
    static QVariantMap paymentCreated(const Models::CreatePaymentData &data);
    static QVariantMap paymentStatus(const Models::PaymentStatusData &data);
    static QVariantMap polledPaymentStatus(const Models::PaymentStatusData &data);
    static QVariantMap heartbeatStats(const Models::HeartbeatStats &stats);
};

} // namespace Orvo::Api
