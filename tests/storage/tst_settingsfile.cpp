#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QSettings>
#include <QTest>

#include "ChildProcess.h"
#include "MessageLog.h"
#include "models/User.h"
#include "storage/LocalStorage.h"
#include "storage/TokenManager.h"

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#endif

using Orvo::Api::Models::User;
using Orvo::Api::Security::TokenManager;
using Orvo::Api::Storage::LocalStorage;
using Orvo::Testing::MessageLog;

namespace {

const QString kOldToken = QStringLiteral("tok-old");
const QString kNewToken = QStringLiteral("tok-new");

// Set for a child step that runs on a disk filled up after the start.
const char *const kDiskFullVariable = "ORVO_TEST_DISK_FULL";

User makeUser()
{
    User user;
    user.id = 42;
    user.email = QStringLiteral("a@b.c");
    user.status = QStringLiteral("active");
    return user;
}

QJsonArray logLines()
{
    return QJsonArray::fromStringList(MessageLog::instance()->lines());
}

// From here on no file of this process can grow, whoever runs it: a full
// disk, which stops root as well.
bool fillTheDisk()
{
#ifdef Q_OS_UNIX
    // A write past the limit fails instead of ending the process.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit {};
    if (::getrlimit(RLIMIT_FSIZE, &limit) != 0)
        return false;
    limit.rlim_cur = 0;
    return ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
#else
    return false;
#endif
}

// Steps of a run of the client, each in a process of its own.
int runChildStep(const QString &mode)
{
    MessageLog::instance();
    TokenManager *tokens = TokenManager::instance();
    LocalStorage *storage = LocalStorage::instance();
    // After the start has read the settings, before the first change.
    if (qEnvironmentVariableIsSet(kDiskFullVariable) && !fillTheDisk())
        return 2;
    if (mode == QLatin1String("start")) {
        // Only reads.
    } else if (mode == QLatin1String("signIn")) {
        tokens->saveLogin(kNewToken, makeUser());
        tokens->saveApiEncryption(QStringLiteral("api-key"), true);
        tokens->saveVpnEncryption(QStringLiteral("vpn-key"), true);
        tokens->getDeviceId();
    } else if (mode == QLatin1String("signOut")) {
        tokens->clearLogin();
    } else if (mode == QLatin1String("rewrite")) {
        for (int i = 0; i < 3; ++i)
            tokens->saveLogin(kNewToken + QString::number(i), makeUser());
        tokens->clearLogin();
        tokens->getDeviceId();
    } else if (mode == QLatin1String("recover")) {
        // The folder in the file's place goes away between two writes.
        tokens->saveLogin(kNewToken, makeUser());
        QDir().rmdir(storage->fileName());
        tokens->clearLogin();
    } else {
        return 2;
    }
    Orvo::Testing::writeChildResult({ { "fileName", storage->fileName() },
                                      { "loggedIn", tokens->isLoggedIn() },
                                      { "token", tokens->getToken() },
                                      { "lines", logLines() } });
    return 0;
}

QStringList toStrings(const QJsonValue &value)
{
    QStringList result;
    for (const QJsonValue &item : value.toArray())
        result << item.toString();
    return result;
}

QStringList startingWith(const QStringList &lines, const QString &prefix)
{
    QStringList result;
    for (const QString &line : lines) {
        if (line.startsWith(prefix))
            result << line;
    }
    return result;
}

int fileMode(const QString &path)
{
#ifdef Q_OS_UNIX
    struct stat info
    {
    };
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return -1;
    return int(info.st_mode & 07777);
#else
    Q_UNUSED(path);
    return -1;
#endif
}

QString octal(int mode)
{
    return QStringLiteral("0%1").arg(mode, 0, 8);
}

// A value of the file as the next start of the client reads it.
QVariant fileValue(const QString &path, const QString &key)
{
    return QSettings(path, QSettings::IniFormat).value(key);
}

} // namespace

class SettingsFileTest : public QObject
{
    Q_OBJECT

private:
    int m_rows = 0;
    QString m_dataHome;

    // A data folder of its own for each case, so every child starts on the
    // state the case has laid out.
    QString newDataHome()
    {
        m_dataHome = qEnvironmentVariable("HOME") + QStringLiteral("/cases/%1").arg(++m_rows);
        QDir().mkpath(appDataFolder());
        return m_dataHome;
    }

    QString appDataFolder() const
    {
        return m_dataHome + QLatin1Char('/') + QCoreApplication::applicationName();
    }

    QString settingsPath() const
    {
        return appDataFolder() + QStringLiteral("/tolvane_settings.ini");
    }

