import QtQuick
import QtTest
import Lumora
import LumoraContent

Item {
    id: page
    width: 430
    height: 880

    Component {
        id: appComponent
        App {}
    }

    SignalSpy {
        id: spy
    }

    TestCase {
        name: "App"
        when: windowShown

        property var app
        property var stack

        // The page moves are under test here, not their fade: pages fade this
        // long, except in the test of the fade itself.
        readonly property int shortFade: 10

        // Where each page's screen object is found, by the page's name.
        readonly property var screens: ({
                                            "loginPage": "loginScreen",
                                            "registerPage": "registerScreen",
                                            "settingsPage": "settingsScreen",
                                            "selectServerPage": "selectServerScreen",
                                            "vipPage": "vipScreen",
                                            "myOrdersPage": "myOrdersScreen",
                                            "aboutUsPage": "aboutUsScreen",
                                            "announcementPage": "announcementScreen"
                                        })

        function init() {
            ApiSpy.reset()
            ConsoleLog.clear()
        }

        function part(name) {
            return findChild(app.contentItem, name)
        }

        // The window as the first frame shows it: the splash alone.
        function createBare(fade) {
            app = createTemporaryObject(appComponent, page,
                                        { pageFadeDuration: fade === undefined ? shortFade : fade })
            verify(app)
            stack = null
            return app
        }

        // The window with the stack built at once rather than behind the first
        // frame (which the first-frame tests wait for).
        function createApp(fade) {
            createBare(fade)
            app.buildPages()
            stack = part("stackView")
            verify(stack)
            return app
        }

        // Past the splash without its three seconds: the hand-over timer fires
        // at once, and the style's slide from the splash to the home screen is
        // left out (its own test keeps it).
        function createAtHome(fade) {
            createApp(fade)
            stack.replaceEnter = null
            stack.replaceExit = null
            findChild(stack.currentItem, "splashTimer").triggered()
            settle()
            compare(pages(), ["mainScreenWrapper"])
            ApiSpy.clear()
            ConsoleLog.clear()
        }

        function settle() {
            tryCompare(stack, "busy", false)
        }

        function pages() {
            const names = []
            for (let i = 0; i < stack.depth; ++i)
                names.push(stack.get(i).objectName)
            return names
        }

        function home() {
            return stack.get(0)
        }

        function screenOf(pageItem) {
            return findChild(pageItem, screens[pageItem.objectName])
        }

        // One user action on the top page: "area:<name>" clicks a home-screen
        // area, "back" clicks the back square, anything else emits that
        // signal of the top page's screen.
        function perform(action) {
            const top = stack.currentItem
            if (action.startsWith("area:"))
                mouseClick(top[action.substring(5)])
            else if (action === "back")
                mouseClick(top, 45, 45)
            else
                screenOf(top)[action]()
        }

        // Opens pages one after the other from the home screen, by the
        // user's own moves, and waits for each to settle.
        function open(steps) {
            for (const step of steps) {
                perform(step)
                settle()
            }
            ApiSpy.clear()
            ConsoleLog.clear()
        }

        // --- the window ---

        function test_windowValues() {
            createApp()
            compare(app.width, 430)
            compare(app.height, 880)
            compare(app.minimumWidth, 430)
            compare(app.maximumWidth, 430)
            compare(app.minimumHeight, 880)
            compare(app.maximumHeight, 880)
            verify(app.visible)
            compare(app.title, "Kesmar加速器")
            compare(app.appName, "Kesmar加速器")
            compare(app.maintenanceMode, false)
            compare(app.currentServerName, "选择服务器")
            compare(app.currentServerFlag, "🌐")
            compare(app.currentServerCountryCode, "")
            compare(app.currentServerLatency, "")
            compare(app.currentServerId, -1)
            compare(app.currentServerVmessLink, "")
            compare(app.currentServerRequiresVip, false)
        }

        function test_startRequestsTheConfigurationAndShowsTheSplash() {
            createApp()
            compare(ApiSpy.callCount("getSystemConfig"), 1)
            verify(ConsoleLog.has("应用启动，获取系统配置"))
            compare(pages(), ["splashPage"])
        }

        function test_splashGivesWayAfterThreeSeconds() {
            const started = Date.now()
            createApp()
            const timer = findChild(stack.currentItem, "splashTimer")
            compare(timer.interval, 3000)
            verify(timer.running)
            verify(!timer.repeat)
            tryVerify(function () { return stack.currentItem.objectName === "mainScreenWrapper" }, 10000)
            verify(Date.now() - started >= 3000, "the splash left early")
            compare(stack.depth, 1)
            verify(ConsoleLog.has("启动画面结束，跳转到主界面"))
            verify(ConsoleLog.has("主界面加载完成"))
            settle()
            compare(pages(), ["mainScreenWrapper"])
        }

        // The shipped fade: every push and pop fades the pages' opacity over 300 ms.
        function test_pagesFadeOverThreeHundredMilliseconds() {
            createAtHome(300)
            compare(app.pageFadeDuration, 300)
            let started = Date.now()
            perform("area:settingsArea")
            const settings = stack.currentItem
            verify(stack.busy)
            tryVerify(function () { return settings.opacity > 0 && settings.opacity < 1 })
            verify(home().opacity < 1)
            settle()
            verify(Date.now() - started >= 290, "the push did not fade for 300 ms")
            compare(settings.opacity, 1)
            compare(home().opacity, 0)

            started = Date.now()
            perform("back")
            verify(stack.busy)
            tryVerify(function () { return home().opacity > 0 && home().opacity < 1 })
            verify(settings.opacity < 1)
            settle()
            verify(Date.now() - started >= 290, "the pop did not fade for 300 ms")
            compare(pages(), ["mainScreenWrapper"])
            compare(home().opacity, 1)
        }

        function test_firstFrameShowsTheSplashAlone() {
            createBare()
            const splash = part("splashPage")
            verify(splash)
            verify(splash.visible)
            compare(splash.width, 430)
            compare(splash.height, 880)
            compare(app.stackView, null)
            compare(app.messageDialog, null)
            // The same splash, with its running timer, becomes the stack's first page.
            tryVerify(function () { return app.stackView !== null })
            stack = part("stackView")
            compare(stack, app.stackView)
            compare(stack.currentItem, splash)
            compare(pages(), ["splashPage"])
            verify(app.messageDialog)
            compare(app.messageDialog.objectName, "messageDialog")
            compare(app.messageDialog.parent, app.contentItem)
            verify(findChild(splash, "splashTimer").running)
        }

        function test_splashPageGoesWithTheHandOver() {
            createApp()
            const splash = stack.currentItem
            spy.clear()
            spy.signalName = "destruction"
            spy.target = splash.Component
            findChild(splash, "splashTimer").triggered()
            settle()
            compare(pages(), ["mainScreenWrapper"])
            tryVerify(function () { return spy.count === 1 })
        }

        // A use of the stack or the message box before they are built builds
        // them at once.
        function test_earlyUsesBuildThePages_data() {
            return [
                { tag: "hand-over", warning: false },
                { tag: "forced disconnect", warning: true }
            ]
        }

        function test_earlyUsesBuildThePages(data) {
            createBare()
            compare(app.stackView, null)
            if (data.warning) {
                API.vpnForceDisconnected("服务器要求断开连接")
                const dialog = app.messageDialog
                verify(dialog)
                tryCompare(dialog, "opened", true)
                compare(dialog.messageText, "服务器要求断开连接")
            } else {
                findChild(part("splashPage"), "splashTimer").triggered()
                stack = part("stackView")
                verify(stack)
                verify(ConsoleLog.has("启动画面结束，跳转到主界面"))
                settle()
                compare(pages(), ["mainScreenWrapper"])
            }
        }

        function test_systemConfig_data() {
            return [
                { tag: "name and maintenance", config: { appName: "Nova加速器", maintenanceMode: true,
                                                          enableRegistration: true },
                  title: "Nova加速器", maintenance: true },
                { tag: "name only", config: { appName: "Deltry加速器", maintenanceMode: false,
                                               enableRegistration: false },
                  title: "Deltry加速器", maintenance: false },
                { tag: "empty name keeps the title", config: { appName: "", maintenanceMode: false },
                  title: "Kesmar加速器", maintenance: false },
                { tag: "nothing given", config: {}, title: "Kesmar加速器", maintenance: false }
            ]
        }

        function test_systemConfig(data) {
            createApp()
            app.maintenanceMode = true
            API.systemConfigLoaded(data.config)
            compare(app.title, data.title)
            compare(app.appName, data.title)
            compare(app.maintenanceMode, data.maintenance)
            verify(ConsoleLog.has("=== 系统配置已加载 ==="))
            compare(ConsoleLog.has("⚠️ 系统处于维护模式"), data.maintenance)
        }

        function test_laterConfigurationRenamesAgain() {
            createApp()
            API.systemConfigLoaded({ appName: "Nova加速器" })
            API.systemConfigLoaded({ appName: "Deltry加速器" })
            compare(app.title, "Deltry加速器")
        }

        function test_configurationErrorChangesNothing() {
            createApp()
            API.systemConfigError("网络错误")
            compare(app.title, "Kesmar加速器")
            compare(app.maintenanceMode, false)
        }

        function test_forcedDisconnectShowsTheWarning() {
            createAtHome()
            const dialog = app.messageDialog
            API.vpnForceDisconnected("您的账号在其他设备登录，已被强制下线")
            tryCompare(dialog, "opened", true)
            compare(dialog.titleText, "警告")
            compare(dialog.messageText, "您的账号在其他设备登录，已被强制下线")
            verify(ConsoleLog.has("⚠️ [App] 收到强制断开信号: 您的账号在其他设备登录，已被强制下线"))
            API.vpnForceDisconnected("服务器要求断开连接")
            compare(dialog.messageText, "服务器要求断开连接")
            compare(dialog.opened, true)
            compare(pages(), ["mainScreenWrapper"])
        }

        function test_closingDisconnects() {
            createAtHome()
            app.close()
            compare(ApiSpy.callNames(), ["disconnectVpn"])
            verify(ConsoleLog.has("窗口正在关闭，断开VPN连接..."))
            verify(!app.visible)
        }

        // --- page moves ---

        function test_moves_data() {
            return [
                { tag: "home: user box", from: [], action: "area:loginArea",
                  line: "点击用户信息，跳转到登录界面", after: ["loginPage"] },
                { tag: "home: announcements", from: [], action: "area:announcementArea",
                  line: "点击公告图标，跳转到公告界面", after: ["announcementPage"] },
                { tag: "home: settings", from: [], action: "area:settingsArea",
                  line: "点击设置图标，跳转到设置界面", after: ["settingsPage"] },
                { tag: "home: server list", from: [], action: "area:selectServerArea",
                  line: "点击选择服务器，跳转到服务器选择界面", after: ["selectServerPage"] },
                { tag: "home: vip", from: [], action: "area:vipArea",
                  line: "点击VIP区域，跳转到VIP界面", after: ["vipPage"] },
                { tag: "login: register", from: ["area:loginArea"], action: "registerClicked",
                  line: "跳转到注册界面", after: ["loginPage", "registerPage"] },
                { tag: "login: success", from: ["area:loginArea"], action: "loginSuccess",
                  line: "登录成功，返回上一页", after: [] },
                { tag: "login from settings: success", from: ["area:settingsArea", "loginClicked"],
                  action: "loginSuccess", line: "登录成功，返回上一页", after: ["settingsPage"] },
                { tag: "login: back", from: ["area:loginArea"], action: "back",
                  line: "返回主界面", after: [] },
                { tag: "login from settings: back", from: ["area:settingsArea", "loginClicked"],
                  action: "back", line: "返回主界面", after: ["settingsPage"] },
                { tag: "register: to login", from: ["area:loginArea", "registerClicked"],
                  action: "loginClicked", line: "返回登录界面", after: ["loginPage"] },
                { tag: "register: back", from: ["area:loginArea", "registerClicked"],
                  action: "back", line: "返回登录界面", after: ["loginPage"] },
                { tag: "register: success", from: ["area:loginArea", "registerClicked"],
                  action: "registerSuccess", line: "注册成功，返回主界面", after: [] },
                { tag: "register from settings: success",
                  from: ["area:settingsArea", "loginClicked", "registerClicked"],
                  action: "registerSuccess", line: "注册成功，返回主界面", after: ["settingsPage"] },
                { tag: "settings: orders", from: ["area:settingsArea"], action: "myOrdersClicked",
                  line: "跳转到我的订单", after: ["settingsPage", "myOrdersPage"] },
                { tag: "settings: announcements", from: ["area:settingsArea"], action: "announcementClicked",
                  line: "跳转到公告系统", after: ["settingsPage", "announcementPage"] },
                { tag: "settings: about", from: ["area:settingsArea"], action: "aboutUsClicked",
                  line: "跳转到关于我们", after: ["settingsPage", "aboutUsPage"] },
                { tag: "settings: vip", from: ["area:settingsArea"], action: "vipClicked",
                  line: "👑 从设置页面跳转到VIP界面", after: ["settingsPage", "vipPage"] },
                { tag: "settings: login", from: ["area:settingsArea"], action: "loginClicked",
                  line: "📱 从设置页面跳转到登录界面", after: ["settingsPage", "loginPage"] },
                { tag: "settings: back", from: ["area:settingsArea"], action: "back",
                  line: "返回主界面", after: [] },
                { tag: "orders: back", from: ["area:settingsArea", "myOrdersClicked"], action: "back",
                  line: "返回设置界面", after: ["settingsPage"] },
                { tag: "about: back", from: ["area:settingsArea", "aboutUsClicked"], action: "back",
                  line: "返回设置界面", after: ["settingsPage"] },
                { tag: "announcements: back", from: ["area:announcementArea"], action: "back",
                  line: "返回主界面", after: [] },
                { tag: "announcements from settings: back",
                  from: ["area:settingsArea", "announcementClicked"], action: "back",
                  line: "返回主界面", after: ["settingsPage"] },
                { tag: "server list: back", from: ["area:selectServerArea"], action: "back",
                  line: "返回主界面", after: [] },
                { tag: "vip: back", from: ["area:vipArea"], action: "back",
                  line: "返回主界面", after: [] },
                { tag: "vip from settings: back", from: ["area:settingsArea", "vipClicked"],
                  action: "back", line: "返回主界面", after: ["settingsPage"] }
            ]
        }

        function test_moves(data) {
            createAtHome()
            open(data.from)
            perform(data.action)
            settle()
            compare(pages(), ["mainScreenWrapper"].concat(data.after))
            verify(ConsoleLog.has(data.line), data.line)
            compare(ApiSpy.callCount("stopPollingPayment"), 0)
        }

        function test_registrationSuccessWaitsForTheRegisterPage() {
            createAtHome()
            open(["area:settingsArea", "loginClicked", "registerClicked"])
            // The bridge reports a registration as a login: the login page
            // beneath hears it too, and the stack waits for the register page.
            API.loginSuccess()
            settle()
            compare(pages(), ["mainScreenWrapper", "settingsPage", "loginPage", "registerPage"])
            verify(!ConsoleLog.has("登录成功，返回上一页"))
            tryVerify(function () { return ConsoleLog.has("注册成功，返回主界面") }, 3000)
            settle()
            compare(pages(), ["mainScreenWrapper", "settingsPage"])
        }

        function test_loginThroughTheApiPopsTheLoginPage() {
            createAtHome()
            open(["area:settingsArea", "loginClicked"])
            API.loginSuccess()
            settle()
            compare(pages(), ["mainScreenWrapper", "settingsPage"])
            // Repeated success signals of one login move the stack once.
            API.loginSuccess()
            API.loginSuccess()
            settle()
            compare(pages(), ["mainScreenWrapper", "settingsPage"])
        }

        // A page that is fading out after its pop still hears its signals;
        // they must not take the page beneath.
        function test_lateSignalOfALeavingPage_data() {
            return [
                { tag: "login success after back", from: ["area:settingsArea", "loginClicked"],
                  signal: "loginSuccess", after: ["settingsPage"] },
                { tag: "register success after back",
                  from: ["area:settingsArea", "loginClicked", "registerClicked"],
                  signal: "registerSuccess", after: ["settingsPage", "loginPage"] },
                { tag: "register success after back, from home",
                  from: ["area:loginArea", "registerClicked"],
                  signal: "registerSuccess", after: ["loginPage"] },
                { tag: "login to register after back", from: ["area:settingsArea", "loginClicked"],
                  signal: "registerClicked", after: ["settingsPage"] },
                { tag: "settings row after back", from: ["area:settingsArea"],
                  signal: "vipClicked", after: [] }
            ]
        }

        function test_lateSignalOfALeavingPage(data) {
            createAtHome()
            open(data.from)
            const leaving = stack.currentItem
            const screen = screenOf(leaving)
            perform("back")
            verify(stack.busy)
            screen[data.signal]()
            settle()
            compare(pages(), ["mainScreenWrapper"].concat(data.after))
        }

        function test_lateRegistrationTimerAfterBack() {
            createAtHome()
            open(["area:settingsArea", "loginClicked", "registerClicked"])
            const screen = screenOf(stack.currentItem)
            spy.clear()
            spy.signalName = "registerSuccess"
            spy.target = screen
            // A fade far longer than the register page's pause, so its signal
            // comes while the page fades out.
            app.pageFadeDuration = 600000
            API.loginSuccess()
            perform("back")
            verify(stack.busy)
            spy.wait(10000)
            verify(stack.busy)
            compare(pages(), ["mainScreenWrapper", "settingsPage", "loginPage"])
            verify(!ConsoleLog.has("注册成功，返回主界面"))
        }

        function test_secondBackClickDuringTheFade() {
            createAtHome()
            open(["area:settingsArea", "aboutUsClicked"])
            const leaving = stack.currentItem
            perform("back")
            findChild(leaving, "backButton").back()
            settle()
            compare(pages(), ["mainScreenWrapper", "settingsPage"])
        }

        function test_homeAreaWhileAPageIsOpen() {
            createAtHome()
            open(["area:settingsArea"])
            home().vipArea.clicked(null)
            settle()
            compare(pages(), ["mainScreenWrapper", "settingsPage"])
        }

        function test_vipBack_data() {
            return [
                { tag: "paying", paying: true, stops: 1 },
                { tag: "not paying", paying: false, stops: 0 }
            ]
        }

        function test_vipBack(data) {
            createAtHome()
            open(["area:vipArea"])
            screenOf(stack.currentItem).isPaying = data.paying
            perform("back")
            settle()
            compare(ApiSpy.callCount("stopPollingPayment"), data.stops)
            compare(pages(), ["mainScreenWrapper"])
        }

        // --- the selected server ---

        function test_serverChoiceIsCopiedAndPops() {
            createAtHome()
            open(["area:selectServerArea"])
            const screen = screenOf(stack.currentItem)
            compare(screen.selectedServerId, -1)
            screen.serverSelected("东京 01", "🇯🇵", "JP", "45ms", 7, "vmess://abc", true)
            settle()
            compare(pages(), ["mainScreenWrapper"])
            compare(app.currentServerName, "东京 01")
            compare(app.currentServerFlag, "🇯🇵")
            compare(app.currentServerCountryCode, "JP")
            compare(app.currentServerLatency, "45ms")
            compare(app.currentServerId, 7)
            compare(app.currentServerVmessLink, "vmess://abc")
            compare(app.currentServerRequiresVip, true)
            verify(ConsoleLog.has("✅ 选中服务器: 东京 01 7 vmessLink: vmess://abc requiresVip: true"))
            const wrapper = home()
            compare(wrapper.selectedServerName, "东京 01")
            compare(wrapper.selectedServerFlag, "🇯🇵")
            compare(wrapper.selectedServerCountryCode, "JP")
            compare(wrapper.selectedServerLatency, "45ms")
            compare(wrapper.selectedServerId, 7)
            compare(wrapper.selectedServerVmessLink, "vmess://abc")
            compare(wrapper.selectedServerRequiresVip, true)
            // The list marks the chosen server when opened again.
            open(["area:selectServerArea"])
            compare(screenOf(stack.currentItem).selectedServerId, 7)
        }

        function test_choosingTheSameServerAgainStillCopiesAndPops() {
            createAtHome()
            home().defaultServerNeeded(3, "香港 01", "🇭🇰", "HK", "vmess://hk", false)
            open(["area:selectServerArea"])
            screenOf(stack.currentItem).serverSelected("香港 01", "🇭🇰", "HK", "45ms", 3, "vmess://hk2", false)
            settle()
            compare(pages(), ["mainScreenWrapper"])
            compare(app.currentServerLatency, "45ms")
            compare(app.currentServerVmessLink, "vmess://hk2")
        }

        function test_defaultServerOnlyWhenNoneIsSelected() {
            createAtHome()
            const wrapper = home()
            wrapper.defaultServerNeeded(3, "香港 01", "🇭🇰", "HK", "vmess://hk", false)
            compare(app.currentServerId, 3)
            compare(app.currentServerName, "香港 01")
            compare(app.currentServerFlag, "🇭🇰")
            compare(app.currentServerCountryCode, "HK")
            compare(app.currentServerVmessLink, "vmess://hk")
            compare(app.currentServerRequiresVip, false)
            compare(app.currentServerLatency, "延迟: 45ms")
            compare(wrapper.selectedServerLatency, "延迟: 45ms")
            verify(ConsoleLog.has("📍 设置默认服务器: 香港 01 3"))
            wrapper.defaultServerNeeded(4, "新加坡 01", "🇸🇬", "SG", "vmess://sg", true)
            compare(app.currentServerId, 3)
            compare(app.currentServerName, "香港 01")
            verify(ConsoleLog.has("📍 已有选中服务器，忽略默认服务器设置"))
        }

        function test_defaultServerAfterAChoiceIsIgnored() {
            createAtHome()
            open(["area:selectServerArea"])
            screenOf(stack.currentItem).serverSelected("东京 01", "🇯🇵", "JP", "45ms", 7, "vmess://abc", true)
            settle()
            home().defaultServerNeeded(3, "香港 01", "🇭🇰", "HK", "vmess://hk", false)
            compare(app.currentServerId, 7)
            compare(app.currentServerName, "东京 01")
        }

        function test_defaultWhileTheServerListIsOpen() {
            createAtHome()
            open(["area:selectServerArea"])
            const screen = screenOf(stack.currentItem)
            // The list the server page loads reaches the home screen beneath too.
            home().defaultServerNeeded(3, "香港 01", "🇭🇰", "HK", "vmess://hk", false)
            compare(screen.selectedServerId, 3)
            compare(pages(), ["mainScreenWrapper", "selectServerPage"])
        }

        function test_lateServerChoiceOfALeavingPage() {
            createAtHome()
            open(["area:selectServerArea"])
            const screen = screenOf(stack.currentItem)
            perform("back")
            screen.serverSelected("东京 01", "🇯🇵", "JP", "45ms", 7, "vmess://abc", true)
            settle()
            compare(pages(), ["mainScreenWrapper"])
            compare(app.currentServerId, -1)
        }
    }
}
