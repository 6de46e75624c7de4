#include <QTest>

#include "ApiInterfaceCheck.h"
#include "ApiInterfaceTable.h"
#include "QmlApiAdapter.h"

using Orvo::Api::QmlApiAdapter;
using Orvo::Testing::ApiInterfaceCheck;
using Orvo::Testing::ApiInterfaceTable;

// The screens are tested against a fake "API" built from the same table, so
// the real object must not drift from it.
class QmlApiAdapterInterfaceTest : public QObject
{
    Q_OBJECT

private slots:
    void metaObjectMatchesTheInterfaceTable()
    {
        const QStringList differences = ApiInterfaceCheck::differences(
            QmlApiAdapter::staticMetaObject, ApiInterfaceTable::bridge());
        QVERIFY2(differences.isEmpty(), qPrintable(differences.join(u'\n')));
    }

    void listsEveryMemberOnce()
    {
        const QMetaObject &meta = QmlApiAdapter::staticMetaObject;
        // 37 signals, 26 methods of which two may leave out their last argument.
        QCOMPARE(meta.methodCount() - meta.methodOffset(), 37 + 26 + 2);
        QCOMPARE(meta.propertyCount() - meta.propertyOffset(), 8);
        for (int i = meta.methodOffset(); i < meta.methodCount(); ++i)
            QVERIFY2(meta.method(i).methodType() != QMetaMethod::Slot, meta.method(i).name());
    }
};

QTEST_GUILESS_MAIN(QmlApiAdapterInterfaceTest)
#include "tst_qmlapiadapterinterface.moc"
