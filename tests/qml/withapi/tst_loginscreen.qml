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
        LoginScreenWrapper {
            width: 430
            height: 880
        }
    }

    Component {
        id: spyComponent
        SignalSpy {}
    }

    TestCase {
        name: "LoginScreen"
        when: windowShown

        property var wrapper

        function init() {
            ApiSpy.reset()
            ConsoleLog.clear()
            wrapper = createTemporaryObject(wrapperComponent, page)
        }

        function part(name) {
            return findChild(wrapper, name)
        }

        function spyOn(signalName) {
            return createTemporaryObject(spyComponent, page, { target: wrapper, signalName: signalName })
        }

        // Types as a user does: a click into the field, then the keys.
        function typeInto(fieldName, text) {
            const field = part(fieldName)
            mouseClick(field)
            verify(field.activeFocus)
            for (const character of text)
                keyClick(character)
            compare(field.text, text)
        }

        function test_layout() {
            const column = part("formColumn")
            const origin = column.mapToItem(wrapper, 0, 0)
            compare(origin.x, 43)
            compare(column.width, 344)
            compare(Math.round(origin.y + column.height / 2), 440)
            compare(column.spacing, 24)
            compare(part("titleText").text, "欢迎回来")
            compare(part("subtitleText").text, "请登录您的 Tolvane 账号")
            compare(part("subtitleText").bottomPadding, 20)
            compare(part("usernameField").placeholderText, "邮箱 / 用户名")
            compare(part("passwordField").placeholderText, "密码")
            compare(part("passwordField").echoMode, TextInput.Password)
            compare(part("loginButton").text, "登 录")
            compare(part("linkRow").spacing, 30)
            const glyph = part("backGlyph")
            compare([glyph.x, glyph.y, glyph.width, glyph.height], [20, 20, 40, 40])
            compare(part("backGlyphArea").cursorShape, Qt.PointingHandCursor)
            // Neither field takes the focus by itself.
            verify(!part("usernameField").activeFocus)
            verify(!part("passwordField").activeFocus)
        }

        function test_fieldAndButtonStyle() {
            const field = part("usernameField")
            for (const name of ["usernameField", "passwordField"]) {
                const each = part(name)
                compare([each.width, each.height], [344, 50])
                compare(each.font.pixelSize, 14)
                verify(Qt.colorEqual(each.color, Constants.textPrimary))
                verify(Qt.colorEqual(each.placeholderTextColor, Constants.textHint))
            }
            const border = findChild(field, "fieldBackground")
            compare(border.radius, 12)
            compare(border.border.width, 1)
            verify(Qt.colorEqual(border.color, "transparent"))
            verify(Qt.colorEqual(border.border.color, Qt.rgba(0, 1, 0xD9 / 255, 0.3)))
            mouseClick(field)
            verify(Qt.colorEqual(border.border.color, Constants.primaryFree))
            mouseClick(part("passwordField"))
            verify(Qt.colorEqual(border.border.color, Qt.rgba(0, 1, 0xD9 / 255, 0.3)))

            const button = part("loginButton")
            compare([button.width, button.height], [344, 50])
            const label = findChild(button, "buttonLabel")
            compare(label.font.pixelSize, 16)
            verify(label.font.bold)
            verify(Qt.colorEqual(label.color, "#0A0E27"))
            const background = findChild(button, "buttonBackground")
            compare(background.radius, 12)
            verify(Qt.colorEqual(background.color, Constants.primaryFree))
            mousePress(button)
            verify(Qt.colorEqual(background.color, Qt.darker(Constants.primaryFree)))
            mouseRelease(button)
            verify(Qt.colorEqual(background.color, Constants.primaryFree))
        }

        // The texts reach "API" as typed; the password never reaches the log.
        function test_loginSendsTheTextsAsTyped_data() {
            return [
                { tag: "both empty", username: "", password: "" },
                { tag: "plain", username: "mia@example.com", password: "secret1" },
                { tag: "blanks around", username: "  mia@example.com ", password: " pass word " },
                { tag: "a user name", username: "mia", password: "123" }
            ]
        }

        function test_loginSendsTheTextsAsTyped(data) {
            if (data.username !== "")
                typeInto("usernameField", data.username)
            if (data.password !== "")
                typeInto("passwordField", data.password)
            ConsoleLog.clear()
            mouseClick(part("loginButton"))
            compare(ApiSpy.calls("login"), [[data.username, data.password]])
            compare(ConsoleLog.startingWith("尝试登录用户:"), ["尝试登录用户: " + data.username])
            if (data.password !== "")
                verify(ConsoleLog.lines.every(line => line.indexOf(data.password) < 0))
            // The fields keep their texts.
            compare(part("usernameField").text, data.username)
            compare(part("passwordField").text, data.password)
        }

        function test_eachClickSignsInAgain() {
            typeInto("usernameField", "mia@example.com")
            mouseClick(part("loginButton"))
            mouseClick(part("loginButton"))
            compare(ApiSpy.calls("login"), [["mia@example.com", ""], ["mia@example.com", ""]])
        }

        function test_enterStartsNothing_data() {
            return [
                { tag: "account field", field: "usernameField" },
                { tag: "password field", field: "passwordField" }
            ]
        }

        function test_enterStartsNothing(data) {
            typeInto(data.field, "abc123")
            keyClick(Qt.Key_Return)
            keyClick(Qt.Key_Enter)
            compare(ApiSpy.callCount("login"), 0)
        }

        function test_registerLink() {
            const spy = spyOn("registerClicked")
            mouseClick(part("registerLink"))
            compare(spy.count, 1)
            compare(ConsoleLog.lines, ["🔗 点击立即注册", "🔗 跳转到注册页面"])
            compare(ApiSpy.callNames(), [])
            compare(part("registerLinkArea").cursorShape, Qt.PointingHandCursor)
        }

        function test_inertAreas_data() {
            return [
                { tag: "forgot password", item: "forgotPasswordLink" },
                { tag: "back glyph", item: "backGlyph" },
                { tag: "title", item: "titleText" }
            ]
        }

        function test_inertAreas(data) {
            const register = spyOn("registerClicked")
            const success = spyOn("loginSuccess")
            mouseClick(part(data.item))
            compare(register.count, 0)
            compare(success.count, 0)
            compare(ApiSpy.callNames(), [])
            compare(ConsoleLog.lines, [])
            compare(part("forgotPasswordArea").cursorShape, Qt.PointingHandCursor)
        }

        function test_successIsHandedOn_data() {
            return [
                { tag: "on top", registerPageAbove: false, emitted: 1 },
                { tag: "below the register page", registerPageAbove: true, emitted: 0 }
            ]
        }

        function test_successIsHandedOn(data) {
            wrapper.registerPageAbove = data.registerPageAbove
            const spy = spyOn("loginSuccess")
            API.loginSuccess()
            compare(spy.count, data.emitted)
            compare(ConsoleLog.lines, ["登录成功"])
        }

        function test_failureOnlyReachesTheLog() {
            typeInto("usernameField", "mia@example.com")
            typeInto("passwordField", "wrong")
            const success = spyOn("loginSuccess")
            const register = spyOn("registerClicked")
            ConsoleLog.clear()
            API.loginError("邮箱或密码错误")
            compare(ConsoleLog.lines, ["登录失败: 邮箱或密码错误"])
            compare(success.count + register.count, 0)
            compare(part("usernameField").text, "mia@example.com")
            compare(part("passwordField").text, "wrong")
            compare(ApiSpy.callNames(), [])
        }
    }
}
