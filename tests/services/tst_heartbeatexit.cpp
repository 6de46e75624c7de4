#include <QTest>

#include "ChildProcess.h"
#include "FakeService.h"
#include "FakeServiceFixture.h"

using Orvo::Testing::FakeReply;
using Orvo::Testing::FakeService;
using Orvo::Testing::RecordedRequest;

class HeartbeatExitTest : public QObject
{
    Q_OBJECT

private:
    FakeService m_service;

private slots:
    void initTestCase()
    {
        // The probe inherits the address through its environment.
        QVERIFY(Orvo::Testing::startAsClientService(m_service));
    }

    void endsCleanlyWhileASeriesRuns_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<int>("replyDelayMs");
        QTest::addColumn<int>("heartbeats");

        QTest::newRow("answered") << "answered" << 0 << 1;
        QTest::newRow("answer still due") << "in-flight" << 3000 << 1;
        QTest::newRow("event loop never ran") << "no-loop" << 0 << 0;
    }

    void endsCleanlyWhileASeriesRuns()
    {
        QFETCH(QString, mode);
        QFETCH(int, replyDelayMs);
        QFETCH(int, heartbeats);

        m_service.clearRequests();
        m_service.setReply(
            "POST", "heartbeat",
            FakeReply::json(
                { { "success", true },
                  { "data",
                    QJsonObject { { "device_status", QJsonObject { { "status", "active" } } },
                                  { "user_status", QJsonObject {} } } } })
                .delayed(replyDelayMs));

        const Orvo::Testing::ProcessRun probe
            = Orvo::Testing::runProcess(QStringLiteral(HEARTBEAT_EXIT_PROBE), { mode }, {}, 30000);
        const QString &errors = probe.errors;

        QVERIFY2(probe.finishedNormally, qPrintable(errors));
        QVERIFY2(probe.exitCode == 0, qPrintable(errors));
        QVERIFY2(!errors.contains("Sanitizer"), qPrintable(errors));
        QVERIFY2(!errors.contains("runtime error"), qPrintable(errors));
        QVERIFY2(errors.contains("[HeartbeatService] 开始自动心跳"), qPrintable(errors));

        // Once main has returned nothing is sent any more, not even the series' last heartbeat.
        const qsizetype leaving = errors.indexOf(HEARTBEAT_PROBE_LEAVING_MAIN);
        QVERIFY2(leaving >= 0, qPrintable(errors));
        const QString atExit = errors.mid(leaving);
        QVERIFY2(!atExit.contains("[HeartbeatService]"), qPrintable(atExit));
        QVERIFY2(!atExit.contains("[HttpClient]"), qPrintable(atExit));

        // Only the series' first heartbeat went out; the one of the exit is skipped.
        QTest::qWait(100);
        const QList<RecordedRequest> sent = m_service.requests("heartbeat");
        QCOMPARE(sent.size(), heartbeats);
        for (const RecordedRequest &beat : sent)
            QCOMPARE(beat.json().value("connection_status").toString(), QString("connected"));
    }
};

QTEST_GUILESS_MAIN(HeartbeatExitTest)
#include "tst_heartbeatexit.moc"
