import QtQuick
import Lumora

// Placeholder until the page is built: the size, properties and signals the
// window relies on, over a plain background.
Item {
    id: vipScreen

    // True while the payment QR code is shown and its status is polled.
    property bool isPaying: false

    width: Constants.width
    height: Constants.height

    Rectangle {
        id: background
        objectName: "background"
        anchors.fill: parent
        color: Constants.backgroundColor
    }

    Text {
        id: titleText
        objectName: "titleText"
        anchors.centerIn: parent
        text: "VIP 会员"
        color: Constants.textPrimary
        font.pixelSize: 20
        font.family: Constants.font.family
    }
}
