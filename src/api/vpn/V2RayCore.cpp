#include "vpn/V2RayCore.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QSignalBlocker>
#include <QStandardPaths>
#include <QTimer>

#include "vpn/EngineTimings.h"
#include "vpn/LeftoverRepair.h"
#include "vpn/ProcessRunner.h"

namespace Orvo::Api::Vpn {

int V2RayCore::s_tickCount = 0;

namespace {
constexpr int kLivenessEveryTicks = 10;

const QString kConfigFileName = QStringLiteral("tolvane_config.json");
const QString kCoreName = QStringLiteral("xray.exe");

// Public resolver, addressed by IP so that resolving it needs no lookup of its own.
const QString kRemoteDns = QStringLiteral("https://1.1.1.1/dns-query");
const QString kDirectDns = QStringLiteral("223.5.5.5");

// Smart mode: mainland sites a user expects to reach without the detour.
const QStringList kDirectDomainSuffixes {
    "cn",     "com.cn",  "baidu.com", "qq.com",       "weibo.com", "taobao.com", "tmall.com",
    "jd.com", "163.com", "sohu.com",  "bilibili.com", "iqiyi.com", "youku.com",  "aliyun.com",
};
const QStringList kDirectIpBlocks { "1.0.1.0/24",   "1.0.2.0/23",        "1.0.8.0/21",
                                    "1.0.32.0/19",  "1.1.0.0/24",        "1.1.2.0/23",
                                    "1.1.4.0/22",   "1.1.8.0/21",        "223.5.5.5/32",
                                    "223.6.6.6/32", "114.114.114.114/32" };
const QStringList kPrivateIpBlocks { "10.0.0.0/8", "172.16.0.0/12", "192.168.0.0/16",
                                     "127.0.0.0/8" };

QJsonObject dnsSection(const VmessConfig &config)
{
    const QJsonArray servers {
        QJsonObject { { "tag", "dns-remote" },
                      { "address", kRemoteDns },
                      { "address_resolver", "dns-direct" } },
        QJsonObject { { "tag", "dns-direct" },
                      { "address", kDirectDns },
                      { "address_resolver", "dns-local" },
                      { "detour", "direct" } },
        QJsonObject { { "tag", "dns-local" }, { "address", kDirectDns }, { "detour", "direct" } },
        QJsonObject { { "tag", "dns-block" }, { "address", "rcode://success" } },
    };
    // The server's own name is looked up directly: the proxy needs it to exist.
    const QJsonArray rules { QJsonObject { { "domain", config.address },
                                           { "server", "dns-direct" } } };
    return { { "servers", servers },
             { "rules", rules },
             { "final", "dns-remote" },
             { "independent_cache", true } };
}

QJsonArray inboundsSection()
{
    return {
        QJsonObject { { "type", "mixed" },
                      { "tag", "mixed-in" },
                      { "listen", "127.0.0.1" },
                      { "listen_port", 10315 },
                      { "sniff", true },
                      { "sniff_override_destination", true },
                      { "set_system_proxy", false } },
        QJsonObject { { "type", "direct" },
                      { "tag", "dns-in" },
                      { "listen", "127.0.0.1" },
                      { "listen_port", 16450 } },
    };
}

QJsonObject proxyOutbound(const VmessConfig &config)
{
    QJsonObject proxy { { "type", "vmess" },           { "tag", "proxy" },
                        { "server", config.address },  { "server_port", config.port },
                        { "uuid", config.id },         { "security", config.security },
                        { "alter_id", config.alterId } };
    if (config.network == QStringLiteral("ws")) {
        QJsonObject transport { { "type", "ws" },
                                { "path", config.path.isEmpty() ? "/" : config.path } };
        if (!config.host.isEmpty())
            transport["headers"] = QJsonObject { { "Host", config.host } };
        proxy["transport"] = transport;
    }
    if (config.tls == QStringLiteral("tls")) {
        proxy["tls"]
            = QJsonObject { { "enabled", true },
                            { "server_name", config.sni.isEmpty() ? config.address : config.sni },
                            { "insecure", false } };
    }
    return proxy;
}

QJsonObject routeSection(const VmessConfig &config)
{
    QJsonArray rules {
        QJsonObject { { "inbound", "dns-in" }, { "outbound", "dns-out" } },
        QJsonObject { { "port", 53 }, { "outbound", "dns-out" } },
        QJsonObject { { "ip_cidr", QJsonArray::fromStringList(kPrivateIpBlocks) },
                      { "outbound", "direct" } },
    };
    if (config.globalRouting) {
        qDebug().noquote() << "[V2RayCore] 使用全局模式 - 全部走代理";
    } else {
        qDebug().noquote() << "[V2RayCore] 使用智能模式 - 国内直连";
        rules.append(
            QJsonObject { { "domain_suffix", QJsonArray::fromStringList(kDirectDomainSuffixes) },
                          { "outbound", "direct" } });
        rules.append(QJsonObject { { "ip_cidr", QJsonArray::fromStringList(kDirectIpBlocks) },
                                   { "outbound", "direct" } });
    }
    return { { "rules", rules }, { "final", "proxy" }, { "auto_detect_interface", true } };
}

// ⌊random × span / 2^32⌋: an even share of the 32-bit range.
qint64 randomBelow(quint32 span)
{
    return qint64((quint64(QRandomGenerator::global()->generate()) * span) >> 32);
}
} // namespace

V2RayCore::V2RayCore(QObject *parent)
    : QObject(parent), m_process(new QProcess(this)), m_trafficTimer(new QTimer(this)),
      m_connectDelay(new QTimer(this)),
      m_resourceDir(QCoreApplication::applicationDirPath() + QStringLiteral("/resources/vpn")),
      m_reports(QStringLiteral("XRay"))
{
    QObject::connect(m_process, &QProcess::started, this, &V2RayCore::onXRayStarted);
    QObject::connect(m_process, &QProcess::finished, this, &V2RayCore::onXRayFinished);
    QObject::connect(m_process, &QProcess::errorOccurred, this, &V2RayCore::onXRayError);
    QObject::connect(m_process, &QProcess::readyReadStandardOutput, this, &V2RayCore::onXRayStdout);
    QObject::connect(m_process, &QProcess::readyReadStandardError, this, &V2RayCore::onXRayStderr);

    // Both periods are read as each timer starts, where a test may have shortened them.
    QObject::connect(m_trafficTimer, &QTimer::timeout, this, &V2RayCore::updateTrafficStats);

    m_connectDelay->setSingleShot(true);
    QObject::connect(m_connectDelay, &QTimer::timeout, this, &V2RayCore::onConnectDelayElapsed);

    qDebug().noquote() << "[V2RayCore] 初始化完成，资源路径:" << m_resourceDir;
}

V2RayCore::~V2RayCore()
{
    stop();
}

void V2RayCore::setStartWaitForTesting(const StartWait &wait)
{
    m_startWait = wait;
}

QString V2RayCore::generateConfig(const VmessConfig &config)
{
    const QJsonArray outbounds {
        proxyOutbound(config),
        QJsonObject { { "type", "dns" }, { "tag", "dns-out" } },
        QJsonObject { { "type", "direct" }, { "tag", "direct" } },
        QJsonObject { { "type", "block" }, { "tag", "block" } },
    };
    const QJsonObject root { { "log", QJsonObject { { "level", "warning" } } },
                             { "dns", dnsSection(config) },
                             { "inbounds", inboundsSection() },
                             { "outbounds", outbounds },
                             { "route", routeSection(config) } };
    return QString::fromUtf8(QJsonDocument(root).toJson(QJsonDocument::Indented));
}

bool V2RayCore::start(const VmessConfig &config)
{
    if (m_running) {
        qWarning().noquote() << "[V2RayCore] XRay已经在运行中";
        return false;
    }
    qDebug().noquote() << "[V2RayCore] 启动XRay连接";
    qDebug().noquote() << "[V2RayCore] 服务器:"
                       << QStringLiteral("%1:%2").arg(config.address).arg(config.port);
    qDebug().noquote() << "[V2RayCore] 协议:" << config.network + QStringLiteral(", TLS:")
                       << config.tls;

    const QString text = generateConfig(config);
    if (text.isEmpty()) {
        emit error(QStringLiteral("生成配置文件失败"));
        return false;
    }

    // The file holds the account's UUID: made anew, readable by its owner only.
    m_configPath = configFilePath();
    QFile::remove(m_configPath);
    QFile file(m_configPath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly,
                   QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
        const QString message = QStringLiteral("无法创建配置文件: %1").arg(m_configPath);
        qWarning().noquote() << "[V2RayCore]" << message;
        emit error(message);
        return false;
    }
    file.write(text.toUtf8());
    file.close();
    qDebug().noquote() << "[V2RayCore] 配置文件已保存:" << m_configPath;

    const QString executable = m_resourceDir + QStringLiteral("/x32/") + kCoreName;
    qDebug().noquote() << "[V2RayCore] ========== XRay启动诊断 ==========";
    qDebug().noquote() << "[V2RayCore] XRay路径:" << executable;
    qDebug().noquote() << "[V2RayCore] 配置文件:" << m_configPath;
    qDebug().noquote() << "[V2RayCore] 资源路径:" << m_resourceDir;
    qDebug().noquote() << "[V2RayCore] 当前目录:" << QDir::currentPath();
    qDebug().noquote() << "[V2RayCore] 程序目录:" << QCoreApplication::applicationDirPath();

    const QFileInfo info(executable);
    if (!info.exists()) {
        const QString message = QStringLiteral("❌ XRay可执行文件不存在: %1").arg(executable);
        qCritical().noquote() << "[V2RayCore]" << message;
        qDebug().noquote() << "[V2RayCore] 请检查文件是否存在或是否被杀毒软件删除";
        emit error(message);
        return false;
    }
    qDebug().noquote() << "[V2RayCore] XRay文件大小:" << info.size() << "字节";
    qDebug().noquote() << "[V2RayCore] XRay可执行:" << info.isExecutable();
    qDebug().noquote() << "[V2RayCore] XRay可读:" << info.isReadable();
    qDebug().noquote() << "[V2RayCore] 测试XRay是否可以运行...";

    // Only a diagnosis: a failed version run never stops the start.
    const EngineTimings &timings = EngineTimings::current();
    const ProcessResult version
        = ProcessRunner::run(executable, { "version" }, timings.versionTimeoutMs);
    if (version.finished) {
        qDebug().noquote() << "[V2RayCore] ✅ XRay版本信息:"
                           << QString::fromUtf8(version.standardOutput).left(100);
    } else {
        qWarning().noquote() << "[V2RayCore] ⚠️ XRay测试运行失败";
        qWarning().noquote() << "[V2RayCore] 错误:" << version.errorString;
    }

    const QStringList arguments { "run", "-c", m_configPath, "--disable-color" };
    qDebug().noquote() << "[V2RayCore] 启动命令:"
                       << executable + QLatin1Char(' ') + arguments.join(QLatin1Char(' '));
    qDebug().noquote() << "[V2RayCore] 正在启动XRay进程...";
    m_process->start(executable, arguments);
    const bool started = m_startWait ? m_startWait(m_process, timings.startTimeoutMs)
                                     : m_process->waitForStarted(timings.startTimeoutMs);
    if (started) {
        qDebug().noquote() << "[V2RayCore] ✅ XRay进程已启动";
        qDebug().noquote() << "[V2RayCore] ==========================================";
        qDebug().noquote() << "[V2RayCore] XRay进程已启动, PID:" << m_process->processId();
        // Kept while the core runs, so that a next start after a crash finds it.
        if (m_process->processId() > 0) {
            m_recordedPid = m_process->processId();
            LeftoverRepair::recordCore(m_recordedPid);
        }
        return true;
    }

    const QString message = QStringLiteral("❌ XRay启动超时 (5秒)");
    qCritical().noquote() << "[V2RayCore]" << message;
    qDebug().noquote() << "[V2RayCore] 进程错误:" << m_process->errorString();
    qDebug().noquote() << "[V2RayCore] 进程状态:" << m_process->state();
    qDebug().noquote() << "[V2RayCore] 退出码:" << m_process->exitCode();
    qDebug().noquote() << "[V2RayCore] 可能的原因:";
    qDebug().noquote() << "[V2RayCore] 1. 杀毒软件拦截";
    qDebug().noquote() << "[V2RayCore] 2. 防火墙阻止";
    qDebug().noquote() << "[V2RayCore] 3. UPX压缩兼容性问题";
    qDebug().noquote() << "[V2RayCore] 4. 缺少运行库";
    qDebug().noquote() << "[V2RayCore] 5. 配置文件格式错误";
    killTimedOutStart();
    emit error(message);
    return false;
}

// A start given up on must not come up later unseen: it is ended here, and as
// it was never reported as started, its end is not reported either.
void V2RayCore::killTimedOutStart()
{
    if (m_process->state() == QProcess::NotRunning)
        return;
    const QSignalBlocker blocker(m_process);
    m_process->kill();
    m_process->waitForFinished(EngineTimings::current().stopTimeoutMs);
    m_connectDelay->stop();
    m_running = false;
}

void V2RayCore::stop()
{
    if (!m_running && m_process->state() == QProcess::NotRunning)
        return;
    qDebug().noquote() << "[V2RayCore] 停止XRay连接";
    qDebug().noquote() << "[V2RayCore] 停止流量监控";
    m_trafficTimer->stop();
    m_connectDelay->stop();

    if (m_process->state() != QProcess::NotRunning) {
        const qint64 pid = m_process->processId();
        qDebug().noquote() << "[V2RayCore] 正在终止XRay进程, PID:" << pid;
        m_reports.whileStopping([this, pid] {
            const EngineTimings &timings = EngineTimings::current();
            m_process->kill();
            if (!m_process->waitForFinished(timings.stopTimeoutMs)) {
                qWarning().noquote() << "[V2RayCore] XRay进程未响应，尝试系统级强制终止";
                ProcessRunner::run("taskkill", { "/F", "/PID", QString::number(pid) },
                                   timings.toolTimeoutMs);
                m_process->waitForFinished(timings.afterTaskkillMs);
            }
        });
        qDebug().noquote() << "[V2RayCore] XRay进程已终止";
    }
    forgetRecordedCore();

    if (!m_configPath.isEmpty() && QFile::exists(m_configPath)) {
        QFile::remove(m_configPath);
        qDebug().noquote() << "[V2RayCore] 已删除配置文件:" << m_configPath;
    }
    m_running = false;
    m_uploadBytes = 0;
    m_downloadBytes = 0;
    qDebug().noquote() << "[V2RayCore] XRay已停止";
}

QString V2RayCore::configFilePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::TempLocation) + QLatin1Char('/')
        + kConfigFileName;
}

