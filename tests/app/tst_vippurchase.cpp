#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QQmlContext>
#include <QQmlExpression>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QtQml/qqmlextensionplugin.h>

#include "DevService.h"
#include "FakeService.h"
#include "FakeServiceFixture.h"
#include "QmlApiAdapter.h"
#include "services/PaymentService.h"

Q_IMPORT_QML_PLUGIN(LumoraPlugin)
Q_IMPORT_QML_PLUGIN(LumoraContentPlugin)

using Orvo::Api::QmlApiAdapter;
using Orvo::Api::Services::PaymentService;
using Orvo::Testing::DevService;
using Orvo::Testing::FakeService;

// The road of a purchase as a user of scripts/run.sh takes it: the window
// with the real "API" object against the development service, from the home
// screen's VIP card to the VIP state on the home screen.
class VipPurchaseTest : public QObject
{
    Q_OBJECT

private:
    FakeService m_service;
    DevService m_dev;
    QmlApiAdapter *m_api = nullptr;
    std::unique_ptr<QQmlApplicationEngine> m_engine;
    QObject *m_window = nullptr;

    // Script in the window's own scope, where its ids are known.
    QVariant evaluate(const QString &script)
    {
        QQmlExpression expression(qmlContext(m_window), m_window, script);
        const QVariant value = expression.evaluate();
        if (expression.hasError())
            qWarning() << expression.error().toString();
        return value;
    }

    QObject *vipScreen()
    {
        auto *page = evaluate(QStringLiteral("stackView.currentItem")).value<QObject *>();
        return page && page->objectName() == QLatin1String("vipPage")
            ? page->findChild<QObject *>(QStringLiteral("vipScreen"))
            : nullptr;
    }

    int statusQueries() const
    {
        int count = 0;
        for (const auto &request : m_service.requests()) {
            if (request.path.startsWith(QLatin1String("payments/status/")))
                ++count;
        }
        return count;
    }

    void openVipPageWithAPayment()
    {
        QTRY_VERIFY_WITH_TIMEOUT(evaluate(QStringLiteral("stackView.busy === false && "
                                                         "stackView.currentItem.objectName"))
                                     == QStringLiteral("mainScreenWrapper"),
                                 10000);
        evaluate(QStringLiteral("stackView.currentItem.vipArea.clicked(null)"));
        QTRY_VERIFY_WITH_TIMEOUT(vipScreen(), 10000);
        QObject *vip = vipScreen();
        // Five plans; the fourth is chosen for the user.
        QTRY_COMPARE_WITH_TIMEOUT(vip->property("selectedPlanId").toInt(), 4, 10000);
        auto *buy = vip->findChild<QObject *>(QStringLiteral("buyButton"));
        QVERIFY(buy);
        QVERIFY(QMetaObject::invokeMethod(buy, "clicked"));
        QTRY_VERIFY_WITH_TIMEOUT(vip->property("isPaying").toBool(), 10000);
        QVERIFY(!vip->property("currentOrderId").toString().isEmpty());
        // The service's QR code, fetched by the page itself.
        auto *qr = vip->findChild<QQuickItem *>(QStringLiteral("qrCodeImage"));
        QVERIFY(qr);
        QTRY_COMPARE_WITH_TIMEOUT(qr->property("status").toInt(), 1 /* Image.Ready */, 10000);
        QCOMPARE(qr->property("sourceSize").toSize().isEmpty(), false);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(Orvo::Testing::startAsClientService(m_service));
        m_dev.install(m_service);
    }

    void init()
    {
        m_service.clearRequests();
        m_api = new QmlApiAdapter(qApp);
        m_engine = std::make_unique<QQmlApplicationEngine>();
        m_engine->addImportPath(QStringLiteral("qrc:/qt/qml"));
        m_engine->rootContext()->setContextProperty(QStringLiteral("API"), m_api);
        m_engine->load(QUrl(QStringLiteral("qrc:/qt/qml/LumoraContent/App.qml")));
        QVERIFY(!m_engine->rootObjects().isEmpty());
        m_window = m_engine->rootObjects().constFirst();
        // Past the splash page at once.
        auto *splash = m_window->findChild<QObject *>(QStringLiteral("splashTimer"));
        QVERIFY(splash);
        QVERIFY(QMetaObject::invokeMethod(splash, "triggered"));
    }

    void cleanup()
    {
        // Back home first, and a few frames for the scene graph to free the
        // QR picture's texture, which a window torn down with it keeps.
        if (auto *window = qobject_cast<QQuickWindow *>(m_window)) {
            if (auto *back = m_window->findChild<QObject *>(QStringLiteral("backButton")))
                QMetaObject::invokeMethod(back, "back");
            QTRY_VERIFY_WITH_TIMEOUT(
                evaluate(QStringLiteral("stackView.depth === 1 && !stackView.busy")).toBool(),
                10000);
            QSignalSpy frames(window, &QQuickWindow::afterRendering);
            for (int i = 0; i < 3; ++i) {
                window->update();
                QVERIFY(frames.wait(10000));
            }
        }
        m_engine.reset();
        delete m_api;
        m_api = nullptr;
    }

    void paymentCompletesAndTheHomeScreenShowsVip()
    {
        PaymentService::instance()->setPollInterval(100);
        m_api->login(QStringLiteral("vip-road@example.com"), QStringLiteral("secret"));
        QTRY_VERIFY_WITH_TIMEOUT(m_api->property("isLoggedIn").toBool(), 10000);
        QVERIFY(!m_api->property("isVip").toBool());

        openVipPageWithAPayment();
        QObject *vip = vipScreen();
        // Two "pending" answers, then "completed": back at the plans, still chosen.
        QTRY_VERIFY_WITH_TIMEOUT(!vip->property("isPaying").toBool(), 10000);
        QCOMPARE(vip->property("selectedPlanId").toInt(), 4);
        QVERIFY(statusQueries() >= 3);
        QTRY_VERIFY_WITH_TIMEOUT(m_api->property("isVip").toBool(), 10000);
        QCOMPARE(m_api->property("vipDays").toInt(), 30);
        // The home screen beneath shows it.
        auto *home = evaluate(QStringLiteral("stackView.get(0)")).value<QObject *>();
        QVERIFY(home);
        QObject *screen = home->findChild<QObject *>(QStringLiteral("screenItem"));
        QVERIFY(screen);
        QTRY_COMPARE_WITH_TIMEOUT(screen->property("userIsVip").toBool(), true, 10000);
    }

    void leavingWhilePayingEndsTheQueries()
    {
        // Slow enough that the page is left before the payment completes.
        PaymentService::instance()->setPollInterval(2000);
        m_api->login(QStringLiteral("leaver@example.com"), QStringLiteral("secret"));
        QTRY_VERIFY_WITH_TIMEOUT(m_api->property("isLoggedIn").toBool(), 10000);
        openVipPageWithAPayment();
        QTRY_COMPARE_WITH_TIMEOUT(statusQueries(), 1, 10000);

        auto *back = m_window->findChild<QObject *>(QStringLiteral("backButton"));
        QVERIFY(back);
        QVERIFY(QMetaObject::invokeMethod(back, "back"));
        QTRY_COMPARE_WITH_TIMEOUT(evaluate(QStringLiteral("stackView.depth")).toInt(), 1, 10000);
        // The polling timer is down, so no query can follow.
        const auto timers = PaymentService::instance()->findChildren<QTimer *>();
        QVERIFY(!timers.isEmpty());
        for (const QTimer *timer : timers)
            QVERIFY(!timer->isActive());
        QCOMPARE(statusQueries(), 1);
    }
};

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    VipPurchaseTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_vippurchase.moc"
