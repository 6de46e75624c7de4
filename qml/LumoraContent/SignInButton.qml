import QtQuick
// The Basic style honours the background and label given here on every
// platform; a native style would draw its own button instead.
import QtQuick.Controls.Basic
import Lumora

// The wide button of the sign-in and registration forms.
Button {
    id: signInButton

    width: parent ? parent.width : 344
    height: 50

    contentItem: Text {
        id: buttonLabel
        objectName: "buttonLabel"
        text: signInButton.text
        font.bold: true
        font.pixelSize: 16
        font.family: Constants.font.family
        color: "#0A0E27"
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
    }

    background: Rectangle {
        id: buttonBackground
        objectName: "buttonBackground"
        width: signInButton.width
        height: signInButton.height
        radius: 12
        color: signInButton.down ? Qt.darker(Constants.primaryFree) : Constants.primaryFree
    }
}
