import QtQuick
import LumoraContent

Item {
    id: wrapper

    signal loginClicked
    // A moment after the success, so that the user sees its box first.
    signal registerSuccess

    function showError(message) {
        messageDialog.showError(message)
    }

    function showSuccess(message) {
        messageDialog.showSuccess(message)
    }

    // The first rule the form breaks, as [log line, message], or null.
    // "\s" and trim() share one set of white space, Unicode spaces included.
    function formFault(email, password, confirmPassword) {
        if (email.trim().length === 0)
            return ["❌ 邮箱不能为空", "请输入邮箱地址"]
        if (!/^[^\s@]+@[^\s@]+\.[^\s@]+$/.test(email))
            return ["❌ 邮箱格式不正确", "请输入正确的邮箱格式"]
        if (password.length < 6)
            return ["❌ 密码长度不足", "密码至少需要6位"]
        if (password !== confirmPassword)
            return ["❌ 两次密码不一致", "两次输入的密码不一致"]
        if (typeof API === "undefined")
            return ["❌ API未初始化", "系统初始化失败，请重启应用"]
        return null
    }

    RegisterScreen {
        id: registerScreen
        objectName: "registerScreen"
        anchors.fill: parent

        onRegisterClicked: function (email, password, confirmPassword, name) {
            console.log("📝 尝试注册用户:", email)
            const fault = wrapper.formFault(email, password, confirmPassword)
            if (fault !== null) {
                console.error(fault[0])
                wrapper.showError(fault[1])
                return
            }
            console.log("✅ 开始调用注册API")
            API.registerUser(email, password, name, "")
        }

        onLoginClicked: {
            console.log("🔗 跳转到登录页面")
            wrapper.loginClicked()
        }
    }

    Connections {
        id: apiConnections
        objectName: "apiConnections"
        target: typeof API !== "undefined" ? API : null
        ignoreUnknownSignals: true

        function onLoginSuccess() {
            console.log("✅ 注册成功")
            wrapper.showSuccess("注册成功！")
            successTimer.start()
        }

        function onLoginError(message) {
            console.log("❌ 注册失败:", message)
            wrapper.showError(message)
        }
    }

    MessageDialog {
        id: messageDialog
        objectName: "messageDialog"
        parent: wrapper
    }

    Timer {
        id: successTimer
        objectName: "successTimer"
        interval: 1500
        repeat: false
        onTriggered: wrapper.registerSuccess()
    }
}
