#include <QTest>

#include "ApiInterfaceCheck.h"
#include "FakeApi.h"
#include "QmlApiAdapter.h"

using Orvo::Api::QmlApiAdapter;
using Orvo::Testing::ApiInterfaceCheck;
using Orvo::Testing::FakeApi;

// A small interface of the bridge's kind, and copies of it that each drift in
// one way, for the check to notice.
namespace {

class Reference : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool isLoggedIn READ isLoggedIn NOTIFY loginStateChanged)
    Q_PROPERTY(int vipDays READ vipDays NOTIFY userInfoChanged)

public:
    bool isLoggedIn() const { return false; }
    int vipDays() const { return 0; }
    Q_INVOKABLE void getServers(const QString &tier = QString()) { Q_UNUSED(tier) }
    Q_INVOKABLE bool connectVpn(int serverId, const QString &vmessLink)
    {
        return serverId > 0 && !vmessLink.isEmpty();
    }

signals:
    void loginStateChanged(bool loggedIn);
    void userInfoChanged();
    void serversError(const QString &message);
};

class RenamedParameter : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool isLoggedIn READ isLoggedIn NOTIFY loginStateChanged)
    Q_PROPERTY(int vipDays READ vipDays NOTIFY userInfoChanged)

public:
    bool isLoggedIn() const { return false; }
    int vipDays() const { return 0; }
    Q_INVOKABLE void getServers(const QString &tier = QString()) { Q_UNUSED(tier) }
    Q_INVOKABLE bool connectVpn(int serverId, const QString &vmessLink)
    {
        return serverId > 0 && !vmessLink.isEmpty();
    }

signals:
    void loginStateChanged(bool loggedIn);
    void userInfoChanged();
    void serversError(const QString &error);
};

class MissingSignal : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool isLoggedIn READ isLoggedIn NOTIFY loginStateChanged)
    Q_PROPERTY(int vipDays READ vipDays NOTIFY userInfoChanged)

public:
    bool isLoggedIn() const { return false; }
    int vipDays() const { return 0; }
    Q_INVOKABLE void getServers(const QString &tier = QString()) { Q_UNUSED(tier) }
    Q_INVOKABLE bool connectVpn(int serverId, const QString &vmessLink)
    {
        return serverId > 0 && !vmessLink.isEmpty();
    }

signals:
    void loginStateChanged(bool loggedIn);
    void userInfoChanged();
};

class SignalsSwapped : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool isLoggedIn READ isLoggedIn NOTIFY loginStateChanged)
    Q_PROPERTY(int vipDays READ vipDays NOTIFY userInfoChanged)

public:
    bool isLoggedIn() const { return false; }
    int vipDays() const { return 0; }
    Q_INVOKABLE void getServers(const QString &tier = QString()) { Q_UNUSED(tier) }
    Q_INVOKABLE bool connectVpn(int serverId, const QString &vmessLink)
    {
        return serverId > 0 && !vmessLink.isEmpty();
    }

signals:
    void userInfoChanged();
    void loginStateChanged(bool loggedIn);
    void serversError(const QString &message);
};

class ParameterType : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool isLoggedIn READ isLoggedIn NOTIFY loginStateChanged)
    Q_PROPERTY(int vipDays READ vipDays NOTIFY userInfoChanged)

public:
    bool isLoggedIn() const { return false; }
    int vipDays() const { return 0; }
    Q_INVOKABLE void getServers(const QString &tier = QString()) { Q_UNUSED(tier) }
    Q_INVOKABLE bool connectVpn(qint64 serverId, const QString &vmessLink)
    {
        return serverId > 0 && !vmessLink.isEmpty();
    }

signals:
    void loginStateChanged(bool loggedIn);
    void userInfoChanged();
    void serversError(const QString &message);
};

class ReturnType : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool isLoggedIn READ isLoggedIn NOTIFY loginStateChanged)
    Q_PROPERTY(int vipDays READ vipDays NOTIFY userInfoChanged)

