import QtQuick
import QtTest
import LumoraContent

// Runs with no "API" context property at all.
Item {
    id: page
    width: 430
    height: 880

    Component {
        id: wrapperComponent
        ScreenWrapper {}
    }

    Component {
        id: buttonComponent
        ConnectButton {}
    }

    Component {
        id: spyComponent
        SignalSpy {}
    }

    TestCase {
        name: "WithoutApi"
        when: windowShown

        function init() {
            ConsoleLog.clear()
        }

        function test_apiIsMissing() {
            compare(typeof API, "undefined")
        }

        function test_wrapperShowsTheFallbacks() {
            // The page calls "API" unguarded at creation, as the program always has one.
            ignoreWarning(/ReferenceError: API is not defined/)
            ignoreWarning(/ReferenceError: API is not defined/)
            const wrapper = createTemporaryObject(wrapperComponent, page)
            const screen = findChild(wrapper, "screenItem")
            compare(screen.userLoggedIn, false)
            compare(screen.userEmail, "")
            compare(screen.userName, "")
            compare(screen.userIsVip, false)
            compare(screen.vipDays, 0)
            compare(screen.freeMinutes, 120)
            compare(findChild(wrapper, "statusText").text, "免费体验时长剩余 120 分钟")
            compare(findChild(wrapper, "avatarLetter").text, "?")
            compare(findChild(wrapper, "freeTrialButton").visible, false)
        }

        function test_connectRequestStopsAtTheMissingApi() {
            ignoreWarning(/ReferenceError: API is not defined/)
            ignoreWarning(/ReferenceError: API is not defined/)
            const wrapper = createTemporaryObject(wrapperComponent, page,
                                                  { selectedServerId: 5, selectedServerVmessLink: "vmess://x" })
            const button = findChild(wrapper, "connectBtn")
            ConsoleLog.clear()
            mouseClick(button)
            const lines = ConsoleLog.lines
            compare(lines[lines.length - 1], "❌ API未定义")
            compare(button.connecting, false)
        }

        function test_modeSelectorWorksWithoutApi() {
            ignoreWarning(/ReferenceError: API is not defined/)
            ignoreWarning(/ReferenceError: API is not defined/)
            const wrapper = createTemporaryObject(wrapperComponent, page)
            mouseClick(findChild(wrapper, "smartModeHalf"))
            compare(findChild(wrapper, "screenItem").currentMode, 0)
            verify(ConsoleLog.has("切换到智能模式"))
        }

        function test_connectButtonStillEmitsAndStaysIdle() {
            const button = createTemporaryObject(buttonComponent, page)
            const spy = createTemporaryObject(spyComponent, page,
                                              { target: button, signalName: "connectionRequested" })
            mouseClick(button)
            compare(spy.count, 1)
            compare(button.connected, false)
            compare(button.connecting, false)
        }
    }
}
