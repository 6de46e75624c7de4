import QtQuick
import Lumora

Rectangle {
    id: selectServerRoot

    property int selectedServerId: -1

    signal serverSelected(string name, string flag, string countryCode, string delay, int id, string vmessLink, bool requiresVip)

    // One server card; a VIP row is outlined in gold and locked while the
    // service says this user cannot connect to it.
    component ServerRow: Rectangle {
        id: serverRow

        required property int serverId
        required property string name
        required property string flag
        required property string countryCode
        required property bool requiresVip
        required property bool canConnect
        required property string vmessLink
        property bool vipRow: false
        // The page whose choice this row makes.
        property Item page: null

        readonly property bool selected: page !== null && page.selectedServerId === serverId
        readonly property bool locked: vipRow && !canConnect

        width: parent ? parent.width : 390
        height: 64
        radius: 12
        color: Constants.cardColor
        border.width: selected ? 2 : (vipRow ? 1 : 0)
        // Constants.primaryVip at alpha 0.2 outlines an unselected VIP row.
        border.color: selected || !vipRow ? Constants.primaryFree : Qt.rgba(1, 0xD7 / 255, 0, 0.2)

        Row {
            id: rowContent
            objectName: "rowContent"
            anchors.left: parent.left
            anchors.leftMargin: 16
            anchors.verticalCenter: parent.verticalCenter
            spacing: 16

            Item {
                id: flagBox
                objectName: "flagBox"
                width: 32
                height: 24

                Image {
                    id: flagImage
                    objectName: "flagImage"
                    anchors.fill: parent
                    fillMode: Image.PreserveAspectFit
                    smooth: true
                    mipmap: true
                    cache: true
                    source: serverRow.countryCode.length > 0
                            ? Qt.resolvedUrl("resources/flags/" + serverRow.countryCode.toLowerCase() + ".png")
                            : ""
                }

                Text {
                    id: flagFallbackText
                    objectName: "flagFallbackText"
                    anchors.fill: parent
                    visible: flagImage.status === Image.Error || serverRow.countryCode.length === 0
                    text: serverRow.countryCode.length > 0 ? serverRow.countryCode : "??"
                    horizontalAlignment: Text.AlignHCenter
                    verticalAlignment: Text.AlignVCenter
                    color: Constants.primaryFree
                    font.pixelSize: 14
                    font.bold: true
                    font.family: Constants.font.family
                }
            }

            Column {
                id: textColumn
                objectName: "textColumn"
                anchors.verticalCenter: parent.verticalCenter
                spacing: 2

                Text {
                    id: serverNameText
                    objectName: "serverNameText"
                    text: serverRow.name
                    color: serverRow.vipRow ? Constants.primaryVip : Constants.textPrimary
                    font.pixelSize: 15
                    font.bold: true
                    font.family: Constants.font.family
                }

                Text {
                    id: latencyText
                    objectName: "latencyText"
                    text: "延迟: 45ms"
                    color: Constants.colorSuccess
                    font.pixelSize: 11
                    font.family: Constants.font.family
                }
            }
        }

        Text {
            id: markText
            objectName: "markText"
            anchors.right: parent.right
            anchors.rightMargin: 20
            anchors.verticalCenter: parent.verticalCenter
            text: serverRow.locked ? "🔒" : (serverRow.selected ? "✓" : "")
            color: serverRow.locked ? Constants.textSecondary : Constants.primaryFree
            font.pixelSize: serverRow.locked ? 16 : 20
            font.bold: true
            opacity: serverRow.locked ? 0.7 : 1.0
        }

        MouseArea {
            id: rowMouseArea
            objectName: "rowMouseArea"
            anchors.fill: parent
            cursorShape: Qt.PointingHandCursor
            onClicked: {
                if (serverRow.locked) {
                    console.log("⚠️ 此服务器需要VIP权限")
                    return
                }
                console.log(serverRow.vipRow ? "📍 选择VIP服务器:" : "📍 选择免费服务器:", serverRow.name,
                            serverRow.serverId)
                // The link carries the line's credentials: the log gets its length.
                console.log("  服务器ID:", serverRow.serverId, "名称:", serverRow.name, "vmessLink长度:",
                            serverRow.vmessLink.length)
                serverRow.page.selectedServerId = serverRow.serverId
                serverRow.page.serverSelected(serverRow.name, serverRow.flag, serverRow.countryCode,
                                              "45ms", serverRow.serverId, serverRow.vmessLink,
                                              serverRow.requiresVip)
            }
        }
    }

    width: Constants.width
    height: Constants.height
    color: Constants.backgroundColor

    Component.onCompleted: {
        console.log("🔄 开始加载服务器列表")
        API.getServers()
    }

    Connections {
        id: apiConnections
        objectName: "apiConnections"
        target: API

        function onServersLoaded(servers) {
            console.log("✅ 服务器列表加载成功，数量:", servers.length)
            freeServersModel.clear()
            vipServersModel.clear()
            for (let i = 0; i < servers.length; ++i) {
                const server = servers[i]
                const row = {
                    "serverId": server.id,
                    "name": server.name,
                    "flag": server.flag ? server.flag : "🌐",
                    "countryCode": server.countryCode ? server.countryCode : "",
                    "requiresVip": server.requiresVip,
                    "canConnect": server.canConnect,
                    "vmessLink": server.vmessLink ? server.vmessLink : ""
                }
                console.log("  [" + i + "]", server.name, "tier:", server.tier)
                if (server.tier === "free" || server.requiresVip !== true)
                    freeServersModel.append(row)
                else
                    vipServersModel.append(row)
            }
            console.log("服务器列表已更新，selectedServerId:", selectServerRoot.selectedServerId)
        }

        function onServersError(message) {
            console.log("❌ 服务器列表加载失败:", message)
        }
    }

    ListModel {
        id: freeServersModel
        objectName: "freeServersModel"
    }

    ListModel {
        id: vipServersModel
        objectName: "vipServersModel"
    }

    // A long list scrolls under the header, which stays; a list that fits
    // neither moves nor scrolls.
    Flickable {
        id: listFlickable
        objectName: "listFlickable"
        x: 0
        y: header.y + header.height
        width: parent.width
        height: parent.height - y
        clip: true
        contentWidth: width
        contentHeight: listColumn.y + listColumn.height + 16
        flickableDirection: Flickable.VerticalFlick
        interactive: listColumn.y + listColumn.height > height

        Column {
            id: listColumn
            objectName: "listColumn"
            x: 20
            y: 16
            width: listFlickable.width - 40
            spacing: 20

            Column {
                id: freeGroup
                objectName: "freeGroup"
                width: parent.width
                spacing: 8
                visible: freeServersModel.count > 0

                Text {
                    id: freeCaption
                    objectName: "freeCaption"
                    leftPadding: 4
                    text: "免费线路 (Free)"
                    color: Constants.textSecondary
                    font.pixelSize: 12
                    font.bold: true
                    font.family: Constants.font.family
                }

                Repeater {
                    id: freeServersRepeater
                    objectName: "freeServersRepeater"
                    model: freeServersModel

                    delegate: ServerRow {
                        vipRow: false
                        page: selectServerRoot
                    }
                }
            }

            Column {
                id: vipGroup
                objectName: "vipGroup"
                width: parent.width
                spacing: 8
                visible: vipServersModel.count > 0

                Text {
                    id: vipCaption
                    objectName: "vipCaption"
                    leftPadding: 4
                    text: "VIP 专线 (Premium)"
                    color: Constants.primaryVip
                    font.pixelSize: 12
                    font.bold: true
                    font.family: Constants.font.family
                }

                Repeater {
                    id: vipServersRepeater
                    objectName: "vipServersRepeater"
                    model: vipServersModel

                    delegate: ServerRow {
                        vipRow: true
                        page: selectServerRoot
                    }
                }
            }

            Text {
                id: waitingText
                objectName: "waitingText"
                anchors.horizontalCenter: parent.horizontalCenter
                visible: freeServersModel.count === 0 && vipServersModel.count === 0
                text: "正在加载服务器列表..."
                color: Constants.textSecondary
                font.pixelSize: 14
                font.family: Constants.font.family
            }
        }
    }

    PageHeader {
        id: header
        anchors.horizontalCenter: parent.horizontalCenter
        y: 20
        width: parent.width - 40
        title: "选择服务器"
    }
}
