#ifndef ORVO_TESTING_MESSAGELOG_H
#define ORVO_TESTING_MESSAGELOG_H

#include <QMutex>
#include <QObject>
#include <QStringList>

namespace Orvo::Testing {

// Keeps every line that reaches the Qt message handler (console.log of QML
// included) and passes it on to the handler that was there before, so tests
// can check what the program writes to its log. Context property "ConsoleLog".
class MessageLog : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QStringList lines READ lines)

public:
    // Installs the handler on first use.
    static MessageLog *instance();
    Q_DISABLE_COPY_MOVE(MessageLog)

    QStringList lines() const;
    Q_INVOKABLE bool has(const QString &line) const;
    Q_INVOKABLE int count(const QString &line) const;
    // Lines beginning with the text, in order.
    Q_INVOKABLE QStringList startingWith(const QString &prefix) const;
    // Forgets the lines. It also puts the handler back in front: a test
    // framework that installs its own handler after ours would hide the lines.
    Q_INVOKABLE void clear();

private:
    MessageLog();
    void install();
    static void handle(QtMsgType type, const QMessageLogContext &context, const QString &message);

    mutable QMutex m_mutex;
    QStringList m_lines;
    QtMessageHandler m_previous = nullptr;
};

} // namespace Orvo::Testing

#endif
