#include "QuitSignals.h"

#include <QCoreApplication>
#include <QDebug>
#include <QGuiApplication>
#include <QPointer>
#include <QSessionManager>
#include <QSocketNotifier>
#include <QWindow>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace Orvo::Api {

namespace {

#ifdef Q_OS_WIN
constexpr bool kClosesAtSessionEnd = true;
#else
// Elsewhere a session manager asks for the program's data at a mere checkpoint
// as well, which must not end the connection.
constexpr bool kClosesAtSessionEnd = false;
#endif

#ifdef Q_OS_UNIX
// [0] is written by the handler, [1] read by the event loop.
int s_signalFds[2] = { -1, -1 };
using SignalAction = struct sigaction;
SignalAction s_previousTerm {};
SignalAction s_previousInt {};

void onQuitSignal(int signalNumber)
{
    // Async-signal-safe only: one byte naming the signal, never blocking.
    const int savedErrno = errno;
    const char byte = char(signalNumber);
    const ssize_t written = ::write(s_signalFds[0], &byte, 1);
    (void)written;
    errno = savedErrno;
}

bool prepare(int fd)
{
    return ::fcntl(fd, F_SETFD, FD_CLOEXEC) == 0
        && ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK) == 0;
}

void closeSignalFds()
{
    for (int &fd : s_signalFds) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}
#endif

} // namespace

QuitSignals::QuitSignals(std::function<void()> atSessionEnd, QObject *parent)
    : QObject(parent), m_atSessionEnd(std::move(atSessionEnd))
{
    listenForSignals();
    listenForSessionEnd();
}

QuitSignals::~QuitSignals()
{
    if (!m_notifier)
        return;
#ifdef Q_OS_UNIX
    ::sigaction(SIGTERM, &s_previousTerm, nullptr);
    ::sigaction(SIGINT, &s_previousInt, nullptr);
    delete m_notifier;
    m_notifier = nullptr;
    closeSignalFds();
#endif
}

void QuitSignals::closeLikeTheUser()
{
    QList<QPointer<QWindow>> open;
    const QWindowList windows = QGuiApplication::topLevelWindows();
    for (QWindow *window : windows) {
        if (window->isVisible())
            open << window;
    }
    // Closing the last window ends the event loop, as for the user.
    for (const QPointer<QWindow> &window : open) {
        if (window)
            window->close();
    }
    if (open.isEmpty())
        QCoreApplication::quit();
}

void QuitSignals::listenForSignals()
{
#ifdef Q_OS_UNIX
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, s_signalFds) != 0 || !prepare(s_signalFds[0])
        || !prepare(s_signalFds[1])) {
        qWarning().noquote() << "[QuitSignals] 无法接收终止信号";
        closeSignalFds();
        return;
    }
    m_notifier = new QSocketNotifier(qintptr(s_signalFds[1]), QSocketNotifier::Read, this);
    QObject::connect(m_notifier, &QSocketNotifier::activated, this, &QuitSignals::onSignalled);

    SignalAction action {};
    action.sa_handler = onQuitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, &s_previousTerm);
    ::sigaction(SIGINT, &action, &s_previousInt);
    // A program started with Ctrl+C ignored (in the background) keeps it so.
    if (s_previousInt.sa_handler == SIG_IGN)
        ::sigaction(SIGINT, &s_previousInt, nullptr);
#endif
}

void QuitSignals::onSignalled()
{
#ifdef Q_OS_UNIX
    char bytes[16];
    int signalNumber = 0;
    ssize_t count = 0;
    while ((count = ::read(s_signalFds[1], bytes, sizeof bytes)) > 0)
        signalNumber = bytes[count - 1];
    qDebug().noquote() << "[QuitSignals] 收到信号" << signalNumber << "，按关闭窗口的方式退出";
    closeLikeTheUser();
#endif
}

void QuitSignals::listenForSessionEnd()
{
#if QT_CONFIG(sessionmanager)
    auto *application = qobject_cast<QGuiApplication *>(QCoreApplication::instance());
    if (!kClosesAtSessionEnd || !application)
        return;
    // Asked before the session ends; the close runs to its end within the call.
    QObject::connect(
        application, &QGuiApplication::commitDataRequest, this,
        [this](QSessionManager &) {
            qDebug().noquote() << "[QuitSignals] 用户会话即将结束，按关闭窗口的方式退出";
            m_sessionEnding = true;
            closeLikeTheUser();
        },
        Qt::DirectConnection);
    // At the session's end Qt announces the quit, and the process ends right after.
    QObject::connect(application, &QCoreApplication::aboutToQuit, this, [this]() {
        if (m_sessionEnding && m_atSessionEnd)
            m_atSessionEnd();
    });
#endif
}

} // namespace Orvo::Api
