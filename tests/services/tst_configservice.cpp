#include <QFile>
#include <QJsonArray>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>

#include "ChildProcess.h"
#include "FakeService.h"
#include "FakeServiceFixture.h"
#include "StoredSettings.h"
#include "network/HttpClient.h"
#include "security/CryptoUtil.h"
#include "services/ConfigService.h"
#include "storage/LocalStorage.h"
#include "storage/TokenManager.h"

using Orvo::Api::Models::SystemConfig;
using Orvo::Api::Models::TrialStatus;
using Orvo::Api::Models::User;
using Orvo::Api::Network::HttpClient;
using Orvo::Api::Security::CryptoUtil;
using Orvo::Api::Security::TokenManager;
using Orvo::Api::Services::ConfigService;
using Orvo::Api::Storage::LocalStorage;
using Orvo::Testing::FakeReply;
using Orvo::Testing::FakeService;
using Orvo::Testing::RecordedRequest;
using Orvo::Testing::storedSetting;
using Orvo::Testing::storedSettingsPath;

Q_DECLARE_METATYPE(FakeReply)

namespace {

const QString kSecret = QStringLiteral("s3cret");

QJsonObject item(const QString &type, const QJsonValue &value)
{
    return QJsonObject {
        { "name", "item" }, { "description", "" }, { "type", type }, { "value", value }
    };
}

// A configuration that switches both kinds of encryption on.
QJsonObject encryptedConfig(const QString &appName)
{
    return QJsonObject { { "app_name", item("string", appName) },
                         { "api_encrypt_enabled", item("boolean", true) },
                         { "api_secret_key", item("string", kSecret) },
                         { "vpn_encrypt_enabled", item("boolean", true) },
                         { "vpn_encrypt_key", item("string", "vpn-" + appName) } };
}

QJsonObject plainReply(const QJsonObject &data)
{
    return QJsonObject { { "success", true }, { "data", data } };
}

// The reply wrapped in the service's signed envelope.
FakeReply signedReply(const QJsonObject &reply, const QString &secret = kSecret)
{
    const QString data
        = QString::fromLatin1(QJsonDocument(reply).toJson(QJsonDocument::Compact).toBase64());
    return FakeReply::json({ { "encrypted", true },
                             { "data", data },
                             { "signature", CryptoUtil::md5Hex(data + secret) } });
}

QByteArray settingsBytes()
{
    QCoreApplication::processEvents();
    QFile file(storedSettingsPath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

// Writes straight to disk, first reading back what a child process wrote.
void writeFile(const QString &key, const QString &value)
{
    QSettings file(storedSettingsPath(), QSettings::IniFormat);
    file.sync();
    if (value.isNull())
        file.remove(key);
    else
        file.setValue(key, value);
    file.sync();
}

// A new run of the program: the first use of the service, then, in "fetch",
// one configuration request.
int runChildStep(const QString &mode)
{
    ConfigService *service = ConfigService::instance();
    QJsonObject result { { "vpnKey", TokenManager::instance()->getVpnEncryptKey() },
                         { "apiKey",
                           LocalStorage::instance()->getString("api_secret_key", "absent") } };
    if (mode == QLatin1String("fetch")) {
        bool done = false;
        service->getConfigs([&](bool success, const QString &message, const SystemConfig &config) {
            done = true;
            result.insert("success", success);
            result.insert("message", message);
            result.insert("appName", config.appName);
        });
        if (!QTest::qWaitFor([&]() { return done; }, 10000))
            return 3;
    } else if (mode != QLatin1String("construct")) {
        return 2;
    }
    Orvo::Testing::writeChildResult(result);
    return 0;
}

} // namespace

class ConfigServiceTest : public QObject
{
    Q_OBJECT

private:
    FakeService m_service;
    ConfigService *config() { return ConfigService::instance(); }

    struct Outcome
    {
        bool success = false;
        QString message;
        SystemConfig config;
        QStringList events;
    };

    Outcome fetch()
    {
        Outcome outcome;
        QObject context;
        QObject::connect(config(), &ConfigService::maintenanceModeEntered, &context,
                         [&]() { outcome.events << "maintenanceModeEntered"; });
        QObject::connect(config(), &ConfigService::configUpdated, &context,
                         [&](const SystemConfig &updated) {
                             outcome.events << "configUpdated:" + updated.appName;
                         });
        int calls = 0;
        config()->getConfigs([&](bool success, const QString &message, const SystemConfig &cfg) {
            ++calls;
            outcome.success = success;
            outcome.message = message;
            outcome.config = cfg;
            outcome.events << "callback";
        });
        if (!QTest::qWaitFor([&]() { return calls > 0; }, 10000))
            qFatal("no callback");
        QTest::qWait(20);
        if (calls != 1)
            qFatal("callback called %d times", calls);
        return outcome;
    }

    // Activates a trial and returns the callback's values and, in order, the
    // callback and the service's signal.
    Outcome activate(bool vip, User *user)
    {
        Outcome outcome;
        QObject context;
        QObject::connect(
            config(), &ConfigService::trialActivated, &context,
            [&](const User &activated) { outcome.events << "trialActivated:" + activated.email; });
        bool called = false;
        auto callback = [&](bool success, const QString &message, const User &activated) {
            called = true;
            outcome.success = success;
            outcome.message = message;
            *user = activated;
            outcome.events << "callback";
        };
        if (vip)
            config()->activateVipTrial(callback);
        else
            config()->activateFreeTrial(callback);
        if (!QTest::qWaitFor([&]() { return called; }, 10000))
            qFatal("no callback");
        QTest::qWait(20);
        return outcome;
    }

    void signIn()
    {
        User user;
        user.id = 5;
        user.email = "five@example.com";
        TokenManager::instance()->saveLogin("tok-5", user);
        HttpClient::instance()->setAuthToken("tok-5");
    }

private slots:
    void initTestCase() { QVERIFY(Orvo::Testing::startAsClientService(m_service)); }

    void init() { m_service.reset(); }

    // These run first: this process has not used the service yet.
    void appliesTheCacheAtFirstUse_data()
    {
        QTest::addColumn<QString>("cache");
        QTest::addColumn<QString>("vpnKey");
        QTest::addColumn<QString>("apiKey");

        const QString items = QString::fromUtf8(
            QJsonDocument(encryptedConfig("Cached")).toJson(QJsonDocument::Compact));
        QTest::newRow("items") << items << "vpn-Cached" << kSecret;
        QTest::newRow("plain text name") << R"({"app_name":"X"})"
                                         << "keep-me"
                                         << "keep-api";
        QTest::newRow("no items") << "{}"
                                  << "keep-me"
                                  << "keep-api";
        QTest::newRow("corrupt") << "{oops"
                                 << "keep-me"
                                 << "keep-api";
        QTest::newRow("array") << R"([{"app_name":{"type":"string","value":"X"}}])"
                               << "keep-me"
                               << "keep-api";
        QTest::newRow("absent") << QString() << "keep-me"
                                << "keep-api";
    }

    void appliesTheCacheAtFirstUse()
    {
        QFETCH(QString, cache);
        QFETCH(QString, vpnKey);
        QFETCH(QString, apiKey);

        writeFile("vpn_encrypt_key", "keep-me");
        writeFile("api_secret_key", "keep-api");
        writeFile("cached_configs", cache);

        const QJsonObject child = Orvo::Testing::runChild("construct");
        QCOMPARE(child.value("vpnKey").toString(), vpnKey);
        QCOMPARE(child.value("apiKey").toString(), apiKey);
        QVERIFY(m_service.requests().isEmpty()); // nothing is sent at construction
    }

    void cacheUnwrapsTheFirstSignedReplyOfANewRun()
    {
        writeFile("cached_configs", QString());

        // One run fetches a configuration that switches the signed envelope on.
        m_service.setReply("GET", "configs", FakeReply::json(plainReply(encryptedConfig("Plain"))));
        QJsonObject child = Orvo::Testing::runChild("fetch");
        QCOMPARE(child.value("success").toBool(), true);
        QCOMPARE(child.value("appName").toString(), QString("Plain"));

        // The next run understands the envelope on its very first request.
        m_service.clearRequests();
        m_service.setReply("GET", "configs", signedReply(plainReply(encryptedConfig("Signed"))));
        child = Orvo::Testing::runChild("fetch");
        QCOMPARE(child.value("success").toBool(), true);
        QCOMPARE(child.value("message").toString(), QString("获取成功"));
        QCOMPARE(child.value("appName").toString(), QString("Signed"));
        QCOMPARE(m_service.requests().size(), 1);
        QCOMPARE(m_service.requests().constFirst().path, QString("configs"));

        // Without the cache, the same envelope is not unwrapped: its "data" is
        // no configuration.
        writeFile("cached_configs", QString());
        child = Orvo::Testing::runChild("fetch");
        QCOMPARE(child.value("success").toBool(), false);
        QCOMPARE(child.value("message").toString(), QString("响应数据无效"));
    }

    // From here on this process's service exists.
    void freshReplyIsCachedAndApplied()
    {
        signIn(); // the configuration never carries the bearer
        QJsonObject data = encryptedConfig("Fresh");
        data.insert("max_devices", item("number", 5));
        data.insert("enable_registration", item("boolean", false));
        data.insert("site_name", item("string", "Site"));
        data.insert("unknown_item", item("json", QJsonObject { { "a", QJsonArray { 1, 2 } } }));
        data.insert("not_an_item", "text");
        m_service.setReply("GET", "configs", FakeReply::json(plainReply(data)));

        const Outcome outcome = fetch();
        QVERIFY(outcome.success);
        QCOMPARE(outcome.message, QString("获取成功"));
        QCOMPARE(outcome.events, QStringList({ "callback", "configUpdated:Fresh" }));
        QCOMPARE(outcome.config.appName, QString("Fresh"));
        QCOMPARE(outcome.config.siteName, QString("Site"));
        QCOMPARE(outcome.config.appVersion, QString("1.0.0"));
        QCOMPARE(outcome.config.maxDevices, 5);
        QCOMPARE(outcome.config.enableRegistration, false);
        QCOMPARE(outcome.config.apiEncryptEnabled, true);
        QCOMPARE(outcome.config.apiSecretKey, kSecret);
        QCOMPARE(outcome.config.configs.size(), 9);
        QVERIFY(!config()->isMaintenanceMode());

        const RecordedRequest request = m_service.requests("configs").constFirst();
        QCOMPARE(request.method, QByteArray("GET"));
        QVERIFY(!request.hasHeader("Authorization"));
        QVERIFY(request.queryString.isEmpty());

        // The received object is cached, the settings are stored and applied.
        QCOMPARE(storedSetting("cached_configs").toString(),
                 QString::fromUtf8(QJsonDocument(data).toJson(QJsonDocument::Compact)));
        QCOMPARE(TokenManager::instance()->getVpnEncryptKey(), QString("vpn-Fresh"));
        QCOMPARE(storedSetting("vpn_encrypt_enabled").toBool(), true);
        QCOMPARE(storedSetting("api_secret_key").toString(), kSecret);
        QCOMPARE(storedSetting("api_encrypt_enabled").toBool(), true);

        m_service.setReply("GET", "configs", signedReply(plainReply(encryptedConfig("Next"))));
        QCOMPARE(fetch().config.appName, QString("Next"));
    }

    void maintenanceIsAnnouncedFirst()
    {
        QJsonObject data = encryptedConfig("Down");
        data.insert("maintenance_mode", item("boolean", true));
        m_service.setReply("GET", "configs", signedReply(plainReply(data)));

        const Outcome outcome = fetch();
        QCOMPARE(outcome.events,
                 QStringList({ "maintenanceModeEntered", "callback", "configUpdated:Down" }));
        QVERIFY(config()->isMaintenanceMode());
    }

    void failedReplyLeavesEverythingAsItWas_data()
    {
        QTest::addColumn<FakeReply>("reply");
        QTest::addColumn<QString>("message");

        QTest::newRow("server error")
            << FakeReply::json({ { "message", "维护中" } }, 503) << "维护中";
        QTest::newRow("success false")
            << signedReply({ { "success", false }, { "message", "拒绝" } }) << "拒绝";
        QTest::newRow("bad signature")
            << signedReply(plainReply({ { "app_name", item("string", "Forged") } }), "wrong")
            << "API响应签名验证失败";
        QTest::newRow("not signed")
            << FakeReply::json({ { "success", false }, { "message", "未签名" } }) << "未签名";
        // A 200 that carries no configuration object is no configuration.
        QTest::newRow("portal page")
            << FakeReply::raw("<html><body>请先登录网络</body></html>") << "响应数据无效";
        QTest::newRow("json array") << FakeReply::raw("[1,2]") << "响应数据无效";
        QTest::newRow("no data") << FakeReply::json({ { "success", true } }) << "响应数据无效";
        QTest::newRow("data as text")
            << FakeReply::json({ { "success", true }, { "data", "{}" } }) << "响应数据无效";
        QTest::newRow("signed text is not data")
            << signedReply({ { "success", true }, { "data", QJsonArray {} } }) << "响应数据无效";
        QTest::newRow("envelope with unsigned data")
            << FakeReply::json({ { "encrypted", true },
                                 { "success", true },
                                 { "data", plainReply(encryptedConfig("Forged")) } })
            << "API响应签名验证失败";
    }

    void failedReplyLeavesEverythingAsItWas()
    {
        QFETCH(FakeReply, reply);
        QFETCH(QString, message);

        m_service.setReply("GET", "configs", signedReply(plainReply(encryptedConfig("Good"))));
        QVERIFY(fetch().success);
        const QByteArray before = settingsBytes();
        QVERIFY(before.contains("cached_configs"));

        m_service.setReply("GET", "configs", reply);
        const Outcome outcome = fetch();
        QVERIFY(!outcome.success);
        QCOMPARE(outcome.message, message);
        QCOMPARE(outcome.events, QStringList({ "callback" }));
        QVERIFY(outcome.config.appName.isEmpty()); // a default-constructed record
        QCOMPARE(settingsBytes(), before);
        QVERIFY(!config()->isMaintenanceMode());

        // The applied settings stay: signed replies are still understood.
        m_service.setReply("GET", "configs", signedReply(plainReply(encryptedConfig("Again"))));
        QCOMPARE(fetch().config.appName, QString("Again"));
    }

    void emptyReplySwitchesEncryptionOff()
    {
        m_service.setReply("GET", "configs", signedReply(plainReply({})));
        const Outcome outcome = fetch();
        QVERIFY(outcome.success);
        QCOMPARE(outcome.config.appName, QString("Deltry加速器"));
        QCOMPARE(storedSetting("cached_configs").toString(), QString("{}"));
        QCOMPARE(storedSetting("api_encrypt_enabled").toBool(), false);
        QCOMPARE(storedSetting("vpn_encrypt_enabled").toBool(), false);
        QVERIFY(TokenManager::instance()->getVpnEncryptKey().isEmpty());

        // An envelope is now taken as it is, and its "data" is no configuration.
        const QByteArray before = settingsBytes();
        m_service.setReply("GET", "configs", signedReply(plainReply(encryptedConfig("Hidden"))));
        const Outcome taken = fetch();
        QVERIFY(!taken.success);
        QCOMPARE(taken.message, QString("响应数据无效"));
        QCOMPARE(settingsBytes(), before);
    }

    void initializeReportsTheOutcome_data()
    {
        QTest::addColumn<FakeReply>("reply");
        QTest::addColumn<bool>("success");

        QTest::newRow("ok") << FakeReply::json(plainReply({})) << true;
        QTest::newRow("failed") << FakeReply::json({}, 500) << false;
    }

    void initializeReportsTheOutcome()
    {
        QFETCH(FakeReply, reply);
        QFETCH(bool, success);

        m_service.setReply("GET", "configs", reply);
        int calls = 0;
        bool result = !success;
        config()->initialize([&](bool ok) {
            ++calls;
            result = ok;
        });
        QTRY_COMPARE(calls, 1);
        QCOMPARE(result, success);
        QCOMPARE(m_service.count("configs"), 1);
    }

    void readsTheTrialStatus()
    {
        signIn();
        m_service.setReply(
            "GET", "trial/status",
            FakeReply::json({ { "data",
                                QJsonObject { { "trial",
                                                QJsonObject { { "available", true },
                                                              { "hours_total", 2 },
                                                              { "expires_at", "2030-01-01" } } },
                                              { "vip", QJsonObject { { "days_remaining", 3 } } },
                                              { "account_status", "active" } } } }));
        bool called = false;
        bool success = false;
        QString message;
        TrialStatus status;
        config()->getTrialStatus([&](bool ok, const QString &text, const TrialStatus &read) {
            called = true;
            success = ok;
            message = text;
            status = read;
        });
        QTRY_VERIFY(called);
        QVERIFY(success);
        QCOMPARE(message, QString("获取成功"));
        QVERIFY(status.trialAvailable);
        QCOMPARE(status.trialHoursTotal, 2);
        QCOMPARE(status.trialExpiresAt, QString("2030-01-01"));
        QCOMPARE(status.vipDaysRemaining, 3);
        QCOMPARE(status.accountStatus, QString("active"));
        const RecordedRequest request = m_service.requests("trial/status").constFirst();
        QCOMPARE(request.method, QByteArray("GET"));
        QCOMPARE(request.header("Authorization"), QByteArray("Bearer tok-5"));

        m_service.setReply("GET", "trial/status",
                           FakeReply::json({ { "message", "请登录" } }, 401));
        called = false;
        config()->getTrialStatus([&](bool ok, const QString &text, const TrialStatus &read) {
            called = true;
            success = ok;
            message = text;
            status = read;
        });
        QTRY_VERIFY(called);
        QVERIFY(!success);
        QCOMPARE(message, QString("请登录"));
        QVERIFY(!status.trialAvailable);
    }

    void activatesTrials_data()
    {
        QTest::addColumn<bool>("vip");
        QTest::addColumn<QString>("path");

        QTest::newRow("free") << false << "trial/activate-free";
        QTest::newRow("vip") << true << "trial/activate-vip";
    }

    void activatesTrials()
    {
        QFETCH(bool, vip);
        QFETCH(QString, path);

        signIn();
        const QJsonObject activated { { "id", 5 },
                                      { "email", "five@example.com" },
                                      { "is_vip", vip },
                                      { "trial_used", true },
                                      { "trial_hours_remaining", 2.5 } };
        m_service.setReply("POST", path,
                           FakeReply::json({ { "message", "已激活" }, { "data", activated } }));
        User user;
        const Outcome outcome = activate(vip, &user);

        QVERIFY(outcome.success);
        QCOMPARE(outcome.message, QString("已激活"));
        QCOMPARE(outcome.events, QStringList({ "callback", "trialActivated:five@example.com" }));
        QCOMPARE(user.trialHoursRemaining, 2.5);
        QCOMPARE(TokenManager::instance()->getUserInfo().toJson(),
                 User::fromJson(activated).toJson());
        QCOMPARE(QJsonDocument::fromJson(storedSetting("user_info").toString().toUtf8()).object(),
                 User::fromJson(activated).toJson());
        const RecordedRequest request = m_service.requests(path).constFirst();
        QCOMPARE(request.method, QByteArray("POST"));
        QCOMPARE(request.body, QByteArray("{}"));
        QCOMPARE(request.header("Authorization"), QByteArray("Bearer tok-5"));
    }

    void activationWithoutAUserKeepsTheStoredOne_data() { activatesTrials_data(); }

    void activationWithoutAUserKeepsTheStoredOne()
    {
        QFETCH(bool, vip);
        QFETCH(QString, path);

        signIn();
        const QVariant storedBefore = storedSetting("user_info");
        m_service.setReply("POST", path,
                           FakeReply::json({ { "message", "已激活" },
                                             { "data", QJsonObject { { "trial_used", true } } } }));
        User user;
        const Outcome outcome = activate(vip, &user);

        QVERIFY(outcome.success);
        QCOMPARE(outcome.message, QString("已激活"));
        QCOMPARE(user.id, 0);
        QCOMPARE(outcome.events, QStringList({ "callback", "trialActivated:" }));
        QVERIFY(TokenManager::instance()->isLoggedIn());
        QCOMPARE(TokenManager::instance()->getUserInfo().id, 5);
        QCOMPARE(storedSetting("user_info"), storedBefore);
    }

    void failedActivationKeepsTheStoredUser_data() { activatesTrials_data(); }

    void failedActivationKeepsTheStoredUser()
    {
        QFETCH(bool, vip);
        QFETCH(QString, path);

        signIn();
        m_service.setReply("POST", path,
                           FakeReply::json({ { "message", "体验已使用" }, { "success", false } }));
        User user;
        user.id = 99;
        const Outcome outcome = activate(vip, &user);

        QVERIFY(!outcome.success);
        QCOMPARE(outcome.message, QString("体验已使用"));
        QCOMPARE(user.id, 0);
        QCOMPARE(outcome.events, QStringList({ "callback" }));
        QCOMPARE(TokenManager::instance()->getUserInfo().id, 5);
    }
};

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString mode = Orvo::Testing::childMode();
    if (!mode.isEmpty())
        return runChildStep(mode);
    ConfigServiceTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_configservice.moc"
