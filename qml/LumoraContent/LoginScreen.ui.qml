import QtQuick
import Lumora

Rectangle {
    id: loginRoot

    signal loginClicked(string username, string password)
    signal registerClicked

    width: Constants.width
    height: Constants.height
    color: Constants.backgroundColor

    Column {
        id: formColumn
        objectName: "formColumn"
        anchors.centerIn: parent
        width: parent.width * 0.8
        spacing: 24

        Text {
            id: titleText
            objectName: "titleText"
            anchors.horizontalCenter: parent.horizontalCenter
            text: "欢迎回来"
            color: Constants.textPrimary
            font.pixelSize: 28
            font.bold: true
            font.family: Constants.font.family
        }

        Text {
            id: subtitleText
            objectName: "subtitleText"
            anchors.horizontalCenter: parent.horizontalCenter
            bottomPadding: 20
            text: "请登录您的 Tolvane 账号"
            color: Constants.textSecondary
            font.pixelSize: 14
            font.family: Constants.font.family
        }

        SignInField {
            id: usernameField
            objectName: "usernameField"
            placeholderText: "邮箱 / 用户名"
        }

        SignInField {
            id: passwordField
            objectName: "passwordField"
            placeholderText: "密码"
            echoMode: TextInput.Password
        }

        // Takes the texts as typed: the service judges them.
        SignInButton {
            id: loginButton
            objectName: "loginButton"
            text: "登 录"
            onClicked: loginRoot.loginClicked(usernameField.text, passwordField.text)
        }

        Row {
            id: linkRow
            objectName: "linkRow"
            anchors.horizontalCenter: parent.horizontalCenter
            spacing: 30

            Text {
                id: registerLink
                objectName: "registerLink"
                text: "立即注册"
                color: Constants.primaryFree
                font.pixelSize: 14
                font.bold: true
                font.underline: true
                font.family: Constants.font.family

                MouseArea {
                    id: registerLinkArea
                    objectName: "registerLinkArea"
                    anchors.fill: parent
                    cursorShape: Qt.PointingHandCursor
                    onClicked: {
                        console.log("🔗 点击立即注册")
                        loginRoot.registerClicked()
                    }
                }
            }

            Text {
                id: forgotPasswordLink
                objectName: "forgotPasswordLink"
                text: "忘记密码?"
                color: Constants.textSecondary
                font.pixelSize: 14
                font.family: Constants.font.family

                // Offered, not yet served.
                MouseArea {
                    id: forgotPasswordArea
                    objectName: "forgotPasswordArea"
                    anchors.fill: parent
                    cursorShape: Qt.PointingHandCursor
                }
            }
        }
    }

    // The window's back square lies over the arrow and takes its clicks.
    Item {
        id: backGlyph
        objectName: "backGlyph"
        x: 20
        y: 20
        width: 40
        height: 40

        Text {
            id: backGlyphText
            objectName: "backGlyphText"
            anchors.centerIn: parent
            text: "←"
            color: "#FFFFFF"
            font.pixelSize: 24
        }

        MouseArea {
            id: backGlyphArea
            objectName: "backGlyphArea"
            anchors.fill: parent
            cursorShape: Qt.PointingHandCursor
        }
    }
}
