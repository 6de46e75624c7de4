import QtQuick
import Lumora

// Placeholder until the page is built: the size, properties and signals the
// window relies on, over a plain background.
Item {
    id: registerScreenWrapper

    signal loginClicked
    // Comes a moment after the success, so that the user sees it first.
    signal registerSuccess

    Connections {
        id: apiConnections
        objectName: "apiConnections"
        target: typeof API !== "undefined" ? API : null
        ignoreUnknownSignals: true

        function onLoginSuccess() {
            successTimer.start()
        }
    }

    Timer {
        id: successTimer
        objectName: "successTimer"
        interval: 1500
        repeat: false
        onTriggered: registerScreenWrapper.registerSuccess()
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
        text: "注册"
        color: Constants.textPrimary
        font.pixelSize: 20
        font.family: Constants.font.family
    }
}
