import QtQuick
import QtTest
import Lumora
import LumoraContent

// The sign-in, registration and server pages in the real window, against the
// fake "API", moved by the user's clicks.
Item {
    id: page
    width: 430
    height: 880

    AppTestCase {
        name: "SignInFlow"

        function inTop(name) {
            return findChild(stack.currentItem, name)
        }

        function click(name) {
            mouseClick(inTop(name))
        }

        function openLogin() {
            mouseClick(stack.currentItem.loginArea)
            settle()
            compare(pages(), ["mainScreenWrapper", "loginPage"])
        }

        // What the bridge sends after a sign-in or a registration.
        function signedIn(email) {
            ApiSpy.set("isLoggedIn", true)
            ApiSpy.set("userEmail", email)
            API.loginSuccess()
            API.loginStateChanged(true)
        }

        function test_registerFromHomeReturnsHomeSignedIn() {
            createAtHome()
            openLogin()
            click("registerLink")
            settle()
            compare(pages(), ["mainScreenWrapper", "loginPage", "registerPage"])
            inTop("emailField").text = "mia@example.com"
            inTop("passwordField").text = "secret1"
            inTop("confirmPasswordField").text = "secret1"
            click("registerButton")
            compare(ApiSpy.calls("registerUser"), [["mia@example.com", "secret1", "mia", ""]])
            const dialog = inTop("messageDialog")
            signedIn("mia@example.com")
            // The box at once; both pages stay until the pause is over.
            tryCompare(dialog, "opened", true)
            compare(dialog.messageText, "注册成功！")
            compare(pages(), ["mainScreenWrapper", "loginPage", "registerPage"])
            tryCompare(stack, "depth", 1, 5000)
            settle()
            compare(pages(), ["mainScreenWrapper"])
            verify(ConsoleLog.has("注册成功，返回主界面"))
            verify(!ConsoleLog.has("登录成功，返回上一页"))
            compare(findChild(stack.currentItem, "screenItem").userLoggedIn, true)
            compare(findChild(stack.currentItem, "screenItem").userEmail, "mia@example.com")
        }

        function test_signInReturnsHome() {
            createAtHome()
            openLogin()
            mouseClick(inTop("usernameField"))
            keyClick("m")
            mouseClick(inTop("passwordField"))
            keyClick("1")
            click("loginButton")
            compare(ApiSpy.calls("login"), [["m", "1"]])
            signedIn("m@example.com")
            settle()
            compare(pages(), ["mainScreenWrapper"])
            compare(ConsoleLog.count("登录成功，返回上一页"), 1)
            // The bridge's further notices move nothing.
            API.loginSuccess()
            settle()
            compare(pages(), ["mainScreenWrapper"])
            compare(findChild(stack.currentItem, "screenItem").userLoggedIn, true)
        }

        function test_failedSignInStays() {
            createAtHome()
            openLogin()
            click("loginButton")
            API.loginError("邮箱或密码错误")
            settle()
            compare(pages(), ["mainScreenWrapper", "loginPage"])
            verify(ConsoleLog.has("登录失败: 邮箱或密码错误"))
        }

        // While the register page lies above, even while it fades in or out,
        // the login page hands no success on.
        function test_successWhileTheRegisterPageLiesAbove_data() {
            return [
                { tag: "register page fading in", moment: "push", after: [] },
                { tag: "register page on top", moment: "top", after: [] },
                { tag: "register page fading out", moment: "back", after: ["loginPage"] }
            ]
        }

        function test_successWhileTheRegisterPageLiesAbove(data) {
            createAtHome()
            openLogin()
            const loginPage = stack.currentItem
            spy.clear()
            spy.signalName = "loginSuccess"
            spy.target = findChild(loginPage, "loginScreen")
            click("registerLink")
            // The register page's own pause is tested on its own page.
            findChild(stack.currentItem, "successTimer").interval = 100
            if (data.moment === "push") {
                verify(stack.busy)
            } else {
                settle()
                if (data.moment === "back") {
                    mouseClick(stack.currentItem, 45, 45)
                    verify(stack.busy)
                }
            }
            signedIn("mia@example.com")
            verify(ConsoleLog.has("登录成功"))
            compare(spy.count, 0)
            tryCompare(stack, "depth", 1 + data.after.length, 5000)
            settle()
            compare(pages(), ["mainScreenWrapper"].concat(data.after))
            compare(spy.count, 0)
            verify(!ConsoleLog.has("登录成功，返回上一页"))
        }

        // Once the register page is gone, a success is the login page's again.
        function test_successAfterTheRegisterPageHasGone() {
            createAtHome()
            openLogin()
            const loginPage = stack.currentItem
            click("registerLink")
            settle()
            click("loginLink")
            settle()
            tryCompare(loginPage, "registerPage", null)
            signedIn("mia@example.com")
            settle()
            compare(pages(), ["mainScreenWrapper"])
            verify(ConsoleLog.has("登录成功，返回上一页"))
        }

        function test_serverListMarksTheDefaultAndChooses() {
            createAtHome()
            mouseClick(stack.currentItem.selectServerArea)
            settle()
            compare(ApiSpy.calls("getServers"), [[""]])
            API.serversLoaded([
                { id: 11, name: "东京 VIP", flag: "🇯🇵", countryCode: "JP", tier: "vip", requiresVip: true,
                  canConnect: false, vmessLink: "vmess://jp" },
                { id: 12, name: "香港 01", flag: "🇭🇰", countryCode: "HK", tier: "free", requiresVip: false,
                  canConnect: true, vmessLink: "vmess://hk" },
                { id: 13, name: "新加坡 VIP", flag: "🇸🇬", countryCode: "SG", tier: "vip", requiresVip: true,
                  canConnect: true, vmessLink: "vmess://sg" }
            ])
            for (const name of ["listColumn", "freeGroup", "vipGroup"])
                tryVerify(function () { return !isPolishScheduled(inTop(name)) })
            // The home screen beneath takes the first server it can connect
            // to; the list marks it through the window's binding.
            compare(app.currentServerId, 12)
            const free = inTop("freeServersRepeater").itemAt(0)
            compare(findChild(free, "markText").text, "✓")
            const locked = inTop("vipServersRepeater").itemAt(0)
            mouseClick(locked)
            compare(pages(), ["mainScreenWrapper", "selectServerPage"])
            compare(app.currentServerId, 12)
            mouseClick(inTop("vipServersRepeater").itemAt(1))
            settle()
            compare(pages(), ["mainScreenWrapper"])
            compare([app.currentServerName, app.currentServerFlag, app.currentServerCountryCode,
                     app.currentServerLatency, app.currentServerId, app.currentServerVmessLink,
                     app.currentServerRequiresVip],
                    ["新加坡 VIP", "🇸🇬", "SG", "45ms", 13, "vmess://sg", true])
            // Opened again, the list marks the choice.
            mouseClick(stack.currentItem.selectServerArea)
            settle()
            compare(inTop("selectServerScreen").selectedServerId, 13)
        }
    }
}
