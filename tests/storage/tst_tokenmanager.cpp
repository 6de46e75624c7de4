#include <QDir>
#include <QJsonArray>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

#include "ChildProcess.h"
#include "StoredSettings.h"
#include "models/User.h"
#include "storage/LocalStorage.h"
#include "storage/TokenManager.h"

using Orvo::Api::Models::User;
using Orvo::Api::Security::TokenManager;
using Orvo::Api::Storage::LocalStorage;
using Orvo::Testing::storedSetting;

namespace {

User makeUser(int id, const QString &email)
{
    User user;
    user.id = id;
    user.email = email;
    user.name = QStringLiteral("Lin");
    user.status = QStringLiteral("active");
    user.isVip = true;
    user.vipExpiresAt = QDateTime(QDate(2030, 1, 2), QTime(3, 4, 5), Qt::UTC);
    user.trialHoursTotal = 3;
    user.trialHoursRemaining = 1.5;
    user.stats.totalUpload = 5000000000LL;
    user.stats.totalTime = 60;
    return user;
}

const QString kCachedConfigs = QStringLiteral(R"({"app_name":{"type":"string","value":"X"}})");

// Steps of the restart scenario, each run in a process of its own.
int runChildStep(const QString &mode)
{
    TokenManager *tokens = TokenManager::instance();
    if (mode == QLatin1String("write")) {
        tokens->saveLogin(QStringLiteral("tok-restart"), makeUser(42, QStringLiteral("a@b.c")));
        tokens->saveApiEncryption(QStringLiteral("api-secret"), true);
        tokens->saveVpnEncryption(QStringLiteral("vpn-secret"), true);
        LocalStorage::instance()->setString(QStringLiteral("cached_configs"), kCachedConfigs);
        // Leaves without running the event loop: only the exit sync writes the file.
        Orvo::Testing::writeChildResult({ { "deviceId", tokens->getDeviceId() } });
    } else if (mode == QLatin1String("deviceId")) {
        // Two reads in one run, and the keys each of them stored.
        QSignalSpy changes(LocalStorage::instance(), &LocalStorage::valueChanged);
        const QString first = tokens->getDeviceId();
        QJsonArray storedByFirst;
        for (const QList<QVariant> &change : changes)
            storedByFirst.append(change.at(0).toString());
        const qsizetype afterFirst = changes.count();
        const QString second = tokens->getDeviceId();
        Orvo::Testing::writeChildResult(
            { { "first", first },
              { "second", second },
              { "storedByFirst", storedByFirst },
              { "storedBySecond", int(changes.count() - afterFirst) } });
    } else if (mode == QLatin1String("storedLater")) {
        // The store gets an id after the login store has read it.
        tokens->getToken();
        LocalStorage::instance()->setString(QStringLiteral("device_id"),
                                            QStringLiteral("stored-later"));
        Orvo::Testing::writeChildResult({ { "deviceId", tokens->getDeviceId() } });
    } else if (mode == QLatin1String("logout")) {
        tokens->clearLogin();
        Orvo::Testing::writeChildResult({ { "done", true } });
    } else if (mode == QLatin1String("read")) {
        LocalStorage *storage = LocalStorage::instance();
        Orvo::Testing::writeChildResult({
            { "token", tokens->getToken() },
            { "loggedIn", tokens->isLoggedIn() },
            { "user", tokens->getUserInfo().toJson() },
            { "deviceId", tokens->getDeviceId() },
            { "vpnKey", tokens->getVpnEncryptKey() },
            { "apiKey", storage->getString(QStringLiteral("api_secret_key")) },
            { "apiEnabled", storage->getString(QStringLiteral("api_encrypt_enabled")) },
            { "cachedConfigs", storage->getString(QStringLiteral("cached_configs")) },
        });
    } else {
        return 2;
    }
    return 0;
}

} // namespace

class TokenManagerTest : public QObject
{
    Q_OBJECT

private:
    // Every signal of the store and the login store, in the order they ran.
    QStringList recordSignals(const std::function<void()> &action)
    {
        QStringList events;
        QObject context;
        QObject::connect(LocalStorage::instance(), &LocalStorage::valueChanged, &context,
                         [&events](const QString &key) { events << "valueChanged:" + key; });
        QObject::connect(TokenManager::instance(), &TokenManager::tokenChanged, &context,
                         [&events]() { events << "tokenChanged"; });
        QObject::connect(TokenManager::instance(), &TokenManager::userChanged, &context,
                         [&events]() { events << "userChanged"; });
        QObject::connect(TokenManager::instance(), &TokenManager::loginStateChanged, &context,
                         [&events](bool loggedIn) {
                             events << QStringLiteral("loginStateChanged:%1").arg(loggedIn);
                         });
        action();
        return events;
    }

private slots:
    // Runs first, on the emptied home of this test.
    void startsEmptyOnAFreshInstallation()
    {
        const QString directory = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
        QVERIFY(!QDir(directory).exists());

        TokenManager *tokens = TokenManager::instance();
        QVERIFY(QDir(directory).exists());
        QVERIFY(tokens->getToken().isEmpty());
        QCOMPARE(tokens->getUserInfo().id, 0);
        QVERIFY(!tokens->isLoggedIn());
        QVERIFY(!storedSetting("device_id").isValid());
    }

