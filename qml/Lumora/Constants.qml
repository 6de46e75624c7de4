pragma Singleton
import QtQuick

QtObject {
    readonly property int width: 430
    readonly property int height: 880

    property string relativeFontDirectory: "fonts"

    // The platform usually gives the default font in points, which leaves its
    // pixel size at -1; then the size those points come to on screen is used.
    readonly property font font: Qt.font({
                                             "family": Qt.application.font.family,
                                             "pixelSize": Qt.application.font.pixelSize > 0
                                                          ? Qt.application.font.pixelSize
                                                          : Math.round(Qt.application.font.pointSize * 4 / 3)
                                         })
    readonly property font largeFont: Qt.font({
                                                  "family": Qt.application.font.family,
                                                  "pixelSize": Math.round(font.pixelSize * 1.6)
                                              })

    readonly property color backgroundColor: "#0A0E27"
    readonly property color cardColor: "#1A1E37"
    readonly property color primaryFree: "#00FFD9"
    readonly property color primaryVip: "#FFD700"
    readonly property color colorVip: "#FFE55C"
    readonly property color accentGlow: "#FFEB3B"
    readonly property color textPrimary: "#FFFFFF"
    readonly property color textSecondary: "#B0B0B0"
    readonly property color textHint: "#808080"
    readonly property color colorError: "#FF5252"
    readonly property color colorSuccess: "#00CCAA"
    // The message box shows its warnings in the same orange.
    readonly property color colorWarning: "#FF9800"

    // The service's contact details, on the splash page's domain.
    readonly property string supportEmail: "support@kesmar.example"
    readonly property string websiteUrl: "https://kesmar.example"

    readonly property string fontPath: Qt.resolvedUrl("../LumoraContent/" + relativeFontDirectory)
}
