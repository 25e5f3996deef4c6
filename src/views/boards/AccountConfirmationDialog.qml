// SPDX-License-Identifier: MIT
// Asks before connecting the account of a callback that came while no authorization was under
// way: any web page can send the browser to our address with a token of its choosing. Open
// while the store holds such an account. Connect stores and uses it; Cancel and Escape leave
// the connected account as it is. Cancel has the focus, so a stray Return connects nothing.
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Stavelin

Dialog {
    id: dialog

    readonly property var account: AppState.session.callbackAccount
    readonly property string question: {
        if (!account)
            return ""
        return account.fullName ? qsTr("Connect to the account of %1 (@%2)?").arg(account.fullName).arg(account.username)
                                : qsTr("Connect to the account @%1?").arg(account.username)
    }

    function follow(): void {
        if (AppState.session.callbackAccount)
            open()
        else
            close()
    }

    parent: Overlay.overlay
    anchors.centerIn: parent
    width: Math.min(360, parent ? parent.width - 32 : 360)
    modal: true
    focus: true
    closePolicy: Popup.CloseOnEscape

    Component.onCompleted: follow()
    // Escape lands here too.
    onRejected: AppState.session.cancelCallbackAccount()

    Connections {
        target: AppState.session
        function onCallbackAccountChanged(): void {
            dialog.follow()
        }
    }

    contentItem: ColumnLayout {
        spacing: 8

        Text {
            objectName: "accountQuestion"
            text: dialog.question
            textFormat: Text.PlainText
            wrapMode: Text.Wrap
            font: Theme.withWeight(Theme.bodyFont, Font.Bold)
            color: Theme.primary
            Layout.fillWidth: true
            Accessible.role: Accessible.AlertMessage
            Accessible.name: text
        }
        Text {
            objectName: "accountExplanation"
            text: qsTr("Your browser sent Stavelin this account, but no connection was started here. Connect only if you have just authorized Stavelin.")
            textFormat: Text.PlainText
            wrapMode: Text.Wrap
            font: Theme.calloutFont
            color: Theme.secondary
            Layout.fillWidth: true
            Accessible.role: Accessible.StaticText
            Accessible.name: text
        }
    }

    footer: RowLayout {
        spacing: 8
        Item { Layout.fillWidth: true }
        ActionButton {
            objectName: "cancelAccountButton"
            label: qsTr("Cancel")
            focus: true
            onClicked: dialog.reject()
        }
        ActionButton {
            objectName: "connectAccountButton"
            label: qsTr("Connect")
            prominent: true
            onClicked: AppState.session.confirmCallbackAccount()
            Layout.rightMargin: 12
            Layout.bottomMargin: 12
        }
    }
}
