import QtQuick
import QtTest
import Lumora
import LumoraContent

Item {
    id: page
    width: 430
    height: 880

    Component {
        id: aboutComponent
        AboutUsScreen {}
    }

    TestCase {
        name: "AboutUsScreen"
        when: windowShown

        property var about

        function init() {
            ApiSpy.reset()
            ConsoleLog.clear()
            about = createTemporaryObject(aboutComponent, page)
            verify(about)
        }

        function part(name) {
            return findChild(about, name)
        }

        function test_texts_data() {
            return [
                { tag: "title", name: "titleText", text: "关于我们" },
                { tag: "back glyph", name: "backGlyph", text: "←" },
                { tag: "name", name: "appNameText", text: "Kesmar加速器" },
                { tag: "slogan", name: "sloganText", text: "连接世界，畅享极速" },
                { tag: "version", name: "versionText", text: "Version 1.0.0 (Build 1024)" },
                { tag: "mission heading", name: "missionHeading", text: "我们的使命" },
                { tag: "mission", name: "missionText",
                  text: "Orvo 致力于为全球用户提供安全、快速、稳定的网络连接服务。无论您身在何处,我们都能助您突破地域限制,保护您的在线隐私。" },
                { tag: "contact heading", name: "contactHeading", text: "联系我们" },
                { tag: "contact", name: "contactText",
                  text: "客服邮箱: support@kesmar.example\n官方网站: https://kesmar.example" },
                { tag: "terms", name: "termsText", text: "服务条款" },
                { tag: "separator", name: "separatorText", text: "|" },
                { tag: "privacy", name: "privacyText", text: "隐私政策" }
            ]
        }

        function test_texts(data) {
            compare(part(data.name).text, data.text)
        }

        function test_sizeAndFrame() {
            compare(about.width, 430)
            compare(about.height, 880)
            verify(Qt.colorEqual(about.color, Constants.backgroundColor))
            const flickable = part("aboutFlickable")
            compare(flickable.y, 70)
            compare(flickable.height, 810)
            compare(flickable.width, 430)
            compare(flickable.clip, true)
            compare(flickable.contentWidth, 430)
            compare(flickable.contentHeight, part("contentCol").height + 40)
            compare(part("contentCol").width, 370)
            compare(part("contentCol").mapToItem(about, 0, 0).x, 30)
            compare(part("contactText").textFormat, Text.PlainText)
        }

        function test_clicksChangeNothing_data() {
            return [
                { tag: "terms", name: "termsText" },
                { tag: "privacy", name: "privacyText" },
                { tag: "contact", name: "contactText" },
                { tag: "back glyph", name: "backGlyph" }
            ]
        }

        function test_clicksChangeNothing(data) {
            mouseClick(part(data.name))
            compare(ConsoleLog.lines, [])
            compare(ApiSpy.callNames(), [])
            compare(part("aboutFlickable").contentY, 0)
        }

        function test_pointingHandOverTheLinks() {
            compare(part("termsMouseArea").cursorShape, Qt.PointingHandCursor)
            compare(part("privacyMouseArea").cursorShape, Qt.PointingHandCursor)
            compare(part("backGlyphMouseArea").cursorShape, Qt.PointingHandCursor)
        }

        // A larger font makes the content taller than the area: it scrolls up
        // and down, never sideways, and the header stays where it is.
        function test_scrollsVerticallyOnly() {
            const flickable = part("aboutFlickable")
            part("missionText").font.pixelSize = 60
            tryVerify(function () { return flickable.contentHeight > flickable.height })
            mouseDrag(flickable, 215, 700, 0, -500)
            tryVerify(function () { return !flickable.moving })
            verify(flickable.contentY > 0)
            mouseDrag(flickable, 215, 400, -300, 0)
            tryVerify(function () { return !flickable.moving })
            compare(flickable.contentX, 0)
            compare(part("header").mapToItem(about, 0, 0).y, 20)
        }

        // The page reads nothing of "API": a user's state leaves it alike.
        function test_sameForEveryUser() {
            const before = part("contentCol").height
            ApiSpy.set("isLoggedIn", true)
            ApiSpy.set("isVip", true)
            ApiSpy.set("userName", "mia")
            API.systemConfigLoaded({ appName: "Nova加速器" })
            compare(part("appNameText").text, "Kesmar加速器")
            compare(part("contentCol").height, before)
            compare(ApiSpy.callNames(), [])
        }
    }
}
