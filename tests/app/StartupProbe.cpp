// Linked into a test build of the program: once the application object
// exists, it waits for the home screen, prints what the screen shows as one
// JSON line, connects when ORVO_PROBE_CONNECT names a VMess link, and then
// closes the window the way the user does. The program's own main runs
// unchanged around it.
#include <QCoreApplication>
#include <QGuiApplication>
#include <QJsonObject>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTimer>

#include "ChildProcess.h"
#include "ProbeSupport.h"
#include "QmlApiAdapter.h"

using Orvo::Probe::findItem;
using Orvo::Probe::programWindow;

namespace {

void report(QQuickWindow *window, QQuickItem *home, bool connected)
{
    const QQuickItem *name = findItem(home, QStringLiteral("userNameText"));
    const QJsonObject result {
        { "title", window->title() },
        { "userName", name ? name->property("text").toString() : QString() },
        { "connected", connected },
    };
    Orvo::Testing::writeChildResult(result);
}

void closeWhenHome()
{
    auto *poll = new QTimer(QCoreApplication::instance());
    poll->setInterval(100);
    QObject::connect(poll, &QTimer::timeout, poll, [poll]() {
        QQuickWindow *window = programWindow();
        QQuickItem *home = window
            ? findItem(window->contentItem(), QStringLiteral("mainScreenWrapper"))
            : nullptr;
        // The home screen, and the replies of the start-up given time to arrive.
        if (!home || !home->isVisible() || home->opacity() < 1.0)
            return;
        poll->stop();
        const QString link = qEnvironmentVariable("ORVO_PROBE_CONNECT");
        if (link.isEmpty()) {
            QTimer::singleShot(500, window, [window, home]() {
                report(window, home, false);
                window->close();
            });
            return;
        }
        QQmlEngine *engine = qmlEngine(window);
        auto *api = engine
            ? qobject_cast<Orvo::Api::QmlApiAdapter *>(
                engine->rootContext()->contextProperty(QStringLiteral("API")).value<QObject *>())
            : nullptr;
        // A program without its "API" object fails the run instead of crashing it.
        if (!api) {
            std::fputs("startup probe: no \"API\" object to connect with\n", stderr);
            QCoreApplication::exit(4);
            return;
        }
        // Closed a little later, as a user would, not from inside the report.
        QObject::connect(api, &Orvo::Api::QmlApiAdapter::vpnConnected, window, [window, home]() {
            QTimer::singleShot(1000, window, [window, home]() {
                report(window, home, true);
                window->close();
            });
        });
        QObject::connect(api, &Orvo::Api::QmlApiAdapter::vpnConnectionFailed, window,
                         [window, home]() {
                             report(window, home, false);
                             window->close();
                         });
        api->connectVpn(5, link, false);
    });
    poll->start();
    // Never waits for ever, whatever the program does.
    QTimer::singleShot(30000, QCoreApplication::instance(), []() { QCoreApplication::exit(3); });
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(closeWhenHome)
