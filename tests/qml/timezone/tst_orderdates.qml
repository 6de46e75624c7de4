import QtQuick
import QtTest
import LumoraContent

// Runs with the time zone fixed at UTC+8 (China, no daylight saving): an
// order shows the calendar date of its instant there, not the date in UTC.
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
        name: "OrderDates"
        when: windowShown

        function test_zoneIsFixed() {
            compare(new Date(Date.UTC(2026, 0, 1)).getTimezoneOffset(), -480)
            compare(new Date(Date.UTC(2026, 6, 1)).getTimezoneOffset(), -480)
        }

        function test_localDate_data() {
            return [
                { tag: "late evening in UTC is the next day here", instant: "2026-03-01T20:00:00Z",
                  text: "2026-03-02" },
                { tag: "just before local midnight", instant: "2026-03-01T15:59:59Z", text: "2026-03-01" },
                { tag: "local midnight", instant: "2026-03-01T16:00:00Z", text: "2026-03-02" },
                { tag: "written with the service's offset", instant: "2026-03-01T23:30:00-02:00",
                  text: "2026-03-02" },
                { tag: "new year", instant: "2025-12-31T16:30:00Z", text: "2026-01-01" }
            ]
        }

        function test_localDate(data) {
            ApiSpy.set("isLoggedIn", true)
            const wrapper = createTemporaryObject(wrapperComponent, page)
            const instant = new Date(data.instant)
            compare(wrapper.formatDate(instant), data.text)
            // As a card shows it, after the trip through "API".
            API.ordersLoaded([{ orderNumber: "A1", planName: "月度会员", amount: 30, status: "paid",
                                statusText: "已支付", paymentMethod: "", paymentMethodText: "",
                                createdAt: instant }])
            compare(findChild(findChild(wrapper, "ordersRepeater").itemAt(0), "dateText").text, data.text)
        }
    }
}
