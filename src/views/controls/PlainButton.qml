// SPDX-License-Identifier: MIT
// A borderless text button, optionally led by a symbol ("Back", "Quit", "Boards").
import QtQuick
import QtQuick.Templates as T
import QtQuick.Layouts
import Stavelin

T.AbstractButton {
    id: control
    implicitWidth: Math.max(implicitBackgroundWidth + leftInset + rightInset,
                            implicitContentWidth + leftPadding + rightPadding)
    implicitHeight: Math.max(implicitBackgroundHeight + topInset + bottomInset,
                             implicitContentHeight + topPadding + bottomPadding)

    property string symbol
    property color textColor: Theme.primary
    property font textFont: Theme.bodyFont

    hoverEnabled: true
    focusPolicy: Qt.StrongFocus
    leftPadding: 6
    rightPadding: 6
    topPadding: 3
    bottomPadding: 3
    opacity: enabled ? 1 : 0.4

    Accessible.role: Accessible.Button
    Accessible.name: text
    Accessible.onPressAction: control.clicked()

    Keys.onReturnPressed: if (enabled) clicked()
    Keys.onEnterPressed: if (enabled) clicked()

    contentItem: RowLayout {
        spacing: 4
        Symbol {
            visible: control.symbol !== ""
            name: control.symbol
            color: control.textColor
            Layout.preferredWidth: 12
            Layout.preferredHeight: 12
        }
        Text {
            text: control.text
            textFormat: Text.PlainText
            font: control.textFont
            color: control.textColor
            elide: Text.ElideRight
            Layout.fillWidth: true
        }
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
