import QtQuick

// Lies over the top-left corner of a secondary page, where the screens draw
// their back arrow; only its square takes input, the rest reaches the page.
Item {
    id: backButton

    signal back

    anchors.fill: parent

    MouseArea {
        id: backMouseArea
        objectName: "backMouseArea"
        x: 20
        y: 20
        width: 50
        height: 50
        acceptedButtons: Qt.LeftButton
        cursorShape: Qt.PointingHandCursor
        hoverEnabled: false
        onClicked: backButton.back()
    }
}
