#include <QTest>

#include <limits>

#include "vpn/ConnectionAccount.h"
#include "vpn/ConnectionFailureReason.h"
#include "vpn/ConnectionFormat.h"
#include "vpn/VpnConnectionState.h"

using Orvo::Api::Services::ConnectionAccount;
using Orvo::Api::Services::ConnectionFailureReason;
using Orvo::Api::Services::ConnectionFormat;
using Orvo::Api::Services::VpnConnectionState;
using Reason = ConnectionFailureReason;

// The pure rules of the connection engine: texts, formats, the permission test.
class ConnectionRulesTest : public QObject
{
    Q_OBJECT

private slots:
    void formatSpeed_data()
    {
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<int>("seconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << qint64(0) << 1 << "0 B/s";
        QTest::newRow("just below a kilobyte") << qint64(1023) << 1 << "1023 B/s";
        QTest::newRow("one kilobyte") << qint64(1024) << 1 << "1.00 KB/s";
        QTest::newRow("rate truncated") << qint64(3) << 2 << "1 B/s";
        QTest::newRow("zero seconds count as one") << qint64(1536) << 0 << "1.50 KB/s";
        QTest::newRow("negative seconds count as one") << qint64(1536) << -5 << "1.50 KB/s";
        QTest::newRow("rate truncated before scaling") << qint64(3073) << 2 << "1.50 KB/s";
        QTest::newRow("just below a megabyte") << qint64(1048575) << 1 << "1024.00 KB/s";
        QTest::newRow("one megabyte") << qint64(1048576) << 1 << "1.00 MB/s";
        QTest::newRow("megabytes over seconds") << qint64(5 * 1048576) << 2 << "2.50 MB/s";
        QTest::newRow("one gigabyte") << qint64(1073741824) << 1 << "1.00 GB/s";
        QTest::newRow("many gigabytes") << qint64(1073741824) * 2000 << 1 << "2000.00 GB/s";
    }

    void formatSpeed()
    {
        QFETCH(qint64, bytes);
        QFETCH(int, seconds);
        QFETCH(QString, text);
        QCOMPARE(ConnectionFormat::formatSpeed(bytes, seconds), text);
    }

    void formatDuration_data()
    {
        QTest::addColumn<int>("seconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << 0 << "00:00:00";
        QTest::newRow("seconds only") << 59 << "00:00:59";
        QTest::newRow("one minute") << 60 << "00:01:00";
        QTest::newRow("all three") << 3661 << "01:01:01";
        QTest::newRow("just below a day") << 86399 << "23:59:59";
        QTest::newRow("hundred hours keep their digits") << 360000 << "100:00:00";
    }

    void formatDuration()
    {
        QFETCH(int, seconds);
        QFETCH(QString, text);
        QCOMPARE(ConnectionFormat::formatDuration(seconds), text);
    }

    void reasonText_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("text");
        QTest::newRow("0 no failure") << 0 << "";
        QTest::newRow("1 not logged in") << 1 << "请先登录账号";
        QTest::newRow("2 no server") << 2 << "请先选择服务器";
        QTest::newRow("3 vip required") << 3 << "此线路为VIP专线，请升级VIP后使用";
        QTest::newRow("4 trial expired") << 4 << "您的免费体验时长已用完，请升级VIP继续使用";
        QTest::newRow("5 vip expired") << 5 << "您的VIP已过期，无法连接VIP专线";
        QTest::newRow("6 vip and trial expired") << 6 << "您的VIP已过期且体验时长已用完，请续费VIP";
        QTest::newRow("7 suspended") << 7 << "您的账户已被暂停，请联系客服";
        QTest::newRow("8 banned") << 8 << "您的账户已被封禁，请联系客服";
        QTest::newRow("9 forced offline") << 9 << "您的账号在其他设备登录，已被强制下线";
        QTest::newRow("10 network") << 10 << "网络连接失败，请检查网络设置";
        QTest::newRow("11 server") << 11 << "服务器连接失败，请稍后重试";
        QTest::newRow("12 past the end") << 12 << "未知错误";
        QTest::newRow("-1 negative") << -1 << "未知错误";
        QTest::newRow("large") << 1000000 << "未知错误";
        QTest::newRow("most negative") << std::numeric_limits<int>::min() << "未知错误";
    }

    void reasonText()
    {
        QFETCH(int, code);
        QFETCH(QString, text);
        QCOMPARE(Orvo::Api::Services::failureReasonText(code), text);
        QCOMPARE(Orvo::Api::Services::failureReasonText(static_cast<Reason>(code)), text);
    }

    void stateText_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<QString>("text");
        QTest::newRow("disconnected") << 0 << "未连接";
        QTest::newRow("connecting") << 1 << "连接中";
        QTest::newRow("connected") << 2 << "已连接";
        QTest::newRow("disconnecting") << 3 << "断开中";
        QTest::newRow("outside") << 4 << "未知";
        QTest::newRow("negative") << -1 << "未知";
    }

