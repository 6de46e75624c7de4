// Linked into a test build of the program: once the window and its "API"
// object exist, it connects when ORVO_PROBE_CONNECT names a VMess link and
// prints one JSON line when the connection is up or has failed. It never ends
// the program itself: that is the test's, from outside. The program's own main
// runs unchanged around it.
#include <QCoreApplication>
#include <QJsonObject>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQuickWindow>
#include <QTimer>

#include <cstdio>

#include "ChildProcess.h"
#include "ProbeSupport.h"
#include "QmlApiAdapter.h"

namespace {

constexpr int kGiveUpMs = 20000;

Orvo::Api::QmlApiAdapter *apiOf(QQuickWindow *window)
{
    QQmlEngine *engine = window ? qmlEngine(window) : nullptr;
    return engine ? qobject_cast<Orvo::Api::QmlApiAdapter *>(
               engine->rootContext()->contextProperty(QStringLiteral("API")).value<QObject *>())
                  : nullptr;
}

void connectOnceThere()
{
    const QString link = qEnvironmentVariable("ORVO_PROBE_CONNECT");
    if (link.isEmpty())
        return;
    auto *poll = new QTimer(QCoreApplication::instance());
    poll->setInterval(100);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, link]() {
        Orvo::Api::QmlApiAdapter *api = apiOf(Orvo::Probe::programWindow());
        if (!api)
            return;
        poll->stop();
        QObject::connect(api, &Orvo::Api::QmlApiAdapter::vpnConnected, poll, []() {
            Orvo::Testing::writeChildResult({ { "connected", true } });
        });
        QObject::connect(api, &Orvo::Api::QmlApiAdapter::vpnConnectionFailed, poll, []() {
            Orvo::Testing::writeChildResult({ { "connected", false } });
        });
        api->connectVpn(5, link, false);
    });
    poll->start();
}

void startProbe()
{
    connectOnceThere();
    // Never waits for ever, whatever the test does.
    QTimer::singleShot(kGiveUpMs, QCoreApplication::instance(), []() {
        std::fputs("connected probe: not ended from outside in time\n", stderr);
        QCoreApplication::exit(3);
    });
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(startProbe)
