#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

#include <csignal>
#include <memory>
#include <optional>
#include <vector>

#include "ChildProcess.h"
#include "MessageLog.h"
#include "StandIns.h"
#include "TestEngineTimings.h"
#include "vpn/LeftoverRepair.h"
#include "vpn/V2RayCore.h"
#include "vpn/VmessConfig.h"

using Orvo::Api::Vpn::LeftoverRepair;
using Orvo::Api::Vpn::V2RayCore;
using Orvo::Api::Vpn::VmessConfig;
using Orvo::Testing::isRunning;
using Orvo::Testing::MessageLog;
using Orvo::Testing::ScopedEngineTimings;
using Orvo::Testing::StandIns;

namespace {

// What a run that did not end cleanly left in place of its core.
enum class LeftCore {
    None, // no record
    StandInCore, // the recorded core still runs
    OtherProgram, // the recorded id now belongs to another program
    Ended, // the recorded core has ended
};

const QString kOurProxy = QStringLiteral("socks=127.0.0.1:10315");
const QString kChildCorePid = QStringLiteral("ORVO_LEFT_CORE_PID");

QStringList query(const QString &valueName)
{
    return { "reg", "query", StandIns::internetSettingsKey(), "/v", valueName };
}

void leaveConfiguration()
{
    QFile file(V2RayCore::configFilePath());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("{\"outbounds\": [{\"uuid\": \"9b3c2f4e-1a2b-4c3d-8e9f-0a1b2c3d4e5f\"}]}");
}

QStringList repairLines()
{
    return MessageLog::instance()->startingWith(QStringLiteral("[LeftoverRepair]"));
}

VmessConfig server()
{
    VmessConfig config;
    config.address = "hk1.orvo.example";
    config.port = 443;
    config.id = "0b3e7a52-6f51-4d8e-9a63-1c2d3e4f5a6b";
    return config;
}

// The expected lines with the left core's id and the core's configuration put in.
QStringList filledIn(QStringList lines, qint64 pid)
{
    for (QString &line : lines)
        line.replace("<pid>", QString::number(pid))
            .replace("<config>", V2RayCore::configFilePath());
    return lines;
}

// A copy of this program that keeps a core's record, as a run still going on.
int keepARecord()
{
    LeftoverRepair::recordCore(qEnvironmentVariable(qPrintable(kChildCorePid)).toLongLong(),
                               StandIns::corePath());
    Orvo::Testing::writeChildResult({ { "ready", true } });
    QThread::sleep(30);
    return 0;
}

} // namespace

Q_DECLARE_METATYPE(LeftCore)

