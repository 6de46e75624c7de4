import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Shapes 1.0
import Lumora

Item {
    id: connectButton

    property bool connected: false
    property bool connecting: false
    property bool isVip: false
    property string durationText: "00:00:00"
    property int selectedServerId: -1
    property string selectedServerName: "选择服务器"
    property string vmessLink: ""
    property bool serverRequiresVip: false

    signal connectionRequested
    signal disconnectionRequested

    // A running hour count: a connection of a day or more keeps counting
    // ("25:00:00") rather than wrapping like a clock, and no date or time
    // zone is involved.
    function formatDuration(seconds) {
        const total = Math.max(0, Math.floor(seconds))
        const hours = Math.floor(total / 3600)
        const minutes = Math.floor((total % 3600) / 60)
        const secs = total % 60
        return twoDigits(hours) + ":" + twoDigits(minutes) + ":" + twoDigits(secs)
    }

    function twoDigits(value) {
        return value < 10 ? "0" + value : "" + value
    }

    // The glow's pulse, 0 to 0.2 and back every 3000 ms on an InOutSine
    // curve, is stepped by a timer instead of an animation: an animation
    // redraws the whole window at the display's rate for as long as the
    // connection lasts, while a soft glow at this alpha looks the same at
    // 12.5 steps a second. Nothing is stepped while the window cannot be seen.
    readonly property int pulseHalfMs: 1500
    readonly property real pulsePeak: 0.2
    readonly property bool windowSeen: Window.visibility !== Window.Hidden
                                       && Window.visibility !== Window.Minimized
    // Where the pulse began: each new connection restarts it with its rising
    // half, from the opacity at which the last one stopped.
    property real pulseStartedAt: 0
    property real pulseFrom: 0.0

    function easeInOutSine(progress) {
        return (1 - Math.cos(Math.PI * progress)) / 2
    }

    function pulseOpacityAt(elapsedMs, from) {
        const period = 2 * pulseHalfMs
        // Only the first rise starts from where the last pulse stopped.
        const start = elapsedMs < period ? from : 0.0
        const phase = elapsedMs % period
        if (phase < pulseHalfMs)
            return start + (pulsePeak - start) * easeInOutSine(phase / pulseHalfMs)
        return pulsePeak * (1 - easeInOutSine((phase - pulseHalfMs) / pulseHalfMs))
    }

    function stepPulse() {
        let elapsed = Date.now() - pulseStartedAt
        if (elapsed < 0) {
            // The clock went back: carry on from here.
            pulseStartedAt = Date.now()
            pulseFrom = glow.opacity
            elapsed = 0
        }
        glow.opacity = pulseOpacityAt(elapsed, pulseFrom)
    }

    width: 220
    height: 220

    Behavior on scale {
        NumberAnimation {
            duration: 150
            easing.type: Easing.OutQuad
        }
    }

    onConnectingChanged: console.log("🔧 [ConnectButton] connecting状态变化:", connecting)
    onConnectedChanged: {
        console.log("🔧 [ConnectButton] connected状态变化:", connected)
        if (connected) {
            pulseFrom = glow.opacity
            pulseStartedAt = Date.now()
        }
    }
    onSelectedServerIdChanged: console.log("🔧 [ConnectButton] selectedServerId变化:", selectedServerId)
    onVmessLinkChanged: console.log("🔧 [ConnectButton] vmessLink变化, 长度:", vmessLink.length)

    Component.onCompleted: {
        console.log("========================================")
        console.log("🔧 [ConnectButton] 组件初始化完成")
        console.log("  selectedServerId:", selectedServerId)
        console.log("  selectedServerName:", selectedServerName)
        console.log("  vmessLink长度:", vmessLink.length)
        console.log("  serverRequiresVip:", serverRequiresVip)
        console.log("  connected:", connected)
        console.log("  connecting:", connecting)
        console.log("========================================")
    }

    Rectangle {
        id: glow
        objectName: "glow"
        anchors.centerIn: parent
        width: parent.width + 40
        height: parent.height + 40
        radius: width / 2
        color: connectButton.isVip ? Constants.accentGlow : Constants.primaryFree
        visible: connectButton.connected
        opacity: 0.0
    }

    Timer {
        id: pulseTimer
        objectName: "pulseTimer"
        interval: 80
        repeat: true
        running: connectButton.connected && connectButton.windowSeen
        onTriggered: connectButton.stepPulse()
    }

    Rectangle {
        id: outerRing
        objectName: "outerRing"
        anchors.fill: parent
        radius: width / 2
        gradient: Gradient {
            GradientStop {
                id: outerRingTop
                objectName: "outerRingTop"
                position: 0.0
                color: connectButton.isVip ? Constants.accentGlow : Constants.colorSuccess
            }
            GradientStop {
                id: outerRingBottom
                objectName: "outerRingBottom"
                position: 1.0
                color: connectButton.isVip ? Constants.primaryVip : Constants.primaryFree
            }
        }
    }

    Rectangle {
        id: ringMask
        objectName: "ringMask"
        anchors.centerIn: parent
        width: parent.width - 24
        height: parent.height - 24
        radius: width / 2
        gradient: Gradient {
            GradientStop {
                position: 0.0
                color: "#0A0E27"
            }
            GradientStop {
                position: 1.0
                color: "#080A1F"
            }
        }
    }

    Item {
        id: innerGroup
        objectName: "innerGroup"
        anchors.centerIn: parent
        width: 80
        height: 80

        Rectangle {
            id: innerOutline
            objectName: "innerOutline"
            anchors.fill: parent
            radius: width / 2
            color: "transparent"
            border.width: 3
            border.color: connectButton.isVip ? Constants.primaryVip : Constants.primaryFree
            opacity: 0.8
        }

        Shape {
            id: powerSymbol
            objectName: "powerSymbol"
            anchors.centerIn: parent
            width: 32
            height: 32

            ShapePath {
                id: powerSymbolPath
                objectName: "powerSymbolPath"
                strokeWidth: 3
                strokeColor: innerOutline.border.color
                fillColor: "transparent"
                capStyle: ShapePath.RoundCap

                PathAngleArc {
                    centerX: 16
                    centerY: 16
                    radiusX: 14
                    radiusY: 14
                    startAngle: -60
                    sweepAngle: 300
                }
                PathMove {
                    x: 16
                    y: 2
                }
                PathLine {
                    x: 16
                    y: 14
                }
            }
        }
    }

    Column {
        id: infoColumn
        objectName: "infoColumn"
        anchors.horizontalCenter: parent.horizontalCenter
        anchors.verticalCenter: parent.verticalCenter
        anchors.verticalCenterOffset: 60
        spacing: 4

        Text {
            id: durationCaption
            objectName: "durationCaption"
            anchors.horizontalCenter: parent.horizontalCenter
            text: "连接时长"
            color: Constants.textSecondary
            font.pixelSize: 11
            font.family: Constants.font.family
            opacity: 0.7
        }

        Text {
            id: durationLabel
            objectName: "durationLabel"
            anchors.horizontalCenter: parent.horizontalCenter
            text: connectButton.durationText
            color: Constants.textPrimary
            font.pixelSize: 18
            font.bold: true
            font.family: Constants.font.family
            style: Text.Outline
            styleColor: "#000000"
        }
    }

    MouseArea {
        id: mouseArea
        objectName: "mouseArea"
        anchors.fill: parent
        acceptedButtons: Qt.LeftButton
        hoverEnabled: true
        cursorShape: Qt.PointingHandCursor
        enabled: !connectButton.connecting

        Component.onCompleted: console.log("🔧 [ConnectButton] MouseArea初始化完成, enabled:", enabled)
        onEnabledChanged: console.log("🔧 [ConnectButton] MouseArea enabled状态变化:", enabled,
                                      "connecting:", connectButton.connecting)

        onClicked: {
            console.log("========================================")
            console.log("🖱️ [ConnectButton] 按钮被点击")
            console.log("  当前状态 - connected:", connectButton.connected, "connecting:",
                        connectButton.connecting)
            console.log("  MouseArea enabled:", enabled)
            console.log("  服务器ID:", connectButton.selectedServerId)
            console.log("  服务器名称:", connectButton.selectedServerName)
            console.log("  VMess链接长度:", connectButton.vmessLink.length)
            console.log("========================================")
            if (connectButton.connected) {
                console.log("🔴 用户点击断开VPN")
                connectButton.disconnectionRequested()
            } else {
                console.log("🔵 用户点击连接VPN，发送connectionRequested信号")
                connectButton.connectionRequested()
            }
        }
        onPressed: {
            console.log("🖱️ [ConnectButton] 按钮按下")
            connectButton.scale = 0.96
        }
        onReleased: {
            console.log("🖱️ [ConnectButton] 按钮释放")
            connectButton.scale = 1.0
        }
        onEntered: {
            console.log("🖱️ [ConnectButton] 鼠标进入按钮区域")
            connectButton.scale = 1.02
        }
        onExited: {
            console.log("🖱️ [ConnectButton] 鼠标离开按钮区域")
            connectButton.scale = 1.0
        }
    }

    BusyIndicator {
        id: busyIndicator
        objectName: "busyIndicator"
        anchors.centerIn: parent
        width: 40
        height: 40
        visible: connectButton.connecting
        running: connectButton.connecting
        // The stock indicator paints in the style's text or dark colour,
        // which vanishes on the dark centre; it takes the symbol's colour.
        palette.text: innerOutline.border.color
        palette.dark: innerOutline.border.color
    }

    Connections {
        id: apiConnections
        objectName: "apiConnections"
        target: typeof API !== "undefined" ? API : null
        ignoreUnknownSignals: true

        function onVpnConnected() {
            console.log("✅ [ConnectButton] VPN连接成功")
            connectButton.connected = true
            connectButton.connecting = false
        }

        function onVpnConnectionFailed(reasonCode, message) {
            console.log("❌ [ConnectButton] VPN连接失败:", message)
            connectButton.connected = false
            connectButton.connecting = false
        }

        function onVpnDisconnected() {
            console.log("🔴 [ConnectButton] VPN已断开")
            connectButton.connected = false
            connectButton.connecting = false
            connectButton.durationText = "00:00:00"
        }

        function onVpnForceDisconnected(message) {
            console.log("⚠️ [ConnectButton] VPN被强制断开:", message)
            connectButton.connected = false
            connectButton.connecting = false
            connectButton.durationText = "00:00:00"
        }

        function onVpnDurationChanged(seconds) {
            connectButton.durationText = connectButton.formatDuration(seconds)
        }
    }
}
