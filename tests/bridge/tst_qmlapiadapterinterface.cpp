#include <QTest>

#include "QmlApiAdapter.h"

using Orvo::Api::QmlApiAdapter;

// The screens are tested against a fake "API" whose interface tst_apiinterface
// compares with this one member by member; here the bridge's own size.
class QmlApiAdapterInterfaceTest : public QObject
{
    Q_OBJECT

private slots:
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
