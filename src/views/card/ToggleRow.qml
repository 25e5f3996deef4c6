// SPDX-License-Identifier: MIT
// A row of the card's labels or members: what it puts on the card (a swatch, an avatar: the
// `leading` component), its name, and a tick while it is on the card. The whole row is clickable,
// and Space or Return toggles it from the keyboard.
import QtQuick
import QtQuick.Templates as T
import QtQuick.Layouts
import Stavelin

T.AbstractButton {
    id: row
    implicitWidth: Math.max(implicitBackgroundWidth + leftInset + rightInset,
                            implicitContentWidth + leftPadding + rightPadding)
    implicitHeight: Math.max(implicitBackgroundHeight + topInset + bottomInset,
                             implicitContentHeight + topPadding + bottomPadding)

    property bool isOn: false
    property Component leading

    hoverEnabled: true
    focusPolicy: Qt.StrongFocus
    topPadding: 3
    bottomPadding: 3
    leftPadding: 4
    rightPadding: 4

    Accessible.role: Accessible.CheckBox
    Accessible.checkable: true
    Accessible.checked: isOn
    Accessible.name: text
    Accessible.onPressAction: row.clicked()
    Accessible.onToggleAction: row.clicked()

    Keys.onReturnPressed: clicked()
    Keys.onEnterPressed: clicked()

    contentItem: RowLayout {
        spacing: 8
        Loader {
            sourceComponent: row.leading
        }
        Text {
            text: row.text
            textFormat: Text.PlainText
            font: Theme.bodyFont
            color: Theme.primary
            elide: Text.ElideRight
            Layout.fillWidth: true
        }
        Symbol {
            objectName: "checkmark"
            visible: row.isOn
            name: "checkmark"
            color: Theme.accent
            Layout.preferredWidth: 14
            Layout.preferredHeight: 14
        }
    }

    background: Rectangle {
        radius: 5
        color: row.pressed ? Qt.rgba(Theme.primary.r, Theme.primary.g, Theme.primary.b, 0.1)
             : row.hovered ? Qt.rgba(Theme.primary.r, Theme.primary.g, Theme.primary.b, 0.05)
             : "transparent"
        border.width: row.visualFocus ? 2 : 0
        border.color: Theme.accent
    }
}
