#include <QTest>

#include "ApiInterfaceCheck.h"
#include "FakeApi.h"
#include "QmlApiAdapter.h"

using Orvo::Api::QmlApiAdapter;
using Orvo::Testing::ApiInterfaceCheck;
using Orvo::Testing::FakeApi;

// A small interface of the bridge's kind, and two copies of it that drift
// from it in named members only, for the check to notice.
namespace {

class Reference : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool isLoggedIn READ isLoggedIn NOTIFY loginStateChanged)
    Q_PROPERTY(int vipDays READ vipDays NOTIFY userInfoChanged)
    Q_PROPERTY(QString userEmail READ userEmail NOTIFY userInfoChanged)
    Q_PROPERTY(QString userName READ userName NOTIFY userInfoChanged)

public:
    bool isLoggedIn() const { return false; }
    int vipDays() const { return 0; }
    QString userEmail() const { return QString(); }
    QString userName() const { return QString(); }
    Q_INVOKABLE void disconnectVpn() { }
    Q_INVOKABLE bool connectVpn(int serverId, const QString &vmessLink)
    {
        return serverId > 0 && !vmessLink.isEmpty();
    }
    Q_INVOKABLE bool login(const QString &email, const QString &password)
    {
        return !email.isEmpty() && !password.isEmpty();
    }
    Q_INVOKABLE void getServers(const QString &tier = QString()) { Q_UNUSED(tier) }

signals:
    void loginStateChanged(bool loggedIn);
    void userInfoChanged();
    void serversError(const QString &message);
};

// Each member of the reference drifts in one way and keeps its place, so that
// each drift shows on a line of its own. At the lists' ends, getServers has
// lost its default argument (and with it the shorter entry QML would call),
// and the last property is gone.
class Drifted : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool isLoggedIn READ isLoggedIn NOTIFY userInfoChanged)
    Q_PROPERTY(double vipDays READ vipDays NOTIFY userInfoChanged)
    Q_PROPERTY(QString userEmail READ userEmail WRITE setUserEmail NOTIFY userInfoChanged)

public:
    bool isLoggedIn() const { return false; }
    double vipDays() const { return 0; }
    QString userEmail() const { return QString(); }
    void setUserEmail(const QString &email) { Q_UNUSED(email) }
    Q_INVOKABLE bool connectVpn(qint64 serverId, const QString &vmessLink)
    {
        return serverId > 0 && !vmessLink.isEmpty();
    }
    Q_INVOKABLE void login(const QString &email, const QString &password)
    {
        Q_UNUSED(email)
        Q_UNUSED(password)
    }
    Q_INVOKABLE void getServers(const QString &tier) { Q_UNUSED(tier) }

    // A public slot is callable from QML too, but is no member of the
    // interface. Slots come before methods, so it keeps its place.
public slots:
    void disconnectVpn() { }

signals:
    void userInfoChanged();
    void loginStateChanged(bool loggedIn);
    void serversError(const QString &error);
};

// The reference with a signal fewer and a method more: every member after
// the missing signal moves up one place, and the new method takes the last.
class Shifted : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool isLoggedIn READ isLoggedIn NOTIFY loginStateChanged)
    Q_PROPERTY(int vipDays READ vipDays NOTIFY userInfoChanged)
    Q_PROPERTY(QString userEmail READ userEmail NOTIFY userInfoChanged)
    Q_PROPERTY(QString userName READ userName NOTIFY userInfoChanged)

public:
    bool isLoggedIn() const { return false; }
    int vipDays() const { return 0; }
    QString userEmail() const { return QString(); }
    QString userName() const { return QString(); }
    Q_INVOKABLE void disconnectVpn() { }
    Q_INVOKABLE bool connectVpn(int serverId, const QString &vmessLink)
    {
        return serverId > 0 && !vmessLink.isEmpty();
    }
    Q_INVOKABLE bool login(const QString &email, const QString &password)
    {
        return !email.isEmpty() && !password.isEmpty();
    }
    Q_INVOKABLE void getServers(const QString &tier = QString()) { Q_UNUSED(tier) }
    Q_INVOKABLE void reconnect() { }

