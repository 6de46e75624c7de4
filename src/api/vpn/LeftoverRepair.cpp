#include "vpn/LeftoverRepair.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>
#include <QThread>

#include "vpn/EngineTimings.h"
#include "vpn/ProcessRunner.h"
#include "vpn/SystemProxyManager.h"
#include "vpn/V2RayCore.h"

#ifndef Q_OS_WIN
#include <signal.h>
#include <sys/types.h>
#endif

namespace Orvo::Api::Vpn {

namespace {

const QString kRecordFileName = QStringLiteral("tolvane_core.json");
// The core's mixed inbound, where the engine points the system proxy.
const QString kInbound = QStringLiteral("127.0.0.1:10315");
#ifndef Q_OS_WIN
constexpr int kGonePollMs = 10;
#endif

bool s_windowsTools = false;

bool useWindowsTools()
{
#ifdef Q_OS_WIN
    return true;
#else
    return s_windowsTools;
#endif
}

// "socks=127.0.0.1:10315", "127.0.0.1:10315" or a list of such entries split by ';'.
bool pointsAtInbound(const QString &proxyServer)
{
    const QStringList entries = proxyServer.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (const QString &entry : entries) {
        if (entry.section(QLatin1Char('='), -1).trimmed() == kInbound)
            return true;
    }
    return false;
}

} // namespace

QString LeftoverRepair::coreRecordPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::TempLocation) + QLatin1Char('/')
        + kRecordFileName;
}

void LeftoverRepair::setWindowsToolsForTesting(bool windowsTools)
{
    s_windowsTools = windowsTools;
}

