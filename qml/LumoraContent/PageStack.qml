import QtQuick
// The one Controls style of the program: the message box and the home screen
// draw with it too, and the stack's own slide from the splash is its default.
import QtQuick.Controls.Basic
import Lumora
import LumoraContent

// The window's page stack, the pages it pushes and the window's message box:
// everything of App that the first frame does not show. App builds it behind
// the first frame and hands it the splash page as its first item.
StackView {
    id: stackView
    objectName: "stackView"

    // The window the pages belong to: its selected server, its page moves.
    required property App appWindow
    readonly property alias messageDialog: messageDialog

    // The splash page, which the window made, once the home screen replaces it.
    property Item leavingSplash: null

    // The splash's hand-over, with the style's default replace transition.
    function showHome() {
        leavingSplash = currentItem
        replace(mainScreenComp)
        releaseSplash()
    }

    // A page the stack did not make would only be hidden when it leaves; the
    // splash and its animations go once the transition is over.
    function releaseSplash() {
        if (busy || !leavingSplash)
            return
        leavingSplash.destroy()
        leavingSplash = null
    }

    onBusyChanged: releaseSplash()

    anchors.fill: parent

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

    MessageDialog {
        id: messageDialog
        objectName: "messageDialog"
        parent: appWindow.contentItem
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

            // The register page opened from here, until it is destroyed (after
            // its fade-out, when it has left).
            property Item registerPage: null

            LoginScreenWrapper {
                id: loginScreen
                objectName: "loginScreen"
                anchors.fill: parent
                // While the register page lies above, a success is the
                // registration's, which the register page reports itself.
                registerPageAbove: loginPage.registerPage !== null
                onRegisterClicked: {
                    if (!appWindow.isTop(loginPage))
                        return
                    console.log("跳转到注册界面")
                    loginPage.registerPage = stackView.push(registerComp)
                }
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
