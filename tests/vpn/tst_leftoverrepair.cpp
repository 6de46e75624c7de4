#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

#include <csignal>
#include <sys/stat.h>
#include <unistd.h>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "ChildProcess.h"
#include "MessageLog.h"
#include "StandIns.h"
#include "TestEngineTimings.h"
#include "vpn/LeftoverRepair.h"
#include "vpn/ProcessIdentity.h"
#include "vpn/V2RayCore.h"
#include "vpn/VmessConfig.h"

using Orvo::Api::Vpn::EngineTimings;
using Orvo::Api::Vpn::LeftoverRepair;
using Orvo::Api::Vpn::ProcessIdentity;
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
    AnotherRun, // the recorded id now runs the core's program again, started later
    AnotherBoot, // the record was written before the machine started again
    NoStartTime, // a record that names no start time
    Ended, // the recorded core has ended
};

// Whose the record is, as the file shows it.
enum class RecordFile {
    Own,
    OthersCanWrite,
    AnotherUsers,
};

const QString kOurProxy = QStringLiteral("socks=127.0.0.1:10315");
const QString kChildCorePid = QStringLiteral("ORVO_LEFT_CORE_PID");

QStringList query(const QString &valueName)
{
    return { "reg", "query", StandIns::internetSettingsKey(), "/v", valueName };
}

// The repair's lines for a proxy on the core's inbound and for the configuration.
const QString cleared
    = QStringLiteral("[LeftoverRepair] 系统代理仍指向本程序的入口，清除: ") + kOurProxy;
const QString deleted = QStringLiteral("[LeftoverRepair] 已删除遗留的配置文件: <config>");

QList<QStringList> proxyReadsAndClears()
{
    return QList<QStringList> { query("ProxyEnable"), query("ProxyServer") }
    + StandIns::proxyClearingCommands();
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

// The expected lines with the left core's id, its configuration and its record put in.
QStringList filledIn(QStringList lines, qint64 pid)
{
    for (QString &line : lines)
        line.replace("<pid>", QString::number(pid))
            .replace("<config>", V2RayCore::configFilePath())
            .replace("<record>", LeftoverRepair::coreRecordPath());
    return lines;
}

// A copy of this program that keeps a core's record, as a run still going on.
int keepARecord()
{
    LeftoverRepair::recordCore(qEnvironmentVariable(qPrintable(kChildCorePid)).toLongLong());
    Orvo::Testing::writeChildResult({ { "ready", true } });
    QThread::sleep(30);
    return 0;
}

QJsonObject readRecord()
{
    QFile file(LeftoverRepair::coreRecordPath());
    return file.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(file.readAll()).object()
                                          : QJsonObject();
}

// Changes what the record says, keeping the file itself (owner, mode) as it is.
void editRecord(const std::function<void(QJsonObject &)> &change)
{
    QJsonObject record = readRecord();
    QVERIFY(!record.isEmpty());
    change(record);
    QFile file(LeftoverRepair::coreRecordPath());
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(QJsonDocument(record).toJson(QJsonDocument::Compact));
}

bool makeRecordFile(RecordFile kind)
{
    const QByteArray path = QFile::encodeName(LeftoverRepair::coreRecordPath());
    if (kind == RecordFile::OthersCanWrite)
        return ::chmod(path.constData(), 0620) == 0;
    if (kind == RecordFile::AnotherUsers)
        return ::chown(path.constData(), 65534, 65534) == 0; // nobody
    return true;
}

// Files made while it lives get exactly the mode asked for.
class OpenUmask
{
public:
    OpenUmask() : m_previous(::umask(0)) { }
    ~OpenUmask() { ::umask(m_previous); }
    OpenUmask(const OpenUmask &) = delete;
    OpenUmask &operator=(const OpenUmask &) = delete;

private:
    const mode_t m_previous;
};

} // namespace

