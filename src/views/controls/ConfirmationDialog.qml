// SPDX-License-Identifier: MIT
// Asks before something that cannot be taken back: a title, a message, one destructive action
// and Cancel. Escape and Cancel close it without acting.
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Stavelin

Dialog {
    id: dialog

    property string message
    property string actionText

    signal confirmed()

    parent: Overlay.overlay
    anchors.centerIn: parent
    width: Math.min(340, parent ? parent.width - 32 : 340)
    modal: true
    focus: true
    closePolicy: Popup.CloseOnEscape | Popup.CloseOnPressOutside

    contentItem: Text {
        objectName: "message"
        text: dialog.message
        textFormat: Text.PlainText
        wrapMode: Text.Wrap
        font: Theme.calloutFont
        color: Theme.secondary
        Accessible.role: Accessible.AlertMessage
        Accessible.name: dialog.title
        Accessible.description: text
    }

    footer: RowLayout {
        spacing: 8
        Item { Layout.fillWidth: true }
        ActionButton {
            objectName: "cancelButton"
            label: qsTr("Cancel")
            onClicked: dialog.close()
        }
        ActionButton {
            objectName: "confirmButton"
            label: dialog.actionText
            destructive: true
            prominent: true
            focus: true
            onClicked: {
                dialog.close()
                dialog.confirmed()
            }
            Layout.rightMargin: 12
            Layout.bottomMargin: 12
        }
    }
}
