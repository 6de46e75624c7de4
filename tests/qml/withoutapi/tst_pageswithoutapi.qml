import QtQuick
import QtTest
import LumoraContent

// The settings, order, announcement and about pages with no "API" at all.
Item {
    id: page
    width: 430
    height: 880

    Component {
        id: settingsComponent
        SettingsScreenWrapper {
            width: 430
            height: 880
        }
    }

    Component {
        id: ordersComponent
        MyOrdersScreenWrapper {
            width: 430
            height: 880
        }
    }

    Component {
        id: announcementsComponent
        AnnouncementScreenWrapper {
            width: 430
            height: 880
        }
    }

    Component {
        id: aboutComponent
        AboutUsScreen {}
    }

    Component {
        id: spyComponent
        SignalSpy {}
    }

    TestCase {
        name: "PagesWithoutApi"
        when: windowShown

        function init() {
            ConsoleLog.clear()
        }

        function test_settingsShowsTheSignedOutLook() {
            const wrapper = createTemporaryObject(settingsComponent, page)
            compare(wrapper.userLoggedIn, false)
            compare(wrapper.vipDays, 0)
            compare(findChild(wrapper, "nameText").text, "未登录")
            compare(findChild(wrapper, "avatarLetter").text, "?")
            compare(findChild(wrapper, "membershipText").text, "点击登录")
            verify(!findChild(wrapper, "logoutRow").visible)
            verify(!ConsoleLog.has("📱 设置界面加载，初始化用户信息"))
        }

        function test_settingsRowsStillNavigate_data() {
            return [
                { tag: "vip", row: "vipRow", signal: "vipClicked" },
                { tag: "orders", row: "myOrdersRow", signal: "myOrdersClicked" },
                { tag: "announcements", row: "announcementRow", signal: "announcementClicked" },
                { tag: "about", row: "aboutUsRow", signal: "aboutUsClicked" },
                { tag: "card", row: "userCard", signal: "loginClicked" }
            ]
        }

        function test_settingsRowsStillNavigate(data) {
            const wrapper = createTemporaryObject(settingsComponent, page)
            const spy = createTemporaryObject(spyComponent, page, { target: wrapper, signalName: data.signal })
            mouseClick(findChild(wrapper, data.row))
            compare(spy.count, 1)
        }

        function test_listPagesSayTheApiIsMissing_data() {
            return [
                { tag: "orders", component: ordersComponent },
                { tag: "announcements", component: announcementsComponent }
            ]
        }

        function test_listPagesSayTheApiIsMissing(data) {
            const wrapper = createTemporaryObject(data.component, page)
            compare(wrapper.errorMessage, "API未初始化")
            compare(wrapper.isLoading, false)
            const error = findChild(wrapper, "errorText")
            verify(error.visible)
            compare(error.text, "API未初始化")
            verify(!findChild(wrapper, "loadingText").visible)
            compare(ConsoleLog.lines, [])
        }

        function test_aboutIsTheSame() {
            const about = createTemporaryObject(aboutComponent, page)
            compare(findChild(about, "appNameText").text, "Kesmar加速器")
            compare(findChild(about, "contactText").text,
                    "客服邮箱: support@kesmar.example\n官方网站: https://kesmar.example")
            compare(findChild(about, "aboutFlickable").contentWidth, 430)
        }
    }
}
