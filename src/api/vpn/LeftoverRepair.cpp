#include "vpn/LeftoverRepair.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QStandardPaths>

#include "vpn/EngineTimings.h"
#include "vpn/ProcessRunner.h"
#include "vpn/SystemProxyManager.h"
#include "vpn/V2RayCore.h"

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace Orvo::Api::Vpn {

namespace {

const QString kRecordFileName = QStringLiteral("tolvane_core.json");
// The core's mixed inbound, where the engine points the system proxy.
const QString kInbound = QStringLiteral("127.0.0.1:10315");
constexpr QFileDevice::Permissions kOwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
// A record is a line of JSON; anything longer is not one.
constexpr qint64 kMaxRecordSize = 64 * 1024;

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

void LeftoverRepair::recordCore(qint64 pid)
{
    const ProcessIdentity core = ProcessIdentity::of(pid);
    if (!core.isComplete()) {
        qWarning().noquote() << "[LeftoverRepair] 无法读取核心进程信息，未写入记录, PID:" << pid;
        return;
    }
    const QJsonObject record { { "pid", core.pid },
                               { "executable", core.executable },
                               // A creation time is beyond what a JSON number holds exactly.
                               { "start_time", core.startTime },
                               { "boot_id", core.bootId },
                               { "owner_pid", QCoreApplication::applicationPid() } };
    const QString path = coreRecordPath();
    // Created owner-only, never widened and narrowed after: a record that
    // others could have written is not trusted at the next start.
    QFile::remove(path);
    QFile file(path);
    const bool opened = file.open(QIODevice::WriteOnly | QIODevice::NewOnly, kOwnerOnly);
    if (opened && file.write(QJsonDocument(record).toJson(QJsonDocument::Compact)) >= 0
        && file.flush())
        return;
    // Only a file this call made is taken back; one that stood in the way is not ours.
    if (opened)
        file.remove();
    qWarning().noquote() << "[LeftoverRepair] 无法写入核心记录:" << path;
}

void LeftoverRepair::forgetCore(qint64 pid)
{
    // Another run's core keeps its record.
    if (isOwnRecord() && readRecord().core.pid == pid)
        QFile::remove(coreRecordPath());
}

bool LeftoverRepair::isOwnRecord()
{
    const QFileInfo info(coreRecordPath());
    if (!info.exists() || !info.isFile())
        return false;
#ifdef Q_OS_UNIX
    // The temporary folder may be shared with other users.
    if (info.isSymLink() || info.ownerId() != uint(::geteuid())
        || (info.permissions() & (QFileDevice::WriteGroup | QFileDevice::WriteOther)))
        return false;
#endif
    return true;
}

LeftoverRepair::CoreRecord LeftoverRepair::readRecord()
{
    QFile file(coreRecordPath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QJsonObject json = QJsonDocument::fromJson(file.read(kMaxRecordSize)).object();
    CoreRecord record;
    record.core.pid = json.value(QStringLiteral("pid")).toInteger();
    record.core.executable = json.value(QStringLiteral("executable")).toString();
    record.core.startTime = json.value(QStringLiteral("start_time")).toString();
    record.core.bootId = json.value(QStringLiteral("boot_id")).toString();
    record.ownerPid = json.value(QStringLiteral("owner_pid")).toInteger();
    return record;
}

void LeftoverRepair::run()
{
    const QString recordPath = coreRecordPath();
    const QString configPath = V2RayCore::configFilePath();
    const bool recorded = isOwnRecord();
    const bool configLeft = QFile::exists(configPath);
    if (!recorded && QFileInfo(recordPath).isFile())
        qWarning().noquote() << "[LeftoverRepair] 核心记录不属于当前用户或他人可写，已忽略:"
                             << recordPath;
    // A run that ended cleanly removed both.
    if (!recorded && !configLeft)
        return;

    if (recorded) {
        const CoreRecord record = readRecord();
        // A second copy of the program must not take the connection of the first.
        if (ownerStillRuns(record.ownerPid)) {
            qDebug().noquote() << "[LeftoverRepair] 记录核心的程序仍在运行，不做修复, PID:"
                               << record.ownerPid;
            return;
        }
        // Kept for the next start while the core it names may still run.
        if (endLeftCore(record.core))
            QFile::remove(recordPath);
    }

    clearProxyIfOurs();

    if (configLeft) {
        QFile::remove(configPath);
        qDebug().noquote() << "[LeftoverRepair] 已删除遗留的配置文件:" << configPath;
    }
}

bool LeftoverRepair::ownerStillRuns(qint64 ownerPid)
{
    if (ownerPid <= 0 || ownerPid == QCoreApplication::applicationPid())
        return false;
    const QString program = ProcessIdentity::of(QCoreApplication::applicationPid()).executable;
    return !program.isEmpty() && ProcessIdentity::of(ownerPid).executable == program;
}

bool LeftoverRepair::endLeftCore(const ProcessIdentity &core)
{
    // Without all of id, path and start time the record names no one run.
    if (!core.isComplete()) {
        qWarning().noquote() << "[LeftoverRepair] 核心记录无法读取，已忽略";
        return true;
    }
    switch (ProcessIdentity::end(core, EngineTimings::current().stopTimeoutMs)) {
    case ProcessIdentity::EndResult::Ended:
        qDebug().noquote() << "[LeftoverRepair] 已结束上次运行遗留的XRay进程, PID:" << core.pid;
        return true;
    case ProcessIdentity::EndResult::NotRunning:
        // Its id may have passed to another program since: that one is left alone.
        qDebug().noquote() << "[LeftoverRepair] 记录的XRay进程已不在运行, PID:" << core.pid;
        return true;
    case ProcessIdentity::EndResult::Failed:
        break;
    }
    qWarning().noquote() << "[LeftoverRepair] 无法结束上次运行遗留的XRay进程, PID:" << core.pid;
    return false;
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
