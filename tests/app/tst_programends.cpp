#include <QCoreApplication>
#include <QFile>
#include <QJsonObject>
#include <QProcess>
#include <QTest>

#include <csignal>
#include <optional>

#include "FakeService.h"
#include "FakeServiceFixture.h"
#include "ProgramRunFixture.h"
#include "SampleVmessLink.h"
#include "StandIns.h"
#include "vpn/LeftoverRepair.h"

using Orvo::Api::Vpn::LeftoverRepair;
using Orvo::Testing::FakeService;
using Orvo::Testing::isRunning;
using Orvo::Testing::StandIns;
using Orvo::Testing::verifyInOrder;
using Orvo::Testing::verifyNoSanitizerReport;

namespace {

constexpr int kStepTimeoutMs = 20000;

QStringList query(const QString &valueName)
{
    return { "reg", "query", StandIns::internetSettingsKey(), "/v", valueName };
}

// The program as a process of its own, watched while it runs.
class Program
{
public:
    explicit Program(const QString &connectLink = QString())
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        if (!connectLink.isEmpty())
            environment.insert(QStringLiteral("ORVO_PROBE_CONNECT"), connectLink);
        m_process.setProcessEnvironment(environment);
        // Started from a shell in the background, Ctrl+C would come ignored.
        m_process.setChildProcessModifier([]() { std::signal(SIGINT, SIG_DFL); });
        m_process.start(QStringLiteral(CONNECTED_PROBE), {});
    }

    ~Program()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }

    Program(const Program &) = delete;
    Program &operator=(const Program &) = delete;

    qint64 pid() const { return m_process.processId(); }
    void signal(int signalNumber) { ::kill(pid_t(m_process.processId()), signalNumber); }
    void crash() { m_process.kill(); }

    bool waitForOutput(const QByteArray &text)
    {
        return QTest::qWaitFor(
            [&]() {
                read();
                return m_output.contains(text);
            },
            kStepTimeoutMs);
    }

    bool waitForLog(const QString &text)
    {
        return QTest::qWaitFor(
            [&]() {
                read();
                return m_log.contains(text);
            },
            kStepTimeoutMs);
    }

    // The exit code of an end by itself, -1 for a crash or no end in time.
    int waitForEnd()
    {
        const bool ended = QTest::qWaitFor(
            [&]() { return m_process.state() == QProcess::NotRunning; }, kStepTimeoutMs);
        read();
        return ended && m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
    }

    QString log() const { return m_log; }

private:
    void read()
    {
        m_output += m_process.readAllStandardOutput();
        m_log += QString::fromUtf8(m_process.readAllStandardError());
    }

    QProcess m_process;
    QByteArray m_output;
    QString m_log;
};

} // namespace

// The program ended from outside while connected, run as a process against the
// fake service and the stand-ins: a termination request takes the road of
// closing the window, and what a crash leaves is repaired at the next start.
class ProgramEndsTest : public QObject
{
    Q_OBJECT

private:
    FakeService m_service;
    StandIns m_standIns;

    // Connected, with the core running and the system proxy on it: the core's id.
    qint64 connect(Program &program)
    {
        if (!program.waitForOutput("{\"connected\":true}"))
            return 0;
        const qint64 core = m_standIns.coreRuns().value(0).pid;
        return isRunning(core) && QFile::exists(StandIns::coreConfigPath())
                && m_standIns.registryValue("ProxyEnable") == QStringLiteral("1")
            ? core
            : 0;
    }

