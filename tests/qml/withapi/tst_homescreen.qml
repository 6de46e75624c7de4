import QtQuick
import QtTest
import Lumora
import LumoraContent

Item {
    id: page
    width: 430
    height: 880

    Component {
        id: wrapperComponent
        ScreenWrapper {}
    }

    Component {
        id: spyComponent
        SignalSpy {}
    }

    TestCase {
        name: "HomeScreen"
        when: windowShown

        property var wrapper
        property var screen

        function init() {
            ApiSpy.reset()
            ConsoleLog.clear()
        }

        function part(name) {
            return findChild(wrapper, name)
        }

        function createHome(account, server) {
            if (account)
                for (const key in account)
                    ApiSpy.set(key, account[key])
            wrapper = createTemporaryObject(wrapperComponent, page, server ? server : {})
            screen = part("screenItem")
            ApiSpy.clear()
            ConsoleLog.clear()
            return wrapper
        }

        function lastLine() {
            const lines = ConsoleLog.lines
            return lines[lines.length - 1]
        }

        // --- creation ---

        function test_creationRequestsTheServers() {
            ApiSpy.set("isLoggedIn", true)
            wrapper = createTemporaryObject(wrapperComponent, page)
            compare(ApiSpy.calls("getServers"), [[""]])
            compare(ApiSpy.callCount("refreshUserInfo"), 1)
            verify(ConsoleLog.has("🔄 主界面加载，获取服务器列表"))
            verify(ConsoleLog.has("主界面加载，刷新用户信息"))
        }

        function test_creationLoggedOutRefreshesNothing() {
            wrapper = createTemporaryObject(wrapperComponent, page)
            compare(ApiSpy.callCount("getServers"), 1)
            compare(ApiSpy.callCount("refreshUserInfo"), 0)
        }

        // --- what the page shows ---

        function test_visibility_data() {
            return [
                { tag: "logged out", loggedIn: false, vip: false, minutes: 120, days: 0,
                  status: "免费体验时长剩余 120 分钟", trial: false, star: false,
                  name: "未登录", line2: "点击登录", letter: "?", loginEnabled: true },
                { tag: "logged out, no minutes", loggedIn: false, vip: false, minutes: 0, days: 0,
                  status: "", trial: false, star: false,
                  name: "未登录", line2: "点击登录", letter: "?", loginEnabled: true },
                { tag: "free, minutes left", loggedIn: true, vip: false, minutes: 90, days: 0,
                  status: "免费体验时长剩余 90 分钟", trial: false, star: false,
                  name: "mia", line2: "免费用户", letter: "M", loginEnabled: false },
                { tag: "free, no minutes", loggedIn: true, vip: false, minutes: 0, days: 0,
                  status: "", trial: true, star: false,
                  name: "mia", line2: "免费用户", letter: "M", loginEnabled: false },
                { tag: "vip", loggedIn: true, vip: true, minutes: 0, days: 30,
                  status: "VIP 30天", trial: false, star: true,
                  name: "mia", line2: "VIP会员", letter: "M", loginEnabled: false },
                { tag: "vip with minutes", loggedIn: true, vip: true, minutes: 45, days: 3,
                  status: "VIP 3天", trial: false, star: true,
                  name: "mia", line2: "VIP会员", letter: "M", loginEnabled: false }
            ]
        }

        function test_visibility(data) {
            createHome({ isLoggedIn: data.loggedIn, userName: data.loggedIn ? "mia" : "",
                         isVip: data.vip, freeMinutes: data.minutes, vipDays: data.days })
            compare(part("statusBox").visible, data.status !== "")
            if (data.status !== "")
                compare(part("statusText").text, data.status)
            compare(part("freeTrialButton").visible, data.trial)
            compare(part("vipStar").visible, data.star)
            compare(part("vipBadge").visible, data.star)
            compare(part("userNameText").text, data.name)
            compare(part("userStatusText").text, data.line2)
            compare(part("avatarLetter").text, data.letter)
            compare(wrapper.loginArea.enabled, data.loginEnabled)
            compare(wrapper.loginArea.cursorShape, data.loginEnabled ? Qt.PointingHandCursor : Qt.ArrowCursor)
        }

        function test_vipLook() {
            createHome({ isLoggedIn: true, userName: "mia", isVip: true, vipDays: 12, freeMinutes: 0 })
            verify(Qt.colorEqual(part("avatar").color, Constants.colorVip))
            compare(part("avatar").border.width, 1.5)
            verify(Qt.colorEqual(part("userStatusText").color, Constants.colorVip))
            verify(Qt.colorEqual(part("statusText").color, Constants.colorVip))
            compare(part("statusRect").border.width, 1.5)
            verify(part("connectBtn").isVip)
        }

        function test_freeLook() {
            createHome({ isLoggedIn: true, userName: "mia", freeMinutes: 30 })
            verify(Qt.colorEqual(part("avatar").color, Constants.primaryFree))
            compare(part("avatar").border.width, 0)
            verify(Qt.colorEqual(part("statusText").color, Constants.primaryFree))
            compare(part("statusRect").border.width, 0)
        }

        function test_userBoxHover_data() {
            return [
                { tag: "logged out reacts", loggedIn: false, lighter: true },
                { tag: "logged in does not", loggedIn: true, lighter: false }
            ]
        }

        function test_userBoxHover(data) {
            createHome({ isLoggedIn: data.loggedIn })
            const box = part("userInfoBox")
            mouseMove(box, box.width / 2, box.height / 2)
            const hovered = Qt.lighter(Constants.cardColor, 1.2)
            if (data.lighter)
                tryVerify(function () { return Qt.colorEqual(box.color, hovered) }, 1000)
            else {
                wait(300)
                verify(Qt.colorEqual(box.color, Constants.cardColor))
            }
            mouseMove(page, 5, 870)
            tryVerify(function () { return Qt.colorEqual(box.color, Constants.cardColor) }, 1000)
        }

        function test_nameFallsBackToTheEmail() {
            createHome({ isLoggedIn: true, userEmail: "mia@example.com" })
            compare(part("userNameText").text, "mia@example.com")
            compare(part("avatarLetter").text, "U")
        }

        // Whether an item lies within another, both mapped to the same place.
        function within(item, box) {
            const at = item.mapToItem(box, 0, 0)
            return at.x >= -0.5 && at.y >= -0.5 && at.x + item.width <= box.width + 0.5
                    && at.y + item.height <= box.height + 0.5
        }

        function test_longTextsStayInTheUserBox_data() {
            const longName = "Maximilian Alexander von Hohenberg-Schwarzenfels"
            const longMail = "maximilian.alexander.hohenberg@mail.subdomain.example.com"
            return [
                { tag: "long name", account: { userName: longName }, cut: true },
                { tag: "long e-mail", account: { userEmail: longMail }, cut: true },
                { tag: "long name of a VIP", account: { userName: longName, isVip: true, vipDays: 3 }, cut: true },
                { tag: "long e-mail of a VIP", account: { userEmail: longMail, isVip: true, vipDays: 3 }, cut: true },
                { tag: "short name stays whole", account: { userName: "mia" }, cut: false }
            ]
        }

        function test_longTextsStayInTheUserBox(data) {
            const account = { isLoggedIn: true }
            for (const key in data.account)
                account[key] = data.account[key]
            createHome(account)
            const box = part("userInfoBox")
            const name = part("userNameText")
            for (const item of [name, part("userStatusText"), part("avatar"), part("vipStar"), part("vipBadge")])
                verify(within(item, box), item.objectName + " runs out of the user box")
            verify(within(part("avatar"), page), "the avatar left the window")
            verify(within(box, page))
            // The row stays centred in the box.
            const row = part("userInfoRow")
            fuzzyCompare(row.x + row.width / 2, box.width / 2, 0.5)
            compare(name.truncated, data.cut)
            compare(part("userStatusText").truncated, false)
        }

        function test_userInfoChangedReassignsEverything() {
            createHome()
            compare(part("userNameText").text, "未登录")
            ApiSpy.set("isLoggedIn", true)
            ApiSpy.set("userName", "kai")
            ApiSpy.set("freeMinutes", 0)
            compare(part("userNameText").text, "kai")
            compare(part("freeTrialButton").visible, true)
            verify(ConsoleLog.has("✅ 用户信息已更新: VIP=false, VIP天数=0, 免费分钟=0"))
            API.loginStateChanged(false)
            compare(screen.userLoggedIn, false)
            compare(part("userNameText").text, "未登录")
            verify(ConsoleLog.has("登录状态变更: false"))
        }

        function test_serverCard_data() {
            return [
                { tag: "with a flag picture", code: "US", latency: "延迟: 45ms", picture: true },
                { tag: "code without a picture", code: "XK", latency: "延迟: 45ms", picture: false,
                  tile: "XK", size: 14 },
                { tag: "without a code", code: "", latency: "", picture: false, tile: "🌐", size: 20 }
            ]
        }

        function test_serverCard(data) {
            createHome(null, { selectedServerName: "东京 01", selectedServerCountryCode: data.code,
                               selectedServerLatency: data.latency })
            compare(part("serverNameText").text, "东京 01")
            compare(part("serverLatencyText").visible, data.latency !== "")
            if (data.picture) {
                tryCompare(part("flagImage"), "status", Image.Ready)
                compare(String(part("flagImage").source),
                        "qrc:/qt/qml/LumoraContent/resources/flags/us.png")
                compare(part("flagFallback").visible, false)
                return
            }
            tryCompare(part("flagFallback"), "visible", true)
            compare(part("flagFallbackText").text, data.tile)
            compare(part("flagFallbackText").font.pixelSize, data.size)
        }

        function test_connectionTexts() {
            createHome()
            compare(part("connectionStatusText").text, "未连接")
            compare(part("connectHintText").visible, true)
            API.vpnConnected()
            compare(part("connectionStatusText").text, "已连接")
            compare(part("connectHintText").visible, false)
        }

        // --- default server ---

        function test_defaultServer_data() {
            const full = { id: 7, name: "香港 02", flag: "🇭🇰", countryCode: "HK", vmessLink: "vmess://hk",
                           requiresVip: false, canConnect: true }
            return [
                { tag: "empty list", servers: [], expected: null },
                { tag: "nothing connectable",
                  servers: [{ id: 1, name: "a", canConnect: false }, { id: 2, name: "b" }], expected: null },
                { tag: "first connectable", servers: [{ id: 1, name: "a", canConnect: false }, full,
                                                      { id: 9, name: "c", canConnect: true }],
                  expected: [7, "香港 02", "🇭🇰", "HK", "vmess://hk", false] },
                { tag: "vip line first", servers: [{ id: 3, name: "VIP 01", flag: "🇯🇵", countryCode: "JP",
                                                     vmessLink: "vmess://jp", requiresVip: true, canConnect: true }],
                  expected: [3, "VIP 01", "🇯🇵", "JP", "vmess://jp", true] },
                { tag: "missing fields", servers: [{ id: 4, name: "bare", flag: "", canConnect: true }],
                  expected: [4, "bare", "🌐", "", "", false] }
            ]
        }

        function test_defaultServer(data) {
            createHome()
            const spy = createTemporaryObject(spyComponent, page,
                                              { target: wrapper, signalName: "defaultServerNeeded" })
            API.serversLoaded(data.servers)
            verify(ConsoleLog.has("✅ 服务器列表加载成功，数量: " + data.servers.length))
            if (data.expected === null) {
                compare(spy.count, 0)
                return
            }
            compare(spy.count, 1)
            compare(spy.signalArguments[0].length, 6)
            for (let i = 0; i < 6; ++i)
                compare(spy.signalArguments[0][i], data.expected[i], "argument " + i)
        }

        function test_selectedServerIsKept() {
            createHome(null, { selectedServerId: 5, selectedServerName: "新加坡 01" })
            const spy = createTemporaryObject(spyComponent, page,
                                              { target: wrapper, signalName: "defaultServerNeeded" })
            API.serversLoaded([{ id: 1, name: "a", canConnect: true }])
            compare(spy.count, 0)
            verify(ConsoleLog.has("📍 保持已选择的服务器: 新加坡 01 ID: 5"))
            API.serversError("网络错误")
            verify(ConsoleLog.has("❌ 服务器列表加载失败: 网络错误"))
            compare(part("serverNameText").text, "新加坡 01")
        }

        // --- connect requests ---

        function test_connectRefused_data() {
            const server = { selectedServerId: 5, selectedServerName: "东京 01",
                             selectedServerVmessLink: "vmess://abcdefghijklmnopqrstuvwxyz",
                             selectedServerRequiresVip: false }
            return [
                { tag: "logged out", account: { isLoggedIn: false }, server: server,
                  line: "❌ 未登录，无法连接", checked: false },
                { tag: "no server", account: { isLoggedIn: true }, server: {},
                  line: "❌ 未选择服务器, selectedServerId: -1", checked: false },
                { tag: "server id 0", account: { isLoggedIn: true },
                  server: { selectedServerId: 0, selectedServerVmessLink: "vmess://x" },
                  line: "❌ 未选择服务器, selectedServerId: 0", checked: false },
                { tag: "empty link", account: { isLoggedIn: true },
                  server: { selectedServerId: 5, selectedServerVmessLink: "" },
                  line: "  请确保选择了有效的服务器", checked: false },
                { tag: "permission refused", account: { isLoggedIn: true }, server: server, permission: 4,
                  line: "❌ 权限不足: 免费试用已到期 错误码: 4", checked: true }
            ]
        }

        function test_connectRefused(data) {
            ApiSpy.setReturn("checkVpnPermission", data.permission === undefined ? 0 : data.permission)
            ApiSpy.setReturn("getVpnFailureReasonText", "免费试用已到期")
            ApiSpy.setReturn("connectVpn", true)
            createHome(data.account, data.server)
            const button = part("connectBtn")
            const connectingSpy = createTemporaryObject(spyComponent, page,
                                                        { target: button, signalName: "connectingChanged" })
            mouseClick(button)
            compare(lastLine(), data.line)
            verify(ConsoleLog.has("🔵 [VPN连接] 处理连接请求"))
            compare(ApiSpy.callCount("checkVpnPermission"), data.checked ? 1 : 0)
            compare(ApiSpy.callCount("connectVpn"), 0)
            compare(connectingSpy.count, 0)
            compare(button.connecting, false)
            if (data.permission !== undefined)
                compare(ApiSpy.calls("getVpnFailureReasonText"), [[data.permission]])
        }

        function test_connectPasses() {
            ApiSpy.setReturn("checkVpnPermission", 0)
            ApiSpy.setReturn("connectVpn", true)
            createHome({ isLoggedIn: true, freeMinutes: 60 },
                       { selectedServerId: 5, selectedServerName: "东京 01", selectedServerRequiresVip: true,
                         selectedServerVmessLink: "vmess://abcdefghijklmnopqrstuvwxyz" })
            const button = part("connectBtn")
            mouseClick(button)
            compare(ApiSpy.calls("checkVpnPermission"), [[5, true]])
            compare(ApiSpy.calls("connectVpn"), [[5, "vmess://abcdefghijklmnopqrstuvwxyz", true]])
            compare(button.connecting, true)
            compare(lastLine(), "✅ VPN连接请求已发送，等待连接结果...")
            verify(ConsoleLog.has("  服务器ID: 5"))
            verify(ConsoleLog.has("  VMess链接: vmess://abcdefghijkl..."))
            verify(ConsoleLog.has("  需要VIP: true"))
            API.vpnConnected()
            compare(button.connected, true)
            compare(button.connecting, false)
        }

        function test_connectVpnReturningFalse() {
            ApiSpy.setReturn("checkVpnPermission", 0)
            ApiSpy.setReturn("connectVpn", false)
            createHome({ isLoggedIn: true }, { selectedServerId: 5, selectedServerVmessLink: "vmess://short" })
            const button = part("connectBtn")
            const connectingSpy = createTemporaryObject(spyComponent, page,
                                                        { target: button, signalName: "connectingChanged" })
            mouseClick(button)
            compare(ApiSpy.callCount("connectVpn"), 1)
            compare(connectingSpy.count, 2)
            compare(button.connecting, false)
            verify(ConsoleLog.has("❌ API.connectVpn返回失败"))
            verify(ConsoleLog.has("  VMess链接: vmess://short..."))
        }

        function test_disconnectRequest() {
            createHome({ isLoggedIn: true }, { selectedServerId: 5, selectedServerVmessLink: "vmess://x" })
            API.vpnConnected()
            mouseClick(part("connectBtn"))
            compare(ApiSpy.callCount("disconnectVpn"), 1)
            compare(ApiSpy.callCount("connectVpn"), 0)
            verify(ConsoleLog.has("🔴 处理断开请求"))
        }

        function test_freeTrial() {
            createHome({ isLoggedIn: true, freeMinutes: 0 })
            mouseClick(part("freeTrialButton"))
            compare(ApiSpy.callCount("activateFreeTrial"), 1)
            verify(ConsoleLog.has("🎁 激活免费体验"))
            API.trialActivated({ trialHoursRemaining: 2 })
            verify(ConsoleLog.has("  体验剩余: 2 小时"))
            API.trialActivationError("已使用过试用")
            verify(ConsoleLog.has("❌ 免费体验激活失败: 已使用过试用"))
        }

        // --- routing mode ---

        function test_routingMode() {
            createHome()
            compare(screen.currentMode, 1)
            compare(part("globalModeLabel").font.bold, true)
            mouseClick(part("smartModeHalf"))
            mouseClick(part("smartModeHalf"))
            compare(ApiSpy.calls("setRoutingMode"), [[0], [0]])
            compare(screen.currentMode, 0)
            compare(part("smartModeLabel").font.bold, true)
            compare(part("globalModeLabel").font.bold, false)
            tryCompare(part("smartModeIndicator"), "opacity", 0.15)
            tryCompare(part("globalModeIndicator"), "opacity", 0)
            verify(ConsoleLog.has("切换到智能模式"))
            mouseClick(part("globalModeHalf"))
            compare(ApiSpy.calls("setRoutingMode"), [[0], [0], [1]])
            compare(screen.currentMode, 1)
            verify(ConsoleLog.has("切换到全局模式"))
        }

        // --- speeds ---

        function test_formatTraffic_data() {
            return [
                { tag: "0", value: 0, text: "0 B/s" },
                { tag: "1023.4", value: 1023.4, text: "1023 B/s" },
                { tag: "1023.6", value: 1023.6, text: "1024 B/s" },
                { tag: "1024", value: 1024, text: "1.0 KB/s" },
                { tag: "1536", value: 1536, text: "1.5 KB/s" },
                { tag: "3000", value: 3000, text: "2.9 KB/s" },
                { tag: "1 MiB", value: 1024 * 1024, text: "1.00 MB/s" },
                { tag: "2.5 MiB", value: 2.5 * 1024 * 1024, text: "2.50 MB/s" },
                { tag: "1 GiB", value: 1024 * 1024 * 1024, text: "1.00 GB/s" }
            ]
        }

        function test_formatTraffic(data) {
            createHome()
            compare(screen.formatTraffic(data.value), data.text)
        }

        function test_speedsFromTrafficUpdates() {
            createHome()
            compare(part("uploadSpeedText").text, "0 B/s")
            API.vpnConnected()
            API.vpnTrafficUpdate(10000, 4096)
            compare(part("uploadSpeedText").text, "4.9 KB/s")
            compare(part("downloadSpeedText").text, "2.0 KB/s")
            API.vpnTrafficUpdate(16000, 4096)
            compare(part("uploadSpeedText").text, "2.9 KB/s")
            compare(part("downloadSpeedText").text, "0 B/s")
            compare(wrapper.uploadBytes, 16000)
        }

        function test_newConnectionStartsFromZero() {
            createHome()
            API.vpnConnected()
            API.vpnTrafficUpdate(5000000, 8000000)
            API.vpnDisconnected()
            compare(part("uploadSpeedText").text, "2.38 MB/s", "the texts keep their last values")
            API.vpnConnected()
            API.vpnTrafficUpdate(2048, 4096)
            compare(part("uploadSpeedText").text, "1.0 KB/s")
            compare(part("downloadSpeedText").text, "2.0 KB/s")
        }

        // --- click areas the window navigates by ---

        function test_clickAreas() {
            createHome()
            const names = ["loginArea", "announcementArea", "settingsArea", "selectServerArea", "vipArea"]
            for (const name of names) {
                const spy = createTemporaryObject(spyComponent, page,
                                                  { target: wrapper[name], signalName: "clicked" })
                mouseClick(wrapper[name])
                compare(spy.count, 1, name)
            }
        }
    }
}
