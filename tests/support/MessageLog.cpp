#include "MessageLog.h"

#include <QMutexLocker>

#include <cstdio>

namespace Orvo::Testing {

MessageLog *MessageLog::instance()
{
    static MessageLog log;
    return &log;
}

MessageLog::MessageLog()
{
    install();
}

void MessageLog::install()
{
    const QtMessageHandler current = qInstallMessageHandler(&MessageLog::handle);
    if (current != &MessageLog::handle) {
        QMutexLocker locker(&m_mutex);
        m_previous = current;
    }
}

void MessageLog::handle(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    MessageLog *log = instance();
    QtMessageHandler previous = nullptr;
    {
        QMutexLocker locker(&log->m_mutex);
        log->m_lines.append(message);
        previous = log->m_previous;
    }
    if (previous)
        previous(type, context, message);
    else
        std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

QStringList MessageLog::lines() const
{
    QMutexLocker locker(&m_mutex);
    return m_lines;
}

bool MessageLog::has(const QString &line) const
{
    return count(line) > 0;
}

int MessageLog::count(const QString &line) const
{
    QMutexLocker locker(&m_mutex);
    return int(m_lines.count(line));
}

QStringList MessageLog::startingWith(const QString &prefix) const
{
    QMutexLocker locker(&m_mutex);
    QStringList result;
    for (const QString &line : m_lines) {
        if (line.startsWith(prefix))
            result << line;
    }
    return result;
}

void MessageLog::clear()
{
    install();
    QMutexLocker locker(&m_mutex);
    m_lines.clear();
}

} // namespace Orvo::Testing
