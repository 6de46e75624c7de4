import QtQuick
import QtTest
import Lumora
import LumoraContent

Item {
    id: page
    width: 430
    height: 880

    AppTestCase {
        name: "App"

        // --- the window ---

        function test_windowValues() {
            createApp()
            compare(app.width, 430)
            compare(app.height, 880)
            compare(app.minimumWidth, 430)
            compare(app.maximumWidth, 430)
            compare(app.minimumHeight, 880)
            compare(app.maximumHeight, 880)
            verify(app.visible)
            compare(app.title, "Kesmar加速器")
            compare(app.appName, "Kesmar加速器")
            compare(app.maintenanceMode, false)
            compare(app.currentServerName, "选择服务器")
            compare(app.currentServerFlag, "🌐")
            compare(app.currentServerCountryCode, "")
            compare(app.currentServerLatency, "")
            compare(app.currentServerId, -1)
            compare(app.currentServerVmessLink, "")
            compare(app.currentServerRequiresVip, false)
        }

        function test_startRequestsTheConfigurationAndShowsTheSplash() {
            createApp()
            compare(ApiSpy.callCount("getSystemConfig"), 1)
            verify(ConsoleLog.has("应用启动，获取系统配置"))
            compare(pages(), ["splashPage"])
        }

        function test_splashGivesWayAfterThreeSeconds() {
            const started = Date.now()
            createApp()
            const timer = findChild(stack.currentItem, "splashTimer")
            compare(timer.interval, 3000)
            verify(timer.running)
            verify(!timer.repeat)
            tryVerify(function () { return stack.currentItem.objectName === "mainScreenWrapper" }, 10000)
            verify(Date.now() - started >= 3000, "the splash left early")
            compare(stack.depth, 1)
            verify(ConsoleLog.has("启动画面结束，跳转到主界面"))
            verify(ConsoleLog.has("主界面加载完成"))
            settle()
            compare(pages(), ["mainScreenWrapper"])
        }

        // Every opacity the item takes from now on, its present one first:
        // each step of the fade is caught, however late the test looks.
        function recordOpacity(item) {
            const values = [item.opacity]
            item.opacityChanged.connect(function () { values.push(item.opacity) })
            return values
        }

        function verifyFadedThrough(values, what) {
            verify(values.some(function (value) { return value > 0 && value < 1 }),
                   what + " took no opacity between 0 and 1: " + JSON.stringify(values))
        }

        // The shipped fade: every push and pop fades the pages' opacity over 300 ms.
        function test_pagesFadeOverThreeHundredMilliseconds() {
            createAtHome(300)
            compare(app.pageFadeDuration, 300)
            let started = Date.now()
            let leaving = recordOpacity(home())
            perform("area:settingsArea")
            const settings = stack.currentItem
            let coming = recordOpacity(settings)
            verify(stack.busy)
            settle()
            verify(Date.now() - started >= 290, "the push did not fade for 300 ms")
            verifyFadedThrough(coming, "the pushed page")
            verifyFadedThrough(leaving, "the home screen under it")
            compare(settings.opacity, 1)
            compare(home().opacity, 0)

            started = Date.now()
            coming = recordOpacity(home())
            leaving = recordOpacity(settings)
            perform("back")
            verify(stack.busy)
            settle()
            verify(Date.now() - started >= 290, "the pop did not fade for 300 ms")
            verifyFadedThrough(coming, "the home screen")
            verifyFadedThrough(leaving, "the popped page")
            compare(pages(), ["mainScreenWrapper"])
            compare(home().opacity, 1)
        }

        function test_firstFrameShowsTheSplashAlone() {
            createBare()
            const splash = part("splashPage")
            verify(splash)
            verify(splash.visible)
            compare(splash.width, 430)
            compare(splash.height, 880)
            compare(app.stackView, null)
            compare(app.messageDialog, null)
            // The same splash, with its running timer, becomes the stack's first page.
            tryVerify(function () { return app.stackView !== null })
            stack = part("stackView")
            compare(stack, app.stackView)
            compare(stack.currentItem, splash)
            compare(pages(), ["splashPage"])
            verify(app.messageDialog)
            compare(app.messageDialog.objectName, "messageDialog")
            compare(app.messageDialog.parent, app.contentItem)
            verify(findChild(splash, "splashTimer").running)
        }

        function test_splashPageGoesWithTheHandOver() {
            createApp()
            const splash = stack.currentItem
            spy.clear()
            spy.signalName = "destruction"
            spy.target = splash.Component
            findChild(splash, "splashTimer").triggered()
            settle()
            compare(pages(), ["mainScreenWrapper"])
            tryVerify(function () { return spy.count === 1 })
        }

        // A use of the stack or the message box before they are built builds
        // them at once.
        function test_earlyUsesBuildThePages_data() {
            return [
                { tag: "hand-over", warning: false },
                { tag: "forced disconnect", warning: true }
            ]
        }

        function test_earlyUsesBuildThePages(data) {
            createBare()
            compare(app.stackView, null)
            if (data.warning) {
                API.vpnForceDisconnected("服务器要求断开连接")
                const dialog = app.messageDialog
                verify(dialog)
                tryCompare(dialog, "opened", true)
                compare(dialog.messageText, "服务器要求断开连接")
            } else {
                findChild(part("splashPage"), "splashTimer").triggered()
                stack = part("stackView")
                verify(stack)
                verify(ConsoleLog.has("启动画面结束，跳转到主界面"))
                settle()
                compare(pages(), ["mainScreenWrapper"])
            }
        }

        function test_systemConfig_data() {
            return [
                { tag: "name and maintenance", config: { appName: "Nova加速器", maintenanceMode: true,
                                                          enableRegistration: true },
                  title: "Nova加速器", maintenance: true },
                { tag: "name only", config: { appName: "Deltry加速器", maintenanceMode: false,
                                               enableRegistration: false },
                  title: "Deltry加速器", maintenance: false },
                { tag: "empty name keeps the title", config: { appName: "", maintenanceMode: false },
                  title: "Kesmar加速器", maintenance: false },
                { tag: "nothing given", config: {}, title: "Kesmar加速器", maintenance: false }
            ]
        }

        function test_systemConfig(data) {
            createApp()
            app.maintenanceMode = true
            API.systemConfigLoaded(data.config)
            compare(app.title, data.title)
            compare(app.appName, data.title)
            compare(app.maintenanceMode, data.maintenance)
            verify(ConsoleLog.has("=== 系统配置已加载 ==="))
            compare(ConsoleLog.has("⚠️ 系统处于维护模式"), data.maintenance)
        }

        function test_laterConfigurationRenamesAgain() {
            createApp()
            API.systemConfigLoaded({ appName: "Nova加速器" })
            API.systemConfigLoaded({ appName: "Deltry加速器" })
            compare(app.title, "Deltry加速器")
        }

        function test_configurationErrorChangesNothing() {
            createApp()
            API.systemConfigError("网络错误")
            compare(app.title, "Kesmar加速器")
            compare(app.maintenanceMode, false)
        }

        function test_forcedDisconnectShowsTheWarning() {
            createAtHome()
            const dialog = app.messageDialog
            API.vpnForceDisconnected("您的账号在其他设备登录，已被强制下线")
            tryCompare(dialog, "opened", true)
            compare(dialog.titleText, "警告")
            compare(dialog.messageText, "您的账号在其他设备登录，已被强制下线")
            verify(ConsoleLog.has("⚠️ [App] 收到强制断开信号: 您的账号在其他设备登录，已被强制下线"))
            API.vpnForceDisconnected("服务器要求断开连接")
            compare(dialog.messageText, "服务器要求断开连接")
            compare(dialog.opened, true)
            compare(pages(), ["mainScreenWrapper"])
        }

        function test_closingDisconnects() {
            createAtHome()
            app.close()
            compare(ApiSpy.callNames(), ["disconnectVpn"])
            verify(ConsoleLog.has("窗口正在关闭，断开VPN连接..."))
            verify(!app.visible)
        }

        // --- the way back ---

        // Every page with a header draws the same arrow under the back square,
        // so the way back can be seen on each of them.
        function test_backArrowUnderTheBackSquare_data() {
            return [
                { tag: "settings", from: ["area:settingsArea"] },
                { tag: "orders", from: ["area:settingsArea", "myOrdersClicked"] },
                { tag: "announcements", from: ["area:announcementArea"] },
                { tag: "announcements from settings", from: ["area:settingsArea", "announcementClicked"] },
                { tag: "about", from: ["area:settingsArea", "aboutUsClicked"] },
                { tag: "server list", from: ["area:selectServerArea"] },
                { tag: "vip", from: ["area:vipArea"] }
            ]
        }

        function test_backArrowUnderTheBackSquare(data) {
            createAtHome()
            open(data.from)
            const top = stack.currentItem
            const glyph = findChild(screenOf(top), "backGlyph")
            verify(glyph, "no arrow")
            compare(glyph.text, "←")
            verify(Qt.colorEqual(glyph.color, "#FFFFFF"))
            compare(glyph.font.pixelSize, 24)
            verify(glyph.visible)
            const box = glyph.mapToItem(top, 0, 0, glyph.width, glyph.height)
            compare(box.x, 20)
            compare(box.y + box.height / 2, 45)
            // Inside the 50 x 50 square at (20, 20).
            verify(box.x + box.width <= 70 && box.y >= 20 && box.y + box.height <= 70,
                   JSON.stringify(box))
            // Drawn: white strokes on the page, inside the square.
            const image = grabImage(top)
            let white = 0
            for (let x = Math.floor(box.x); x < box.x + box.width; ++x)
                for (let y = Math.floor(box.y); y < box.y + box.height; ++y) {
                    const pixel = image.pixel(x, y)
                    if (pixel.r > 0.9 && pixel.g > 0.9 && pixel.b > 0.9)
                        ++white
                }
            verify(white > 10, white + " white pixels")
            // And a click on it goes back.
            mouseClick(glyph)
            settle()
            compare(pages(), ["mainScreenWrapper"].concat(data.from.length > 1 ? ["settingsPage"] : []))
        }

        // --- the selected server ---

        // Nothing of the link past the 20 characters that the connection's
        // trace shows, nor the user id inside it.
        function verifyLinkKeptOutOfTheLog(link) {
            const userId = JSON.parse(Qt.atob(link.substring(8))).id
            compare(userId.length, 36)
            for (const part of [link.substring(20, 32), userId])
                compare(ConsoleLog.lines.filter(line => line.indexOf(part) >= 0), [], part)
        }

        function test_serverChoiceIsCopiedAndPops() {
            const link = SampleVmessLink
            createAtHome()
            open(["area:selectServerArea"])
            const screen = screenOf(stack.currentItem)
            compare(screen.selectedServerId, -1)
            screen.serverSelected("东京 01", "🇯🇵", "JP", "45ms", 7, link, true)
            settle()
            compare(pages(), ["mainScreenWrapper"])
            compare(app.currentServerName, "东京 01")
            compare(app.currentServerFlag, "🇯🇵")
            compare(app.currentServerCountryCode, "JP")
            compare(app.currentServerLatency, "45ms")
            compare(app.currentServerId, 7)
            compare(app.currentServerVmessLink, link)
            compare(app.currentServerRequiresVip, true)
            // The link carries the line's credentials: the log gets its length.
            verify(ConsoleLog.has("✅ 选中服务器: 东京 01 7 vmessLink长度: " + link.length + " requiresVip: true"))
            verifyLinkKeptOutOfTheLog(link)
            const wrapper = home()
            compare(wrapper.selectedServerName, "东京 01")
            compare(wrapper.selectedServerFlag, "🇯🇵")
            compare(wrapper.selectedServerCountryCode, "JP")
            compare(wrapper.selectedServerLatency, "45ms")
            compare(wrapper.selectedServerId, 7)
            compare(wrapper.selectedServerVmessLink, link)
            compare(wrapper.selectedServerRequiresVip, true)
            // The connection gets the whole link.
            ApiSpy.set("isLoggedIn", true)
            ApiSpy.setReturn("connectVpn", true)
            mouseClick(findChild(wrapper, "connectBtn"))
            compare(ApiSpy.calls("connectVpn"), [[7, link, true]])
            verifyLinkKeptOutOfTheLog(link)
            // The list marks the chosen server when opened again.
            open(["area:selectServerArea"])
            compare(screenOf(stack.currentItem).selectedServerId, 7)
        }

        // The seven values change name first and the VIP flag last, so that
        // whoever follows the id sees the new name beside it.
        function test_currentServerValuesChangeInOrder_data() {
            return [
                { tag: "choice", choose: true, latency: "45ms" },
                { tag: "default", choose: false, latency: "延迟: 45ms" }
            ]
        }

        function test_currentServerValuesChangeInOrder(data) {
            createAtHome()
            if (data.choose)
                open(["area:selectServerArea"])
            const names = ["Name", "Flag", "CountryCode", "Latency", "Id", "VmessLink", "RequiresVip"]
            const changes = []
            let nameAtId = ""
            for (const name of names) {
                const property = "currentServer" + name
                app[property + "Changed"].connect(function () { changes.push(name) })
            }
            app.currentServerIdChanged.connect(function () { nameAtId = app.currentServerName })
            if (data.choose)
                screenOf(stack.currentItem).serverSelected("东京 01", "🇯🇵", "JP", "45ms", 7, "vmess://abc", true)
            else
                home().defaultServerNeeded(7, "东京 01", "🇯🇵", "JP", "vmess://abc", true)
            compare(changes, names)
            compare(nameAtId, "东京 01")
            compare(app.currentServerLatency, data.latency)
        }

        function test_choosingTheSameServerAgainStillCopiesAndPops() {
            createAtHome()
            home().defaultServerNeeded(3, "香港 01", "🇭🇰", "HK", "vmess://hk", false)
            open(["area:selectServerArea"])
            screenOf(stack.currentItem).serverSelected("香港 01", "🇭🇰", "HK", "45ms", 3, "vmess://hk2", false)
            settle()
            compare(pages(), ["mainScreenWrapper"])
            compare(app.currentServerLatency, "45ms")
            compare(app.currentServerVmessLink, "vmess://hk2")
        }

        function test_defaultServerOnlyWhenNoneIsSelected() {
            createAtHome()
            const wrapper = home()
            wrapper.defaultServerNeeded(3, "香港 01", "🇭🇰", "HK", "vmess://hk", false)
            compare(app.currentServerId, 3)
            compare(app.currentServerName, "香港 01")
            compare(app.currentServerFlag, "🇭🇰")
            compare(app.currentServerCountryCode, "HK")
            compare(app.currentServerVmessLink, "vmess://hk")
            compare(app.currentServerRequiresVip, false)
            compare(app.currentServerLatency, "延迟: 45ms")
            compare(wrapper.selectedServerLatency, "延迟: 45ms")
            verify(ConsoleLog.has("📍 设置默认服务器: 香港 01 3"))
            wrapper.defaultServerNeeded(4, "新加坡 01", "🇸🇬", "SG", "vmess://sg", true)
            compare(app.currentServerId, 3)
            compare(app.currentServerName, "香港 01")
            verify(ConsoleLog.has("📍 已有选中服务器，忽略默认服务器设置"))
        }

        function test_defaultServerAfterAChoiceIsIgnored() {
            createAtHome()
            open(["area:selectServerArea"])
            screenOf(stack.currentItem).serverSelected("东京 01", "🇯🇵", "JP", "45ms", 7, "vmess://abc", true)
            settle()
            home().defaultServerNeeded(3, "香港 01", "🇭🇰", "HK", "vmess://hk", false)
            compare(app.currentServerId, 7)
            compare(app.currentServerName, "东京 01")
        }

        function test_defaultWhileTheServerListIsOpen() {
            createAtHome()
            open(["area:selectServerArea"])
            const screen = screenOf(stack.currentItem)
            // The list the server page loads reaches the home screen beneath too.
            home().defaultServerNeeded(3, "香港 01", "🇭🇰", "HK", "vmess://hk", false)
            compare(screen.selectedServerId, 3)
            compare(pages(), ["mainScreenWrapper", "selectServerPage"])
        }

        function test_lateServerChoiceOfALeavingPage() {
            createAtHome()
            open(["area:selectServerArea"])
            const screen = screenOf(stack.currentItem)
            perform("back")
            screen.serverSelected("东京 01", "🇯🇵", "JP", "45ms", 7, "vmess://abc", true)
            settle()
            compare(pages(), ["mainScreenWrapper"])
            compare(app.currentServerId, -1)
        }
    }
}