    void verifyEndsLikeClosing(int signalNumber)
    {
        Program program(Orvo::Testing::sampleVmessLink());
        const qint64 core = connect(program);
        QVERIFY2(core > 0, qPrintable(program.log().right(4000)));
        m_standIns.clearCalls();

        program.signal(signalNumber);

        QCOMPARE(program.waitForEnd(), 0);
        verifyNoSanitizerReport(program.log());
        verifyInOrder(program.log(),
                      { QStringLiteral("[QuitSignals] 收到信号 %1").arg(signalNumber),
                        "窗口正在关闭，断开VPN连接...", "[VpnConnectionService] 断开VPN连接",
                        "[VpnConnectionService] VPN已断开", "[QmlApiAdapter] 销毁" });
        QCOMPARE(m_standIns.proxyToolCalls(), StandIns::proxyClearingCommands());
        QCOMPARE(m_standIns.registryValue("ProxyEnable"), std::optional(QStringLiteral("0")));
        QVERIFY(!isRunning(core));
        QVERIFY(!QFile::exists(StandIns::coreConfigPath()));
        QVERIFY(!QFile::exists(LeftoverRepair::coreRecordPath()));
        // The connection's last heartbeat went out before the end.
        const QList<Orvo::Testing::RecordedRequest> heartbeats = m_service.requests("heartbeat");
        QVERIFY(!heartbeats.isEmpty());
        QCOMPARE(heartbeats.constLast().json().value("connection_status").toString(),
                 QStringLiteral("disconnected"));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_standIns.isValid());
        QVERIFY(Orvo::Testing::startAsServiceOf(QStringLiteral(CONNECTED_PROBE), m_service));
    }

    void init()
    {
        m_service.reset();
        Orvo::Testing::setSignedInReplies(m_service);
        Orvo::Testing::storeLoginAsEarlierRun();
        // The login store writes its file from the event loop.
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }

    void cleanup()
    {
        // No stand-in core outlives a failed case.
        for (const Orvo::Testing::StandInCall &run : m_standIns.coreRuns()) {
            if (isRunning(run.pid))
                ::kill(pid_t(run.pid), SIGKILL);
        }
        m_standIns.clearCalls();
    }

    void terminationWhileConnectedEndsLikeClosing() { verifyEndsLikeClosing(SIGTERM); }

    void interruptWhileConnectedEndsLikeClosing() { verifyEndsLikeClosing(SIGINT); }

    void crashWhileConnectedIsRepairedAtNextStart()
    {
        qint64 core = 0;
        {
            Program crashing(Orvo::Testing::sampleVmessLink());
            core = connect(crashing);
            QVERIFY2(core > 0, qPrintable(crashing.log().right(4000)));
            crashing.crash();
            QCOMPARE(crashing.waitForEnd(), -1);
        }
        // What the crash left: the core running on, the proxy on it, its file.
        QVERIFY(isRunning(core));
        QCOMPARE(m_standIns.registryValue("ProxyEnable"), std::optional(QStringLiteral("1")));
        QVERIFY(QFile::exists(StandIns::coreConfigPath()));
        m_standIns.clearCalls();

        Program next;
        QVERIFY2(next.waitForLog(QStringLiteral("应用程序启动成功！")),
                 qPrintable(next.log().right(4000)));
        // Repaired before the window was loaded, before any connection.
        verifyInOrder(
            next.log(),
            { QStringLiteral("[LeftoverRepair] 已结束上次运行遗留的XRay进程, PID: %1").arg(core),
              "[LeftoverRepair] 系统代理仍指向本程序的入口，清除: socks=127.0.0.1:10315",
              "[SystemProxyManager] 系统代理已清除",
              QStringLiteral("[LeftoverRepair] 已删除遗留的配置文件: ")
                  + StandIns::coreConfigPath(),
              "尝试加载URL:", "应用程序启动成功！" });
        QVERIFY(!isRunning(core));
        const QList<QStringList> repair
            = QList<QStringList> { query("ProxyEnable"), query("ProxyServer") }
            + StandIns::proxyClearingCommands();
        QCOMPARE(m_standIns.proxyToolCalls(), repair);
        QCOMPARE(m_standIns.registryValue("ProxyEnable"), std::optional(QStringLiteral("0")));
        QVERIFY(!QFile::exists(StandIns::coreConfigPath()));
        QVERIFY(!QFile::exists(LeftoverRepair::coreRecordPath()));

        m_standIns.clearCalls();
        next.signal(SIGTERM);
        QCOMPARE(next.waitForEnd(), 0);
        verifyNoSanitizerReport(next.log());
        // Nothing was connected: the end runs no tool.
        QCOMPARE(Orvo::Testing::describe(m_standIns.calls()), QStringList());
    }
};

QTEST_GUILESS_MAIN(ProgramEndsTest)

#include "tst_programends.moc"
