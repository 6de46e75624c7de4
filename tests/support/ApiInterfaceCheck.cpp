#include "ApiInterfaceCheck.h"

#include <QMetaMethod>
#include <QMetaProperty>

#include <algorithm>

namespace Orvo::Testing {

namespace {

QString describe(const QMetaMethod &method)
{
    const char *kind = "other";
    switch (method.methodType()) {
    case QMetaMethod::Signal:
        kind = "signal";
        break;
    case QMetaMethod::Method:
        kind = "method";
        break;
    case QMetaMethod::Slot:
        kind = "slot";
        break;
    case QMetaMethod::Constructor:
        kind = "constructor";
        break;
    }
    QStringList parameters;
    const QList<QByteArray> names = method.parameterNames();
    for (int i = 0; i < method.parameterCount(); ++i)
        parameters << QString::fromLatin1(method.parameterMetaType(i).name()) + u' '
                + QString::fromLatin1(names.value(i));
    QString text
        = QStringLiteral("%1 %2 %3(%4)")
              .arg(QLatin1String(kind), QString::fromLatin1(method.returnMetaType().name()),
                   QString::fromLatin1(method.name()), parameters.join(QStringLiteral(", ")));
    if (method.access() != QMetaMethod::Public)
        text += QStringLiteral(" [not public]");
    return text;
}

QString describe(const QMetaProperty &property)
{
    return QStringLiteral("property %1 %2 notify %3%4")
        .arg(QString::fromLatin1(property.metaType().name()), QString::fromLatin1(property.name()),
             QString::fromLatin1(property.hasNotifySignal() ? property.notifySignal().name()
                                                            : QByteArray("-")),
             property.isWritable() || !property.isReadable() ? QStringLiteral(" [writable]")
                                                             : QString());
}

// A method that QML may call with fewer arguments appears once per count,
// each shorter entry directly after the full one.
QStringList methodsOf(const QMetaObject &metaObject)
{
    QStringList list;
    for (int i = metaObject.methodOffset(); i < metaObject.methodCount(); ++i)
        list << describe(metaObject.method(i));
    return list;
}

QStringList propertiesOf(const QMetaObject &metaObject)
{
    QStringList list;
    for (int i = metaObject.propertyOffset(); i < metaObject.propertyCount(); ++i)
        list << describe(metaObject.property(i));
    return list;
}

void compare(const QStringList &actual, const QStringList &expected, const char *what,
             QStringList *differences)
{
    const qsizetype count = std::max(expected.size(), actual.size());
    for (qsizetype i = 0; i < count; ++i) {
        const QString want = expected.value(i, QStringLiteral("(nothing)"));
        const QString have = actual.value(i, QStringLiteral("(nothing)"));
        if (want != have)
            *differences << QStringLiteral("%1 %2: expected \"%3\", found \"%4\"")
                                .arg(QLatin1String(what))
                                .arg(i)
                                .arg(want, have);
    }
}

} // namespace

QStringList ApiInterfaceCheck::differences(const QMetaObject &actual, const QMetaObject &expected)
{
    QStringList result;
    compare(methodsOf(actual), methodsOf(expected), "member", &result);
    compare(propertiesOf(actual), propertiesOf(expected), "property", &result);
    return result;
}

} // namespace Orvo::Testing
