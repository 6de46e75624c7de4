// A local service for trying the program by hand: the fake service on a fixed
// port of 127.0.0.1 with a little data. Any e-mail and password log in.
//
//   orvo_dev_service [port]      (default 8765; the program is built with
//                                 -DORVO_API_BASE_URL=http://127.0.0.1:<port>/api/v1/)
#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonObject>

#include <cstdio>

#include "FakeService.h"
#include "SampleVmessLink.h"

using Orvo::Testing::FakeReply;
using Orvo::Testing::FakeService;

namespace {

QJsonObject user()
{
    return { { "id", 1 },
             { "email", "demo@example.com" },
             { "name", "Demo" },
             { "status", "active" },
             { "trial_used", true },
             { "trial_hours_remaining", 1.5 } };
}

QJsonObject server(int id, const char *name, const char *country, bool vip)
{
    return { { "id", id },
             { "name", name },
             { "country_code", country },
             { "status", "online" },
             { "is_enabled", true },
             { "tier", vip ? "vip" : "free" },
             { "requires_vip", vip },
             { "can_connect", !vip },
             { "vmess_link", Orvo::Testing::sampleVmessLink() } };
}

FakeReply ok(const QJsonValue &data)
{
    return FakeReply::json({ { "success", true }, { "data", data } });
}

void seed(FakeService &service)
{
    service.setReply(
        "GET", "configs",
        ok(QJsonObject {
            { "app_name", QJsonObject { { "type", "string" }, { "value", "Kesmar加速器" } } } }));
    service.setReply(
        "POST", "auth/login",
        FakeReply::json({ { "success", true }, { "token", "dev-token" }, { "data", user() } }));
    service.setReply(
        "POST", "auth/register",
        FakeReply::json({ { "success", true }, { "token", "dev-token" }, { "data", user() } }));
    service.setReply("GET", "auth/me", ok(user()));
    service.setReply("POST", "auth/logout",
                     FakeReply::json({ { "success", true }, { "message", "登出成功" } }));
    service.setReply(
        "GET", "servers",
        ok(QJsonArray { server(1, "东京 01", "JP", false), server(2, "香港 01", "HK", false),
                        server(3, "新加坡 VIP", "SG", true) }));
    service.setReply("GET", "plans",
                     ok(QJsonArray { QJsonObject { { "id", 1 },
                                                   { "name", "月度会员" },
                                                   { "days", 30 },
                                                   { "price", 19.9 },
                                                   { "currency", "CNY" },
                                                   { "is_active", true } } }));
    service.setReply("GET", "announcements",
                     ok(QJsonArray { QJsonObject { { "id", 1 },
                                                   { "title", "欢迎" },
                                                   { "content", "本地开发服务" },
                                                   { "type", "info" },
                                                   { "published_at", "2026-01-01T00:00:00Z" } } }));
    service.setReply("GET", "orders", ok(QJsonArray {}));
    service.setReply(
        "POST", "heartbeat",
        ok(QJsonObject { { "device_status", QJsonObject { { "status", "active" } } } }));
}

// A few announcements of each kind, one of them too long for the window, so
// the announcement page has something to show and to scroll.
void seedAnnouncements(FakeService &service)
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
    service.setReply(
        "GET", "announcements",
        ok(QJsonArray {
            announcement(
                4, "maintenance", "服务器维护通知",
                QStringLiteral("东京节点将于本周六 02:00 至 04:00 维护，期间连接可能中断。"),
                "2026-03-06T10:00:00Z"),
            announcement(3, "update", "1.0.0 版本发布",
                         QStringLiteral("新版本改进了连接速度与稳定性。").repeated(12),
                         "2026-02-20T08:30:00Z"),
            announcement(2, "activity", "新春活动",
                         QStringLiteral("活动期间购买月度会员赠送 7 天。"), nullptr),
            announcement(1, "info", "欢迎", QStringLiteral("本地开发服务"),
                         "2026-01-01T00:00:00Z") }));
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const quint16 port = quint16(app.arguments().value(1, QStringLiteral("8765")).toUInt());
    FakeService service;
    if (port == 0 || !service.start(port)) {
        std::fprintf(stderr, "orvo_dev_service: cannot listen on 127.0.0.1:%u\n", unsigned(port));
        return 1;
    }
    seed(service);
    seedAnnouncements(service);
    std::printf("%s\n", qPrintable(service.baseUrl()));
    std::fflush(stdout);
    return app.exec();
}