public:
    bool isLoggedIn() const { return false; }
    int vipDays() const { return 0; }
    Q_INVOKABLE void getServers(const QString &tier = QString()) { Q_UNUSED(tier) }
    Q_INVOKABLE void connectVpn(int serverId, const QString &vmessLink)
    {
        Q_UNUSED(serverId)
        Q_UNUSED(vmessLink)
    }

signals:
    void loginStateChanged(bool loggedIn);
    void userInfoChanged();
    void serversError(const QString &message);
};

class NoDefaultArgument : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool isLoggedIn READ isLoggedIn NOTIFY loginStateChanged)
    Q_PROPERTY(int vipDays READ vipDays NOTIFY userInfoChanged)

public:
    bool isLoggedIn() const { return false; }
    int vipDays() const { return 0; }
    Q_INVOKABLE void getServers(const QString &tier) { Q_UNUSED(tier) }
    Q_INVOKABLE bool connectVpn(int serverId, const QString &vmessLink)
    {
        return serverId > 0 && !vmessLink.isEmpty();
    }

signals:
    void loginStateChanged(bool loggedIn);
    void userInfoChanged();
    void serversError(const QString &message);
};

class ExtraMethod : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool isLoggedIn READ isLoggedIn NOTIFY loginStateChanged)
    Q_PROPERTY(int vipDays READ vipDays NOTIFY userInfoChanged)

public:
    bool isLoggedIn() const { return false; }
    int vipDays() const { return 0; }
    Q_INVOKABLE void getServers(const QString &tier = QString()) { Q_UNUSED(tier) }
    Q_INVOKABLE bool connectVpn(int serverId, const QString &vmessLink)
    {
        return serverId > 0 && !vmessLink.isEmpty();
    }
    Q_INVOKABLE void reconnect() { }

signals:
    void loginStateChanged(bool loggedIn);
    void userInfoChanged();
    void serversError(const QString &message);
};

// A public slot is callable from QML too, but is no member of the interface.
class SlotInsteadOfMethod : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool isLoggedIn READ isLoggedIn NOTIFY loginStateChanged)
    Q_PROPERTY(int vipDays READ vipDays NOTIFY userInfoChanged)

public:
    bool isLoggedIn() const { return false; }
    int vipDays() const { return 0; }
    Q_INVOKABLE void getServers(const QString &tier = QString()) { Q_UNUSED(tier) }

public slots:
    bool connectVpn(int serverId, const QString &vmessLink)
    {
        return serverId > 0 && !vmessLink.isEmpty();
    }

signals:
    void loginStateChanged(bool loggedIn);
    void userInfoChanged();
    void serversError(const QString &message);
};

class PropertyNotify : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool isLoggedIn READ isLoggedIn NOTIFY userInfoChanged)
    Q_PROPERTY(int vipDays READ vipDays NOTIFY userInfoChanged)

public:
    bool isLoggedIn() const { return false; }
    int vipDays() const { return 0; }
    Q_INVOKABLE void getServers(const QString &tier = QString()) { Q_UNUSED(tier) }
    Q_INVOKABLE bool connectVpn(int serverId, const QString &vmessLink)
    {
        return serverId > 0 && !vmessLink.isEmpty();
    }

signals:
    void loginStateChanged(bool loggedIn);
    void userInfoChanged();
    void serversError(const QString &message);
};

class WritableProperty : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool isLoggedIn READ isLoggedIn NOTIFY loginStateChanged)
    Q_PROPERTY(int vipDays READ vipDays WRITE setVipDays NOTIFY userInfoChanged)

public:
    bool isLoggedIn() const { return false; }
    int vipDays() const { return 0; }
    void setVipDays(int days) { Q_UNUSED(days) }
    Q_INVOKABLE void getServers(const QString &tier = QString()) { Q_UNUSED(tier) }
    Q_INVOKABLE bool connectVpn(int serverId, const QString &vmessLink)
    {
        return serverId > 0 && !vmessLink.isEmpty();
    }

signals:
    void loginStateChanged(bool loggedIn);
    void userInfoChanged();
    void serversError(const QString &message);
};

class PropertyType : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool isLoggedIn READ isLoggedIn NOTIFY loginStateChanged)
    Q_PROPERTY(double vipDays READ vipDays NOTIFY userInfoChanged)

