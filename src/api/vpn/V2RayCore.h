#pragma once

#include <QObject>
#include <QProcess>
#include <QString>

#include <functional>

#include "vpn/ProcessReports.h"
#include "vpn/VmessConfig.h"

class QTimer;

namespace Orvo::Api::Vpn {

// Runs the proxy core beside the program with a configuration generated from a
// VmessConfig, relays its output, and keeps the traffic totals the client shows.
class V2RayCore : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(V2RayCore)

public:
    explicit V2RayCore(QObject *parent = nullptr);
    ~V2RayCore() override;

    // True when the core process has started; `connected` follows 2000 ms later.
    bool start(const VmessConfig &config);
    void stop();
    // The core process exists, whatever the core has reported about it.
    bool isRunning() const;
    static QString generateConfig(const VmessConfig &config);
    // Where every start writes the configuration it hands the core.
    static QString configFilePath();

    // A fault for tests, not an option of the program: the wait for the
    // process start. A start that never comes cannot be made here, where a
    // process has started by the time start() returns from launching it.
    using StartWait = std::function<bool(QProcess *process, int msecs)>;
    void setStartWaitForTesting(const StartWait &wait);

signals:
    void connected();
    void disconnected();
    void error(QString error);
    void trafficUpdate(qint64 upload, qint64 download);
    void logOutput(QString log);

private slots:
    void onXRayStarted();
    void onXRayFinished(int exitCode, QProcess::ExitStatus exitStatus);
    void onXRayError(QProcess::ProcessError error);
    void onXRayStdout();
    void onXRayStderr();
    void updateTrafficStats();

private:
    void onConnectDelayElapsed();
    void killTimedOutStart();
    void forgetRecordedCore();

    QProcess *m_process;
    QTimer *m_trafficTimer;
    // Single-shot and restarted by every start, so only the latest start of a
    // still-running core can report `connected`.
    QTimer *m_connectDelay;
    QString m_resourceDir;
    QString m_configPath;
    qint64 m_uploadBytes = 0;
    qint64 m_downloadBytes = 0;
    bool m_running = false;
    // The core whose record is kept (see LeftoverRepair); 0 when none is.
    qint64 m_recordedPid = 0;
    ProcessReports m_reports;
    StartWait m_startWait;

    // Shared by all cores and never reset: every tenth tick checks the process.
    static int s_tickCount;
};

} // namespace Orvo::Api::Vpn
