#include "vpn/Tun2SocksManager.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFileInfo>
#include <QNetworkInterface>
#include <QThread>

#include "vpn/EngineTimings.h"
#include "vpn/ProcessRunner.h"

namespace Orvo::Api::Vpn {

namespace {

const QString kAdapterName = QStringLiteral("wintun");
const QString kAdapterAddress = QStringLiteral("192.168.123.1");
const QString kAdapterArgument = QStringLiteral("name=\"wintun\"");
const QString kFallbackInterface = QStringLiteral("以太网");

} // namespace

Tun2SocksManager::Tun2SocksManager(QObject *parent)
    : QObject(parent), m_process(new QProcess(this)),
      m_resourceDir(QCoreApplication::applicationDirPath() + QStringLiteral("/resources/vpn")),
      m_routes({ QStringLiteral("1.0.0.0/8"), QStringLiteral("2.0.0.0/7"),
                 QStringLiteral("4.0.0.0/6"), QStringLiteral("8.0.0.0/5"),
                 QStringLiteral("16.0.0.0/4"), QStringLiteral("32.0.0.0/3"),
                 QStringLiteral("64.0.0.0/2"), QStringLiteral("128.0.0.0/1"),
                 QStringLiteral("198.18.0.0/15") }),
      m_reports(QStringLiteral("tun2socks"))
{
    QObject::connect(m_process, &QProcess::started, this, &Tun2SocksManager::onTun2SocksStarted);
    QObject::connect(m_process, &QProcess::finished, this, &Tun2SocksManager::onTun2SocksFinished);
    QObject::connect(m_process, &QProcess::errorOccurred, this,
                     &Tun2SocksManager::onTun2SocksError);
    QObject::connect(m_process, &QProcess::readyReadStandardOutput, this,
                     &Tun2SocksManager::onTun2SocksStdout);
    QObject::connect(m_process, &QProcess::readyReadStandardError, this,
                     &Tun2SocksManager::onTun2SocksStderr);
    qDebug().noquote() << "[Tun2SocksManager] 初始化完成，资源路径:" << m_resourceDir;
}

Tun2SocksManager::~Tun2SocksManager()
{
    if (m_isRunning)
        takeDown();
    // The process object goes with the QObject children; its last signals
    // must not reach a manager that is half destroyed.
    m_process->disconnect(this);
}

bool Tun2SocksManager::start(const QString &proxyUrl)
{
    if (m_isRunning) {
        qWarning().noquote() << "[Tun2SocksManager] tun2socks已经在运行中";
        return false;
    }
    qDebug().noquote() << "[Tun2SocksManager] 启动VPN隧道, 代理地址:" << proxyUrl;

    if (!startTun2SocksProcess(proxyUrl)) {
        qWarning().noquote() << "[Tun2SocksManager] 启动tun2socks进程失败";
        emit error(QStringLiteral("启动tun2socks进程失败"));
        return false;
    }

    // tun2socks needs a moment to bring its adapter up before netsh can see it.
    qDebug().noquote() << "[Tun2SocksManager] 等待tun2socks启动...";
    QThread::msleep(static_cast<unsigned long>(EngineTimings::current().adapterSettleMs));

    if (!configureWintunIp()) {
        qWarning().noquote() << "[Tun2SocksManager] 配置wintun IP地址失败";
        stopTun2SocksProcess();
        emit error(QStringLiteral("配置wintun IP地址失败"));
        return false;
    }
    if (!configureWintunDns()) {
        qWarning().noquote() << "[Tun2SocksManager] 配置wintun DNS失败";
        stopTun2SocksProcess();
        emit error(QStringLiteral("配置wintun DNS失败"));
        return false;
    }
    if (!addRoutes()) {
        qWarning().noquote() << "[Tun2SocksManager] 添加路由规则失败";
        stopTun2SocksProcess();
        emit error(QStringLiteral("添加路由规则失败"));
        return false;
    }

    m_isRunning = true;
    qDebug().noquote() << "[Tun2SocksManager] VPN隧道启动成功";
    return true;
}

void Tun2SocksManager::stop()
{
    if (!m_isRunning)
        return;
    takeDown();
}

void Tun2SocksManager::takeDown()
{
    qDebug().noquote() << "[Tun2SocksManager] 停止VPN隧道";
    removeRoutes();
    resetWintunConfig();
    stopTun2SocksProcess();
    m_isRunning = false;
    qDebug().noquote() << "[Tun2SocksManager] VPN隧道已停止";
}

QString Tun2SocksManager::choosePhysicalInterface(const QList<InterfaceEntry> &interfaces)
{
    for (const InterfaceEntry &entry : interfaces) {
        if (entry.isLoopback || !entry.isUp
            || entry.name.contains(kAdapterName, Qt::CaseInsensitive))
            continue;
        qDebug().noquote() << "[Tun2SocksManager] 检测到网络接口:" << entry.name;
        return entry.name;
    }
    qWarning().noquote() << "[Tun2SocksManager] 未找到合适的网络接口，使用默认值";
    return kFallbackInterface;
}

QString Tun2SocksManager::detectPhysicalInterface() const
{
    QList<InterfaceEntry> entries;
    const QList<QNetworkInterface> interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &iface : interfaces) {
        const QNetworkInterface::InterfaceFlags flags = iface.flags();
        entries.append({ iface.name(), flags.testFlag(QNetworkInterface::IsUp),
                         flags.testFlag(QNetworkInterface::IsLoopBack) });
    }
    return choosePhysicalInterface(entries);
}

