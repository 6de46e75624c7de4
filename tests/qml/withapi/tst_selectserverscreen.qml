import QtQuick
import QtTest
import Lumora
import LumoraContent

Item {
    id: page
    width: 430
    height: 880

    Component {
        id: screenComponent
        SelectServerScreen {}
    }

    Component {
        id: spyComponent
        SignalSpy {}
    }

    TestCase {
        name: "SelectServerScreen"
        when: windowShown

        property var screen
        property var selected

        readonly property color vipBorder: Qt.rgba(1, 0xD7 / 255, 0, 0.2)

        function init() {
            ApiSpy.reset()
            ConsoleLog.clear()
            screen = createTemporaryObject(screenComponent, page)
            selected = createTemporaryObject(spyComponent, page, { target: screen, signalName: "serverSelected" })
        }

        function part(name) {
            return findChild(screen, name)
        }

        // A record as "API" hands it over.
        function server(id, tier, requiresVip, canConnect, extra) {
            const record = { id: id, name: "线路 " + id, flag: "🇭🇰", countryCode: "HK", tier: tier,
                             requiresVip: requiresVip, canConnect: canConnect, vmessLink: "vmess://" + id }
            for (const key in extra)
                record[key] = extra[key]
            return record
        }

        function rows(repeaterName) {
            const repeater = part(repeaterName)
            const items = []
            for (let i = 0; i < repeater.count; ++i)
                items.push(repeater.itemAt(i))
            return items
        }

        function ids(repeaterName) {
            return rows(repeaterName).map(row => row.serverId)
        }

        function row(repeaterName, index) {
            return part(repeaterName).itemAt(index)
        }

        // Hands a list over and waits for the columns to lay it out.
        function load(list) {
            API.serversLoaded(list)
            for (const name of ["listColumn", "freeGroup", "vipGroup"])
                tryVerify(function () { return !isPolishScheduled(part(name)) })
        }

        function lastArguments() {
            return Array.from(selected.signalArguments[selected.count - 1])
        }

        function test_creationAsksOnceAndWaits() {
            compare(ApiSpy.calls("getServers"), [[""]])
            compare(part("titleText").text, "选择服务器")
            compare(part("waitingText").text, "正在加载服务器列表...")
            verify(part("waitingText").visible)
            verify(!part("freeGroup").visible)
            verify(!part("vipGroup").visible)
            const header = part("header")
            compare([header.x, header.y, header.width, header.height], [20, 20, 390, 50])
            compare(part("backGlyph").text, "←")
            compare(part("listColumn").mapToItem(screen, 0, 0), Qt.point(20, 86))
            compare(part("listColumn").width, 390)
        }

        // Which group a record lands in.
        function test_grouping_data() {
            return [
                { tag: "free, no VIP", tier: "free", requiresVip: false, canConnect: true, group: "free" },
                { tag: "free tier requiring VIP", tier: "free", requiresVip: true, canConnect: false,
                  group: "free" },
                { tag: "vip tier without VIP", tier: "vip", requiresVip: false, canConnect: true, group: "free" },
                { tag: "vip tier requiring VIP", tier: "vip", requiresVip: true, canConnect: true, group: "vip" },
                { tag: "vip tier, locked", tier: "vip", requiresVip: true, canConnect: false, group: "vip" },
                { tag: "Free in other case", tier: "Free", requiresVip: true, canConnect: true, group: "vip" },
                { tag: "empty tier requiring VIP", tier: "", requiresVip: true, canConnect: false, group: "vip" },
                { tag: "free row that cannot connect", tier: "free", requiresVip: false, canConnect: false,
                  group: "free" }
            ]
        }

        function test_grouping(data) {
            load([server(9, data.tier, data.requiresVip, data.canConnect)])
            verify(ConsoleLog.has("✅ 服务器列表加载成功，数量: 1"))
            compare(ids("freeServersRepeater"), data.group === "free" ? [9] : [])
            compare(ids("vipServersRepeater"), data.group === "vip" ? [9] : [])
            compare(part("freeGroup").visible, data.group === "free")
            compare(part("vipGroup").visible, data.group === "vip")
            verify(!part("waitingText").visible)
            // The group shows right below the header, whichever it is.
            const group = part(data.group === "free" ? "freeGroup" : "vipGroup")
            compare(group.mapToItem(screen, 0, 0).y, 86)
        }

        function test_orderIsKeptInsideEachGroup() {
            load([server(1, "vip", true, true), server(2, "free", false, true),
                               server(3, "vip", true, false), server(4, "free", false, false),
                               server(5, "vip", false, true)])
            compare(ids("freeServersRepeater"), [2, 4, 5])
            compare(ids("vipServersRepeater"), [1, 3])
            compare(part("freeCaption").text, "免费线路 (Free)")
            compare(part("vipCaption").text, "VIP 专线 (Premium)")
            verify(part("vipGroup").y > part("freeGroup").y)
        }

        // Border, mark and click of every kind of row.
        function test_rows_data() {
            const free = Constants.primaryFree
            return [
                { tag: "free", tier: "free", vip: false, canConnect: true, selected: false,
                  borderWidth: 0, mark: "", markColor: free, markSize: 20, opacity: 1, chosen: true },
                { tag: "free, selected", tier: "free", vip: false, canConnect: true, selected: true,
                  borderWidth: 2, borderColor: free, mark: "✓", markColor: free, markSize: 20, opacity: 1,
                  chosen: true },
                { tag: "free, cannot connect", tier: "free", vip: false, canConnect: false, selected: false,
                  borderWidth: 0, mark: "", markColor: free, markSize: 20, opacity: 1, chosen: true },
                { tag: "vip", tier: "vip", vip: true, canConnect: true, selected: false,
                  borderWidth: 1, borderColor: vipBorder, mark: "", markColor: free, markSize: 20, opacity: 1,
                  chosen: true },
                { tag: "vip, selected", tier: "vip", vip: true, canConnect: true, selected: true,
                  borderWidth: 2, borderColor: free, mark: "✓", markColor: free, markSize: 20, opacity: 1,
                  chosen: true },
                { tag: "vip, locked", tier: "vip", vip: true, canConnect: false, selected: false,
                  borderWidth: 1, borderColor: vipBorder, mark: "🔒", markColor: Constants.textSecondary,
                  markSize: 16, opacity: 0.7, chosen: false },
                { tag: "vip, locked and selected", tier: "vip", vip: true, canConnect: false, selected: true,
                  borderWidth: 2, borderColor: free, mark: "🔒", markColor: Constants.textSecondary,
                  markSize: 16, opacity: 0.7, chosen: false }
            ]
        }

        function test_rows(data) {
            screen.selectedServerId = data.selected ? 9 : 4
            load([server(9, data.tier, data.vip, data.canConnect)])
            const card = row(data.vip ? "vipServersRepeater" : "freeServersRepeater", 0)
            compare([card.width, card.height, card.radius], [390, 64, 12])
            verify(Qt.colorEqual(card.color, Constants.cardColor))
            compare(card.border.width, data.borderWidth)
            if (data.borderColor !== undefined)
                verify(Qt.colorEqual(card.border.color, data.borderColor), String(card.border.color))
            const name = findChild(card, "serverNameText")
            compare(name.text, "线路 9")
            verify(Qt.colorEqual(name.color, data.vip ? Constants.primaryVip : Constants.textPrimary))
            compare(findChild(card, "latencyText").text, "延迟: 45ms")
            const mark = findChild(card, "markText")
            compare(mark.text, data.mark)
            verify(Qt.colorEqual(mark.color, data.markColor))
            compare(mark.font.pixelSize, data.markSize)
            compare(mark.opacity, data.opacity)
            compare(card.width - (mark.x + mark.width), 20)
            compare(findChild(card, "rowMouseArea").cursorShape, Qt.PointingHandCursor)

            const before = screen.selectedServerId
            ConsoleLog.clear()
            mouseClick(card)
            if (data.chosen) {
                compare(selected.count, 1)
                compare(screen.selectedServerId, 9)
                compare(mark.text, "✓")
                verify(ConsoleLog.has((data.vip ? "📍 选择VIP服务器: " : "📍 选择免费服务器: ") + "线路 9 9"))
            } else {
                compare(selected.count, 0)
                compare(screen.selectedServerId, before)
                compare(ConsoleLog.lines, ["⚠️ 此服务器需要VIP权限"])
            }
        }

        // What a choice hands to the window, the defaults included.
        function test_valuesHandedOn_data() {
            return [
                { tag: "free row", record: server(3, "free", false, true),
                  expected: ["线路 3", "🇭🇰", "HK", "45ms", 3, "vmess://3", false] },
                { tag: "vip row", record: server(8, "vip", true, true, { flag: "🇯🇵", countryCode: "JP" }),
                  expected: ["线路 8", "🇯🇵", "JP", "45ms", 8, "vmess://8", true] },
                { tag: "free tier requiring VIP", record: server(5, "free", true, false),
                  expected: ["线路 5", "🇭🇰", "HK", "45ms", 5, "vmess://5", true] },
                { tag: "empty values", record: server(6, "free", false, true,
                                                      { flag: "", countryCode: "", vmessLink: "" }),
                  expected: ["线路 6", "🌐", "", "45ms", 6, "", false] },
                { tag: "missing values", record: { id: 7, name: "x", tier: "free", requiresVip: false,
                                                   canConnect: true },
                  expected: ["x", "🌐", "", "45ms", 7, "", false] }
            ]
        }

        function test_valuesHandedOn(data) {
            load([data.record])
            const repeater = part("freeServersRepeater").count > 0 ? "freeServersRepeater" : "vipServersRepeater"
            mouseClick(row(repeater, 0))
            compare(selected.count, 1)
            compare(lastArguments(), data.expected)
        }

        // The click's trace names the line and the length of its link, never
        // the link, which carries the line's credentials; the link goes on whole.
        function test_clickLogsTheLinkLengthOnly() {
            const link = SampleVmessLink
            load([server(4, "free", false, true, { vmessLink: link })])
            ConsoleLog.clear()
            mouseClick(row("freeServersRepeater", 0))
            compare(selected.count, 1)
            compare(lastArguments()[5], link)
            verify(ConsoleLog.has("  服务器ID: 4 名称: 线路 4 vmessLink长度: " + link.length))
            const userId = JSON.parse(Qt.atob(link.substring(8))).id
            compare(userId.length, 36)
            for (const part of [link.substring(20, 32), userId])
                compare(ConsoleLog.lines.filter(line => line.indexOf(part) >= 0), [], part)
        }

        function test_markedRowClickedAgainStillChooses() {
            screen.selectedServerId = 3
            load([server(3, "free", false, true)])
            mouseClick(row("freeServersRepeater", 0))
            mouseClick(row("freeServersRepeater", 0))
            compare(selected.count, 2)
        }

        function test_selectionMarks_data() {
            return [
                { tag: "unknown id", selectedId: 42, marked: [] },
                { tag: "none", selectedId: -1, marked: [] },
                { tag: "shared id", selectedId: 2, marked: ["free:1", "vip:0"] }
            ]
        }

        function test_selectionMarks(data) {
            screen.selectedServerId = data.selectedId
            load([server(1, "free", false, true), server(2, "free", false, true),
                               server(2, "vip", true, true)])
            const marked = []
            rows("freeServersRepeater").forEach((r, i) => { if (findChild(r, "markText").text === "✓") marked.push("free:" + i) })
            rows("vipServersRepeater").forEach((r, i) => { if (findChild(r, "markText").text === "✓") marked.push("vip:" + i) })
            compare(marked, data.marked)
        }

        function test_flags_data() {
            return [
                { tag: "shipped picture", code: "HK", source: "resources/flags/hk.png", picture: true },
                { tag: "lower case code", code: "jp", source: "resources/flags/jp.png", picture: true },
                { tag: "code without a picture", code: "XK", source: "resources/flags/xk.png", picture: false,
                  text: "XK" },
                { tag: "no code", code: "", source: "", picture: false, text: "??" }
            ]
        }

        function test_flags(data) {
            if (!data.picture && data.code !== "")
                ignoreWarning(/Cannot open/)
            load([server(1, "free", false, true, { countryCode: data.code })])
            const card = row("freeServersRepeater", 0)
            const image = findChild(card, "flagImage")
            const fallback = findChild(card, "flagFallbackText")
            compare(String(image.source), data.source === "" ? ""
                                                             : "qrc:/qt/qml/LumoraContent/" + data.source)
            compare([findChild(card, "flagBox").width, findChild(card, "flagBox").height], [32, 24])
            if (data.picture) {
                tryCompare(image, "status", Image.Ready)
                verify(!fallback.visible)
                compare(image.fillMode, Image.PreserveAspectFit)
            } else {
                tryCompare(fallback, "visible", true)
                compare(fallback.text, data.text)
                verify(Qt.colorEqual(fallback.color, Constants.primaryFree))
            }
        }

        function test_secondListReplacesTheFirst() {
            load([server(1, "free", false, true), server(2, "vip", true, true)])
            load([server(2, "vip", false, true), server(3, "vip", true, false)])
            compare(ids("freeServersRepeater"), [2])
            compare(ids("vipServersRepeater"), [3])
            load([])
            compare(ids("freeServersRepeater"), [])
            compare(ids("vipServersRepeater"), [])
            verify(part("waitingText").visible)
        }

        function test_errorKeepsWhatIsShown() {
            API.serversError("网络错误")
            verify(ConsoleLog.has("❌ 服务器列表加载失败: 网络错误"))
            verify(part("waitingText").visible)
            load([server(1, "free", false, true)])
            API.serversError("超时")
            compare(ids("freeServersRepeater"), [1])
            compare(ApiSpy.callCount("getServers"), 1)
        }

        // A short list neither moves nor scrolls.
        function test_shortListStaysPut() {
            load([server(1, "free", false, true), server(2, "vip", true, true)])
            const flick = part("listFlickable")
            verify(!flick.interactive)
            mouseDrag(flick, 200, 300, 0, -200)
            mouseWheel(flick, 200, 300, 0, -360)
            compare(flick.contentY, 0)
            compare(flick.contentX, 0)
            compare(part("freeGroup").mapToItem(screen, 0, 0).y, 86)
        }

        // A long list scrolls under the header, which stays, to its last row.
        function test_longListScrollsToItsLastRow() {
            const list = []
            for (let i = 1; i <= 16; ++i)
                list.push(server(i, i <= 8 ? "free" : "vip", i > 8, true))
            load(list)
            const flick = part("listFlickable")
            verify(flick.interactive)
            verify(flick.clip)
            compare(flick.y, 70)
            compare(flick.height, 810)
            compare(flick.contentWidth, flick.width)
            const last = row("vipServersRepeater", 7)
            verify(last.mapToItem(screen, 0, 0).y + last.height > 880)
            for (let turn = 0; turn < 40 && !flick.atYEnd; ++turn) {
                mouseWheel(flick, 200, 400, 0, -240)
                tryCompare(flick, "moving", false)
            }
            verify(flick.atYEnd)
            compare(flick.contentX, 0)
            compare(part("header").y, 20)
            const bottom = last.mapToItem(screen, 0, 0).y + last.height
            verify(bottom <= 880, bottom)
            mouseClick(last)
            compare(selected.count, 1)
            compare(lastArguments()[4], 16)
        }
    }
}
