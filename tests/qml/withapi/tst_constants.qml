import QtQuick
import QtTest
import Lumora

Item {
    width: 430
    height: 880

    TestCase {
        name: "Constants"
        when: windowShown

        // The window's fixed size; the screens lay themselves out on it, so
        // nothing may change it.
        function test_windowSizeIsFixed() {
            compare(Constants.width, 430)
            compare(Constants.height, 880)
            for (const name of ["width", "height"]) {
                let refused = false
                try {
                    Constants[name] = 1
                } catch (error) {
                    refused = true
                }
                verify(refused, name + " could be changed")
                compare(Constants[name], name === "width" ? 430 : 880)
            }
        }

        // The theme's colours, which the screens name rather than repeat.
        function test_palette() {
            const palette = {
                backgroundColor: "#0A0E27", cardColor: "#1A1E37", primaryFree: "#00FFD9",
                primaryVip: "#FFD700", colorVip: "#FFE55C", accentGlow: "#FFEB3B",
                textPrimary: "#FFFFFF", textSecondary: "#B0B0B0", textHint: "#808080",
                colorError: "#FF5252", colorSuccess: "#00CCAA", colorWarning: "#FF9800"
            }
            for (const name in palette)
                verify(Qt.colorEqual(Constants[name], palette[name]),
                       name + ": " + Constants[name] + " is not " + palette[name])
        }

        // Resolved against the singleton's own place in the resources.
        function test_fontPathLiesInTheContentModule() {
            compare(Constants.relativeFontDirectory, "fonts")
            compare(Constants.fontPath, "qrc:/qt/qml/LumoraContent/fonts")
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
