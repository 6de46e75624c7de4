import QtQuick
import QtTest
import LumoraContent

Item {
    id: page
    width: 430
    height: 880

    Component {
        id: dialogComponent
        MessageDialog {}
    }

    Component {
        id: wideParentComponent
        Item {
            width: 600
            height: 600
            property alias dialog: wideDialog
            MessageDialog {
                id: wideDialog
            }
        }
    }

    Component {
        id: secondaryPageComponent
        Item {
            anchors.fill: parent
            property alias backButton: backButton
            property alias pageArea: pageArea
            MouseArea {
                id: pageArea
                anchors.fill: parent
            }
            BackButton {
                id: backButton
            }
        }
    }

    TestCase {
        name: "MessageDialog"
        when: windowShown

        function part(dialog, name) {
            return findChild(dialog.contentItem, name)
        }

        function test_function_data() {
            return [
                { tag: "info", call: "showInfo", title: "提示", icon: "ℹ️", color: "#4A90E2" },
                { tag: "warning", call: "showWarning", title: "警告", icon: "⚠️", color: "#FF9800" },
                { tag: "error", call: "showError", title: "错误", icon: "❌", color: "#F44336" },
                { tag: "success", call: "showSuccess", title: "成功", icon: "✅", color: "#4CAF50" }
            ]
        }

        function test_function(data) {
            const dialog = createTemporaryObject(dialogComponent, page)
            verify(!dialog.opened)
            dialog[data.call]("您的账号在其他设备登录")
            tryCompare(dialog, "opened", true)
            compare(dialog.title, data.title)
            compare(dialog.titleText, data.title)
            compare(part(dialog, "iconLabel").text, data.icon)
            verify(Qt.colorEqual(part(dialog, "iconLabel").color, data.color))
            verify(Qt.colorEqual(part(dialog, "confirmButtonBackground").color, data.color))
            compare(part(dialog, "messageLabel").text, "您的账号在其他设备登录")
            compare(part(dialog, "confirmButtonLabel").text, "确定")
        }

        function test_defaults() {
            const dialog = createTemporaryObject(dialogComponent, page)
            compare(dialog.titleText, "提示")
            compare(dialog.iconText, "ℹ️")
            verify(Qt.colorEqual(dialog.iconColor, "#4A90E2"))
            compare(dialog.messageText, "")
            verify(dialog.modal)
        }

        function test_widthFollowsTheParent() {
            const dialog = createTemporaryObject(dialogComponent, page)
            compare(dialog.width, 344)
            const wide = createTemporaryObject(wideParentComponent, page)
            compare(wide.dialog.width, 400)
        }

        function test_secondCallReplacesTheContent() {
            const dialog = createTemporaryObject(dialogComponent, page)
            dialog.showInfo("第一条")
            tryCompare(dialog, "opened", true)
            dialog.showWarning("第二条")
            compare(dialog.visible, true)
            compare(dialog.title, "警告")
            compare(part(dialog, "iconLabel").text, "⚠️")
            verify(Qt.colorEqual(part(dialog, "confirmButtonBackground").color, "#FF9800"))
            compare(part(dialog, "messageLabel").text, "第二条")
        }

        function test_longMessageWraps() {
            const dialog = createTemporaryObject(dialogComponent, page)
            dialog.showError("This is a long message that does not fit on one line of the dialog at all")
            tryCompare(dialog, "opened", true)
            const label = part(dialog, "messageLabel")
            verify(label.lineCount > 1)
            verify(part(dialog, "iconLabel").x < label.x)
        }

        function test_confirmButtonCloses() {
            const dialog = createTemporaryObject(dialogComponent, page)
            dialog.showSuccess("注册成功")
            tryCompare(dialog, "opened", true)
            mouseClick(part(dialog, "confirmButton"))
            tryCompare(dialog, "visible", false)
        }
    }

    TestCase {
        name: "BackButton"
        when: windowShown

        function test_click_data() {
            return [
                { tag: "outside, 19 19", x: 19, y: 19, back: false },
                { tag: "top-left corner, 20 20", x: 20, y: 20, back: true },
                { tag: "centre", x: 45, y: 45, back: true },
                { tag: "bottom-right corner, 69 69", x: 69, y: 69, back: true },
                { tag: "outside, 70 70", x: 70, y: 70, back: false },
                { tag: "right button", x: 45, y: 45, back: false, button: Qt.RightButton }
            ]
        }

        function test_click(data) {
            const secondary = createTemporaryObject(secondaryPageComponent, page)
            const backSpy = createTemporaryObject(spyComponent, page,
                                                  { target: secondary.backButton, signalName: "back" })
            const pageSpy = createTemporaryObject(spyComponent, page,
                                                  { target: secondary.pageArea, signalName: "pressed" })
            mouseClick(secondary, data.x, data.y, data.button === undefined ? Qt.LeftButton : data.button)
            compare(backSpy.count, data.back ? 1 : 0)
            if (data.back)
                compare(pageSpy.count, 0, "the page beneath took a press inside the square")
            else if (data.button === undefined)
                compare(pageSpy.count, 1, "the press outside the square did not reach the page")
        }
    }

    Component {
        id: spyComponent
        SignalSpy {}
    }
}
