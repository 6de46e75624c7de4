// Linked into the steady-state benchmark programs: it counts the frames of the
// first Qt Quick window and, phase by phase, prints the CPU time and frames
// spent while the program just sits there. In the program it signs in through
// "API", clicks connect on the home screen, measures "connected", hides the
// window and measures "connected-hidden", shows it again, disconnects and
// measures "idle". In the empty window (ORVO_BENCH_EMPTY_WINDOW) it only
// measures "empty", or "glow" in the window with the one stepped glow
// (ORVO_BENCH_GLOW_WINDOW). Then it closes the window the way a user does.
//
// Each phase lasts ORVO_BENCH_PHASE_S seconds (default 30) and prints
//     phase <name> wall_ms=<n> cpu_ms=<n> frames=<n>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QObject>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTimer>

#include <atomic>
#include <cstdio>
#include <functional>
#include <memory>

#include "ProbeSupport.h"

using Orvo::Probe::cpuMicroseconds;
using Orvo::Probe::findItem;
using Orvo::Probe::programWindow;

namespace {

constexpr int kPollMs = 100;
constexpr int kSettleMs = 2000;
constexpr int kStepTimeoutMs = 30000;
constexpr int kFailedExitCode = 3;

std::atomic<long long> g_frames { 0 };

int phaseMs()
{
    bool ok = false;
    const int seconds = qEnvironmentVariableIntValue("ORVO_BENCH_PHASE_S", &ok);
    return ok && seconds > 0 ? seconds * 1000 : 30000;
}

void fail(const char *what)
{
    std::fprintf(stderr, "steady-state probe: %s\n", what);
    QCoreApplication::exit(kFailedExitCode);
}

// One step after another: wait for a condition (polled), pause, or measure.
class Script : public QObject
{
public:
    using Condition = std::function<bool()>;
    using Action = std::function<void()>;

    using QObject::QObject;

    void waitFor(const char *what, Condition condition, Action then)
    {
        auto poll = new QTimer(this);
        auto clock = std::make_shared<QElapsedTimer>();
        clock->start();
        poll->setInterval(kPollMs);
        QObject::connect(poll, &QTimer::timeout, this, [=]() {
            if (condition()) {
                poll->deleteLater();
                poll->stop();
                then();
            } else if (clock->elapsed() > kStepTimeoutMs) {
                poll->stop();
                fail(what);
            }
        });
        poll->start();
    }

    void pause(int ms, Action then) { QTimer::singleShot(ms, this, then); }

    void measure(const char *name, Action then)
    {
        const long long cpuStart = cpuMicroseconds();
        const long long framesStart = g_frames.load();
        auto clock = std::make_shared<QElapsedTimer>();
        clock->start();
        QTimer::singleShot(phaseMs(), this, [=]() {
            std::printf("phase %s wall_ms=%lld cpu_ms=%.1f frames=%lld\n", name,
                        static_cast<long long>(clock->elapsed()),
                        (cpuMicroseconds() - cpuStart) / 1000.0, g_frames.load() - framesStart);
            std::fflush(stdout);
            then();
        });
    }
};

#ifndef ORVO_BENCH_EMPTY_WINDOW
QObject *apiOf(QQuickWindow *window)
{
    QQmlEngine *engine = qmlEngine(window);
    return engine ? engine->rootContext()->contextProperty(QStringLiteral("API")).value<QObject *>()
                  : nullptr;
}

void runProgram(Script *script, QQuickWindow *window)
{
    // Found again at every poll: the page stack may still be settling.
    const auto button = [window]() {
        QQuickItem *home = findItem(window->contentItem(), QStringLiteral("mainScreenWrapper"));
        return home && home->isVisible() && home->opacity() >= 1.0
            ? findItem(home, QStringLiteral("connectBtn"))
            : nullptr;
    };
    const auto connected = [button]() {
        QQuickItem *item = button();
        return item && item->property("connected").toBool();
    };
    // The button's own signals, as its click emits them: the home screen's
    // handlers run the permission check and the connect or disconnect.
    const auto click
        = [button](const char *signal) { QMetaObject::invokeMethod(button(), signal); };

    // The steps, last first, each starting the next.
    const Script::Action idle = [=]() {
        script->waitFor(
            "no disconnect", [=]() { return !connected(); },
            [=]() {
                script->pause(kSettleMs,
                              [=]() { script->measure("idle", [window]() { window->close(); }); });
            });
    };
    const Script::Action hidden = [=]() {
        window->hide();
        script->pause(kSettleMs, [=]() {
            script->measure("connected-hidden", [=]() {
                window->show();
                click("disconnectionRequested");
                idle();
            });
        });
    };
    const Script::Action connectedPhase = [=]() {
        script->waitFor("no connection", connected, [=]() {
            script->pause(kSettleMs, [=]() { script->measure("connected", hidden); });
        });
    };
    script->waitFor(
        "no home screen", [button]() { return button() != nullptr; },
        [=]() {
            QObject *api = apiOf(window);
            if (!api) {
                fail("no \"API\" object");
                return;
            }
            if (!api->property("isLoggedIn").toBool())
                QMetaObject::invokeMethod(api, "login",
                                          Q_ARG(QString, QStringLiteral("bench@example.com")),
                                          Q_ARG(QString, QStringLiteral("bench")));
            script->waitFor(
                "not signed in with a server selected",
                [=]() {
                    // Between pages the home screen, and so its button, may be hidden.
                    const QQuickItem *connect = button();
                    return api->property("isLoggedIn").toBool() && connect
                        && connect->property("selectedServerId").toInt() > 0;
                },
                [=]() {
                    click("connectionRequested");
                    connectedPhase();
                });
        });
}
#else
void runEmptyWindow(Script *script, QQuickWindow *window)
{
    script->waitFor(
        "no window on the screen", [window]() { return window->isExposed(); },
        [=]() {
#ifdef ORVO_BENCH_GLOW_WINDOW
            const char *phase = "glow";
#else
            const char *phase = "empty";
#endif
            script->pause(kSettleMs,
                          [=]() { script->measure(phase, [window]() { window->close(); }); });
        });
}
#endif

void installProbe()
{
    auto *script = new Script(QCoreApplication::instance());
    script->waitFor(
        "no window", []() { return programWindow() != nullptr; },
        [script]() {
            QQuickWindow *window = programWindow();
            // frameSwapped may come from the render thread.
            QObject::connect(
                window, &QQuickWindow::frameSwapped, window, []() { ++g_frames; },
                Qt::DirectConnection);
#ifdef ORVO_BENCH_EMPTY_WINDOW
            runEmptyWindow(script, window);
#else
            runProgram(script, window);
#endif
        });
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(installProbe)
