import QtQuick
import QtTest
import Lumora
import LumoraContent

// The settings page and the pages it opens, inside the real window.
Item {
    id: page
    width: 430
    height: 880

    AppTestCase {
        name: "SettingsFlow"

        function topPage() {
            return stack.currentItem
        }

        function openSettings() {
            perform("area:settingsArea")
            settle()
            compare(pages(), ["mainScreenWrapper", "settingsPage"])
            return screenOf(topPage())
        }

        function clickBack() {
            perform("back")
            settle()
        }

        function signIn(vipDays) {
            ApiSpy.set("userEmail", "mia@kesmar.example")
            ApiSpy.set("userName", "mia")
            ApiSpy.set("isVip", vipDays > 0)
            ApiSpy.set("vipDays", vipDays)
            ApiSpy.set("isLoggedIn", true)
        }

        function test_eachRowOpensItsPageAndBack_data() {
            return [
                { tag: "vip", row: "vipRow", page: "vipPage" },
                { tag: "orders", row: "myOrdersRow", page: "myOrdersPage", request: "getUserOrders",
                  title: "我的订单" },
                { tag: "announcements", row: "announcementRow", page: "announcementPage",
                  request: "getAnnouncements", title: "公告中心" },
                { tag: "about", row: "aboutUsRow", page: "aboutUsPage", title: "关于我们" }
            ]
        }

        function test_eachRowOpensItsPageAndBack(data) {
            signIn(0)
            createAtHome()
            const settings = openSettings()
            ApiSpy.clear()
            mouseClick(findChild(settings, data.row))
            settle()
            compare(pages(), ["mainScreenWrapper", "settingsPage", data.page])
            if (data.request)
                compare(ApiSpy.callCount(data.request), 1)
            if (data.title)
                compare(findChild(topPage(), "titleText").text, data.title)
            clickBack()
            compare(pages(), ["mainScreenWrapper", "settingsPage"])
            verify(topPage().visible)
            clickBack()
            compare(pages(), ["mainScreenWrapper"])
        }

        function test_logoutStaysOnTheSettingsPage() {
            signIn(30)
            createAtHome()
            const settings = openSettings()
            compare(findChild(settings, "membershipText").text, "VIP会员 · 剩余30天")
            ApiSpy.clear()
            mouseClick(findChild(settings, "logoutRow"))
            compare(ApiSpy.callCount("logout"), 1)
            // "API" ends the sign-in and reports it.
            ApiSpy.reset()
            API.loginStateChanged(false)
            API.userInfoChanged()
            API.loginStateChanged(false)
            settle()
            compare(pages(), ["mainScreenWrapper", "settingsPage"])
            compare(findChild(settings, "nameText").text, "未登录")
            compare(findChild(settings, "membershipText").text, "点击登录")
            verify(!findChild(settings, "logoutRow").visible)
            compare(findChild(findChild(settings, "vipRow"), "rowTitle").text, "升级 VIP 会员")
            // The home screen beneath has followed as well.
            compare(findChild(stack.get(0), "userNameText").text, "未登录")
        }

        function test_signInAboveIsShownWhenUncovered() {
            createAtHome()
            const settings = openSettings()
            mouseClick(findChild(settings, "userCard"))
            settle()
            compare(pages(), ["mainScreenWrapper", "settingsPage", "loginPage"])
            signIn(30)
            API.loginSuccess()
            settle()
            compare(pages(), ["mainScreenWrapper", "settingsPage"])
            compare(findChild(settings, "nameText").text, "mia")
            compare(findChild(settings, "emailText").text, "mia@kesmar.example")
            compare(findChild(settings, "membershipText").text, "VIP会员 · 剩余30天")
            verify(findChild(settings, "vipStar").visible)
            verify(findChild(settings, "logoutRow").visible)
            compare(findChild(settings, "userCardMouseArea").enabled, false)
        }

        function test_paymentAboveIsShownWhenUncovered() {
            signIn(0)
            createAtHome()
            const settings = openSettings()
            mouseClick(findChild(settings, "vipRow"))
            settle()
            // The refresh after a completed payment reaches the covered page.
            ApiSpy.set("isVip", true)
            ApiSpy.set("vipDays", 30)
            clickBack()
            compare(pages(), ["mainScreenWrapper", "settingsPage"])
            compare(findChild(settings, "membershipText").text, "VIP会员 · 剩余30天")
        }
    }
}