Q_DECLARE_METATYPE(LeftCore)
Q_DECLARE_METATYPE(RecordFile)

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

    qint64 startCore()
    {
        return startProcess(StandIns::corePath(),
                            { "run", "-c", V2RayCore::configFilePath(), "--disable-color" });
    }

    // A core as the engine leaves it behind, with its record, and what may
    // have become of it since.
    qint64 leaveCore(LeftCore kind)
    {
        if (kind == LeftCore::None)
            return 0;
        const qint64 pid = kind == LeftCore::OtherProgram
            ? startProcess(QStringLiteral("sleep"), { "30" })
            : startCore();
        if (pid <= 0)
            return 0;
        LeftoverRepair::recordCore(pid);
        const QString coreProgram = QFileInfo(StandIns::corePath()).canonicalFilePath();
        switch (kind) {
        case LeftCore::OtherProgram:
            // As the core's record would read, were the id now a sleep's.
            editRecord([&](QJsonObject &record) { record["executable"] = coreProgram; });
            break;
        case LeftCore::AnotherRun:
            editRecord([](QJsonObject &record) {
                record["start_time"]
                    = QString::number(record["start_time"].toString().toLongLong() - 1);
            });
            break;
        case LeftCore::AnotherBoot:
            editRecord([](QJsonObject &record) {
                record["boot_id"] = QStringLiteral("4f1c2d3e-0000-4000-8000-000000000000");
            });
            break;
        case LeftCore::NoStartTime:
            editRecord([](QJsonObject &record) { record.remove("start_time"); });
            break;
        case LeftCore::Ended:
            m_processes.back()->kill();
            m_processes.back()->waitForFinished(5000);
            break;
        default:
            break;
        }
        return pid;
    }

    void seedProxy(const QString &enable, const QString &server)
    {
        if (!enable.isEmpty())
            m_standIns->setRegistryValue(QStringLiteral("ProxyEnable"), "REG_DWORD", enable);
        if (!server.isEmpty())
            m_standIns->setRegistryValue(QStringLiteral("ProxyServer"), "REG_SZ", server);
    }

    static void addRepairColumns()
    {
        QTest::addColumn<LeftCore>("leftCore");
        QTest::addColumn<RecordFile>("recordFile");
        QTest::addColumn<bool>("configLeft");
        QTest::addColumn<QString>("proxyEnable");
        QTest::addColumn<QString>("proxyServer");
        // The reg, netsh and setx command lines, in order.
        QTest::addColumn<QList<QStringList>>("proxyCommands");
        QTest::addColumn<QString>("proxyEnableAfter");
        // "<pid>" stands for the recorded id, "<config>" for the file, "<record>" for the record.
        QTest::addColumn<QStringList>("lines");
    }

    static void addRepairRows()
    {
        addRepairColumns();
        const QList<QStringList> reads { query("ProxyEnable"), query("ProxyServer") };
        const QList<QStringList> clears = proxyReadsAndClears();
        const QString ended
            = QStringLiteral("[LeftoverRepair] 已结束上次运行遗留的XRay进程, PID: <pid>");
        const QString gone
            = QStringLiteral("[LeftoverRepair] 记录的XRay进程已不在运行, PID: <pid>");
        const QString unreadable = QStringLiteral("[LeftoverRepair] 核心记录无法读取，已忽略");
        const RecordFile own = RecordFile::Own;

        QTest::newRow("a crash left behind")
            << LeftCore::StandInCore << own << true << "1" << kOurProxy << clears << "0"
            << QStringList { ended, cleared, deleted };
        QTest::newRow("the proxy set to another address")
            << LeftCore::StandInCore << own << true << "1"
            << "http=10.1.2.3:8080" << reads << "1"
            << QStringList { ended,
                             "[LeftoverRepair] 系统代理指向其他地址，保持不变: http=10.1.2.3:8080",
                             deleted };
        QTest::newRow("the recorded id now another program's")
            << LeftCore::OtherProgram << own << true << "1" << kOurProxy << clears << "0"
            << QStringList { gone, cleared, deleted };
        QTest::newRow("the recorded id now another run of the core")
            << LeftCore::AnotherRun << own << true << "1" << kOurProxy << clears << "0"
            << QStringList { gone, cleared, deleted };
        QTest::newRow("a record of an earlier boot")
            << LeftCore::AnotherBoot << own << true << "1" << kOurProxy << clears << "0"
            << QStringList { gone, cleared, deleted };
        QTest::newRow("a record without a start time")
            << LeftCore::NoStartTime << own << true << "1" << kOurProxy << clears << "0"
            << QStringList { unreadable, cleared, deleted };
        QTest::newRow("a core that ended, the proxy off")
            << LeftCore::Ended << own << true << "0" << kOurProxy
            << QList<QStringList> { query("ProxyEnable") } << "0"
            << QStringList { gone, "[LeftoverRepair] 系统代理未启用，保持不变", deleted };
        QTest::newRow("only the configuration")
            << LeftCore::None << own << true << "1" << kOurProxy << clears << "0"
            << QStringList { cleared, deleted };
        QTest::newRow("only the record")
            << LeftCore::StandInCore << own << false << "1"
            << "http=127.0.0.1:8888;socks=127.0.0.1:10315" << clears << "0"
            << QStringList { ended,
                             "[LeftoverRepair] 系统代理仍指向本程序的入口，清除: "
                             "http=127.0.0.1:8888;socks=127.0.0.1:10315" };
    }

    // The temporary folder may be shared: a record that is not the user's
    // alone names nothing to end, and is left where it is.
    static void addForeignRecordRows()
    {
        addRepairColumns();
        const QList<QStringList> clears = proxyReadsAndClears();
        const QString ignored
            = QStringLiteral("[LeftoverRepair] 核心记录不属于当前用户或他人可写，已忽略: <record>");

        QTest::newRow("a record others can write")
            << LeftCore::StandInCore << RecordFile::OthersCanWrite << true << "1" << kOurProxy
            << clears << "0" << QStringList { ignored, cleared, deleted };
        QTest::newRow("another user's record")
            << LeftCore::StandInCore << RecordFile::AnotherUsers << true << "1" << kOurProxy
            << clears << "0" << QStringList { ignored, cleared, deleted };
        QTest::newRow("another user's record alone")
            << LeftCore::StandInCore << RecordFile::AnotherUsers << false << "1" << kOurProxy
            << QList<QStringList>() << "1" << QStringList { ignored };
    }

    void verifyRepair()
    {
        QFETCH(LeftCore, leftCore);
        QFETCH(RecordFile, recordFile);
        QFETCH(bool, configLeft);
        QFETCH(QString, proxyEnable);
        QFETCH(QString, proxyServer);
        QFETCH(QList<QStringList>, proxyCommands);
        QFETCH(QString, proxyEnableAfter);
        QFETCH(QStringList, lines);
        seedProxy(proxyEnable, proxyServer);
        if (configLeft)
            leaveConfiguration();
        const qint64 pid = leaveCore(leftCore);
        QVERIFY(leftCore == LeftCore::None || pid > 0);
        if (!makeRecordFile(recordFile))
            QSKIP("only root can give the record to another user");
        m_standIns->clearCalls();

        LeftoverRepair::run();

        QCOMPARE(repairLines(), filledIn(lines, pid));
        QCOMPARE(m_standIns->proxyToolCalls(), proxyCommands);
        QCOMPARE(m_standIns->registryValue("ProxyEnable"), std::optional(proxyEnableAfter));
        QVERIFY(!QFile::exists(V2RayCore::configFilePath()));
        // Only the run the record names, in a record of the user's own, is ended.
        if (leftCore == LeftCore::StandInCore && recordFile == RecordFile::Own)
            QTRY_VERIFY(!isRunning(pid));
        else if (leftCore != LeftCore::None && leftCore != LeftCore::Ended)
            QVERIFY(isRunning(pid));
        // A record not the user's own is left where it is; any other is done with.
        QCOMPARE(QFile::exists(LeftoverRepair::coreRecordPath()),
                 leftCore != LeftCore::None && recordFile != RecordFile::Own);
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
        ProcessIdentity::setEndSignalForTesting(SIGKILL);
        m_processes.clear();
        m_standIns.reset();
        QFile::remove(V2RayCore::configFilePath());
        QFile::remove(LeftoverRepair::coreRecordPath());
    }

    void repairsWhatTheLastRunLeft_data() { addRepairRows(); }
    void repairsWhatTheLastRunLeft() { verifyRepair(); }

    void recordsNotTheUsersOwnAreIgnored_data() { addForeignRecordRows(); }
    void recordsNotTheUsersOwnAreIgnored() { verifyRepair(); }

    void nothingLeftRunsNoTool()
    {
        // What a clean disconnect leaves: the proxy off, its server string kept.
        seedProxy("0", kOurProxy);

        LeftoverRepair::run();

        QCOMPARE(m_standIns->calls().size(), 0);
        QCOMPARE(repairLines(), QStringList());
    }

    void aRunStillGoingOnIsLeftAlone()
    {
        seedProxy("1", kOurProxy);
        leaveConfiguration();
        const qint64 core = startCore();
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

    // A core that could not be ended is tried again at the next start.
    void aCoreThatDidNotEndKeepsItsRecord()
    {
        EngineTimings timings = Orvo::Testing::testEngineTimings();
        timings.stopTimeoutMs = 200;
        const ScopedEngineTimings scoped(timings);
        seedProxy("1", kOurProxy);
        leaveConfiguration();
        const qint64 pid = leaveCore(LeftCore::StandInCore);
        QVERIFY(pid > 0);
        // A signal the core lives through: it is still there when the wait ends.
        ProcessIdentity::setEndSignalForTesting(SIGCONT);

        LeftoverRepair::run();

        QCOMPARE(repairLines(),
                 filledIn({ "[LeftoverRepair] 无法结束上次运行遗留的XRay进程, PID: <pid>", cleared,
                            deleted },
                          pid));
        QVERIFY(isRunning(pid));
        QVERIFY(QFile::exists(LeftoverRepair::coreRecordPath()));

        ProcessIdentity::setEndSignalForTesting(SIGKILL);
        MessageLog::instance()->clear();
        LeftoverRepair::run();

        QCOMPARE(repairLines(),
                 filledIn({ "[LeftoverRepair] 已结束上次运行遗留的XRay进程, PID: <pid>",
                            "[LeftoverRepair] 系统代理未启用，保持不变" },
                          pid));
        QTRY_VERIFY(!isRunning(pid));
        QVERIFY(!QFile::exists(LeftoverRepair::coreRecordPath()));
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
        {
            // Owner-only as it is made, whatever the user's umask lets others have.
            const OpenUmask openUmask;
            QVERIFY(core.start(server()));
        }
        qint64 pid = 0;
        QTRY_VERIFY((pid = m_standIns->coreRuns().value(0).pid) > 0);
        struct stat record
        {
        };
        QCOMPARE(::stat(QFile::encodeName(LeftoverRepair::coreRecordPath()).constData(), &record),
                 0);
        QCOMPARE(record.st_mode & 07777, mode_t(0600));
        QCOMPARE(record.st_uid, ::geteuid());
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