void LeftoverRepair::recordCore(qint64 pid, const QString &executable)
{
    const QJsonObject record { { "pid", pid },
                               { "executable", QFileInfo(executable).absoluteFilePath() },
                               { "owner_pid", QCoreApplication::applicationPid() } };
    QSaveFile file(coreRecordPath());
    if (!file.open(QIODevice::WriteOnly)
        || file.write(QJsonDocument(record).toJson(QJsonDocument::Compact)) < 0 || !file.commit()) {
        qWarning().noquote() << "[LeftoverRepair] 无法写入核心记录:" << coreRecordPath();
        return;
    }
    QFile::setPermissions(coreRecordPath(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

void LeftoverRepair::forgetCore(qint64 pid)
{
    // Another run's core keeps its record.
    if (QFile::exists(coreRecordPath()) && readRecord().pid == pid)
        QFile::remove(coreRecordPath());
}

LeftoverRepair::CoreRecord LeftoverRepair::readRecord()
{
    QFile file(coreRecordPath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QJsonObject json = QJsonDocument::fromJson(file.readAll()).object();
    CoreRecord record;
    record.pid = json.value(QStringLiteral("pid")).toInteger();
    record.executable = json.value(QStringLiteral("executable")).toString();
    record.ownerPid = json.value(QStringLiteral("owner_pid")).toInteger();
    return record;
}

void LeftoverRepair::run()
{
    const QString recordPath = coreRecordPath();
    const QString configPath = V2RayCore::configFilePath();
    const bool recorded = QFile::exists(recordPath);
    const bool configLeft = QFile::exists(configPath);
    // A run that ended cleanly removed both.
    if (!recorded && !configLeft)
        return;

    if (recorded) {
        const CoreRecord record = readRecord();
        // A second copy of the program must not take the connection of the first.
        if (record.ownerPid > 0 && record.ownerPid != QCoreApplication::applicationPid()
            && runsAsProgram(record.ownerPid, QCoreApplication::applicationFilePath())) {
            qDebug().noquote() << "[LeftoverRepair] 记录核心的程序仍在运行，不做修复, PID:"
                               << record.ownerPid;
            return;
        }
        endLeftCore(record);
        QFile::remove(recordPath);
    }

    clearProxyIfOurs();

    if (configLeft) {
        QFile::remove(configPath);
        qDebug().noquote() << "[LeftoverRepair] 已删除遗留的配置文件:" << configPath;
    }
}

void LeftoverRepair::endLeftCore(const CoreRecord &record)
{
    if (record.pid <= 0 || record.executable.isEmpty()) {
        qWarning().noquote() << "[LeftoverRepair] 核心记录无法读取，已忽略";
        return;
    }
    // The id may have passed to another program since: that one is left alone.
    if (!runsAsProgram(record.pid, record.executable)) {
        qDebug().noquote() << "[LeftoverRepair] 记录的XRay进程已不在运行, PID:" << record.pid;
        return;
    }
    if (endProcess(record.pid))
        qDebug().noquote() << "[LeftoverRepair] 已结束上次运行遗留的XRay进程, PID:" << record.pid;
    else
        qWarning().noquote() << "[LeftoverRepair] 无法结束上次运行遗留的XRay进程, PID:"
                             << record.pid;
}

bool LeftoverRepair::runsAsProgram(qint64 pid, const QString &executable)
{
    if (pid <= 0 || executable.isEmpty())
        return false;
    if (useWindowsTools())
        return runsAsProgramOnWindows(pid, executable);
    const QString expected = QFileInfo(executable).canonicalFilePath();
    return !expected.isEmpty() && executableOnLinux(pid) == expected;
}

QString LeftoverRepair::executableOnLinux(qint64 pid)
{
    // A process that has ended but is not yet reaped has no program any more.
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return {};
    const QByteArray text = stat.readAll();
    const qsizetype close = text.lastIndexOf(')');
    if (close < 0 || text.mid(close + 2, 1) == "Z")
        return {};
    return QFileInfo(QStringLiteral("/proc/%1/exe").arg(pid)).symLinkTarget();
}

// tasklist names the image only, not its folder: the name and the id must match.
bool LeftoverRepair::runsAsProgramOnWindows(qint64 pid, const QString &executable)
{
    const QString image = QFileInfo(executable).fileName();
    const ProcessResult listed = ProcessRunner::run(
        QStringLiteral("tasklist"),
        { QStringLiteral("/FI"), QStringLiteral("PID eq %1").arg(pid), QStringLiteral("/NH") },
        EngineTimings::current().toolTimeoutMs);
    if (!listed.succeeded())
        return false;
    const QStringList lines
        = QString::fromLocal8Bit(listed.standardOutput).split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        const QString trimmed = line.trimmed();
        if (trimmed.startsWith(image + QLatin1Char(' '), Qt::CaseInsensitive)
            && trimmed.mid(image.size()).simplified().section(QLatin1Char(' '), 0, 0)
                == QString::number(pid))
            return true;
    }
    return false;
}

bool LeftoverRepair::endProcess(qint64 pid)
{
    if (useWindowsTools()) {
        return ProcessRunner::runTool(
            QStringLiteral("[LeftoverRepair]"), QStringLiteral("taskkill"),
            { QStringLiteral("/F"), QStringLiteral("/PID"), QString::number(pid) },
            EngineTimings::current().toolTimeoutMs);
    }
#ifdef Q_OS_WIN
    return false;
#else
    const QString program = executableOnLinux(pid);
    if (::kill(pid_t(pid), SIGKILL) != 0)
        return false;
    // Not our child: it is gone once its program no longer shows under its id.
    const QDeadlineTimer deadline(EngineTimings::current().stopTimeoutMs);
    while (executableOnLinux(pid) == program && !deadline.hasExpired())
        QThread::msleep(kGonePollMs);
    return executableOnLinux(pid) != program;
#endif
}

void LeftoverRepair::clearProxyIfOurs()
{
    const Setting enable = queryInternetSetting(QStringLiteral("ProxyEnable"));
    if (!enable.read) {
        qWarning().noquote() << "[LeftoverRepair] 无法读取系统代理设置，保持不变";
        return;
    }
    if (!enable.found || enable.data.toUInt(nullptr, 0) != 1) {
        qDebug().noquote() << "[LeftoverRepair] 系统代理未启用，保持不变";
        return;
    }
    const Setting server = queryInternetSetting(QStringLiteral("ProxyServer"));
    if (!server.found || !pointsAtInbound(server.data)) {
        qDebug().noquote() << "[LeftoverRepair] 系统代理指向其他地址，保持不变:" << server.data;
        return;
    }
    qDebug().noquote() << "[LeftoverRepair] 系统代理仍指向本程序的入口，清除:" << server.data;
    SystemProxyManager::clearSystemProxy();
}

LeftoverRepair::Setting LeftoverRepair::queryInternetSetting(const QString &valueName)
{
    const ProcessResult result
        = ProcessRunner::run(QStringLiteral("reg"),
                             { QStringLiteral("query"), SystemProxyManager::INTERNET_SETTINGS_KEY,
                               QStringLiteral("/v"), valueName },
                             EngineTimings::current().toolTimeoutMs);
    Setting setting;
    // reg ends with 1 when the value does not exist.
    setting.read = result.started && result.finished && result.exitStatus == QProcess::NormalExit;
    if (!setting.read || result.exitCode != 0)
        return setting;
    // "    ProxyServer    REG_SZ    socks=127.0.0.1:10315"
    const QRegularExpression line(
        QStringLiteral("^\\s*%1\\s+REG_\\w+\\s*(.*)$").arg(QRegularExpression::escape(valueName)),
        QRegularExpression::MultilineOption);
    const QRegularExpressionMatch match = line.match(QString::fromLocal8Bit(result.standardOutput));
    setting.found = match.hasMatch();
    setting.data = match.captured(1).trimmed();
    return setting;
}

} // namespace Orvo::Api::Vpn
