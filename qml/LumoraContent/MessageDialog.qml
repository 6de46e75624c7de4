import QtQuick
// The Basic style draws the background and button given here on every
// platform; a native style would ignore them.
import QtQuick.Controls.Basic
import QtQuick.Layouts

Dialog {
    id: dialog

    property string messageText: ""
    property string titleText: "提示"
    property string iconText: "ℹ️"
    property color iconColor: "#4A90E2"

    function show(title, icon, color, message) {
        titleText = title
        iconText = icon
        iconColor = color
        messageText = message
        open()
    }

    function showInfo(message) {
        show("提示", "ℹ️", "#4A90E2", message)
    }

    function showWarning(message) {
        show("警告", "⚠️", "#FF9800", message)
    }

    function showError(message) {
        show("错误", "❌", "#F44336", message)
    }

    function showSuccess(message) {
        show("成功", "✅", "#4CAF50", message)
    }

    title: titleText
    modal: true
    anchors.centerIn: parent
    width: Math.min(400, parent ? parent.width * 0.8 : 400)
    standardButtons: Dialog.NoButton

    background: Rectangle {
        id: dialogBackground
        objectName: "dialogBackground"
        color: "#F5F5F5"
        radius: 12
        border.width: 1
        border.color: "#E0E0E0"

        Rectangle {
            id: dialogShadow
            objectName: "dialogShadow"
            anchors.fill: parent
            anchors.margins: -2
            z: -1
            radius: dialogBackground.radius + 2
            color: "#20000000"
        }
    }

    contentItem: ColumnLayout {
        id: contentLayout
        objectName: "contentLayout"
        spacing: 20

        RowLayout {
            id: messageRow
            objectName: "messageRow"
            Layout.fillWidth: true
            spacing: 15

            Text {
                id: iconLabel
                objectName: "iconLabel"
                text: dialog.iconText
                font.pixelSize: 48
                color: dialog.iconColor
            }

            Text {
                id: messageLabel
                objectName: "messageLabel"
                Layout.fillWidth: true
                text: dialog.messageText
                font.pixelSize: 16
                color: "#333333"
                wrapMode: Text.WordWrap
            }
        }

        Button {
            id: confirmButton
            objectName: "confirmButton"
            Layout.alignment: Qt.AlignRight
            Layout.preferredWidth: 100
            text: "确定"

            background: Rectangle {
                id: confirmButtonBackground
                objectName: "confirmButtonBackground"
                color: dialog.iconColor
                radius: 6
            }

            contentItem: Text {
                id: confirmButtonLabel
                objectName: "confirmButtonLabel"
                text: confirmButton.text
                font.pixelSize: 14
                font.bold: true
                color: "#FFFFFF"
                horizontalAlignment: Text.AlignHCenter
                verticalAlignment: Text.AlignVCenter
            }

            onClicked: dialog.close()
        }
    }
}
