#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include "StandIns.h"
#include "TestEngineTimings.h"
#include "vpn/SystemProxyManager.h"

using Orvo::Api::Vpn::EngineTimings;
using Orvo::Api::Vpn::SystemProxyManager;
using Orvo::Testing::isRunning;
using Orvo::Testing::StandInBehaviour;
using Orvo::Testing::StandInCall;
using Orvo::Testing::StandIns;

namespace {

const QString kEngineUrl = QStringLiteral("socks://127.0.0.1:10315");
const QString kKey = QStringLiteral("HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet "
                                    "Settings");

// Declared in here, so that the overload for command names below does not hide it.
using Orvo::Testing::describe;

struct Command
{
    QString program;
    QStringList args;
    QString argsContain; // picks this command out for a stand-in rule
};

// The commands by the names the tables use; server and URL belong to the
// engine's proxy unless given.
Command command(const QString &id, const QString &server = QStringLiteral("socks=127.0.0.1:10315"),
                const QString &url = kEngineUrl)
{
    const QString reg = QStringLiteral("reg");
    const QString netsh = QStringLiteral("netsh");
    const QString setx = QStringLiteral("setx");
    if (id == "S1")
        return { reg,
                 { "add", kKey, "/v", "ProxyEnable", "/t", "REG_DWORD", "/d", "1", "/f" },
                 "ProxyEnable" };
    if (id == "S2")
        return { reg,
                 { "add", kKey, "/v", "ProxyServer", "/t", "REG_SZ", "/d", server, "/f" },
                 "ProxyServer" };
    if (id == "S3")
        return { netsh,
                 { "winhttp", "set", "proxy", QStringLiteral("proxy-server=\"%1\"").arg(server),
                   "bypass-list=\"<local>\"" },
                 "set proxy" };
    if (id == "S4")
        return { setx, { "http_proxy", url }, "http_proxy" };
    if (id == "S5")
        return { setx, { "https_proxy", url }, "https_proxy" };
    if (id == "S6")
        return { netsh, { "winhttp", "import", "proxy", "source=ie" }, "import" };
    if (id == "C1")
        return { reg,
                 { "add", kKey, "/v", "ProxyEnable", "/t", "REG_DWORD", "/d", "0", "/f" },
                 "ProxyEnable" };
    if (id == "C2")
        return { netsh, { "winhttp", "reset", "proxy" }, "reset" };
    if (id == "C3")
        return { setx, { "http_proxy", QString() }, "http_proxy" };
    if (id == "C4")
        return { setx, { "https_proxy", QString() }, "https_proxy" };
    qFatal("unknown command %s", qPrintable(id));
}

QStringList describe(const QStringList &ids)
{
    QStringList result;
    for (const QString &id : ids) {
        const Command c = command(id);
        result << describe(c.program, c.args);
    }
    return result;
}

} // namespace

class SystemProxyManagerTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<StandIns> m_standIns;

    void failCommand(const QString &id, int exitCode = 1)
    {
        const Command c = command(id);
        StandInBehaviour behaviour;
        behaviour.argsContain = c.argsContain;
        behaviour.exitCode = exitCode;
        m_standIns->addBehaviour(c.program, behaviour);
    }

    void hangCommand(const QString &id)
    {
        const Command c = command(id);
        StandInBehaviour behaviour;
        behaviour.argsContain = c.argsContain;
        behaviour.hangMs = -1;
        m_standIns->addBehaviour(c.program, behaviour);
    }