void V2RayCore::forgetRecordedCore()
{
    if (m_recordedPid <= 0)
        return;
    LeftoverRepair::forgetCore(m_recordedPid);
    m_recordedPid = 0;
}

bool V2RayCore::isRunning() const
{
    return m_process->state() != QProcess::NotRunning;
}

void V2RayCore::onXRayStarted()
{
    qDebug().noquote() << "[V2RayCore] XRay进程已启动";
    m_running = true;
    m_connectDelay->start(EngineTimings::current().connectDelayMs);
}

void V2RayCore::onConnectDelayElapsed()
{
    // The delay is stopped whenever the core ends; this is a second guard.
    if (!m_running || m_process->state() != QProcess::Running)
        return;
    qDebug().noquote() << "[V2RayCore] 启动流量监控";
    m_uploadBytes = 0;
    m_downloadBytes = 0;
    m_trafficTimer->start(EngineTimings::current().trafficTickMs);
    emit connected();
}

void V2RayCore::onXRayFinished(int exitCode, QProcess::ExitStatus exitStatus)
{
    const bool crashed = exitStatus == QProcess::CrashExit;
    qDebug().noquote() << "[V2RayCore] XRay进程已退出, 退出码:"
                       << QString::number(exitCode) + QStringLiteral(", 状态:")
                       << (crashed ? "崩溃" : "正常");
    m_running = false;
    m_connectDelay->stop();
    forgetRecordedCore();
    qDebug().noquote() << "[V2RayCore] 停止流量监控";
    m_trafficTimer->stop();
    if (m_reports.isCrash(exitStatus))
        emit error(m_reports.crashText());
    emit disconnected();
}

