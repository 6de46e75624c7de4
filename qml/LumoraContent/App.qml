import QtQuick
import Lumora
import LumoraContent

Window {
    id: appWindow

    property string appName: "Kesmar加速器"
    property bool maintenanceMode: false

    // The selected server, shown and used by the home screen and marked on
    // the server list; not kept across runs.
    property string currentServerName: "选择服务器"
    property string currentServerFlag: "🌐"
    property string currentServerCountryCode: ""
    property string currentServerLatency: ""
    property int currentServerId: -1
    property string currentServerVmessLink: ""
    property bool currentServerRequiresVip: false

    // How long a page fades in or out when pushed or popped.
    property int pageFadeDuration: 300

    // The first frame shows the splash page alone. The page stack with every
    // other page, and the window's message box, are built behind it while the
    // splash runs (PageStack.qml); until then these are null.
    readonly property Item stackView: pageBuild.stack
    readonly property var messageDialog: pageBuild.stack ? pageBuild.stack.messageDialog : null

    function pageStackProperties() {
        return { "appWindow": appWindow, "initialItem": pageBuild.splash }
    }

    // Compiles the stack's file off the GUI thread, then creates it in slices
    // between frames.
    function startBuildingPages() {
        if (pageBuild.component || pageBuild.stack)
            return
        pageBuild.component = Qt.createComponent("PageStack.qml", Component.Asynchronous)
        if (pageBuild.component.status === Component.Loading)
            pageBuild.component.statusChanged.connect(incubatePages)
        else
            incubatePages()
    }

    function incubatePages() {
        if (pageBuild.stack || pageBuild.incubator || pageBuild.component.status === Component.Loading)
            return
        if (pageBuild.component.status !== Component.Ready) {
            console.error(pageBuild.component.errorString())
            return
        }
        const incubator = pageBuild.component.incubateObject(contentItem, pageStackProperties(),
                                                             Qt.Asynchronous)
        pageBuild.incubator = incubator
        if (incubator.status === Component.Ready) {
            pagesBuilt(incubator.object)
            return
        }
        incubator.onStatusChanged = function (status) {
            if (status === Component.Ready)
                pagesBuilt(incubator.object)
        }
    }

    function pagesBuilt(stack) {
        if (!pageBuild.stack)
            pageBuild.stack = stack
        pageBuild.incubator = null
    }

    // Builds the page stack now, for a use that cannot wait.
    function buildPages() {
        if (pageBuild.stack)
            return
        if (pageBuild.incubator) {
            const incubator = pageBuild.incubator
            incubator.forceCompletion()
            if (incubator.status === Component.Ready)
                pagesBuilt(incubator.object)
            return
        }
        const component = Qt.createComponent("PageStack.qml")
        if (component.status !== Component.Ready) {
            console.error(component.errorString())
            return
        }
        pagesBuilt(component.createObject(contentItem, pageStackProperties()))
    }

    function showWarning(message) {
        buildPages()
        messageDialog.showWarning(message)
    }

    // A page moves the stack only while it is the top page. A page that is
    // leaving still hears its signals through the fade-out, and a late one
    // must not take away a page the user has opened since.
    function isTop(page) {
        return stackView.currentItem === page
    }

    function pushFrom(page, line, component) {
        if (!isTop(page))
            return
        console.log(line)
        stackView.push(component)
    }

    function popFrom(page, line) {
        if (!isTop(page))
            return
        console.log(line)
        stackView.pop()
    }

    // The default and the user's choice set the same seven values.
    // The name goes first and the id after the latency, so that no trace
    // line shows the new id beside the old name.
    function setCurrentServer(serverId, name, flag, countryCode, latency, vmessLink, requiresVip) {
        currentServerName = name
        currentServerFlag = flag
        currentServerCountryCode = countryCode
        currentServerLatency = latency
        currentServerId = serverId
        currentServerVmessLink = vmessLink
        currentServerRequiresVip = requiresVip
    }

    function setDefaultServer(serverId, serverName, serverFlag, countryCode, vmessLink, requiresVip) {
        console.log("[DEBUG H2] 收到defaultServerNeeded:", serverName, serverId, "vmessLink长度:",
                    vmessLink.length, "当前:", currentServerId, currentServerName)
        if (currentServerId !== -1) {
            console.log("📍 已有选中服务器，忽略默认服务器设置")
            return
        }
        console.log("📍 设置默认服务器:", serverName, serverId)
        setCurrentServer(serverId, serverName, serverFlag, countryCode, "延迟: 45ms", vmessLink, requiresVip)
        console.log("[DEBUG H2] 默认服务器已设置:", currentServerId, currentServerName)
    }

    function chooseServer(name, flag, countryCode, delay, serverId, vmessLink, requiresVip) {
        // The link carries the line's credentials: the log gets its length.
        console.log("✅ 选中服务器:", name, serverId, "vmessLink长度:", vmessLink.length, "requiresVip:",
                    requiresVip)
        console.log("[DEBUG H7] 选择前:", currentServerId, currentServerName)
        setCurrentServer(serverId, name, flag, countryCode, delay, vmessLink, requiresVip)
        console.log("[DEBUG H7] 选择后:", currentServerId, currentServerName)
    }

    width: Constants.width
    height: Constants.height
    minimumWidth: Constants.width
    maximumWidth: Constants.width
    minimumHeight: Constants.height
    maximumHeight: Constants.height
    visible: true
    title: "Kesmar加速器"

    Component.onCompleted: {
        // Drawn at once, and handed to the stack once that exists.
        pageBuild.splash = splashScreenComp.createObject(contentItem)
        if (typeof API === "undefined")
            return
        console.log("应用启动，获取系统配置")
        API.getSystemConfig()
    }

    // The disconnect runs to its end before the window goes; the close is
    // never refused.
    onClosing: function (close) {
        console.log("窗口正在关闭，断开VPN连接...")
        if (typeof API !== "undefined")
            API.disconnectVpn()
    }

    Connections {
        id: apiConnections
        objectName: "apiConnections"
        target: typeof API !== "undefined" ? API : null
        ignoreUnknownSignals: true

        function onSystemConfigLoaded(config) {
            const values = config ? config : {}
            console.log("=== 系统配置已加载 ===")
            console.log("  应用名称:", values.appName)
            console.log("  维护模式:", values.maintenanceMode)
            console.log("  启用注册:", values.enableRegistration)
            if (typeof values.appName === "string" && values.appName !== "") {
                appWindow.appName = values.appName
                appWindow.title = values.appName
            }
            appWindow.maintenanceMode = values.maintenanceMode === true
            if (appWindow.maintenanceMode)
                console.warn("⚠️ 系统处于维护模式")
        }

        function onVpnForceDisconnected(message) {
            console.log("⚠️ [App] 收到强制断开信号:", message)
            appWindow.showWarning(message)
        }
    }

    Component {
        id: splashScreenComp

        SplashScreen {
            id: splashPage
            objectName: "splashPage"

            Timer {
                id: splashTimer
                objectName: "splashTimer"
                interval: 3000
                running: true
                repeat: false
                onTriggered: {
                    appWindow.buildPages()
                    if (!appWindow.isTop(splashPage))
                        return
                    console.log("启动画面结束，跳转到主界面")
                    stackView.showHome()
                }
            }
        }
    }

    // The first frame is on its way: the stack starts after it, so that none
    // of its cost comes before. Heard only until the build has begun, not at
    // every later frame.
    Connections {
        target: appWindow
        enabled: !pageBuild.component && !pageBuild.stack

        function onAfterAnimating() {
            Qt.callLater(appWindow.startBuildingPages)
        }
    }

    QtObject {
        id: pageBuild

        property Item splash: null
        property Component component: null
        property var incubator: null
        property Item stack: null
    }
}
