import QtQuick
import Lumora
import LumoraContent

Item {
    id: wrapper

    property alias loginArea: screenItem.loginArea
    property alias announcementArea: screenItem.announcementArea
    property alias settingsArea: screenItem.settingsArea
    property alias selectServerArea: screenItem.selectServerArea
    property alias vipArea: screenItem.vipArea

    property alias selectedServerName: screenItem.selectedServerName
    property alias selectedServerFlag: screenItem.selectedServerFlag
    property alias selectedServerCountryCode: screenItem.selectedServerCountryCode
    property alias selectedServerLatency: screenItem.selectedServerLatency
    property alias selectedServerId: screenItem.selectedServerId
    property alias selectedServerVmessLink: screenItem.selectedServerVmessLink
    property alias selectedServerRequiresVip: screenItem.selectedServerRequiresVip

    property alias uploadSpeed: screenItem.uploadSpeed
    property alias downloadSpeed: screenItem.downloadSpeed
    property alias uploadBytes: screenItem.uploadBytes
    property alias downloadBytes: screenItem.downloadBytes

    signal defaultServerNeeded(int serverId, string serverName, string serverFlag, string countryCode, string vmessLink, bool requiresVip)

    // The engine counts the totals from zero at the start of every connection,
    // so the next update is measured from zero, not from the previous
    // connection's last totals. The speed texts keep their last values.
    function resetTrafficTotals() {
        screenItem.uploadBytes = 0
        screenItem.downloadBytes = 0
    }

    width: Constants.width
    height: Constants.height

    Component.onCompleted: {
        if (typeof API !== "undefined" && API.isLoggedIn) {
            console.log("主界面加载，刷新用户信息")
            API.refreshUserInfo()
        }
    }

    Screen {
        id: screenItem
        objectName: "screenItem"
        anchors.fill: parent

        userLoggedIn: typeof API !== "undefined" ? API.isLoggedIn : false
        userEmail: typeof API !== "undefined" ? API.userEmail : ""
        userName: typeof API !== "undefined" ? API.userName : ""
        userIsVip: typeof API !== "undefined" ? API.isVip : false
        vipDays: typeof API !== "undefined" ? API.vipDays : 0
        freeMinutes: typeof API !== "undefined" ? API.freeMinutes : 120

        onDefaultServerNeeded: function (serverId, serverName, serverFlag, countryCode, vmessLink, requiresVip) {
            console.log("[DEBUG H6] ScreenWrapper收到defaultServerNeeded信号:", serverName, serverId,
                        "vmessLink长度:", vmessLink.length)
            wrapper.defaultServerNeeded(serverId, serverName, serverFlag, countryCode, vmessLink,
                                        requiresVip)
        }

        onSelectedServerIdChanged: console.log("[DEBUG H4] screenItem.selectedServerId changed - newId:",
                                               selectedServerId, "newName:", selectedServerName)
    }

    Connections {
        id: apiConnections
        objectName: "apiConnections"
        target: typeof API !== "undefined" ? API : null
        ignoreUnknownSignals: true

        function onUserInfoChanged() {
            console.log("✅ 用户信息已更新: VIP=" + API.isVip + ", VIP天数=" + API.vipDays + ", 免费分钟="
                        + API.freeMinutes)
            screenItem.userLoggedIn = API.isLoggedIn
            screenItem.userEmail = API.userEmail
            screenItem.userName = API.userName
            screenItem.userIsVip = API.isVip
            screenItem.vipDays = API.vipDays
            screenItem.freeMinutes = API.freeMinutes
        }

        function onLoginStateChanged(loggedIn) {
            console.log("登录状态变更:", loggedIn)
            screenItem.userLoggedIn = loggedIn
        }

        function onVpnTrafficUpdate(uploadBytes, downloadBytes) {
            const uploadInterval = uploadBytes - screenItem.uploadBytes
            const downloadInterval = downloadBytes - screenItem.downloadBytes
            screenItem.uploadSpeed = screenItem.formatTraffic(uploadInterval / 2)
            screenItem.downloadSpeed = screenItem.formatTraffic(downloadInterval / 2)
            screenItem.uploadBytes = uploadBytes
            screenItem.downloadBytes = downloadBytes
        }

        function onVpnConnected() {
            wrapper.resetTrafficTotals()
        }

        function onVpnDisconnected() {
            wrapper.resetTrafficTotals()
        }

        function onVpnForceDisconnected(message) {
            wrapper.resetTrafficTotals()
        }

        function onVpnConnectionFailed(reasonCode, message) {
            wrapper.resetTrafficTotals()
        }
    }
}
