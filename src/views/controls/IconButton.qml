// SPDX-License-Identifier: MIT
// A borderless button showing one symbol, with a tooltip that is also its accessible name.
import QtQuick
import QtQuick.Controls
import QtQuick.Templates as T
import Stavelin

T.AbstractButton {
    id: control

    required property string symbol
    required property string toolTip
    property color symbolColor: Theme.secondary
    property real symbolSize: 14

    implicitWidth: 26
    implicitHeight: 26
    padding: (implicitWidth - symbolSize) / 2
    hoverEnabled: true
    focusPolicy: Qt.StrongFocus
    opacity: enabled ? 1 : 0.4

    Accessible.role: Accessible.Button
    Accessible.name: toolTip
    Accessible.onPressAction: control.clicked()

    ToolTip.text: toolTip
    ToolTip.visible: hovered && toolTip !== ""
    ToolTip.delay: 600

    Keys.onReturnPressed: if (enabled) clicked()
    Keys.onEnterPressed: if (enabled) clicked()

    contentItem: Symbol {
        name: control.symbol
        color: control.hovered && control.enabled ? Theme.primary : control.symbolColor
    }

    background: Rectangle {
        radius: 6
        color: control.pressed ? Qt.rgba(Theme.primary.r, Theme.primary.g, Theme.primary.b, 0.14)
             : control.hovered ? Qt.rgba(Theme.primary.r, Theme.primary.g, Theme.primary.b, 0.07)
             : "transparent"
        border.width: control.visualFocus ? 2 : 0
        border.color: Theme.accent
    }
}