bool Tun2SocksManager::startTun2SocksProcess(const QString &proxyUrl)
{
    const QString executable = m_resourceDir + QStringLiteral("/x32/tun2socks.exe");
    if (!QFileInfo::exists(executable)) {
        qWarning().noquote() << "[Tun2SocksManager]"
                             << QStringLiteral("tun2socks可执行文件不存在: %1").arg(executable);
        return false;
    }

    // tun2socks names the SOCKS scheme "socks5".
    QString proxy = proxyUrl;
    if (proxy.startsWith(QLatin1String("socks://")))
        proxy = QStringLiteral("socks5") + proxy.mid(5);
    qDebug().noquote() << "[Tun2SocksManager] 代理URL:" << proxy;

    const QString interfaceName = detectPhysicalInterface();
    qDebug().noquote() << "[Tun2SocksManager] 网络接口:" << interfaceName;

    const QStringList arguments
        = { QStringLiteral("-device"),    kAdapterName, QStringLiteral("-proxy"), proxy,
            QStringLiteral("-interface"), interfaceName };
    qDebug().noquote() << "[Tun2SocksManager] 启动tun2socks:" << executable;
    qDebug().noquote() << "[Tun2SocksManager] 参数:" << arguments.join(QLatin1Char(' '));

    m_process->start(executable, arguments);
    if (!m_process->waitForStarted(EngineTimings::current().startTimeoutMs)) {
        qWarning().noquote() << "[Tun2SocksManager] tun2socks启动超时";
        return false;
    }
    qDebug().noquote() << "[Tun2SocksManager] tun2socks进程已启动, PID:" << m_process->processId();
    return true;
}

void Tun2SocksManager::stopTun2SocksProcess()
{
    if (m_process->state() == QProcess::NotRunning)
        return;
    qDebug().noquote() << "[Tun2SocksManager] 停止tun2socks进程";
    m_reports.whileStopping([this] {
        const EngineTimings &timings = EngineTimings::current();
        m_process->terminate();
        if (!m_process->waitForFinished(timings.tunnelTerminateWaitMs)) {
            qWarning().noquote() << "[Tun2SocksManager] tun2socks进程未响应，强制终止";
            m_process->kill();
            m_process->waitForFinished(timings.tunnelKillWaitMs);
        }
    });
    qDebug().noquote() << "[Tun2SocksManager] tun2socks进程已停止";
}

bool Tun2SocksManager::configureWintunIp()
{
    qDebug().noquote() << "[Tun2SocksManager] 配置wintun IP地址: 192.168.123.1/24";
    if (!executeCommand(
            QStringLiteral("netsh"),
            { QStringLiteral("interface"), QStringLiteral("ipv4"), QStringLiteral("set"),
              QStringLiteral("address"), kAdapterArgument, QStringLiteral("source=static"),
              QStringLiteral("addr=") + kAdapterAddress, QStringLiteral("mask=255.255.255.0") })) {
        qWarning().noquote() << "[Tun2SocksManager] 配置wintun IP地址失败";
        return false;
    }
    qDebug().noquote() << "[Tun2SocksManager] wintun IP地址配置成功";
    return true;
}

bool Tun2SocksManager::configureWintunDns()
{
    qDebug().noquote() << "[Tun2SocksManager] 配置wintun DNS: 8.8.8.8";
    if (!executeCommand(QStringLiteral("netsh"),
                        { QStringLiteral("interface"), QStringLiteral("ipv4"),
                          QStringLiteral("set"), QStringLiteral("dnsservers"), kAdapterArgument,
                          QStringLiteral("static"), QStringLiteral("address=8.8.8.8"),
                          QStringLiteral("register=none"), QStringLiteral("validate=no") })) {
        qWarning().noquote() << "[Tun2SocksManager] 配置wintun DNS失败";
        return false;
    }
    qDebug().noquote() << "[Tun2SocksManager] wintun DNS配置成功";
    return true;
}

