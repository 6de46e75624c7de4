import QtQuick
import Lumora

Item {
    id: wrapper

    property var orderList: []
    property bool isLoading: false
    property string errorMessage: ""

    function getStatusColor(status) {
        switch (status) {
        case "completed":
        case "paid":
            return Constants.colorSuccess
        case "pending":
        case "processing":
            return Constants.colorWarning
        case "cancelled":
        case "failed":
            return Constants.colorError
        default:
            return Constants.textSecondary
        }
    }

    // The calendar date in the user's own time zone, as YYYY-MM-DD; the
    // empty text for a missing or unreadable date.
    function formatDate(dateString) {
        if (dateString === undefined || dateString === null || dateString === "")
            return ""
        const date = dateString instanceof Date ? dateString
                                                : typeof dateString === "string" ? new Date(dateString) : null
        if (date === null || isNaN(date.getTime()))
            return ""
        const pad = function (value, digits) {
            let text = String(value)
            while (text.length < digits)
                text = "0" + text
            return text
        }
        return pad(date.getFullYear(), 4) + "-" + pad(date.getMonth() + 1, 2) + "-" + pad(date.getDate(), 2)
    }

    Component.onCompleted: {
        if (typeof API === "undefined") {
            errorMessage = "API未初始化"
            return
        }
        if (!API.isLoggedIn) {
            errorMessage = "请先登录"
            return
        }
        console.log("开始加载订单列表")
        isLoading = true
        API.getUserOrders()
    }

    Connections {
        id: apiConnections
        objectName: "apiConnections"
        target: typeof API !== "undefined" ? API : null
        ignoreUnknownSignals: true

        function onOrdersLoaded(orders) {
            console.log("订单加载成功，数量:", orders.length)
            wrapper.isLoading = false
            wrapper.errorMessage = ""
            wrapper.orderList = orders
        }

        function onOrdersError(message) {
            console.log("订单加载失败:", message)
            wrapper.isLoading = false
            wrapper.errorMessage = "加载失败: " + message
        }
    }

    ListPageFrame {
        id: myOrdersRoot
        objectName: "myOrdersRoot"
        anchors.fill: parent
        flickableName: "ordersFlickable"
        title: "我的订单"
        isLoading: wrapper.isLoading
        errorMessage: wrapper.errorMessage
        emptyText: "暂无订单记录"
        listEmpty: wrapper.orderList.length === 0

        Column {
            id: orderColumn
            objectName: "orderColumn"
            visible: myOrdersRoot.listShown && !myOrdersRoot.listEmpty
            width: parent.width
            spacing: 12

            Repeater {
                id: ordersRepeater
                objectName: "ordersRepeater"
                model: wrapper.orderList

                delegate: Rectangle {
                    id: orderCard
                    objectName: "orderCard"

                    readonly property var order: modelData ? modelData : ({})
                    readonly property bool hasAmount: typeof order.amount === "number"
                                                      && order.amount !== 0 && !isNaN(order.amount)

                    width: orderColumn.width
                    height: cardColumn.height + 24
                    radius: 16
                    color: Constants.cardColor
                    border.width: 1
                    border.color: Qt.rgba(0, 1, 217 / 255, 0.1)

                    Column {
                        id: cardColumn
                        objectName: "cardColumn"
                        anchors.centerIn: parent
                        width: parent.width - 24
                        spacing: 8

                        Row {
                            id: topLine
                            objectName: "topLine"

                            // What the number and the gap after it may take, so
                            // that the badge never leaves the card: the gap
                            // shrinks first, then the number elides. The gap
                            // holds the 8 px on either side of it, so that it
                            // never has no width (a row skips such an item).
                            readonly property real room: cardColumn.width - statusBadge.width - 16

                            Text {
                                id: orderNumberText
                                objectName: "orderNumberText"
                                width: Math.min(implicitWidth, topLine.room)
                                elide: Text.ElideRight
                                text: orderCard.order.orderNumber ? orderCard.order.orderNumber : "N/A"
                                color: Constants.textSecondary
                                font.pixelSize: 12
                                font.family: Constants.font.family
                            }

                            Item {
                                width: 16 + Math.max(0, Math.min(cardColumn.width - 200,
                                                                 topLine.room - orderNumberText.width))
                                height: 1
                            }

                            Rectangle {
                                id: statusBadge
                                objectName: "statusBadge"
                                width: statusText.implicitWidth + 16
                                height: 20
                                radius: 10
                                color: wrapper.getStatusColor(orderCard.order.status)

                                Text {
                                    id: statusText
                                    objectName: "statusText"
                                    anchors.centerIn: parent
                                    text: orderCard.order.statusText ? orderCard.order.statusText
                                                                     : orderCard.order.status
                                                                       ? orderCard.order.status : "未知"
                                    color: Constants.textPrimary
                                    font.pixelSize: 11
                                    font.bold: true
                                    font.family: Constants.font.family
                                }
                            }
                        }

                        Rectangle {
                            id: divider
                            objectName: "divider"
                            width: parent.width
                            height: 1
                            color: Qt.rgba(1, 1, 1, 0.05)
                        }

                        Text {
                            id: planText
                            objectName: "planText"
                            text: orderCard.order.planName ? orderCard.order.planName : "未知套餐"
                            color: Constants.textPrimary
                            font.pixelSize: 16
                            font.bold: true
                            font.family: Constants.font.family
                        }

                        Row {
                            id: amountLine
                            objectName: "amountLine"

                            Text {
                                id: amountText
                                objectName: "amountText"
                                text: "¥" + (orderCard.hasAmount ? orderCard.order.amount : "0.00")
                                color: Constants.colorVip
                                font.pixelSize: 18
                                font.bold: true
                                font.family: Constants.font.family
                            }

                            Item {
                                width: cardColumn.width - 200
                                height: 1
                            }

                            Text {
                                id: dateText
                                objectName: "dateText"
                                text: wrapper.formatDate(orderCard.order.createdAt)
                                color: Constants.textSecondary
                                font.pixelSize: 12
                                font.family: Constants.font.family
                            }
                        }

                        Text {
                            id: paymentText
                            objectName: "paymentText"
                            visible: !!orderCard.order.paymentMethod
                            text: "支付方式: " + (orderCard.order.paymentMethodText
                                                  ? orderCard.order.paymentMethodText
                                                  : orderCard.order.paymentMethod)
                            color: Constants.textSecondary
                            font.pixelSize: 12
                            font.family: Constants.font.family
                        }
                    }
                }
            }
        }
    }
}
