import QtQuick
import QtTest
import LumoraContent

// The sign-in pages with no "API" at all.
Item {
    id: page
    width: 430
    height: 880

    Component {
        id: loginComponent
        LoginScreenWrapper {
            width: 430
            height: 880
        }
    }

    Component {
        id: registerComponent
        RegisterScreenWrapper {
            width: 430
            height: 880
        }
    }

    TestCase {
        name: "SignInWithoutApi"
        when: windowShown

        function init() {
            ConsoleLog.clear()
        }

        function test_loginStopsAtTheMissingApi() {
            const wrapper = createTemporaryObject(loginComponent, page)
            findChild(wrapper, "usernameField").text = "mia@example.com"
            mouseClick(findChild(wrapper, "loginButton"))
            compare(ConsoleLog.lines, ["尝试登录用户: mia@example.com", "API未初始化"])
        }

        // The form is checked first; the missing "API" is its last rule.
        function test_registrationStopsAtTheMissingApi_data() {
            return [
                { tag: "valid form", email: "mia@example.com", password: "secret1",
                  line: "❌ API未初始化", message: "系统初始化失败，请重启应用" },
                { tag: "short password first", email: "mia@example.com", password: "123",
                  line: "❌ 密码长度不足", message: "密码至少需要6位" }
            ]
        }

        function test_registrationStopsAtTheMissingApi(data) {
            const wrapper = createTemporaryObject(registerComponent, page)
            findChild(wrapper, "emailField").text = data.email
            findChild(wrapper, "passwordField").text = data.password
            findChild(wrapper, "confirmPasswordField").text = data.password
            mouseClick(findChild(wrapper, "registerButton"))
            verify(ConsoleLog.has(data.line))
            verify(!ConsoleLog.has("✅ 开始调用注册API"))
            const dialog = findChild(wrapper, "messageDialog")
            tryCompare(dialog, "opened", true)
            compare(dialog.titleText, "错误")
            compare(dialog.messageText, data.message)
        }
    }
}
