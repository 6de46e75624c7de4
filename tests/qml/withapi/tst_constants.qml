import QtQuick
import QtTest
import Lumora

Item {
    width: 430
    height: 880

    TestCase {
        name: "Constants"
        when: windowShown

        function test_value_data() {
            return [
                { tag: "width", property: "width", value: 430 },
                { tag: "height", property: "height", value: 880 },
                { tag: "relativeFontDirectory", property: "relativeFontDirectory", value: "fonts" },
                { tag: "fontPath", property: "fontPath", value: "qrc:/qt/qml/LumoraContent/fonts" },
                { tag: "backgroundColor", property: "backgroundColor", color: "#0A0E27" },
                { tag: "cardColor", property: "cardColor", color: "#1A1E37" },
                { tag: "primaryFree", property: "primaryFree", color: "#00FFD9" },
                { tag: "primaryVip", property: "primaryVip", color: "#FFD700" },
                { tag: "colorVip", property: "colorVip", color: "#FFE55C" },
                { tag: "accentGlow", property: "accentGlow", color: "#FFEB3B" },
                { tag: "textPrimary", property: "textPrimary", color: "#FFFFFF" },
                { tag: "textSecondary", property: "textSecondary", color: "#B0B0B0" },
                { tag: "textHint", property: "textHint", color: "#808080" },
                { tag: "colorError", property: "colorError", color: "#FF5252" },
                { tag: "colorSuccess", property: "colorSuccess", color: "#00CCAA" },
                { tag: "colorWarning", property: "colorWarning", color: "#FF9800" },
                { tag: "supportEmail", property: "supportEmail", value: "support@kesmar.example" },
                { tag: "websiteUrl", property: "websiteUrl", value: "https://kesmar.example" }
            ]
        }

        function test_value(data) {
            if (data.color !== undefined)
                verify(Qt.colorEqual(Constants[data.property], data.color),
                       Constants[data.property] + " is not " + data.color)
            else
                compare(Constants[data.property], data.value)
        }

        function test_fontsFollowTheApplicationFont() {
            compare(Constants.font.family, Qt.application.font.family)
            compare(Constants.largeFont.family, Qt.application.font.family)
            verify(Constants.font.pixelSize > 0)
            compare(Constants.largeFont.pixelSize, Math.round(Constants.font.pixelSize * 1.6))
        }

        function test_otherMembersAreUndefined() {
            compare(Constants.primaryColor, undefined)
            compare(Constants.textColor, undefined)
        }
    }
}