    QJsonObject runStep(const QString &mode, bool diskFull = false)
    {
        QMap<QString, QString> environment {
            { QString::fromLatin1(Orvo::Testing::childModeVariable()), mode },
            { QStringLiteral("XDG_DATA_HOME"), m_dataHome }
        };
        if (diskFull)
            environment.insert(QString::fromLatin1(kDiskFullVariable), QStringLiteral("1"));
        const Orvo::Testing::ProcessRun run
            = Orvo::Testing::runProcess(QCoreApplication::applicationFilePath(), {}, environment,
                                        20000, QProcess::ForwardedErrorChannel);
        if (!run.finishedNormally || run.exitCode != 0)
            return {};
        const QJsonObject result = Orvo::Testing::lastJsonLine(run.output);
        if (result.value("fileName").toString() != settingsPath())
            qWarning("the child used %s", qPrintable(result.value("fileName").toString()));
        return result;
    }

    // Under the most open default there is: the file's mode must not come from it.
    QJsonObject runStepUnderOpenUmask(const QString &mode)
    {
        const mode_t previous = ::umask(0);
        const QJsonObject result = runStep(mode);
        ::umask(previous);
        return result;
    }

    void writeOldLogin()
    {
        QSettings file(settingsPath(), QSettings::IniFormat);
        file.setValue("auth_token", kOldToken);
        file.sync();
    }

private slots:
    void cleanup()
    {
        // A folder left read-only would stop the next run's clean-up.
        if (!m_dataHome.isEmpty())
            QFile::setPermissions(appDataFolder(),
                                  QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                      | QFileDevice::ExeOwner);
    }

    void firstWriteIsOwnerOnly()
    {
#ifndef Q_OS_UNIX
        QSKIP("no POSIX permissions here");
#endif
        newDataHome();
        const QJsonObject start = runStepUnderOpenUmask("start");
        const QJsonObject signIn = runStepUnderOpenUmask("signIn");
        QCOMPARE(start.value("fileName").toString(), settingsPath());
        QCOMPARE(signIn.value("loggedIn").toBool(), true);
        QCOMPARE(fileValue(settingsPath(), "auth_token").toString(), kNewToken);
        QCOMPARE(octal(fileMode(settingsPath())), octal(0600));
    }

    void rewritesStayOwnerOnly()
    {
#ifndef Q_OS_UNIX
        QSKIP("no POSIX permissions here");
#endif
        newDataHome();
        const QJsonObject result = runStepUnderOpenUmask("rewrite");
        QCOMPARE(result.value("loggedIn").toBool(), false);
        QVERIFY(!fileValue(settingsPath(), "device_id").toString().isEmpty());
        QCOMPARE(octal(fileMode(settingsPath())), octal(0600));
        // Nothing of the settings is left beside the file.
        QCOMPARE(QDir(appDataFolder()).entryList(QDir::Files | QDir::Hidden),
                 QStringList { "tolvane_settings.ini" });
    }

    void existingFileIsTightenedAtStart_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("tightened");

