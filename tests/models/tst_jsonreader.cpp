#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

#include "models/JsonReader.h"

using Orvo::Api::Models::JsonReader;

namespace {
QJsonObject parse(const char *text)
{
    return QJsonDocument::fromJson(text).object();
}
} // namespace

class JsonReaderTest : public QObject
{
    Q_OBJECT

private slots:
    void readsIntegersOnlyFromWholeNumbers_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<int>("expected");
        QTest::newRow("whole") << QByteArray(R"({"v": 42})") << 42;
        QTest::newRow("negative") << QByteArray(R"({"v": -7})") << -7;
        QTest::newRow("whole double") << QByteArray(R"({"v": 3.0})") << 3;
        QTest::newRow("fraction") << QByteArray(R"({"v": 3.5})") << -1;
        QTest::newRow("text") << QByteArray(R"({"v": "42"})") << -1;
        QTest::newRow("bool") << QByteArray(R"({"v": true})") << -1;
        QTest::newRow("null") << QByteArray(R"({"v": null})") << -1;
        QTest::newRow("missing") << QByteArray(R"({})") << -1;
        QTest::newRow("too large") << QByteArray(R"({"v": 3000000000})") << -1;
        QTest::newRow("huge") << QByteArray(R"({"v": 1e300})") << -1;
        QTest::newRow("int max") << QByteArray(R"({"v": 2147483647})") << 2147483647;
    }

    void readsIntegersOnlyFromWholeNumbers()
    {
        QFETCH(QByteArray, json);
        QFETCH(int, expected);
        QCOMPARE(JsonReader::readInt(parse(json), "v", -1), expected);
    }

    void readsInt64()
    {
        QCOMPARE(JsonReader::readInt64(parse(R"({"v": 9007199254740993})"), "v", -1),
                 Q_INT64_C(9007199254740993));
        QCOMPARE(JsonReader::readInt64(parse(R"({"v": 1e19})"), "v", -1), Q_INT64_C(-1));
        QCOMPARE(JsonReader::readInt64(parse(R"({"v": 2.5})"), "v", -1), Q_INT64_C(-1));
    }

    void readsOtherTypesStrictly()
    {
        const QJsonObject o = parse(
            R"({"d": 1.5, "i": 2, "s": "x", "b": true, "bs": "true", "n": null, "o": {"k": 1}, "a": [1]})");
        QCOMPARE(JsonReader::readDouble(o, "d", 9), 1.5);
        QCOMPARE(JsonReader::readDouble(o, "i", 9), 2.0);
        QCOMPARE(JsonReader::readDouble(o, "s", 9), 9.0);
        QCOMPARE(JsonReader::readBool(o, "b", false), true);
        QCOMPARE(JsonReader::readBool(o, "bs", false), false);
        QCOMPARE(JsonReader::readBool(o, "i", false), false);
        QCOMPARE(JsonReader::readString(o, "s", "def"), QString("x"));
        QCOMPARE(JsonReader::readString(o, "i", "def"), QString("def"));
        QCOMPARE(JsonReader::readString(o, "n", "def"), QString("def"));
        QCOMPARE(JsonReader::readObject(o, "o").value("k").toInt(), 1);
        QVERIFY(JsonReader::readObject(o, "a").isEmpty());
        QCOMPARE(JsonReader::readArray(o, "a").size(), 1);
        QVERIFY(JsonReader::readArray(o, "o").isEmpty());
    }

    void readsDateTimes_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QDateTime>("expected");
        const QDateTime utc(QDate(2026, 3, 1), QTime(8, 30, 0), Qt::UTC);
        QTest::newRow("utc") << QByteArray(R"({"t": "2026-03-01T08:30:00Z"})") << utc;
        QTest::newRow("offset") << QByteArray(R"({"t": "2026-03-01T16:30:00+08:00"})") << utc;
        QTest::newRow("microseconds")
            << QByteArray(R"({"t": "2026-03-01T08:30:00.000000Z"})") << utc;
        QTest::newRow("null") << QByteArray(R"({"t": null})") << QDateTime();
        QTest::newRow("garbage") << QByteArray(R"({"t": "soon"})") << QDateTime();
        QTest::newRow("number") << QByteArray(R"({"t": 1700000000})") << QDateTime();
    }

    void readsDateTimes()
    {
        QFETCH(QByteArray, json);
        QFETCH(QDateTime, expected);
        const QDateTime value = JsonReader::readDateTime(parse(json), "t");
        QCOMPARE(value.isValid(), expected.isValid());
        if (expected.isValid())
            QCOMPARE(value.toUTC(), expected);
    }

    void readsObjectItemsOnly()
    {
        const QJsonArray items
            = QJsonDocument::fromJson(R"([{"id":1}, 2, "x", null, {"id":3}])").array();
        const QList<int> ids = JsonReader::readObjectList<int>(
            items, [](const QJsonObject &o) { return JsonReader::readInt(o, "id"); });
        QCOMPARE(ids, (QList<int> { 1, 3 }));
    }
};

QTEST_GUILESS_MAIN(JsonReaderTest)
#include "tst_jsonreader.moc"
