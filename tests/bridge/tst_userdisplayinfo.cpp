#include <limits>

#include <QTest>

#include "bridge/ConnectPermission.h"
#include "bridge/UserDisplayInfo.h"
#include "models/User.h"

using Orvo::Api::ConnectPermission;
using Orvo::Api::UserDisplayInfo;
using Orvo::Api::Models::User;
using Orvo::Api::Services::ConnectionFailureReason;

namespace {

// The reference moment of every row; expiries are given relative to it.
QDateTime referenceNow()
{
    static const QDateTime now = QDateTime::currentDateTimeUtc().addSecs(60);
    return now;
}

// An expiry `seconds` after the reference moment; 0 means none.
QDateTime expiryIn(qint64 seconds)
{
    return seconds == 0 ? QDateTime() : referenceNow().addSecs(seconds);
}

User makeUser(bool vipFlag, qint64 vipSeconds, double hoursRemaining, int hoursTotal)
{
    User user;
    user.id = 7;
    user.email = QStringLiteral("lin@example.com");
    user.name = QStringLiteral("Lin");
    user.status = QStringLiteral("active");
    user.isVip = vipFlag;
    user.vipExpiresAt = expiryIn(vipSeconds);
    user.trialHoursRemaining = hoursRemaining;
    user.trialHoursTotal = hoursTotal;
    return user;
}

} // namespace

class UserDisplayInfoTest : public QObject
{
    Q_OBJECT

private slots:
    void derivesTheShownValues_data()
    {
        QTest::addColumn<bool>("vipFlag");
        QTest::addColumn<qint64>("vipSeconds");
        QTest::addColumn<double>("hoursRemaining");
        QTest::addColumn<int>("hoursTotal");
        QTest::addColumn<bool>("isVip");
        QTest::addColumn<int>("vipDays");
        QTest::addColumn<int>("freeMinutes");

        constexpr qint64 day = 86400;
        QTest::newRow("vip 1 s ahead") << true << qint64(1) << 0.0 << 0 << true << 1 << 0;
        QTest::newRow("vip exactly a day") << true << day << 0.0 << 0 << true << 1 << 0;
        QTest::newRow("vip a day and a second") << true << day + 1 << 0.0 << 0 << true << 2 << 0;
        QTest::newRow("vip 10 days and a second")
            << true << 10 * day + 1 << 5.0 << 3 << true << 11 << 0;
        QTest::newRow("vip flag, expiry passed")
            << true << -5 * day << 1.5 << 2 << false << 0 << 90;
        QTest::newRow("vip flag, no expiry") << true << qint64(0) << 0.0 << 3 << false << 0 << 180;
        QTest::newRow("expiry ahead, no vip flag")
            << false << 5 * day << 0.0 << 0 << false << 0 << 120;
        QTest::newRow("1.5 hours left") << false << qint64(0) << 1.5 << 0 << false << 0 << 90;
        QTest::newRow("0.01 hours left truncates")
            << false << qint64(0) << 0.01 << 5 << false << 0 << 0;
        QTest::newRow("none left, total 2") << false << qint64(0) << 0.0 << 2 << false << 0 << 120;
        QTest::newRow("negative left, no total")
            << false << qint64(0) << -0.5 << 0 << false << 0 << 120;
        QTest::newRow("none left, total 3") << false << qint64(0) << 0.0 << 3 << false << 0 << 180;
        // Absurd figures from the service show as the largest value, not an overflow.
        QTest::newRow("huge hours left")
            << false << qint64(0) << 1e300 << 0 << false << 0 << std::numeric_limits<int>::max();
        QTest::newRow("huge total") << false << qint64(0) << 0.0 << std::numeric_limits<int>::max()
                                    << false << 0 << std::numeric_limits<int>::max();
        QTest::newRow("expiry in a far future") << true << qint64(200000000000000) << 0.0 << 0
                                                << true << std::numeric_limits<int>::max() << 0;
    }

    void derivesTheShownValues()
    {
        QFETCH(bool, vipFlag);
        QFETCH(qint64, vipSeconds);
        QFETCH(double, hoursRemaining);
        QFETCH(int, hoursTotal);

        const UserDisplayInfo info = UserDisplayInfo::fromUser(
            makeUser(vipFlag, vipSeconds, hoursRemaining, hoursTotal), referenceNow());

        QCOMPARE(info.email, QStringLiteral("lin@example.com"));
        QCOMPARE(info.name, QStringLiteral("Lin"));
        QTEST(info.isVip, "isVip");
        QTEST(info.vipDays, "vipDays");
        QTEST(info.freeMinutes, "freeMinutes");
    }

