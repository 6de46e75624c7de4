#include <QJsonDocument>
#include <QTest>

#include "models/User.h"

using Orvo::Api::Models::User;

namespace {
QJsonObject parse(const QByteArray &text)
{
    return QJsonDocument::fromJson(text).object();
}
} // namespace

class UserTest : public QObject
{
    Q_OBJECT

private slots:
    void readsAFullRecord()
    {
        const User user = User::fromJson(parse(R"({
            "id": 7, "email": "a@b.c", "name": "Lin", "status": "active", "is_vip": true,
            "vip_expires_at": "2030-01-02T03:04:05Z", "trial_used": true,
            "trial_expires_at": "2029-05-06T07:08:09+08:00", "trial_hours_total": 3,
            "trial_hours_used": 1.25, "trial_hours_remaining": 1.75,
            "created_at": "2025-01-01T00:00:00Z",
            "stats": {"total_upload": 5000000000, "total_download": 12, "total_time": 60}})"));
        QCOMPARE(user.id, 7);
        QCOMPARE(user.email, QString("a@b.c"));
        QCOMPARE(user.name, QString("Lin"));
        QCOMPARE(user.status, QString("active"));
        QVERIFY(user.isVip);
        QCOMPARE(user.vipExpiresAt, QDateTime(QDate(2030, 1, 2), QTime(3, 4, 5), Qt::UTC));
        QVERIFY(user.trialUsed);
        QCOMPARE(user.trialExpiresAt.toUTC(),
                 QDateTime(QDate(2029, 5, 5), QTime(23, 8, 9), Qt::UTC));
        QCOMPARE(user.trialHoursTotal, 3);
        QCOMPARE(user.trialHoursUsed, 1.25);
        QCOMPARE(user.trialHoursRemaining, 1.75);
        QVERIFY(user.createdAt.isValid());
        QCOMPARE(user.stats.totalUpload, 5000000000LL);
        QCOMPARE(user.stats.totalDownload, 12LL);
        QCOMPARE(user.stats.totalTime, 60);
    }

    void keepsDefaultsForWrongTypes_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QByteArray>("persisted"); // the record as the login store writes it

        const QByteArray defaults = QJsonDocument(User().toJson()).toJson(QJsonDocument::Compact);
        QTest::newRow("id as text") << QByteArray(R"({"id": "7"})") << defaults;
        QTest::newRow("fractional id") << QByteArray(R"({"id": 7.5})") << defaults;
        QTest::newRow("fractional hours total")
            << QByteArray(R"({"trial_hours_total": 2.5})") << defaults;
        QTest::newRow("hours as text") << QByteArray(R"({"trial_hours_used": "1"})") << defaults;
        QTest::newRow("vip as number") << QByteArray(R"({"is_vip": 1})") << defaults;
        QTest::newRow("e-mail as number") << QByteArray(R"({"email": 5})") << defaults;
        QTest::newRow("null dates")
            << QByteArray(R"({"vip_expires_at": null, "created_at": null})") << defaults;
        QTest::newRow("date as number") << QByteArray(R"({"vip_expires_at": 5})") << defaults;
        QTest::newRow("stats as array") << QByteArray(R"({"stats": [1, 2]})") << defaults;
        User uploaded;
        uploaded.stats.totalUpload = 100;
        QTest::newRow("upload as whole-number text")
            << QByteArray(R"({"stats": {"total_upload": "100"}})")
            << QJsonDocument(uploaded.toJson()).toJson(QJsonDocument::Compact);
        QTest::newRow("upload as fractional text")
            << QByteArray(R"({"stats": {"total_upload": "1.5"}})") << defaults;
        QTest::newRow("download as other text")
            << QByteArray(R"({"stats": {"total_download": "many"}})") << defaults;
    }

    void keepsDefaultsForWrongTypes()
    {
        QFETCH(QByteArray, json);
        QFETCH(QByteArray, persisted);
        const User user = User::fromJson(parse(json));
        QCOMPARE(QJsonDocument(user.toJson()).toJson(QJsonDocument::Compact), persisted);
    }

    void persistsADefaultUserWithNulls()
    {
        const QJsonObject json = User().toJson();
        QCOMPARE(json.value("vip_expires_at"), QJsonValue(QJsonValue::Null));
        QCOMPARE(json.value("trial_expires_at"), QJsonValue(QJsonValue::Null));
        QVERIFY(!json.contains("created_at"));
        QCOMPARE(json.value("stats"), QJsonValue(QJsonValue::Null));
        QCOMPARE(json.value("id"), QJsonValue(0));
        QCOMPARE(json.value("is_vip"), QJsonValue(false));
        QCOMPARE(json.keys().size(), 12);
    }

    void readsBackWhatItPersists()
    {
        User user;
        user.id = 9;
        user.email = "n@example.com";
        user.name = "九";
        user.status = "suspended";
        user.isVip = true;
        user.vipExpiresAt = QDateTime(QDate(2031, 2, 3), QTime(4, 5, 6), Qt::UTC);
        user.trialExpiresAt = QDateTime(QDate(2030, 1, 1), QTime(8, 0, 0), Qt::OffsetFromUTC, 3600);
        user.trialHoursTotal = 4;
        user.trialHoursUsed = 0.5;
        user.trialHoursRemaining = 3.5;
        user.createdAt = QDateTime(QDate(2024, 12, 31), QTime(23, 59, 59), Qt::UTC);
        user.stats.totalDownload = 1;

        const User back = User::fromJson(user.toJson());
        QCOMPARE(back.toJson(), user.toJson());
        QCOMPARE(back.vipExpiresAt, user.vipExpiresAt);
        QCOMPARE(back.trialExpiresAt, user.trialExpiresAt);
        QCOMPARE(back.createdAt, user.createdAt);
        QCOMPARE(back.stats.totalDownload, 1LL);
        QCOMPARE(back.toJson().value("stats").toObject().value("total_download"), QJsonValue(1));
    }

    void vipIsActiveOnlyBeforeItsExpiry_data()
    {
        QTest::addColumn<bool>("isVip");
        QTest::addColumn<int>("expiresInSeconds"); // 0: no expiry
        QTest::addColumn<bool>("active");

        QTest::newRow("future") << true << 3600 << true;
        QTest::newRow("one second ago") << true << -1 << false;
        QTest::newRow("no expiry") << true << 0 << false;
        QTest::newRow("not vip") << false << 3600 << false;
    }

    void vipIsActiveOnlyBeforeItsExpiry()
    {
        QFETCH(bool, isVip);
        QFETCH(int, expiresInSeconds);
        QFETCH(bool, active);

        User user;
        user.isVip = isVip;
        if (expiresInSeconds != 0)
            user.vipExpiresAt = QDateTime::currentDateTimeUtc().addSecs(expiresInSeconds);
        QCOMPARE(user.isVipActive(), active);
    }
};

QTEST_GUILESS_MAIN(UserTest)
#include "tst_user.moc"