signals:
    void loginStateChanged(bool loggedIn);
    void userInfoChanged();
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

    // The check must notice each kind of drift, whichever side drifted: the
    // line it reports names the place, the reference's member and the
    // drifted one.
    void checkNoticesDrift_data()
    {
        QTest::addColumn<MetaObject>("drifted");
        QTest::addColumn<QString>("place");
        QTest::addColumn<QString>("reference");
        QTest::addColumn<QString>("drift");
        const MetaObject drifted = &Drifted::staticMetaObject;
        const MetaObject shifted = &Shifted::staticMetaObject;
        QTest::newRow("signals swapped")
            << drifted << QStringLiteral("member 0")
            << QStringLiteral("signal void loginStateChanged(bool loggedIn)")
            << QStringLiteral("signal void userInfoChanged()");
        QTest::newRow("renamed parameter")
            << drifted << QStringLiteral("member 2")
            << QStringLiteral("signal void serversError(QString message)")
            << QStringLiteral("signal void serversError(QString error)");
        QTest::newRow("slot instead of method") << drifted << QStringLiteral("member 3")
                                                << QStringLiteral("method void disconnectVpn()")
                                                << QStringLiteral("slot void disconnectVpn()");
        QTest::newRow("parameter type")
            << drifted << QStringLiteral("member 4")
            << QStringLiteral("method bool connectVpn(int serverId, QString vmessLink)")
            << QStringLiteral("method bool connectVpn(qlonglong serverId, QString vmessLink)");
        QTest::newRow("return type")
            << drifted << QStringLiteral("member 5")
            << QStringLiteral("method bool login(QString email, QString password)")
            << QStringLiteral("method void login(QString email, QString password)");
        QTest::newRow("default argument")
            << drifted << QStringLiteral("member 7") << QStringLiteral("method void getServers()")
            << QStringLiteral("(nothing)");
        QTest::newRow("property notify")
            << drifted << QStringLiteral("property 0")
            << QStringLiteral("property bool isLoggedIn notify loginStateChanged")
            << QStringLiteral("property bool isLoggedIn notify userInfoChanged");
        QTest::newRow("property type")
            << drifted << QStringLiteral("property 1")
            << QStringLiteral("property int vipDays notify userInfoChanged")
            << QStringLiteral("property double vipDays notify userInfoChanged");
        QTest::newRow("writable property")
            << drifted << QStringLiteral("property 2")
            << QStringLiteral("property QString userEmail notify userInfoChanged")
            << QStringLiteral("property QString userEmail notify userInfoChanged [writable]");
        QTest::newRow("missing property")
            << drifted << QStringLiteral("property 3")
            << QStringLiteral("property QString userName notify userInfoChanged")
            << QStringLiteral("(nothing)");
        QTest::newRow("missing signal")
            << shifted << QStringLiteral("member 2")
            << QStringLiteral("signal void serversError(QString message)")
            << QStringLiteral("method void disconnectVpn()");
        QTest::newRow("extra method")
            << shifted << QStringLiteral("member 7") << QStringLiteral("method void getServers()")
            << QStringLiteral("method void reconnect()");
    }

    void checkNoticesDrift()
    {
        QFETCH(MetaObject, drifted);
        QFETCH(QString, place);
        QFETCH(QString, reference);
        QFETCH(QString, drift);
        const auto line = [&](const QString &expected, const QString &found) {
            return QStringLiteral("%1: expected \"%2\", found \"%3\"").arg(place, expected, found);
        };
        const QStringList driftedIsActual
            = ApiInterfaceCheck::differences(*drifted, Reference::staticMetaObject);
        QVERIFY2(driftedIsActual.contains(line(reference, drift)),
                 qPrintable(driftedIsActual.join(u'\n')));
        const QStringList driftedIsExpected
            = ApiInterfaceCheck::differences(Reference::staticMetaObject, *drifted);
        QVERIFY2(driftedIsExpected.contains(line(drift, reference)),
                 qPrintable(driftedIsExpected.join(u'\n')));
    }
};

QTEST_GUILESS_MAIN(ApiInterfaceTest)

#include "tst_apiinterface.moc"
