#include <QFile>
#include <QNetworkInterface>
#include <QSignalSpy>
#include <QTest>

#include <memory>

#include "StandIns.h"
#include "TestEngineTimings.h"
#include "vpn/Tun2SocksManager.h"

using Orvo::Api::Vpn::Tun2SocksManager;
using Orvo::Testing::describe;
using Orvo::Testing::isRunning;
using Orvo::Testing::StandInBehaviour;
using Orvo::Testing::StandInCall;
using Orvo::Testing::StandIns;
using InterfaceList = QList<Tun2SocksManager::InterfaceEntry>;

Q_DECLARE_METATYPE(InterfaceList)

namespace {

const QString kEngineUrl = QStringLiteral("socks://127.0.0.1:10315");
const QStringList kRoutes { "1.0.0.0/8",  "2.0.0.0/7",  "4.0.0.0/6",   "8.0.0.0/5",    "16.0.0.0/4",
                            "32.0.0.0/3", "64.0.0.0/2", "128.0.0.0/1", "198.18.0.0/15" };

const QStringList kAddress { "interface",
                             "ipv4",
                             "set",
                             "address",
                             "name=\"wintun\"",
                             "source=static",
                             "addr=192.168.123.1",
                             "mask=255.255.255.0" };
const QStringList kDns {
    "interface",       "ipv4",          "set",        "dnsservers", "name=\"wintun\"", "static",
    "address=8.8.8.8", "register=none", "validate=no"
};
const QStringList kDnsReset { "interface", "ipv4", "set", "dnsservers", "name=\"wintun\"", "dhcp" };
const QStringList kAddressReset { "interface",       "ipv4",       "set", "address",
                                  "name=\"wintun\"", "source=dhcp" };

QStringList addRoute(const QString &route)
{
    return {
        "interface", "ipv4", "add", "route", route, "\"wintun\"", "192.168.123.1", "metric=1"
    };
}

QStringList deleteRoute(const QString &route)
{
    return { "interface", "ipv4", "delete", "route", route, "\"wintun\"" };
}

QList<QStringList> upCommands()
{
    QList<QStringList> commands { kAddress, kDns };
    for (const QString &route : kRoutes)
        commands << addRoute(route);
    return commands;
}

QList<QStringList> downCommands()
{
    QList<QStringList> commands;
    for (const QString &route : kRoutes)
        commands << deleteRoute(route);
    commands << kDnsReset << kAddressReset;
    return commands;
}

QStringList netsh(const QList<QStringList> &commands)
{
    QStringList result;
    for (const QStringList &args : commands)
        result << describe(QStringLiteral("netsh"), args);
    return result;
}

// The interface tun2socks should leave by on this machine.
QString expectedInterface()
{
    const QList<QNetworkInterface> interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &iface : interfaces) {
        const auto flags = iface.flags();
        if (flags.testFlag(QNetworkInterface::IsUp)
            && !flags.testFlag(QNetworkInterface::IsLoopBack)
            && !iface.name().contains(QLatin1String("wintun"), Qt::CaseInsensitive))
            return iface.name();
    }
    return QStringLiteral("以太网");
}

QStringList texts(const QSignalSpy &spy)
{
    QStringList result;
    for (const QList<QVariant> &arguments : spy)
        result << arguments.value(0).toString();
    return result;
}

} // namespace

class Tun2SocksManagerTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<StandIns> m_standIns;

    static std::unique_ptr<Tun2SocksManager> makeManager()
    {
        return std::make_unique<Tun2SocksManager>();
    }

    qint64 tun2socksPid() const
    {
        const QList<StandInCall> calls = m_standIns->calls(QStringLiteral("tun2socks.exe"));
        return calls.isEmpty() ? 0 : calls.last().pid;
    }

    void failNetsh(const QString &argsContain)
    {
        StandInBehaviour behaviour;
        behaviour.argsContain = argsContain;
        behaviour.exitCode = 1;
        behaviour.stdErr = QStringLiteral("找不到元素。");
        m_standIns->addBehaviour(QStringLiteral("netsh"), behaviour);
    }

