#include <QCoreApplication>
#include <QJsonObject>
#include <QMap>
#include <QTest>

#include <algorithm>

#include "ChildProcess.h"
#include "FakeService.h"
#include "FakeServiceFixture.h"
#include "ProgramRunFixture.h"
#include "SampleVmessLink.h"
#include "StandIns.h"
#include "storage/TokenManager.h"

using Orvo::Api::Security::TokenManager;
using Orvo::Testing::FakeReply;
using Orvo::Testing::FakeService;
using Orvo::Testing::StandIns;
using Orvo::Testing::verifyInOrder;
using Orvo::Testing::verifyNoSanitizerReport;

namespace {

const QString kLink = Orvo::Testing::sampleVmessLink();

FakeReply configsReply()
{
    return FakeReply::json({ { "success", true },
                             { "data",
                               QJsonObject { { "app_name",
                                               QJsonObject { { "type", "string" },
                                                             { "value", "Nova加速器" } } } } } });
}

struct Run
{
    int exitCode = -100;
    QJsonObject shown;
    QString log;
};

} // namespace

// The program's own start-up and shutdown, run as a process against the fake
// service: the probe linked into it reports the home screen and closes the window.
class StartupTest : public QObject
{
    Q_OBJECT

private:
    FakeService m_service;
    StandIns m_standIns;

    Run runProgram(const QString &connectLink = QString(),
                   const QString &program = QStringLiteral(STARTUP_PROBE))
    {
        // The login store writes its file from the event loop: let pending
        // writes out before the program reads it.
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        QMap<QString, QString> environment;
        if (!connectLink.isEmpty())
            environment.insert(QStringLiteral("ORVO_PROBE_CONNECT"), connectLink);
        const Orvo::Testing::ProcessRun process
            = Orvo::Testing::runProcess(program, {}, environment, 60000);
        Run run;
        if (process.finishedNormally)
            run.exitCode = process.exitCode;
        run.log = process.errors;
        run.shown = Orvo::Testing::lastJsonLine(process.output);
        return run;
    }

    static bool hasLineStarting(const QString &log, const QString &start)
    {
        const QStringList lines = log.split(u'\n');
        return std::any_of(lines.cbegin(), lines.cend(),
                           [&](const QString &line) { return line.startsWith(start); });
    }

    static void verifyClean(const Run &run, int expectedExitCode = 0)
    {
        QVERIFY2(
            run.exitCode == expectedExitCode,
            qPrintable(QStringLiteral("exit code %1\n").arg(run.exitCode) + run.log.right(6000)));
        verifyNoSanitizerReport(run.log);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_standIns.isValid());
        QVERIFY(Orvo::Testing::startAsServiceOf(QStringLiteral(STARTUP_PROBE), m_service));
    }

    void init()
    {
        m_service.reset();
        m_service.setReply("GET", "configs", configsReply());
        Orvo::Testing::setSignedInReplies(m_service);
        TokenManager::instance()->clearLogin();
    }

    void storedLoginShowsTheUser()
    {
        Orvo::Testing::storeLoginAsEarlierRun();
        const Run run = runProgram();
        verifyClean(run);
        QCOMPARE(run.shown.value("userName").toString(), QStringLiteral("Mia"));
        QCOMPARE(run.shown.value("title").toString(), QStringLiteral("Nova加速器"));
        // One at the start-up, one when the home screen refreshes the user.
        QCOMPARE(m_service.count("auth/me"), 2);
        QCOMPARE(m_service.requests("auth/me").constFirst().header("Authorization"),
                 QByteArray("Bearer tok-stored"));
        // One from the start-up, one from the window.
        QCOMPARE(m_service.count("configs"), 2);
        verifyInOrder(run.log,
                      { "[QmlApiAdapter] 初始化完成",
                        "应用程序目录:", "导入路径: QList(qrc:/, qrc:/qt/qml,",
                        "尝试加载URL: qrc:/qt/qml/LumoraContent/App.qml", "应用程序启动成功！",
                        "窗口正在关闭，断开VPN连接...", "[QmlApiAdapter] 销毁" });
        QVERIFY(run.log.contains(QStringLiteral("API模块初始化成功")));
        QVERIFY(!hasLineStarting(run.log, QStringLiteral("加载失败:")));
        QVERIFY(!hasLineStarting(run.log, QStringLiteral("第一种方式失败")));
    }

    void withoutLoginShowsNobody()
    {
        const Run run = runProgram();
        verifyClean(run);
        QCOMPARE(run.shown.value("userName").toString(), QStringLiteral("未登录"));
        QCOMPARE(m_service.count("auth/me"), 0);
        QCOMPARE(m_service.count("configs"), 2);
        verifyInOrder(run.log, { "窗口正在关闭，断开VPN连接...", "[QmlApiAdapter] 销毁" });
    }

    void withoutServiceTheWindowStillOpens()
    {
        m_service.setReply("GET", "configs", FakeReply::dropped());
        const Run run = runProgram();
        verifyClean(run);
        QCOMPARE(run.shown.value("title").toString(), QStringLiteral("Kesmar加速器"));
        QCOMPARE(run.shown.value("userName").toString(), QStringLiteral("未登录"));
        verifyInOrder(run.log, { "API模块初始化失败" });
    }

    void closingWhileConnectedEndsCleanly()
    {
        Orvo::Testing::storeLoginAsEarlierRun();
        const Run run = runProgram(kLink);
        verifyClean(run);
        QCOMPARE(run.shown.value("connected").toBool(), true);
        // The disconnect of the close runs before the window goes; the one of
        // the API object's end finds nothing left to do.
        verifyInOrder(run.log, { "窗口正在关闭，断开VPN连接...", "[QmlApiAdapter] 销毁" });
        // The system proxy was set and cleared again.
        QStringList proxySwitches;
        for (const Orvo::Testing::StandInCall &call : m_standIns.calls()) {
            if (call.program == QStringLiteral("reg")
                && call.args.contains(QStringLiteral("ProxyEnable")))
                proxySwitches << call.args.join(u' ');
        }
        QCOMPARE(proxySwitches.size(), 2);
        QVERIFY2(proxySwitches.constLast().contains(QStringLiteral(" 0")),
                 qPrintable(proxySwitches.constLast()));
    }

    void withoutQtQuickBothLoadsFail()
    {
        // The start-up requests are still out when the loads fail.
        m_service.setReply("GET", "configs", configsReply().delayed(300));
        const Run run = runProgram(QString(), QStringLiteral(STARTUP_PROBE_WITHOUT_QML));
        // main returns -1.
        verifyClean(run, 255);
        verifyInOrder(run.log,
                      { "尝试加载URL: qrc:/qt/qml/LumoraContent/App.qml",
                        "第一种方式失败，尝试直接路径...",
                        "尝试加载URL: qrc:/LumoraContent/App.qml", "所有加载方式都失败了" });
        QVERIFY(!run.log.contains(QStringLiteral("应用程序启动成功！")));
        // Reported only when a later load works.
        QVERIFY(!hasLineStarting(run.log, QStringLiteral("加载失败:")));
        QCOMPARE(m_service.count("configs"), 1);
    }
};

QTEST_GUILESS_MAIN(StartupTest)

#include "tst_startup.moc"
