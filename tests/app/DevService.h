#pragma once

#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QString>

#include <map>

namespace Orvo::Testing {

class FakeService;
struct FakeReply;
struct RecordedRequest;

// The development service of scripts/run.sh: the fake service with seeded
// data and a little state per account, enough for the whole road of a
// purchase. Any e-mail and password log in, each e-mail an account of its
// own; a registration needs an e-mail that has no account yet. The token
// names the account, so a stored login still works after the service was
// restarted. What needs an account ("auth/me", "auth/logout", "heartbeat",
// "orders", the payments) answers 401 without such a token, and a VIP line
// can be connected by a VIP account only.
//
// A payment: "payments/create" answers an order number and a "payment_url"
// on this service that serves the order's QR code as a PNG; the order's
// status reads "pending" for the first two queries and "completed" from the
// third on, which adds the plan's days to the account's VIP time and lists
// the order as paid.
class DevService
{
public:
    struct Order
    {
        QString number;
        QString planName;
        int planDays = 0;
        double amount = 0;
        QString paymentMethod;
        QDateTime createdAt;
        QDateTime paidAt; // invalid while unpaid
        int statusQueries = 0;
    };

    struct Account
    {
        int id = 0;
        QString email;
        QString name;
        QDateTime vipExpiresAt; // invalid for a free account
        double trialHoursTotal = 2;
        double trialHoursRemaining = 1.5;
        QList<Order> orders; // oldest first
    };

    DevService() = default;

    // Seeds the data and installs every route on the service.
    void install(FakeService &service);

    // The account that a request's bearer token names; null for a request
    // without one, or with a token of another service.
    Account *accountFor(const RecordedRequest &request);
    // The account of that e-mail, opened when it has none yet.
    Account &accountByEmail(const QString &email);

    static QByteArray qrCodePng(const QString &text);
    // One server of the list as the service words it for the asking account:
    // a free line can be connected by anyone, a VIP line by a VIP account.
    static QJsonObject serverJson(int id, const char *name, const char *country, bool vip,
                                  const QString &vmessLink, bool vipAccount = false);

private:
    using AccountRoute = FakeReply (DevService::*)(const RecordedRequest &, Account &);

    FakeReply login(const RecordedRequest &request);
    FakeReply registerAccount(const RecordedRequest &request);
    FakeReply servers(const RecordedRequest &request);
    FakeReply me(const RecordedRequest &request, Account &account);
    FakeReply logout(const RecordedRequest &request, Account &account);
    FakeReply heartbeat(const RecordedRequest &request, Account &account);
    FakeReply orders(const RecordedRequest &request, Account &account);
    FakeReply createPayment(const RecordedRequest &request, Account &account);
    FakeReply paymentStatus(const RecordedRequest &request, Account &account);
    FakeReply paymentPicture(const RecordedRequest &request);

    static bool isVip(const Account &account);
    static QJsonObject userJson(const Account &account);
    static QJsonObject orderJson(const Order &order);
    static FakeReply signedIn(const Account &account, const QString &message);
    Account *findAccount(const QString &email);
    // The order of that number: among the owner's orders, or anyone's.
    Order *findOrder(const QString &number, Account *owner = nullptr);

    QString m_baseUrl; // "http://127.0.0.1:<port>/"
    QJsonArray m_plans;
    std::map<QString, Account> m_accounts; // by e-mail, references stay valid
    int m_nextAccountId = 1;
    int m_nextOrder = 1;
};

} // namespace Orvo::Testing