    void keepsTheSettingsFileAcrossRuns()
    {
        const QJsonObject written = Orvo::Testing::runChild("write");
        const QString deviceId = written.value("deviceId").toString();
        QVERIFY(deviceId.startsWith("windows_"));

        const QJsonObject read = Orvo::Testing::runChild("read");
        QCOMPARE(read.value("token").toString(), QString("tok-restart"));
        QCOMPARE(read.value("loggedIn").toBool(), true);
        const QJsonObject expectedUser = makeUser(42, "a@b.c").toJson();
        QCOMPARE(read.value("user").toObject(), expectedUser);
        QCOMPARE(read.value("deviceId").toString(), deviceId);
        QCOMPARE(read.value("vpnKey").toString(), QString("vpn-secret"));
        QCOMPARE(read.value("apiKey").toString(), QString("api-secret"));
        QCOMPARE(read.value("apiEnabled").toString(), QString("true"));
        QCOMPARE(read.value("cachedConfigs").toString(), kCachedConfigs);

        // A logout in one run leaves the device and the configuration to the next.
        QCOMPARE(Orvo::Testing::runChild("logout").value("done").toBool(), true);
        const QJsonObject afterLogout = Orvo::Testing::runChild("read");
        QVERIFY(afterLogout.value("token").toString().isEmpty());
        QCOMPARE(afterLogout.value("loggedIn").toBool(), false);
        QCOMPARE(afterLogout.value("user").toObject(), User().toJson());
        QCOMPARE(afterLogout.value("deviceId").toString(), deviceId);
        QCOMPARE(afterLogout.value("vpnKey").toString(), QString("vpn-secret"));
        QCOMPARE(afterLogout.value("apiKey").toString(), QString("api-secret"));
        QCOMPARE(afterLogout.value("cachedConfigs").toString(), kCachedConfigs);
    }

    void saveLoginStoresAndSignalsInOrder()
    {
        TokenManager *tokens = TokenManager::instance();
        const User user = makeUser(7, "seven@example.com");
        const QStringList events = recordSignals([&]() { tokens->saveLogin("tok-7", user); });

        QCOMPARE(events,
                 QStringList({ "valueChanged:auth_token", "tokenChanged", "valueChanged:user_info",
                               "userChanged", "loginStateChanged:1" }));
        QVERIFY(tokens->isLoggedIn());
        QCOMPARE(tokens->getToken(), QString("tok-7"));
        QCOMPARE(tokens->getUserInfo().toJson(), user.toJson());
        QCOMPARE(storedSetting("auth_token").toString(), QString("tok-7"));
        QCOMPARE(QJsonDocument::fromJson(storedSetting("user_info").toString().toUtf8()).object(),
                 user.toJson());
    }

    void clearLoginKeepsDeviceAndConfiguration()
    {
        TokenManager *tokens = TokenManager::instance();
        tokens->saveLogin("tok-8", makeUser(8, "eight@example.com"));
        const QString deviceId = tokens->getDeviceId();
        tokens->saveVpnEncryption("vpn-8", true);
        LocalStorage::instance()->setString("cached_configs", kCachedConfigs);

        const QStringList events = recordSignals([&]() { tokens->clearLogin(); });
        QCOMPARE(events,
                 QStringList({ "valueChanged:auth_token", "tokenChanged", "valueChanged:user_info",
                               "userChanged", "loginStateChanged:0" }));
        QVERIFY(!tokens->isLoggedIn());
        QVERIFY(tokens->getToken().isEmpty());
        QCOMPARE(tokens->getUserInfo().id, 0);
        QVERIFY(!storedSetting("auth_token").isValid());
        QVERIFY(!storedSetting("user_info").isValid());
        QCOMPARE(storedSetting("device_id").toString(), deviceId);
        QCOMPARE(storedSetting("vpn_encrypt_key").toString(), QString("vpn-8"));
        QCOMPARE(storedSetting("cached_configs").toString(), kCachedConfigs);
        QCOMPARE(tokens->getDeviceId(), deviceId);
    }

    void loginStateFollowsTokenAndUser_data()
    {
        QTest::addColumn<QString>("token");
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("email");
        QTest::addColumn<bool>("loggedIn");

        QTest::newRow("complete") << "tok" << 5 << "five@example.com" << true;
        QTest::newRow("no e-mail") << "tok" << 5 << "" << false;
        QTest::newRow("no id") << "tok" << 0 << "five@example.com" << false;
        QTest::newRow("negative id") << "tok" << -1 << "five@example.com" << false;
        QTest::newRow("no token") << "" << 5 << "five@example.com" << false;
    }