public:
    bool isLoggedIn() const { return false; }
    double vipDays() const { return 0; }
    Q_INVOKABLE void getServers(const QString &tier = QString()) { Q_UNUSED(tier) }
    Q_INVOKABLE bool connectVpn(int serverId, const QString &vmessLink)
    {
        return serverId > 0 && !vmessLink.isEmpty();
    }

signals:
    void loginStateChanged(bool loggedIn);
    void userInfoChanged();
    void serversError(const QString &message);
};

class MissingProperty : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool isLoggedIn READ isLoggedIn NOTIFY loginStateChanged)

public:
    bool isLoggedIn() const { return false; }
    Q_INVOKABLE void getServers(const QString &tier = QString()) { Q_UNUSED(tier) }
    Q_INVOKABLE bool connectVpn(int serverId, const QString &vmessLink)
    {
        return serverId > 0 && !vmessLink.isEmpty();
    }

signals:
    void loginStateChanged(bool loggedIn);
    void userInfoChanged();
    void serversError(const QString &message);
};

} // namespace

using MetaObject = const QMetaObject *;
Q_DECLARE_METATYPE(MetaObject)

class ApiInterfaceTest : public QObject
{
    Q_OBJECT

private slots:
    // What QML sees of the fake is what it would see of the bridge.
    void fakeMatchesTheBridge()
    {
        const QStringList differences = ApiInterfaceCheck::differences(
            FakeApi::staticMetaObject, QmlApiAdapter::staticMetaObject);
        QVERIFY2(differences.isEmpty(), qPrintable(differences.join(u'\n')));
    }

    void sameInterfaceHasNoDifference()
    {
        QCOMPARE(ApiInterfaceCheck::differences(Reference::staticMetaObject,
                                                Reference::staticMetaObject),
                 QStringList());
    }

    // The check must notice each kind of drift, whichever side drifted.
    void checkNoticesDrift_data()
    {
        QTest::addColumn<MetaObject>("drifted");
        QTest::addColumn<QString>("difference");
        QTest::newRow("renamed parameter")
            << &RenamedParameter::staticMetaObject << QStringLiteral("QString error");
        QTest::newRow("missing signal")
            << &MissingSignal::staticMetaObject << QStringLiteral("(nothing)");
        QTest::newRow("signals swapped")
            << &SignalsSwapped::staticMetaObject << QStringLiteral("signal void userInfoChanged()");
        QTest::newRow("parameter type")
            << &ParameterType::staticMetaObject << QStringLiteral("qlonglong serverId");
        QTest::newRow("return type")
            << &ReturnType::staticMetaObject << QStringLiteral("method void connectVpn(");
        QTest::newRow("default argument")
            << &NoDefaultArgument::staticMetaObject << QStringLiteral("method void getServers()");
        QTest::newRow("extra method")
            << &ExtraMethod::staticMetaObject << QStringLiteral("reconnect");
        QTest::newRow("slot instead of method")
            << &SlotInsteadOfMethod::staticMetaObject << QStringLiteral("slot bool connectVpn(");
        QTest::newRow("property notify") << &PropertyNotify::staticMetaObject
                                         << QStringLiteral("isLoggedIn notify userInfoChanged");
        QTest::newRow("writable property")
            << &WritableProperty::staticMetaObject << QStringLiteral("[writable]");
        QTest::newRow("property type")
            << &PropertyType::staticMetaObject << QStringLiteral("property double vipDays");
        QTest::newRow("missing property")
            << &MissingProperty::staticMetaObject << QStringLiteral("property int vipDays");
    }

    void checkNoticesDrift()
    {
        QFETCH(MetaObject, drifted);
        QFETCH(QString, difference);
        for (const bool driftedIsActual : { true, false }) {
            const QStringList differences = driftedIsActual
                ? ApiInterfaceCheck::differences(*drifted, Reference::staticMetaObject)
                : ApiInterfaceCheck::differences(Reference::staticMetaObject, *drifted);
            QVERIFY2(differences.join(u'\n').contains(difference),
                     qPrintable(differences.join(u'\n')));
        }
    }
};

QTEST_GUILESS_MAIN(ApiInterfaceTest)

#include "tst_apiinterface.moc"
