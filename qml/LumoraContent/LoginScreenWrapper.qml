import QtQuick
import LumoraContent

Item {
    id: wrapper

    // Set by the window while the registration page it opened from here
    // exists: a success then is the registration's, which that page reports.
    property bool registerPageAbove: false

    signal registerClicked
    signal loginSuccess

    LoginScreen {
        id: loginScreen
        objectName: "loginScreen"
        anchors.fill: parent

        onLoginClicked: function (username, password) {
            console.log("尝试登录用户:", username)
            if (typeof API === "undefined") {
                console.error("API未初始化")
                return
            }
            API.login(username, password)
        }

        onRegisterClicked: {
            console.log("🔗 跳转到注册页面")
            wrapper.registerClicked()
        }
    }

    Connections {
        id: apiConnections
        objectName: "apiConnections"
        target: typeof API !== "undefined" ? API : null
        ignoreUnknownSignals: true

        function onLoginSuccess() {
            console.log("登录成功")
            if (wrapper.registerPageAbove)
                return
            wrapper.loginSuccess()
        }

        // Only the log: the user corrects the texts and tries again.
        function onLoginError(message) {
            console.log("登录失败:", message)
        }
    }
}
