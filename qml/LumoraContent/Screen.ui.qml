import QtQuick
// The Basic style honours the free-trial button's own background and label on
// every platform; a native style would draw its own button instead.
import QtQuick.Controls.Basic
import QtQuick.Shapes
import Lumora

Rectangle {
    id: root

    property int currentMode: 1
    property bool userLoggedIn: false
    property string userEmail: ""
    property string userName: ""
    property bool userIsVip: false
    property int vipDays: 0
    property int freeMinutes: 120
    property string selectedServerName: "选择服务器"
    property string selectedServerFlag: "🌐"
    property string selectedServerCountryCode: ""
    property string selectedServerLatency: ""
    property int selectedServerId: -1
    property string selectedServerVmessLink: ""
    property bool selectedServerRequiresVip: false
    property string uploadSpeed: "0 B/s"
    property string downloadSpeed: "0 B/s"
    property real uploadBytes: 0
    property real downloadBytes: 0

    property alias loginArea: userMouseArea
    property alias announcementArea: announcementMouseArea
    property alias settingsArea: settingsMouseArea
    property alias selectServerArea: selectServerMouseArea
    property alias vipArea: vipMouseArea

    signal defaultServerNeeded(int serverId, string serverName, string serverFlag, string countryCode, string vmessLink, bool requiresVip)

    // Rounds halves away from zero: toFixed picks the larger of two equally
    // near results, which is away from zero for the magnitude.
    function roundedText(value, decimals) {
        const text = Math.abs(value).toFixed(decimals)
        return value < 0 && Number(text) !== 0 ? "-" + text : text
    }

    function formatTraffic(bytes) {
        if (bytes < 1024)
            return roundedText(bytes, 0) + " B/s"
        if (bytes < 1024 * 1024)
            return roundedText(bytes / 1024, 1) + " KB/s"
        if (bytes < 1024 * 1024 * 1024)
            return roundedText(bytes / 1024 / 1024, 2) + " MB/s"
        return roundedText(bytes / 1024 / 1024 / 1024, 2) + " GB/s"
    }

    function requestConnection() {
        const serverId = connectBtn.selectedServerId
        const link = connectBtn.vmessLink
        const requiresVip = connectBtn.serverRequiresVip
        console.log("========================================")
        console.log("🔵 [VPN连接] 处理连接请求")
        console.log("  服务器ID:", serverId)
        console.log("  服务器名称:", connectBtn.selectedServerName)
        console.log("  VMess链接:", link.length > 0 ? link.substring(0, 20) + "..." : "空")
        console.log("  需要VIP:", requiresVip)
        console.log("  用户是VIP:", userIsVip)
        console.log("========================================")

        if (typeof API === "undefined") {
            console.log("❌ API未定义")
            return
        }
        if (!API.isLoggedIn) {
            console.log("❌ 未登录，无法连接")
            return
        }
        if (serverId <= 0) {
            console.log("❌ 未选择服务器, selectedServerId:", serverId)
            return
        }
        if (link.length === 0) {
            console.log("❌ VMess链接为空，无法连接")
            console.log("  请确保选择了有效的服务器")
            return
        }

        console.log("🔍 检查VPN连接权限...")
        const code = API.checkVpnPermission(serverId, requiresVip)
        if (code !== 0) {
            const text = API.getVpnFailureReasonText(code)
            console.log("❌ 权限不足:", text, "错误码:", code)
            return
        }

        console.log("✅ 权限检查通过，开始连接VPN...")
        connectBtn.connecting = true
        if (API.connectVpn(serverId, link, requiresVip)) {
            console.log("✅ VPN连接请求已发送，等待连接结果...")
        } else {
            console.log("❌ API.connectVpn返回失败")
            connectBtn.connecting = false
        }
    }

    function requestDisconnection() {
        console.log("🔴 处理断开请求")
        API.disconnectVpn()
    }

    function selectMode(mode) {
        console.log(mode === 0 ? "切换到智能模式" : "切换到全局模式")
        currentMode = mode
        if (typeof API !== "undefined")
            API.setRoutingMode(mode)
    }

    function activateFreeTrial() {
        console.log("🎁 激活免费体验")
        API.activateFreeTrial()
    }

    width: Constants.width
    height: Constants.height

    gradient: Gradient {
        GradientStop {
            position: 0.0
            color: "#0A0E27"
        }
        GradientStop {
            position: 1.0
            color: "#050715"
        }
    }

    Component.onCompleted: {
        console.log("🔄 主界面加载，获取服务器列表")
        console.log("[DEBUG H5] Screen.onCompleted - selectedServerId:", selectedServerId,
                    "selectedServerName:", selectedServerName)
        API.getServers()
    }

    Connections {
        id: apiConnections
        objectName: "apiConnections"
        target: API

        function onServersLoaded(servers) {
            console.log("✅ 服务器列表加载成功，数量:", servers.length)
            console.log("[DEBUG H1] onServersLoaded BEFORE - selectedServerId:",
                        root.selectedServerId, "selectedServerName:", root.selectedServerName)
            if (servers.length > 0 && root.selectedServerId === -1) {
                for (let i = 0; i < servers.length; ++i) {
                    const server = servers[i]
                    if (server.canConnect !== true)
                        continue
                    const link = server.vmessLink ? server.vmessLink : ""
                    console.log("📍 需要设置默认服务器:", server.name, "ID:", server.id,
                                "vmessLink长度:", link.length)
                    root.defaultServerNeeded(server.id, server.name,
                                             server.flag ? server.flag : "🌐",
                                             server.countryCode ? server.countryCode : "",
                                             link, server.requiresVip === true)
                    break
                }
            } else if (root.selectedServerId !== -1) {
                console.log("📍 保持已选择的服务器:", root.selectedServerName, "ID:",
                            root.selectedServerId)
            }
        }

        function onServersError(message) {
            console.log("❌ 服务器列表加载失败:", message)
        }

        function onTrialActivated(user) {
            console.log("✅ 免费体验激活成功")
            console.log("  体验剩余:", user.trialHoursRemaining, "小时")
        }

        function onTrialActivationError(message) {
            console.log("❌ 免费体验激活失败:", message)
        }

        function onUserInfoChanged() {
            console.log("🔄 用户信息已更新")
            console.log("  VIP状态:", API.isVip)
            console.log("  VIP天数:", API.vipDays)
            console.log("  免费分钟:", API.freeMinutes)
        }
    }

    Column {
        id: contentColumn
        objectName: "contentColumn"
        width: root.width - 48
        anchors.centerIn: parent
        spacing: 24

        Item {
            id: topBar
            objectName: "topBar"
            width: contentColumn.width
            height: 50

            Rectangle {
                id: userInfoBox
                objectName: "userInfoBox"
                anchors.left: parent.left
                anchors.verticalCenter: parent.verticalCenter
                width: 160
                height: 44
                radius: 22
                color: userMouseArea.containsMouse ? Qt.lighter(Constants.cardColor, 1.2)
                                                   : Constants.cardColor

                Behavior on color {
                    ColorAnimation {
                        duration: 200
                    }
                }

                Row {
                    id: userInfoRow
                    objectName: "userInfoRow"

                    // What the two text lines may take: the box less its
                    // rounded ends and the avatar, so a long name or e-mail
                    // is cut short inside the box instead of widening the row.
                    readonly property real textRoom: userInfoBox.width - 2 * 12 - avatar.width - spacing

                    anchors.centerIn: parent
                    spacing: 10

                    Rectangle {
                        id: avatar
                        objectName: "avatar"
                        anchors.verticalCenter: parent.verticalCenter
                        width: 28
                        height: 28
                        radius: 14
                        color: !root.userLoggedIn ? Constants.textSecondary
                                                  : root.userIsVip ? Constants.colorVip
                                                                   : Constants.primaryFree
                        border.width: root.userIsVip ? 1.5 : 0
                        border.color: Qt.rgba(1, 215 / 255, 0, 0.6)

                        Text {
                            id: avatarLetter
                            objectName: "avatarLetter"
                            anchors.centerIn: parent
                            text: !root.userLoggedIn ? "?"
                                                     : root.userName.length > 0
                                                       ? root.userName.charAt(0).toUpperCase()
                                                       : "U"
                            font.bold: true
                            color: Constants.backgroundColor
                        }
                    }

                    Column {
                        id: userTextColumn
                        objectName: "userTextColumn"
                        anchors.verticalCenter: parent.verticalCenter

                        Row {
                            id: userNameRow
                            objectName: "userNameRow"
                            spacing: 4

                            Text {
                                id: userNameText
                                objectName: "userNameText"
                                width: Math.min(implicitWidth, userInfoRow.textRoom
                                                - (vipStar.visible ? vipStar.width + vipBadge.width
                                                                     + 2 * userNameRow.spacing : 0))
                                elide: Text.ElideRight
                                text: !root.userLoggedIn ? "未登录"
                                                         : root.userName.length > 0 ? root.userName
                                                                                    : root.userEmail
                                color: Constants.textPrimary
                                font.pixelSize: 14
                                font.bold: true
                                font.family: Constants.font.family
                            }

                            Text {
                                id: vipStar
                                objectName: "vipStar"
                                visible: root.userLoggedIn && root.userIsVip
                                text: "⭐"
                                color: Constants.colorVip
                                font.pixelSize: 12
                            }

                            Text {
                                id: vipBadge
                                objectName: "vipBadge"
                                visible: root.userLoggedIn && root.userIsVip
                                text: "VIP"
                                color: Constants.colorVip
                                font.pixelSize: 12
                                font.bold: true
                            }
                        }

                        Text {
                            id: userStatusText
                            objectName: "userStatusText"
                            width: Math.min(implicitWidth, userInfoRow.textRoom)
                            elide: Text.ElideRight
                            text: !root.userLoggedIn ? "点击登录"
                                                     : root.userIsVip ? "VIP会员" : "免费用户"
                            color: root.userIsVip ? Constants.colorVip : Constants.textSecondary
                            font.pixelSize: 10
                            font.family: Constants.font.family
                        }
                    }
                }

                MouseArea {
                    id: userMouseArea
                    objectName: "userMouseArea"
                    anchors.fill: parent
                    enabled: !root.userLoggedIn
                    hoverEnabled: true
                    cursorShape: root.userLoggedIn ? Qt.ArrowCursor : Qt.PointingHandCursor
                }
            }

            Row {
                id: iconRow
                objectName: "iconRow"
                anchors.right: parent.right
                anchors.verticalCenter: parent.verticalCenter
                spacing: 24

                Item {
                    id: announcementIcon
                    objectName: "announcementIcon"
                    width: 24
                    height: 24

                    Shape {
                        anchors.fill: parent

                        ShapePath {
                            strokeWidth: 2
                            strokeColor: Constants.textSecondary
                            fillColor: "transparent"
                            capStyle: ShapePath.RoundCap
                            joinStyle: ShapePath.RoundJoin
                            startX: 4
                            startY: 6

                            PathLine { x: 10; y: 6 }
                            PathLine { x: 16; y: 2 }
                            PathLine { x: 16; y: 22 }
                            PathLine { x: 10; y: 18 }
                            PathLine { x: 4; y: 18 }
                            PathLine { x: 4; y: 6 }
                            PathMove { x: 20; y: 8 }
                            PathQuad { x: 22; y: 12; controlX: 23; controlY: 12 }
                        }
                    }

                    MouseArea {
                        id: announcementMouseArea
                        objectName: "announcementMouseArea"
                        anchors.fill: parent
                        cursorShape: Qt.PointingHandCursor
                    }
                }

                Item {
                    id: settingsIcon
                    objectName: "settingsIcon"
                    width: 24
                    height: 24

                    Shape {
                        anchors.fill: parent

                        ShapePath {
                            strokeWidth: 2
                            strokeColor: Constants.textSecondary
                            fillColor: "transparent"
                            capStyle: ShapePath.RoundCap
                            joinStyle: ShapePath.RoundJoin
                            startX: 12
                            startY: 4

                            PathArc { x: 12; y: 20; radiusX: 8; radiusY: 8 }
                            PathArc { x: 12; y: 4; radiusX: 8; radiusY: 8 }
                            PathMove { x: 12; y: 9 }
                            PathArc { x: 12; y: 15; radiusX: 3; radiusY: 3 }
                            PathArc { x: 12; y: 9; radiusX: 3; radiusY: 3 }
                            PathMove { x: 12; y: 2 }
                            PathLine { x: 12; y: 4 }
                            PathMove { x: 12; y: 20 }
                            PathLine { x: 12; y: 22 }
                            PathMove { x: 2; y: 12 }
                            PathLine { x: 4; y: 12 }
                            PathMove { x: 20; y: 12 }
                            PathLine { x: 22; y: 12 }
                        }
                    }

                    MouseArea {
                        id: settingsMouseArea
                        objectName: "settingsMouseArea"
                        anchors.fill: parent
                        cursorShape: Qt.PointingHandCursor
                    }
                }
            }
        }

        Item {
            id: statusBox
            objectName: "statusBox"
            width: contentColumn.width
            height: 40
            visible: root.userIsVip || root.freeMinutes > 0

            Rectangle {
                id: statusRect
                objectName: "statusRect"
                anchors.centerIn: parent
                width: parent.width * 0.75
                height: 40
                radius: 8
                color: root.userIsVip ? Qt.rgba(1, 215 / 255, 0, 0.1) : Qt.rgba(0, 1, 217 / 255, 0.1)
                border.width: root.userIsVip ? 1.5 : 0
                border.color: Qt.rgba(1, 215 / 255, 0, 0.5)

                Text {
                    id: statusText
                    objectName: "statusText"
                    anchors.centerIn: parent
                    text: root.userIsVip ? "VIP " + root.vipDays + "天"
                                         : "免费体验时长剩余 " + root.freeMinutes + " 分钟"
                    color: root.userIsVip ? Constants.colorVip : Constants.primaryFree
                    font.pixelSize: 13
                    font.bold: true
                    font.family: Constants.font.family
                }
            }
        }

        Button {
            id: freeTrialButton
            objectName: "freeTrialButton"
            anchors.horizontalCenter: parent.horizontalCenter
            width: contentColumn.width * 0.75
            height: 44
            visible: !root.userIsVip && root.freeMinutes === 0 && root.userLoggedIn
            text: "🎁 激活 2 小时免费体验"

            contentItem: Text {
                id: freeTrialLabel
                objectName: "freeTrialLabel"
                text: freeTrialButton.text
                font.bold: true
                font.pixelSize: 14
                font.family: Constants.font.family
                color: "#0A0E27"
                horizontalAlignment: Text.AlignHCenter
                verticalAlignment: Text.AlignVCenter
            }

            background: Rectangle {
                id: freeTrialBackground
                objectName: "freeTrialBackground"
                radius: 10
                gradient: Gradient {
                    GradientStop {
                        position: 0.0
                        color: Constants.primaryFree
                    }
                    GradientStop {
                        position: 1.0
                        color: Qt.lighter(Constants.primaryFree, 1.2)
                    }
                }
            }

            onClicked: root.activateFreeTrial()
        }

        Item {
            id: trafficRow
            objectName: "trafficRow"
            width: contentColumn.width
            height: 80

            Row {
                id: downloadRow
                objectName: "downloadRow"
                anchors.left: parent.left
                anchors.verticalCenter: parent.verticalCenter
                spacing: 8

                Text {
                    id: downloadArrow
                    objectName: "downloadArrow"
                    anchors.verticalCenter: parent.verticalCenter
                    text: "↓"
                    color: Constants.colorSuccess
                    font.bold: true
                }

                Column {
                    anchors.verticalCenter: parent.verticalCenter

                    Text {
                        id: downloadSpeedText
                        objectName: "downloadSpeedText"
                        text: root.downloadSpeed
                        color: Constants.textPrimary
                        font.bold: true
                        font.pixelSize: 14
                    }

                    Text {
                        id: downloadCaption
                        objectName: "downloadCaption"
                        text: "下载速度"
                        color: Constants.textSecondary
                        font.pixelSize: 10
                    }
                }
            }

            Column {
                id: connectionStatusColumn
                objectName: "connectionStatusColumn"
                anchors.centerIn: parent
                spacing: 4

                Text {
                    id: connectionStatusText
                    objectName: "connectionStatusText"
                    anchors.horizontalCenter: parent.horizontalCenter
                    text: connectBtn.connected ? "已连接" : "未连接"
                    color: Constants.textPrimary
                    font.pixelSize: 24
                    font.bold: true
                    font.family: Constants.font.family
                }

                Text {
                    id: connectHintText
                    objectName: "connectHintText"
                    anchors.horizontalCenter: parent.horizontalCenter
                    visible: !connectBtn.connected
                    text: "点击连接"
                    color: Constants.textSecondary
                    font.pixelSize: 12
                }
            }

            Row {
                id: uploadRow
                objectName: "uploadRow"
                anchors.right: parent.right
                anchors.verticalCenter: parent.verticalCenter
                spacing: 8
                layoutDirection: Qt.RightToLeft

                Text {
                    id: uploadArrow
                    objectName: "uploadArrow"
                    anchors.verticalCenter: parent.verticalCenter
                    text: "↑"
                    color: Constants.accentGlow
                    font.bold: true
                }

                Column {
                    id: uploadColumn
                    anchors.verticalCenter: parent.verticalCenter

                    Text {
                        id: uploadSpeedText
                        objectName: "uploadSpeedText"
                        text: root.uploadSpeed
                        color: Constants.textPrimary
                        font.bold: true
                        font.pixelSize: 14
                    }

                    Text {
                        id: uploadCaption
                        objectName: "uploadCaption"
                        anchors.right: parent.right
                        text: "上传速度"
                        color: Constants.textSecondary
                        font.pixelSize: 10
                    }
                }
            }
        }

        Item {
            id: buttonArea
            objectName: "buttonArea"
            width: contentColumn.width
            height: 250

            ConnectButton {
                id: connectBtn
                objectName: "connectBtn"
                anchors.centerIn: parent
                selectedServerId: root.selectedServerId
                selectedServerName: root.selectedServerName
                serverRequiresVip: root.selectedServerRequiresVip
                vmessLink: root.selectedServerVmessLink
                isVip: root.userIsVip

                onConnectionRequested: root.requestConnection()
                onDisconnectionRequested: root.requestDisconnection()
            }
        }

        Rectangle {
            id: modeSelector
            objectName: "modeSelector"
            width: contentColumn.width
            height: 48
            color: Constants.cardColor
            radius: 24

            Row {
                anchors.fill: parent

                Rectangle {
                    id: smartModeHalf
                    objectName: "smartModeHalf"
                    width: parent.width / 2
                    height: parent.height
                    color: "transparent"
                    radius: 24

                    Rectangle {
                        id: smartModeIndicator
                        objectName: "smartModeIndicator"
                        anchors.fill: parent
                        anchors.margins: 4
                        radius: 20
                        color: Constants.primaryFree
                        opacity: root.currentMode === 0 ? 0.15 : 0

                        Behavior on opacity {
                            NumberAnimation {
                                duration: 200
                            }
                        }
                    }

                    Text {
                        id: smartModeLabel
                        objectName: "smartModeLabel"
                        anchors.centerIn: parent
                        text: "智能模式"
                        font.pixelSize: 14
                        font.family: Constants.font.family
                        font.bold: root.currentMode === 0
                        color: root.currentMode === 0 ? Constants.primaryFree : Constants.textSecondary
                    }

                    MouseArea {
                        id: smartModeMouseArea
                        objectName: "smartModeMouseArea"
                        anchors.fill: parent
                        cursorShape: Qt.PointingHandCursor
                        onClicked: root.selectMode(0)
                    }
                }

                Rectangle {
                    id: globalModeHalf
                    objectName: "globalModeHalf"
                    width: parent.width / 2
                    height: parent.height
                    color: "transparent"
                    radius: 24

                    Rectangle {
                        id: globalModeIndicator
                        objectName: "globalModeIndicator"
                        anchors.fill: parent
                        anchors.margins: 4
                        radius: 20
                        color: Constants.primaryFree
                        opacity: root.currentMode === 1 ? 0.15 : 0

                        Behavior on opacity {
                            NumberAnimation {
                                duration: 200
                            }
                        }
                    }

                    Text {
                        id: globalModeLabel
                        objectName: "globalModeLabel"
                        anchors.centerIn: parent
                        text: "全局模式"
                        font.pixelSize: 14
                        font.family: Constants.font.family
                        font.bold: root.currentMode === 1
                        color: root.currentMode === 1 ? Constants.primaryFree : Constants.textSecondary
                    }

                    MouseArea {
                        id: globalModeMouseArea
                        objectName: "globalModeMouseArea"
                        anchors.fill: parent
                        cursorShape: Qt.PointingHandCursor
                        onClicked: root.selectMode(1)
                    }
                }
            }
        }

        Column {
            id: cardsColumn
            objectName: "cardsColumn"
            width: contentColumn.width
            spacing: 12

            Rectangle {
                id: serverCard
                objectName: "serverCard"
                width: cardsColumn.width
                height: 64
                color: Constants.cardColor
                radius: 16

                Row {
                    anchors.left: parent.left
                    anchors.leftMargin: 20
                    anchors.verticalCenter: parent.verticalCenter
                    spacing: 16

                    Rectangle {
                        id: flagTile
                        objectName: "flagTile"
                        anchors.verticalCenter: parent.verticalCenter
                        width: 36
                        height: 36
                        radius: 6
                        color: Qt.rgba(1, 1, 1, 0.05)
                        border.width: 1
                        border.color: Qt.rgba(1, 1, 1, 0.1)

                        Image {
                            id: flagImage
                            objectName: "flagImage"
                            anchors.centerIn: parent
                            width: 28
                            height: 21
                            fillMode: Image.PreserveAspectFit
                            cache: true
                            source: root.selectedServerCountryCode.length > 0
                                    ? Qt.resolvedUrl("resources/flags/"
                                                     + root.selectedServerCountryCode.toLowerCase()
                                                     + ".png")
                                    : ""
                        }

                        Item {
                            id: flagFallback
                            objectName: "flagFallback"
                            anchors.centerIn: parent
                            width: 28
                            height: 21
                            visible: flagImage.status === Image.Error
                                     || root.selectedServerCountryCode.length === 0

                            Text {
                                id: flagFallbackText
                                objectName: "flagFallbackText"
                                anchors.centerIn: parent
                                text: root.selectedServerCountryCode.length > 0
                                      ? root.selectedServerCountryCode : "🌐"
                                font.pixelSize: root.selectedServerCountryCode.length > 0 ? 14 : 20
                                font.bold: true
                                font.family: Constants.font.family
                                color: Constants.textPrimary
                            }
                        }
                    }

                    Column {
                        anchors.verticalCenter: parent.verticalCenter
                        spacing: 2

                        Text {
                            id: serverNameText
                            objectName: "serverNameText"
                            text: root.selectedServerName
                            color: Constants.textPrimary
                            font.bold: true
                            font.pixelSize: 15
                            font.family: Constants.font.family
                        }

                        Text {
                            id: serverLatencyText
                            objectName: "serverLatencyText"
                            visible: root.selectedServerLatency.length > 0
                            text: root.selectedServerLatency
                            color: Constants.colorSuccess
                            font.pixelSize: 11
                            font.family: Constants.font.family
                        }
                    }
                }

                Text {
                    anchors.right: parent.right
                    anchors.rightMargin: 20
                    anchors.verticalCenter: parent.verticalCenter
                    text: ">"
                    color: Constants.textSecondary
                    font.pixelSize: 18
                }

                MouseArea {
                    id: selectServerMouseArea
                    objectName: "selectServerMouseArea"
                    anchors.fill: parent
                    cursorShape: Qt.PointingHandCursor
                }
            }

            Rectangle {
                id: vipCard
                objectName: "vipCard"
                width: cardsColumn.width
                height: 64
                color: Constants.cardColor
                radius: 16
                border.width: 1
                border.color: Qt.rgba(1, 215 / 255, 0, 0.3)

                Row {
                    anchors.left: parent.left
                    anchors.leftMargin: 20
                    anchors.verticalCenter: parent.verticalCenter
                    spacing: 16

                    Rectangle {
                        id: crownTile
                        objectName: "crownTile"
                        anchors.verticalCenter: parent.verticalCenter
                        width: 36
                        height: 36
                        radius: 12
                        color: Qt.rgba(1, 215 / 255, 0, 0.1)

                        Text {
                            anchors.centerIn: parent
                            text: "👑"
                        }
                    }

                    Column {
                        anchors.verticalCenter: parent.verticalCenter
                        spacing: 2

                        Text {
                            id: vipCardTitle
                            objectName: "vipCardTitle"
                            text: "升级 VIP 会员"
                            color: Constants.primaryVip
                            font.bold: true
                            font.pixelSize: 15
                            font.family: Constants.font.family
                        }

                        Text {
                            id: vipCardSubtitle
                            objectName: "vipCardSubtitle"
                            text: "解锁 4K 秒开 / 专线节点"
                            color: Constants.textSecondary
                            font.pixelSize: 11
                            font.family: Constants.font.family
                        }
                    }
                }

                Text {
                    anchors.right: parent.right
                    anchors.rightMargin: 20
                    anchors.verticalCenter: parent.verticalCenter
                    text: ">"
                    color: Constants.primaryVip
                    font.pixelSize: 18
                }

                MouseArea {
                    id: vipMouseArea
                    objectName: "vipMouseArea"
                    anchors.fill: parent
                    cursorShape: Qt.PointingHandCursor
                }
            }
        }
    }
}
