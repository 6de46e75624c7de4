import QtQuick
import QtQuick.Controls as QQC
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
    function setCurrentServer(serverId, name, flag, countryCode, latency, vmessLink, requiresVip) {
        currentServerId = serverId
        currentServerName = name
        currentServerFlag = flag
        currentServerCountryCode = countryCode
        currentServerVmessLink = vmessLink
        currentServerRequiresVip = requiresVip
        currentServerLatency = latency
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
        console.log("✅ 选中服务器:", name, serverId, "vmessLink:", vmessLink, "requiresVip:", requiresVip)
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
            messageDialog.showWarning(message)
        }
    }

    MessageDialog {
        id: messageDialog
        objectName: "messageDialog"
        parent: appWindow.contentItem
    }

    QQC.StackView {
        id: stackView
        objectName: "stackView"
        anchors.fill: parent
        initialItem: splashScreenComp

        pushEnter: Transition {
            PropertyAnimation {
                property: "opacity"
                from: 0
                to: 1
                duration: appWindow.pageFadeDuration
            }
        }
        pushExit: Transition {
            PropertyAnimation {
                property: "opacity"
                from: 1
                to: 0
                duration: appWindow.pageFadeDuration
            }
        }
        popEnter: Transition {
            PropertyAnimation {
                property: "opacity"
                from: 0
                to: 1
                duration: appWindow.pageFadeDuration
            }
        }
        popExit: Transition {
            PropertyAnimation {
                property: "opacity"
                from: 1
                to: 0
                duration: appWindow.pageFadeDuration
            }
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
                    if (!appWindow.isTop(splashPage))
                        return
                    console.log("启动画面结束，跳转到主界面")
                    stackView.replace(mainScreenComp)
                }
            }
        }
    }

    Component {
        id: mainScreenComp

        ScreenWrapper {
            id: mainScreenWrapper
            objectName: "mainScreenWrapper"

            selectedServerName: appWindow.currentServerName
            selectedServerFlag: appWindow.currentServerFlag
            selectedServerCountryCode: appWindow.currentServerCountryCode
            selectedServerLatency: appWindow.currentServerLatency
            selectedServerId: appWindow.currentServerId
            selectedServerVmessLink: appWindow.currentServerVmessLink
            selectedServerRequiresVip: appWindow.currentServerRequiresVip

            onDefaultServerNeeded: function (serverId, serverName, serverFlag, countryCode, vmessLink, requiresVip) {
                appWindow.setDefaultServer(serverId, serverName, serverFlag, countryCode, vmessLink,
                                           requiresVip)
            }

            onSelectedServerIdChanged: console.log("[DEBUG H3] 主界面selectedServerId:", selectedServerId,
                                                   "名称:", selectedServerName, "App:",
                                                   appWindow.currentServerId, appWindow.currentServerName)

            Component.onCompleted: {
                console.log("主界面加载完成")
                loginArea.clicked.connect(function () {
                    appWindow.pushFrom(mainScreenWrapper, "点击用户信息，跳转到登录界面", loginComp)
                })
                announcementArea.clicked.connect(function () {
                    appWindow.pushFrom(mainScreenWrapper, "点击公告图标，跳转到公告界面", announcementComp)
                })
                settingsArea.clicked.connect(function () {
                    appWindow.pushFrom(mainScreenWrapper, "点击设置图标，跳转到设置界面", settingsComp)
                })
                selectServerArea.clicked.connect(function () {
                    appWindow.pushFrom(mainScreenWrapper, "点击选择服务器，跳转到服务器选择界面",
                                       selectServerComp)
                })
                vipArea.clicked.connect(function () {
                    appWindow.pushFrom(mainScreenWrapper, "点击VIP区域，跳转到VIP界面", vipComp)
                })
            }
        }
    }

    Component {
        id: loginComp

        SecondaryPage {
            id: loginPage
            objectName: "loginPage"
            onBack: appWindow.popFrom(loginPage, "返回主界面")

            LoginScreenWrapper {
                id: loginScreen
                objectName: "loginScreen"
                anchors.fill: parent
                onRegisterClicked: appWindow.pushFrom(loginPage, "跳转到注册界面", registerComp)
                // Beneath the register page this is the registration's success,
                // which the register page reports itself.
                onLoginSuccess: appWindow.popFrom(loginPage, "登录成功，返回上一页")
            }
        }
    }

    Component {
        id: registerComp

        SecondaryPage {
            id: registerPage
            objectName: "registerPage"
            onBack: appWindow.popFrom(registerPage, "返回登录界面")

            RegisterScreenWrapper {
                id: registerScreen
                objectName: "registerScreen"
                anchors.fill: parent
                onLoginClicked: appWindow.popFrom(registerPage, "返回登录界面")
                onRegisterSuccess: {
                    if (!appWindow.isTop(registerPage))
                        return
                    console.log("注册成功，返回主界面")
                    // The register page and the login page beneath it.
                    stackView.pop()
                    stackView.pop()
                }
            }
        }
    }

    Component {
        id: settingsComp

        SecondaryPage {
            id: settingsPage
            objectName: "settingsPage"
            onBack: appWindow.popFrom(settingsPage, "返回主界面")

            SettingsScreenWrapper {
                id: settingsScreen
                objectName: "settingsScreen"
                anchors.fill: parent
                onMyOrdersClicked: appWindow.pushFrom(settingsPage, "跳转到我的订单", myOrdersComp)
                onAnnouncementClicked: appWindow.pushFrom(settingsPage, "跳转到公告系统", announcementComp)
                onAboutUsClicked: appWindow.pushFrom(settingsPage, "跳转到关于我们", aboutUsComp)
                onVipClicked: appWindow.pushFrom(settingsPage, "👑 从设置页面跳转到VIP界面", vipComp)
                onLoginClicked: appWindow.pushFrom(settingsPage, "📱 从设置页面跳转到登录界面", loginComp)
            }
        }
    }

    Component {
        id: myOrdersComp

        SecondaryPage {
            id: myOrdersPage
            objectName: "myOrdersPage"
            onBack: appWindow.popFrom(myOrdersPage, "返回设置界面")

            MyOrdersScreenWrapper {
                id: myOrdersScreen
                objectName: "myOrdersScreen"
                anchors.fill: parent
            }
        }
    }

    Component {
        id: selectServerComp

        SecondaryPage {
            id: selectServerPage
            objectName: "selectServerPage"
            onBack: appWindow.popFrom(selectServerPage, "返回主界面")

            SelectServerScreen {
                id: selectServerScreen
                objectName: "selectServerScreen"
                anchors.fill: parent
                selectedServerId: appWindow.currentServerId
                onServerSelected: function (name, flag, countryCode, delay, serverId, vmessLink, requiresVip) {
                    if (!appWindow.isTop(selectServerPage))
                        return
                    appWindow.chooseServer(name, flag, countryCode, delay, serverId, vmessLink,
                                           requiresVip)
                    stackView.pop()
                }
            }
        }
    }

    Component {
        id: aboutUsComp

        SecondaryPage {
            id: aboutUsPage
            objectName: "aboutUsPage"
            onBack: appWindow.popFrom(aboutUsPage, "返回设置界面")

            AboutUsScreen {
                id: aboutUsScreen
                objectName: "aboutUsScreen"
                anchors.fill: parent
            }
        }
    }

    Component {
        id: announcementComp

        SecondaryPage {
            id: announcementPage
            objectName: "announcementPage"
            onBack: appWindow.popFrom(announcementPage, "返回主界面")

            AnnouncementScreenWrapper {
                id: announcementScreen
                objectName: "announcementScreen"
                anchors.fill: parent
            }
        }
    }

    Component {
        id: vipComp

        SecondaryPage {
            id: vipPage
            objectName: "vipPage"
            onBack: {
                if (!appWindow.isTop(vipPage))
                    return
                console.log("返回主界面")
                // Leaving during a payment ends its status queries.
                if (vipScreen.isPaying && typeof API !== "undefined")
                    API.stopPollingPayment()
                stackView.pop()
            }

            VipScreen {
                id: vipScreen
                objectName: "vipScreen"
                anchors.fill: parent
            }
        }
    }
}
