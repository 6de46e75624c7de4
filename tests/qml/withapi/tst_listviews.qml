import QtQuick
import QtTest
import Lumora
import LumoraContent

Item {
    id: page
    width: 430
    height: 880

    Component {
        id: ordersComponent
        MyOrdersScreen {}
    }

    Component {
        id: announcementsComponent
        AnnouncementScreen {}
    }

    TestCase {
        name: "ListViews"
        when: windowShown

        property var view

        function init() {
            ApiSpy.reset()
            ConsoleLog.clear()
        }

        function part(name) {
            return findChild(view, name)
        }

        function items(repeaterName) {
            const repeater = part(repeaterName)
            const result = []
            for (let i = 0; i < repeater.count; ++i)
                result.push(repeater.itemAt(i))
            return result
        }

        // The toolkit's own text for a date-time value.
        function dateText(value) {
            const text = createTemporaryQmlObject("import QtQuick; Text {}", page)
            text.text = value
            return text.text
        }

        function sameColour(actual, expected) {
            const a = actual, e = expected
            return Math.abs(a.r - e.r) < 0.005 && Math.abs(a.g - e.g) < 0.005 && Math.abs(a.b - e.b) < 0.005
                    && Math.abs(a.a - e.a) < 0.005
        }

        function order(values) {
            const record = { orderNumber: "", planName: "", amount: 0, status: "", statusText: "",
                paymentMethod: "", paymentMethodText: "", createdAt: new Date(NaN) }
            for (const key in values)
                record[key] = values[key]
            return record
        }

        function announcement(values) {
            const record = { id: 0, title: "", content: "", type: "", publishedAt: new Date(NaN),
                createdAt: new Date(NaN) }
            for (const key in values)
                record[key] = values[key]
            return record
        }

        // --- the order list view ---

        function test_ordersViewAsksAtOnce() {
            view = createTemporaryObject(ordersComponent, page)
            // Signed out too: the view does not look.
            compare(ApiSpy.calls("getUserOrders"), [[]])
            verify(ConsoleLog.has("🔄 我的订单页面加载，获取订单列表"))
            compare(view.width, 430)
            compare(view.height, 880)
            verify(part("loadingText").visible)
            compare(part("loadingText").text, "正在加载订单...")
        }

        function test_ordersViewCopiesSixKeys() {
            view = createTemporaryObject(ordersComponent, page)
            const when = new Date(2026, 2, 1, 10, 30)
            API.ordersLoaded([order({ orderNumber: "ORD1", planName: "月度会员", amount: 19.9, status: "paid",
                                      statusText: "已支付", paymentMethod: "alipay", createdAt: when }),
                              order({ orderNumber: "ORD2", planName: "", amount: 0, status: "pending",
                                      statusText: "待支付" })])
            verify(ConsoleLog.has("✅ 订单列表加载成功，数量: 2"))
            const model = part("ordersModel")
            compare(model.count, 2)
            const first = model.get(0)
            compare(first.orderNumber, "ORD1")
            compare(first.planName, "月度会员")
            compare(first.amount, 19.9)
            compare(first.status, "paid")
            compare(first.statusText, "已支付")
            compare(first.createdAt.getTime(), when.getTime())
            compare(first.paymentMethod, undefined)
            verify(!part("loadingText").visible)

            const cards = items("ordersRepeater")
            compare(findChild(cards[0], "orderNumberText").text, "ORD1")
            compare(findChild(cards[0], "planText").text, "月度会员")
            compare(findChild(cards[0], "amountText").text, "¥19.9")
            compare(findChild(cards[0], "createdAtText").text, dateText(when))
            compare(findChild(cards[0], "crownText").text, "👑")
            // No fallbacks: an empty plan leaves the crown alone, 0 is ¥0.
            compare(findChild(cards[1], "planText").text, "")
            compare(findChild(cards[1], "amountText").text, "¥0")
            compare(findChild(cards[1], "createdAtText").text, "")
            for (const card of cards) {
                compare(card.height, 110)
                compare(card.radius, 12)
            }
        }

        function test_ordersViewPill_data() {
            return [
                { tag: "paid", status: "paid", fill: Qt.rgba(0, 1, 217 / 255, 0.1), text: Constants.colorSuccess },
                { tag: "completed", status: "completed", fill: Qt.rgba(0, 1, 217 / 255, 0.1),
                  text: Constants.colorSuccess },
                { tag: "pending", status: "pending", fill: Qt.rgba(1, 165 / 255, 0, 0.1), text: Constants.primaryVip },
                { tag: "processing", status: "processing", fill: Qt.rgba(1, 82 / 255, 82 / 255, 0.1),
                  text: Constants.colorError },
                { tag: "cancelled", status: "cancelled", fill: Qt.rgba(1, 82 / 255, 82 / 255, 0.1),
                  text: Constants.colorError },
                { tag: "empty", status: "", fill: Qt.rgba(1, 82 / 255, 82 / 255, 0.1), text: Constants.colorError }
            ]
        }

        function test_ordersViewPill(data) {
            view = createTemporaryObject(ordersComponent, page)
            API.ordersLoaded([order({ status: data.status, statusText: "状态" })])
            const pill = findChild(items("ordersRepeater")[0], "statusPill")
            verify(sameColour(pill.color, data.fill), pill.color + " for " + data.status)
            verify(sameColour(findChild(pill, "statusPillText").color, data.text))
            compare(pill.width, 60)
            compare(pill.height, 24)
        }

        function test_ordersViewReplacesAndKeeps() {
            view = createTemporaryObject(ordersComponent, page)
            API.ordersLoaded([order({ orderNumber: "A" }), order({ orderNumber: "B" })])
            API.ordersError("超时")
            verify(ConsoleLog.has("❌ 订单列表加载失败: 超时"))
            compare(part("ordersModel").count, 2)
            API.ordersLoaded([order({ orderNumber: "C" })])
            compare(part("ordersModel").count, 1)
            compare(part("ordersModel").get(0).orderNumber, "C")
            API.ordersLoaded([])
            verify(part("loadingText").visible)
        }

        // --- the announcement list view ---

        function test_announcementViewRequestsNothing() {
            view = createTemporaryObject(announcementsComponent, page)
            compare(ApiSpy.callNames(), [])
            verify(part("loadingText").visible)
            compare(part("loadingText").text, "正在加载公告...")
            API.announcementsError("网络错误")
            verify(ConsoleLog.has("❌ 公告列表加载失败: 网络错误"))
            verify(part("loadingText").visible)
        }

        function test_announcementViewCopiesSixRoles() {
            view = createTemporaryObject(announcementsComponent, page)
            const published = new Date(2026, 4, 1, 9, 30)
            const created = new Date(2026, 3, 20, 18, 0)
            API.announcementsLoaded([announcement({ id: 7, title: "维护", content: "今晚维护", type: "maintenance",
                                                    publishedAt: published, createdAt: created }),
                                     announcement({ id: 8, createdAt: created }),
                                     announcement({ id: 9 })])
            verify(ConsoleLog.has("✅ 公告列表加载成功，数量: 3"))
            const model = part("announcementsModel")
            compare(model.count, 3)
            const first = model.get(0)
            compare(first.id, 7)
            compare(first.title, "维护")
            compare(first.content, "今晚维护")
            compare(first.type, "maintenance")
            compare(first.publishedAt.getTime(), published.getTime())
            compare(first.createdAt.getTime(), created.getTime())
            verify(!part("loadingText").visible)

            const cards = items("announcementsRepeater")
            compare(findChild(cards[0], "cardDate").text, dateText(published))
            compare(findChild(cards[1], "cardDate").text, dateText(created))
            compare(findChild(cards[2], "cardDate").text, "")
            // No substitutes for an empty title or content.
            compare(findChild(cards[1], "cardTitle").text, "")
            compare(findChild(cards[1], "cardContent").text, "")
            compare(cards[0].radius, 12)
        }

        function test_announcementViewIcon_data() {
            return [
                { tag: "maintenance", type: "maintenance", icon: "🔧" },
                { tag: "update", type: "update", icon: "🚀" },
                { tag: "activity", type: "activity", icon: "🎉" },
                { tag: "other", type: "info", icon: "📢" },
                { tag: "empty", type: "", icon: "📢" }
            ]
        }

        function test_announcementViewIcon(data) {
            view = createTemporaryObject(announcementsComponent, page)
            API.announcementsLoaded([announcement({ type: data.type, title: "T" })])
            compare(findChild(items("announcementsRepeater")[0], "typeIcon").text, data.icon)
        }

        function test_announcementViewCutsContentToTwoLines() {
            view = createTemporaryObject(announcementsComponent, page)
            API.announcementsLoaded([announcement({ title: "短", content: "短" }),
                                     announcement({ title: "长", content: "很长的公告正文。".repeat(40) })])
            const cards = items("announcementsRepeater")
            const shortText = findChild(cards[0], "cardContent")
            const longText = findChild(cards[1], "cardContent")
            compare(shortText.lineCount, 1)
            compare(longText.lineCount, 2)
            verify(longText.truncated)
            compare(longText.elide, Text.ElideRight)
            verify(cards[1].height < cards[0].height * 2)
        }

        function test_announcementViewReplacesRows() {
            view = createTemporaryObject(announcementsComponent, page)
            API.announcementsLoaded([announcement({ title: "A" }), announcement({ title: "B" })])
            API.announcementsLoaded([announcement({ title: "C" })])
            compare(part("announcementsModel").count, 1)
            compare(part("announcementsModel").get(0).title, "C")
            API.announcementsLoaded([])
            verify(part("loadingText").visible)
        }

        function test_backGlyphsDoNothing_data() {
            return [
                { tag: "orders", component: ordersComponent },
                { tag: "announcements", component: announcementsComponent }
            ]
        }

        function test_backGlyphsDoNothing(data) {
            view = createTemporaryObject(data.component, page)
            ApiSpy.clear()
            ConsoleLog.clear()
            compare(part("backGlyphMouseArea").cursorShape, Qt.PointingHandCursor)
            mouseClick(part("backGlyph"))
            compare(ApiSpy.callNames(), [])
            compare(ConsoleLog.lines, [])
        }
    }
}
