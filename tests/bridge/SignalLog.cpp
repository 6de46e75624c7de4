#include "SignalLog.h"

#include <QMetaObject>

namespace Orvo::Testing {

SignalLog::SignalLog(QObject *source)
{
    const QMetaObject *meta = source->metaObject();
    const int base = QObject::staticMetaObject.methodCount();
    for (int i = meta->methodOffset(); i < meta->methodCount(); ++i) {
        const QMetaMethod method = meta->method(i);
        if (method.methodType() != QMetaMethod::Signal)
            continue;
        // Each signal goes to a member index of its own past those of QObject.
        QMetaObject::connect(source, i, this, base + static_cast<int>(m_signals.size()),
                             Qt::DirectConnection);
        m_signals.append(method);
    }
}

int SignalLog::qt_metacall(QMetaObject::Call call, int id, void **arguments)
{
    id = QObject::qt_metacall(call, id, arguments);
    if (id < 0 || call != QMetaObject::InvokeMetaMethod)
        return id;
    if (id < m_signals.size()) {
        const QMetaMethod &method = m_signals.at(id);
        Event event { method.name(), {} };
        for (int i = 0; i < method.parameterCount(); ++i)
            event.arguments.append(QVariant(method.parameterMetaType(i), arguments[i + 1]));
        m_events.append(event);
    }
    return id - static_cast<int>(m_signals.size());
}

QStringList SignalLog::texts() const
{
    QStringList list;
    for (const Event &event : m_events) {
        QStringList arguments;
        for (const QVariant &argument : event.arguments) {
            if (argument.typeId() == QMetaType::QVariantMap)
                arguments << QStringLiteral("{…}");
            else if (argument.typeId() == QMetaType::QVariantList)
                arguments << QStringLiteral("[…]");
            else
                arguments << argument.toString();
        }
        QString text = QString::fromLatin1(event.name);
        if (!event.arguments.isEmpty())
            text += u'(' + arguments.join(QStringLiteral(", ")) + u')';
        list << text;
    }
    return list;
}

QList<SignalLog::Event> SignalLog::named(const QByteArray &name) const
{
    QList<Event> list;
    for (const Event &event : m_events) {
        if (event.name == name)
            list.append(event);
    }
    return list;
}

} // namespace Orvo::Testing
