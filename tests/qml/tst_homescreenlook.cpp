// The connected home screen as the user sees it, free and VIP, with the glow
// held at fixed points of its pulse, compared by pixels with the pictures in
// fixtures/. Offscreen it is drawn by the software renderer the review pictures
// use; on an X display (QT_QPA_PLATFORM=xcb) by OpenGL, as the program draws
// it. Each renderer has its own pictures. Each picture taken is saved in the
// test's home for review.
//
// ORVO_RECORD_LOOK=<dir> saves the pictures there as the new references
// instead of comparing.
#include <QDir>
#include <QImage>
#include <QQmlComponent>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTest>
#include <QtQml/qqmlextensionplugin.h>

#include <memory>

#include "FakeApi.h"

Q_IMPORT_QML_PLUGIN(LumoraPlugin)
Q_IMPORT_QML_PLUGIN(LumoraContentPlugin)

using Orvo::Testing::FakeApi;

namespace {

// A channel this close to the reference cannot be told apart by eye.
constexpr int kUnseenChannelStep = 6;
// Pixels a little further off (a glyph's or an edge's smoothing) may be this
// many; none may be further off than kMostChannelStep.
constexpr int kMostChannelStep = 24;
constexpr qsizetype kMostSmoothedPixels = 200;

int channelStep(QRgb a, QRgb b)
{
    return std::max({ std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                      std::abs(qBlue(a) - qBlue(b)) });
}

// How far the pixel of one picture is from the closest of the other's nine
// pixels around the same place.
int nearestStep(const QImage &one, const QImage &other, int x, int y)
{
    const QRgb pixel = one.pixel(x, y);
    int nearest = 255;
    for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
            if (other.valid(x + dx, y + dy))
                nearest = std::min(nearest, channelStep(pixel, other.pixel(x + dx, y + dy)));
        }
    }
    return nearest;
}

} // namespace

class HomeScreenLookTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    }

    void connectedLooksAsBefore_data()
    {
        QTest::addColumn<bool>("vip");
        QTest::addColumn<double>("glowOpacity");
        // The top of the pulse, where the glow shows most, and a point on its way.
        QTest::newRow("free-top") << false << 0.2;
        QTest::newRow("free-rising") << false << 0.07;
        QTest::newRow("vip-top") << true << 0.2;
    }

    void connectedLooksAsBefore()
    {
        QFETCH(bool, vip);
        QFETCH(double, glowOpacity);

        FakeApi api;
        QVERIFY(api.setValue(QStringLiteral("isLoggedIn"), true));
        QVERIFY(api.setValue(QStringLiteral("userEmail"), QStringLiteral("mia@kesmar.example")));
        QVERIFY(api.setValue(QStringLiteral("userName"), vip ? QStringLiteral("mia") : QString()));
        QVERIFY(api.setValue(QStringLiteral("isVip"), vip));
        QVERIFY(api.setValue(QStringLiteral("vipDays"), vip ? 30 : 0));
        QVERIFY(api.setValue(QStringLiteral("freeMinutes"), vip ? 0 : 87));

        QQmlEngine engine;
        engine.addImportPath(QStringLiteral("qrc:/qt/qml"));
        engine.rootContext()->setContextProperty(QStringLiteral("API"), &api);
        QQmlComponent component(
            &engine, QUrl(QStringLiteral("qrc:/qt/qml/LumoraContent/ScreenWrapper.qml")));
        std::unique_ptr<QObject> object(component.beginCreate(engine.rootContext()));
        auto *page = qobject_cast<QQuickItem *>(object.get());
        QVERIFY2(page, qPrintable(component.errorString()));
        page->setProperty("selectedServerName",
                          vip ? QStringLiteral("新加坡 VIP") : QStringLiteral("香港 01"));
        page->setProperty("selectedServerCountryCode",
                          vip ? QStringLiteral("SG") : QStringLiteral("HK"));
        page->setProperty("selectedServerLatency", QStringLiteral("延迟: 45ms"));
        page->setProperty("selectedServerId", vip ? 3 : 1);

        QQuickWindow window;
        window.setColor(Qt::black);
        page->setParentItem(window.contentItem());
        component.completeCreate();
        window.resize(int(page->width()), int(page->height()));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        // The page is on the screen a moment before the connection comes up,
        // as for the user.
        QTest::qWait(300);
        emit api.vpnConnected();
        emit api.vpnDurationChanged(3725);
        emit api.vpnTrafficUpdate(6000, 3 * 1024 * 1024);

        // The glow at one point of its pulse: its steps stop, and it holds the
        // opacity given.
        auto *button = page->findChild<QQuickItem *>(QStringLiteral("connectBtn"));
        QVERIFY(button);
        QTRY_VERIFY(button->property("connected").toBool());
        auto *pulseTimer = button->findChild<QObject *>(QStringLiteral("pulseTimer"));
        auto *glow = button->findChild<QQuickItem *>(QStringLiteral("glow"));
        QVERIFY(pulseTimer && glow);
        pulseTimer->setProperty("running", false);
        glow->setOpacity(glowOpacity);
        // The page's short colour and opacity animations settle first.
        QTest::qWait(600);

        const QImage picture = window.grabWindow().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(picture.size(), QSize(430, 880));
        const bool software
            = window.rendererInterface()->graphicsApi() == QSGRendererInterface::Software;
        const QString name
            = QStringLiteral("home-connected-%1-%2.png")
                  .arg(QString::fromLatin1(QTest::currentDataTag()),
                       software ? QStringLiteral("software") : QStringLiteral("opengl"));
        QVERIFY(picture.save(QDir::home().filePath(name)));

        const QString recordDir = qEnvironmentVariable("ORVO_RECORD_LOOK");
        if (!recordDir.isEmpty()) {
            QVERIFY(picture.save(QDir(recordDir).filePath(name)));
            return;
        }
        const QImage reference = QImage(QStringLiteral(ORVO_LOOK_FIXTURES "/") + name)
                                     .convertToFormat(QImage::Format_RGB32);
        QCOMPARE(reference.size(), picture.size());

        // Each picture's pixel against the other's nearest match within one
        // pixel, both ways: a glyph placed a pixel over is not seen, a part
        // missing, added, moved or recoloured is.
        qsizetype smoothed = 0;
        int most = 0;
        QImage difference(picture.size(), QImage::Format_RGB32);
        difference.fill(Qt::black);
        for (int y = 0; y < picture.height(); ++y) {
            for (int x = 0; x < picture.width(); ++x) {
                const int step = std::max(nearestStep(picture, reference, x, y),
                                          nearestStep(reference, picture, x, y));
                most = std::max(most, step);
                if (step > kUnseenChannelStep) {
                    ++smoothed;
                    difference.setPixel(x, y, qRgb(255, 0, 0));
                }
            }
        }
        if (smoothed > kMostSmoothedPixels || most > kMostChannelStep)
            difference.save(QDir::home().filePath(QStringLiteral("difference-") + name));
        qInfo("%lld pixels more than %d off in a channel, at most %d", qlonglong(smoothed),
              kUnseenChannelStep, most);
        QVERIFY2(most <= kMostChannelStep,
                 qPrintable(QStringLiteral("a pixel is %1 off in a channel").arg(most)));
        QVERIFY2(smoothed <= kMostSmoothedPixels,
                 qPrintable(QStringLiteral("%1 pixels are more than %2 off in a channel")
                                .arg(smoothed)
                                .arg(kUnseenChannelStep)));
    }
};

QTEST_MAIN(HomeScreenLookTest)
#include "tst_homescreenlook.moc"
