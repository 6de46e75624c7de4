#pragma once

// What the probes built into the program share: the process's CPU time and
// finding the window and its items from inside the process.

#include <QGuiApplication>
#include <QQuickItem>
#include <QQuickWindow>
#include <QString>
#include <QWindow>

#include <sys/resource.h>

namespace Orvo::Probe {

// User and system time of the whole process so far.
inline long long cpuMicroseconds()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    const auto micros = [](const timeval &time) {
        return static_cast<long long>(time.tv_sec) * 1000000 + time.tv_usec;
    };
    return micros(usage.ru_utime) + micros(usage.ru_stime);
}

inline QQuickItem *findItem(QQuickItem *root, const QString &name)
{
    if (!root)
        return nullptr;
    if (root->objectName() == name)
        return root;
    const QList<QQuickItem *> children = root->childItems();
    for (QQuickItem *child : children) {
        if (QQuickItem *found = findItem(child, name))
            return found;
    }
    return nullptr;
}

inline QQuickWindow *programWindow()
{
    const QWindowList windows = QGuiApplication::topLevelWindows();
    for (QWindow *window : windows) {
        if (auto *quickWindow = qobject_cast<QQuickWindow *>(window))
            return quickWindow;
    }
    return nullptr;
}

} // namespace Orvo::Probe
