import QtQuick
// The Basic style honours the background given here on every platform; a
// native style would draw its own frame instead.
import QtQuick.Controls.Basic
import Lumora

// The text field of the sign-in and registration forms.
TextField {
    id: signInField

    width: parent ? parent.width : 344
    height: 50
    color: Constants.textPrimary
    placeholderTextColor: Constants.textHint
    font.pixelSize: 14

    background: Rectangle {
        id: fieldBackground
        objectName: "fieldBackground"
        width: signInField.width
        height: signInField.height
        color: "transparent"
        radius: 12
        border.width: 1
        // Constants.primaryFree, faint while another control has the focus.
        border.color: signInField.activeFocus ? Constants.primaryFree : Qt.rgba(0, 1, 0xD9 / 255, 0.3)
    }
}
