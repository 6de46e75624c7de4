#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

#include "StandIns.h"
#include "TestEngineTimings.h"
#include "vpn/V2RayCore.h"
#include "vpn/VmessConfig.h"

#include <optional>

Q_DECLARE_METATYPE(std::optional<QString>)

using Orvo::Api::Vpn::EngineTimings;
using Orvo::Api::Vpn::V2RayCore;
using Orvo::Api::Vpn::VmessConfig;
using Orvo::Testing::isRunning;
using Orvo::Testing::ScopedEngineTimings;
using Orvo::Testing::StandInBehaviour;
using Orvo::Testing::StandInCall;
using Orvo::Testing::StandIns;

namespace {
VmessConfig server()
{
    VmessConfig config;
    config.address = "hk1.orvo.example";
    config.port = 443;
    config.id = "0b3e7a52-6f51-4d8e-9a63-1c2d3e4f5a6b";
    config.network = "ws";
    config.path = "/ray";
    config.tls = "tls";
    return config;
}

// What the core reported, in order.
class CoreEvents
{
public:
    explicit CoreEvents(V2RayCore *core)
    {
        m_connections << QObject::connect(core, &V2RayCore::connected, core, [this] {
            m_events << "connected";
        }) << QObject::connect(core, &V2RayCore::disconnected, core, [this] {
            m_events << "disconnected";
        }) << QObject::connect(core, &V2RayCore::error, core, [this](const QString &text) {
            m_events << "error: " + text;
        }) << QObject::connect(core, &V2RayCore::logOutput, core, [this](const QString &text) {
            m_logs << text;
        });
    }
    // The core may outlive this record and still report while it is destroyed.
    ~CoreEvents()
    {
        for (const QMetaObject::Connection &connection : qAsConst(m_connections))
            QObject::disconnect(connection);
    }
    CoreEvents(const CoreEvents &) = delete;
    CoreEvents &operator=(const CoreEvents &) = delete;

    QStringList events() const { return m_events; }
    QStringList logs() const { return m_logs; }
    void clear()
    {
        m_events.clear();
        m_logs.clear();
    }

private:
    QList<QMetaObject::Connection> m_connections;
    QStringList m_events;
    QStringList m_logs;
};
} // namespace