    void stateText()
    {
        QFETCH(int, state);
        QFETCH(QString, text);
        QCOMPARE(Orvo::Api::Services::connectionStateText(static_cast<VpnConnectionState>(state)),
                 text);
    }

    void permission_data()
    {
        QTest::addColumn<bool>("loggedIn");
        QTest::addColumn<QString>("status");
        QTest::addColumn<bool>("isVip");
        // Days from now to the VIP expiry; 0 means no expiry.
        QTest::addColumn<int>("vipExpiryDays");
        QTest::addColumn<bool>("trialUsed");
        QTest::addColumn<double>("hours");
        QTest::addColumn<int>("serverId");
        QTest::addColumn<bool>("requiresVip");
        QTest::addColumn<Reason>("result");

        const QString active = QStringLiteral("active");
        QTest::newRow("logged out beats everything")
            << false << "banned" << false << -3 << true << 0.0 << 0 << true << Reason::NotLoggedIn;
        QTest::newRow("suspended before server") << true << "suspended" << false << 0 << false
                                                 << 1.0 << 0 << false << Reason::AccountSuspended;
        QTest::newRow("banned before server")
            << true << "banned" << true << 5 << false << 1.0 << 0 << false << Reason::AccountBanned;
        QTest::newRow("status compared with case")
            << true << "Suspended" << false << 0 << false << 1.0 << 3 << false << Reason::NoFailure;
        QTest::newRow("status compared with case, then server")
            << true << "Banned" << false << 0 << false << 1.0 << 0 << false
            << Reason::NoServerSelected;
        QTest::newRow("no server") << true << active << true << 5 << false << 1.0 << 0 << false
                                   << Reason::NoServerSelected;
        QTest::newRow("negative server") << true << active << true << 5 << false << 1.0 << -1
                                         << false << Reason::NoServerSelected;
        QTest::newRow("vip line, not vip")
            << true << active << false << 0 << false << 5.0 << 3 << true << Reason::VipRequired;
        QTest::newRow("vip line, vip expired")
            << true << active << true << -1 << false << 5.0 << 3 << true << Reason::VipExpired;
        QTest::newRow("vip line, vip without expiry")
            << true << active << true << 0 << false << 0.0 << 3 << true << Reason::NoFailure;
        QTest::newRow("vip line, vip valid")
            << true << active << true << 10 << true << 0.0 << 3 << true << Reason::NoFailure;
        QTest::newRow("trial spent, exactly zero")
            << true << active << false << 0 << true << 0.0 << 3 << false << Reason::TrialExpired;
        QTest::newRow("trial spent, negative")
            << true << active << false << 0 << true << -0.5 << 3 << false << Reason::TrialExpired;
        QTest::newRow("trial with a little left")
            << true << active << false << 0 << true << 0.01 << 3 << false << Reason::NoFailure;
        QTest::newRow("trial never used, no hours")
            << true << active << false << 0 << false << 0.0 << 3 << false << Reason::NoFailure;
        QTest::newRow("vip flag, expired, trial spent")
            << true << active << true << -1 << true << 0.0 << 3 << false
            << Reason::VipAndTrialExpired;
        QTest::newRow("vip flag, expired, trial never used")
            << true << active << true << -1 << false << 0.0 << 3 << false << Reason::NoFailure;
        QTest::newRow("not vip, expired, trial spent: trial rule first")
            << true << active << false << -1 << true << 0.0 << 3 << false << Reason::TrialExpired;
        QTest::newRow("vip valid, trial spent")
            << true << active << true << 10 << true << 0.0 << 3 << false << Reason::NoFailure;
        QTest::newRow("unknown status passes")
            << true << "pending" << false << 0 << false << 0.0 << 1 << false << Reason::NoFailure;
    }

    void permission()
    {
        QFETCH(bool, loggedIn);
        QFETCH(QString, status);
        QFETCH(bool, isVip);
        QFETCH(int, vipExpiryDays);
        QFETCH(bool, trialUsed);
        QFETCH(double, hours);
        QFETCH(int, serverId);
        QFETCH(bool, requiresVip);
        QFETCH(Reason, result);

        ConnectionAccount account;
        account.loggedIn = loggedIn;
        account.status = status;
        account.isVip = isVip;
        if (vipExpiryDays != 0)
            account.vipExpiresAt = QDateTime::currentDateTime().addDays(vipExpiryDays);
        account.trialUsed = trialUsed;
        account.trialHoursRemaining = hours;
        QCOMPARE(account.checkPermission(serverId, requiresVip), result);
    }

    void freshAccountIsLoggedOut()
    {
        const ConnectionAccount account;
        QCOMPARE(account.status, QStringLiteral("active"));
        QCOMPARE(account.checkPermission(3, false), Reason::NotLoggedIn);
    }
};

QTEST_GUILESS_MAIN(ConnectionRulesTest)
#include "tst_connectionrules.moc"
