#include <QDir>
#include <QQmlComponent>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTest>
#include <QtQml/qqmlextensionplugin.h>

#include <memory>

#include "FakeApi.h"

Q_IMPORT_QML_PLUGIN(LumoraPlugin)
Q_IMPORT_QML_PLUGIN(LumoraContentPlugin)

using Orvo::Testing::FakeApi;

namespace {

QStringList g_warnings;
QtMessageHandler g_previousHandler = nullptr;

// Qt 6.4 only warns about a missing type, import or singleton, and the window
// then starts without it; here every warning fails the load.
void collectWarnings(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type != QtDebugMsg && type != QtInfoMsg)
        g_warnings << message;
    if (g_previousHandler)
        g_previousHandler(type, context, message);
}

} // namespace

class QmlModulesTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { g_previousHandler = qInstallMessageHandler(collectWarnings); }
    void cleanupTestCase() { qInstallMessageHandler(g_previousHandler); }
    void init() { g_warnings.clear(); }

    // What a type, import or singleton missing at run time looks like on 6.4:
    // only a warning. The check above must see it.
    void missingNameIsSeen()
    {
        QQmlEngine engine;
        QQmlComponent component(&engine);
        component.setData("import QtQuick\nItem { width: Constants.width }\n",
                          QUrl(QStringLiteral("qrc:/smoke/Missing.qml")));
        std::unique_ptr<QObject> object(component.create());
        QVERIFY(object);
        QVERIFY(!g_warnings.isEmpty());
        g_warnings.clear();
    }

    void loadsWithoutWarnings_data()
    {
        QTest::addColumn<QUrl>("url");
        QTest::addColumn<QByteArray>("source");
        // Every file the module carries, so a new page is checked the day it is
        // added; then each type by name, as the pages use them.
        const QString moduleDir = QStringLiteral(":/qt/qml/LumoraContent/");
        QStringList files = QDir(moduleDir).entryList({ QStringLiteral("*.qml") }, QDir::Files);
        files.sort();
        QByteArray everyType = "import QtQuick\nimport LumoraContent\nItem {\n";
        for (const QString &file : std::as_const(files)) {
            QString type = file;
            type.chop(type.endsWith(QLatin1String(".ui.qml")) ? 7 : 4);
            // The page stack needs its window; it loads through App.
            if (type == QLatin1String("PageStack"))
                continue;
            QTest::newRow(qPrintable(file))
                << QUrl(QStringLiteral("qrc") + moduleDir + file) << QByteArray();
            // The window is a top-level object of its own, not an item.
            if (type != QLatin1String("App"))
                everyType += "    " + type.toUtf8() + " {}\n";
        }
        everyType += "}\n";
        QVERIFY(files.size() > 20);
        QTest::newRow("every type by name")
            << QUrl(QStringLiteral("qrc:/smoke/Types.qml")) << everyType;
        QTest::newRow("Constants singleton")
            << QUrl(QStringLiteral("qrc:/smoke/Theme.qml"))
            << QByteArray("import QtQuick\nimport Lumora\nItem {\n"
                          "    width: Constants.width; height: Constants.height\n"
                          "    property string family: Constants.font.family\n"
                          "    property color background: Constants.backgroundColor\n}\n");
    }

    void loadsWithoutWarnings()
    {
        QFETCH(QUrl, url);
        QFETCH(QByteArray, source);

        QQuickWindow window;
        QQmlEngine engine;
        engine.addImportPath(QStringLiteral("qrc:/qt/qml"));
        FakeApi api;
        engine.rootContext()->setContextProperty(QStringLiteral("API"), &api);

        QQmlComponent component(&engine);
        if (source.isEmpty())
            component.loadUrl(url);
        else
            component.setData(source, url);
        QVERIFY2(component.isReady(), qPrintable(component.errorString()));
        QObject *object = component.beginCreate(engine.rootContext());
        QVERIFY2(object, qPrintable(component.errorString()));
        object->setProperty("parent", QVariant::fromValue(window.contentItem()));
        component.completeCreate();
        window.show();
        QTest::qWait(50);
        // The window builds its page stack behind the first frame.
        if (url.fileName() == QLatin1String("App.qml"))
            QTRY_VERIFY(object->property("stackView").value<QObject *>());
        delete object;

        QVERIFY2(g_warnings.isEmpty(), qPrintable(g_warnings.join(u'\n')));
    }
};

QTEST_MAIN(QmlModulesTest)

#include "tst_qmlmodules.moc"
