#include "DevService.h"

#include <QBuffer>
#include <QImage>

#include <qrencode.h>

#include "FakeService.h"
#include "SampleVmessLink.h"

namespace Orvo::Testing {

namespace {

const QString kDemoEmail = QStringLiteral("demo@example.com");
const QString kTokenPrefix = QStringLiteral("dev:");
// Queries of an order's status that still read "pending".
constexpr int kPendingQueries = 2;

FakeReply ok(const QJsonValue &data)
{
    return FakeReply::json({ { "success", true }, { "data", data } });
}

FakeReply refused(int status, const QString &message)
{
    return FakeReply::json({ { "success", false }, { "message", message } }, status);
}

// A request of an account without a valid token, as the service refuses it.
FakeReply unauthenticated()
{
    return refused(401, QStringLiteral("未登录或登录已过期，请重新登录"));
}

// A form the service refuses: the field's message, also as the reply's own.
FakeReply invalid(const char *field, const QString &message)
{
    return FakeReply::json({ { "success", false },
                             { "message", message },
                             { "errors", QJsonObject { { field, QJsonArray { message } } } } },
                           422);
}

QJsonValue dateOrNull(const QDateTime &value)
{
    return value.isValid() ? QJsonValue(value.toUTC().toString(Qt::ISODate))
                           : QJsonValue(QJsonValue::Null);
}

QJsonObject plan(int id, const char *name, int days, double price, const char *priceText = "")
{
    return { { "id", id },          { "name", name },      { "days", days },
             { "price", price },    { "currency", "CNY" }, { "formatted_price", priceText },
             { "is_active", true }, { "sort_order", id } };
}

// Five plans, so the recommended 2nd and 4th show; the 4th, which the page
// preselects, gives 30 days.
QJsonArray seededPlans()
{
    return { plan(1, "周卡", 7, 9.9), plan(2, "月度会员", 30, 19.9, "¥19.90"),
             plan(3, "季度会员", 90, 49), plan(4, "连续包月", 30, 15),
             plan(5, "年度会员", 365, 168) };
}

// A few announcements of each kind, one of them too long for the window, so
// the announcement page has something to show and to scroll.
QJsonArray seededAnnouncements()
{
    const auto announcement = [](int id, const char *type, const char *title,
                                 const QString &content, const char *published) {
        return QJsonObject { { "id", id },
                             { "title", title },
                             { "content", content },
                             { "type", type },
                             { "published_at", published ? QJsonValue(published) : QJsonValue() },
                             { "created_at", "2026-01-01T00:00:00Z" } };
    };
    return {
        announcement(4, "maintenance", "服务器维护通知",
                     QStringLiteral("东京节点将于本周六 02:00 至 04:00 维护，期间连接可能中断。"),
                     "2026-03-06T10:00:00Z"),
        announcement(3, "update", "1.0.0 版本发布",
                     QStringLiteral("新版本改进了连接速度与稳定性。").repeated(12),
                     "2026-02-20T08:30:00Z"),
        announcement(2, "activity", "新春活动", QStringLiteral("活动期间购买月度会员赠送 7 天。"),
                     nullptr),
        announcement(1, "info", "欢迎", QStringLiteral("本地开发服务"), "2026-01-01T00:00:00Z")
    };
}

// Orders every account starts with, before any purchase of its own.
QList<DevService::Order> seededOrders()
{
    return {};
}

// The lines, each at a host of its own under a reserved domain.
struct SeededServer
{
    int id;
    const char *name;
    const char *country;
    bool vip;
    const char *host;
};
constexpr SeededServer kServers[] = { { 1, "东京 01", "JP", false, "jp1.example.net" },
                                      { 2, "香港 01", "HK", false, "hk1.example.net" },
                                      { 3, "新加坡 VIP", "SG", true, "sg1.example.net" } };

QString accountKey(const QString &email)
{
    return email.trimmed().toLower();
}

QString bearerToken(const RecordedRequest &request)
{
    const QByteArray header = request.header("Authorization");
    if (!header.startsWith("Bearer "))
        return {};
    return QString::fromUtf8(header.mid(7));
}

} // namespace

void DevService::install(FakeService &service)
{
    m_baseUrl = QStringLiteral("http://127.0.0.1:%1/").arg(service.port());
    m_plans = seededPlans();
    accountByEmail(kDemoEmail);

    service.setReply(
        "GET", "configs",
        ok(QJsonObject {
            { "app_name", QJsonObject { { "type", "string" }, { "value", "Kesmar加速器" } } } }));
    service.setReply("GET", "plans", ok(m_plans));
    service.setReply("GET", "announcements", ok(seededAnnouncements()));

    // The routes with state. Those open to anyone answer with or without an
    // account; the others only for the account that the token names.
    const auto route = [this](FakeReply (DevService::*handler)(const RecordedRequest &)) {
        return
            [this, handler](const RecordedRequest &request) { return (this->*handler)(request); };
    };
    const auto accountRoute = [this](AccountRoute handler) {
        return [this, handler](const RecordedRequest &request) {
            Account *account = accountFor(request);
            return account ? (this->*handler)(request, *account) : unauthenticated();
        };
    };
    service.setResponder("POST", "auth/login", route(&DevService::login));
    service.setResponder("POST", "auth/register", route(&DevService::registerAccount));
    service.setResponder("GET", "servers", route(&DevService::servers));
    service.setResponder("GET", "auth/me", accountRoute(&DevService::me));
    service.setResponder("POST", "auth/logout", accountRoute(&DevService::logout));
    service.setResponder("POST", "heartbeat", accountRoute(&DevService::heartbeat));
    service.setResponder("GET", "orders", accountRoute(&DevService::orders));
    service.setResponder("POST", "payments/create", accountRoute(&DevService::createPayment));
    service.setResponder("GET", "payments/status/", accountRoute(&DevService::paymentStatus));
    // The pictures lie beside the API, as a payment provider's would.
    service.setResponder("GET", "/pay/", route(&DevService::paymentPicture));
}

DevService::Account *DevService::findAccount(const QString &email)
{
    auto found = m_accounts.find(accountKey(email));
    return found != m_accounts.end() ? &found->second : nullptr;
}

DevService::Account &DevService::accountByEmail(const QString &email)
{
    if (Account *account = findAccount(email))
        return *account;
    const QString key = accountKey(email);
    Account account;
    account.id = m_nextAccountId++;
    account.email = key;
    account.name = key == kDemoEmail ? QStringLiteral("Demo") : key.section(u'@', 0, 0);
    account.orders = seededOrders();
    return m_accounts.emplace(key, account).first->second;
}

DevService::Account *DevService::accountFor(const RecordedRequest &request)
{
    const QString token = bearerToken(request);
    if (!token.startsWith(kTokenPrefix) || accountKey(token.mid(kTokenPrefix.size())).isEmpty())
        return nullptr;
    return &accountByEmail(token.mid(kTokenPrefix.size()));
}

bool DevService::isVip(const Account &account)
{
    return account.vipExpiresAt.isValid() && account.vipExpiresAt > QDateTime::currentDateTimeUtc();
}

QJsonObject DevService::userJson(const Account &account)
{
    return { { "id", account.id },
             { "email", account.email },
             { "name", account.name },
             { "status", "active" },
             { "is_vip", isVip(account) },
             { "vip_expires_at", dateOrNull(account.vipExpiresAt) },
             { "trial_used", true },
             { "trial_expires_at", QJsonValue::Null },
             { "trial_hours_total", account.trialHoursTotal },
             { "trial_hours_used", account.trialHoursTotal - account.trialHoursRemaining },
             { "trial_hours_remaining", account.trialHoursRemaining } };
}

QJsonObject DevService::orderJson(const Order &order)
{
    const bool paid = order.paidAt.isValid();
    return { { "order_number", order.number },
             { "plan_name", order.planName },
             { "plan_days", order.planDays },
             { "amount", order.amount },
             { "payment_currency", "CNY" },
             { "payment_method", order.paymentMethod },
             { "payment_method_text",
               order.paymentMethod == QLatin1String("alipay") ? "支付宝" : order.paymentMethod },
             { "status", paid ? "paid" : "pending" },
             { "status_text", paid ? "已支付" : "待支付" },
             { "created_at", dateOrNull(order.createdAt) },
             { "paid_at", dateOrNull(order.paidAt) },
             { "updated_at", dateOrNull(paid ? order.paidAt : order.createdAt) } };
}

FakeReply DevService::signedIn(const Account &account, const QString &message)
{
    return FakeReply::json({ { "success", true },
                             { "message", message },
                             { "token", kTokenPrefix + account.email },
                             { "data", userJson(account) } });
}

FakeReply DevService::login(const RecordedRequest &request)
{
    const QString email = request.json().value(QStringLiteral("email")).toString();
    if (accountKey(email).isEmpty())
        return invalid("email", QStringLiteral("请输入邮箱"));
    return signedIn(accountByEmail(email), QStringLiteral("登录成功"));
}

FakeReply DevService::registerAccount(const RecordedRequest &request)
{
    const QJsonObject body = request.json();
    const QString email = body.value(QStringLiteral("email")).toString();
    if (accountKey(email).isEmpty())
        return invalid("email", QStringLiteral("请输入邮箱"));
    if (findAccount(email))
        return invalid("email", QStringLiteral("该邮箱已被注册"));
    Account &account = accountByEmail(email);
    const QString name = body.value(QStringLiteral("name")).toString().trimmed();
    if (!name.isEmpty())
        account.name = name;
    return signedIn(account, QStringLiteral("注册成功"));
}

FakeReply DevService::servers(const RecordedRequest &request)
{
    // "servers/<id>" is not served.
    if (request.path != QLatin1String("servers"))
        return refused(404, QStringLiteral("服务器不存在"));
    const Account *account = accountFor(request);
    const bool vipAccount = account && isVip(*account);
    QJsonArray list;
    for (const SeededServer &server : kServers) {
        list.append(serverJson(
            server.id, server.name, server.country, server.vip,
            vmessLinkTo(QString::fromLatin1(server.host), QString::fromUtf8(server.name)),
            vipAccount));
    }
    return ok(list);
}

FakeReply DevService::me(const RecordedRequest &, Account &account)
{
    return ok(userJson(account));
}

FakeReply DevService::logout(const RecordedRequest &, Account &)
{
    return FakeReply::json({ { "success", true }, { "message", "登出成功" } });
}

// The same account as "auth/me": a heartbeat that left the user status out
// would read as a used-up trial.
FakeReply DevService::heartbeat(const RecordedRequest &, Account &account)
{
    const QJsonObject userStatus { { "is_vip", isVip(account) },
                                   { "vip_expires_at", dateOrNull(account.vipExpiresAt) },
                                   { "total_traffic_gb", 0 },
                                   { "today_traffic_gb", 0 },
                                   { "trial_used", true },
                                   { "trial_expires_at", QJsonValue::Null },
                                   { "trial_hours_remaining", account.trialHoursRemaining } };
    return ok(QJsonObject { { "interval", 30 },
                            { "server_status",
                              QJsonObject { { "status", "online" },
                                            { "current_users", 1 },
                                            { "max_users", 100 },
                                            { "cpu_usage", 5.0 } } },
                            { "user_status", userStatus },
                            { "device_status",
                              QJsonObject { { "status", "active" },
                                            { "force_disconnect", false },
                                            { "message", "" } } } });
}

FakeReply DevService::orders(const RecordedRequest &, Account &account)
{
    QJsonArray items;
    for (auto it = account.orders.crbegin(); it != account.orders.crend(); ++it)
        items.append(orderJson(*it));
    return FakeReply::json({ { "success", true },
                             { "data", items },
                             { "meta",
                               QJsonObject { { "current_page", 1 },
                                             { "last_page", 1 },
                                             { "per_page", 100 },
                                             { "total", items.size() } } } });
}

FakeReply DevService::createPayment(const RecordedRequest &request, Account &account)
{
    const QJsonObject body = request.json();
    const int planId = body.value(QStringLiteral("plan_id")).toInt();
    QJsonObject chosen;
    for (const QJsonValue &item : std::as_const(m_plans)) {
        if (item.toObject().value(QStringLiteral("id")).toInt() == planId)
            chosen = item.toObject();
    }
    if (chosen.isEmpty())
        return refused(422, QStringLiteral("套餐不存在"));

    Order order;
    order.number = QStringLiteral("DEV%1%2")
                       .arg(QDate::currentDate().toString(QStringLiteral("yyyyMMdd")))
                       .arg(m_nextOrder++, 4, 10, QLatin1Char('0'));
    order.planName = chosen.value(QStringLiteral("name")).toString();
    order.planDays = chosen.value(QStringLiteral("days")).toInt();
    order.amount = chosen.value(QStringLiteral("price")).toDouble();
    order.paymentMethod = body.value(QStringLiteral("payment_method")).toString();
    order.createdAt = QDateTime::currentDateTimeUtc();
    account.orders.append(order);

    return FakeReply::json({ { "success", true },
                             { "message", "订单创建成功" },
                             { "data",
                               QJsonObject { { "order_id", order.number },
                                             { "payment_url",
                                               m_baseUrl + QStringLiteral("pay/") + order.number
                                                   + QStringLiteral(".png") },
                                             { "amount", order.amount },
                                             { "plan_name", order.planName },
                                             { "plan_days", order.planDays } } } });
}

DevService::Order *DevService::findOrder(const QString &number, Account *owner)
{
    for (auto &[email, account] : m_accounts) {
        if (owner && owner != &account)
            continue;
        for (Order &order : account.orders) {
            if (order.number == number)
                return &order;
        }
    }
    return nullptr;
}

FakeReply DevService::paymentStatus(const RecordedRequest &request, Account &account)
{
    // Another account's order is as unknown as a number never given out.
    const QString number = request.path.mid(QStringLiteral("payments/status/").size());
    Order *order = findOrder(number, &account);
    if (!order)
        return refused(404, QStringLiteral("订单不存在"));

    ++order->statusQueries;
    if (!order->paidAt.isValid() && order->statusQueries > kPendingQueries) {
        // Paid: the VIP time runs on from its end, or from now when it ran out.
        const QDateTime now = QDateTime::currentDateTimeUtc();
        const QDateTime from = isVip(account) ? account.vipExpiresAt : now;
        account.vipExpiresAt = from.addDays(order->planDays);
        order->paidAt = now;
    }
    const bool paid = order->paidAt.isValid();
    return ok(QJsonObject { { "order_id", order->number },
                            { "status", paid ? "completed" : "pending" },
                            { "amount", order->amount },
                            { "plan_name", order->planName },
                            { "plan_days", order->planDays },
                            { "payment_method", order->paymentMethod },
                            { "created_at", dateOrNull(order->createdAt) },
                            { "paid_at", dateOrNull(order->paidAt) } });
}

FakeReply DevService::paymentPicture(const RecordedRequest &request)
{
    // "/pay/<order number>.png"
    QString number = request.path.mid(QStringLiteral("/pay/").size());
    if (!number.endsWith(QLatin1String(".png")))
        return refused(404, QStringLiteral("订单不存在"));
    number.chop(4);
    const Order *order = findOrder(number);
    if (!order)
        return refused(404, QStringLiteral("订单不存在"));
    const QString text = QStringLiteral("orvo-dev-pay:%1:%2").arg(order->number).arg(order->amount);
    return FakeReply::raw(qrCodePng(text)).withContentType("image/png");
}

QJsonObject DevService::serverJson(int id, const char *name, const char *country, bool vip,
                                   const QString &vmessLink, bool vipAccount)
{
    return { { "id", id },
             { "name", name },
             { "country_code", country },
             { "status", "online" },
             { "is_enabled", true },
             { "tier", vip ? "vip" : "free" },
             { "requires_vip", vip },
             { "can_connect", !vip || vipAccount },
             { "vmess_link", vmessLink } };
}

QByteArray DevService::qrCodePng(const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    QRcode *code = QRcode_encodeString(utf8.constData(), 0, QR_ECLEVEL_M, QR_MODE_8, 1);
    if (!code)
        return {};
    // Six pixels a module and the standard quiet zone of four modules.
    constexpr int kScale = 6;
    constexpr int kMargin = 4;
    const int modules = code->width;
    const int side = (modules + 2 * kMargin) * kScale;
    QImage image(side, side, QImage::Format_Grayscale8);
    image.fill(255);
    for (int y = 0; y < modules; ++y) {
        for (int x = 0; x < modules; ++x) {
            if ((code->data[y * modules + x] & 1) == 0)
                continue;
            for (int dy = 0; dy < kScale; ++dy) {
                uchar *line = image.scanLine((y + kMargin) * kScale + dy);
                for (int dx = 0; dx < kScale; ++dx)
                    line[(x + kMargin) * kScale + dx] = 0;
            }
        }
    }
    QRcode_free(code);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}

} // namespace Orvo::Testing
