import QtQuick
import QtTest
import Lumora
import LumoraContent

Item {
    id: page
    width: 430
    height: 880

    Component {
        id: splashComponent
        SplashScreen {}
    }

    TestCase {
        name: "SplashScreen"
        when: windowShown

        property var splash

        function init() {
            ApiSpy.reset()
            ConsoleLog.clear()
            splash = createTemporaryObject(splashComponent, page)
        }

        function part(name) {
            return findChild(splash, name)
        }

        function dots(group) {
            const repeater = part(group)
            const list = []
            for (let i = 0; i < repeater.count; ++i)
                list.push(repeater.itemAt(i))
            return list
        }

        function inside(dot) {
            return dot.x + dot.width > 0 && dot.x < splash.width && dot.y + dot.height > 0
                    && dot.y < splash.height
        }

        function test_page() {
            compare(splash.width, 430)
            compare(splash.height, 880)
            compare(part("appNameText").text, "Kesmar加速器")
            compare(part("appNameText").font.pixelSize, 32)
            compare(part("appNameText").style, Text.Outline)
            verify(Qt.colorEqual(part("appNameText").styleColor, Constants.primaryFree))
            compare(part("loadingText").text, "正在初始化Kesmar链路...")
            compare(part("progressTrack").width, 200)
            compare(part("progressBar").width, 60)
            verify(part("domainText").text !== "")
            verify(part("footerText").text !== "")
            compare(ApiSpy.callNames(), [])
        }

        // Waits until the moving dots exist; they come after the first frame.
        function movingDotsMade() {
            tryCompare(part("meteors"), "count", 8)
        }

        function test_dotCounts() {
            movingDotsMade()
            compare(part("mainStream").count, 15)
            compare(part("sideStream").count, 10)
            compare(part("meteors").count, 8)
            compare(part("stars").count, 30)
        }

        function test_movingDotsComeAfterTheFirstFrame() {
            // Nothing has been drawn of the page yet: only the stars exist.
            compare(part("mainStream").count, 0)
            compare(part("sideStream").count, 0)
            compare(part("meteors").count, 0)
            compare(part("stars").count, 30)
            movingDotsMade()
            compare(part("mainStream").count, 15)
        }

        // Each dot's pass, from where it enters to where it leaves: the ends
        // are taken from the page once it has its size.
        function test_crossings_data() {
            const w = 430
            const h = 880
            return [
                { tag: "main stream 0 x", group: "mainStream", index: 0, pass: "xPass", from: -20, to: w + 20 },
                { tag: "main stream 0 y", group: "mainStream", index: 0, pass: "yPass", from: h + 50, to: -50 },
                { tag: "main stream 3 x", group: "mainStream", index: 3, pass: "xPass", from: -20, to: w + 20 },
                { tag: "side stream 0 y", group: "sideStream", index: 0, pass: "yPass", from: h + 30, to: -30 },
                { tag: "side stream 0 sway", group: "sideStream", index: 0, pass: "xPass",
                  from: w / 3 - 20, to: w / 3 + 20 },
                { tag: "side stream 0 sway back", group: "sideStream", index: 0, pass: "xPassBack",
                  from: w / 3 + 20, to: w / 3 - 20 },
                { tag: "meteor 0 x", group: "meteors", index: 0, pass: "xPass", from: w + 50, to: -50 },
                { tag: "meteor 2 y", group: "meteors", index: 2, pass: "yPass", from: 200, to: 250 }
            ]
        }

        function test_crossings(data) {
            movingDotsMade()
            const pass = findChild(dots(data.group)[data.index], data.pass)
            verify(pass, data.pass)
            compare(pass.from, data.from)
            compare(pass.to, data.to)
        }

        // The first dot of the main stream really runs across the page, from
        // the left edge past the middle.
        function test_firstDotRunsAcross() {
            movingDotsMade()
            const dot = dots("mainStream")[0]
            let low = dot.x
            let high = dot.x
            const follow = function () {
                low = Math.min(low, dot.x)
                high = Math.max(high, dot.x)
            }
            dot.xChanged.connect(follow)
            tryVerify(function () { return low <= 0 && high >= 215 }, 20000,
                      "covered " + low + " .. " + high)
            dot.xChanged.disconnect(follow)
        }

        function test_onlyStarsShowAtFirst() {
            movingDotsMade()
            for (const group of ["mainStream", "sideStream", "meteors"])
                for (const dot of dots(group))
                    verify(!inside(dot), group)
            for (const dot of dots("stars"))
                verify(inside(dot))
        }

        function test_starsSitByTheirIndex() {
            const stars = dots("stars")
            compare(stars[0].width, 2)
            compare(stars[1].width, 1)
            compare(stars[3].width, 2)
            compare(stars[12].x, (12 * 37) % 430)
            compare(stars[12].y, (12 * 73) % 880)
        }

        function test_mainStreamStartsOneAfterAnother() {
            movingDotsMade()
            const stream = dots("mainStream")
            tryVerify(function () { return stream[3].x > -20 }, 5000)
            verify(stream[0].x > -20)
            compare(stream[14].x, -20)
            compare(stream[14].y, 880 + 50)
        }

        function test_lateMeteorsWaitOutOfSight() {
            movingDotsMade()
            const meteors = dots("meteors")
            // The first one has crossed and rests beyond the left edge...
            tryCompare(meteors[0], "x", -50, 5000)
            // ...while the late ones have not set out.
            verify(!inside(meteors[6]))
            verify(!inside(meteors[7]))
        }

        function test_barStartsLeftOfTheTrackAtOnce() {
            verify(part("progressBar").x < 0)
        }
    }
}
