#include <QTest>

#include "bridge/QmlRecordMaps.h"
#include "models/Server.h"

using Orvo::Api::QmlRecordMaps;
using Orvo::Api::Models::Server;

class QmlRecordMapsTest : public QObject
{
    Q_OBJECT

private slots:
    void showsAServerUnderATellingName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("countryCode");
        QTest::addColumn<QString>("location");
        QTest::addColumn<QString>("tierText");
        QTest::addColumn<QString>("city");
        QTest::addColumn<QString>("shown");

        QTest::newRow("code, location") << "JP"
                                        << "JP"
                                        << "日本 东京"
                                        << "免费"
                                        << "Tokyo"
                                        << "日本 东京";
        QTest::newRow("code, tier text") << "JP"
                                         << "JP"
                                         << ""
                                         << "免费"
                                         << "Tokyo"
                                         << "JP 免费";
        QTest::newRow("code, city only") << "JP"
                                         << "JP"
                                         << ""
                                         << ""
                                         << "Tokyo"
                                         << "JP Tokyo";
        QTest::newRow("code, nothing else") << "JP"
                                            << "JP"
                                            << ""
                                            << ""
                                            << ""
                                            << "JP";
        QTest::newRow("other case, by length") << "jp"
                                               << "JP"
                                               << "日本"
                                               << ""
                                               << ""
                                               << "日本";
        QTest::newRow("three characters") << "Tok"
                                          << "JP"
                                          << ""
                                          << "VIP"
                                          << ""
                                          << "JP VIP";
        QTest::newRow("empty name") << ""
                                    << "US"
                                    << ""
                                    << ""
                                    << "Dallas"
                                    << "US Dallas";
        QTest::newRow("empty name, nothing else") << ""
                                                  << "US"
                                                  << ""
                                                  << ""
                                                  << ""
                                                  << "";
        QTest::newRow("long code-like name equal to code") << "HKG1"
                                                           << "HKG1"
                                                           << "香港"
                                                           << ""
                                                           << ""
                                                           << "香港";
        QTest::newRow("four characters kept") << "Tokyo"
                                              << "JP"
                                              << "日本"
                                              << "免费"
                                              << "Tokyo"
                                              << "Tokyo";
        QTest::newRow("long name kept") << "东京 01 号线"
                                        << "JP"
                                        << "日本"
                                        << ""
                                        << ""
                                        << "东京 01 号线";
    }

    void showsAServerUnderATellingName()
    {
        QFETCH(QString, name);
        QFETCH(QString, countryCode);
        QFETCH(QString, location);
        QFETCH(QString, tierText);
        QFETCH(QString, city);

        Server server;
        server.name = name;
        server.countryCode = countryCode;
        server.location = location;
        server.tierText = tierText;
        server.city = city;
        QTEST(QmlRecordMaps::serverDisplayName(server), "shown");
        QTEST(QmlRecordMaps::server(server).value(QStringLiteral("name")).toString(), "shown");
        QTEST(QmlRecordMaps::serverDetail(server).value(QStringLiteral("name")).toString(),
              "shown");
    }

    void computesTheLoad_data()
    {
        QTest::addColumn<int>("maxUsers");
        QTest::addColumn<int>("currentUsers");
        QTest::addColumn<double>("load");
        QTest::newRow("no capacity") << 0 << 12 << 0.0;
        QTest::newRow("negative capacity") << -3 << 12 << 0.0;
        QTest::newRow("a quarter") << 200 << 50 << 25.0;
        QTest::newRow("a third, not truncated") << 3 << 1 << 100.0 / 3.0;
    }

    void computesTheLoad()
    {
        QFETCH(int, maxUsers);
        QFETCH(int, currentUsers);
        Server server;
        server.maxUsers = maxUsers;
        server.currentUsers = currentUsers;
        const QVariant load = QmlRecordMaps::server(server).value(QStringLiteral("loadPercentage"));
        QCOMPARE(load.typeId(), QMetaType::Double);
        QTEST(load.toDouble(), "load");
    }
};

QTEST_GUILESS_MAIN(QmlRecordMapsTest)
#include "tst_qmlrecordmaps.moc"
