// Saves a PNG of one component of the QML modules, drawn offscreen against
// the fake "API", for reviewing a page's look.
//
//   orvo_qml_shot LumoraContent/ScreenWrapper.qml home.png api:isLoggedIn=true
//       api:userName='"Mia"' api:freeMinutes=0 page:selectedServerName='"Tokyo 01"'
//       page:selectedServerCountryCode='"JP"' emit:vpnConnected='[]'
//       emit:vpnDurationChanged='[3725]'
//
// Values are JSON (a bare word that is not JSON is taken as text). "api:" sets
// a property of the fake "API" before the page is created, "page:" a property
// of the page's root, "emit:" emits a signal of "API" with the listed
// arguments once the page is up. "expect:size=430x880" fails the run when the
// picture has another size. Inside emitted values a text "date:<ISO 8601>"
// becomes a date-time, as the bridge hands order and announcement dates over.

#include <QDateTime>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMetaMethod>
#include <QQmlComponent>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSize>
#include <QTimer>
#include <QtQml/qqmlextensionplugin.h>

#include <cstdio>

#include "FakeApi.h"

Q_IMPORT_QML_PLUGIN(LumoraPlugin)
Q_IMPORT_QML_PLUGIN(LumoraContentPlugin)

using Orvo::Testing::FakeApi;

namespace {

QVariant parseValue(const QString &text)
{
    const QJsonDocument document
        = QJsonDocument::fromJson(QStringLiteral("[%1]").arg(text).toUtf8());
    if (document.isArray() && document.array().size() == 1)
        return document.array().at(0).toVariant();
    return text;
}

QVariant withDates(const QVariant &value)
{
    if (value.metaType().id() == QMetaType::QString) {
        const QString text = value.toString();
        if (text.startsWith(QLatin1String("date:")))
            return QDateTime::fromString(text.mid(5), Qt::ISODate);
        return value;
    }
    if (value.metaType().id() == QMetaType::QVariantList) {
        QVariantList list = value.toList();
        for (QVariant &element : list)
            element = withDates(element);
        return list;
    }
    if (value.metaType().id() == QMetaType::QVariantMap) {
        QVariantMap map = value.toMap();
        for (auto it = map.begin(); it != map.end(); ++it)
            it.value() = withDates(it.value());
        return map;
    }
    return value;
}

bool emitSignal(QObject *object, const QString &name, const QVariant &arguments)
{
    const QMetaObject *meta = object->metaObject();
    const QVariantList values = arguments.toList();
    for (int i = meta->methodOffset(); i < meta->methodCount(); ++i) {
        const QMetaMethod method = meta->method(i);
        if (method.methodType() != QMetaMethod::Signal || method.name() != name.toLatin1()
            || method.parameterCount() != values.size())
            continue;
        QVariantList converted;
        for (int p = 0; p < values.size(); ++p) {
            QVariant value = withDates(values.at(p));
            if (!value.convert(method.parameterMetaType(p)))
                return false;
            converted.append(value);
        }
        QGenericArgument args[10];
        for (int p = 0; p < converted.size(); ++p)
            args[p] = QGenericArgument(converted.at(p).typeName(), converted.at(p).constData());
        return method.invoke(object, Qt::DirectConnection, args[0], args[1], args[2], args[3],
                             args[4], args[5], args[6], args[7], args[8], args[9]);
    }
    return false;
}

int fail(const QString &message)
{
    std::fprintf(stderr, "orvo_qml_shot: %s\n", qPrintable(message));
    return 1;
}

} // namespace

int main(int argc, char *argv[])
{
    // The software renderer needs no GPU and draws the same on every machine.
    QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    QGuiApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() < 3)
        return fail(QStringLiteral("usage: orvo_qml_shot <Module/File.qml> <out.png> "
                                   "[api:NAME=VALUE] [page:NAME=VALUE] [emit:SIGNAL=[ARGS]] "
                                   "[expect:size=WIDTHxHEIGHT]"));

    QQmlEngine engine;
    engine.addImportPath(QStringLiteral("qrc:/qt/qml"));
    FakeApi api;
    engine.rootContext()->setContextProperty(QStringLiteral("API"), &api);

    QList<QPair<QString, QVariant>> pageValues;
    QList<QPair<QString, QVariant>> emissions;
    QSize expectedSize;
    for (const QString &argument : arguments.mid(3)) {
        const qsizetype colon = argument.indexOf(u':');
        const qsizetype equals = argument.indexOf(u'=');
        if (colon < 0 || equals < colon)
            return fail(QStringLiteral("bad argument: %1").arg(argument));
        const QString kind = argument.left(colon);
        const QString name = argument.mid(colon + 1, equals - colon - 1);
        const QVariant value = parseValue(argument.mid(equals + 1));
        if (kind == QLatin1String("api")) {
            if (!api.setValue(name, value))
                return fail(QStringLiteral("\"API\" has no property %1 of that type").arg(name));
        } else if (kind == QLatin1String("page")) {
            pageValues.append({ name, value });
        } else if (kind == QLatin1String("emit")) {
            emissions.append({ name, value });
        } else if (kind == QLatin1String("expect") && name == QLatin1String("size")) {
            const QStringList sides = argument.mid(equals + 1).split(u'x');
            if (sides.size() == 2)
                expectedSize = QSize(sides.at(0).toInt(), sides.at(1).toInt());
            if (expectedSize.isEmpty())
                return fail(QStringLiteral("bad size: %1").arg(argument));
        } else {
            return fail(QStringLiteral("bad argument: %1").arg(argument));
        }
    }

    QQmlComponent component(&engine, QUrl(QStringLiteral("qrc:/qt/qml/") + arguments.at(1)));
    QObject *object = component.beginCreate(engine.rootContext());
    auto *item = qobject_cast<QQuickItem *>(object);
    if (!item)
        return fail(component.errorString().isEmpty() ? QStringLiteral("not an item")
                                                      : component.errorString());
    for (const auto &[name, value] : pageValues) {
        if (!item->setProperty(name.toLatin1().constData(), value))
            return fail(QStringLiteral("the page has no property %1").arg(name));
    }
    QQuickWindow window;
    window.setColor(Qt::black);
    item->setParentItem(window.contentItem());
    component.completeCreate();
    window.resize(int(item->width()), int(item->height()));
    window.show();

    for (const auto &[name, value] : emissions) {
        if (!emitSignal(&api, name, value))
            return fail(QStringLiteral("cannot emit %1 with those arguments").arg(name));
    }

    // Long enough for the page's short colour and opacity animations to settle.
    QTimer::singleShot(800, &app, &QCoreApplication::quit);
    app.exec();

    const QImage image = window.grabWindow();
    if (image.isNull() || !image.save(arguments.at(2)))
        return fail(QStringLiteral("cannot save %1").arg(arguments.at(2)));
    std::printf("%s: %dx%d\n", qPrintable(arguments.at(2)), image.width(), image.height());
    delete object;
    // A removed picture's texture goes at the next frame; without one it is
    // never freed.
    window.grabWindow();
    if (expectedSize.isValid() && image.size() != expectedSize)
        return fail(QStringLiteral("%1 is not %2x%3")
                        .arg(arguments.at(2))
                        .arg(expectedSize.width())
                        .arg(expectedSize.height()));
    return 0;
}
