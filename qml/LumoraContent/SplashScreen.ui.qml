import QtQuick
import Lumora

// The first page: drifting dots, the brand and a loading bar that stands for
// no real progress; the window hands over after a fixed time.
Rectangle {
    id: splashRoot
    objectName: "splashRoot"

    // The moving dots all wait outside the page at first, so they are only
    // made once the first frame is out; by then the layer has its size, which
    // their crossings are measured against.
    property bool movingDotsCreated: false

    width: Constants.width
    height: Constants.height
    color: Constants.backgroundColor

    gradient: Gradient {
        GradientStop {
            position: 0.0
            color: "#020410"
        }
        GradientStop {
            position: 1.0
            color: "#0A0E27"
        }
    }

    Connections {
        id: firstFrameWatch
        objectName: "firstFrameWatch"
        target: splashRoot.Window.window
        enabled: !splashRoot.movingDotsCreated

        function onFrameSwapped() {
            splashRoot.movingDotsCreated = true
        }
    }

    Item {
        id: particleLayer
        objectName: "particleLayer"
        anchors.fill: parent
        clip: true

        // Each dot waits out of sight before every pass.
        Repeater {
            id: mainStream
            objectName: "mainStream"
            model: splashRoot.movingDotsCreated ? 15 : 0

            Rectangle {
                required property int index

                width: 3
                height: 3
                radius: 1.5
                color: index % 3 === 0 ? Constants.primaryFree : "white"
                opacity: 0.7
                x: -20
                y: particleLayer.height + 50

                SequentialAnimation on x {
                    loops: Animation.Infinite
                    PauseAnimation {
                        duration: index * 200
                    }
                    NumberAnimation {
                        objectName: "xPass"
                        from: -20
                        to: particleLayer.width + 20
                        duration: 3000 + index * 100
                        easing.type: Easing.InOutQuad
                    }
                }
                SequentialAnimation on y {
                    loops: Animation.Infinite
                    PauseAnimation {
                        duration: index * 200
                    }
                    NumberAnimation {
                        objectName: "yPass"
                        from: particleLayer.height + 50
                        to: -50
                        duration: 3000 + index * 100
                        easing.type: Easing.InOutQuad
                    }
                }
                SequentialAnimation on opacity {
                    loops: Animation.Infinite
                    NumberAnimation {
                        to: 0.2
                        duration: 800 + index * 50
                    }
                    NumberAnimation {
                        to: 0.9
                        duration: 800 + index * 50
                    }
                }
            }
        }

        Repeater {
            id: sideStream
            objectName: "sideStream"
            model: splashRoot.movingDotsCreated ? 10 : 0

            Rectangle {
                required property int index

                width: 2
                height: 2
                radius: 1
                color: "white"
                opacity: 0.5
                x: particleLayer.width / 3
                y: particleLayer.height

                SequentialAnimation on y {
                    loops: Animation.Infinite
                    PauseAnimation {
                        duration: index * 300
                    }
                    NumberAnimation {
                        objectName: "yPass"
                        from: particleLayer.height + 30
                        to: -30
                        duration: 4000 + index * 150
                        easing.type: Easing.Linear
                    }
                }
                SequentialAnimation on x {
                    loops: Animation.Infinite
                    PauseAnimation {
                        duration: index * 300
                    }
                    NumberAnimation {
                        objectName: "xPass"
                        from: particleLayer.width / 3 - 20
                        to: particleLayer.width / 3 + 20
                        duration: 2000
                        easing.type: Easing.InOutSine
                    }
                    NumberAnimation {
                        objectName: "xPassBack"
                        from: particleLayer.width / 3 + 20
                        to: particleLayer.width / 3 - 20
                        duration: 2000
                        easing.type: Easing.InOutSine
                    }
                }
                SequentialAnimation on opacity {
                    loops: Animation.Infinite
                    NumberAnimation {
                        to: 0.1
                        duration: 1000
                    }
                    NumberAnimation {
                        to: 0.7
                        duration: 1000
                    }
                }
            }
        }

        Repeater {
            id: meteors
            objectName: "meteors"
            model: splashRoot.movingDotsCreated ? 8 : 0

            Rectangle {
                required property int index

                width: 4
                height: 4
                radius: 2
                color: Constants.primaryFree
                opacity: 0.8
                x: particleLayer.width
                y: index * 100

                SequentialAnimation on x {
                    loops: Animation.Infinite
                    PauseAnimation {
                        duration: index * 500
                    }
                    NumberAnimation {
                        objectName: "xPass"
                        from: particleLayer.width + 50
                        to: -50
                        duration: 2000
                        easing.type: Easing.InQuad
                    }
                    PauseAnimation {
                        duration: 2000
                    }
                }
                SequentialAnimation on y {
                    loops: Animation.Infinite
                    PauseAnimation {
                        duration: index * 500
                    }
                    NumberAnimation {
                        objectName: "yPass"
                        from: index * 100
                        to: index * 100 + 50
                        duration: 2000
                        easing.type: Easing.InQuad
                    }
                    PauseAnimation {
                        duration: 2000
                    }
                }
                SequentialAnimation on opacity {
                    loops: Animation.Infinite
                    NumberAnimation {
                        to: 0.2
                        duration: 500
                    }
                    NumberAnimation {
                        to: 0.9
                        duration: 500
                    }
                }
            }
        }

        Repeater {
            id: stars
            objectName: "stars"
            model: 30

            Rectangle {
                required property int index
                readonly property int size: index % 3 === 0 ? 2 : 1

                width: size
                height: size
                radius: size / 2
                color: "white"
                opacity: 0.3 + (index % 5) * 0.1
                x: (index * 37) % particleLayer.width
                y: (index * 73) % particleLayer.height

                SequentialAnimation on opacity {
                    loops: Animation.Infinite
                    NumberAnimation {
                        to: 0.1
                        duration: 1500 + index * 100
                    }
                    NumberAnimation {
                        to: 0.6
                        duration: 1500 + index * 100
                    }
                }
            }
        }
    }

    Column {
        id: brandBlock
        objectName: "brandBlock"
        anchors.centerIn: parent
        spacing: 24

        Column {
            id: brandTexts
            objectName: "brandTexts"
            spacing: 8

            Text {
                id: appNameText
                objectName: "appNameText"
                anchors.horizontalCenter: parent.horizontalCenter
                text: "Kesmar加速器"
                color: Constants.textPrimary
                font.bold: true
                font.pixelSize: 32
                font.family: Constants.font.family
                style: Text.Outline
                styleColor: Constants.primaryFree
            }

            Text {
                id: domainText
                objectName: "domainText"
                anchors.horizontalCenter: parent.horizontalCenter
                text: "kesmar.example"
                color: Constants.textSecondary
                font.pixelSize: 14
                font.letterSpacing: 4
                font.family: Constants.font.family
                opacity: 0.8
            }
        }
    }

    Column {
        id: loadingBlock
        objectName: "loadingBlock"
        anchors.bottom: parent.bottom
        anchors.bottomMargin: 60
        anchors.horizontalCenter: parent.horizontalCenter
        spacing: 16

        Rectangle {
            id: progressTrack
            objectName: "progressTrack"
            width: 200
            height: 4
            radius: 2
            color: Qt.rgba(1, 1, 1, 0.1)

            Rectangle {
                id: progressBar
                objectName: "progressBar"
                width: 60
                height: parent.height
                radius: 2
                color: Constants.primaryFree
                x: 0

                NumberAnimation on x {
                    loops: Animation.Infinite
                    from: -60
                    to: 200
                    duration: 1500
                    easing.type: Easing.InOutQuad
                }
            }
        }

        Text {
            id: loadingText
            objectName: "loadingText"
            anchors.horizontalCenter: parent.horizontalCenter
            text: "正在初始化Kesmar链路..."
            color: Constants.textSecondary
            font.pixelSize: 12
            font.family: Constants.font.family

            SequentialAnimation on opacity {
                loops: Animation.Infinite
                NumberAnimation {
                    to: 0.4
                    duration: 800
                }
                NumberAnimation {
                    to: 1.0
                    duration: 800
                }
            }
        }
    }

    Text {
        id: footerText
        objectName: "footerText"
        anchors.bottom: parent.bottom
        anchors.bottomMargin: 20
        anchors.horizontalCenter: parent.horizontalCenter
        text: "安全 · 稳定 · 极速"
        color: "white"
        opacity: 0.3
        font.pixelSize: 10
        font.family: Constants.font.family
    }
}
