#pragma once

#include <QPoint>
#include <QPointF>
#include <QString>

#include <functional>
#include <memory>

class QObject;
class QQmlApplicationEngine;
class QQuickItem;
class QQuickWindow;

namespace Orvo::Api {
class QmlApiAdapter;
} // namespace Orvo::Api

namespace Orvo::Testing {

// The program's window built the way main builds it (the real "API" object,
// the QML modules from the resources), and a user in front of it: items are
// found by name among what the screen shows, clicked at their centre through
// the window and typed into with key events.
class RoadWindow
{
public:
    // How long a step may take on a loaded machine before the road gives up.
    static constexpr int kStepTimeoutMs = 20000;

    RoadWindow();
    ~RoadWindow();
    RoadWindow(const RoadWindow &) = delete;
    RoadWindow &operator=(const RoadWindow &) = delete;

    // False when the window did not load.
    bool open();
    // As the user closes it; the window and the "API" object go.
    void close();

    QQuickWindow *window() const { return m_window; }
    Api::QmlApiAdapter *api() const { return m_api; }

    // The page stack (null until the window has built it) and its top page.
    QQuickItem *stack() const;
    QQuickItem *topPage() const;
    QString topPageName() const;
    // The page of that name on top with no page move under way.
    bool showsPage(const QString &name) const;
    bool waitForPage(const QString &name, int timeoutMs = kStepTimeoutMs) const;
    int depth() const;

    // The first item of that name under the root (the top page when null)
    // that the user can see, or null.
    QQuickItem *seen(const QString &name, QQuickItem *root = nullptr) const;
    // The same, waiting for it to show.
    QQuickItem *waitForSeen(const QString &name, QQuickItem *root = nullptr,
                            int timeoutMs = kStepTimeoutMs) const;
    // The text of a seen item, or a marker that says it is not seen.
    QString shownText(const QString &name, QQuickItem *root = nullptr) const;
    // The seen item of that name whose text is the given one.
    QQuickItem *seenWithText(const QString &name, const QString &text,
                             QQuickItem *root = nullptr) const;
    // Every seen item of that name, in the order of the scene.
    QList<QQuickItem *> allSeen(const QString &name, QQuickItem *root = nullptr) const;

    // Any item of that name under the root, seen or not.
    static QQuickItem *find(QQuickItem *root, const QString &name);
    // Visible, not transparent, inside the window and every clipping parent.
    static bool isSeen(const QQuickItem *item);

    // A left click at the item's centre once it is seen and no page moves;
    // false (with a warning naming it) when it never shows.
    bool click(const QString &name, QQuickItem *root = nullptr);
    bool click(QQuickItem *item);
    // Clicks the field, then types the text key by key (ASCII).
    bool typeInto(const QString &fieldName, const QString &text);
    // A drag with the left button: a press at the item's centre, moves of dy
    // pixels in small steps, the release where the moves ended.
    bool press(QQuickItem *item);
    void moveBy(int dy);
    void release();

    // The window's own message box and the register page's.
    QObject *appMessageBox() const;
    static QObject *pageMessageBox(QQuickItem *page);
    // The content of a message box, when it is open.
    static QQuickItem *openBoxContent(QObject *box);

    // A picture of what the window shows, saved as PNG.
    bool saveShot(const QString &path) const;

private:
    static bool waitFor(const std::function<bool()> &condition, int timeoutMs);
    static QPointF centreOf(const QQuickItem *item);

    Api::QmlApiAdapter *m_api = nullptr;
    std::unique_ptr<QQmlApplicationEngine> m_engine;
    QQuickWindow *m_window = nullptr;
    QPoint m_pointer;
};

} // namespace Orvo::Testing