        QTest::newRow("readable by all") << 0644 << true;
        QTest::newRow("writable by all") << 0666 << true;
        QTest::newRow("readable by the group") << 0640 << true;
        QTest::newRow("readable by others only") << 0604 << true;
        QTest::newRow("owner-only already") << 0600 << false;
    }

    void existingFileIsTightenedAtStart()
    {
#ifndef Q_OS_UNIX
        QSKIP("no POSIX permissions here");
#endif
        QFETCH(int, mode);
        QFETCH(bool, tightened);

        newDataHome();
        writeOldLogin();
        QVERIFY(::chmod(QFile::encodeName(settingsPath()).constData(), mode_t(mode)) == 0);
        QCOMPARE(octal(fileMode(settingsPath())), octal(mode));

        // A start that writes nothing.
        const QJsonObject result = runStep("start");
        QCOMPARE(result.value("token").toString(), kOldToken);
        QCOMPARE(octal(fileMode(settingsPath())), octal(0600));
        const QStringList lines = toStrings(result.value("lines"));
        QCOMPARE(lines.contains("[LocalStorage] 设置文件已改为仅本人可读写: " + settingsPath()),
                 tightened);
        QCOMPARE(fileValue(settingsPath(), "auth_token").toString(), kOldToken);
    }

    void unwritableFileIsNotReportedAsWritten_data()
    {
        QTest::addColumn<QString>("obstacle");
        QTest::addColumn<bool>("written");

        QTest::newRow("writable") << "none" << true;
        // Stops every user, root included: nothing can be written in the
        // place of a folder.
        QTest::newRow("a folder in the file's place") << "folder" << false;
        // What a user meets; root writes through it, so the row is skipped there.
        QTest::newRow("read-only settings folder") << "read-only" << false;
        // The settings object keeps the first error it met: the file's format
        // error, read at start, must not hide the failed writes after it.
        QTest::newRow("malformed file, then a full disk") << "malformed, full disk" << false;
    }

    void unwritableFileIsNotReportedAsWritten()
    {
        QFETCH(QString, obstacle);
        QFETCH(bool, written);

        newDataHome();
        if (obstacle == "folder") {
            QVERIFY(QDir().mkdir(settingsPath()));
        } else if (obstacle == "malformed, full disk") {
#ifndef Q_OS_UNIX
            QSKIP("no file size limit here");
#endif
            // The old login, then a section header cut off, as a write
            // broken off half-way leaves it.
            QFile file(settingsPath());
            QVERIFY(file.open(QIODevice::WriteOnly));
            QVERIFY(file.write("[General]\nauth_token=" + kOldToken.toUtf8() + "\n[Lay") > 0);
            file.close();
            QCOMPARE(QSettings(settingsPath(), QSettings::IniFormat).status(),
                     QSettings::FormatError);
        } else {
            writeOldLogin();
        }
        if (obstacle == "read-only") {
            QVERIFY(QFile::setPermissions(appDataFolder(),
                                          QFileDevice::ReadOwner | QFileDevice::ExeOwner
                                              | QFileDevice::ReadGroup | QFileDevice::ExeGroup
                                              | QFileDevice::ReadOther | QFileDevice::ExeOther));
            QFile probe(appDataFolder() + "/probe");
            if (probe.open(QIODevice::WriteOnly)) {
                probe.remove();
                QSKIP("a read-only folder does not stop this user (root): the folder row "
                      "covers it");
            }
        }

        const bool diskFull = obstacle == "malformed, full disk";
        const QJsonObject signIn = runStep("signIn", diskFull);
        const QJsonObject signOut = runStep("signOut", diskFull);
        QVERIFY(!signIn.isEmpty());
        QVERIFY(!signOut.isEmpty());

        // In memory the run goes on as before.
        QCOMPARE(signIn.value("loggedIn").toBool(), true);
        QCOMPARE(signIn.value("token").toString(), kNewToken);
        QCOMPARE(signOut.value("loggedIn").toBool(), false);

        const QStringList inLines = toStrings(signIn.value("lines"));
        const QStringList outLines = toStrings(signOut.value("lines"));
        const QStringList saved { "[TokenManager] Token已保存",
                                  "[TokenManager] 用户信息已保存: a@b.c",
                                  "[TokenManager] API加密配置已保存, 启用: true",
                                  "[TokenManager] VPN加密配置已保存, 启用: true" };
        for (const QString &line : saved)
            QVERIFY2(inLines.contains(line) == written, qPrintable(line));
        const QStringList cleared { "[TokenManager] Token已清除", "[TokenManager] 用户信息已清除" };
        for (const QString &line : cleared)
            QVERIFY2(outLines.contains(line) == written, qPrintable(line));
        QVERIFY(inLines.contains("[TokenManager] 登录成功: a@b.c"));
        QVERIFY(outLines.contains("[TokenManager] 已登出"));

        // One error line for each change that did not reach the file, naming it.
        const QString failure = "[LocalStorage] 设置文件写入失败: " + settingsPath() + " 键: ";
        QStringList keys;
        for (const QString &line : startingWith(inLines, failure) + startingWith(outLines, failure))
            keys << line.mid(failure.size());
        const QStringList expectedKeys = written
            ? QStringList()
            : QStringList { "auth_token",          "user_info",       "api_secret_key",
                            "api_encrypt_enabled", "vpn_encrypt_key", "vpn_encrypt_enabled",
                            "device_id",           "auth_token",      "user_info" };
        QCOMPARE(keys, expectedKeys);
        QCOMPARE(startingWith(inLines + outLines, "[LocalStorage] 设置文件写入失败").size(),
                 expectedKeys.size());

        // What the next start finds.
        if (obstacle == "none") {
            QVERIFY(!fileValue(settingsPath(), "auth_token").isValid());
            QCOMPARE(fileValue(settingsPath(), "vpn_encrypt_key").toString(), QString("vpn-key"));
        } else if (obstacle == "read-only" || diskFull) {
            // The sign-in is lost and the sign-out did not stick, as the log says.
            QCOMPARE(fileValue(settingsPath(), "auth_token").toString(), kOldToken);
            QVERIFY(!fileValue(settingsPath(), "vpn_encrypt_key").isValid());
        } else {
            QVERIFY(QFileInfo(settingsPath()).isDir());
        }
    }

    void writesAgainOnceTheFileCanBeWritten()
    {
        newDataHome();
        QVERIFY(QDir().mkdir(settingsPath()));
        const QJsonObject result = runStep("recover");
        const QStringList lines = toStrings(result.value("lines"));

        const QString failure = "[LocalStorage] 设置文件写入失败: " + settingsPath() + " 键: ";
        QCOMPARE(startingWith(lines, failure),
                 QStringList({ failure + "auth_token", failure + "user_info" }));
        QVERIFY(!lines.contains("[TokenManager] Token已保存"));
        QVERIFY(lines.contains("[TokenManager] Token已清除"));
        QVERIFY(lines.contains("[TokenManager] 用户信息已清除"));
        QVERIFY(QFileInfo(settingsPath()).isFile());
        QVERIFY(!fileValue(settingsPath(), "auth_token").isValid());
#ifdef Q_OS_UNIX
        QCOMPARE(octal(fileMode(settingsPath())), octal(0600));
#endif
    }
};

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString mode = Orvo::Testing::childMode();
    if (!mode.isEmpty())
        return runChildStep(mode);
    SettingsFileTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_settingsfile.moc"
