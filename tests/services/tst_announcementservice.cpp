#include <QJsonArray>
#include <QSignalSpy>
#include <QTest>

#include "FakeService.h"
#include "FakeServiceFixture.h"
#include "models/Announcement.h"
#include "network/HttpClient.h"
#include "services/AnnouncementService.h"

using Orvo::Api::Models::Announcement;
using Orvo::Api::Network::HttpClient;
using Orvo::Api::Services::AnnouncementService;
using Orvo::Testing::FakeReply;
using Orvo::Testing::FakeService;

using IdLists = QList<QList<int>>;
Q_DECLARE_METATYPE(IdLists)

namespace {

FakeReply listOf(const QList<int> &ids)
{
    QJsonArray data;
    for (int id : ids)
        data.append(QJsonObject { { "id", id }, { "title", QString("公告%1").arg(id) } });
    return FakeReply::json({ { "success", true }, { "data", data } });
}

} // namespace

class AnnouncementServiceTest : public QObject
{
    Q_OBJECT

private:
    FakeService m_service;
    AnnouncementService *service() { return AnnouncementService::instance(); }

    struct Outcome
    {
        bool success = false;
        QString message;
        QList<Announcement> announcements;
    };

    Outcome fetch(const QString &platform = "windows", int limit = 0)
    {
        int calls = 0;
        Outcome outcome;
        service()->getAnnouncements(
            platform, limit,
            [&](bool success, const QString &message, const QList<Announcement> &list) {
                ++calls;
                outcome = { success, message, list };
            });
        if (!QTest::qWaitFor([&calls]() { return calls > 0; }, 10000))
            qFatal("no callback");
        return outcome;
    }

    // An empty list leaves nothing to compare with, so the next fetch cannot signal.
    void resetHeldList()
    {
        m_service.queueReply("GET", "announcements", listOf({}));
        fetch();
    }

private slots:
    void initTestCase() { QVERIFY(Orvo::Testing::startAsClientService(m_service)); }

    void init()
    {
        m_service.reset();
        HttpClient::instance()->setAuthToken("tok-a");
    }

    void sendsPlatformAndLimitWithoutBearer_data()
    {
        QTest::addColumn<QString>("platform");
        QTest::addColumn<int>("limit");
        QTest::addColumn<QString>("queryString");

        QTest::newRow("no limit") << "windows" << 0 << "platform=windows";
        QTest::newRow("negative limit") << "windows" << -5 << "platform=windows";
        QTest::newRow("limit") << "windows" << 10 << "limit=10&platform=windows";
        QTest::newRow("empty platform") << "" << 0 << "platform=";
    }

    void sendsPlatformAndLimitWithoutBearer()
    {
        QFETCH(QString, platform);
        QFETCH(int, limit);
        QFETCH(QString, queryString);

        m_service.setReply("GET", "announcements", listOf({}));
        fetch(platform, limit);
        QCOMPARE(m_service.requests().size(), 1);
        const auto request = m_service.requests().constFirst();
        QCOMPARE(request.path, QString("announcements"));
        QCOMPARE(request.queryString, queryString);
        QVERIFY(!request.hasHeader("Authorization"));
    }

    void signalsNewHeadOnly_data()
    {
        QTest::addColumn<IdLists>("fetches");
        QTest::addColumn<QList<int>>("signalled");

        QTest::newRow("newer head") << IdLists { { 5, 3 }, { 7, 5 } } << QList<int> { 7 };
        QTest::newRow("first fetch never signals") << IdLists { { 7 } } << QList<int> {};
        QTest::newRow("only heads compared") << IdLists { { 5 }, { 5, 9 } } << QList<int> {};
        QTest::newRow("older head, then back")
            << IdLists { { 5 }, { 4 }, { 5 } } << QList<int> { 5 };
        QTest::newRow("empty list in between") << IdLists { { 5 }, {}, { 9 } } << QList<int> {};
        QTest::newRow("signed comparison") << IdLists { { -3 }, { -1 } } << QList<int> { -1 };
        QTest::newRow("each newer head") << IdLists { { 1 }, { 2 }, { 3 } } << QList<int> { 2, 3 };
    }

