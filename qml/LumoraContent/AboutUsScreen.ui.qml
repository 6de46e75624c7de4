import QtQuick
import Lumora

Rectangle {
    id: aboutUsRoot

    width: Constants.width
    height: Constants.height
    color: Constants.backgroundColor

    PageHeader {
        id: header
        anchors.top: parent.top
        anchors.topMargin: 20
        anchors.horizontalCenter: parent.horizontalCenter
        width: parent.width - 40
        title: "关于我们"
    }

    Flickable {
        id: aboutFlickable
        objectName: "aboutFlickable"
        x: 0
        y: 70
        width: parent.width
        height: parent.height - 70
        clip: true
        contentWidth: width
        contentHeight: contentCol.height + 40

        Column {
            id: contentCol
            objectName: "contentCol"
            anchors.horizontalCenter: parent.horizontalCenter
            width: aboutFlickable.width - 60
            spacing: 30

            Column {
                id: nameBlock
                objectName: "nameBlock"
                width: parent.width
                spacing: 10

                Text {
                    id: appNameText
                    objectName: "appNameText"
                    anchors.horizontalCenter: parent.horizontalCenter
                    text: "Kesmar加速器"
                    color: Constants.textPrimary
                    font.pixelSize: 24
                    font.bold: true
                    font.family: Constants.font.family
                }

                Text {
                    id: sloganText
                    objectName: "sloganText"
                    anchors.horizontalCenter: parent.horizontalCenter
                    text: "连接世界，畅享极速"
                    color: Constants.primaryFree
                    font.pixelSize: 14
                    font.family: Constants.font.family
                }

                Text {
                    id: versionText
                    objectName: "versionText"
                    anchors.horizontalCenter: parent.horizontalCenter
                    text: "Version 1.0.0 (Build 1024)"
                    color: Constants.textSecondary
                    font.pixelSize: 12
                    font.family: Constants.font.family
                }
            }

            Column {
                id: missionBlock
                objectName: "missionBlock"
                width: parent.width
                spacing: 8

                Text {
                    id: missionHeading
                    objectName: "missionHeading"
                    text: "我们的使命"
                    color: Constants.primaryFree
                    font.pixelSize: 16
                    font.bold: true
                    font.family: Constants.font.family
                }

                Text {
                    id: missionText
                    objectName: "missionText"
                    width: parent.width
                    text: "Orvo 致力于为全球用户提供安全、快速、稳定的网络连接服务。无论您身在何处,我们都能助您突破地域限制,保护您的在线隐私。"
                    color: Constants.textSecondary
                    font.pixelSize: 14
                    font.family: Constants.font.family
                    wrapMode: Text.WordWrap
                    lineHeight: 1.4
                }
            }

            Column {
                id: contactBlock
                objectName: "contactBlock"
                width: parent.width
                spacing: 8

                Text {
                    id: contactHeading
                    objectName: "contactHeading"
                    text: "联系我们"
                    color: Constants.primaryFree
                    font.pixelSize: 16
                    font.bold: true
                    font.family: Constants.font.family
                }

                Text {
                    id: contactText
                    objectName: "contactText"
                    width: parent.width
                    text: "客服邮箱: " + Constants.supportEmail + "\n官方网站: " + Constants.websiteUrl
                    textFormat: Text.PlainText
                    color: Constants.textSecondary
                    font.pixelSize: 14
                    font.family: Constants.font.family
                    wrapMode: Text.WordWrap
                    lineHeight: 1.4
                }
            }

            Row {
                id: footerRow
                objectName: "footerRow"
                anchors.horizontalCenter: parent.horizontalCenter
                spacing: 20
                padding: 20

                Text {
                    id: termsText
                    objectName: "termsText"
                    text: "服务条款"
                    color: Constants.primaryFree
                    font.bold: true
                    font.underline: true
                    font.family: Constants.font.family

                    MouseArea {
                        id: termsMouseArea
                        objectName: "termsMouseArea"
                        anchors.fill: parent
                        cursorShape: Qt.PointingHandCursor
                    }
                }

                Text {
                    id: separatorText
                    objectName: "separatorText"
                    text: "|"
                    color: Constants.textSecondary
                }

                Text {
                    id: privacyText
                    objectName: "privacyText"
                    text: "隐私政策"
                    color: Constants.primaryFree
                    font.bold: true
                    font.underline: true
                    font.family: Constants.font.family

                    MouseArea {
                        id: privacyMouseArea
                        objectName: "privacyMouseArea"
                        anchors.fill: parent
                        cursorShape: Qt.PointingHandCursor
                    }
                }
            }
        }
    }
}
