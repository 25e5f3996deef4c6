// SPDX-License-Identifier: MIT
// One checklist of a card: its name, progress and items. A click on an item ticks or unticks it
// at once (the store takes the tick back if the service refuses it); an item's menu renames or
// deletes it; "Add item" opens a field for adding items one after another; the checklist's own
// menu deletes it after asking.
import QtQuick
import QtQuick.Controls
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
        AppState.checklists.addCheckItem(checklist.id, name).then(view, function (outcome) {
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
            AppState.checklists.renameCheckItem(card.id, item.id, name)
    }

    function toggle(item: var): void {
        AppState.checklists.toggleCheckItem(card.id, item)
    }
    function deleteItem(item: var): void {
        if (editingItemID === item.id)
            editingItemID = ""
        AppState.checklists.deleteCheckItem(checklist.id, item.id)
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
    function openItemMenu(at: Item, item: var, x: real, y: real): void {
        const menu = itemMenuComponent.createObject(view, { item: item })
        menu.closed.connect(function () { menu.destroy() })
        menu.popup(at, x, y)
    }
    function openMenu(): void {
        const menu = menuComponent.createObject(view)
        menu.closed.connect(function () { menu.destroy() })
        menu.popup(menuButton, 0, menuButton.height)
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

        ChecklistProgress {
            visible: view.items.length > 0
            done: view.doneCount
            total: view.items.length
            Layout.fillWidth: true
        }

        RepeaterColumn {
            id: itemColumn
            spacing: content.spacing
            Repeater {
                objectName: "items"
                // Rows by index, so that a tick or a rename keeps the rows (and the keyboard focus
                // on them) and only changes what they show.
                model: view.items.length

                // Qt 6.4's linter cannot see this file's ids from inside a delegate.
                // qmllint disable unqualified
                delegate: ChecklistItemRow {
                    required property int index
                    // (The rows go a moment after the items do.)
                    item: index < view.items.length ? view.items[index] : ({ id: "", name: "", state: "", pos: 0 })
                    editing: view.editingItemID === item.id
                    editingName: view.editingItemName
                    width: itemColumn.width
                    onToggleRequested: view.toggle(item)
                    onRenameRequested: view.startRename(item)
                    onMenuRequested: (at, x, y) => view.openItemMenu(at, item, x, y)
                    onRenameEdited: (text) => view.editingItemName = text
                    onRenameCommitted: view.commitItemRename(item)
                    onRenameCancelled: view.editingItemID = ""
                }
                // qmllint enable unqualified
            }
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
            onConfirmed: AppState.checklists.deleteChecklist(view.checklist.id)
        }
    }
    // qmllint enable unqualified
}
