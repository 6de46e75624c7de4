#include "vpn/SystemProxyManager.h"

#include <QDebug>
#include <QUrl>

#include "vpn/EngineTimings.h"
#include "vpn/ProcessRunner.h"

namespace Orvo::Api::Vpn {

const QString SystemProxyManager::INTERNET_SETTINGS_KEY
    = QStringLiteral("HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings");

bool SystemProxyManager::setSystemProxy(const QString &proxyUrl)
{
    qDebug().noquote() << "[SystemProxyManager] 设置系统代理:" << proxyUrl;

    const QUrl url(proxyUrl, QUrl::TolerantMode);
    QString scheme = url.scheme();
    const QString host = url.host(QUrl::FullyDecoded);
    const int port = url.port(-1);
    if (!url.isValid() || scheme.isEmpty() || host.isEmpty() || port <= 0) {
        qWarning().noquote() << "[SystemProxyManager] 无效的代理URL:" << proxyUrl;
        return false;
    }

    // The Internet Settings know the SOCKS entry only as "socks".
    if (scheme == QLatin1String("socks5"))
        scheme = QStringLiteral("socks");
    const QString server = QStringLiteral("%1=%2:%3").arg(scheme, host, QString::number(port));
    qDebug().noquote() << "[SystemProxyManager] 代理服务器字符串:" << server;

    if (!setRegistryValue(INTERNET_SETTINGS_KEY, QStringLiteral("ProxyEnable"), QStringLiteral("1"),
                          QStringLiteral("REG_DWORD"))) {
        qWarning().noquote() << "[SystemProxyManager] 设置ProxyEnable失败";
        return false;
    }
    qDebug().noquote() << "[SystemProxyManager] ProxyEnable设置成功";

    if (!setRegistryValue(INTERNET_SETTINGS_KEY, QStringLiteral("ProxyServer"), server,
                          QStringLiteral("REG_SZ"))) {
        qWarning().noquote() << "[SystemProxyManager] 设置ProxyServer失败";
        return false;
    }
    qDebug().noquote() << "[SystemProxyManager] ProxyServer设置成功";

    if (executeCommand(QStringLiteral("netsh"),
                       { QStringLiteral("winhttp"), QStringLiteral("set"), QStringLiteral("proxy"),
                         QStringLiteral("proxy-server=\"%1\"").arg(server),
                         QStringLiteral("bypass-list=\"<local>\"") }))
        qDebug().noquote() << "[SystemProxyManager] WinHTTP代理设置成功";
    else
        qWarning().noquote() << "[SystemProxyManager] 设置WinHTTP代理失败";

    if (!setEnvironmentProxy(proxyUrl))
        qWarning().noquote() << "[SystemProxyManager] 设置环境变量代理失败";

    importWinHttpProxyFromIe();

    qDebug().noquote() << "[SystemProxyManager] 系统代理设置完成";
    return true;
}

bool SystemProxyManager::clearSystemProxy()
{
    qDebug().noquote() << "[SystemProxyManager] 清除系统代理";

    // Every step runs even when an earlier one failed: stopping at the
    // registry would leave WinHTTP and the variables on a core that is gone.
    const bool disabled = setRegistryValue(INTERNET_SETTINGS_KEY, QStringLiteral("ProxyEnable"),
                                           QStringLiteral("0"), QStringLiteral("REG_DWORD"));
    if (!disabled)
        qWarning().noquote() << "[SystemProxyManager] 清除ProxyEnable失败";

    if (!executeCommand(
            QStringLiteral("netsh"),
            { QStringLiteral("winhttp"), QStringLiteral("reset"), QStringLiteral("proxy") }))
        qWarning().noquote() << "[SystemProxyManager] 重置WinHTTP代理失败";

    clearEnvironmentProxy();
    importWinHttpProxyFromIe();

    if (!disabled)
        return false;
    qDebug().noquote() << "[SystemProxyManager] 系统代理已清除";
    return true;
}

bool SystemProxyManager::executeCommand(const QString &program, const QStringList &arguments)
{
    return ProcessRunner::runTool(QStringLiteral("[SystemProxyManager]"), program, arguments,
                                  EngineTimings::current().toolTimeoutMs);
}

bool SystemProxyManager::setRegistryValue(const QString &key, const QString &valueName,
                                          const QString &data, const QString &type)
{
    return executeCommand(QStringLiteral("reg"),
                          { QStringLiteral("add"), key, QStringLiteral("/v"), valueName,
                            QStringLiteral("/t"), type, QStringLiteral("/d"), data,
                            QStringLiteral("/f") });
}

bool SystemProxyManager::setEnvironmentProxy(const QString &proxyUrl)
{
    qDebug().noquote() << "[SystemProxyManager] 设置环境变量代理:" << proxyUrl;

    if (!executeCommand(QStringLiteral("setx"), { QStringLiteral("http_proxy"), proxyUrl })) {
        qWarning().noquote() << "[SystemProxyManager] 设置http_proxy失败";
        return false;
    }
    qDebug().noquote() << "[SystemProxyManager] http_proxy设置成功";

    if (!executeCommand(QStringLiteral("setx"), { QStringLiteral("https_proxy"), proxyUrl })) {
        qWarning().noquote() << "[SystemProxyManager] 设置https_proxy失败";
        return false;
    }
    qDebug().noquote() << "[SystemProxyManager] https_proxy设置成功";
    qDebug().noquote() << "[SystemProxyManager] 环境变量代理设置完成";
    return true;
}

bool SystemProxyManager::clearEnvironmentProxy()
{
    qDebug().noquote() << "[SystemProxyManager] 清除环境变量代理";

    if (!executeCommand(QStringLiteral("setx"), { QStringLiteral("http_proxy"), QString() }))
        qWarning().noquote() << "[SystemProxyManager] 清除http_proxy失败";
    if (!executeCommand(QStringLiteral("setx"), { QStringLiteral("https_proxy"), QString() }))
        qWarning().noquote() << "[SystemProxyManager] 清除https_proxy失败";

    qDebug().noquote() << "[SystemProxyManager] 环境变量代理已清除";
    return true;
}

bool SystemProxyManager::importWinHttpProxyFromIe()
{
    return executeCommand(QStringLiteral("netsh"),
                          { QStringLiteral("winhttp"), QStringLiteral("import"),
                            QStringLiteral("proxy"), QStringLiteral("source=ie") });
}

} // namespace Orvo::Api::Vpn
