#pragma once

#include <QList>
#include <QMetaMethod>
#include <QObject>
#include <QStringList>
#include <QVariantList>

namespace Orvo::Testing {

// Every signal an object emits, in the order emitted, with its arguments.
// Like QSignalSpy, but for all signals of the object at once, so that the
// order across signals can be checked.
class SignalLog : public QObject
{
public:
    struct Event
    {
        QByteArray name;
        QVariantList arguments;
    };

    explicit SignalLog(QObject *source);

    int qt_metacall(QMetaObject::Call call, int id, void **arguments) override;

    const QList<Event> &events() const { return m_events; }
    // "name" or "name(a, b)" for each event whose arguments are plain values;
    // maps and lists are written as "{…}" and "[…]".
    QStringList texts() const;
    QList<Event> named(const QByteArray &name) const;
    int count(const QByteArray &name) const { return named(name).size(); }
    void clear() { m_events.clear(); }

private:
    QList<QMetaMethod> m_signals;
    QList<Event> m_events;
};

} // namespace Orvo::Testing
