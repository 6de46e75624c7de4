import QtQuick
import Lumora

// The frame of a page that loads one list: the header, then below it either
// the loading line, the error line, the empty line or the list that the page
// gives as its child. A long list scrolls under the header; a short one stays
// put.
Rectangle {
    id: frame

    property string title: ""
    property bool isLoading: false
    property string errorMessage: ""
    // Shown instead of an empty list; no line when it is empty.
    property string emptyText: ""
    property bool listEmpty: true
    // True while the list is the state on show.
    readonly property bool listShown: !isLoading && errorMessage === ""
    property alias flickableName: listFlickable.objectName
    default property alias list: contentColumn.data

    color: Constants.backgroundColor

    PageHeader {
        id: header
        anchors.top: parent.top
        anchors.topMargin: 20
        anchors.horizontalCenter: parent.horizontalCenter
        width: parent.width - 40
        title: frame.title
    }

    Flickable {
        id: listFlickable
        anchors.top: header.bottom
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        clip: true
        contentWidth: width
        contentHeight: contentColumn.height + 20
        flickableDirection: Flickable.AutoFlickIfNeeded

        Column {
            id: contentColumn
            objectName: "contentColumn"
            anchors.horizontalCenter: parent.horizontalCenter
            width: listFlickable.width - 40
            topPadding: 16
            spacing: 16

            Text {
                id: loadingText
                objectName: "loadingText"
                visible: frame.isLoading
                anchors.horizontalCenter: parent.horizontalCenter
                text: "加载中..."
                color: Constants.textSecondary
                font.pixelSize: 14
            }

            Text {
                id: errorText
                objectName: "errorText"
                visible: frame.errorMessage !== ""
                width: parent.width
                text: frame.errorMessage
                color: Constants.colorError
                font.pixelSize: 14
                wrapMode: Text.WordWrap
            }

            Text {
                id: emptyLine
                objectName: "emptyText"
                visible: frame.emptyText !== "" && frame.listShown && frame.listEmpty
                anchors.horizontalCenter: parent.horizontalCenter
                text: frame.emptyText
                color: Constants.textSecondary
                font.pixelSize: 14
            }
        }
    }
}