// What the next start repairs after a run that crashed or was killed, played
// with the stand-ins: the core the run left, the system proxy on the core's
// inbound and the core's configuration.
class LeftoverRepairTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<StandIns> m_standIns;
    std::vector<std::unique_ptr<QProcess>> m_processes;

    qint64 startProcess(const QString &program, const QStringList &arguments,
                        const QMap<QString, QString> &environment = {})
    {
        auto process = std::make_unique<QProcess>();
        QProcessEnvironment childEnvironment = QProcessEnvironment::systemEnvironment();
        for (auto it = environment.cbegin(); it != environment.cend(); ++it)
            childEnvironment.insert(it.key(), it.value());
        process->setProcessEnvironment(childEnvironment);
        process->start(program, arguments);
        if (!process->waitForStarted(5000))
            return 0;
        const qint64 pid = process->processId();
        m_processes.push_back(std::move(process));
        return pid;
    }

    // A core as the engine leaves it behind: running, with its record.
    qint64 leaveCore(LeftCore kind)
    {
        qint64 pid = 0;
        if (kind == LeftCore::StandInCore) {
            pid = startProcess(StandIns::corePath(),
                               { "run", "-c", V2RayCore::configFilePath(), "--disable-color" });
        } else if (kind == LeftCore::OtherProgram) {
            pid = startProcess(QStringLiteral("sleep"), { "30" });
        } else if (kind == LeftCore::Ended) {
            pid = startProcess(StandIns::corePath(), { "version" });
            m_processes.back()->waitForFinished(5000);
        }
        if (pid > 0)
            LeftoverRepair::recordCore(pid, StandIns::corePath());
        return pid;
    }

    void seedProxy(const QString &enable, const QString &server)
    {
        if (!enable.isEmpty())
            m_standIns->setRegistryValue(QStringLiteral("ProxyEnable"), "REG_DWORD", enable);
        if (!server.isEmpty())
            m_standIns->setRegistryValue(QStringLiteral("ProxyServer"), "REG_SZ", server);
    }

    static void addLayerColumn() { QTest::addColumn<bool>("windowsTools"); }

    static QString layerName(bool windowsTools)
    {
        return windowsTools ? QStringLiteral(" (tasklist, taskkill)") : QStringLiteral(" (/proc)");
    }

    // The rows of one way of finding and ending the core: the /proc of Linux,
    // or the tools of Windows.
    static void addRepairRows(bool windowsTools)
    {
        addLayerColumn();
        QTest::addColumn<LeftCore>("leftCore");
        QTest::addColumn<bool>("configLeft");
        QTest::addColumn<QString>("proxyEnable");
        QTest::addColumn<QString>("proxyServer");
        // The reg, netsh and setx command lines, in order.
        QTest::addColumn<QList<QStringList>>("proxyCommands");
        QTest::addColumn<QString>("proxyEnableAfter");
        // "<pid>" stands for the recorded id, "<config>" for the file.
        QTest::addColumn<QStringList>("lines");

        const QList<QStringList> reads { query("ProxyEnable"), query("ProxyServer") };
        const QString ended
            = QStringLiteral("[LeftoverRepair] 已结束上次运行遗留的XRay进程, PID: <pid>");
        const QString gone
            = QStringLiteral("[LeftoverRepair] 记录的XRay进程已不在运行, PID: <pid>");
        const QString cleared
            = QStringLiteral("[LeftoverRepair] 系统代理仍指向本程序的入口，清除: ") + kOurProxy;
        const QString deleted = QStringLiteral("[LeftoverRepair] 已删除遗留的配置文件: <config>");

        {
            const QString layer = layerName(windowsTools);
            QTest::newRow(qPrintable("a crash left behind" + layer))
                << windowsTools << LeftCore::StandInCore << true << "1" << kOurProxy
                << reads + StandIns::proxyClearingCommands() << "0"
                << QStringList { ended, cleared, deleted };
            QTest::newRow(qPrintable("the proxy set to another address" + layer))
                << windowsTools << LeftCore::StandInCore << true << "1"
                << "http=10.1.2.3:8080" << reads << "1"
                << QStringList { ended,
                                 "[LeftoverRepair] 系统代理指向其他地址，保持不变: "
                                 "http=10.1.2.3:8080",
                                 deleted };
            QTest::newRow(qPrintable("the recorded id now another program's" + layer))
                << windowsTools << LeftCore::OtherProgram << true << "1" << kOurProxy
                << reads + StandIns::proxyClearingCommands() << "0"
                << QStringList { gone, cleared, deleted };
            QTest::newRow(qPrintable("a core that ended, the proxy off" + layer))
                << windowsTools << LeftCore::Ended << true << "0" << kOurProxy
                << QList<QStringList> { query("ProxyEnable") } << "0"
                << QStringList { gone, "[LeftoverRepair] 系统代理未启用，保持不变", deleted };
            QTest::newRow(qPrintable("only the configuration" + layer))
                << windowsTools << LeftCore::None << true << "1" << kOurProxy
                << reads + StandIns::proxyClearingCommands() << "0"
                << QStringList { cleared, deleted };
            QTest::newRow(qPrintable("only the record" + layer))
                << windowsTools << LeftCore::StandInCore << false << "1"
                << "http=127.0.0.1:8888;socks=127.0.0.1:10315"
                << reads + StandIns::proxyClearingCommands() << "0"
                << QStringList { ended,
                                 "[LeftoverRepair] 系统代理仍指向本程序的入口，清除: "
                                 "http=127.0.0.1:8888;socks=127.0.0.1:10315" };
        }
    }

    void verifyRepair()
    {
        QFETCH(bool, windowsTools);
        QFETCH(LeftCore, leftCore);
        QFETCH(bool, configLeft);
        QFETCH(QString, proxyEnable);
        QFETCH(QString, proxyServer);
        QFETCH(QList<QStringList>, proxyCommands);
        QFETCH(QString, proxyEnableAfter);
        QFETCH(QStringList, lines);
        LeftoverRepair::setWindowsToolsForTesting(windowsTools);
        seedProxy(proxyEnable, proxyServer);
        if (configLeft)
            leaveConfiguration();
        const qint64 pid = leaveCore(leftCore);
        QVERIFY(leftCore == LeftCore::None || pid > 0);
        m_standIns->clearCalls();

        LeftoverRepair::run();

        QCOMPARE(repairLines(), filledIn(lines, pid));
        QCOMPARE(m_standIns->proxyToolCalls(), proxyCommands);
        QCOMPARE(m_standIns->registryValue("ProxyEnable"), std::optional(proxyEnableAfter));
        QVERIFY(!QFile::exists(V2RayCore::configFilePath()));
        if (leftCore == LeftCore::StandInCore)
            QTRY_VERIFY(!isRunning(pid));
        if (leftCore == LeftCore::OtherProgram)
            QVERIFY(isRunning(pid));
        // Repaired once: the next start finds nothing.
        m_standIns->clearCalls();
        LeftoverRepair::run();
        QCOMPARE(m_standIns->calls().size(), 0);
    }