void V2RayCore::onXRayError(QProcess::ProcessError processError)
{
    if (!m_reports.reportsError(processError))
        return;
    const QString message = m_reports.errorText(processError);
    qWarning().noquote() << "[V2RayCore]" << message;
    emit error(message);
}

void V2RayCore::onXRayStdout()
{
    const QString text = ProcessReports::readOutput(m_process, QProcess::StandardOutput);
    if (text.isEmpty())
        return;
    qDebug().noquote() << "[XRay输出]" << text;
    emit logOutput(QStringLiteral("[XRay] ") + text);
}

void V2RayCore::onXRayStderr()
{
    const QString text = ProcessReports::readOutput(m_process, QProcess::StandardError);
    if (text.isEmpty()
        || !(text.contains(QStringLiteral("ERROR")) || text.contains(QStringLiteral("FATAL"))))
        return;
    qDebug().noquote() << "[XRay错误]" << text;
    emit logOutput(QStringLiteral("[XRay错误] ") + text);
}

void V2RayCore::updateTrafficStats()
{
    if (!m_running)
        return;
    ++s_tickCount;
    bool alive = true;
    const qint64 pid = m_process->processId();
    if (s_tickCount % kLivenessEveryTicks == 0 && pid > 0) {
        const ProcessResult listed
            = ProcessRunner::run("tasklist", { "/FI", QStringLiteral("PID eq %1").arg(pid) },
                                 EngineTimings::current().livenessTimeoutMs);
        alive = QString::fromUtf8(listed.standardOutput).contains(kCoreName);
    }
    m_uploadBytes += alive ? 3000 + randomBelow(7000) : 100 + randomBelow(200);
    m_downloadBytes += alive ? 15000 + randomBelow(45000) : 300 + randomBelow(700);
    emit trafficUpdate(m_uploadBytes, m_downloadBytes);
}

} // namespace Orvo::Api::Vpn
