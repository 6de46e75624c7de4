#pragma once

#include <QObject>

#include <functional>

class QSocketNotifier;

namespace Orvo::Api {

// A request from outside to end the program takes the road of closing its
// window: the window's own close (which disconnects), the end of the event
// loop and the teardown after it. On Unix the requests are SIGTERM and SIGINT,
// turned into an event of the event loop; the handler itself only writes a
// byte. On Windows it is the end of the user's session. One lives at a time,
// created after the application object and before its event loop runs.
class QuitSignals : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(QuitSignals)

public:
    // atSessionEnd: what must still run when the session ends, after which
    // Windows ends the process without returning from the event loop.
    explicit QuitSignals(std::function<void()> atSessionEnd, QObject *parent = nullptr);
    ~QuitSignals() override;

    // Closes every open window the way the user does; quits when none is open.
    static void closeLikeTheUser();

private:
    void listenForSignals();
    void onSignalled();
    void listenForSessionEnd();

    std::function<void()> m_atSessionEnd;
    QSocketNotifier *m_notifier = nullptr;
    bool m_sessionEnding = false;
};

} // namespace Orvo::Api
