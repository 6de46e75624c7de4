#pragma once

#include <QString>
#include <QStringList>

namespace Orvo::Api::Vpn {

// Points the current user's proxy settings (Internet Settings in the
// registry, the WinHTTP proxy and the http_proxy/https_proxy variables) at
// the local core and takes them back, by running reg, netsh and setx.
// Keeps nothing between calls: every operation is static and blocks its
// caller.
class SystemProxyManager
{
public:
    SystemProxyManager() = delete;

    static const QString INTERNET_SETTINGS_KEY;

    // True when ProxyEnable and ProxyServer were both written.
    static bool setSystemProxy(const QString &proxyUrl);
    // Runs every clearing step even after a failure; true when ProxyEnable
    // was set to 0.
    static bool clearSystemProxy();

private:
    static bool executeCommand(const QString &program, const QStringList &arguments);
    static bool setRegistryValue(const QString &key, const QString &valueName, const QString &data,
                                 const QString &type);
    static bool setEnvironmentProxy(const QString &proxyUrl);
    static bool clearEnvironmentProxy();
    static bool importWinHttpProxyFromIe();
};

} // namespace Orvo::Api::Vpn
