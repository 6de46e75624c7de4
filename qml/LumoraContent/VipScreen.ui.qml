import QtQuick
import QtQuick.Controls.Basic
import Lumora

// The membership page: the plans with a preselected recommended one, the buy
// button, and while a payment runs the QR code of the order with its number.
// The window's back area lies over the "←" and stops the status polling when
// the page is left during a payment.
Rectangle {
    id: vipRoot

    property int selectedPlanId: -1
    property string selectedPlanName: ""
    property real selectedPlanPrice: 0
    property bool isPaying: false
    property string currentOrderId: ""
    // True from a buy click until the service has answered it: a second click
    // meanwhile would create a second order, whose polling replaces the first.
    property bool creatingPayment: false

    width: Constants.width
    height: Constants.height
    color: Constants.backgroundColor

    // A plan record may lack a key; the rows then show the defaults.
    function numberOr(value, fallback) {
        return typeof value === "number" && !isNaN(value) ? value : fallback
    }

    function textOr(value) {
        return typeof value === "string" ? value : ""
    }

    function planRow(plan, index) {
        const days = numberOr(plan.days, 0)
        const price = numberOr(plan.price, 0)
        const daysText = textOr(plan.daysText)
        const formattedPrice = textOr(plan.formattedPrice)
        return {
            "planId": numberOr(plan.id, 0),
            "planName": textOr(plan.name),
            "planPrice": price,
            "planDaysText": daysText !== "" ? daysText : days + " 天",
            "formattedPrice": formattedPrice !== "" ? formattedPrice : "¥" + price,
            "isRecommended": index === 1 || index === 3
        }
    }

    function selectPlan(planId, planName, planPrice) {
        selectedPlanId = planId
        selectedPlanName = planName
        selectedPlanPrice = planPrice
    }

    function showPlans(plans) {
        const list = plans ? plans : []
        console.log("✅ 套餐列表加载成功，数量:", list.length)
        planModel.clear()
        for (let i = 0; i < list.length; ++i) {
            const plan = list[i] ? list[i] : {}
            console.log("  套餐", i + 1, ":", plan.name, plan.price, plan.currency, plan.days, "天")
            planModel.append(planRow(plan, i))
        }
        if (list.length === 0)
            return
        // The 4th plan when there are more than three, else the 2nd: both
        // carry the "推荐" tag.
        const d = list.length > 3 ? 3 : 1
        if (list.length > d) {
            const row = planModel.get(d)
            selectPlan(row.planId, row.planName, row.planPrice)
            console.log("📌 默认选择推荐套餐:", row.planName)
        }
    }

    function buy() {
        if (creatingPayment)
            return
        creatingPayment = true
        console.log("💳 创建支付订单, planId:", selectedPlanId)
        API.createPayment(selectedPlanId, "alipay")
    }

    function showPayment(payment) {
        creatingPayment = false
        const orderId = textOr(payment ? payment.orderId : undefined)
        // Without an order number there is nothing to pay or to ask about.
        if (orderId.trim() === "") {
            creationFailed("支付订单缺少订单号")
            return
        }
        console.log("✅ 支付订单创建成功")
        console.log("  订单号:", payment.orderId)
        console.log("  支付链接:", payment.paymentUrl)
        console.log("  金额:", payment.amount)
        console.log("  套餐:", payment.planName, payment.planDays, "天")
        currentOrderId = orderId
        qrCodeImage.source = textOr(payment.paymentUrl)
        isPaying = true
        console.log("🔄 开始轮询支付状态...")
        API.startPollingPayment(orderId)
    }

    function creationFailed(message) {
        creatingPayment = false
        console.log("❌ 创建支付订单失败:", message)
        isPaying = false
    }

    function endPayment() {
        API.stopPollingPayment()
        isPaying = false
        currentOrderId = ""
    }

    function cancelPayment() {
        console.log("❌ 取消支付")
        endPayment()
    }

    Component.onCompleted: {
        console.log("🔄 VIP页面加载，获取套餐列表")
        API.getSubscriptionPlans()
    }

    // The window's back area stops the polling before it pops the page.
    Component.onDestruction: console.log("🔙 返回上一页")

    ListModel {
        id: planModel
        objectName: "planModel"
    }

    Connections {
        id: apiConnections
        objectName: "apiConnections"
        target: API

        function onPlansLoaded(plans) {
            vipRoot.showPlans(plans)
        }

        function onPlansError(message) {
            console.log("❌ 套餐列表加载失败:", message)
        }

        function onPaymentCreated(payment) {
            vipRoot.showPayment(payment)
        }

        function onPaymentCreationError(message) {
            vipRoot.creationFailed(message)
        }

        function onPaymentStatusLoaded(status) {
            console.log("📊 支付状态更新:", status ? status.status : undefined)
        }

        function onPaymentCompleted(orderNumber) {
            console.log("🎉 支付成功！订单号:", orderNumber)
            vipRoot.endPayment()
            console.log("🔄 刷新用户VIP状态...")
            API.refreshUserInfo()
            console.log("✅ VIP开通成功！")
        }

        function onPaymentFailed(orderNumber, message) {
            console.log("❌ 支付失败:", message, "订单号:", orderNumber)
            vipRoot.endPayment()
        }
    }

    PageHeader {
        id: header
        x: 20
        y: 20
        width: vipRoot.width - 40
        title: "升级 VIP 会员"
        titleColor: Constants.primaryVip
    }

    // Below the header everything scrolls, so that a long plan list still
    // leaves the buy button reachable; it is cut at the header's lower edge.
    Flickable {
        id: contentFlick
        objectName: "contentFlick"
        x: 0
        y: header.y + header.height
        width: vipRoot.width
        height: vipRoot.height - y
        clip: true
        contentWidth: width
        contentHeight: contentColumn.y + contentColumn.height + 20
        // Content that fits does not move at all.
        boundsBehavior: Flickable.StopAtBounds
        interactive: contentHeight > height

        Column {
            id: contentColumn
            objectName: "contentColumn"
            x: 20
            y: 20
            width: vipRoot.width - 40
            spacing: 20

            Row {
                id: chipRow
                objectName: "chipRow"
                width: parent.width
                height: 30
                spacing: 10

                Repeater {
                    id: chipRepeater
                    objectName: "chipRepeater"
                    model: ["🚀 4K秒开", "🔒 专线加速", "📱 多端支持", "🚫 无广告"]

                    Rectangle {
                        id: chip
                        objectName: "chip" + index
                        width: (chipRow.width - 30) / 4
                        height: 30
                        radius: 15
                        color: Qt.rgba(1, 215 / 255, 0, 0.1)

                        Text {
                            id: chipText
                            objectName: "chipText" + index
                            anchors.centerIn: parent
                            text: modelData
                            color: Constants.primaryVip
                            font.pixelSize: 10
                            font.family: Constants.font.family
                        }
                    }
                }
            }

            Column {
                id: planList
                objectName: "planList"
                width: parent.width
                spacing: 16
                visible: !vipRoot.isPaying

                Repeater {
                    id: planRepeater
                    objectName: "planRepeater"
                    model: planModel

                    Rectangle {
                        id: planCard
                        objectName: "planCard" + index

                        readonly property bool selected: model.planId === vipRoot.selectedPlanId

                        width: planList.width
                        height: 72
                        radius: 12
                        color: Constants.cardColor
                        border.width: selected ? 2 : 1
                        border.color: selected ? Constants.primaryVip : Qt.rgba(1, 215 / 255, 0, 0.3)

                        Rectangle {
                            id: recommendedTag
                            objectName: "recommendedTag"
                            visible: model.isRecommended
                            x: 16
                            y: -9
                            width: 40
                            height: 18
                            radius: 4
                            color: Constants.primaryVip

                            Text {
                                id: recommendedText
                                objectName: "recommendedText"
                                anchors.centerIn: parent
                                text: "推荐"
                                color: "#0A0E27"
                                font.pixelSize: 10
                                font.bold: true
                                font.family: Constants.font.family
                            }
                        }

                        Column {
                            id: planTexts
                            objectName: "planTexts"
                            anchors.left: parent.left
                            anchors.leftMargin: 16
                            anchors.verticalCenter: parent.verticalCenter
                            spacing: 4

                            Text {
                                id: planNameText
                                objectName: "planNameText"
                                text: model.planName
                                color: Constants.textPrimary
                                font.pixelSize: 16
                                font.bold: true
                                font.family: Constants.font.family
                            }

                            Text {
                                id: planDaysText
                                objectName: "planDaysText"
                                text: model.planDaysText
                                color: Constants.textSecondary
                                font.pixelSize: 12
                                font.family: Constants.font.family
                            }
                        }

                        Row {
                            id: priceRow
                            objectName: "priceRow"
                            anchors.right: parent.right
                            anchors.rightMargin: 16
                            anchors.verticalCenter: parent.verticalCenter
                            spacing: 16

                            Text {
                                id: priceText
                                objectName: "priceText"
                                anchors.verticalCenter: parent.verticalCenter
                                text: model.formattedPrice
                                color: Constants.primaryVip
                                font.pixelSize: 20
                                font.bold: true
                                font.family: Constants.font.family
                            }

                            Rectangle {
                                id: checkCircle
                                objectName: "checkCircle"
                                anchors.verticalCenter: parent.verticalCenter
                                width: 20
                                height: 20
                                radius: 10
                                border.width: 1
                                border.color: Constants.primaryVip
                                color: planCard.selected ? Constants.primaryVip : "transparent"

                                Text {
                                    id: checkMark
                                    objectName: "checkMark"
                                    anchors.centerIn: parent
                                    visible: planCard.selected
                                    text: "✓"
                                    color: "#0A0E27"
                                    font.pixelSize: 12
                                    font.bold: true
                                }
                            }
                        }

                        MouseArea {
                            id: planArea
                            objectName: "planArea"
                            anchors.fill: parent
                            cursorShape: Qt.PointingHandCursor
                            onClicked: {
                                console.log("📦 选择套餐:", model.planName, model.planId)
                                vipRoot.selectPlan(model.planId, model.planName, model.planPrice)
                            }
                        }
                    }
                }

                Text {
                    id: loadingText
                    objectName: "loadingText"
                    anchors.horizontalCenter: parent.horizontalCenter
                    visible: planModel.count === 0
                    text: "正在加载套餐..."
                    color: Constants.textSecondary
                    font.pixelSize: 14
                    font.family: Constants.font.family
                }
            }

            Rectangle {
                id: paymentCard
                objectName: "paymentCard"
                visible: vipRoot.isPaying
                width: parent.width
                // Never shorter than its content, whose texts depend on the font.
                height: Math.max(350, paymentColumn.implicitHeight + 40)
                radius: 16
                color: Constants.cardColor

                Column {
                    id: paymentColumn
                    objectName: "paymentColumn"
                    anchors.centerIn: parent
                    spacing: 20

                    Text {
                        id: scanHintText
                        objectName: "scanHintText"
                        anchors.horizontalCenter: parent.horizontalCenter
                        text: "请使用支付宝扫码支付"
                        color: Constants.textPrimary
                        font.pixelSize: 18
                        font.bold: true
                        font.family: Constants.font.family
                    }

                    Text {
                        id: paymentPlanText
                        objectName: "paymentPlanText"
                        anchors.horizontalCenter: parent.horizontalCenter
                        text: vipRoot.selectedPlanName + " - ¥" + vipRoot.selectedPlanPrice
                        color: Constants.primaryVip
                        font.pixelSize: 16
                        font.family: Constants.font.family
                    }

                    Image {
                        id: qrCodeImage
                        objectName: "qrCodeImage"
                        anchors.horizontalCenter: parent.horizontalCenter
                        width: 200
                        height: 200
                        fillMode: Image.PreserveAspectFit
                        // Each order has a picture of its own: nothing to keep.
                        cache: false
                    }

                    Text {
                        id: orderText
                        objectName: "orderText"
                        anchors.horizontalCenter: parent.horizontalCenter
                        text: "订单号: " + vipRoot.currentOrderId
                        color: Constants.textSecondary
                        font.pixelSize: 12
                        font.family: Constants.font.family
                    }

                    Button {
                        id: cancelButton
                        objectName: "cancelButton"
                        anchors.horizontalCenter: parent.horizontalCenter
                        text: "取消支付"
                        onClicked: vipRoot.cancelPayment()

                        contentItem: Text {
                            id: cancelLabel
                            objectName: "cancelLabel"
                            text: cancelButton.text
                            color: Constants.textSecondary
                            font.pixelSize: 14
                            font.family: Constants.font.family
                            horizontalAlignment: Text.AlignHCenter
                            verticalAlignment: Text.AlignVCenter
                        }

                        background: Rectangle {
                            id: cancelBackground
                            objectName: "cancelBackground"
                            color: "transparent"
                            border.width: 1
                            border.color: Constants.textSecondary
                            radius: 8
                        }
                    }
                }
            }

            Item {
                id: spacer
                objectName: "spacer"
                width: parent.width
                height: 20
            }

            Button {
                id: buyButton
                objectName: "buyButton"
                visible: !vipRoot.isPaying
                width: parent.width
                height: 50
                enabled: vipRoot.selectedPlanId > 0 && !vipRoot.isPaying && !vipRoot.creatingPayment
                text: vipRoot.selectedPlanId > 0 ? "立即开通 ¥" + vipRoot.selectedPlanPrice : "请选择套餐"
                onClicked: vipRoot.buy()

                contentItem: Text {
                    id: buyLabel
                    objectName: "buyLabel"
                    text: buyButton.text
                    color: "#0A0E27"
                    font.pixelSize: 16
                    font.bold: true
                    font.family: Constants.font.family
                    horizontalAlignment: Text.AlignHCenter
                    verticalAlignment: Text.AlignVCenter
                }

                background: Rectangle {
                    id: buyBackground
                    objectName: "buyBackground"
                    radius: 12
                    opacity: buyButton.enabled ? 1.0 : 0.5
                    gradient: Gradient {
                        GradientStop {
                            position: 0.0
                            color: Constants.accentGlow
                        }
                        GradientStop {
                            position: 1.0
                            color: Constants.primaryVip
                        }
                    }
                }
            }

            Text {
                id: footerText
                objectName: "footerText"
                anchors.horizontalCenter: parent.horizontalCenter
                text: "支付即代表同意《会员服务协议》"
                color: Constants.textSecondary
                font.pixelSize: 11
                font.family: Constants.font.family
            }
        }
    }
}
