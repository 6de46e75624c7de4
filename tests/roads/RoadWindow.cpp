#include "RoadWindow.h"

#include <QCoreApplication>
#include <QDebug>
#include <QGuiApplication>
#include <QImage>
#include <QPointer>
#include <QQmlApplicationEngine>
#include <QQmlContext>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTest>

#include <cstdlib>

#include "ApiManager.h"
#include "QmlApiAdapter.h"

namespace Orvo::Testing {

namespace {

// Steps of a drag, small enough for the list to follow the finger.
constexpr int kDragStepPx = 10;

void collect(QQuickItem *root, const QString &name, QList<QQuickItem *> *found)
{
    if (!root)
        return;
    if (root->objectName() == name)
        found->append(root);
    const QList<QQuickItem *> children = root->childItems();
    for (QQuickItem *child : children)
        collect(child, name, found);
}

} // namespace

RoadWindow::RoadWindow() = default;

RoadWindow::~RoadWindow()
{
    close();
}

bool RoadWindow::open()
{
    // As main: the start-up requests, the engine, the "API" object owned by
    // the application, the three import paths and the window.
    Api::ApiManager::instance()->initialize([](bool) {});
    m_engine = std::make_unique<QQmlApplicationEngine>();
    m_api = new Api::QmlApiAdapter(qApp);
    m_engine->rootContext()->setContextProperty(QStringLiteral("API"), m_api);
    m_engine->addImportPath(QCoreApplication::applicationDirPath() + QStringLiteral("/qml"));
    m_engine->addImportPath(QStringLiteral(":/qt/qml"));
    m_engine->addImportPath(QStringLiteral(":/"));
    m_engine->load(QUrl(QStringLiteral("qrc:/qt/qml/LumoraContent/App.qml")));
    if (m_engine->rootObjects().isEmpty())
        return false;
    m_window = qobject_cast<QQuickWindow *>(m_engine->rootObjects().constFirst());
    if (!m_window || !QTest::qWaitForWindowExposed(m_window))
        return false;
    // The splash's three seconds only let time pass: its hand-over comes at
    // once, through its own timer and the stack's own transition.
    if (QObject *splashTimer = m_window->findChild<QObject *>(QStringLiteral("splashTimer")))
        splashTimer->setProperty("interval", 1);
    return true;
}

void RoadWindow::close()
{
    if (m_window)
        m_window->close();
    m_window = nullptr;
    m_engine.reset();
    delete m_api;
    m_api = nullptr;
}

QQuickItem *RoadWindow::stack() const
{
    return m_window ? m_window->property("stackView").value<QQuickItem *>() : nullptr;
}

QQuickItem *RoadWindow::topPage() const
{
    QQuickItem *pages = stack();
    return pages ? pages->property("currentItem").value<QQuickItem *>() : nullptr;
}

QString RoadWindow::topPageName() const
{
    const QQuickItem *page = topPage();
    return page ? page->objectName() : QString();
}

bool RoadWindow::showsPage(const QString &name) const
{
    const QQuickItem *pages = stack();
    return pages && !pages->property("busy").toBool() && topPageName() == name;
}

bool RoadWindow::waitForPage(const QString &name, int timeoutMs) const
{
    if (waitFor([&]() { return showsPage(name); }, timeoutMs))
        return true;
    qWarning().noquote() << "road: page" << name
                         << "never came to rest on top; on top:" << topPageName();
    return false;
}

int RoadWindow::depth() const
{
    const QQuickItem *pages = stack();
    return pages ? pages->property("depth").toInt() : 0;
}

QQuickItem *RoadWindow::find(QQuickItem *root, const QString &name)
{
    QList<QQuickItem *> found;
    collect(root, name, &found);
    return found.value(0);
}

QList<QQuickItem *> RoadWindow::allSeen(const QString &name, QQuickItem *root) const
{
    QList<QQuickItem *> found;
    collect(root ? root : topPage(), name, &found);
    QList<QQuickItem *> result;
    for (QQuickItem *item : std::as_const(found)) {
        if (isSeen(item))
            result << item;
    }
    return result;
}

QQuickItem *RoadWindow::seen(const QString &name, QQuickItem *root) const
{
    return allSeen(name, root).value(0);
}

QQuickItem *RoadWindow::waitForSeen(const QString &name, QQuickItem *root, int timeoutMs) const
{
    const QPointer<QQuickItem> within(root);
    QQuickItem *item = nullptr;
    const bool shown = waitFor(
        [&]() {
            if (root && !within)
                return false;
            item = seen(name, within);
            return item != nullptr;
        },
        timeoutMs);
    if (!shown)
        qWarning().noquote() << "road: never seen:" << name << "on" << topPageName();
    return shown ? item : nullptr;
}

QString RoadWindow::shownText(const QString &name, QQuickItem *root) const
{
    const QQuickItem *item = seen(name, root);
    return item ? item->property("text").toString() : QStringLiteral("<%1 not seen>").arg(name);
}

QQuickItem *RoadWindow::seenWithText(const QString &name, const QString &text,
                                     QQuickItem *root) const
{
    const QList<QQuickItem *> items = allSeen(name, root);
    for (QQuickItem *item : items) {
        if (item->property("text").toString() == text)
            return item;
    }
    return nullptr;
}

bool RoadWindow::isSeen(const QQuickItem *item)
{
    if (!item || !item->window() || !item->isVisible() || item->width() <= 0 || item->height() <= 0)
        return false;
    const QPointF centre = centreOf(item);
    if (!QRectF(QPointF(0, 0), item->window()->size()).contains(centre))
        return false;
    for (const QQuickItem *it = item; it; it = it->parentItem()) {
        if (it->opacity() <= 0.0)
            return false;
        if (it != item && it->clip()
            && !QRectF(it->mapToScene(QPointF(0, 0)), it->size()).contains(centre))
            return false;
    }
    return true;
}

bool RoadWindow::click(const QString &name, QQuickItem *root)
{
    return click(waitForSeen(name, root));
}

bool RoadWindow::click(QQuickItem *item)
{
    const QPointer<QQuickItem> target(item);
    const bool ready
        = target
        && waitFor(
              [&]() {
                  const QQuickItem *pages = stack();
                  return target && isSeen(target) && !(pages && pages->property("busy").toBool());
              },
              kStepTimeoutMs);
    if (!ready) {
        qWarning().noquote() << "road: cannot click"
                             << (target ? target->objectName() : QStringLiteral("<gone>"));
        return false;
    }
    QTest::mouseClick(m_window, Qt::LeftButton, Qt::NoModifier, centreOf(target).toPoint());
    return true;
}

bool RoadWindow::typeInto(const QString &fieldName, const QString &text)
{
    QQuickItem *field = waitForSeen(fieldName);
    if (!click(field))
        return false;
    const QPointer<QQuickItem> focused(field);
    if (!waitFor([&]() { return focused && focused->hasActiveFocus(); }, kStepTimeoutMs)) {
        qWarning().noquote() << "road: no focus in" << fieldName;
        return false;
    }
    for (const QChar character : text)
        QTest::keyClick(m_window, character.toLatin1());
    return focused && focused->property("text").toString() == text;
}

bool RoadWindow::press(QQuickItem *item)
{
    if (!item || !isSeen(item))
        return false;
    m_pointer = centreOf(item).toPoint();
    QTest::mousePress(m_window, Qt::LeftButton, Qt::NoModifier, m_pointer);
    return true;
}

void RoadWindow::moveBy(int dy)
{
    const int step = dy < 0 ? -kDragStepPx : kDragStepPx;
    for (int moved = 0; std::abs(moved) < std::abs(dy); moved += step) {
        m_pointer.ry() += step;
        QTest::mouseMove(m_window, m_pointer);
    }
}

void RoadWindow::release()
{
    QTest::mouseRelease(m_window, Qt::LeftButton, Qt::NoModifier, m_pointer);
}

QObject *RoadWindow::appMessageBox() const
{
    return m_window ? m_window->property("messageDialog").value<QObject *>() : nullptr;
}

QObject *RoadWindow::pageMessageBox(QQuickItem *page)
{
    return page ? page->findChild<QObject *>(QStringLiteral("messageDialog")) : nullptr;
}

QQuickItem *RoadWindow::openBoxContent(QObject *box)
{
    if (!box || !box->property("opened").toBool())
        return nullptr;
    return box->property("contentItem").value<QQuickItem *>();
}

bool RoadWindow::saveShot(const QString &path) const
{
    return m_window && m_window->grabWindow().save(path);
}

bool RoadWindow::waitFor(const std::function<bool()> &condition, int timeoutMs)
{
    // Once the road has failed, its later steps only report.
    if (QTest::currentTestFailed())
        return condition();
    return QTest::qWaitFor(condition, timeoutMs);
}

QPointF RoadWindow::centreOf(const QQuickItem *item)
{
    return item->mapToScene(QPointF(item->width() / 2, item->height() / 2));
}

} // namespace Orvo::Testing
