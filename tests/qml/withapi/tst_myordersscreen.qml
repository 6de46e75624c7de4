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
        MyOrdersScreenWrapper {
            width: 430
            height: 880
        }
    }

    TestCase {
        name: "MyOrdersScreen"
        when: windowShown

        property var wrapper

        function init() {
            ApiSpy.reset()
            ConsoleLog.clear()
        }

        function part(name) {
            return findChild(wrapper, name)
        }

        function createOrders(loggedIn) {
            ApiSpy.set("isLoggedIn", loggedIn)
            wrapper = createTemporaryObject(wrapperComponent, page)
            verify(wrapper)
            return wrapper
        }

        // An order as "API" hands it over: every key present.
        function order(values) {
            const record = { orderNumber: "", planName: "", amount: 0, status: "", statusText: "",
                paymentMethod: "", paymentMethodText: "", createdAt: new Date(NaN) }
            for (const key in values)
                record[key] = values[key]
            return record
        }

        function cards() {
            const repeater = part("ordersRepeater")
            const result = []
            for (let i = 0; i < repeater.count; ++i)
                result.push(repeater.itemAt(i))
            return result
        }

        function cardText(card, name) {
            return findChild(card, name).text
        }

        // Which of the four lines below the header shows.
        function shown() {
            const names = []
            for (const name of ["loadingText", "errorText", "emptyText", "orderColumn"])
                if (part(name).visible)
                    names.push(name)
            return names
        }

        function pageY(item) {
            return item.mapToItem(wrapper, 0, 0).y
        }

        // --- states ---

        function test_signedOutSendsNothing() {
            createOrders(false)
            compare(ApiSpy.callNames(), [])
            compare(shown(), ["errorText"])
            compare(part("errorText").text, "请先登录")
            verify(Qt.colorEqual(part("errorText").color, Constants.colorError))
            compare(part("titleText").text, "我的订单")
            compare(wrapper.isLoading, false)
        }

        function test_signedInLoads() {
            createOrders(true)
            compare(ApiSpy.calls("getUserOrders"), [[]])
            compare(ApiSpy.callNames(), ["getUserOrders"])
            compare(shown(), ["loadingText"])
            compare(part("loadingText").text, "加载中...")
            verify(ConsoleLog.has("开始加载订单列表"))
            tryVerify(function () { return pageY(part("loadingText")) === 86 })
        }

        function test_replies_data() {
            return [
                { tag: "error", error: "网络错误", shown: ["errorText"], text: "加载失败: 网络错误",
                  line: "订单加载失败: 网络错误" },
                { tag: "error with an empty message", error: "", shown: ["errorText"], text: "加载失败: ",
                  line: "订单加载失败: " },
                { tag: "empty list", orders: [], shown: ["emptyText"], text: "暂无订单记录",
                  line: "订单加载成功，数量: 0" },
                { tag: "orders", orders: [{ orderNumber: "A1" }, { orderNumber: "A2" }], shown: ["orderColumn"],
                  line: "订单加载成功，数量: 2" }
            ]
        }

        function test_replies(data) {
            createOrders(true)
            if (data.orders !== undefined)
                API.ordersLoaded(data.orders.map(order))
            else
                API.ordersError(data.error)
            compare(wrapper.isLoading, false)
            compare(shown(), data.shown)
            if (data.text !== undefined)
                compare(part(data.shown[0]).text, data.text)
            verify(ConsoleLog.has(data.line), data.line)
            tryVerify(function () { return pageY(part(data.shown[0])) === 86 })
        }

        function test_cardsInReplyOrder() {
            createOrders(true)
            API.ordersLoaded([order({ orderNumber: "B2" }), order({ orderNumber: "A1" }), order({ orderNumber: "C3" })])
            compare(cards().map(function (card) { return cardText(card, "orderNumberText") }), ["B2", "A1", "C3"])
        }

        function test_laterRepliesSwitchState() {
            createOrders(true)
            API.ordersLoaded([order({ orderNumber: "A1" })])
            API.ordersError("超时")
            compare(shown(), ["errorText"])
            compare(wrapper.orderList.length, 1)
            API.ordersLoaded([order({ orderNumber: "B1" }), order({ orderNumber: "B2" })])
            compare(shown(), ["orderColumn"])
            compare(wrapper.errorMessage, "")
            compare(cards().length, 2)
            API.ordersLoaded([])
            compare(shown(), ["emptyText"])
        }

        // --- the cards ---

        function test_card_data() {
            return [
                { tag: "full", order: { orderNumber: "ORD20260301001", planName: "月度会员", amount: 19.9,
                                         status: "paid", statusText: "已支付", paymentMethod: "alipay",
                                         paymentMethodText: "支付宝", createdAt: new Date(2026, 2, 1, 10, 30) },
                  number: "ORD20260301001", badge: "已支付", plan: "月度会员", amount: "¥19.9", date: "2026-03-01",
                  payment: "支付方式: 支付宝" },
                { tag: "all empty", order: {},
                  number: "N/A", badge: "未知", plan: "未知套餐", amount: "¥0.00", date: "", payment: null },
                { tag: "status without its text", order: { status: "refunded" },
                  number: "N/A", badge: "refunded", plan: "未知套餐", amount: "¥0.00", date: "", payment: null },
                { tag: "method without its text", order: { paymentMethod: "wechat" },
                  number: "N/A", badge: "未知", plan: "未知套餐", amount: "¥0.00", date: "", payment: "支付方式: wechat" },
                { tag: "method text without a method", order: { paymentMethodText: "支付宝" },
                  number: "N/A", badge: "未知", plan: "未知套餐", amount: "¥0.00", date: "", payment: null }
            ]
        }

        function test_card(data) {
            createOrders(true)
            API.ordersLoaded([order(data.order)])
            const card = cards()[0]
            compare(cardText(card, "orderNumberText"), data.number)
            compare(cardText(card, "statusText"), data.badge)
            compare(cardText(card, "planText"), data.plan)
            compare(cardText(card, "amountText"), data.amount)
            compare(cardText(card, "dateText"), data.date)
            compare(findChild(card, "paymentText").visible, data.payment !== null)
            if (data.payment !== null)
                compare(cardText(card, "paymentText"), data.payment)
            compare(card.width, 390)
            compare(card.height, findChild(card, "cardColumn").height + 24)
        }

        function test_badgeColour_data() {
            return [
                { tag: "completed", status: "completed", colour: Constants.colorSuccess },
                { tag: "paid", status: "paid", colour: Constants.colorSuccess },
                { tag: "pending", status: "pending", colour: "#FF9800" },
                { tag: "processing", status: "processing", colour: "#FF9800" },
                { tag: "cancelled", status: "cancelled", colour: Constants.colorError },
                { tag: "failed", status: "failed", colour: Constants.colorError },
                { tag: "refunded", status: "refunded", colour: Constants.textSecondary },
                { tag: "other letter case", status: "Paid", colour: Constants.textSecondary },
                { tag: "empty", status: "", colour: Constants.textSecondary }
            ]
        }

        function test_badgeColour(data) {
            createOrders(true)
            verify(Qt.colorEqual(wrapper.getStatusColor(data.status), data.colour))
            API.ordersLoaded([order({ status: data.status, statusText: "状态" })])
            const badge = findChild(cards()[0], "statusBadge")
            verify(Qt.colorEqual(badge.color, data.colour), badge.color + " for " + data.status)
            compare(cardText(cards()[0], "statusText"), "状态")
            compare(badge.width, findChild(badge, "statusText").implicitWidth + 16)
        }

        function test_amount_data() {
            return [
                { tag: "whole", amount: 30, text: "¥30" },
                { tag: "one decimal", amount: 29.9, text: "¥29.9" },
                { tag: "two decimals", amount: 19.99, text: "¥19.99" },
                { tag: "zero", amount: 0, text: "¥0.00" },
                { tag: "not a number", amount: NaN, text: "¥0.00" },
                { tag: "absent", amount: undefined, text: "¥0.00" }
            ]
        }

        function test_amount(data) {
            createOrders(true)
            API.ordersLoaded([order({ amount: data.amount })])
            compare(cardText(cards()[0], "amountText"), data.text)
        }

        function test_formatDate_data() {
            return [
                { tag: "date value", value: new Date(2026, 0, 5, 8, 15), text: "2026-01-05" },
                { tag: "late evening", value: new Date(2025, 11, 31, 23, 59, 59), text: "2025-12-31" },
                { tag: "just after midnight", value: new Date(2026, 1, 1, 0, 0, 1), text: "2026-02-01" },
                { tag: "early year", value: new Date(987, 6, 4, 12), text: "0987-07-04" },
                { tag: "invalid date", value: new Date(NaN), text: "" },
                { tag: "undefined", value: undefined, text: "" },
                { tag: "null", value: null, text: "" },
                { tag: "empty text", value: "", text: "" },
                { tag: "unreadable text", value: "gestern", text: "" },
                { tag: "a number", value: 12, text: "" }
            ]
        }

        function test_formatDate(data) {
            createOrders(false)
            compare(wrapper.formatDate(data.value), data.text)
        }

        function test_dateSitsAfterTheAmount() {
            createOrders(true)
            API.ordersLoaded([order({ amount: 30, createdAt: new Date(2026, 2, 1) })])
            const card = cards()[0]
            const amount = findChild(card, "amountText")
            tryVerify(function () { return findChild(card, "dateText").x === amount.x + amount.width + 166 })
            const number = findChild(card, "orderNumberText")
            tryVerify(function () {
                return findChild(card, "statusBadge").x === number.x + number.width + 8 + 166 + 8
            })
        }

        // The badge stays inside the card whatever the number's length: the
        // gap before it shrinks first, then the number elides.
        function test_badgeStaysInsideTheCard_data() {
            return [
                { tag: "3 characters", number: "A12", elided: false },
                { tag: "14 characters", number: "ORD20260301001", elided: false },
                { tag: "20 characters", number: "ORD20260301001000123", elided: false },
                { tag: "30 characters", number: "ORD202603010010001234567890123", elided: false },
                { tag: "60 characters", number: "ORD" + "1234567890".repeat(5) + "1234567", elided: true },
                { tag: "80 characters", number: "X".repeat(80), elided: true },
                { tag: "one long word with a long status", number: "W".repeat(60), status: "等待人工审核处理中",
                  elided: true }
            ]
        }

        function test_badgeStaysInsideTheCard(data) {
            createOrders(true)
            API.ordersLoaded([order({ orderNumber: data.number, status: "paid",
                                      statusText: data.status ? data.status : "已支付" })])
            const card = cards()[0]
            const number = findChild(card, "orderNumberText")
            const badge = findChild(card, "statusBadge")
            waitForItemPolished(findChild(card, "topLine"))
            const numberBox = number.mapToItem(card, 0, 0, number.width, number.height)
            const badgeBox = badge.mapToItem(card, 0, 0, badge.width, badge.height)
            verify(badgeBox.x + badgeBox.width <= card.width - 12,
                   "badge ends at " + (badgeBox.x + badgeBox.width) + " of " + card.width)
            verify(numberBox.x + numberBox.width + 8 <= badgeBox.x,
                   "number ends at " + (numberBox.x + numberBox.width) + ", badge at " + badgeBox.x)
            compare(numberBox.x, 12)
            compare(number.truncated, data.elided)
            compare(badge.width, findChild(badge, "statusText").implicitWidth + 16)
            // A number that fits keeps the whole gap before the badge; a
            // longer one brings the badge to the card's inner right edge.
            if (number.implicitWidth + 182 + badge.width <= 366)
                compare(badgeBox.x, 12 + number.implicitWidth + 182)
            else
                compare(badgeBox.x + badgeBox.width, card.width - 12)
        }

        // --- scrolling ---

        function test_shortListStaysPut() {
            createOrders(true)
            API.ordersLoaded([order({ orderNumber: "A1" }), order({ orderNumber: "A2" })])
            const flickable = part("ordersFlickable")
            compare(flickable.y, 70)
            compare(flickable.clip, true)
            mouseDrag(flickable, 200, 400, 0, -300)
            mouseDrag(flickable, 200, 400, -200, 0)
            compare(flickable.contentY, 0)
            compare(flickable.contentX, 0)
            tryVerify(function () { return pageY(cards()[0]) === 86 })
        }

        function test_longListScrollsUnderTheHeader() {
            createOrders(true)
            const many = []
            for (let i = 0; i < 20; ++i)
                many.push(order({ orderNumber: "N" + i, planName: "月度会员", amount: 19.9, status: "paid",
                                  paymentMethod: "alipay" }))
            API.ordersLoaded(many)
            const flickable = part("ordersFlickable")
            tryVerify(function () { return flickable.contentHeight > flickable.height })
            const last = cards()[19]
            tryVerify(function () { return pageY(last) > 880 })
            // The header never moves; the last card comes into view.
            const header = part("header")
            mouseDrag(flickable, 200, 700, 0, -600)
            tryVerify(function () { return !flickable.moving })
            verify(flickable.contentY > 0)
            flickable.contentY = flickable.contentHeight - flickable.height
            verify(pageY(last) + last.height <= 880)
            compare(pageY(header), 20)
            mouseDrag(flickable, 200, 400, -300, 0)
            tryVerify(function () { return !flickable.moving })
            compare(flickable.contentX, 0)
        }
    }
}