private slots:
    void initTestCase()
    {
        Orvo::Api::Vpn::EngineTimings::setForTesting(Orvo::Testing::testEngineTimings());
    }

    void init()
    {
        m_standIns = std::make_unique<StandIns>();
        QVERIFY(m_standIns->isValid());
        QVERIFY(QFile::exists(StandIns::tun2socksPath()));
    }

    void cleanup()
    {
        m_standIns.reset();
        const QString away = StandIns::tun2socksPath() + QStringLiteral(".away");
        if (QFile::exists(away))
            QFile::rename(away, StandIns::tun2socksPath());
    }

    void bringsTheTunnelUpAndDown()
    {
        auto manager = makeManager();
        QSignalSpy started(manager.get(), &Tun2SocksManager::started);
        QSignalSpy stopped(manager.get(), &Tun2SocksManager::stopped);
        QSignalSpy errors(manager.get(), &Tun2SocksManager::error);
        QSignalSpy output(manager.get(), &Tun2SocksManager::logOutput);

        QVERIFY(manager->start(kEngineUrl));

        // Each stand-in logs itself once it runs, so tun2socks may show up
        // after the first netsh call on a busy machine: compare per program.
        const QList<StandInCall> tunnel = m_standIns->calls(QStringLiteral("tun2socks.exe"));
        QCOMPARE(tunnel.size(), 1);
        QCOMPARE(tunnel.first().args,
                 QStringList({ "-device", "wintun", "-proxy", "socks5://127.0.0.1:10315",
                               "-interface", expectedInterface() }));
        QCOMPARE(describe(m_standIns->calls(QStringLiteral("netsh"))), netsh(upCommands()));
        QCOMPARE(started.count(), 1);
        QVERIFY(errors.isEmpty());
        QTRY_VERIFY(texts(output).contains(
            QStringLiteral("[tun2socks] INFO [STACK] tun://wintun <-> stand-in proxy")));

        const qint64 pid = tun2socksPid();
        QVERIFY(isRunning(pid));
        m_standIns->clearCalls();
        manager->stop();

        QCOMPARE(describe(m_standIns->calls()), netsh(downCommands()));
        QVERIFY(!isRunning(pid));
        QCOMPARE(stopped.count(), 1);
        // The terminate ends tun2socks by a signal: asked for, so no crash.
        QVERIFY(errors.isEmpty());
    }

    void proxyArgument_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("proxy");

        QTest::newRow("socks becomes socks5") << kEngineUrl << "socks5://127.0.0.1:10315";
        QTest::newRow("socks5 unchanged") << "socks5://127.0.0.1:1080"
                                          << "socks5://127.0.0.1:1080";
        QTest::newRow("http unchanged") << "http://127.0.0.1:8080"
                                        << "http://127.0.0.1:8080";
        QTest::newRow("upper case unchanged") << "SOCKS://127.0.0.1:1080"
                                              << "SOCKS://127.0.0.1:1080";
    }

    void proxyArgument()
    {
        QFETCH(QString, url);
        QFETCH(QString, proxy);

        auto manager = makeManager();
        QVERIFY(manager->start(url));
        const QList<StandInCall> calls = m_standIns->calls(QStringLiteral("tun2socks.exe"));
        QCOMPARE(calls.size(), 1);
        QCOMPARE(calls.first().args.value(3), proxy);
        manager->stop();
    }

    void choosesInterface_data()
    {
        QTest::addColumn<InterfaceList>("interfaces");
        QTest::addColumn<QString>("chosen");

        QTest::newRow("first physical") << InterfaceList {
            { "lo", true, true }, { "eth0", true, false }, { "eth1", true, false }
        } << "eth0";
        QTest::newRow("down is skipped")
            << InterfaceList { { "eth0", false, false }, { "wlan0", true, false } } << "wlan0";
        QTest::newRow("wintun in any case is skipped")
            << InterfaceList { { "wintun", true, false },
                               { "WinTun1", true, false },
                               { "my-WINTUN", true, false },
                               { "eth0", true, false } }
            << "eth0";
        QTest::newRow("only loopback and wintun")
            << InterfaceList { { "lo", true, true }, { "wintun", true, false } } << "以太网";
        QTest::newRow("none") << InterfaceList {} << "以太网";
    }

    void choosesInterface()
    {
        QFETCH(InterfaceList, interfaces);
        QFETCH(QString, chosen);

        QCOMPARE(Tun2SocksManager::choosePhysicalInterface(interfaces), chosen);
    }

    void failingStep_data()
    {
        QTest::addColumn<QString>("failing");
        QTest::addColumn<int>("commandsRun");
        QTest::addColumn<QString>("message");

        QTest::newRow("address") << "source=static" << 1 << "配置wintun IP地址失败";
        QTest::newRow("DNS") << "dnsservers" << 2 << "配置wintun DNS失败";
        QTest::newRow("one route: all nine are tried") << "8.0.0.0/5" << 11 << "添加路由规则失败";
        QTest::newRow("last route") << "198.18.0.0/15" << 11 << "添加路由规则失败";
    }

    void failingStep()
    {
        QFETCH(QString, failing);
        QFETCH(int, commandsRun);
        QFETCH(QString, message);

        failNetsh(failing);
        auto manager = makeManager();
        QSignalSpy errors(manager.get(), &Tun2SocksManager::error);
        QSignalSpy stopped(manager.get(), &Tun2SocksManager::stopped);

        QVERIFY(!manager->start(kEngineUrl));

        QCOMPARE(describe(m_standIns->calls(QStringLiteral("netsh"))),
                 netsh(upCommands().mid(0, commandsRun)));
        // Stopping tun2socks for the failed step is no crash of its own.
        QCOMPARE(texts(errors), QStringList { message });
        QVERIFY(!isRunning(tun2socksPid()));
        QCOMPARE(stopped.count(), 1);

        // The failed start never counted as up: stopping has nothing to undo.
        m_standIns->clearCalls();
        manager->stop();
        QVERIFY(m_standIns->calls().isEmpty());
    }

    void failedCommandIsLogged()
    {
        failNetsh(QStringLiteral("source=static"));
        auto manager = makeManager();

        QTest::ignoreMessage(QtWarningMsg, "[Tun2SocksManager] 命令执行失败, 退出码: 1");
        QTest::ignoreMessage(QtWarningMsg, "[Tun2SocksManager] 错误输出: 找不到元素。");
        QVERIFY(!manager->start(kEngineUrl));
    }

    void tun2socksThatIgnoresTerminationIsKilled()
    {
        StandInBehaviour behaviour;
        behaviour.ignoreTerm = true;
        m_standIns->addBehaviour(QStringLiteral("tun2socks.exe"), behaviour);
        auto manager = makeManager();
        QSignalSpy errors(manager.get(), &Tun2SocksManager::error);
        QSignalSpy stopped(manager.get(), &Tun2SocksManager::stopped);

        QVERIFY(manager->start(kEngineUrl));
        const qint64 pid = tun2socksPid();
        QVERIFY(isRunning(pid));

        QTest::ignoreMessage(QtWarningMsg, "[Tun2SocksManager] tun2socks进程未响应，强制终止");
        manager->stop();

        QVERIFY(!isRunning(pid));
        QCOMPARE(stopped.count(), 1);
        QVERIFY(errors.isEmpty());
        QCOMPARE(describe(m_standIns->calls(QStringLiteral("netsh"))).mid(11),
                 netsh(downCommands()));
    }

    void startWhileUpRunsNothing()
    {
        auto manager = makeManager();
        QVERIFY(manager->start(kEngineUrl));
        m_standIns->clearCalls();
        QSignalSpy errors(manager.get(), &Tun2SocksManager::error);
        QSignalSpy started(manager.get(), &Tun2SocksManager::started);

        QTest::ignoreMessage(QtWarningMsg, "[Tun2SocksManager] tun2socks已经在运行中");
        QVERIFY(!manager->start(kEngineUrl));

        QVERIFY(m_standIns->calls().isEmpty());
        QVERIFY(errors.isEmpty());
        QVERIFY(started.isEmpty());
        manager->stop();
    }

    void stopWithoutStartRunsNothing()
    {
        auto manager = makeManager();
        manager->stop();
        QVERIFY(m_standIns->calls().isEmpty());
    }

    void tun2socksEndingByItselfLeavesNothingToStop_data()
    {
        QTest::addColumn<bool>("crash");
        QTest::addColumn<QStringList>("errorTexts");
        // Both the process error and the end report the crash.
        QTest::newRow("crash") << true << QStringList { "tun2socks进程崩溃", "tun2socks进程崩溃" };
        QTest::newRow("exit") << false << QStringList();
    }

    void tun2socksEndingByItselfLeavesNothingToStop()
    {
        QFETCH(bool, crash);
        QFETCH(QStringList, errorTexts);
        StandInBehaviour behaviour;
        behaviour.runForMs = 300;
        behaviour.crash = crash;
        m_standIns->addBehaviour(QStringLiteral("tun2socks.exe"), behaviour);
        auto manager = makeManager();
        QSignalSpy stopped(manager.get(), &Tun2SocksManager::stopped);
        QSignalSpy errors(manager.get(), &Tun2SocksManager::error);

        QVERIFY(manager->start(kEngineUrl));
        QVERIFY(stopped.wait(5000));
        QCOMPARE(texts(errors), errorTexts);

        m_standIns->clearCalls();
        manager->stop();
        QVERIFY(m_standIns->calls().isEmpty());
    }

    void destroyingAnUpTunnelTakesItDown()
    {
        auto manager = makeManager();
        QVERIFY(manager->start(kEngineUrl));
        const qint64 pid = tun2socksPid();
        m_standIns->clearCalls();

        manager.reset();

        QCOMPARE(describe(m_standIns->calls()), netsh(downCommands()));
        QVERIFY(!isRunning(pid));
    }

    void missingExecutableRunsNothing()
    {
        const QString path = StandIns::tun2socksPath();
        QVERIFY(QFile::rename(path, path + QStringLiteral(".away")));
        auto manager = makeManager();
        QSignalSpy errors(manager.get(), &Tun2SocksManager::error);

        QTest::ignoreMessage(QtWarningMsg,
                             qPrintable("[Tun2SocksManager] tun2socks可执行文件不存在: " + path));
        QTest::ignoreMessage(QtWarningMsg, "[Tun2SocksManager] 启动tun2socks进程失败");
        QVERIFY(!manager->start(kEngineUrl));

        QCOMPARE(texts(errors), QStringList({ "启动tun2socks进程失败" }));
        QVERIFY(m_standIns->calls().isEmpty());
    }
};

QTEST_GUILESS_MAIN(Tun2SocksManagerTest)
#include "tst_tun2socksmanager.moc"
