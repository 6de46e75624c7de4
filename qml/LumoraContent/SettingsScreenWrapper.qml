import QtQuick
import Lumora
import LumoraContent

Item {
    id: wrapper

    property bool userLoggedIn: typeof API !== "undefined" ? API.isLoggedIn : false
    property string userEmail: typeof API !== "undefined" ? API.userEmail : ""
    property string userName: typeof API !== "undefined" ? API.userName : ""
    property bool userIsVip: typeof API !== "undefined" ? API.isVip : false
    property int vipDays: typeof API !== "undefined" ? API.vipDays : 0

    signal myOrdersClicked
    signal announcementClicked
    signal aboutUsClicked
    signal vipClicked
    signal loginClicked

    // Copies the user values; from the first copy on they change only when
    // "API" says so, also while another page covers this one.
    function readUser() {
        userLoggedIn = API.isLoggedIn
        userEmail = API.userEmail
        userName = API.userName
        userIsVip = API.isVip
        vipDays = API.vipDays
    }

    Component.onCompleted: {
        if (typeof API === "undefined")
            return
        console.log("📱 设置界面加载，初始化用户信息")
        readUser()
    }

    SettingsScreen {
        id: settingsScreen
        objectName: "settingsScreen"
        anchors.fill: parent

        loggedIn: wrapper.userLoggedIn
        email: wrapper.userEmail
        name: wrapper.userName
        isVip: wrapper.userIsVip
        vipDays: wrapper.vipDays

        onLogoutClicked: {
            console.log("🔴 SettingsWrapper收到退出登录信号")
            if (typeof API !== "undefined")
                API.logout()
        }

        onLoginClicked: {
            console.log("📱 SettingsWrapper收到登录跳转信号")
            wrapper.loginClicked()
        }
    }

    Connections {
        target: settingsScreen.vipUpgradeArea
        function onClicked() {
            console.log("👑 点击升级VIP会员")
            wrapper.vipClicked()
        }
    }

    Connections {
        target: settingsScreen.myOrdersArea
        function onClicked() {
            console.log("点击我的订单")
            wrapper.myOrdersClicked()
        }
    }

    Connections {
        target: settingsScreen.announcementArea
        function onClicked() {
            console.log("点击公告系统")
            wrapper.announcementClicked()
        }
    }

    Connections {
        target: settingsScreen.aboutUsArea
        function onClicked() {
            console.log("点击关于我们")
            wrapper.aboutUsClicked()
        }
    }

    Connections {
        id: apiConnections
        objectName: "apiConnections"
        target: typeof API !== "undefined" ? API : null
        ignoreUnknownSignals: true

        function onUserInfoChanged() {
            console.log("✅ 设置界面：用户信息已更新")
            wrapper.readUser()
        }

        function onLoginStateChanged(loggedIn) {
            console.log("设置界面：登录状态变更:", loggedIn)
            wrapper.userLoggedIn = loggedIn
            // The VIP days follow with the userInfoChanged() sent before
            // every sign-in notice.
            if (loggedIn && typeof API !== "undefined") {
                wrapper.userEmail = API.userEmail
                wrapper.userName = API.userName
                wrapper.userIsVip = API.isVip
            }
        }
    }
}
