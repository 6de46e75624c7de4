import QtQuick
import QtTest
import Lumora
import LumoraContent

Item {
    id: page
    width: 430
    height: 880

    Component {
        id: buttonComponent
        ConnectButton {
            x: 105
            y: 300
        }
    }

    Component {
        id: spyComponent
        SignalSpy {}
    }

    Component {
        id: windowComponent
        Window {
            width: 240
            height: 240
            visible: true

            property alias button: windowButton

            ConnectButton {
                id: windowButton
            }
        }
    }

    TestCase {
        name: "ConnectButton"
        when: windowShown

        property var button
        property var connectSpy
        property var disconnectSpy

        function init() {
            ConsoleLog.clear()
            button = createTemporaryObject(buttonComponent, page)
            connectSpy = createTemporaryObject(spyComponent, page,
                                               { target: button, signalName: "connectionRequested" })
            disconnectSpy = createTemporaryObject(spyComponent, page,
                                                  { target: button, signalName: "disconnectionRequested" })
        }

        function part(name) {
            return findChild(button, name)
        }

        function test_startsIdle() {
            compare(button.width, 220)
            compare(button.height, 220)
            compare(button.connected, false)
            compare(button.connecting, false)
            compare(button.durationText, "00:00:00")
            compare(part("durationLabel").text, "00:00:00")
            compare(part("durationCaption").text, "连接时长")
            compare(part("glow").visible, false)
            compare(part("busyIndicator").visible, false)
            compare(part("mouseArea").enabled, true)
            verify(ConsoleLog.has("🔧 [ConnectButton] 组件初始化完成"))
            verify(ConsoleLog.has("🔧 [ConnectButton] MouseArea初始化完成, enabled: true"))
        }

        function test_states_data() {
            return [
                { tag: "idle", connected: false, connecting: false, glow: false, busy: false, enabled: true },
                { tag: "connecting", connected: false, connecting: true, glow: false, busy: true, enabled: false },
                { tag: "connected", connected: true, connecting: false, glow: true, busy: false, enabled: true }
            ]
        }

        function test_states(data) {
            button.connected = data.connected
            button.connecting = data.connecting
            compare(part("glow").visible, data.glow)
            compare(part("busyIndicator").visible, data.busy)
            compare(part("busyIndicator").running, data.busy)
            compare(part("mouseArea").enabled, data.enabled)
        }

        function test_click_data() {
            return [
                { tag: "idle asks to connect", connected: false, connecting: false, connect: 1, disconnect: 0,
                  line: "🔵 用户点击连接VPN，发送connectionRequested信号" },
                { tag: "connected asks to disconnect", connected: true, connecting: false, connect: 0, disconnect: 1,
                  line: "🔴 用户点击断开VPN" },
                { tag: "connecting ignores the click", connected: false, connecting: true, connect: 0, disconnect: 0,
                  line: "" }
            ]
        }

        function test_click(data) {
            button.connected = data.connected
            button.connecting = data.connecting
            ConsoleLog.clear()
            mouseClick(button)
            compare(connectSpy.count, data.connect)
            compare(disconnectSpy.count, data.disconnect)
            compare(button.connected, data.connected, "a click changed the state")
            compare(button.connecting, data.connecting, "a click changed the state")
            if (data.line !== "") {
                verify(ConsoleLog.has("🖱️ [ConnectButton] 按钮被点击"))
                verify(ConsoleLog.has("  当前状态 - connected: " + data.connected + " connecting: false"))
                verify(ConsoleLog.has(data.line))
            } else {
                verify(!ConsoleLog.has("🖱️ [ConnectButton] 按钮被点击"))
            }
        }

        function test_clickInACornerOutsideTheRing() {
            mouseClick(button, 3, 3)
            compare(connectSpy.count, 1)
        }

        function test_pressFeedback() {
            mouseMove(button, 110, 110)
            tryCompare(button, "scale", 1.02)
            mousePress(button, 110, 110)
            tryCompare(button, "scale", 0.96)
            mouseRelease(button, 110, 110)
            tryCompare(button, "scale", 1.0)
            mouseMove(page, 5, 5)
            tryCompare(button, "scale", 1.0)
            verify(ConsoleLog.has("🖱️ [ConnectButton] 鼠标进入按钮区域"))
            verify(ConsoleLog.has("🖱️ [ConnectButton] 按钮按下"))
            verify(ConsoleLog.has("🖱️ [ConnectButton] 按钮释放"))
            verify(ConsoleLog.has("🖱️ [ConnectButton] 鼠标离开按钮区域"))
        }

        function test_connectingIgnoresHoverAndPress() {
            button.connecting = true
            mouseMove(button, 110, 110)
            mousePress(button, 110, 110)
            wait(200)
            compare(button.scale, 1.0)
            mouseRelease(button, 110, 110)
            compare(connectSpy.count, 0)
        }

        function test_outcome_data() {
            return [
                { tag: "connecting, then connected", connecting: true, emit: function () { API.vpnConnected() },
                  connected: true, duration: "00:12:00", line: "✅ [ConnectButton] VPN连接成功" },
                { tag: "connecting, then failed", connecting: true,
                  emit: function () { API.vpnConnectionFailed(10, "网络连接失败") },
                  connected: false, duration: "00:12:00", line: "❌ [ConnectButton] VPN连接失败: 网络连接失败" },
                { tag: "connected, then failed keeps the duration", connected0: true,
                  emit: function () { API.vpnConnectionFailed(11, "服务器错误") },
                  connected: false, duration: "00:12:00", line: "❌ [ConnectButton] VPN连接失败: 服务器错误" },
                { tag: "connected, then disconnected", connected0: true, emit: function () { API.vpnDisconnected() },
                  connected: false, duration: "00:00:00", line: "🔴 [ConnectButton] VPN已断开" },
                { tag: "connecting, then disconnected", connecting: true, emit: function () { API.vpnDisconnected() },
                  connected: false, duration: "00:00:00", line: "🔴 [ConnectButton] VPN已断开" },
                { tag: "forced disconnect", connected0: true,
                  emit: function () {
                      API.vpnDisconnected()
                      API.vpnForceDisconnected("您的账号在其他设备登录，已被强制下线")
                      API.vpnConnectionFailed(9, "您的账号在其他设备登录，已被强制下线")
                  },
                  connected: false, duration: "00:00:00",
                  line: "⚠️ [ConnectButton] VPN被强制断开: 您的账号在其他设备登录，已被强制下线" },
                { tag: "idle, then connected", emit: function () { API.vpnConnected() },
                  connected: true, duration: "00:12:00", line: "✅ [ConnectButton] VPN连接成功" }
            ]
        }

        function test_outcome(data) {
            button.connected = data.connected0 === true
            button.connecting = data.connecting === true
            API.vpnDurationChanged(720)
            data.emit()
            compare(button.connected, data.connected)
            compare(button.connecting, false)
            compare(button.durationText, data.duration)
            compare(part("glow").visible, data.connected)
            verify(ConsoleLog.has(data.line), data.line)
        }

        function test_duration_data() {
            return [
                { tag: "0", seconds: 0, text: "00:00:00" },
                { tag: "59", seconds: 59, text: "00:00:59" },
                { tag: "61", seconds: 61, text: "00:01:01" },
                { tag: "3600", seconds: 3600, text: "01:00:00" },
                { tag: "3h 2m 5s", seconds: 3 * 3600 + 2 * 60 + 5, text: "03:02:05" },
                { tag: "just under a day", seconds: 86399, text: "23:59:59" },
                { tag: "a day", seconds: 86400, text: "24:00:00" },
                { tag: "25 hours", seconds: 90000, text: "25:00:00" },
                { tag: "100 hours", seconds: 360000, text: "100:00:00" }
            ]
        }

        function test_duration(data) {
            API.vpnDurationChanged(data.seconds)
            compare(button.durationText, data.text)
            compare(part("durationLabel").text, data.text)
            compare(button.connected, false, "a duration changed the state")
        }

        function test_pulseRunsWhileConnected() {
            const glow = part("glow")
            API.vpnConnected()
            tryVerify(function () { return glow.opacity > 0.05 }, 2000)
            button.isVip = true
            verify(Qt.colorEqual(glow.color, Constants.accentGlow))
            verify(glow.opacity > 0, "the pulse restarted on a colour change")
            API.vpnDisconnected()
            compare(glow.visible, false)
        }

        // The glow's pulse as the user should see it: 0 to 0.2 and back on an
        // InOutSine curve every 3000 ms; a new connection first rises from
        // the opacity at which the last pulse stopped.
        function expectedPulse(elapsed, from) {
            const ease = function (p) { return (1 - Math.cos(Math.PI * p)) / 2 }
            const phase = elapsed % 3000
            const start = elapsed < 3000 ? from : 0
            return phase < 1500 ? start + (0.2 - start) * ease(phase / 1500)
                                : 0.2 * (1 - ease((phase - 1500) / 1500))
        }

        function test_pulseCurve_data() {
            return [
                { tag: "start", elapsed: 0, from: 0, opacity: 0 },
                { tag: "a quarter of the rise", elapsed: 375, from: 0, opacity: 0.2 * (1 - Math.SQRT1_2) / 2 },
                { tag: "half way up", elapsed: 750, from: 0, opacity: 0.1 },
                { tag: "top", elapsed: 1500, from: 0, opacity: 0.2 },
                { tag: "half way down", elapsed: 2250, from: 0, opacity: 0.1 },
                { tag: "end of the period", elapsed: 3000, from: 0, opacity: 0 },
                { tag: "second period, top", elapsed: 4500, from: 0, opacity: 0.2 },
                { tag: "restart from 0.15", elapsed: 0, from: 0.15, opacity: 0.15 },
                { tag: "restart, half way up", elapsed: 750, from: 0.15, opacity: 0.175 },
                { tag: "restart, top", elapsed: 1500, from: 0.15, opacity: 0.2 },
                { tag: "restart, second rise from 0", elapsed: 3750, from: 0.15, opacity: 0.1 }
            ]
        }

        function test_pulseCurve(data) {
            fuzzyCompare(button.pulseOpacityAt(data.elapsed, data.from), data.opacity, 1e-9)
        }

        // Every opacity the glow takes from now on, with when it took it.
        function recordGlow() {
            const glow = part("glow")
            const record = { started: Date.now(), samples: [] }
            glow.opacityChanged.connect(function () {
                record.samples.push({ at: Date.now() - record.started, opacity: glow.opacity })
            })
            return record
        }

        function lastAt(record) {
            return record.samples.length > 0 ? record.samples[record.samples.length - 1].at : 0
        }

        function verifyFollowsCurve(record, from) {
            for (const sample of record.samples)
                verify(Math.abs(sample.opacity - expectedPulse(sample.at, from)) < 0.01,
                       "at " + sample.at + " ms the glow is " + sample.opacity + ", not "
                       + expectedPulse(sample.at, from))
        }

        function test_pulseFollowsTheCurveInSteps() {
            const record = recordGlow()
            API.vpnConnected()
            tryVerify(function () { return lastAt(record) > 3300 }, 15000)
            verifyFollowsCurve(record, 0)
            const values = record.samples.map(function (sample) { return sample.opacity })
            verify(Math.max.apply(null, values) > 0.19, "the glow never reached its top")
            const firstPeriod = record.samples.filter(function (sample) { return sample.at < 3000 })
            // Stepped, not redrawn at the display's rate: at most 15 steps a second.
            verify(firstPeriod.length <= 3 * 15 + 1, firstPeriod.length + " steps in one period")
            verify(firstPeriod.length >= 5, "only " + firstPeriod.length + " steps in one period")
        }

        function test_pulseRestartsFromWhereItStopped() {
            const glow = part("glow")
            API.vpnConnected()
            tryVerify(function () { return glow.opacity > 0.1 }, 5000)
            API.vpnDisconnected()
            compare(glow.visible, false)
            const stoppedAt = glow.opacity
            compare(part("pulseTimer").running, false)
            const record = recordGlow()
            API.vpnConnected()
            tryVerify(function () { return lastAt(record) > 1700 }, 15000)
            verifyFollowsCurve(record, stoppedAt)
            const rise = record.samples.filter(function (sample) { return sample.at < 1500 })
            for (const sample of rise)
                verify(sample.opacity >= stoppedAt - 1e-9, "the restart fell back below " + stoppedAt)
        }

        function test_pulseStopsWhileTheWindowCannotBeSeen_data() {
            return [
                { tag: "hidden", away: function (window) { window.hide() } },
                { tag: "minimised", away: function (window) { window.showMinimized() } }
            ]
        }

        function test_pulseStopsWhileTheWindowCannotBeSeen(data) {
            const window = createTemporaryObject(windowComponent, page)
            const timer = findChild(window.button, "pulseTimer")
            const glow = findChild(window.button, "glow")
            waitForRendering(window.contentItem)
            compare(timer.running, false, "stepping while idle")
            API.vpnConnected()
            compare(timer.running, true)
            tryVerify(function () { return glow.opacity > 0.02 }, 5000)
            data.away(window)
            tryCompare(timer, "running", false)
            const heldAt = glow.opacity
            window.showNormal()
            tryCompare(timer, "running", true)
            tryVerify(function () { return glow.opacity !== heldAt }, 5000)
            // Disconnected while nobody looks: nothing is stepped either.
            window.hide()
            API.vpnDisconnected()
            window.showNormal()
            compare(timer.running, false)
        }

        function test_colours_data() {
            return [
                { tag: "free", vip: false, glow: Constants.primaryFree, top: Constants.colorSuccess,
                  bottom: Constants.primaryFree, outline: Constants.primaryFree },
                { tag: "vip", vip: true, glow: Constants.accentGlow, top: Constants.accentGlow,
                  bottom: Constants.primaryVip, outline: Constants.primaryVip }
            ]
        }

        function test_colours(data) {
            button.isVip = data.vip
            verify(Qt.colorEqual(part("glow").color, data.glow))
            verify(Qt.colorEqual(part("outerRing").gradient.stops[0].color, data.top))
            verify(Qt.colorEqual(part("outerRing").gradient.stops[1].color, data.bottom))
            verify(Qt.colorEqual(part("innerOutline").border.color, data.outline))
            verify(Qt.colorEqual(part("powerSymbolPath").strokeColor, data.outline))
        }

        // Pixels of the 40 x 40 square under the busy indicator: how many
        // show the given colour, and how many are darker than the dark centre.
        function centreCounts(image, colour) {
            const counts = { main: 0, darker: 0 }
            const r = Math.round(colour.r * 255), g = Math.round(colour.g * 255), b = Math.round(colour.b * 255)
            for (let y = 90; y < 130; ++y) {
                for (let x = 90; x < 130; ++x) {
                    const pr = image.red(x, y), pg = image.green(x, y), pb = image.blue(x, y)
                    if (Math.abs(pr - r) + Math.abs(pg - g) + Math.abs(pb - b) < 60)
                        ++counts.main
                    if (pr + pg + pb < 40)
                        ++counts.darker
                }
            }
            return counts
        }

        function test_busyIndicatorShowsInTheMainColour_data() {
            return [
                { tag: "free", vip: false, colour: Constants.primaryFree },
                { tag: "vip", vip: true, colour: Constants.primaryVip }
            ]
        }

        function test_busyIndicatorShowsInTheMainColour(data) {
            button.isVip = data.vip
            waitForRendering(button)
            const idle = centreCounts(grabImage(button), data.colour)
            button.connecting = true
            const indicator = part("busyIndicator")
            // Past the style's fade-in, so the arc is drawn at full strength.
            tryVerify(function () { return indicator.contentItem.opacity === 1 }, 5000)
            waitForRendering(button)
            const busy = centreCounts(grabImage(button), data.colour)
            verify(busy.darker === 0, busy.darker + " pixels darker than the centre: the arc erases the symbol")
            verify(busy.main > idle.main + 50,
                   "the spinner does not show: " + busy.main + " pixels in the main colour, idle " + idle.main)
        }

        function test_propertyChangesAreLogged() {
            button.selectedServerId = 7
            button.vmessLink = "vmess://abc"
            button.connecting = true
            verify(ConsoleLog.has("🔧 [ConnectButton] selectedServerId变化: 7"))
            verify(ConsoleLog.has("🔧 [ConnectButton] vmessLink变化, 长度: 11"))
            verify(ConsoleLog.has("🔧 [ConnectButton] connecting状态变化: true"))
            verify(ConsoleLog.has("🔧 [ConnectButton] MouseArea enabled状态变化: false connecting: true"))
        }
    }
}
