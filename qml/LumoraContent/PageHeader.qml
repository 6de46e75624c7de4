import QtQuick
import Lumora

// The header row of a secondary page: the title centred, and the back arrow
// at the left end, under the window's back square, which does the popping.
Item {
    id: header

    property string title: ""
    property color titleColor: Constants.textPrimary
    // The two list views that no page shows draw a bold arrow with an outline.
    property bool outlinedGlyph: false

    objectName: "header"
    height: 50

    Text {
        id: titleText
        objectName: "titleText"
        anchors.centerIn: parent
        text: header.title
        color: header.titleColor
        font.pixelSize: 20
        font.bold: true
        font.family: Constants.font.family
    }

    Text {
        id: backGlyph
        objectName: "backGlyph"
        anchors.left: parent.left
        anchors.verticalCenter: parent.verticalCenter
        text: "←"
        color: "#FFFFFF"
        style: header.outlinedGlyph ? Text.Outline : Text.Normal
        styleColor: "#000000"
        font.pixelSize: 24
        font.bold: header.outlinedGlyph

        MouseArea {
            id: backGlyphMouseArea
            objectName: "backGlyphMouseArea"
            anchors.fill: parent
            cursorShape: Qt.PointingHandCursor
        }
    }
}
