import QtQuick
import Lumora

Rectangle {
    id: settingsRoot

    property bool loggedIn: false
    property string email: ""
    property string name: ""
    property bool isVip: false
    property int vipDays: 0

    property alias vipUpgradeArea: vipRow.mouseArea
    property alias myOrdersArea: myOrdersRow.mouseArea
    property alias announcementArea: announcementRow.mouseArea
    property alias aboutUsArea: aboutUsRow.mouseArea

    signal loginClicked
    signal logoutClicked

    // One navigation row: an icon, a title over a subtitle and the ">" at the
    // right; the owner of the view attaches what a click does.
    component SettingsRow: Rectangle {
        id: row

        property string icon: ""
        property color iconColor: Constants.textSecondary
        property string title: ""
        property color titleColor: Constants.textPrimary
        property string subtitle: ""
        property color arrowColor: Constants.textSecondary
        property string areaName: ""
        readonly property alias mouseArea: rowMouseArea

        width: parent.width
        height: 60
        radius: 12
        color: Constants.cardColor

        Row {
            anchors.left: parent.left
            anchors.leftMargin: 16
            anchors.verticalCenter: parent.verticalCenter
            spacing: 16

            // Every icon gets the same box, so the texts of all rows start
            // at one x whatever the width of the icon's glyph.
            Item {
                objectName: "rowIconBox"
                anchors.verticalCenter: parent.verticalCenter
                width: iconBox.advanceWidth
                height: rowIcon.implicitHeight

                Text {
                    id: rowIcon
                    objectName: "rowIcon"
                    anchors.centerIn: parent
                    text: row.icon
                    color: row.iconColor
                    font.pixelSize: 20
                }
            }

            Column {
                anchors.verticalCenter: parent.verticalCenter

                Text {
                    objectName: "rowTitle"
                    text: row.title
                    color: row.titleColor
                    font.pixelSize: 15
                    font.bold: true
                    font.family: Constants.font.family
                }

                Text {
                    objectName: "rowSubtitle"
                    text: row.subtitle
                    color: Constants.textSecondary
                    font.pixelSize: 11
                    font.family: Constants.font.family
                }
            }
        }

        Text {
            objectName: "rowArrow"
            anchors.right: parent.right
            anchors.rightMargin: 16
            anchors.verticalCenter: parent.verticalCenter
            text: ">"
            color: row.arrowColor
            font.pixelSize: 18
        }

        MouseArea {
            id: rowMouseArea
            objectName: row.areaName
            anchors.fill: parent
            cursorShape: Qt.PointingHandCursor
        }
    }

    width: Constants.width
    height: Constants.height
    color: Constants.backgroundColor

    // The width of the rows' icon box: that of a full-width emoji.
    TextMetrics {
        id: iconBox
        text: "👑"
        font.pixelSize: 20
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
            title: "设置"
        }

        Rectangle {
            id: userCard
            objectName: "userCard"
            width: parent.width
            height: 80
            radius: 16
            color: Constants.cardColor

            Row {
                id: userRow
                objectName: "userRow"
                anchors.fill: parent
                anchors.margins: 16
                spacing: 16

                Rectangle {
                    id: avatar
                    objectName: "avatar"
                    width: 48
                    height: 48
                    radius: 24
                    color: !settingsRoot.loggedIn ? Qt.rgba(128 / 255, 128 / 255, 128 / 255, 0.1)
                                                  : settingsRoot.isVip ? Qt.rgba(1, 215 / 255, 0, 0.2)
                                                                       : Qt.rgba(0, 1, 217 / 255, 0.1)

                    Text {
                        id: avatarLetter
                        objectName: "avatarLetter"
                        anchors.centerIn: parent
                        text: !settingsRoot.loggedIn ? "?"
                                                     : settingsRoot.name.length > 0
                                                       ? settingsRoot.name.charAt(0).toUpperCase() : "U"
                        color: settingsRoot.isVip ? Constants.colorVip : Constants.primaryFree
                        font.bold: true
                    }
                }

                Column {
                    id: userTextColumn
                    objectName: "userTextColumn"

                    // Long names and e-mails elide at the card's inner edge,
                    // or before the ">" while it shows.
                    readonly property real textRoom: userRow.width - avatar.width - userRow.spacing
                                                     - (cardArrow.visible ? cardArrow.width + userRow.spacing : 0)

                    anchors.verticalCenter: parent.verticalCenter
                    spacing: 2

                    Row {
                        id: nameRow
                        objectName: "nameRow"
                        spacing: 4

                        Text {
                            id: nameText
                            objectName: "nameText"
                            width: Math.min(implicitWidth, userTextColumn.textRoom
                                            - (vipStar.visible ? vipStar.width + nameRow.spacing : 0))
                            elide: Text.ElideRight
                            text: !settingsRoot.loggedIn ? "未登录"
                                                         : settingsRoot.name.length > 0 ? settingsRoot.name
                                                                                        : settingsRoot.email
                            color: Constants.textPrimary
                            font.pixelSize: 16
                            font.bold: true
                            font.family: Constants.font.family
                        }

                        Text {
                            id: vipStar
                            objectName: "vipStar"
                            visible: settingsRoot.loggedIn && settingsRoot.isVip
                            text: "⭐"
                            color: Constants.colorVip
                            font.pixelSize: 14
                        }
                    }

                    Text {
                        id: emailText
                        objectName: "emailText"
                        width: Math.min(implicitWidth, userTextColumn.textRoom)
                        elide: Text.ElideRight
                        visible: settingsRoot.loggedIn
                        text: settingsRoot.email
                        color: Constants.textSecondary
                        font.pixelSize: 11
                        font.family: Constants.font.family
                    }

                    Text {
                        id: membershipText
                        objectName: "membershipText"
                        width: Math.min(implicitWidth, userTextColumn.textRoom)
                        elide: Text.ElideRight
                        text: !settingsRoot.loggedIn ? "点击登录"
                                                     : settingsRoot.isVip
                                                       ? "VIP会员 · 剩余" + settingsRoot.vipDays + "天" : "免费用户"
                        color: settingsRoot.isVip ? Constants.colorVip : Constants.textSecondary
                        font.pixelSize: 12
                        font.family: Constants.font.family
                    }
                }
            }

            Text {
                id: cardArrow
                objectName: "cardArrow"
                visible: !settingsRoot.loggedIn
                anchors.right: parent.right
                anchors.rightMargin: 16
                anchors.verticalCenter: parent.verticalCenter
                text: ">"
                color: Constants.textSecondary
                font.pixelSize: 18
            }

            MouseArea {
                id: userCardMouseArea
                objectName: "userCardMouseArea"
                anchors.fill: parent
                enabled: !settingsRoot.loggedIn
                cursorShape: settingsRoot.loggedIn ? Qt.ArrowCursor : Qt.PointingHandCursor
                onClicked: {
                    console.log("📱 点击未登录，跳转到登录页面")
                    settingsRoot.loginClicked()
                }
            }
        }

        Column {
            id: rowList
            objectName: "rowList"
            width: parent.width
            spacing: 12

            SettingsRow {
                id: vipRow
                objectName: "vipRow"
                areaName: "vipUpgradeMouseArea"
                border.width: 1
                border.color: Qt.rgba(1, 215 / 255, 0, 0.3)
                icon: "👑"
                iconColor: "#000000" // a text's own default; the emoji keeps its colours
                title: settingsRoot.isVip ? "VIP会员 剩余" + settingsRoot.vipDays + "天" : "升级 VIP 会员"
                titleColor: Constants.primaryVip
                subtitle: settingsRoot.isVip ? "感谢您的支持" : "解锁所有高级功能"
                arrowColor: Constants.primaryVip
            }

            SettingsRow {
                id: appSettingsRow
                objectName: "appSettingsRow"
                areaName: "appSettingsMouseArea"
                icon: "🌐"
                title: "应用设置"
                subtitle: "语言、开机自启"
            }

            SettingsRow {
                id: myOrdersRow
                objectName: "myOrdersRow"
                areaName: "myOrdersMouseArea"
                icon: "📦"
                title: "我的订单"
                subtitle: "查看购买记录"
            }

            SettingsRow {
                id: announcementRow
                objectName: "announcementRow"
                areaName: "announcementMouseArea"
                icon: "📢"
                title: "公告系统"
                subtitle: "最新通知公告"
            }

            SettingsRow {
                id: securityRow
                objectName: "securityRow"
                areaName: "securityMouseArea"
                icon: "🛡️"
                title: "安全与隐私"
                subtitle: "隐私政策、服务条款"
            }

            SettingsRow {
                id: aboutUsRow
                objectName: "aboutUsRow"
                areaName: "aboutUsMouseArea"
                icon: "ℹ️"
                title: "关于我们"
                subtitle: "版本 v1.0.0"
            }

            Rectangle {
                id: logoutRow
                objectName: "logoutRow"
                visible: settingsRoot.loggedIn
                width: parent.width
                height: 50
                radius: 12
                color: Qt.rgba(1, 82 / 255, 82 / 255, 0.1)
                border.width: 1
                border.color: Constants.colorError

                Row {
                    anchors.centerIn: parent
                    spacing: 8

                    Text {
                        objectName: "logoutIcon"
                        anchors.verticalCenter: parent.verticalCenter
                        text: "🚪"
                        font.pixelSize: 16
                    }

                    Text {
                        id: logoutText
                        objectName: "logoutText"
                        anchors.verticalCenter: parent.verticalCenter
                        text: "退出登录"
                        color: Constants.colorError
                        font.pixelSize: 15
                        font.bold: true
                        font.family: Constants.font.family
                    }
                }

                MouseArea {
                    id: logoutMouseArea
                    objectName: "logoutMouseArea"
                    anchors.fill: parent
                    cursorShape: Qt.PointingHandCursor
                    onClicked: {
                        console.log("🔴 用户点击退出登录")
                        settingsRoot.logoutClicked()
                    }
                }
            }
        }
    }
}
