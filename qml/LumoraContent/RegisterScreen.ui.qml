import QtQuick
import Lumora

Rectangle {
    id: registerRoot

    signal registerClicked(string email, string password, string confirmPassword, string name)
    signal loginClicked

    width: Constants.width
    height: Constants.height
    color: Constants.backgroundColor

    Column {
        id: formColumn
        objectName: "formColumn"
        anchors.centerIn: parent
        width: parent.width * 0.8
        spacing: 20

        Text {
            id: titleText
            objectName: "titleText"
            anchors.horizontalCenter: parent.horizontalCenter
            text: "创建账号"
            color: Constants.textPrimary
            font.pixelSize: 28
            font.bold: true
            font.family: Constants.font.family
        }

        Text {
            id: subtitleText
            objectName: "subtitleText"
            anchors.horizontalCenter: parent.horizontalCenter
            bottomPadding: 10
            text: "开启高速网络体验"
            color: Constants.textSecondary
            font.pixelSize: 14
            font.family: Constants.font.family
        }

        SignInField {
            id: emailField
            objectName: "emailField"
            placeholderText: "电子邮箱"
        }

        SignInField {
            id: passwordField
            objectName: "passwordField"
            placeholderText: "设置密码 (至少6位)"
            echoMode: TextInput.Password
        }

        SignInField {
            id: confirmPasswordField
            objectName: "confirmPasswordField"
            placeholderText: "确认密码"
            echoMode: TextInput.Password
        }

        // The texts go out as typed; the wrapper checks them.
        SignInButton {
            id: registerButton
            objectName: "registerButton"
            text: "立即注册"
            onClicked: {
                const email = emailField.text
                const at = email.indexOf("@")
                registerRoot.registerClicked(email, passwordField.text, confirmPasswordField.text,
                                             at < 0 ? email : email.substring(0, at))
            }
        }

        Row {
            id: linkRow
            objectName: "linkRow"
            anchors.horizontalCenter: parent.horizontalCenter
            spacing: 8

            Text {
                id: haveAccountText
                objectName: "haveAccountText"
                text: "已有账号?"
                color: Constants.textSecondary
                font.pixelSize: 14
                font.family: Constants.font.family
            }

            Text {
                id: loginLink
                objectName: "loginLink"
                text: "直接登录"
                color: Constants.primaryFree
                font.pixelSize: 14
                font.bold: true
                font.underline: true
                font.family: Constants.font.family

                MouseArea {
                    id: loginLinkArea
                    objectName: "loginLinkArea"
                    anchors.fill: parent
                    cursorShape: Qt.PointingHandCursor
                    onClicked: registerRoot.loginClicked()
                }
            }
        }

        Text {
            id: termsText
            objectName: "termsText"
            width: parent.width
            topPadding: 10
            text: "注册即代表同意《服务条款》和《隐私政策》"
            color: Constants.textHint
            font.pixelSize: 12
            font.family: Constants.font.family
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.WordWrap
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