class V2RayCoreTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        EngineTimings timings = Orvo::Testing::testEngineTimings();
        // Only countsTraffic wants ticks, and sets its own; the liveness checks
        // of others would hold up the reading of the core's output.
        timings.trafficTickMs = EngineTimings().trafficTickMs;
        EngineTimings::setForTesting(timings);
    }

    void init()
    {
        m_standIns.reset(new StandIns);
        QVERIFY(m_standIns->isValid());
    }

    void cleanup()
    {
        m_standIns.reset();
        if (QFile::exists(StandIns::corePath() + ".away"))
            QFile::rename(StandIns::corePath() + ".away", StandIns::corePath());
        QFile::setPermissions(StandIns::corePath(),
                              QFile::permissions(StandIns::corePath()) | QFile::ExeOwner);
    }

    void runsTheCoreWithItsConfiguration()
    {
        // A file left by someone else, readable by all, is not reused as it is.
        QFile stale(StandIns::coreConfigPath());
        QVERIFY(stale.open(QIODevice::WriteOnly));
        stale.write("stale");
        stale.close();
        QVERIFY(stale.setPermissions(stale.permissions() | QFile::ReadOther | QFile::ReadGroup));

        V2RayCore core;
        CoreEvents events(&core);
        QElapsedTimer clock;
        clock.start();
        QVERIFY(core.start(server()));

        // The run logs itself once it is up, which may be just after start() returns.
        QTRY_COMPARE(m_standIns->calls("xray.exe").size(), 2);
        const QList<StandInCall> calls = m_standIns->calls("xray.exe");
        QCOMPARE(calls.at(0).args, QStringList { "version" });
        QCOMPARE(calls.at(1).args,
                 QStringList({ "run", "-c", StandIns::coreConfigPath(), "--disable-color" }));
        QTRY_COMPARE(m_standIns->handedConfig(calls.at(1).pid),
                     V2RayCore::generateConfig(server()).toUtf8());

        // It holds the account's UUID: nobody but its owner may read it.
        const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup
            | QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
        QCOMPARE(QFile::permissions(StandIns::coreConfigPath()) & others, QFile::Permissions());

        QTRY_COMPARE_WITH_TIMEOUT(events.events(), QStringList { "connected" }, 5000);
        // A coarse timer may fire up to 5 % early.
        QVERIFY2(clock.elapsed() >= connectDelayMs() * 95 / 100,
                 qPrintable(QString::number(clock.elapsed())));

        // A second start while running is refused without a report.
        QTest::ignoreMessage(QtWarningMsg, "[V2RayCore] XRay已经在运行中");
        QVERIFY(!core.start(server()));
        QCOMPARE(m_standIns->calls("xray.exe").size(), 2);

        core.stop();
        QCOMPARE(events.events(), QStringList({ "connected", "disconnected" }));
        QVERIFY(!QFile::exists(StandIns::coreConfigPath()));
        QVERIFY(!isRunning(calls.at(1).pid));
        // Killing the process ran no tool: it ended within the wait.
        QCOMPARE(m_standIns->calls("taskkill").size(), 0);

        core.stop();
        QCOMPARE(events.events(), QStringList({ "connected", "disconnected" }));
    }

    void relaysOutput_data()
    {
        QTest::addColumn<std::optional<QString>>("stdOut");
        QTest::addColumn<std::optional<QString>>("stdErr");
        QTest::addColumn<QStringList>("relayed");

        QTest::newRow("usual output")
            << std::optional<QString>() << std::optional<QString>()
            << QStringList { "[XRay] Xray 1.8.24 (stand-in) started",
                             "[XRay错误] [ERROR] stand-in: upstream handshake refused" };
        QTest::newRow("fatal relayed, text trimmed")
            << std::optional<QString>("  \n") << std::optional<QString>("\n FATAL: no inbound \n")
            << QStringList { "[XRay错误] FATAL: no inbound" };
        QTest::newRow("own output, usual errors")
            << std::optional<QString>("ready\n") << std::optional<QString>()
            << QStringList { "[XRay] ready",
                             "[XRay错误] [ERROR] stand-in: upstream handshake refused" };
        QTest::newRow("lower-case error dropped")
            << std::optional<QString>("ready\n") << std::optional<QString>("an error, Error\n")
            << QStringList { "[XRay] ready" };
    }

    void relaysOutput()
    {
        QFETCH(std::optional<QString>, stdOut);
        QFETCH(std::optional<QString>, stdErr);
        QFETCH(QStringList, relayed);
        StandInBehaviour behaviour;
        behaviour.argsContain = "run";
        behaviour.stdOut = stdOut;
        behaviour.stdErr = stdErr;
        m_standIns->addBehaviour("xray.exe", behaviour);

        V2RayCore core;
        CoreEvents events(&core);
        QVERIFY(core.start(server()));
        QTRY_COMPARE(events.logs(), relayed);
        QTest::qWait(500);
        QCOMPARE(events.logs(), relayed);
        core.stop();
    }

    void reportsTheCoreEnding_data()
    {
        QTest::addColumn<bool>("crash");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("crash") << true
                               << QStringList { "error: XRay进程崩溃", "error: XRay进程崩溃",
                                                "disconnected" };
        QTest::newRow("exit with code 3") << false << QStringList { "disconnected" };
    }

    // Ended before the delay ran out, so it never reports `connected` either.
    void reportsTheCoreEnding()
    {
        QFETCH(bool, crash);
        QFETCH(QStringList, expected);
        StandInBehaviour behaviour;
        behaviour.argsContain = "run";
        behaviour.stdOut = QString();
        behaviour.stdErr = QString();
        behaviour.runForMs = 0;
        behaviour.crash = crash;
        behaviour.exitCode = 3;
        m_standIns->addBehaviour("xray.exe", behaviour);

        V2RayCore core;
        CoreEvents events(&core);
        QVERIFY(core.start(server()));
        // Waiting here handles the end before any timer can fire.
        auto *process = core.findChild<QProcess *>();
        QVERIFY(process);
        QVERIFY(process->waitForFinished(10000));
        QCOMPARE(events.events(), expected);
        QTest::qWait(outlastConnectDelayMs());
        QCOMPARE(events.events(), expected);
        // A core that ended by itself leaves its file until the next start.
        core.stop();
        QVERIFY(QFile::exists(StandIns::coreConfigPath()));
    }

    void refusesAMissingCore()
    {
        QVERIFY(QFile::rename(StandIns::corePath(), StandIns::corePath() + ".away"));
        V2RayCore core;
        CoreEvents events(&core);
        QVERIFY(!core.start(server()));
        QCOMPARE(events.events(),
                 QStringList { "error: ❌ XRay可执行文件不存在: " + StandIns::corePath() });
        QVERIFY(QFile::exists(StandIns::coreConfigPath()));
        QVERIFY(m_standIns->calls().isEmpty());
    }

    void reportsACoreTheSystemCannotStart()
    {
        QVERIFY(QFile::setPermissions(StandIns::corePath(), QFile::ReadOwner | QFile::WriteOwner));
        V2RayCore core;
        CoreEvents events(&core);
        QVERIFY(!core.start(server()));
        QCOMPARE(events.events(),
                 QStringList(
                     { "error: XRay启动失败，请检查文件是否存在", "error: ❌ XRay启动超时 (5秒)" }));
    }

    // The start's wait runs out while the process is on its way: it must not come
    // up afterwards as a core nobody knows about.
    void killsAStartThatTimedOut()
    {
        V2RayCore core;
        CoreEvents events(&core);
        core.setStartWaitForTesting([](QProcess *, int) { return false; });
        QVERIFY(!core.start(server()));
        QCOMPARE(events.events(), QStringList { "error: ❌ XRay启动超时 (5秒)" });

        const QList<StandInCall> runs = m_standIns->calls("xray.exe");
        QTest::qWait(outlastConnectDelayMs());
        QCOMPARE(events.events(), QStringList { "error: ❌ XRay启动超时 (5秒)" });
        for (const StandInCall &run : runs)
            QVERIFY(!isRunning(run.pid));
    }

    void goesOnWhenTheVersionProbeHangs()
    {
        StandInBehaviour hanging;
        hanging.argsContain = "version";
        hanging.hangMs = -1;
        m_standIns->addBehaviour("xray.exe", hanging);
        EngineTimings shortLimit = EngineTimings::current();
        // Long enough for the stand-in to log itself even on a loaded machine.
        shortLimit.versionTimeoutMs = 1500;
        const ScopedEngineTimings timings(shortLimit);
        V2RayCore core;
        QElapsedTimer clock;
        clock.start();
        QVERIFY(core.start(server()));
        QVERIFY(clock.elapsed() >= shortLimit.versionTimeoutMs * 9 / 10);
        QVERIFY(!m_standIns->calls("xray.exe").isEmpty());
        QVERIFY(!isRunning(m_standIns->calls("xray.exe").first().pid));
        core.stop();
    }

    void connectedOnlyFromTheLatestRunningStart_data()
    {
        QTest::addColumn<QString>("action");
        QTest::newRow("stopped within the delay") << "stop";
        QTest::newRow("restarted within the delay") << "restart";
    }

    void connectedOnlyFromTheLatestRunningStart()
    {
        QFETCH(QString, action);
        V2RayCore core;
        CoreEvents events(&core);
        // No event is handled between the start and the stop: the delay of the
        // first start is armed and has not elapsed.
        QVERIFY(core.start(server()));
        core.stop();
        QElapsedTimer clock;
        clock.start();
        if (action == "restart") {
            QVERIFY(core.start(server()));
            QTRY_COMPARE(events.events(), QStringList({ "disconnected", "connected" }));
            QVERIFY(clock.elapsed() >= connectDelayMs() * 95 / 100);
        }
        QTest::qWait(outlastConnectDelayMs());
        QCOMPARE(events.events(),
                 action == "restart" ? QStringList({ "disconnected", "connected" })
                                     : QStringList { "disconnected" });
        core.stop();
    }

    void countsTraffic_data()
    {
        QTest::addColumn<bool>("listed");
        QTest::newRow("core found by tasklist") << true;
        QTest::newRow("core missing from tasklist") << false;
    }

    void countsTraffic()
    {
        QFETCH(bool, listed);
        if (!listed) {
            StandInBehaviour missing;
            missing.stdOut = "INFO: No tasks are running which match the specified criteria.\n";
            m_standIns->addBehaviour("tasklist", missing);
        }
        EngineTimings fastTicks = EngineTimings::current();
        fastTicks.trafficTickMs = 20;
        const ScopedEngineTimings timings(fastTicks);
        V2RayCore core;
        QSignalSpy connected(&core, &V2RayCore::connected);
        QSignalSpy traffic(&core, &V2RayCore::trafficUpdate);
        QVERIFY(core.start(server()));
        QVERIFY(connected.wait(5000));
        QTRY_VERIFY_WITH_TIMEOUT(traffic.size() >= 25, 10000);
        const qint64 pid = m_standIns->calls("xray.exe").last().pid;
        core.stop();

        const QList<StandInCall> checks = m_standIns->calls("tasklist");
        QVERIFY(checks.size() >= 2);
        for (const StandInCall &check : checks)
            QCOMPARE(check.args, QStringList({ "/FI", QStringLiteral("PID eq %1").arg(pid) }));

        qint64 upload = 0;
        qint64 download = 0;
        int slowTicks = 0;
        for (const QList<QVariant> &tick : traffic) {
            const qint64 up = tick.at(0).toLongLong() - upload;
            const qint64 down = tick.at(1).toLongLong() - download;
            upload = tick.at(0).toLongLong();
            download = tick.at(1).toLongLong();
            if (up >= 3000) {
                QVERIFY2(up <= 9999 && down >= 15000 && down <= 59999,
                         qPrintable(QStringLiteral("%1 %2").arg(up).arg(down)));
            } else {
                QVERIFY2(up >= 100 && up <= 299 && down >= 300 && down <= 999,
                         qPrintable(QStringLiteral("%1 %2").arg(up).arg(down)));
                ++slowTicks;
            }
        }
        // Every check that missed the core made its own tick a slow one, and only those.
        QCOMPARE(slowTicks, listed ? 0 : int(checks.size()));
    }

private:
    static int connectDelayMs() { return EngineTimings::current().connectDelayMs; }
    // Long enough for a `connected` that should not come to have come.
    static int outlastConnectDelayMs() { return 3 * connectDelayMs(); }

    std::unique_ptr<StandIns> m_standIns;
};

QTEST_GUILESS_MAIN(V2RayCoreTest)
#include "tst_v2raycore.moc"
