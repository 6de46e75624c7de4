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
        AnnouncementScreenWrapper {
            width: 430
            height: 880
        }
    }

    TestCase {
        name: "AnnouncementScreen"
        when: windowShown

        property var wrapper

        readonly property date published: new Date(2026, 4, 1, 9, 30)
        readonly property date created: new Date(2026, 3, 20, 18, 0)

        function init() {
            ApiSpy.reset()
            ConsoleLog.clear()
        }

        function part(name) {
            return findChild(wrapper, name)
        }

        function createPage() {
            wrapper = createTemporaryObject(wrapperComponent, page)
            verify(wrapper)
            return wrapper
        }

        // A record as "API" hands it over: exactly these keys.
        function announcement(values) {
            const record = { id: 0, title: "", content: "", type: "", publishedAt: new Date(NaN),
                createdAt: new Date(NaN) }
            for (const key in values)
                record[key] = values[key]
            return record
        }

        function cards() {
            const repeater = part("announcementRepeater")
            const result = []
            for (let i = 0; i < repeater.count; ++i)
                result.push(repeater.itemAt(i))
            return result
        }

        function shown() {
            const names = []
            for (const name of ["loadingText", "errorText", "cardColumn"])
                if (part(name).visible)
                    names.push(name)
            return names
        }

        function pageY(item) {
            return item.mapToItem(wrapper, 0, 0).y
        }

        // --- states ---

        function test_creationLoads() {
            createPage()
            compare(ApiSpy.calls("getAnnouncements"), [[]])
            compare(ApiSpy.callNames(), ["getAnnouncements"])
            compare(shown(), ["loadingText"])
            compare(part("loadingText").text, "加载中...")
            compare(part("titleText").text, "公告中心")
            tryVerify(function () { return pageY(part("loadingText")) === 86 })
            verify(ConsoleLog.has("开始加载公告列表"))
        }

        function test_signedOutLoadsAlike() {
            ApiSpy.set("isLoggedIn", false)
            createPage()
            compare(ApiSpy.callCount("getAnnouncements"), 1)
        }

        function test_replies_data() {
            return [
                { tag: "list", records: [{ title: "一" }, { title: "二" }], shown: ["cardColumn"], cards: 2,
                  line: "公告加载成功，数量: 2" },
                { tag: "empty list", records: [], shown: ["cardColumn"], cards: 0,
                  line: "公告加载成功，数量: 0" },
                { tag: "error", error: "网络错误", shown: ["errorText"], text: "加载失败: 网络错误",
                  line: "公告加载失败: 网络错误" },
                { tag: "error with an empty message", error: "", shown: ["errorText"], text: "加载失败: ",
                  line: "公告加载失败: " }
            ]
        }

        function test_replies(data) {
            createPage()
            if (data.records !== undefined)
                API.announcementsLoaded(data.records.map(announcement))
            else
                API.announcementsError(data.error)
            compare(wrapper.isLoading, false)
            compare(shown(), data.shown)
            if (data.text !== undefined) {
                compare(part("errorText").text, data.text)
                verify(Qt.colorEqual(part("errorText").color, Constants.colorError))
            }
            if (data.cards !== undefined)
                compare(cards().length, data.cards)
            verify(ConsoleLog.has(data.line), data.line)
        }

        function test_laterRepliesSwitchState() {
            createPage()
            API.announcementsError("超时")
            API.announcementsLoaded([announcement({ title: "维护通知" })])
            compare(shown(), ["cardColumn"])
            compare(wrapper.errorMessage, "")
            compare(findChild(cards()[0], "cardTitle").text, "维护通知")
            API.announcementsError("拒绝")
            compare(shown(), ["errorText"])
            compare(part("errorText").text, "加载失败: 拒绝")
            compare(wrapper.announcementList.length, 1)
            API.announcementsLoaded([])
            compare(shown(), ["cardColumn"])
            compare(cards().length, 0)
        }

        // --- the cards ---

        function test_card_data() {
            return [
                { tag: "full", record: { id: 3, title: "新版本", content: "修复了若干问题", type: "update",
                                         publishedAt: published, createdAt: created },
                  title: "新版本", content: "修复了若干问题", date: published },
                { tag: "all empty", record: {}, title: "无标题", content: "无内容", date: null },
                { tag: "no publication date", record: { title: "T", content: "C", createdAt: created },
                  title: "T", content: "C", date: created },
                { tag: "publication date only", record: { title: "T", content: "C", publishedAt: published },
                  title: "T", content: "C", date: published },
                { tag: "dates missing altogether", record: { title: "T", content: "C", publishedAt: undefined,
                                                              createdAt: null },
                  title: "T", content: "C", date: null }
            ]
        }

        function test_card(data) {
            createPage()
            API.announcementsLoaded([announcement(data.record)])
            const card = cards()[0]
            compare(findChild(card, "cardTitle").text, data.title)
            compare(findChild(card, "cardContent").text, data.content)
            const date = findChild(card, "cardDate")
            if (data.date === null) {
                compare(date.text, "")
            } else {
                // The toolkit's own text for the date, whatever it is.
                const expected = createTemporaryQmlObject("import QtQuick; Text {}", page)
                expected.text = data.date
                compare(date.text, expected.text)
                verify(date.text !== "")
            }
            verify(!findChild(card, "newMarker").visible)
            compare(findChild(card, "cardTitle").x, 0)
            compare(card.height, findChild(card, "contentCol").height + 32)
        }

        function test_typeAndIdChangeNothing() {
            createPage()
            API.announcementsLoaded([announcement({ id: 1, type: "maintenance", title: "T" }),
                                     announcement({ id: 99, type: "activity", title: "T" })])
            const list = cards()
            compare(list[0].height, list[1].height)
            compare(findChild(list[0], "cardTitle").text, findChild(list[1], "cardTitle").text)
        }

        function test_longTextsGrowTheCard() {
            createPage()
            const longTitle = "很长的标题".repeat(12)
            API.announcementsLoaded([announcement({ title: "短", content: "短" }),
                                     announcement({ title: longTitle, content: "正文。".repeat(200) })])
            const list = cards()
            const title = findChild(list[1], "cardTitle")
            compare(title.width, 318)
            verify(title.lineCount > 1)
            const content = findChild(list[1], "cardContent")
            compare(content.truncated, false)
            tryVerify(function () { return list[1].height > list[0].height + 200 })
        }

        // --- scrolling ---

        function test_shortListStaysPut() {
            createPage()
            API.announcementsLoaded([announcement({ title: "一" })])
            const flickable = part("announcementFlickable")
            compare(flickable.y, 70)
            compare(flickable.clip, true)
            mouseDrag(flickable, 200, 400, 0, -300)
            mouseDrag(flickable, 200, 400, -200, 0)
            compare(flickable.contentY, 0)
            compare(flickable.contentX, 0)
            tryVerify(function () { return pageY(cards()[0]) === 86 })
        }

        function test_longListScrollsUnderTheHeader() {
            createPage()
            API.announcementsLoaded([announcement({ title: "一", content: "正文。".repeat(400) }),
                                     announcement({ title: "最后一条" })])
            const flickable = part("announcementFlickable")
            const last = cards()[1]
            tryVerify(function () { return pageY(last) > 880 })
            mouseDrag(flickable, 200, 700, 0, -600)
            tryVerify(function () { return !flickable.moving })
            verify(flickable.contentY > 0)
            flickable.contentY = flickable.contentHeight - flickable.height
            verify(pageY(last) + last.height <= 880)
            compare(pageY(part("header")), 20)
        }
    }
}
