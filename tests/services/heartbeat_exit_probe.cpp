// Starts a heartbeat series and a payment poll and leaves main while they run, the way the program
// ends when its window is closed during a connection. Modes (first argument):
//   "answered"  quits once the first heartbeat has been answered;
//   "in-flight" quits while the first heartbeat still waits for its answer;
//   "no-loop"   returns without ever running the event loop.
#include <QCoreApplication>
#include <QDebug>
#include <QTimer>

#include "ApiManager.h"
#include "network/HttpClient.h"
#include "services/AnnouncementService.h"
#include "services/HeartbeatService.h"
#include "services/OrderService.h"
#include "services/PaymentService.h"
#include "services/ServerService.h"

using Orvo::Api::Network::HttpClient;
using Orvo::Api::Services::HeartbeatService;

// Whatever is logged after this line happens while the process exits.
static const char *const kLeaving = HEARTBEAT_PROBE_LEAVING_MAIN;

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QString mode = app.arguments().value(1);

    // Every singleton of the client exists, as in the program.
    Orvo::Api::ApiManager::instance();
    Orvo::Api::Services::ServerService::instance();
    Orvo::Api::Services::OrderService::instance();
    Orvo::Api::Services::AnnouncementService::instance();
    HttpClient::instance()->setAuthToken(QStringLiteral("tok-exit"));
    Orvo::Api::Services::PaymentService::instance()->startPolling(QStringLiteral("ORD-EXIT"), {},
                                                                  {}, {});
    HeartbeatService *heartbeat = HeartbeatService::instance();
    heartbeat->startAutoHeartbeat(7, 0);
    heartbeat->updateTraffic(1000, 2000);

    if (mode == QLatin1String("no-loop")) {
        qDebug().noquote() << kLeaving;
        return 0;
    }
    if (mode == QLatin1String("answered")) {
        QObject::connect(heartbeat, &HeartbeatService::heartbeatSuccess, &app,
                         &QCoreApplication::quit);
    } else {
        QTimer::singleShot(300, &app, &QCoreApplication::quit);
    }
    // Never waits for ever, whatever the service does.
    QTimer::singleShot(10000, &app, [&app]() { app.exit(3); });
    const int code = app.exec();
    qDebug().noquote() << kLeaving;
    return code;
}
