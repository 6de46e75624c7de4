import QtQuick

// A page of the stack above the home screen: the screen given as its child
// fills it, and the back square lies above the screen, so a click there never
// reaches the screen's own arrow.
Item {
    id: secondaryPage

    signal back

    BackButton {
        id: backButton
        objectName: "backButton"
        z: 1
        onBack: secondaryPage.back()
    }
}
