#include "vpn/ProcessReports.h"

namespace Orvo::Api::Vpn {

ProcessReports::ProcessReports(const QString &name) : m_name(name) { }

QString ProcessReports::errorText(QProcess::ProcessError error) const
{
    switch (error) {
    case QProcess::FailedToStart:
        return m_name + QStringLiteral("启动失败，请检查文件是否存在");
    case QProcess::Crashed:
        return crashText();
    case QProcess::Timedout:
        return m_name + QStringLiteral("进程超时");
    case QProcess::ReadError:
        return m_name + QStringLiteral("进程读取错误");
    case QProcess::WriteError:
        return m_name + QStringLiteral("进程写入错误");
    default:
        return m_name + QStringLiteral("未知错误");
    }
}

bool ProcessReports::reportsError(QProcess::ProcessError error) const
{
    return !(error == QProcess::Crashed && m_stopping);
}

bool ProcessReports::isCrash(QProcess::ExitStatus status) const
{
    // Our own kill or terminate ends the process by a signal; that is no crash.
    return status == QProcess::CrashExit && !m_stopping;
}

QString ProcessReports::crashText() const
{
    return m_name + QStringLiteral("进程崩溃");
}

QString ProcessReports::readOutput(QProcess *process, QProcess::ProcessChannel channel)
{
    const QByteArray data = channel == QProcess::StandardOutput ? process->readAllStandardOutput()
                                                                : process->readAllStandardError();
    return QString::fromUtf8(data).trimmed();
}

} // namespace Orvo::Api::Vpn
