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
        RegisterScreenWrapper {
            width: 430
            height: 880
        }
    }

    Component {
        id: viewComponent
        RegisterScreen {}
    }

    Component {
        id: spyComponent
        SignalSpy {}
    }

    TestCase {
        name: "RegisterScreen"
        when: windowShown

        property var wrapper
        property var dialog

        function init() {
            ApiSpy.reset()
            ConsoleLog.clear()
            wrapper = createTemporaryObject(wrapperComponent, page)
            dialog = part("messageDialog")
        }

        function part(name) {
            return findChild(wrapper, name)
        }

        function spyOn(target, signalName) {
            return createTemporaryObject(spyComponent, page, { target: target, signalName: signalName })
        }

        function fill(email, password, confirmPassword) {
            part("emailField").text = email
            part("passwordField").text = password
            part("confirmPasswordField").text = confirmPassword
        }

        function test_layout() {
            const column = part("formColumn")
            const origin = column.mapToItem(wrapper, 0, 0)
            compare(origin.x, 43)
            compare(column.width, 344)
            compare(Math.round(origin.y + column.height / 2), 440)
            compare(column.spacing, 20)
            compare(part("titleText").text, "创建账号")
            compare(part("subtitleText").text, "开启高速网络体验")
            compare(part("subtitleText").bottomPadding, 10)
            compare(part("emailField").placeholderText, "电子邮箱")
            compare(part("passwordField").placeholderText, "设置密码 (至少6位)")
            compare(part("confirmPasswordField").placeholderText, "确认密码")
            compare(part("emailField").echoMode, TextInput.Normal)
            compare(part("passwordField").echoMode, TextInput.Password)
            compare(part("confirmPasswordField").echoMode, TextInput.Password)
            for (const name of ["emailField", "passwordField", "confirmPasswordField", "registerButton"])
                compare([part(name).width, part(name).height], [344, 50], name)
            compare(part("registerButton").text, "立即注册")
            compare(part("linkRow").spacing, 8)
            compare(part("termsText").text, "注册即代表同意《服务条款》和《隐私政策》")
            compare(part("termsText").width, 344)
            compare(part("termsText").topPadding, 10)
            const glyph = part("backGlyph")
            compare([glyph.x, glyph.y, glyph.width, glyph.height], [20, 20, 40, 40])
            compare(part("successTimer").interval, 1500)
            compare(part("successTimer").running, false)
            compare(part("successTimer").repeat, false)
            compare(dialog.parent, wrapper)
            verify(!dialog.opened)
        }

        // Every rule in its order: a row whose form breaks several rules
        // expects the first one's log line and box.
        function test_formRules_data() {
            const good = "mia@example.com"
            const refused = (line, message) => ({ line: line, message: message })
            const emptyEmail = refused("❌ 邮箱不能为空", "请输入邮箱地址")
            const badEmail = refused("❌ 邮箱格式不正确", "请输入正确的邮箱格式")
            const shortPassword = refused("❌ 密码长度不足", "密码至少需要6位")
            const mismatch = refused("❌ 两次密码不一致", "两次输入的密码不一致")
            return [
                { tag: "empty e-mail", email: "", password: "secret1", confirm: "secret1", fault: emptyEmail },
                { tag: "blanks only", email: "   ", password: "secret1", confirm: "secret1", fault: emptyEmail },
                { tag: "tab and line break only", email: "\t\n", password: "", confirm: "x", fault: emptyEmail },
                { tag: "ideographic and no-break spaces only", email: "\u3000\u00a0\u2003",
                  password: "secret1", confirm: "secret1", fault: emptyEmail },
                { tag: "empty e-mail before a short password", email: "", password: "1", confirm: "2",
                  fault: emptyEmail },
                { tag: "blank before", email: " " + good, password: "secret1", confirm: "secret1", fault: badEmail },
                { tag: "blank after", email: good + " ", password: "secret1", confirm: "secret1", fault: badEmail },
                { tag: "ideographic space after", email: good + "\u3000", password: "secret1",
                  confirm: "secret1", fault: badEmail },
                { tag: "no-break space inside", email: "mia\u00a0x@example.com", password: "secret1",
                  confirm: "secret1", fault: badEmail },
                { tag: "no @", email: "mia.example.com", password: "secret1", confirm: "secret1", fault: badEmail },
                { tag: "two @", email: "mia@ex@ample.com", password: "secret1", confirm: "secret1",
                  fault: badEmail },
                { tag: "nothing before @", email: "@example.com", password: "secret1", confirm: "secret1",
                  fault: badEmail },
                { tag: "no dot after @", email: "mia@example", password: "secret1", confirm: "secret1",
                  fault: badEmail },
                { tag: "only a leading dot", email: "mia@.com", password: "secret1", confirm: "secret1",
                  fault: badEmail },
                { tag: "only a trailing dot", email: "mia@example.", password: "secret1", confirm: "secret1",
                  fault: badEmail },
                { tag: "bad e-mail before a mismatch", email: "mia", password: "secret1", confirm: "other12",
                  fault: badEmail },
                { tag: "leading dot and one inside", email: "mia@.example.com", password: "secret1",
                  confirm: "secret1", fault: null },
                { tag: "trailing dot and one inside", email: "mia@example.com.", password: "secret1",
                  confirm: "secret1", fault: null },
                { tag: "empty password", email: good, password: "", confirm: "", fault: shortPassword },
                { tag: "5 characters", email: good, password: "12345", confirm: "12345", fault: shortPassword },
                { tag: "short password before a mismatch", email: good, password: "123", confirm: "456",
                  fault: shortPassword },
                { tag: "6 characters", email: good, password: "123456", confirm: "123456", fault: null },
                { tag: "6 blanks", email: good, password: "      ", confirm: "      ", fault: null },
                { tag: "mismatch", email: good, password: "secret1", confirm: "secret2", fault: mismatch },
                { tag: "letter case differs", email: good, password: "Secret1", confirm: "secret1",
                  fault: mismatch },
                { tag: "trailing blank differs", email: good, password: "secret1", confirm: "secret1 ",
                  fault: mismatch },
                { tag: "upper-case address", email: "MIA@Example.COM", password: "secret1",
                  confirm: "secret1", fault: null }
            ]
        }

        function test_formRules(data) {
            fill(data.email, data.password, data.confirm)
            mouseClick(part("registerButton"))
            verify(ConsoleLog.has("📝 尝试注册用户: " + data.email))
            if (data.fault) {
                compare(ApiSpy.callNames(), [])
                verify(ConsoleLog.has(data.fault.line), data.fault.line)
                verify(!ConsoleLog.has("✅ 开始调用注册API"))
                tryCompare(dialog, "opened", true)
                compare(dialog.titleText, "错误")
                compare(dialog.messageText, data.fault.message)
            } else {
                const name = data.email.substring(0, data.email.indexOf("@"))
                compare(ApiSpy.calls("registerUser"), [[data.email, data.password, name, ""]])
                verify(ConsoleLog.has("✅ 开始调用注册API"))
                verify(!dialog.opened)
                verify(!dialog.visible)
            }
            // One rule at most: a single refusal line.
            compare(ConsoleLog.lines.filter(line => line.startsWith("❌")).length, data.fault ? 1 : 0)
            compare(part("emailField").text, data.email)
        }

        // The view takes the name from the address as the button is clicked.
        function test_viewSignal_data() {
            return [
                { tag: "address", email: "mia@example.com", name: "mia" },
                { tag: "no @", email: "mia", name: "mia" },
                { tag: "two @", email: "a@b@c", name: "a" },
                { tag: "starts with @", email: "@x.y", name: "" },
                { tag: "blanks kept", email: " mia @x.y", name: " mia " }
            ]
        }

        function test_viewSignal(data) {
            const view = createTemporaryObject(viewComponent, page)
            const spy = spyOn(view, "registerClicked")
            findChild(view, "emailField").text = data.email
            findChild(view, "passwordField").text = "pw1"
            findChild(view, "confirmPasswordField").text = "pw2"
            mouseClick(findChild(view, "registerButton"))
            compare(spy.count, 1)
            compare(Array.from(spy.signalArguments[0]), [data.email, "pw1", "pw2", data.name])
            compare(findChild(view, "emailField").text, data.email)
        }

        function test_eachValidClickRegistersAgain() {
            fill("mia@example.com", "secret1", "secret1")
            mouseClick(part("registerButton"))
            mouseClick(part("registerButton"))
            compare(ApiSpy.callCount("registerUser"), 2)
        }

        function test_refusalByTheServiceIsShownUnchanged() {
            API.loginError("该邮箱已被注册")
            tryCompare(dialog, "opened", true)
            compare(dialog.titleText, "错误")
            compare(dialog.messageText, "该邮箱已被注册")
            verify(ConsoleLog.has("❌ 注册失败: 该邮箱已被注册"))
            compare(part("successTimer").running, false)
        }

        function test_successShowsTheBoxThenReports() {
            const spy = spyOn(wrapper, "registerSuccess")
            API.loginSuccess()
            verify(ConsoleLog.has("✅ 注册成功"))
            tryCompare(dialog, "opened", true)
            compare(dialog.titleText, "成功")
            compare(dialog.messageText, "注册成功！")
            verify(part("successTimer").running)
            compare(spy.count, 0)
            spy.wait(5000)
            compare(spy.count, 1)
            verify(!part("successTimer").running)
        }

        function test_loginLink() {
            const spy = spyOn(wrapper, "loginClicked")
            mouseClick(part("loginLink"))
            compare(spy.count, 1)
            compare(ConsoleLog.lines, ["🔗 跳转到登录页面"])
            compare(findChild(wrapper, "loginLinkArea").cursorShape, Qt.PointingHandCursor)
        }

        function test_inertTexts_data() {
            return [
                { tag: "terms", item: "termsText" },
                { tag: "have an account", item: "haveAccountText" },
                { tag: "back glyph", item: "backGlyph" }
            ]
        }

        function test_inertTexts(data) {
            const spy = spyOn(wrapper, "loginClicked")
            mouseClick(part(data.item))
            compare(spy.count, 0)
            compare(ApiSpy.callNames(), [])
            compare(ConsoleLog.lines, [])
        }
    }
}
