#include <QQmlContext>
#include <QQmlEngine>
#include <QtQml/qqmlextensionplugin.h>
#include <QtQuickTest>

#include "FakeApi.h"
#include "FakeApiControl.h"
#include "MessageLog.h"
#include "SampleVmessLink.h"

Q_IMPORT_QML_PLUGIN(LumoraPlugin)
Q_IMPORT_QML_PLUGIN(LumoraContentPlugin)

using Orvo::Testing::FakeApi;
using Orvo::Testing::FakeApiControl;
using Orvo::Testing::MessageLog;

// Each test file gets an engine of its own and with it a fresh fake "API"
// ("ApiSpy" scripts it), the log of console lines ("ConsoleLog") and a
// well-formed VMess link ("SampleVmessLink"). With
// ORVO_QML_WITHOUT_API set there is no "API" at all, as when the screens run
// without the bridge.
class Setup : public QObject
{
    Q_OBJECT

public slots:
    void qmlEngineAvailable(QQmlEngine *engine)
    {
        engine->addImportPath(QStringLiteral("qrc:/qt/qml"));
        QQmlContext *context = engine->rootContext();
        context->setContextProperty(QStringLiteral("ConsoleLog"), MessageLog::instance());
        context->setContextProperty(QStringLiteral("SampleVmessLink"),
                                    Orvo::Testing::sampleVmessLink());
        if (qEnvironmentVariableIsSet("ORVO_QML_WITHOUT_API"))
            return;
        auto *api = new FakeApi(engine);
        context->setContextProperty(QStringLiteral("API"), api);
        context->setContextProperty(QStringLiteral("ApiSpy"), new FakeApiControl(api, engine));
    }
};

QUICK_TEST_MAIN_WITH_SETUP(qml, Setup)

#include "tst_qml.moc"