private slots:
    void init()
    {
        m_standIns = std::make_unique<StandIns>();
        QVERIFY(m_standIns->isValid());
        QFile::remove(V2RayCore::configFilePath());
        QFile::remove(LeftoverRepair::coreRecordPath());
        MessageLog::instance()->clear();
    }

    void cleanup()
    {
        LeftoverRepair::setWindowsToolsForTesting(false);
        m_processes.clear();
        m_standIns.reset();
        QFile::remove(V2RayCore::configFilePath());
        QFile::remove(LeftoverRepair::coreRecordPath());
    }

    void repairsWhatTheLastRunLeft_data() { addRepairRows(false); }
    void repairsWhatTheLastRunLeft() { verifyRepair(); }

    // Run here against the stand-ins of tasklist and taskkill.
    void repairsWithTheWindowsTools_data() { addRepairRows(true); }
    void repairsWithTheWindowsTools() { verifyRepair(); }

    void nothingLeftRunsNoTool_data()
    {
        addLayerColumn();
        QTest::newRow("(/proc)") << false;
        QTest::newRow("(tasklist, taskkill)") << true;
    }

    void nothingLeftRunsNoTool()
    {
        QFETCH(bool, windowsTools);
        LeftoverRepair::setWindowsToolsForTesting(windowsTools);
        // What a clean disconnect leaves: the proxy off, its server string kept.
        seedProxy("0", kOurProxy);

        LeftoverRepair::run();

        QCOMPARE(m_standIns->calls().size(), 0);
        QCOMPARE(repairLines(), QStringList());
    }

    void aRunStillGoingOnIsLeftAlone_data() { nothingLeftRunsNoTool_data(); }

    void aRunStillGoingOnIsLeftAlone()
    {
        QFETCH(bool, windowsTools);
        LeftoverRepair::setWindowsToolsForTesting(windowsTools);
        seedProxy("1", kOurProxy);
        leaveConfiguration();
        const qint64 core = startProcess(
            StandIns::corePath(), { "run", "-c", V2RayCore::configFilePath(), "--disable-color" });
        QVERIFY(core > 0);
        // A second copy of the program, connected: its core carries its record.
        const qint64 copy = startProcess(
            QCoreApplication::applicationFilePath(), {},
            { { QString::fromLatin1(Orvo::Testing::childModeVariable()), "keep-a-record" },
              { kChildCorePid, QString::number(core) } });
        QVERIFY(copy > 0);
        QProcess *copyProcess = m_processes.back().get();
        QByteArray output;
        QTRY_VERIFY((output += copyProcess->readAllStandardOutput()).contains("ready"));
        m_standIns->clearCalls();

        LeftoverRepair::run();

        QCOMPARE(repairLines(),
                 QStringList {
                     QStringLiteral("[LeftoverRepair] 记录核心的程序仍在运行，不做修复, PID: %1")
                         .arg(copy) });
        QVERIFY(isRunning(core));
        QCOMPARE(m_standIns->proxyToolCalls(), QList<QStringList>());
        QCOMPARE(m_standIns->registryValue("ProxyEnable"), std::optional(QStringLiteral("1")));
        QVERIFY(QFile::exists(V2RayCore::configFilePath()));
    }

    void theEngineKeepsTheRecordWhileItsCoreRuns_data()
    {
        QTest::addColumn<QString>("end");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("still running")
            << "none"
            << QStringList { "[LeftoverRepair] 已结束上次运行遗留的XRay进程, PID: <pid>",
                             "[LeftoverRepair] 系统代理未启用，保持不变",
                             "[LeftoverRepair] 已删除遗留的配置文件: <config>" };
        QTest::newRow("stopped") << "stop" << QStringList();
        // The engine keeps the configuration of a core that ended by itself.
        QTest::newRow("ended by itself")
            << "itself"
            << QStringList { "[LeftoverRepair] 系统代理未启用，保持不变",
                             "[LeftoverRepair] 已删除遗留的配置文件: <config>" };
    }

    void theEngineKeepsTheRecordWhileItsCoreRuns()
    {
        QFETCH(QString, end);
        QFETCH(QStringList, lines);
        const ScopedEngineTimings timings(Orvo::Testing::testEngineTimings());
        seedProxy("0", kOurProxy);
        V2RayCore core;
        QSignalSpy disconnected(&core, &V2RayCore::disconnected);
        QVERIFY(core.start(server()));
        qint64 pid = 0;
        QTRY_VERIFY((pid = m_standIns->coreRuns().value(0).pid) > 0);
        if (end == "stop") {
            core.stop();
        } else if (end == "itself") {
            ::kill(pid_t(pid), SIGUSR1);
            QVERIFY(disconnected.wait(5000));
        }
        m_standIns->clearCalls();

        // As the next start would, while this run has not ended.
        LeftoverRepair::run();

        QCOMPARE(repairLines(), filledIn(lines, pid));
        QTRY_VERIFY(!isRunning(pid));
        if (lines.isEmpty())
            QCOMPARE(m_standIns->calls().size(), 0);
    }
};

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (Orvo::Testing::childMode() == QStringLiteral("keep-a-record"))
        return keepARecord();
    LeftoverRepairTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_leftoverrepair.moc"
