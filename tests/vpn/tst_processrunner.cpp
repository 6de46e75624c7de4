#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "StandIns.h"
#include "vpn/EngineTimings.h"
#include "vpn/ProcessRunner.h"

using Orvo::Api::Vpn::EngineTimings;
using Orvo::Api::Vpn::ProcessResult;
using Orvo::Api::Vpn::ProcessRunner;
using Orvo::Testing::isRunning;
using Orvo::Testing::StandInBehaviour;
using Orvo::Testing::StandIns;

Q_DECLARE_METATYPE(StandInBehaviour)

// The bounded runner, driven against the stand-ins of the outside programs.
class ProcessRunnerTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_standIns.reset(new StandIns);
        QVERIFY(m_standIns->isValid());
    }

    void cleanup() { m_standIns.reset(); }

    void passesArgumentsExactly_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("args");
        QTest::newRow("reg with blanks and an empty value")
            << "reg"
            << QStringList {
                   "add", R"(HKCU\Software\Some Key)", "/v", "ProxyServer", "/d", "", "/f"
               };
        QTest::newRow("quotes and non-ascii")
            << "netsh" << QStringList { "interface", "ip", R"(name="以太网 2")", "a\"b" };
        QTest::newRow("no arguments") << "setx" << QStringList {};
    }

    void passesArgumentsExactly()
    {
        QFETCH(QString, program);
        QFETCH(QStringList, args);
        const ProcessResult result
            = ProcessRunner::run(program, args, EngineTimings().toolTimeoutMs);
        QVERIFY(result.succeeded());
        const auto calls = m_standIns->calls();
        QCOMPARE(calls.size(), 1);
        QCOMPARE(calls.first().program, program);
        QCOMPARE(calls.first().args, args);
    }

    void reportsExitCodeAndErrorText()
    {
        StandInBehaviour failing;
        failing.exitCode = 1;
        failing.stdErr = "ERROR: Access is denied.\n";
        failing.argsContain = "ProxyEnable";
        m_standIns->addBehaviour("reg", failing);

        const ProcessResult refused
            = ProcessRunner::run("reg", { "add", "ProxyEnable" }, EngineTimings().toolTimeoutMs);
        QVERIFY(refused.finished);
        QVERIFY(!refused.succeeded());
        QCOMPARE(refused.exitCode, 1);
        QCOMPARE(refused.standardError, QByteArray("ERROR: Access is denied.\n"));

        // The rule names one argument; other calls keep the usual answer.
        const ProcessResult other
            = ProcessRunner::run("reg", { "add", "ProxyServer" }, EngineTimings().toolTimeoutMs);
        QVERIFY(other.succeeded());
        QCOMPARE(other.standardOutput, QByteArray("The operation completed successfully.\n\n"));
    }

    void killsARunPastItsLimit_data()
    {
        QTest::addColumn<bool>("ignoreTerm");
        QTest::newRow("hangs") << false;
        QTest::newRow("hangs and ignores SIGTERM") << true;
    }

    void killsARunPastItsLimit()
    {
        QFETCH(bool, ignoreTerm);
        StandInBehaviour hanging;
        hanging.hangMs = -1;
        hanging.ignoreTerm = ignoreTerm;
        m_standIns->addBehaviour("netsh", hanging);

        QElapsedTimer clock;
        clock.start();
        // Long enough for the stand-in to log itself even on a loaded machine.
        const ProcessResult result = ProcessRunner::run("netsh", { "winhttp" }, 1500);
        QVERIFY(clock.elapsed() >= 1500);
        QVERIFY(clock.elapsed() < 5000);
        QVERIFY(result.started);
        QVERIFY(!result.finished);
        QVERIFY(!result.succeeded());
        QVERIFY(!result.errorString.isEmpty());

        // Nothing of the killed run is left behind.
        const qint64 pid = m_standIns->calls("netsh").value(0).pid;
        QVERIFY(pid > 0);
        QVERIFY(!isRunning(pid));
    }

    void reportsACrash()
    {
        StandInBehaviour crashing;
        crashing.crash = true;
        m_standIns->addBehaviour("setx", crashing);
        const ProcessResult result = ProcessRunner::run("setx", { "http_proxy", "" }, 5000);
        QVERIFY(result.finished);
        QCOMPARE(result.exitStatus, QProcess::CrashExit);
        QVERIFY(!result.succeeded());
    }

    void reportsAMissingProgram()
    {
        const ProcessResult result = ProcessRunner::run("orvo-no-such-tool", {}, 5000);
        QVERIFY(!result.started);
        QVERIFY(!result.succeeded());
    }

    void toolRunLogsItsFailure_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<StandInBehaviour>("behaviour");
        QTest::addColumn<int>("timeoutMs");
        QTest::addColumn<bool>("succeeds");
        QTest::addColumn<QStringList>("warnings");

        QTest::newRow("success") << "reg" << StandInBehaviour() << 5000 << true << QStringList();
        StandInBehaviour refused;
        refused.exitCode = 1;
        refused.stdErr = QStringLiteral("错误: 拒绝访问。");
        QTest::newRow("exit code 1")
            << "reg" << refused << 5000 << false
            << QStringList { "[SystemProxyManager] 命令执行失败, 退出码: 1",
                             "[SystemProxyManager] 错误输出: 错误: 拒绝访问。" };
        StandInBehaviour hanging;
        hanging.hangMs = -1;
        QTest::newRow("past the limit")
            << "netsh" << hanging << 500 << false
            << QStringList { "[SystemProxyManager] 命令执行超时: netsh" };
        QTest::newRow("missing program")
            << "orvo-no-such-tool" << StandInBehaviour() << 5000 << false
            << QStringList { "[SystemProxyManager] 命令执行超时: orvo-no-such-tool" };
    }

    void toolRunLogsItsFailure()
    {
        QFETCH(QString, program);
        QFETCH(StandInBehaviour, behaviour);
        QFETCH(int, timeoutMs);
        QFETCH(bool, succeeds);
        QFETCH(QStringList, warnings);
        m_standIns->addBehaviour(program, behaviour);

        QTest::failOnWarning(QRegularExpression(QStringLiteral(".")));
        for (const QString &warning : warnings)
            QTest::ignoreMessage(QtWarningMsg, qPrintable(warning));
        QCOMPARE(ProcessRunner::runTool(QStringLiteral("[SystemProxyManager]"), program,
                                        { "add", "ProxyEnable" }, timeoutMs),
                 succeeds);
    }

    void coreAnswersVersionAndKeepsItsConfiguration()
    {
        const ProcessResult version = ProcessRunner::run(StandIns::corePath(), { "version" }, 3000);
        QVERIFY(version.succeeded());
        QVERIFY(version.standardOutput.startsWith("Xray "));

        QTemporaryDir temp;
        const QString configPath = temp.filePath("config.json");
        QFile config(configPath);
        QVERIFY(config.open(QIODevice::WriteOnly));
        config.write("{\"log\": {}}");
        config.close();

        QProcess core;
        core.start(StandIns::corePath(), { "run", "-c", configPath, "--disable-color" });
        QVERIFY(core.waitForStarted(5000));
        QByteArray output;
        QTRY_VERIFY((output += core.readAllStandardOutput()).contains("started"));
        QByteArray errors;
        QTRY_VERIFY((errors += core.readAllStandardError()).contains("[ERROR]"));
        QVERIFY(errors.contains("[Info]"));
        QCOMPARE(m_standIns->handedConfig(core.processId()), QByteArray("{\"log\": {}}"));

        // It keeps running until it is killed; the tools see it and can end it.
        QVERIFY(!core.waitForFinished(300));
        const QString pid = QString::number(core.processId());
        const ProcessResult listed = ProcessRunner::run("tasklist", { "/FI", "PID eq " + pid },
                                                        EngineTimings().toolTimeoutMs);
        QVERIFY(listed.standardOutput.contains("xray.exe"));
        QVERIFY(ProcessRunner::run("taskkill", { "/F", "/PID", pid }, 5000).succeeded());
        QVERIFY(core.waitForFinished(2000));
        const ProcessResult gone = ProcessRunner::run("tasklist", { "/FI", "PID eq " + pid },
                                                      EngineTimings().toolTimeoutMs);
        QVERIFY(!gone.standardOutput.contains("xray.exe"));
    }

    void taskkillLeavesOtherProcessesAlone()
    {
        const ProcessResult result = ProcessRunner::run(
            "taskkill", { "/F", "/PID", QString::number(QCoreApplication::applicationPid()) },
            5000);
        QVERIFY(result.finished);
        QCOMPARE(result.exitCode, 128);
    }

private:
    std::unique_ptr<StandIns> m_standIns;
};

QTEST_GUILESS_MAIN(ProcessRunnerTest)
#include "tst_processrunner.moc"