private slots:
    void init()
    {
        m_standIns = std::make_unique<StandIns>();
        QVERIFY(m_standIns->isValid());
    }

    void cleanup() { m_standIns.reset(); }

    void setPointsEveryPlaceAtTheProxy_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("server");

        QTest::newRow("engine") << kEngineUrl << "socks=127.0.0.1:10315";
        QTest::newRow("socks5 is written as socks") << "socks5://127.0.0.1:1080"
                                                    << "socks=127.0.0.1:1080";
        QTest::newRow("http") << "http://proxy.example:8080"
                              << "http=proxy.example:8080";
        // The parsed scheme is lower case, so the rewrite applies as well.
        QTest::newRow("SOCKS5 in capitals") << "SOCKS5://127.0.0.1:1080"
                                            << "socks=127.0.0.1:1080";
    }

    void setPointsEveryPlaceAtTheProxy()
    {
        QFETCH(QString, url);
        QFETCH(QString, server);

        QVERIFY(SystemProxyManager::setSystemProxy(url));

        QStringList expected;
        for (const QString id : { "S1", "S2", "S3", "S4", "S5", "S6" }) {
            const Command c = command(id, server, url);
            expected << describe(c.program, c.args);
        }
        QCOMPARE(describe(m_standIns->calls()), expected);
    }

    void setFailures_data()
    {
        QTest::addColumn<QStringList>("failing");
        QTest::addColumn<QStringList>("run");
        QTest::addColumn<bool>("result");

        const QStringList all { "S1", "S2", "S3", "S4", "S5", "S6" };
        QTest::newRow("ProxyEnable") << QStringList { "S1" } << QStringList { "S1" } << false;
        QTest::newRow("ProxyServer keeps ProxyEnable at 1")
            << QStringList { "S2" } << QStringList { "S1", "S2" } << false;
        QTest::newRow("WinHTTP") << QStringList { "S3" } << all << true;
        QTest::newRow("http_proxy skips https_proxy")
            << QStringList { "S4" } << QStringList { "S1", "S2", "S3", "S4", "S6" } << true;
        QTest::newRow("https_proxy") << QStringList { "S5" } << all << true;
        QTest::newRow("import") << QStringList { "S6" } << all << true;
        QTest::newRow("everything after the registry")
            << QStringList { "S3", "S4", "S6" } << QStringList { "S1", "S2", "S3", "S4", "S6" }
            << true;
    }

    void setFailures()
    {
        QFETCH(QStringList, failing);
        QFETCH(QStringList, run);
        QFETCH(bool, result);

        for (const QString &id : failing)
            failCommand(id);

        QCOMPARE(SystemProxyManager::setSystemProxy(kEngineUrl), result);
        QCOMPARE(describe(m_standIns->calls()), describe(run));
    }

    void clearFailures_data()
    {
        QTest::addColumn<QStringList>("failing");
        QTest::addColumn<bool>("result");

        QTest::newRow("none") << QStringList {} << true;
        // Turning the proxy off in the registry is what the result reports;
        // the rest still has to be taken back when it fails.
        QTest::newRow("ProxyEnable") << QStringList { "C1" } << false;
        QTest::newRow("WinHTTP reset") << QStringList { "C2" } << true;
        QTest::newRow("http_proxy") << QStringList { "C3" } << true;
        QTest::newRow("https_proxy") << QStringList { "C4" } << true;
        QTest::newRow("import") << QStringList { "S6" } << true;
        QTest::newRow("every step") << QStringList { "C1", "C2", "C3", "C4", "S6" } << false;
    }

    void clearFailures()
    {
        QFETCH(QStringList, failing);
        QFETCH(bool, result);

        for (const QString &id : failing)
            failCommand(id);

        QCOMPARE(SystemProxyManager::clearSystemProxy(), result);
        QCOMPARE(describe(m_standIns->calls()),
                 describe(QStringList { "C1", "C2", "C3", "C4", "S6" }));
    }

    void failedCommandIsLogged()
    {
        const Command c = command("S2");
        StandInBehaviour behaviour;
        behaviour.argsContain = c.argsContain;
        behaviour.exitCode = 5;
        behaviour.stdErr = QStringLiteral("错误: 拒绝访问。");
        m_standIns->addBehaviour(c.program, behaviour);

        QTest::ignoreMessage(QtWarningMsg, "[SystemProxyManager] 命令执行失败, 退出码: 5");
        QTest::ignoreMessage(QtWarningMsg, "[SystemProxyManager] 错误输出: 错误: 拒绝访问。");
        QTest::ignoreMessage(QtWarningMsg, "[SystemProxyManager] 设置ProxyServer失败");
        QVERIFY(!SystemProxyManager::setSystemProxy(kEngineUrl));
    }

    void refusesUrlBeforeAnyCommand_data()
    {
        QTest::addColumn<QString>("url");

        QTest::newRow("no port") << "socks://127.0.0.1";
        QTest::newRow("port 0") << "socks://127.0.0.1:0";
        QTest::newRow("no host") << "socks://:10315";
        QTest::newRow("no scheme") << "127.0.0.1:10315";
        QTest::newRow("empty") << "";
        QTest::newRow("bad port") << "socks://127.0.0.1:port";
    }

    void refusesUrlBeforeAnyCommand()
    {
        QFETCH(QString, url);

        QTest::ignoreMessage(QtWarningMsg,
                             qPrintable("[SystemProxyManager] 无效的代理URL: " + url));
        QVERIFY(!SystemProxyManager::setSystemProxy(url));
        QVERIFY(m_standIns->calls().isEmpty());
    }

    void hangingCommandIsCutOffAtTheLimit_data()
    {
        QTest::addColumn<bool>("clearing");
        QTest::addColumn<QString>("hanging");
        QTest::addColumn<QStringList>("run");
        QTest::addColumn<bool>("result");

        QTest::newRow("set: registry") << false << "S1" << QStringList { "S1" } << false;
        QTest::newRow("set: WinHTTP")
            << false << "S3" << QStringList { "S1", "S2", "S3", "S4", "S5", "S6" } << true;
        QTest::newRow("clear: registry")
            << true << "C1" << QStringList { "C1", "C2", "C3", "C4", "S6" } << false;
        QTest::newRow("clear: http_proxy")
            << true << "C3" << QStringList { "C1", "C2", "C3", "C4", "S6" } << true;
    }

    void hangingCommandIsCutOffAtTheLimit()
    {
        QFETCH(bool, clearing);
        QFETCH(QString, hanging);
        QFETCH(QStringList, run);
        QFETCH(bool, result);

        // Short for the hanging tool, and still ample for each of the others.
        EngineTimings timings;
        timings.toolTimeoutMs = 1000;
        const Orvo::Testing::ScopedEngineTimings limit(timings);
        hangCommand(hanging);
        const Command hung = command(hanging);

        QTest::ignoreMessage(QtWarningMsg,
                             qPrintable("[SystemProxyManager] 命令执行超时: " + hung.program));
        const bool ok = clearing ? SystemProxyManager::clearSystemProxy()
                                 : SystemProxyManager::setSystemProxy(kEngineUrl);
        QCOMPARE(ok, result);

        const QList<StandInCall> calls = m_standIns->calls();
        QCOMPARE(describe(calls), describe(run));
        // Left running, the tool could still change the setting later.
        for (const StandInCall &call : calls)
            QVERIFY2(!isRunning(call.pid), qPrintable(describe(call.program, call.args)));
    }

    void missingToolsFailBothOperations()
    {
        QTemporaryDir empty;
        QVERIFY(empty.isValid());
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(empty.path()));

        QTest::ignoreMessage(QtWarningMsg, "[SystemProxyManager] 命令执行超时: reg");
        QTest::ignoreMessage(QtWarningMsg, "[SystemProxyManager] 设置ProxyEnable失败");
        const bool set = SystemProxyManager::setSystemProxy(kEngineUrl);

        QTest::ignoreMessage(QtWarningMsg, "[SystemProxyManager] 命令执行超时: reg");
        QTest::ignoreMessage(QtWarningMsg, "[SystemProxyManager] 清除ProxyEnable失败");
        QTest::ignoreMessage(QtWarningMsg, "[SystemProxyManager] 命令执行超时: netsh");
        QTest::ignoreMessage(QtWarningMsg, "[SystemProxyManager] 重置WinHTTP代理失败");
        QTest::ignoreMessage(QtWarningMsg, "[SystemProxyManager] 命令执行超时: setx");
        QTest::ignoreMessage(QtWarningMsg, "[SystemProxyManager] 清除http_proxy失败");
        QTest::ignoreMessage(QtWarningMsg, "[SystemProxyManager] 命令执行超时: setx");
        QTest::ignoreMessage(QtWarningMsg, "[SystemProxyManager] 清除https_proxy失败");
        QTest::ignoreMessage(QtWarningMsg, "[SystemProxyManager] 命令执行超时: netsh");
        const bool cleared = SystemProxyManager::clearSystemProxy();

        qputenv("PATH", path);
        QVERIFY(!set);
        QVERIFY(!cleared);
        QVERIFY(m_standIns->calls().isEmpty());
    }
};

QTEST_GUILESS_MAIN(SystemProxyManagerTest)
#include "tst_systemproxymanager.moc"