    void signalsNewHeadOnly()
    {
        QFETCH(IdLists, fetches);
        QFETCH(QList<int>, signalled);

        resetHeldList();
        QSignalSpy news(service(), &AnnouncementService::newAnnouncementReceived);
        for (const QList<int> &ids : fetches) {
            m_service.queueReply("GET", "announcements", listOf(ids));
            QVERIFY(fetch().success);
        }
        QList<int> seen;
        for (const auto &arguments : news)
            seen << arguments.constFirst().value<Announcement>().id;
        QCOMPARE(seen, signalled);
    }

    void newAnnouncementComesFirst()
    {
        resetHeldList();
        m_service.queueReply("GET", "announcements", listOf({ 5, 3 }));
        fetch();

        QStringList events;
        auto onNew = QObject::connect(service(), &AnnouncementService::newAnnouncementReceived,
                                      this, [&events](const Announcement &announcement) {
                                          events << QString("new %1").arg(announcement.id);
                                      });
        auto onUpdated = QObject::connect(service(), &AnnouncementService::announcementsUpdated,
                                          this, [&events](const QList<Announcement> &list) {
                                              events << QString("updated %1").arg(list.size());
                                          });
        m_service.queueReply("GET", "announcements", listOf({ 7, 5 }));
        int calls = 0;
        service()->getAnnouncements("windows", 0,
                                    [&](bool, const QString &, const QList<Announcement> &) {
                                        ++calls;
                                        events << "callback";
                                    });
        QTRY_COMPARE(calls, 1);
        QObject::disconnect(onNew);
        QObject::disconnect(onUpdated);
        QCOMPARE(events, (QStringList { "new 7", "callback", "updated 2" }));
    }

    void failureKeepsHeldList()
    {
        resetHeldList();
        m_service.queueReply("GET", "announcements", listOf({ 5 }));
        fetch();
        m_service.queueReply("GET", "announcements",
                             FakeReply::json({ { "success", false }, { "message", "暂无" } }));
        m_service.queueReply("GET", "announcements", listOf({ 6 }));
        QSignalSpy updated(service(), &AnnouncementService::announcementsUpdated);
        QSignalSpy news(service(), &AnnouncementService::newAnnouncementReceived);

        const Outcome failed = fetch();
        QVERIFY(!failed.success);
        QCOMPARE(failed.message, QString("暂无"));
        QVERIFY(failed.announcements.isEmpty());
        QCOMPARE(updated.size(), 0);

        fetch(); // compared with the list held before the failure
        QCOMPARE(news.size(), 1);
        QCOMPARE(news.constFirst().constFirst().value<Announcement>().id, 6);
    }

    void readsObjectItemsAndDates()
    {
        const QJsonObject first { { "id", 3 },
                                  { "title", "维护通知" },
                                  { "content", "今晚维护" },
                                  { "type", "notice" },
                                  { "published_at", QJsonValue() },
                                  { "created_at", "2026-01-02T03:04:05+08:00" } };
        m_service.queueReply(
            "GET", "announcements",
            FakeReply::json(
                { { "success", true },
                  { "data", QJsonArray { 1, first, QJsonObject { { "id", "4" } } } } }));
        QSignalSpy updated(service(), &AnnouncementService::announcementsUpdated);
        const Outcome outcome = fetch();
        QVERIFY(outcome.success);
        QCOMPARE(outcome.message, QString("获取成功"));
        QCOMPARE(outcome.announcements.size(), 2);
        const Announcement a = outcome.announcements.at(0);
        QCOMPARE(a.title, QString("维护通知"));
        QCOMPARE(a.content, QString("今晚维护"));
        QCOMPARE(a.type, QString("notice"));
        QVERIFY(!a.publishedAt.isValid());
        QCOMPARE(a.createdAt.toUTC(), QDateTime(QDate(2026, 1, 1), QTime(19, 4, 5), Qt::UTC));
        QCOMPARE(outcome.announcements.at(1).id, 0);
        QCOMPARE(updated.size(), 1);
        QCOMPARE(updated.constFirst().constFirst().value<QList<Announcement>>().size(), 2);
    }
};

QTEST_GUILESS_MAIN(AnnouncementServiceTest)
#include "tst_announcementservice.moc"
