#include "ApiInterfaceCheck.h"

#include <QMetaMethod>
#include <QMetaProperty>

namespace Orvo::Testing {

namespace {

QString describe(const char *kind, const QByteArray &returnType, const QByteArray &name,
                 const QList<ApiParameter> &parameters)
{
    QStringList list;
    for (const ApiParameter &parameter : parameters)
        list << QString::fromLatin1(parameter.type.name()) + u' '
                + QString::fromLatin1(parameter.name);
    return QStringLiteral("%1 %2 %3(%4)")
        .arg(QLatin1String(kind), QString::fromLatin1(returnType), QString::fromLatin1(name),
             list.join(QStringLiteral(", ")));
}

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
    QList<ApiParameter> parameters;
    const QList<QByteArray> names = method.parameterNames();
    for (int i = 0; i < method.parameterCount(); ++i)
        parameters.append({ method.parameterMetaType(i), names.value(i) });
    QString text = describe(kind, method.returnMetaType().name(), method.name(), parameters);
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

QString describe(const ApiProperty &property)
{
    return QStringLiteral("property %1 %2 notify %3%4")
        .arg(QString::fromLatin1(property.type.name()), QString::fromLatin1(property.name),
             QString::fromLatin1(property.notifySignal),
             property.readOnly ? QString() : QStringLiteral(" [writable]"));
}

void compare(const QStringList &expected, const QStringList &actual, const char *what,
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

QStringList ApiInterfaceCheck::differences(const QMetaObject &metaObject,
                                           const ApiInterface &expected)
{
    QStringList wantedMethods;
    for (const ApiSignal &signal : expected.signalList)
        wantedMethods << describe("signal", "void", signal.name, signal.parameters);
    for (const ApiMethod &method : expected.methods) {
        for (int dropped = 0; dropped <= method.defaultedParameters; ++dropped)
            wantedMethods << describe("method", method.returnType.name(), method.name,
                                      method.parameters.mid(0, method.parameters.size() - dropped));
    }
    QStringList foundMethods;
    for (int i = metaObject.methodOffset(); i < metaObject.methodCount(); ++i)
        foundMethods << describe(metaObject.method(i));

    QStringList wantedProperties;
    for (const ApiProperty &property : expected.properties)
        wantedProperties << describe(property);
    QStringList foundProperties;
    for (int i = metaObject.propertyOffset(); i < metaObject.propertyCount(); ++i)
        foundProperties << describe(metaObject.property(i));

    QStringList result;
    compare(wantedMethods, foundMethods, "member", &result);
    compare(wantedProperties, foundProperties, "property", &result);
    return result;
}

} // namespace Orvo::Testing