    void loginStateFollowsTokenAndUser()
    {
        QFETCH(QString, token);
        QFETCH(int, id);
        QFETCH(QString, email);
        QFETCH(bool, loggedIn);

        TokenManager::instance()->saveLogin(token, makeUser(id, email));
        QCOMPARE(TokenManager::instance()->isLoggedIn(), loggedIn);
    }

    void savingAUserWithoutIdLogsOut()
    {
        TokenManager *tokens = TokenManager::instance();
        tokens->saveLogin("tok-9", makeUser(9, "nine@example.com"));
        QVERIFY(tokens->isLoggedIn());
        tokens->saveUser(User());
        QVERIFY(!tokens->isLoggedIn());
        QCOMPARE(tokens->getToken(), QString("tok-9"));
    }

    void deviceIdIsMadeOnce()
    {
        // A new run that meets the store without an id, whatever this process has read.
        LocalStorage::instance()->remove("device_id");
        QVERIFY(!storedSetting("device_id").isValid());

        const QJsonObject made = Orvo::Testing::runChild("deviceId");
        const QString first = made.value("first").toString();
        QCOMPARE(made.value("second").toString(), first);
        QVERIFY(!first.isEmpty());
        QCOMPARE(made.value("storedByFirst").toArray(), QJsonArray({ "device_id" }));
        QCOMPARE(made.value("storedBySecond").toInt(-1), 0);
        QCOMPARE(storedSetting("device_id").toString(), first);

        // The next run finds it and keeps it.
        const QJsonObject kept = Orvo::Testing::runChild("deviceId");
        QCOMPARE(kept.value("first").toString(), first);
        QCOMPARE(kept.value("second").toString(), first);
        QCOMPARE(kept.value("storedByFirst").toArray(), QJsonArray()); // already stored
        QCOMPARE(kept.value("storedBySecond").toInt(-1), 0);
        QCOMPARE(storedSetting("device_id").toString(), first);
    }

    void deviceIdStoredAfterStartIsUsed()
    {
        LocalStorage::instance()->remove("device_id");
        const QJsonObject result = Orvo::Testing::runChild("storedLater");
        QCOMPARE(result.value("deviceId").toString(), QString("stored-later"));
        QCOMPARE(storedSetting("device_id").toString(), QString("stored-later"));
    }

    void deviceNameIsTheHostName()
    {
        const QString host = QSysInfo::machineHostName();
        QCOMPARE(TokenManager::instance()->getDeviceName(),
                 host.isEmpty() ? QString("Windows PC") : host);
    }

    void storesEncryptionSettings_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<bool>("enabled");

        QTest::newRow("on") << "vpn-key" << true;
        QTest::newRow("off and empty") << "" << false;
    }

    void storesEncryptionSettings()
    {
        QFETCH(QString, key);
        QFETCH(bool, enabled);

        TokenManager *tokens = TokenManager::instance();
        QSignalSpy changes(LocalStorage::instance(), &LocalStorage::valueChanged);
        tokens->saveVpnEncryption(key, enabled);
        tokens->saveApiEncryption("api-" + key, enabled);
        QCOMPARE(tokens->getVpnEncryptKey(), key);
        QCOMPARE(changes.count(), 4);
        QCOMPARE(changes.at(0).at(0).toString(), QString("vpn_encrypt_key"));
        QCOMPARE(changes.at(1).at(0).toString(), QString("vpn_encrypt_enabled"));
        QCOMPARE(changes.at(2).at(0).toString(), QString("api_secret_key"));
        QCOMPARE(changes.at(3).at(0).toString(), QString("api_encrypt_enabled"));
        QCOMPARE(storedSetting("vpn_encrypt_enabled").toBool(), enabled);
        QCOMPARE(storedSetting("api_secret_key").toString(), "api-" + key);
        QCOMPARE(storedSetting("api_encrypt_enabled").toBool(), enabled);
    }

    void unreadableUserCountsAsLoggedOut()
    {
        LocalStorage::instance()->setString("auth_token", "tok-broken");
        LocalStorage::instance()->setString("user_info", "{not json");
        QCoreApplication::processEvents();
        const QJsonObject read = Orvo::Testing::runChild("read");
        QCOMPARE(read.value("token").toString(), QString("tok-broken"));
        QCOMPARE(read.value("loggedIn").toBool(), false);
        QCOMPARE(read.value("user").toObject(), User().toJson());
    }
};

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString mode = Orvo::Testing::childMode();
    if (!mode.isEmpty())
        return runChildStep(mode);
    TokenManagerTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_tokenmanager.moc"