bool Tun2SocksManager::addRoutes()
{
    qDebug().noquote() << "[Tun2SocksManager] 添加路由规则 (共" << m_routes.size() << "条)";
    int added = 0;
    for (const QString &route : std::as_const(m_routes)) {
        if (executeCommand(QStringLiteral("netsh"),
                           { QStringLiteral("interface"), QStringLiteral("ipv4"),
                             QStringLiteral("add"), QStringLiteral("route"), route,
                             QStringLiteral("\"wintun\""), kAdapterAddress,
                             QStringLiteral("metric=1") })) {
            ++added;
            qDebug().noquote() << "[Tun2SocksManager] 添加路由:" << route << "✓";
        } else {
            qWarning().noquote() << "[Tun2SocksManager] 添加路由失败:" << route;
        }
    }
    qDebug().noquote() << "[Tun2SocksManager] 路由规则添加完成:"
                       << QStringLiteral("%1/%2").arg(added).arg(m_routes.size());
    return added == m_routes.size();
}

void Tun2SocksManager::removeRoutes()
{
    qDebug().noquote() << "[Tun2SocksManager] 清除路由规则";
    for (const QString &route : std::as_const(m_routes))
        executeCommand(QStringLiteral("netsh"),
                       { QStringLiteral("interface"), QStringLiteral("ipv4"),
                         QStringLiteral("delete"), QStringLiteral("route"), route,
                         QStringLiteral("\"wintun\"") });
    qDebug().noquote() << "[Tun2SocksManager] 路由规则已清除";
}

void Tun2SocksManager::resetWintunConfig()
{
    qDebug().noquote() << "[Tun2SocksManager] 清除wintun配置";
    executeCommand(QStringLiteral("netsh"),
                   { QStringLiteral("interface"), QStringLiteral("ipv4"), QStringLiteral("set"),
                     QStringLiteral("dnsservers"), kAdapterArgument, QStringLiteral("dhcp") });
    executeCommand(QStringLiteral("netsh"),
                   { QStringLiteral("interface"), QStringLiteral("ipv4"), QStringLiteral("set"),
                     QStringLiteral("address"), kAdapterArgument, QStringLiteral("source=dhcp") });
    qDebug().noquote() << "[Tun2SocksManager] wintun配置已清除";
}

bool Tun2SocksManager::executeCommand(const QString &program, const QStringList &arguments)
{
    return ProcessRunner::runTool(QStringLiteral("[Tun2SocksManager]"), program, arguments,
                                  EngineTimings::current().toolTimeoutMs);
}

void Tun2SocksManager::onTun2SocksStarted()
{
    qDebug().noquote() << "[Tun2SocksManager] tun2socks进程已启动";
    emit started();
}

void Tun2SocksManager::onTun2SocksFinished(int exitCode, QProcess::ExitStatus exitStatus)
{
    const bool crashed = exitStatus == QProcess::CrashExit;
    qDebug().noquote() << "[Tun2SocksManager] tun2socks进程已退出, 退出码:" << exitCode
                       << ", 状态:" << (crashed ? "崩溃" : "正常");
    m_isRunning = false;
    if (m_reports.isCrash(exitStatus))
        emit error(m_reports.crashText());
    emit stopped();
}

void Tun2SocksManager::onTun2SocksError(QProcess::ProcessError processError)
{
    if (!m_reports.reportsError(processError))
        return;
    const QString text = m_reports.errorText(processError);
    qWarning().noquote() << "[Tun2SocksManager]" << text;
    emit error(text);
}

void Tun2SocksManager::onTun2SocksStdout()
{
    const QString text = ProcessReports::readOutput(m_process, QProcess::StandardOutput);
    if (text.isEmpty())
        return;
    qDebug().noquote() << "[tun2socks输出]" << text;
    emit logOutput(QStringLiteral("[tun2socks] ") + text);
}

void Tun2SocksManager::onTun2SocksStderr()
{
    const QString text = ProcessReports::readOutput(m_process, QProcess::StandardError);
    if (text.isEmpty())
        return;
    qDebug().noquote() << "[tun2socks错误]" << text;
    emit logOutput(QStringLiteral("[tun2socks错误] ") + text);
}

} // namespace Orvo::Api::Vpn
