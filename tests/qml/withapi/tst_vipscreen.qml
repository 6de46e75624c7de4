import QtQuick
import QtTest
import Lumora
import LumoraContent

Item {
    id: page
    width: 430
    height: 880

    Component {
        id: vipComponent
        VipScreen {}
    }

    Component {
        id: appComponent
        App {}
    }

    TestCase {
        id: testCase
        name: "VipScreen"
        when: windowShown

        property var vip

        readonly property var fivePlans: [
            { id: 11, name: "周卡", price: 9.9, currency: "CNY", days: 7, daysText: "", formattedPrice: "" },
            { id: 12, name: "月度会员", price: 19.9, currency: "CNY", days: 30, daysText: "",
              formattedPrice: "¥19.90" },
            { id: 13, name: "季度会员", price: 49, currency: "CNY", days: 90, daysText: "3 个月",
              formattedPrice: "" },
            { id: 14, name: "年度会员", price: 168, currency: "CNY", days: 365, daysText: "",
              formattedPrice: "" },
            { id: 15, name: "两年会员", price: 298, currency: "CNY", days: 730, daysText: "",
              formattedPrice: "" }
        ]

        function init() {
            ApiSpy.reset()
            ConsoleLog.clear()
        }

        function part(name, root) {
            return findChild(root ? root : vip, name)
        }

        function createVip() {
            vip = createTemporaryObject(vipComponent, page)
            verify(vip)
            ApiSpy.clear()
            ConsoleLog.clear()
            return vip
        }

        function plans(count) {
            const list = []
            for (let i = 0; i < count; ++i)
                list.push(fivePlans[i])
            return list
        }

        function cards() {
            const list = []
            for (let i = 0; i < part("planRepeater").count; ++i)
                list.push(part("planRepeater").itemAt(i))
            return list
        }

        // Where an item stands on the page once the columns have been laid out.
        function pageY(item) {
            for (const column of ["planList", "paymentColumn", "contentColumn"])
                waitForItemPolished(part(column))
            return item.mapToItem(vip, 0, 0).y
        }

        function click(item) {
            pageY(item)
            mouseClick(item, item.width / 2, item.height / 2)
        }

        // The page with plans loaded and, when given, a payment shown.
        function paying(orderId, url) {
            createVip()
            API.plansLoaded(fivePlans)
            click(part("buyButton"))
            API.paymentCreated({ orderId: orderId, paymentUrl: url ? url : "http://127.0.0.1:9/qr/"
                                                                         + orderId + ".png",
                                 amount: 168, planName: "年度会员", planDays: 365 })
            verify(vip.isPaying)
            ApiSpy.clear()
            ConsoleLog.clear()
        }

        function verifyChoosing() {
            verify(!vip.isPaying)
            compare(vip.currentOrderId, "")
            verify(part("planList").visible)
            verify(part("buyButton").visible)
            verify(!part("paymentCard").visible)
        }

        // --- creation and the plan list ---

        function test_creationAsksForThePlans() {
            vip = createTemporaryObject(vipComponent, page)
            compare(ApiSpy.callNames(), ["getSubscriptionPlans"])
            verify(ConsoleLog.has("🔄 VIP页面加载，获取套餐列表"))
            verify(part("loadingText").visible)
            compare(part("loadingText").text, "正在加载套餐...")
            compare(part("buyLabel").text, "请选择套餐")
            verify(!part("buyButton").enabled)
            compare(part("buyBackground").opacity, 0.5)
        }

        function test_preselection_data() {
            return [
                { tag: "0 plans", count: 0, selected: -1 },
                { tag: "1 plan", count: 1, selected: -1 },
                { tag: "2 plans", count: 2, selected: 1 },
                { tag: "3 plans", count: 3, selected: 1 },
                { tag: "4 plans", count: 4, selected: 3 },
                { tag: "5 plans", count: 5, selected: 3 }
            ]
        }

        function test_preselection(data) {
            createVip()
            API.plansLoaded(plans(data.count))
            compare(part("planRepeater").count, data.count)
            compare(part("loadingText").visible, data.count === 0)
            verify(ConsoleLog.has("✅ 套餐列表加载成功，数量: " + data.count))
            const shown = cards()
            for (let i = 0; i < shown.length; ++i) {
                compare(part("recommendedTag", shown[i]).visible, i === 1 || i === 3, "tag of card " + i)
                compare(part("checkMark", shown[i]).visible, i === data.selected, "check of card " + i)
                compare(shown[i].border.width, i === data.selected ? 2 : 1)
                compare(pageY(shown[i]), 140 + 88 * i)
            }
            // Alone in the list, the loading line takes the cards' place.
            compare(pageY(part("buyButton")), data.count === 0 ? 140 + part("loadingText").height + 60
                                                               : 184 + 88 * data.count)
            if (data.selected < 0) {
                compare(vip.selectedPlanId, -1)
                compare(part("buyLabel").text, "请选择套餐")
                verify(!part("buyButton").enabled)
                compare(part("buyBackground").opacity, 0.5)
                verify(!ConsoleLog.has("📌 默认选择推荐套餐: " + fivePlans[0].name))
            } else {
                const plan = fivePlans[data.selected]
                compare(vip.selectedPlanId, plan.id)
                compare(vip.selectedPlanName, plan.name)
                compare(vip.selectedPlanPrice, plan.price)
                compare(part("buyLabel").text, "立即开通 ¥" + plan.price)
                verify(part("buyButton").enabled)
                compare(part("buyBackground").opacity, 1.0)
                verify(ConsoleLog.has("📌 默认选择推荐套餐: " + plan.name))
            }
        }

        function test_everyListAppliesTheRuleAgain() {
            createVip()
            API.plansLoaded(plans(4))
            compare(vip.selectedPlanId, 14)
            // Too short for the rule: the choice stays.
            API.plansLoaded(plans(1))
            compare(vip.selectedPlanId, 14)
            compare(part("planRepeater").count, 1)
            API.plansLoaded(plans(2))
            compare(vip.selectedPlanId, 12)
        }

        function test_roles_data() {
            return [
                { tag: "own duration text", plan: { id: 3, name: "月卡", days: 30, daysText: "一个月", price: 30 },
                  days: "一个月", price: "¥30", label: "立即开通 ¥30" },
                { tag: "days without text", plan: { id: 3, name: "月卡", days: 30, daysText: "", price: 30,
                                                    formattedPrice: "" },
                  days: "30 天", price: "¥30", label: "立即开通 ¥30" },
                { tag: "price without text", plan: { id: 3, name: "月卡", days: 30, price: 19.9, formattedPrice: "" },
                  days: "30 天", price: "¥19.9", label: "立即开通 ¥19.9" },
                { tag: "service's price text", plan: { id: 3, name: "月卡", days: 30, price: 19.9,
                                                       formattedPrice: "¥19.90" },
                  days: "30 天", price: "¥19.90", label: "立即开通 ¥19.9" },
                { tag: "keys absent", plan: { id: 3 }, name: "", days: "0 天", price: "¥0", label: "立即开通 ¥0" },
                { tag: "id 0", plan: { id: 0, name: "月卡", days: 30, price: 19.9 },
                  days: "30 天", price: "¥19.9", label: "请选择套餐" },
                { tag: "id absent", plan: { name: "月卡", days: 30, price: 19.9 },
                  days: "30 天", price: "¥19.9", label: "请选择套餐" }
            ]
        }

        function test_roles(data) {
            createVip()
            API.plansLoaded([data.plan])
            const card = cards()[0]
            compare(part("planNameText", card).text, data.name !== undefined ? data.name : "月卡")
            compare(part("planDaysText", card).text, data.days)
            compare(part("priceText", card).text, data.price)
            // One plan is never preselected.
            compare(part("buyLabel").text, "请选择套餐")
            verify(!part("buyButton").enabled)
            click(card)
            // The clicked card is marked whatever its id.
            compare(card.border.width, 2)
            verify(part("checkMark", card).visible)
            verify(Qt.colorEqual(part("checkCircle", card).color, Constants.primaryVip))
            compare(part("buyLabel").text, data.label)
            compare(part("buyButton").enabled, data.label !== "请选择套餐")
            compare(part("buyBackground").opacity, data.label !== "请选择套餐" ? 1.0 : 0.5)
        }

        function test_cardClickChoosesThePlan() {
            createVip()
            API.plansLoaded(fivePlans)
            const shown = cards()
            click(shown[0])
            compare(vip.selectedPlanId, 11)
            compare(vip.selectedPlanName, "周卡")
            compare(vip.selectedPlanPrice, 9.9)
            verify(ConsoleLog.has("📦 选择套餐: 周卡 11"))
            compare(shown[0].border.width, 2)
            compare(shown[3].border.width, 1)
            verify(!part("checkMark", shown[3]).visible)
            verify(Qt.colorEqual(part("checkCircle", shown[3]).color, "transparent"))
            compare(part("buyLabel").text, "立即开通 ¥9.9")
        }

        function test_sameIdIsSelectedTogether() {
            createVip()
            API.plansLoaded([{ id: 5, name: "A", price: 1 }, { id: 5, name: "B", price: 2 }])
            const shown = cards()
            compare(shown[0].border.width, 2)
            compare(shown[1].border.width, 2)
        }

        function test_plansErrorKeepsLoading() {
            createVip()
            API.plansError("网络错误")
            verify(ConsoleLog.has("❌ 套餐列表加载失败: 网络错误"))
            verify(part("loadingText").visible)
            compare(ApiSpy.callNames(), [])
        }

        // --- scrolling ---

        function test_fittingContentDoesNotMove() {
            createVip()
            API.plansLoaded(fivePlans)
            const flick = part("contentFlick")
            verify(flick.contentHeight <= flick.height)
            mouseDrag(flick, 200, 600, 0, -300)
            compare(flick.contentY, 0)
            compare(pageY(part("buyButton")), 184 + 88 * 5)
        }

        function test_longListScrollsToTheBuyButton() {
            createVip()
            const many = []
            for (let i = 0; i < 9; ++i)
                many.push({ id: 100 + i, name: "套餐" + i, price: 10 + i, days: 30 })
            API.plansLoaded(many)
            const flick = part("contentFlick")
            const button = part("buyButton")
            // Below the window at first.
            verify(pageY(button) >= 880)
            compare(flick.y, 70)
            verify(flick.clip)
            flick.contentY = flick.contentHeight - flick.height
            const bottom = pageY(part("footerText")) + part("footerText").height
            verify(bottom <= 880, "footer ends at " + bottom)
            verify(pageY(button) > 70)
            // The header does not move.
            compare(pageY(part("header")), 20)
            click(button)
            compare(ApiSpy.calls("createPayment"), [[103, "alipay"]])
        }

        // --- the payment ---

        function test_buyAsksForAPayment() {
            createVip()
            API.plansLoaded(fivePlans)
            click(part("buyButton"))
            compare(ApiSpy.calls("createPayment"), [[14, "alipay"]])
            verify(ConsoleLog.has("💳 创建支付订单, planId: 14"))
            // The plans stay until the answer; the button waits for it.
            verifyChoosing()
            verify(!part("buyButton").enabled)
            compare(part("buyBackground").opacity, 0.5)
        }

        // A double click while the order is being created sends one request;
        // the button takes clicks again once the service has answered.
        function test_oneCreationAtATime_data() {
            return [
                { tag: "refused", answer: function () { API.paymentCreationError("网络错误") } },
                { tag: "created without an order number",
                  answer: function () { API.paymentCreated({ paymentUrl: "http://127.0.0.1:9/qr.png" }) } },
                { tag: "created, then cancelled", answer: function () {
                    API.paymentCreated({ orderId: "ORD-1", paymentUrl: "http://127.0.0.1:9/qr/ORD-1.png" })
                    click(part("cancelButton"))
                } },
                { tag: "created, then failed", answer: function () {
                    API.paymentCreated({ orderId: "ORD-1", paymentUrl: "http://127.0.0.1:9/qr/ORD-1.png" })
                    API.paymentFailed("ORD-1", "支付超时")
                } }
            ]
        }

        function test_oneCreationAtATime(data) {
            createVip()
            API.plansLoaded(fivePlans)
            const button = part("buyButton")
            pageY(button)
            mouseDoubleClickSequence(button, button.width / 2, button.height / 2)
            compare(ApiSpy.calls("createPayment"), [[14, "alipay"]])
            click(button)
            compare(ApiSpy.calls("createPayment"), [[14, "alipay"]])
            data.answer()
            verifyChoosing()
            verify(button.enabled)
            compare(part("buyBackground").opacity, 1.0)
            click(button)
            compare(ApiSpy.calls("createPayment"), [[14, "alipay"], [14, "alipay"]])
        }

        function test_createdShowsTheCardAndPolls() {
            createVip()
            API.plansLoaded(fivePlans)
            click(part("buyButton"))
            ApiSpy.clear()
            const url = "http://127.0.0.1:9/pay/qr?order=ORD-1&size=200"
            API.paymentCreated({ orderId: "ORD-1", paymentUrl: url, amount: 1, planName: "别的套餐", planDays: 7 })
            compare(ApiSpy.calls("startPollingPayment"), [["ORD-1"]])
            compare(ApiSpy.callNames(), ["startPollingPayment"])
            verify(vip.isPaying)
            compare(vip.currentOrderId, "ORD-1")
            compare(part("qrCodeImage").source.toString(), url)
            verify(part("paymentCard").visible)
            verify(!part("planList").visible)
            verify(!part("buyButton").visible)
            // The page's own choice, not the reply's.
            compare(part("paymentPlanText").text, "年度会员 - ¥168")
            compare(part("orderText").text, "订单号: ORD-1")
            const card = part("paymentCard")
            const column = part("paymentColumn")
            waitForItemPolished(column)
            compare(pageY(card), 140)
            // Every line of the card lies inside it, the title and the cancel
            // button too.
            verify(card.height >= 350)
            verify(column.y >= 16 && column.y + column.height <= card.height - 16,
                   "column " + column.y + " + " + column.height + " in " + card.height)
            const footerY = pageY(part("footerText"))
            compare(pageY(part("spacer")), 140 + card.height + 20)
            compare(footerY, 140 + card.height + 60)
            const lines = ConsoleLog.lines
            const from = lines.indexOf("✅ 支付订单创建成功")
            verify(from >= 0)
            compare(lines.slice(from, from + 6), ["✅ 支付订单创建成功", "  订单号: ORD-1", "  支付链接: " + url,
                                                  "  金额: 1", "  套餐: 别的套餐 7 天", "🔄 开始轮询支付状态..."])
        }

        function test_statusChangesNothing_data() {
            return [
                { tag: "pending", status: "pending" },
                { tag: "paid", status: "paid" },
                { tag: "failed", status: "failed" },
                { tag: "empty", status: "" }
            ]
        }

        function test_statusChangesNothing(data) {
            paying("ORD-1")
            API.paymentStatusLoaded({ status: data.status })
            verify(ConsoleLog.has("📊 支付状态更新: " + data.status))
            verify(vip.isPaying)
            compare(vip.currentOrderId, "ORD-1")
            compare(ApiSpy.callNames(), [])
        }

        function test_completedRefreshesTheUser_data() {
            return [
                { tag: "this order", order: "ORD-1" },
                { tag: "another order", order: "ORD-9" }
            ]
        }

        function test_completedRefreshesTheUser(data) {
            paying("ORD-1")
            API.paymentCompleted(data.order)
            compare(ApiSpy.callNames(), ["stopPollingPayment", "refreshUserInfo"])
            verifyChoosing()
            compare(vip.selectedPlanId, 14)
            compare(part("buyLabel").text, "立即开通 ¥168")
            verify(part("buyButton").enabled)
            const lines = ConsoleLog.lines
            compare(lines.slice(lines.length - 3), ["🎉 支付成功！订单号: " + data.order, "🔄 刷新用户VIP状态...",
                                                    "✅ VIP开通成功！"])
        }

        function test_failedReturnsToThePlans_data() {
            return [
                { tag: "this order", order: "ORD-1" },
                { tag: "another order", order: "ORD-9" }
            ]
        }

        function test_failedReturnsToThePlans(data) {
            paying("ORD-1")
            API.paymentFailed(data.order, "支付超时")
            compare(ApiSpy.callNames(), ["stopPollingPayment"])
            verifyChoosing()
            compare(vip.selectedPlanId, 14)
            verify(ConsoleLog.has("❌ 支付失败: 支付超时 订单号: " + data.order))
        }

        function test_cancelThenBuyAgain() {
            paying("ORD-1")
            click(part("cancelButton"))
            compare(ApiSpy.callNames(), ["stopPollingPayment"])
            verify(ConsoleLog.has("❌ 取消支付"))
            verifyChoosing()
            compare(vip.selectedPlanId, 14)
            ApiSpy.clear()
            click(part("buyButton"))
            compare(ApiSpy.calls("createPayment"), [[14, "alipay"]])
            API.paymentCreated({ orderId: "ORD-2", paymentUrl: "http://127.0.0.1:9/qr/ORD-2.png" })
            compare(ApiSpy.calls("startPollingPayment"), [["ORD-2"]])
            compare(vip.currentOrderId, "ORD-2")
            compare(part("orderText").text, "订单号: ORD-2")
            compare(part("qrCodeImage").source.toString(), "http://127.0.0.1:9/qr/ORD-2.png")
        }

        function test_secondCreatedReplacesTheFirst() {
            paying("ORD-1")
            API.paymentCreated({ orderId: "ORD-2", paymentUrl: "http://127.0.0.1:9/qr/ORD-2.png" })
            // Starting the new polling ends the old one.
            compare(ApiSpy.callNames(), ["startPollingPayment"])
            compare(ApiSpy.calls("startPollingPayment"), [["ORD-2"]])
            verify(vip.isPaying)
            compare(vip.currentOrderId, "ORD-2")
            compare(part("qrCodeImage").source.toString(), "http://127.0.0.1:9/qr/ORD-2.png")
        }

        function test_creationError_data() {
            return [
                { tag: "while choosing", shown: false },
                { tag: "while a code is shown", shown: true }
            ]
        }

        function test_creationError(data) {
            if (data.shown) {
                paying("ORD-1")
            } else {
                createVip()
                API.plansLoaded(fivePlans)
            }
            API.paymentCreationError("未登录")
            verify(ConsoleLog.has("❌ 创建支付订单失败: 未登录"))
            // The shown order's polling runs on and ends by itself.
            compare(ApiSpy.callNames(), [])
            verify(!vip.isPaying)
            verify(part("buyButton").visible)
            verify(part("buyButton").enabled)
            compare(vip.selectedPlanId, 14)
        }

        function test_createdWithoutOrderNumber_data() {
            return [
                { tag: "empty", payment: { orderId: "", paymentUrl: "http://127.0.0.1:9/qr.png" } },
                { tag: "blank", payment: { orderId: "  ", paymentUrl: "http://127.0.0.1:9/qr.png" } },
                { tag: "absent", payment: { paymentUrl: "http://127.0.0.1:9/qr.png" } }
            ]
        }

        function test_createdWithoutOrderNumber(data) {
            createVip()
            API.plansLoaded(fivePlans)
            click(part("buyButton"))
            ApiSpy.clear()
            ConsoleLog.clear()
            API.paymentCreated(data.payment)
            compare(ApiSpy.callNames(), [])
            verifyChoosing()
            compare(ConsoleLog.startingWith("❌ 创建支付订单失败:"), ["❌ 创建支付订单失败: 支付订单缺少订单号"])
            verify(!ConsoleLog.has("✅ 支付订单创建成功"))
        }

        // --- the QR picture ---

        // The page as drawn, read in the square's own coordinates (a grab of
        // the square alone is taken from the wrong place on 6.4).
        function squareGrab(square) {
            pageY(square)
            waitForRendering(vip)
            const origin = square.mapToItem(vip, 0, 0)
            const image = grabImage(vip)
            return {
                pixel: function (x, y) {
                    return image.pixel(origin.x + x, origin.y + y)
                }
            }
        }

        function test_qrPictureIsDrawnInTheSquare() {
            paying("ORD-1", Qt.resolvedUrl("../fixtures/two-halves.png").toString())
            const qr = part("qrCodeImage")
            tryCompare(qr, "status", Image.Ready)
            compare(qr.width, 200)
            compare(qr.height, 200)
            const image = squareGrab(qr)
            // A 2:1 picture fills the width, whole, with empty bands above and below.
            verify(Qt.colorEqual(image.pixel(5, 100), "black"))
            verify(Qt.colorEqual(image.pixel(50, 100), "black"))
            verify(Qt.colorEqual(image.pixel(150, 100), "red"))
            verify(Qt.colorEqual(image.pixel(194, 100), "red"))
            verify(Qt.colorEqual(image.pixel(100, 20), Constants.cardColor))
            verify(Qt.colorEqual(image.pixel(100, 180), Constants.cardColor))
        }

        function test_qrAddressThatFailsStaysEmpty_data() {
            return [
                { tag: "missing file", url: Qt.resolvedUrl("../fixtures/missing.png").toString() },
                { tag: "nothing listening", url: "http://127.0.0.1:9/qr/none.png" }
            ]
        }

        function test_qrAddressThatFailsStaysEmpty(data) {
            paying("ORD-1", data.url)
            const qr = part("qrCodeImage")
            tryCompare(qr, "status", Image.Error, 10000)
            const image = squareGrab(qr)
            for (const point of [[100, 100], [5, 5], [195, 195]])
                verify(Qt.colorEqual(image.pixel(point[0], point[1]), Constants.cardColor),
                       point + ": " + image.pixel(point[0], point[1]))
            // Still usable.
            compare(part("orderText").text, "订单号: ORD-1")
            click(part("cancelButton"))
            compare(ApiSpy.callNames(), ["stopPollingPayment"])
        }
    }

    // The page inside the window: the back area while a code is shown.
    TestCase {
        name: "VipScreenInTheWindow"
        when: windowShown

        function test_backWhilePayingStopsThePolling() {
            ApiSpy.reset()
            const app = createTemporaryObject(appComponent, page)
            app.buildPages()
            const stack = app.stackView
            findChild(stack.currentItem, "splashTimer").triggered()
            tryCompare(stack, "busy", false)
            stack.get(0).vipArea.clicked(null)
            tryCompare(stack, "busy", false)
            compare(stack.currentItem.objectName, "vipPage")
            const vip = findChild(stack.currentItem, "vipScreen")
            API.plansLoaded([{ id: 1, name: "A", price: 1 }, { id: 2, name: "B", price: 2 }])
            mouseClick(findChild(vip, "buyButton"))
            API.paymentCreated({ orderId: "ORD-1", paymentUrl: "http://127.0.0.1:9/qr.png" })
            verify(vip.isPaying)
            ApiSpy.clear()
            ConsoleLog.clear()

            const back = findChild(stack.currentItem, "backMouseArea")
            mouseClick(back)
            tryCompare(stack, "depth", 1)
            tryVerify(function () { return ConsoleLog.has("🔙 返回上一页") })
            verify(ApiSpy.callCount("stopPollingPayment") >= 1)
            // Nothing asks for the status again, and a late outcome finds no page.
            API.paymentStatusLoaded({ status: "pending" })
            API.paymentCompleted("ORD-1")
            const asked = ApiSpy.callNames().filter(function (name) {
                return name !== "stopPollingPayment"
            })
            compare(asked.filter(function (name) {
                return name.indexOf("Payment") >= 0 || name === "refreshUserInfo"
            }), [])
            verify(!ConsoleLog.has("🎉 支付成功！订单号: ORD-1"))
        }
    }
}
