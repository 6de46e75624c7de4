#pragma once

#include <QList>
#include <QObject>
#include <QProcess>
#include <QString>
#include <QStringList>

#include "vpn/ProcessReports.h"

namespace Orvo::Api::Vpn {

// Tunnel mode: runs tun2socks on a "wintun" adapter, gives the adapter its
// address and DNS server and routes the whole IPv4 space into it.
class Tun2SocksManager : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Tun2SocksManager)

public:
    // What the choice of the outgoing interface looks at.
    struct InterfaceEntry
    {
        QString name;
        bool isUp = false;
        bool isLoopback = false;
    };

    explicit Tun2SocksManager(QObject *parent = nullptr);
    ~Tun2SocksManager() override;

    bool start(const QString &proxyUrl);
    void stop();

    // The first entry that is up, not loopback and not a wintun adapter;
    // "以太网" when there is none.
    static QString choosePhysicalInterface(const QList<InterfaceEntry> &interfaces);

signals:
    void started();
    void stopped();
    void error(QString error);
    void logOutput(QString log);

private slots:
    void onTun2SocksStarted();
    void onTun2SocksFinished(int exitCode, QProcess::ExitStatus exitStatus);
    void onTun2SocksError(QProcess::ProcessError error);
    void onTun2SocksStdout();
    void onTun2SocksStderr();

private:
    bool startTun2SocksProcess(const QString &proxyUrl);
    void stopTun2SocksProcess();
    QString detectPhysicalInterface() const;
    bool configureWintunIp();
    bool configureWintunDns();
    bool addRoutes();
    void removeRoutes();
    void resetWintunConfig();
    bool executeCommand(const QString &program, const QStringList &arguments);
    void takeDown();

    QProcess *m_process;
    QString m_resourceDir;
    bool m_isRunning = false;
    QStringList m_routes;
    ProcessReports m_reports;
};

} // namespace Orvo::Api::Vpn
