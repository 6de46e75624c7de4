import QtQuick
import QtTest
import LumoraContent

// The window with no "API" context property at all.
Item {
    id: page
    width: 430
    height: 880

    Component {
        id: appComponent
        App {}
    }

    TestCase {
        name: "AppWithoutApi"
        when: windowShown

        function init() {
            ConsoleLog.clear()
        }

        function test_splashStillGivesWayAndTheWindowCloses() {
            // The home page calls "API" unguarded at creation, as the program always has one.
            ignoreWarning(/ReferenceError: API is not defined/)
            ignoreWarning(/ReferenceError: API is not defined/)
            const app = createTemporaryObject(appComponent, page)
            verify(findChild(app.contentItem, "splashPage"))
            // The stack comes behind the first frame.
            tryVerify(function () { return app.stackView !== null })
            const stack = findChild(app.contentItem, "stackView")
            compare(stack, app.stackView)
            compare(stack.currentItem.objectName, "splashPage")
            verify(!ConsoleLog.has("应用启动，获取系统配置"))
            tryVerify(function () { return stack.currentItem.objectName === "mainScreenWrapper" }, 10000)
            compare(stack.depth, 1)
            app.close()
            verify(ConsoleLog.has("窗口正在关闭，断开VPN连接..."))
            verify(!app.visible)
        }
    }
}
