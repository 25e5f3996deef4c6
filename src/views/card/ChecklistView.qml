// SPDX-License-Identifier: MIT
// One checklist of a card: its name, progress and items. A click on an item ticks or unticks it
// at once (the store takes the tick back if the service refuses it); an item's menu renames or
// deletes it; "Add item" opens a field for adding items one after another; the checklist's own
// menu deletes it after asking.
import QtQuick
import QtQuick.Controls
import QtQuick.Templates as T
import QtQuick.Layouts
import Stavelin

Rectangle {
    id: view

    required property var card
    // The checklist as the store holds it now (a new value after every change).
    required property var checklist

    property bool addingItem: false
    property string newItemName
    // The new item's field while the form is open.
    property Item itemField: null
    // Id of the item being renamed, "" when none.
    property string editingItemID
    property string editingItemName
    readonly property bool confirmingDelete: deleteDialog !== null && deleteDialog.visible
    // The open delete confirmation, or null.
    property ConfirmationDialog deleteDialog: null
    // The item name whose add is under way, so that a second Return cannot add it twice.
    property string itemInFlight

    readonly property var items: checklist.checkItems ? Array.from(checklist.checkItems) : []
    readonly property int doneCount: items.filter(item => item.state === "complete").length
    readonly property bool canAddItem: newItemName.trim() !== "" && newItemName.trim() !== itemInFlight
    readonly property bool canRename: editingItemName.trim() !== ""

    function startAddingItem(): void {
        newItemName = ""
        addingItem = true
    }
    function stopAddingItem(): void {
        addingItem = false
        newItemName = ""
        addItemButton.forceActiveFocus()
    }
    function submitItem(): void {
        const name = newItemName.trim()
        if (!canAddItem)
            return
        const sent = newItemName
        itemInFlight = name
        AppState.details.addCheckItem(checklist.id, name).then(view, function (outcome) {
            view.itemInFlight = ""
            // Emptied for the next item once it is added; a refused name stays to be sent
            // again, and so does one the user has begun typing meanwhile.
            if (outcome.ok && view.newItemName === sent)
                view.newItemName = ""
            if (view.itemField !== null)
                view.itemField.forceActiveFocus()
        })
    }

    function startRename(item: var): void {
        editingItemName = item.name
        editingItemID = item.id
    }
    // Leaves rename mode at once; a name that is empty or unchanged sends nothing.
    function commitItemRename(item: var): void {
        const name = editingItemName.trim()
        editingItemID = ""
        if (name !== "" && name !== item.name)
            AppState.details.renameCheckItem(card.id, item.id, name)
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

    function toggle(item: var): void {
        AppState.details.toggleCheckItem(card.id, item)
    }
    function deleteItem(item: var): void {
        if (editingItemID === item.id)
            editingItemID = ""
        AppState.details.deleteCheckItem(checklist.id, item.id)
    }

    // Made when asked for: a card may hold many checklists, and few are ever deleted.
    function confirmDelete(): void {
        const dialog = deleteComponent.createObject(view)
        dialog.closed.connect(function () {
            if (view.deleteDialog === dialog)
                view.deleteDialog = null
            dialog.destroy()
        })
        deleteDialog = dialog
        dialog.open()
    }
    function openMenu(): void {
        const menu = menuComponent.createObject(view)
        menu.closed.connect(function () { menu.destroy() })
        menu.popup(menuButton, 0, menuButton.height)
    }
    function openItemMenu(row: Item, item: var, x: real, y: real): void {
        const menu = itemMenuComponent.createObject(view, { item: item })
        menu.closed.connect(function () { menu.destroy() })
        menu.popup(row, x, y)
    }

    implicitWidth: 280
    implicitHeight: content.implicitHeight + 16
    radius: 8
    color: Theme.textBackground
    border.width: 1
    border.color: Qt.rgba(Theme.primary.r, Theme.primary.g, Theme.primary.b, 0.08)

    Accessible.role: Accessible.Grouping
    // The name goes in last, so that a "%1" in it stays as it is.
    Accessible.name: qsTr("Checklist %3, %1 of %2 done").arg(doneCount).arg(items.length).arg(checklist.name)

    ColumnLayout {
        id: content
        x: 8
        y: 8
        width: parent.width - 16
        spacing: 6

        RowLayout {
            spacing: 6
            Layout.fillWidth: true

            Symbol {
                name: "checklist"
                color: Theme.secondary
                Layout.preferredWidth: 14
                Layout.preferredHeight: 14
            }
            Text {
                objectName: "checklistName"
                text: view.checklist.name
                textFormat: Text.PlainText
                font: Theme.withWeight(Theme.calloutFont, Font.Bold)
                color: Theme.primary
                elide: Text.ElideRight
                Layout.fillWidth: true
            }
            Text {
                objectName: "progressText"
                text: view.doneCount + "/" + view.items.length
                font: Theme.captionFont
                color: Theme.secondary
            }
            IconButton {
                id: menuButton
                objectName: "checklistMenuButton"
                symbol: "ellipsis"
                toolTip: qsTr("Checklist actions")
                implicitWidth: 18
                implicitHeight: 18
                onClicked: view.openMenu()
            }
        }

        T.ProgressBar {
            id: progressBar
            implicitWidth: Math.max(implicitBackgroundWidth + leftInset + rightInset,
                                    implicitContentWidth + leftPadding + rightPadding)
            implicitHeight: Math.max(implicitBackgroundHeight + topInset + bottomInset,
                                     implicitContentHeight + topPadding + bottomPadding)
            objectName: "progressBar"
            visible: view.items.length > 0
            from: 0
            to: Math.max(1, view.items.length)
            value: view.doneCount
            Layout.fillWidth: true
            Accessible.name: qsTr("%1 of %2 done").arg(view.doneCount).arg(view.items.length)

            background: Rectangle {
                implicitWidth: 100
                implicitHeight: 4
                radius: 2
                color: Qt.rgba(Theme.primary.r, Theme.primary.g, Theme.primary.b, 0.1)
            }
            contentItem: Item {
                implicitWidth: 100
                implicitHeight: 4
                Rectangle {
                    width: parent.width * progressBar.visualPosition
                    height: parent.height
                    radius: 2
                    color: progressBar.value >= progressBar.to ? Theme.green : Theme.accent
                }
            }
        }

        Repeater {
            objectName: "items"
            // Rows by index, so that a tick or a rename keeps the rows (and the keyboard focus
            // on them) and only changes what they show.
            model: view.items.length

            // Qt 6.4's linter cannot see this file's ids from inside a delegate.
            // qmllint disable unqualified
            delegate: Item {
                id: slot
                required property int index
                // (The rows go a moment after the items do.)
                readonly property var modelData: index < view.items.length
                                                 ? view.items[index]
                                                 : ({ id: "", name: "", state: "", pos: 0 })
                readonly property bool complete: modelData.state === "complete"
                readonly property bool editing: view.editingItemID === modelData.id
                objectName: "item:" + modelData.name

                // The focus goes back to the row, for the keyboard's next step.
                function commitRename(): void {
                    view.commitItemRename(modelData)
                    itemButton.forceActiveFocus()
                }
                implicitHeight: editing ? renameRow.implicitHeight : itemButton.implicitHeight
                Layout.fillWidth: true

                T.AbstractButton {
                    id: itemButton
                    implicitWidth: Math.max(implicitBackgroundWidth + leftInset + rightInset,
                                            implicitContentWidth + leftPadding + rightPadding)
                    implicitHeight: Math.max(implicitBackgroundHeight + topInset + bottomInset,
                                             implicitContentHeight + topPadding + bottomPadding)
                    objectName: "itemButton"
                    visible: !slot.editing
                    width: parent.width
                    hoverEnabled: true
                    focusPolicy: Qt.StrongFocus
                    topPadding: 2
                    bottomPadding: 2
                    leftPadding: 2
                    rightPadding: 2

                    Accessible.role: Accessible.CheckBox
                    Accessible.checkable: true
                    Accessible.checked: slot.complete
                    Accessible.name: slot.modelData.name
                    Accessible.onPressAction: view.toggle(slot.modelData)
                    Accessible.onToggleAction: view.toggle(slot.modelData)

                    onClicked: view.toggle(slot.modelData)
                    Keys.onPressed: (event) => {
                        if (event.key === Qt.Key_Return || event.key === Qt.Key_Enter) {
                            view.toggle(slot.modelData)
                        } else if (event.key === Qt.Key_F2) {
                            view.startRename(slot.modelData)
                        } else if (event.key === Qt.Key_Menu
                                   || (event.key === Qt.Key_F10 && (event.modifiers & Qt.ShiftModifier))) {
                            view.openItemMenu(itemButton, slot.modelData, 8, itemButton.height)
                        } else {
                            return
                        }
                        event.accepted = true
                    }

                    TapHandler {
                        acceptedButtons: Qt.RightButton
                        onTapped: (point) => view.openItemMenu(itemButton, slot.modelData,
                                                               point.position.x, point.position.y)
                    }

                    contentItem: RowLayout {
                        spacing: 6
                        // The box ("square", or "checkmark.square.fill" when done) from plain
                        // rectangles: a card may show hundreds of them, and a drawn symbol
                        // each would cost a third of the checklists' building time.
                        Rectangle {
                            objectName: "tick"
                            implicitWidth: 14
                            implicitHeight: 14
                            radius: 3.5
                            color: slot.complete ? Theme.accent : "transparent"
                            border.width: slot.complete ? 0 : 1.5
                            border.color: Theme.secondary
                            Layout.alignment: Qt.AlignTop
                            Layout.topMargin: 2

                            Rectangle {
                                visible: slot.complete
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
                                visible: slot.complete
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
                            text: slot.modelData.name
                            textFormat: Text.PlainText
                            wrapMode: Text.Wrap
                            font: view.struckOut(Theme.bodyFont, slot.complete)
                            color: slot.complete ? Theme.secondary : Theme.primary
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

                // Built only for the row being renamed: a card may show hundreds of items.
                Loader {
                    id: renameRow
                    active: slot.editing
                    visible: active
                    width: parent.width
                    sourceComponent: RowLayout {
                        spacing: 6

                        TextField {
                            objectName: "renameItemField"
                            placeholderText: qsTr("Item")
                            text: view.editingItemName
                            selectByMouse: true
                            Layout.fillWidth: true
                            Accessible.name: qsTr("Item name")
                            onTextEdited: view.editingItemName = text
                            onAccepted: slot.commitRename()
                            Keys.onEscapePressed: cancelRenameButton.clicked()
                            Component.onCompleted: {
                                forceActiveFocus()
                                selectAll()
                            }
                        }
                        ActionButton {
                            objectName: "saveRenameButton"
                            label: qsTr("Save")
                            prominent: true
                            enabled: view.canRename
                            onClicked: slot.commitRename()
                        }
                        PlainButton {
                            id: cancelRenameButton
                            objectName: "cancelRenameButton"
                            text: qsTr("Cancel")
                            onClicked: { view.editingItemID = ""; itemButton.forceActiveFocus() }
                        }
                    }
                }
            }
            // qmllint enable unqualified
        }

        PlainButton {
            id: addItemButton
            objectName: "addItemButton"
            visible: !view.addingItem
            symbol: "plus"
            text: qsTr("Add item")
            textColor: Theme.secondary
            textFont: Theme.captionFont
            onClicked: view.startAddingItem()
        }

        // Made when asked for: a card may hold many checklists.
        Loader {
            active: view.addingItem
            visible: active
            Layout.fillWidth: true
            // qmllint disable unqualified
            sourceComponent: RowLayout {
                spacing: 6

                TextField {
                    objectName: "newItemField"
                    placeholderText: qsTr("Item")
                    text: view.newItemName
                    selectByMouse: true
                    Layout.fillWidth: true
                    Accessible.name: qsTr("New item")
                    onTextEdited: view.newItemName = text
                    onAccepted: view.submitItem()
                    Keys.onEscapePressed: view.stopAddingItem()
                    Component.onCompleted: {
                        view.itemField = this
                        forceActiveFocus()
                    }
                }
                ActionButton {
                    objectName: "addItemConfirmButton"
                    label: qsTr("Add")
                    prominent: true
                    enabled: view.canAddItem
                    onClicked: view.submitItem()
                }
                PlainButton {
                    objectName: "doneAddingButton"
                    text: qsTr("Done")
                    onClicked: view.stopAddingItem()
                }
            }
            // qmllint enable unqualified
        }
    }

    // Qt 6.4's linter cannot see ids from inside a Component.
    // qmllint disable unqualified
    Component {
        id: menuComponent
        Menu {
            objectName: "checklistMenu"
            MenuItem {
                objectName: "deleteChecklistItem"
                text: qsTr("Delete Checklist…")
                palette.windowText: Theme.red
                onTriggered: view.confirmDelete()
            }
        }
    }

    Component {
        id: itemMenuComponent
        Menu {
            id: itemMenu
            objectName: "itemMenu"
            required property var item
            MenuItem {
                objectName: "renameItemItem"
                text: qsTr("Rename Item")
                onTriggered: view.startRename(itemMenu.item)
            }
            MenuItem {
                objectName: "deleteItemItem"
                text: qsTr("Delete Item")
                palette.windowText: Theme.red
                onTriggered: view.deleteItem(itemMenu.item)
            }
        }
    }

    Component {
        id: deleteComponent
        ConfirmationDialog {
            objectName: "deleteChecklistDialog"
            title: qsTr("Delete “%1”?").arg(view.checklist.name)
            message: qsTr("This deletes the checklist and all its items.")
            actionText: qsTr("Delete Checklist")
            onConfirmed: AppState.details.deleteChecklist(view.checklist.id)
        }
    }
    // qmllint enable unqualified
}
