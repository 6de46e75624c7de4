import QtQuick
import Lumora

Rectangle {
    id: myOrdersRoot

    width: Constants.width
    height: Constants.height
    color: Constants.backgroundColor

    Component.onCompleted: {
        console.log("🔄 我的订单页面加载，获取订单列表")
        API.getUserOrders()
    }

    ListModel {
        id: ordersModel
        objectName: "ordersModel"
    }

    Connections {
        id: apiConnections
        objectName: "apiConnections"
        target: API

        function onOrdersLoaded(orders) {
            console.log("✅ 订单列表加载成功，数量:", orders.length)
            ordersModel.clear()
            for (let i = 0; i < orders.length; ++i) {
                const order = orders[i]
                ordersModel.append({
                                       "orderNumber": order.orderNumber,
                                       "planName": order.planName,
                                       "amount": order.amount,
                                       "status": order.status,
                                       "statusText": order.statusText,
                                       "createdAt": order.createdAt
                                   })
            }
        }

        function onOrdersError(message) {
            console.log("❌ 订单列表加载失败:", message)
        }
    }

    Column {
        id: contentColumn
        objectName: "contentColumn"
        anchors.top: parent.top
        anchors.topMargin: 20
        anchors.horizontalCenter: parent.horizontalCenter
        width: parent.width - 40
        spacing: 16

        PageHeader {
            id: header
            width: parent.width
            title: "我的订单"
            outlinedGlyph: true
        }

        Column {
            id: listColumn
            objectName: "listColumn"
            width: parent.width
            spacing: 12

            Repeater {
                id: ordersRepeater
                objectName: "ordersRepeater"
                model: ordersModel

                delegate: Rectangle {
                    id: orderCard
                    objectName: "orderCard"

                    required property string orderNumber
                    required property string planName
                    required property var amount
                    required property string status
                    required property string statusText
                    required property var createdAt

                    readonly property bool settled: status === "paid" || status === "completed"

                    width: listColumn.width
                    height: 110
                    radius: 12
                    color: Constants.cardColor
                    border.width: 1
                    border.color: Qt.rgba(1, 215 / 255, 0, 0.3)

                    Column {
                        id: cardColumn
                        objectName: "cardColumn"
                        anchors.fill: parent
                        anchors.margins: 16
                        spacing: 8

                        Item {
                            width: parent.width
                            height: Math.max(orderNumberText.height, createdAtText.height)

                            Text {
                                id: orderNumberText
                                objectName: "orderNumberText"
                                anchors.left: parent.left
                                text: orderCard.orderNumber
                                color: Constants.textSecondary
                                font.pixelSize: 12
                                font.family: Constants.font.family
                            }

                            // A date the service left out shows nothing rather
                            // than the toolkit's text for an invalid date.
                            Text {
                                id: createdAtText
                                objectName: "createdAtText"
                                anchors.right: parent.right
                                text: orderCard.createdAt instanceof Date && !isNaN(orderCard.createdAt.getTime())
                                      ? orderCard.createdAt : ""
                                color: Constants.textSecondary
                                font.pixelSize: 12
                                font.family: Constants.font.family
                            }
                        }

                        Row {
                            spacing: 8

                            Text {
                                id: crownText
                                objectName: "crownText"
                                text: "👑"
                                font.pixelSize: 14
                            }

                            Text {
                                id: planText
                                objectName: "planText"
                                text: orderCard.planName
                                color: Constants.primaryVip
                                font.pixelSize: 16
                                font.bold: true
                                font.family: Constants.font.family
                            }
                        }

                        Item {
                            width: parent.width
                            height: 20

                            Text {
                                id: amountText
                                objectName: "amountText"
                                anchors.left: parent.left
                                anchors.verticalCenter: parent.verticalCenter
                                text: "¥" + orderCard.amount
                                color: Constants.primaryVip
                                font.pixelSize: 16
                                font.bold: true
                                font.family: Constants.font.family
                            }

                            Rectangle {
                                id: statusPill
                                objectName: "statusPill"
                                anchors.right: parent.right
                                anchors.verticalCenter: parent.verticalCenter
                                width: 60
                                height: 24
                                radius: 4
                                color: orderCard.settled ? Qt.rgba(0, 1, 217 / 255, 0.1)
                                                         : orderCard.status === "pending" ? Qt.rgba(1, 165 / 255, 0, 0.1)
                                                                                          : Qt.rgba(1, 82 / 255, 82 / 255, 0.1)

                                Text {
                                    id: statusPillText
                                    objectName: "statusPillText"
                                    anchors.centerIn: parent
                                    text: orderCard.statusText
                                    color: orderCard.settled ? Constants.colorSuccess
                                                             : orderCard.status === "pending" ? Constants.primaryVip
                                                                                              : Constants.colorError
                                    font.pixelSize: 12
                                    font.bold: true
                                    font.family: Constants.font.family
                                }
                            }
                        }
                    }
                }
            }

            Text {
                id: loadingText
                objectName: "loadingText"
                visible: ordersModel.count === 0
                anchors.horizontalCenter: parent.horizontalCenter
                text: "正在加载订单..."
                color: Constants.textSecondary
                font.pixelSize: 14
                font.family: Constants.font.family
            }
        }
    }
}
