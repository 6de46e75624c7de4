import QtQuick
import Lumora

Rectangle {
    id: announcementRoot

    width: Constants.width
    height: Constants.height
    color: Constants.backgroundColor

    ListModel {
        id: announcementsModel
        objectName: "announcementsModel"
    }

    Connections {
        id: apiConnections
        objectName: "apiConnections"
        target: API

        function onAnnouncementsLoaded(announcements) {
            console.log("✅ 公告列表加载成功，数量:", announcements.length)
            announcementsModel.clear()
            for (let i = 0; i < announcements.length; ++i) {
                const record = announcements[i]
                announcementsModel.append({
                                              "id": record.id,
                                              "title": record.title,
                                              "content": record.content,
                                              "type": record.type,
                                              "publishedAt": record.publishedAt,
                                              "createdAt": record.createdAt
                                          })
            }
        }

        function onAnnouncementsError(message) {
            console.log("❌ 公告列表加载失败:", message)
        }
    }

    Column {
        id: contentColumn
        objectName: "contentColumn"
        anchors.top: parent.top
        anchors.topMargin: 20
        anchors.horizontalCenter: parent.horizontalCenter
        width: parent.width - 40
        spacing: 16

        PageHeader {
            id: header
            width: parent.width
            title: "公告中心"
            outlinedGlyph: true
        }

        Column {
            id: listColumn
            objectName: "listColumn"
            width: parent.width
            spacing: 16

            Repeater {
                id: announcementsRepeater
                objectName: "announcementsRepeater"
                model: announcementsModel

                delegate: Rectangle {
                    id: announcementCard
                    objectName: "announcementCard"

                    required property string title
                    required property string content
                    required property string type
                    required property var publishedAt
                    required property var createdAt

                    function validDate(value) {
                        return value instanceof Date && !isNaN(value.getTime())
                    }

                    width: listColumn.width
                    height: contentCol.height + 32
                    radius: 12
                    color: Constants.cardColor

                    Column {
                        id: contentCol
                        objectName: "contentCol"
                        anchors.centerIn: parent
                        width: parent.width - 32
                        spacing: 8

                        Item {
                            id: titleRow
                            objectName: "titleRow"
                            width: parent.width
                            height: Math.max(typeIcon.height, cardTitle.height)

                            Row {
                                spacing: 8

                                Text {
                                    id: typeIcon
                                    objectName: "typeIcon"
                                    text: announcementCard.type === "maintenance" ? "🔧"
                                                                                  : announcementCard.type === "update" ? "🚀"
                                                                                                                       : announcementCard.type === "activity" ? "🎉" : "📢"
                                    font.pixelSize: 16
                                }

                                Text {
                                    id: cardTitle
                                    objectName: "cardTitle"
                                    anchors.verticalCenter: parent.verticalCenter
                                    text: announcementCard.title
                                    color: Constants.textPrimary
                                    font.pixelSize: 15
                                    font.bold: true
                                    font.family: Constants.font.family
                                }
                            }

                            // Level with the row's top edge, as the cards were drawn.
                            Text {
                                id: cardDate
                                objectName: "cardDate"
                                anchors.right: parent.right
                                anchors.verticalCenter: parent.top
                                text: announcementCard.validDate(announcementCard.publishedAt)
                                      ? announcementCard.publishedAt
                                      : announcementCard.validDate(announcementCard.createdAt)
                                        ? announcementCard.createdAt : ""
                                color: Constants.textSecondary
                                font.pixelSize: 12
                                font.family: Constants.font.family
                            }
                        }

                        Text {
                            id: cardContent
                            objectName: "cardContent"
                            width: parent.width
                            text: announcementCard.content
                            color: Constants.textSecondary
                            font.pixelSize: 13
                            font.family: Constants.font.family
                            wrapMode: Text.WordWrap
                            maximumLineCount: 2
                            elide: Text.ElideRight
                            lineHeight: 1.4
                        }
                    }
                }
            }

            Text {
                id: loadingText
                objectName: "loadingText"
                visible: announcementsModel.count === 0
                anchors.horizontalCenter: parent.horizontalCenter
                text: "正在加载公告..."
                color: Constants.textSecondary
                font.pixelSize: 14
                font.family: Constants.font.family
            }
        }
    }
}