    void writesTheExpiryAsTextWhateverTheMembership_data()
    {
        QTest::addColumn<QDateTime>("expiry");
        QTest::addColumn<QString>("text");
        QTest::newRow("utc, passed") << QDateTime(QDate(2020, 3, 4), QTime(5, 6, 7, 890), Qt::UTC)
                                     << QStringLiteral("2020-03-04T05:06:07Z");
        QTest::newRow("fixed offset")
            << QDateTime(QDate(2031, 1, 2), QTime(3, 4, 5), Qt::OffsetFromUTC, 8 * 3600)
            << QStringLiteral("2031-01-02T03:04:05+08:00");
        QTest::newRow("local") << QDateTime(QDate(2031, 1, 2), QTime(3, 4, 5), Qt::LocalTime)
                               << QStringLiteral("2031-01-02T03:04:05");
        QTest::newRow("none") << QDateTime() << QString();
    }

    void writesTheExpiryAsTextWhateverTheMembership()
    {
        QFETCH(QDateTime, expiry);
        User user = makeUser(false, 0, 1.0, 0);
        user.vipExpiresAt = expiry;
        QTEST(UserDisplayInfo::fromUser(user, referenceNow()).vipExpiresAt, "text");
    }

    void defaultsAreTheLoggedOutValues()
    {
        const UserDisplayInfo info;
        QVERIFY(info.email.isEmpty());
        QVERIFY(info.name.isEmpty());
        QVERIFY(!info.isVip);
        QVERIFY(info.vipExpiresAt.isEmpty());
        QCOMPARE(info.vipDays, 0);
        QCOMPARE(info.freeMinutes, 120);
    }

    void checksPermissionInRuleOrder_data()
    {
        QTest::addColumn<bool>("loggedIn");
        QTest::addColumn<int>("serverId");
        QTest::addColumn<bool>("requiresVip");
        QTest::addColumn<bool>("isVip");
        QTest::addColumn<int>("vipDays");
        QTest::addColumn<int>("freeMinutes");
        QTest::addColumn<ConnectionFailureReason>("expected");

        using R = ConnectionFailureReason;
        QTest::newRow("logged out, whatever else")
            << false << 5 << true << true << 3 << 0 << R::NotLoggedIn;
        QTest::newRow("logged out, no server")
            << false << 0 << false << false << 0 << 0 << R::NotLoggedIn;
        QTest::newRow("server 0") << true << 0 << false << true << 3 << 0 << R::NoServerSelected;
        QTest::newRow("negative server")
            << true << -4 << true << false << 0 << 0 << R::NoServerSelected;
        QTest::newRow("vip line, not vip")
            << true << 5 << true << false << 0 << 60 << R::VipRequired;
        QTest::newRow("vip line, vip without days")
            << true << 5 << true << true << 0 << 0 << R::VipExpired;
        QTest::newRow("vip line, vip") << true << 5 << true << true << 3 << 0 << R::NoFailure;
        QTest::newRow("free line, minutes left")
            << true << 5 << false << false << 0 << 60 << R::NoFailure;
        QTest::newRow("free line, no minutes")
            << true << 5 << false << false << 0 << 0 << R::TrialExpired;
        QTest::newRow("vip without days, no minutes")
            << true << 5 << false << true << 0 << 0 << R::VipAndTrialExpired;
        QTest::newRow("free line, vip") << true << 5 << false << true << 2 << 0 << R::NoFailure;
    }

    void checksPermissionInRuleOrder()
    {
        QFETCH(bool, loggedIn);
        QFETCH(int, serverId);
        QFETCH(bool, requiresVip);
        QFETCH(bool, isVip);
        QFETCH(int, vipDays);
        QFETCH(int, freeMinutes);

        UserDisplayInfo user;
        user.isVip = isVip;
        user.vipDays = vipDays;
        user.freeMinutes = freeMinutes;
        QTEST(ConnectPermission::check(loggedIn, serverId, requiresVip, user), "expected");
    }

    void truncatedMinutesRefuseAFreeLine()
    {
        const UserDisplayInfo info
            = UserDisplayInfo::fromUser(makeUser(false, 0, 0.01, 0), referenceNow());
        QCOMPARE(ConnectPermission::check(true, 5, false, info),
                 ConnectionFailureReason::TrialExpired);
    }
};

QTEST_GUILESS_MAIN(UserDisplayInfoTest)
#include "tst_userdisplayinfo.moc"
