// SPDX-License-Identifier: MIT
// One item of a checklist: a box and the item's name, struck through when done. A click, Return
// or Space ticks or unticks it; F2 renames it in place; a right click or the menu key asks for
// its menu. The row stays while its item changes, and so does the keyboard focus
// on it.
import QtQuick
import QtQuick.Controls
import QtQuick.Templates as T
import QtQuick.Layouts
import Stavelin

Item {
    id: row

    // The item as the checklist holds it now.
    required property var item
    // Renamed in place, with the name as typed so far.
    property bool editing: false
    property string editingName
    readonly property bool complete: item.state === "complete"

    signal toggleRequested()
    signal renameRequested()
    // The item's menu, at x, y of `at`.
    signal menuRequested(Item at, real x, real y)
    signal renameEdited(string text)
    signal renameCommitted()
    signal renameCancelled()

    // The focus goes back to the row, for the keyboard's next step.
    function commitRename(): void {
        renameCommitted()
        itemButton.forceActiveFocus()
    }
    function cancelRename(): void {
        renameCancelled()
        itemButton.forceActiveFocus()
    }

    // The font, struck through when `on`. (A Text cannot take a whole font and change one
    // field of it, and Theme's fonts are read-only.)
    function struckOut(base: font, on: bool): font {
        const spec = { family: base.family, weight: base.weight, italic: base.italic, strikeout: on }
        if (base.pointSize > 0)
            spec.pointSize = base.pointSize
        else
            spec.pixelSize = base.pixelSize
        return Qt.font(spec)
    }

    objectName: "item:" + item.name
    implicitHeight: editing ? renameRow.implicitHeight : itemButton.implicitHeight

    T.AbstractButton {
        id: itemButton
        implicitWidth: Math.max(implicitBackgroundWidth + leftInset + rightInset,
                                implicitContentWidth + leftPadding + rightPadding)
        implicitHeight: Math.max(implicitBackgroundHeight + topInset + bottomInset,
                                 implicitContentHeight + topPadding + bottomPadding)
        objectName: "itemButton"
        visible: !row.editing
        width: parent.width
        hoverEnabled: true
        focusPolicy: Qt.StrongFocus
        topPadding: 2
        bottomPadding: 2
        leftPadding: 2
        rightPadding: 2

        Accessible.role: Accessible.CheckBox
        Accessible.checkable: true
        Accessible.checked: row.complete
        Accessible.name: row.item.name
        Accessible.onPressAction: row.toggleRequested()
        Accessible.onToggleAction: row.toggleRequested()

        onClicked: row.toggleRequested()
        Keys.onPressed: (event) => {
            if (event.key === Qt.Key_Return || event.key === Qt.Key_Enter) {
                row.toggleRequested()
            } else if (event.key === Qt.Key_F2) {
                row.renameRequested()
            } else if (event.key === Qt.Key_Menu
                       || (event.key === Qt.Key_F10 && (event.modifiers & Qt.ShiftModifier))) {
                row.menuRequested(itemButton, 8, itemButton.height)
            } else {
                return
            }
            event.accepted = true
        }

        TapHandler {
            acceptedButtons: Qt.RightButton
            onTapped: (point) => row.menuRequested(itemButton, point.position.x, point.position.y)
        }

        contentItem: RowLayout {
            spacing: 6
            // The box ("square", or "checkmark.square.fill" when done) from plain rectangles:
            // a card may show hundreds of them, and a drawn symbol each would cost a third of
            // the checklists' building time.
            Rectangle {
                objectName: "tick"
                implicitWidth: 14
                implicitHeight: 14
                radius: 3.5
                color: row.complete ? Theme.accent : "transparent"
                border.width: row.complete ? 0 : 1.5
                border.color: Theme.secondary
                Layout.alignment: Qt.AlignTop
                Layout.topMargin: 2

                Rectangle {
                    visible: row.complete
                    x: 3
                    y: 6.3
                    width: 3.9
                    height: 1.8
                    radius: 0.9
                    rotation: 45
                    transformOrigin: Item.Left
                    color: "white"
                    antialiasing: true
                }
                Rectangle {
                    visible: row.complete
                    x: 5.1
                    y: 8.4
                    width: 7
                    height: 1.8
                    radius: 0.9
                    rotation: -52
                    transformOrigin: Item.Left
                    color: "white"
                    antialiasing: true
                }
            }
            Text {
                objectName: "itemName"
                text: row.item.name
                textFormat: Text.PlainText
                wrapMode: Text.Wrap
                font: row.struckOut(Theme.bodyFont, row.complete)
                color: row.complete ? Theme.secondary : Theme.primary
                horizontalAlignment: Text.AlignLeft
                Layout.fillWidth: true
            }
        }

        background: Rectangle {
            radius: 5
            color: itemButton.pressed ? Qt.rgba(Theme.primary.r, Theme.primary.g, Theme.primary.b, 0.1)
                 : itemButton.hovered ? Qt.rgba(Theme.primary.r, Theme.primary.g, Theme.primary.b, 0.05)
                 : "transparent"
            border.width: itemButton.visualFocus ? 2 : 0
            border.color: Theme.accent
        }
    }

    // Qt 6.4's linter cannot see this file's ids from inside the components.
    // qmllint disable unqualified
    // Built only for the row being renamed: a card may show hundreds of items.
    Loader {
        id: renameRow
        active: row.editing
        visible: active
        width: parent.width
        sourceComponent: RowLayout {
            spacing: 6

            TextField {
                objectName: "renameItemField"
                placeholderText: qsTr("Item")
                text: row.editingName
                selectByMouse: true
                Layout.fillWidth: true
                Accessible.name: qsTr("Item name")
                onTextEdited: row.renameEdited(text)
                onAccepted: row.commitRename()
                Keys.onEscapePressed: row.cancelRename()
                Component.onCompleted: {
                    forceActiveFocus()
                    selectAll()
                }
            }
            ActionButton {
                objectName: "saveRenameButton"
                label: qsTr("Save")
                prominent: true
                enabled: row.editingName.trim() !== ""
                onClicked: row.commitRename()
            }
            PlainButton {
                objectName: "cancelRenameButton"
                text: qsTr("Cancel")
                onClicked: row.cancelRename()
            }
        }
    }
    // qmllint enable unqualified
}
