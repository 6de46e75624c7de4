import QtQuick
import QtTest
import LumoraContent

// The window tests' shared part: a window per test, under the TestCase's
// parent, with short page fades, and the user's moves through its pages.
TestCase {
    id: appTestCase

    when: windowShown

    property alias spy: spy

    property var app
    property var stack

    // The page moves are under test here, not their fade: pages fade this
    // long, except in the test of the fade itself.
    readonly property int shortFade: 10

    // Where each page's screen object is found, by the page's name.
    readonly property var screens: ({
                                        "loginPage": "loginScreen",
                                        "registerPage": "registerScreen",
                                        "settingsPage": "settingsScreen",
                                        "selectServerPage": "selectServerScreen",
                                        "vipPage": "vipScreen",
                                        "myOrdersPage": "myOrdersScreen",
                                        "aboutUsPage": "aboutUsScreen",
                                        "announcementPage": "announcementScreen"
                                    })

    function init() {
        ApiSpy.reset()
        ConsoleLog.clear()
    }

    function part(name) {
        return findChild(app.contentItem, name)
    }

    // The window as the first frame shows it: the splash alone.
    function createBare(fade) {
        app = createTemporaryObject(appComponent, appTestCase.parent,
                                    { pageFadeDuration: fade === undefined ? shortFade : fade })
        verify(app)
        stack = null
        return app
    }

    // The window with the stack built at once rather than behind the first
    // frame (which the first-frame tests wait for).
    function createApp(fade) {
        createBare(fade)
        app.buildPages()
        stack = part("stackView")
        verify(stack)
        return app
    }

    // Past the splash without its three seconds: the hand-over timer fires
    // at once, and the style's slide from the splash to the home screen is
    // left out (its own test keeps it).
    function createAtHome(fade) {
        createApp(fade)
        stack.replaceEnter = null
        stack.replaceExit = null
        findChild(stack.currentItem, "splashTimer").triggered()
        settle()
        compare(pages(), ["mainScreenWrapper"])
        ApiSpy.clear()
        ConsoleLog.clear()
    }

    function settle() {
        tryCompare(stack, "busy", false)
    }

    function pages() {
        const names = []
        for (let i = 0; i < stack.depth; ++i)
            names.push(stack.get(i).objectName)
        return names
    }

    function home() {
        return stack.get(0)
    }

    function screenOf(pageItem) {
        return findChild(pageItem, screens[pageItem.objectName])
    }

    // One user action on the top page: "area:<name>" clicks a home-screen
    // area, "back" clicks the back square, anything else emits that
    // signal of the top page's screen.
    function perform(action) {
        const top = stack.currentItem
        if (action.startsWith("area:"))
            mouseClick(top[action.substring(5)])
        else if (action === "back")
            mouseClick(top, 45, 45)
        else
            screenOf(top)[action]()
    }

    // Opens pages one after the other from the home screen, by the
    // user's own moves, and waits for each to settle.
    function open(steps) {
        for (const step of steps) {
            perform(step)
            settle()
        }
        ApiSpy.clear()
        ConsoleLog.clear()
    }

    Component {
        id: appComponent
        App {}
    }

    SignalSpy {
        id: spy
    }
}
