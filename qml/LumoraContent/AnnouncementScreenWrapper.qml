import QtQuick
import Lumora

Item {
    id: wrapper

    property var announcementList: []
    property bool isLoading: false
    property string errorMessage: ""

    Component.onCompleted: {
        if (typeof API === "undefined") {
            errorMessage = "API未初始化"
            return
        }
        console.log("开始加载公告列表")
        isLoading = true
        API.getAnnouncements()
    }

    Connections {
        id: apiConnections
        objectName: "apiConnections"
        target: typeof API !== "undefined" ? API : null
        ignoreUnknownSignals: true

        function onAnnouncementsLoaded(announcements) {
            console.log("公告加载成功，数量:", announcements.length)
            wrapper.isLoading = false
            wrapper.errorMessage = ""
            wrapper.announcementList = announcements
        }

        function onAnnouncementsError(message) {
            console.log("公告加载失败:", message)
            wrapper.isLoading = false
            wrapper.errorMessage = "加载失败: " + message
        }
    }

    ListPageFrame {
        id: announcementRoot
        objectName: "announcementRoot"
        anchors.fill: parent
        flickableName: "announcementFlickable"
        title: "公告中心"
        isLoading: wrapper.isLoading
        errorMessage: wrapper.errorMessage

        Column {
            id: cardColumn
            objectName: "cardColumn"
            visible: announcementRoot.listShown
            width: parent.width
            spacing: 16

            Repeater {
                id: announcementRepeater
                objectName: "announcementRepeater"
                model: wrapper.announcementList

                delegate: Rectangle {
                    id: announcementCard
                    objectName: "announcementCard"

                    readonly property var record: modelData ? modelData : ({})

                    function validDate(value) {
                        return value instanceof Date && !isNaN(value.getTime())
                    }

                    width: cardColumn.width
                    height: contentCol.height + 32
                    radius: 16
                    color: Constants.cardColor
                    border.width: 1
                    border.color: Qt.rgba(0, 1, 217 / 255, 0.1)

                    Column {
                        id: contentCol
                        objectName: "contentCol"
                        anchors.centerIn: parent
                        width: parent.width - 32
                        spacing: 8

                        Row {
                            id: titleRow
                            objectName: "titleRow"
                            width: parent.width
                            spacing: 12

                            // No record says which announcements are new yet.
                            Rectangle {
                                id: newMarker
                                objectName: "newMarker"
                                visible: announcementCard.record.isNew === true
                                anchors.verticalCenter: parent.verticalCenter
                                width: 6
                                height: 6
                                radius: 3
                                color: Constants.primaryFree
                            }

                            Text {
                                id: cardTitle
                                objectName: "cardTitle"
                                width: titleRow.width - 40
                                text: announcementCard.record.title ? announcementCard.record.title : "无标题"
                                color: Constants.textPrimary
                                font.pixelSize: 16
                                font.bold: true
                                font.family: Constants.font.family
                                wrapMode: Text.WordWrap
                            }
                        }

                        Text {
                            id: cardDate
                            objectName: "cardDate"
                            text: announcementCard.validDate(announcementCard.record.publishedAt)
                                  ? announcementCard.record.publishedAt
                                  : announcementCard.validDate(announcementCard.record.createdAt)
                                    ? announcementCard.record.createdAt : ""
                            color: Constants.textSecondary
                            font.pixelSize: 12
                            font.family: Constants.font.family
                        }

                        Rectangle {
                            id: divider
                            objectName: "divider"
                            width: parent.width
                            height: 1
                            color: Qt.rgba(1, 1, 1, 0.05)
                        }

                        Text {
                            id: cardContent
                            objectName: "cardContent"
                            width: parent.width
                            text: announcementCard.record.content ? announcementCard.record.content : "无内容"
                            color: Constants.textSecondary
                            font.pixelSize: 14
                            font.family: Constants.font.family
                            wrapMode: Text.WordWrap
                        }
                    }
                }
            }
        }
    }
}
