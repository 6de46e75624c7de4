#include <QCoreApplication>
#include <QDebug>
#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QQmlContext>
#include <QUrl>
#include <QtQml/qqmlextensionplugin.h>

#include "ApiManager.h"
#include "QmlApiAdapter.h"
#include "QuitSignals.h"
#include "network/HttpClient.h"
#include "vpn/LeftoverRepair.h"

Q_IMPORT_QML_PLUGIN(LumoraPlugin)
Q_IMPORT_QML_PLUGIN(LumoraContentPlugin)

namespace {

constexpr int kRequestsInFlightWaitMs = 2000;

// The close sends the connection's last heartbeat just before the event loop
// ends, and a failed start may leave the start-up requests running. A reply
// left in flight would never be freed: it gets a bounded moment to end.
void finishRequestsInFlight()
{
    Orvo::Api::Network::HttpClient::instance()->waitForRequestsInFlight(kRequestsInFlightWaitMs);
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    // A termination request (or, on Windows, the end of the session) closes
    // the window as the user does; one that comes before the event loop runs
    // is taken up once it does.
    const Orvo::Api::QuitSignals quitSignals(&finishRequestsInFlight);
    // A run that crashed or was killed may have left its core, the system
    // proxy on it and its configuration: repaired before any connection.
    Orvo::Api::Vpn::LeftoverRepair::run();

    // Only starts the work; the window comes up whatever its outcome.
    Orvo::Api::ApiManager::instance()->initialize([](bool success) {
        if (success)
            qDebug().noquote() << "API模块初始化成功";
        else
            qCritical().noquote() << "API模块初始化失败";
    });

    QQmlApplicationEngine engine;

    // Owned by the application, so it outlives the engine and every screen.
    auto *api = new Orvo::Api::QmlApiAdapter(&app);
    engine.rootContext()->setContextProperty(QStringLiteral("API"), api);

    // Each call puts its path first: the resources are searched before the
    // directory beside the executable, which cannot override them.
    const QString applicationDir = QCoreApplication::applicationDirPath();
    engine.addImportPath(applicationDir + QStringLiteral("/qml"));
    engine.addImportPath(QStringLiteral(":/qt/qml"));
    engine.addImportPath(QStringLiteral(":/"));
    qDebug().noquote() << "应用程序目录:" << applicationDir;
    qDebug().noquote() << "导入路径:" << engine.importPathList();

    QUrl url(QStringLiteral("qrc:/qt/qml/LumoraContent/App.qml"));
    qDebug().noquote() << "尝试加载URL:" << url.toString();

    // Queued, so it reports only once the event loop runs, that is, only when
    // a later load succeeded. Its own context, so that a start-up that gives
    // up can drop the reports still queued.
    auto *failureReport = new QObject(&app);
    QObject::connect(
        &engine, &QQmlApplicationEngine::objectCreationFailed, failureReport,
        [firstUrl = url](const QUrl &) {
            qDebug().noquote() << "加载失败:" << firstUrl.toString();
            qDebug().noquote() << "尝试备用路径...";
        },
        Qt::QueuedConnection);

    engine.load(url);
    if (engine.rootObjects().isEmpty()) {
        qDebug().noquote() << "第一种方式失败，尝试直接路径...";
        url = QUrl(QStringLiteral("qrc:/LumoraContent/App.qml"));
        qDebug().noquote() << "尝试加载URL:" << url.toString();
        engine.load(url);
    }
    if (engine.rootObjects().isEmpty()) {
        qDebug().noquote() << "所有加载方式都失败了";
        delete failureReport;
        finishRequestsInFlight();
        return -1;
    }

    qDebug().noquote() << "应用程序启动成功！";
    const int exitCode = app.exec();
    finishRequestsInFlight();
    return exitCode;
}
