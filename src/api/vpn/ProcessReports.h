#pragma once

#include <QProcess>
#include <QString>

namespace Orvo::Api::Vpn {

// What the core and the tunnel tell about their long-running process, in one
// place: the texts of its errors, the text of its output, and whether its end
// was a crash or the stop that was asked for.
class ProcessReports
{
public:
    // name: how the texts call the program ("XRay", "tun2socks").
    explicit ProcessReports(const QString &name);

    QString errorText(QProcess::ProcessError error) const;
    // The process library's error, unless it is the kill of our own stop.
    bool reportsError(QProcess::ProcessError error) const;
    // A crash exit that our own stop did not cause.
    bool isCrash(QProcess::ExitStatus status) const;
    QString crashText() const;

    // What is waiting on the channel, decoded as UTF-8 and trimmed.
    static QString readOutput(QProcess *process, QProcess::ProcessChannel channel);

    // Runs stop() with the end of the process marked as asked for.
    template<typename Stop> void whileStopping(Stop stop)
    {
        const bool outer = m_stopping;
        m_stopping = true;
        stop();
        m_stopping = outer;
    }

private:
    QString m_name;
    bool m_stopping = false;
};

} // namespace Orvo::Api::Vpn
