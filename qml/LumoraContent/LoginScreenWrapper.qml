import QtQuick
import Lumora

// Placeholder until the page is built: the size, properties and signals the
// window relies on, over a plain background.
Item {
    id: loginScreenWrapper

    signal registerClicked
    // Each success of "API", a registration's too, while the page exists.
    signal loginSuccess

    Connections {
        id: apiConnections
        objectName: "apiConnections"
        target: typeof API !== "undefined" ? API : null
        ignoreUnknownSignals: true

        function onLoginSuccess() {
            loginScreenWrapper.loginSuccess()
        }
    }

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
        text: "登录"
        color: Constants.textPrimary
        font.pixelSize: 20
        font.family: Constants.font.family
    }
}
