#include <QTest>

#include "ApiInterfaceCheck.h"
#include "ApiInterfaceTable.h"
#include "FakeApi.h"

using Orvo::Testing::ApiInterface;
using Orvo::Testing::ApiInterfaceCheck;
using Orvo::Testing::ApiInterfaceTable;
using Orvo::Testing::FakeApi;

using Drift = std::function<void(ApiInterface &)>;
Q_DECLARE_METATYPE(Drift)

class ApiInterfaceTest : public QObject
{
    Q_OBJECT

private slots:
    void tableHoldsTheWholeInterface()
    {
        const ApiInterface &api = ApiInterfaceTable::bridge();
        QCOMPARE(api.signalList.size(), 37);
        QCOMPARE(api.methods.size(), 26);
        QCOMPARE(api.properties.size(), 8);
    }

    void fakeMatchesTheTable()
    {
        const QStringList differences = ApiInterfaceCheck::differences(FakeApi::staticMetaObject,
                                                                       ApiInterfaceTable::bridge());
        QVERIFY2(differences.isEmpty(), qPrintable(differences.join(u'\n')));
    }

    // The check must notice each kind of drift between a class and the table.
    void checkNoticesDrift_data()
    {
        QTest::addColumn<Drift>("drift");
        QTest::newRow("renamed parameter")
            << Drift([](ApiInterface &api) { api.signalList[31].parameters[0].name = "code"; });
        QTest::newRow("missing signal")
            << Drift([](ApiInterface &api) { api.signalList.removeAt(3); });
        QTest::newRow("signals swapped")
            << Drift([](ApiInterface &api) { api.signalList.swapItemsAt(0, 1); });
        QTest::newRow("parameter type") << Drift([](ApiInterface &api) {
            api.signalList[33].parameters[0].type = QMetaType::fromType<int>();
        });
        QTest::newRow("return type") << Drift(
            [](ApiInterface &api) { api.methods[20].returnType = QMetaType::fromType<void>(); });
        QTest::newRow("default argument")
            << Drift([](ApiInterface &api) { api.methods[4].defaultedParameters = 0; });
        QTest::newRow("extra method") << Drift([](ApiInterface &api) {
            api.methods.append({ "reconnect", QMetaType::fromType<void>(), {}, 0 });
        });
        QTest::newRow("property notify")
            << Drift([](ApiInterface &api) { api.properties[0].notifySignal = "userInfoChanged"; });
        QTest::newRow("writable property")
            << Drift([](ApiInterface &api) { api.properties[3].readOnly = false; });
        QTest::newRow("property type") << Drift(
            [](ApiInterface &api) { api.properties[5].type = QMetaType::fromType<double>(); });
    }

    void checkNoticesDrift()
    {
        QFETCH(Drift, drift);
        ApiInterface changed = ApiInterfaceTable::bridge();
        drift(changed);
        QVERIFY(!ApiInterfaceCheck::differences(FakeApi::staticMetaObject, changed).isEmpty());
    }
};

QTEST_GUILESS_MAIN(ApiInterfaceTest)

#include "tst_apiinterface.moc"
