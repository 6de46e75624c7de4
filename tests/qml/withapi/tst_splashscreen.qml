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

        function test_dotCounts() {
            compare(part("mainStream").count, 15)
            compare(part("sideStream").count, 10)
            compare(part("meteors").count, 8)
            compare(part("stars").count, 30)
        }

        function test_onlyStarsShowAtFirst() {
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
            const stream = dots("mainStream")
            wait(700)
            verify(stream[0].x > -20)
            compare(stream[14].x, -20)
            compare(stream[14].y, 880 + 50)
        }

        function test_lateMeteorsWaitOutOfSight() {
            const meteors = dots("meteors")
            wait(2900)
            verify(!inside(meteors[6]))
            verify(!inside(meteors[7]))
            // The first one has crossed and rests beyond the left edge.
            compare(meteors[0].x, -50)
        }

        function test_barStartsLeftOfTheTrackAtOnce() {
            verify(part("progressBar").x < 0)
        }
    }
}
