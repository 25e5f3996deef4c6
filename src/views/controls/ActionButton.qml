// SPDX-License-Identifier: MIT
// A push button of the forms: `prominent` for the main action of a screen (filled with the
// accent colour), `destructive` for one that removes something (red text). Enter activates it
// like Space. An "&" in the text is shown as it is, never as a mnemonic.
import QtQuick
import QtQuick.Controls
import Stavelin

Button {
    id: control

    property bool prominent: false
    property bool destructive: false
    required property string label

    text: label.replace(/&/g, "&&")
    focusPolicy: Qt.StrongFocus
    hoverEnabled: true
    leftPadding: 14
    rightPadding: 14
    topPadding: 5
    bottomPadding: 5
    font: Theme.bodyFont

    Accessible.role: Accessible.Button
    Accessible.name: label
    Accessible.onPressAction: control.clicked()

    Keys.onReturnPressed: if (enabled) clicked()
    Keys.onEnterPressed: if (enabled) clicked()

    contentItem: Text {
        text: control.label
        textFormat: Text.PlainText
        font: control.font
        color: control.prominent ? Theme.accentText
             : control.destructive ? Theme.red : Theme.primary
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
        elide: Text.ElideRight
    }

    background: Rectangle {
        implicitWidth: 72
        implicitHeight: 26
        radius: 6
        opacity: control.enabled ? 1 : 0.45
        color: {
            if (control.prominent)
                return control.pressed ? Qt.darker(Theme.accent, 1.15)
                     : control.hovered ? Qt.lighter(Theme.accent, 1.08) : Theme.accent
            const base = Theme.textBackground
            return control.pressed ? Qt.rgba(Theme.primary.r, Theme.primary.g, Theme.primary.b, 0.12)
                 : control.hovered ? Qt.tint(base, Qt.rgba(Theme.primary.r, Theme.primary.g, Theme.primary.b, 0.05))
                 : base
        }
        border.width: control.visualFocus ? 2 : (control.prominent ? 0 : 1)
        border.color: control.visualFocus ? (control.prominent ? Qt.lighter(Theme.accent, 1.5) : Theme.accent)
                                          : Qt.rgba(Theme.primary.r, Theme.primary.g, Theme.primary.b, 0.16)
    }
}
