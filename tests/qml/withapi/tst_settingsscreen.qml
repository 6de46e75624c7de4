import QtQuick
import QtTest
import Lumora
import LumoraContent

Item {
    id: page
    width: 430
    height: 880

    Component {
        id: wrapperComponent
        SettingsScreenWrapper {
            width: 430
            height: 880
        }
    }

    Component {
        id: spyComponent
        SignalSpy {}
    }

    TestCase {
        name: "SettingsScreen"
        when: windowShown

        property var wrapper

        readonly property var wrapperSignals: ["myOrdersClicked", "announcementClicked", "aboutUsClicked",
            "vipClicked", "loginClicked"]

        function init() {
            ApiSpy.reset()
            ConsoleLog.clear()
        }

        function part(name) {
            return findChild(wrapper, name)
        }

        function createSettings(account) {
            if (account)
                for (const key in account)
                    ApiSpy.set(key, account[key])
            wrapper = createTemporaryObject(wrapperComponent, page)
            verify(wrapper)
            ApiSpy.clear()
            ConsoleLog.clear()
            return wrapper
        }

        // A spy on every navigation signal of the wrapper, by name.
        function spyAll() {
            const spies = {}
            for (const name of wrapperSignals)
                spies[name] = createTemporaryObject(spyComponent, page, { target: wrapper, signalName: name })
            return spies
        }

        function emitted(spies) {
            const names = []
            for (const name of wrapperSignals)
                for (let i = 0; i < spies[name].count; ++i)
                    names.push(name)
            return names
        }

        // What "API" sends when the service has ended a sign-in.
        function signOutThroughApi() {
            ApiSpy.reset()
            API.loginStateChanged(false)
            API.userInfoChanged()
            for (let i = 0; i < 3; ++i)
                API.loginStateChanged(false)
        }

        // Alpha colours are stored with more precision than "#AARRGGBB" gives.
        function sameColour(actual, expected) {
            const a = actual, e = expected
            return Math.abs(a.r - e.r) < 0.005 && Math.abs(a.g - e.g) < 0.005 && Math.abs(a.b - e.b) < 0.005
                    && Math.abs(a.a - e.a) < 0.005
        }

        function rowTitle(row) {
            return findChild(part(row), "rowTitle").text
        }

        function rowSubtitle(row) {
            return findChild(part(row), "rowSubtitle").text
        }

        function checkLook(data) {
            compare(part("avatarLetter").text, data.letter)
            verify(sameColour(part("avatar").color, data.avatar), "avatar " + part("avatar").color)
            verify(sameColour(part("avatarLetter").color, data.letterColor))
            compare(part("nameText").text, data.name)
            compare(part("vipStar").visible, data.star)
            compare(part("emailText").visible, data.email !== undefined)
            if (data.email !== undefined)
                compare(part("emailText").text, data.email)
            compare(part("membershipText").text, data.membership)
            verify(sameColour(part("membershipText").color, data.membershipColor))
            compare(part("cardArrow").visible, !data.loggedIn)
            compare(part("userCardMouseArea").enabled, !data.loggedIn)
            compare(part("userCardMouseArea").cursorShape, data.loggedIn ? Qt.ArrowCursor : Qt.PointingHandCursor)
            compare(rowTitle("vipRow"), data.vipTitle)
            compare(rowSubtitle("vipRow"), data.vipSubtitle)
            compare(part("logoutRow").visible, data.loggedIn)
        }

        // --- the user card and the VIP row ---

        function test_look_data() {
            const out = Qt.rgba(128 / 255, 128 / 255, 128 / 255, 0.1)
            const free = Qt.rgba(0, 1, 217 / 255, 0.1)
            const vip = Qt.rgba(1, 215 / 255, 0, 0.2)
            return [
                { tag: "signed out", account: {}, loggedIn: false,
                  letter: "?", avatar: out, letterColor: Constants.primaryFree, name: "未登录", star: false,
                  membership: "点击登录", membershipColor: Constants.textSecondary,
                  vipTitle: "升级 VIP 会员", vipSubtitle: "解锁所有高级功能" },
                { tag: "empty name", account: { isLoggedIn: true, userEmail: "mia@kesmar.example" },
                  loggedIn: true, letter: "U", avatar: free, letterColor: Constants.primaryFree,
                  name: "mia@kesmar.example", star: false, email: "mia@kesmar.example",
                  membership: "免费用户", membershipColor: Constants.textSecondary,
                  vipTitle: "升级 VIP 会员", vipSubtitle: "解锁所有高级功能" },
                { tag: "lower-case name",
                  account: { isLoggedIn: true, userEmail: "mia@kesmar.example", userName: "mia" },
                  loggedIn: true, letter: "M", avatar: free, letterColor: Constants.primaryFree, name: "mia",
                  star: false, email: "mia@kesmar.example",
                  membership: "免费用户", membershipColor: Constants.textSecondary,
                  vipTitle: "升级 VIP 会员", vipSubtitle: "解锁所有高级功能" },
                { tag: "chinese name",
                  account: { isLoggedIn: true, userEmail: "li@kesmar.example", userName: "李雷" },
                  loggedIn: true, letter: "李", avatar: free, letterColor: Constants.primaryFree, name: "李雷",
                  star: false, email: "li@kesmar.example",
                  membership: "免费用户", membershipColor: Constants.textSecondary,
                  vipTitle: "升级 VIP 会员", vipSubtitle: "解锁所有高级功能" },
                { tag: "vip, 0 days",
                  account: { isLoggedIn: true, userEmail: "mia@kesmar.example", userName: "mia", isVip: true,
                             vipDays: 0 },
                  loggedIn: true, letter: "M", avatar: vip, letterColor: Constants.colorVip, name: "mia",
                  star: true, email: "mia@kesmar.example",
                  membership: "VIP会员 · 剩余0天", membershipColor: Constants.colorVip,
                  vipTitle: "VIP会员 剩余0天", vipSubtitle: "感谢您的支持" },
                { tag: "vip, 30 days",
                  account: { isLoggedIn: true, userEmail: "mia@kesmar.example", userName: "mia", isVip: true,
                             vipDays: 30 },
                  loggedIn: true, letter: "M", avatar: vip, letterColor: Constants.colorVip, name: "mia",
                  star: true, email: "mia@kesmar.example",
                  membership: "VIP会员 · 剩余30天", membershipColor: Constants.colorVip,
                  vipTitle: "VIP会员 剩余30天", vipSubtitle: "感谢您的支持" }
            ]
        }

        function test_look(data) {
            createSettings(data.account)
            checkLook(data)
        }

        // The same look when the values arrive by signal after the page is up.
        function test_lookFollowsTheApi_data() {
            return test_look_data()
        }

        function test_lookFollowsTheApi(data) {
            createSettings()
            for (const key in data.account)
                ApiSpy.set(key, data.account[key])
            checkLook(data)
            compare(ConsoleLog.has("✅ 设置界面：用户信息已更新"), Object.keys(data.account).length > 0)
        }

        function test_creationReadsTheApi() {
            ApiSpy.set("isLoggedIn", true)
            wrapper = createTemporaryObject(wrapperComponent, page)
            verify(ConsoleLog.has("📱 设置界面加载，初始化用户信息"))
            compare(ApiSpy.callNames(), [])
            compare(wrapper.userLoggedIn, true)
        }

        function test_listWithoutTheLogoutRowHasNoGap() {
            createSettings()
            const list = part("rowList")
            const about = part("aboutUsRow")
            // Six rows of 60 and five gaps of 12.
            tryCompare(list, "height", 6 * 60 + 5 * 12)
            compare(list.height, about.y + about.height)
            // Seven rows signed in: the logout row of 50 and one more gap.
            ApiSpy.set("isLoggedIn", true)
            tryCompare(list, "height", 6 * 60 + 50 + 6 * 12)
            const logout = part("logoutRow")
            compare(logout.mapToItem(wrapper, 0, 0).y + logout.height, 664)
        }

        // The sign-out notice alone gives the signed-out look.
        function test_signOutNoticeAlone() {
            createSettings({ isLoggedIn: true, userEmail: "mia@kesmar.example", userName: "mia" })
            API.loginStateChanged(false)
            compare(wrapper.userLoggedIn, false)
            compare(part("nameText").text, "未登录")
            verify(!part("logoutRow").visible)
            verify(ConsoleLog.has("设置界面：登录状态变更: false"))
        }

        // --- the rows ---

        function test_rows_data() {
            return [
                { tag: "vip", row: "vipRow", signal: "vipClicked", line: "👑 点击升级VIP会员" },
                { tag: "app settings", row: "appSettingsRow", signal: "", line: "" },
                { tag: "orders", row: "myOrdersRow", signal: "myOrdersClicked", line: "点击我的订单" },
                { tag: "announcements", row: "announcementRow", signal: "announcementClicked", line: "点击公告系统" },
                { tag: "security", row: "securityRow", signal: "", line: "" },
                { tag: "about", row: "aboutUsRow", signal: "aboutUsClicked", line: "点击关于我们" }
            ]
        }

        function test_rows(data) {
            createSettings({ isLoggedIn: true, userEmail: "mia@kesmar.example" })
            const spies = spyAll()
            const row = part(data.row)
            // Every row looks clickable, the two inert ones too.
            compare(findChild(row, "rowArrow").text, ">")
            mouseClick(row)
            compare(emitted(spies), data.signal === "" ? [] : [data.signal])
            if (data.line !== "")
                compare(ConsoleLog.lines, [data.line])
            else
                compare(ConsoleLog.lines, [])
            compare(ApiSpy.callNames(), [])
        }

        function test_rowTexts_data() {
            return [
                { tag: "app settings", row: "appSettingsRow", icon: "🌐", title: "应用设置", subtitle: "语言、开机自启" },
                { tag: "orders", row: "myOrdersRow", icon: "📦", title: "我的订单", subtitle: "查看购买记录" },
                { tag: "announcements", row: "announcementRow", icon: "📢", title: "公告系统",
                  subtitle: "最新通知公告" },
                { tag: "security", row: "securityRow", icon: "🛡️", title: "安全与隐私",
                  subtitle: "隐私政策、服务条款" },
                { tag: "about", row: "aboutUsRow", icon: "ℹ️", title: "关于我们", subtitle: "版本 v1.0.0" }
            ]
        }

        function test_rowTexts(data) {
            createSettings()
            const row = part(data.row)
            compare(findChild(row, "rowIcon").text, data.icon)
            compare(rowTitle(data.row), data.title)
            compare(rowSubtitle(data.row), data.subtitle)
            compare(row.height, 60)
        }

        // Whatever the width of the icon's glyph, every row's texts start at
        // one x, and each icon lies within its row's icon box.
        function test_rowTextsStartAtOneX() {
            createSettings({ isLoggedIn: true, userEmail: "mia@kesmar.example" })
            const rows = ["vipRow", "appSettingsRow", "myOrdersRow", "announcementRow", "securityRow", "aboutUsRow"]
            const starts = []
            for (const name of rows) {
                const row = part(name)
                const title = findChild(row, "rowTitle")
                const subtitle = findChild(row, "rowSubtitle")
                const icon = findChild(row, "rowIcon")
                const titleX = title.mapToItem(row, 0, 0).x
                compare(subtitle.mapToItem(row, 0, 0).x, titleX, name)
                starts.push(titleX)
                const iconX = icon.mapToItem(row, 0, 0).x
                verify(iconX >= 16 && iconX + icon.width + 16 <= titleX + 0.01,
                       name + ": icon from " + iconX + " to " + (iconX + icon.width) + ", text at " + titleX)
            }
            for (let i = 1; i < starts.length; ++i)
                compare(starts[i], starts[0], rows[i])
            // The full-width emoji stands where it always stood.
            const crown = findChild(part("vipRow"), "rowIcon")
            compare(crown.mapToItem(part("vipRow"), 0, 0).x, 16)
            compare(starts[0], 16 + crown.implicitWidth + 16)
        }

        function test_aliasesAreTheRowAreas() {
            createSettings()
            const screen = part("settingsScreen")
            compare(screen.vipUpgradeArea.objectName, "vipUpgradeMouseArea")
            compare(screen.myOrdersArea.objectName, "myOrdersMouseArea")
            compare(screen.announcementArea.objectName, "announcementMouseArea")
            compare(screen.aboutUsArea.objectName, "aboutUsMouseArea")
            compare(screen.myOrdersArea.cursorShape, Qt.PointingHandCursor)
        }

        // --- the card ---

        // Long names and e-mails elide at the card's inner edge; short ones
        // keep their natural width.
        function test_longTextsElideInsideTheCard_data() {
            const longMail = "a.very.long.mailbox.name.for.testing@" + "subdomain.".repeat(3) + "kesmar.example"
            return [
                { tag: "short", account: { userEmail: "mia@kesmar.example", userName: "mia" }, elided: [] },
                { tag: "long e-mail, no name", account: { userEmail: longMail, userName: "" },
                  elided: ["nameText", "emailText"] },
                { tag: "long name", account: { userEmail: "mia@kesmar.example", userName: "名字".repeat(20) },
                  elided: ["nameText"] },
                { tag: "long name and e-mail, VIP",
                  account: { userEmail: longMail, userName: "Mia".repeat(30), isVip: true, vipDays: 30 },
                  elided: ["nameText", "emailText"] }
            ]
        }

        function test_longTextsElideInsideTheCard(data) {
            const account = { isLoggedIn: true }
            for (const key in data.account)
                account[key] = data.account[key]
            createSettings(account)
            const card = part("userCard")
            waitForItemPolished(part("userTextColumn"))
            const innerRight = card.width - 16
            for (const name of ["nameText", "emailText", "membershipText", "vipStar"]) {
                const item = part(name)
                if (!item.visible)
                    continue
                const box = item.mapToItem(card, 0, 0, item.width, item.height)
                verify(box.x + box.width <= innerRight + 0.01,
                       name + " ends at " + (box.x + box.width) + " of " + innerRight)
            }
            for (const name of ["nameText", "emailText", "membershipText"])
                compare(part(name).truncated, data.elided.indexOf(name) >= 0, name)
            verify(part("vipStar").visible === (account.isVip === true))
        }

        function test_cardClick_data() {
            return [
                { tag: "signed out", account: {}, signals: ["loginClicked"],
                  lines: ["📱 点击未登录，跳转到登录页面", "📱 SettingsWrapper收到登录跳转信号"] },
                { tag: "signed in", account: { isLoggedIn: true, userEmail: "mia@kesmar.example" },
                  signals: [], lines: [] },
                { tag: "vip", account: { isLoggedIn: true, userEmail: "mia@kesmar.example", isVip: true },
                  signals: [], lines: [] }
            ]
        }

        function test_cardClick(data) {
            createSettings(data.account)
            const spies = spyAll()
            mouseClick(part("userCard"))
            compare(emitted(spies), data.signals)
            compare(ConsoleLog.lines, data.lines)
        }

        function test_backGlyphDoesNothingByItself() {
            createSettings()
            const spies = spyAll()
            compare(part("backGlyphMouseArea").cursorShape, Qt.PointingHandCursor)
            mouseClick(part("backGlyph"))
            compare(emitted(spies), [])
            compare(ConsoleLog.lines, [])
        }

        // --- logout ---

        function test_logoutLeavesThePageToTheApi() {
            createSettings({ isLoggedIn: true, userEmail: "mia@kesmar.example", userName: "mia", isVip: true,
                             vipDays: 30 })
            const spies = spyAll()
            mouseClick(part("logoutRow"))
            compare(ApiSpy.calls("logout"), [[]])
            compare(ConsoleLog.lines, ["🔴 用户点击退出登录", "🔴 SettingsWrapper收到退出登录信号"])
            compare(emitted(spies), [])
            // Nothing changes until "API" reports the sign-out.
            compare(part("nameText").text, "mia")
            verify(part("logoutRow").visible)
            mouseClick(part("logoutRow"))
            compare(ApiSpy.callCount("logout"), 2)
            compare(ConsoleLog.count("🔴 用户点击退出登录"), 2)
            compare(ConsoleLog.count("🔴 SettingsWrapper收到退出登录信号"), 2)

            signOutThroughApi()
            checkLook(test_look_data()[0])
            compare(wrapper.userEmail, "")
            compare(wrapper.userName, "")
            compare(wrapper.vipDays, 0)
            compare(emitted(spies), [])

            // Signed out, the card leads to the login page.
            mouseClick(part("userCard"))
            compare(emitted(spies), ["loginClicked"])
        }
    }
}
