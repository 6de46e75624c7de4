// Linked into both start-up benchmark programs, so each is timed the same way:
// on the first frame of the first Qt Quick window it prints one line with the
// CPU time used so far, and 300 ms later it closes that window the way a user
// does. Closing the last window ends either program.
#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QQuickWindow>
#include <QTimer>

#include <cstdio>
#include <memory>

#include "ProbeSupport.h"

using Orvo::Probe::cpuMicroseconds;

namespace {

constexpr int kCloseAfterFirstFrameMs = 300;
constexpr int kGiveUpMs = 20000;
constexpr int kGiveUpExitCode = 3;

void reportFirstFrame()
{
    std::printf("first-frame cpu_us=%lld\n", cpuMicroseconds());
    std::fflush(stdout);
}

void watchWindow(QQuickWindow *window)
{
    // frameSwapped may come from a render thread; the line is written there,
    // at the frame, and the close is left to the window's own thread.
    auto connection = std::make_shared<QMetaObject::Connection>();
    *connection = QObject::connect(
        window, &QQuickWindow::frameSwapped, window,
        [window, connection]() {
            QObject::disconnect(*connection);
            reportFirstFrame();
            QMetaObject::invokeMethod(
                window,
                [window]() {
                    QTimer::singleShot(kCloseAfterFirstFrameMs, window,
                                       [window]() { window->close(); });
                },
                Qt::QueuedConnection);
        },
        Qt::DirectConnection);
}

// Sees every event of the main thread until the first Qt Quick window gets
// one, which is before it is shown and so before its first frame.
class FirstWindowFilter : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (auto *window = qobject_cast<QQuickWindow *>(watched)) {
            QCoreApplication::instance()->removeEventFilter(this);
            watchWindow(window);
            deleteLater();
        }
        return QObject::eventFilter(watched, event);
    }
};

void installProbe()
{
    QCoreApplication *app = QCoreApplication::instance();
    app->installEventFilter(new FirstWindowFilter(app));
    // Never waits for ever, whatever the program does.
    QTimer::singleShot(kGiveUpMs, app, []() {
        std::fprintf(stderr, "no first frame and close within %d ms\n", kGiveUpMs);
        QCoreApplication::exit(kGiveUpExitCode);
    });
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(installProbe)
