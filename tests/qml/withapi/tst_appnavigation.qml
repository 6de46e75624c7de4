import QtQuick
import QtTest
import Lumora
import LumoraContent

Item {
    id: page
    width: 430
    height: 880

    AppTestCase {
        name: "AppNavigation"

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
            // The success box takes the clicks, so the back square is not
            // clicked but told.
            findChild(stack.currentItem, "backButton").back()
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
    }
}
