// SPDX-License-Identifier: MIT
// The card editor's checklists: one ChecklistView per checklist of the card, in the store's
// order, and the row that adds a checklist.
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Stavelin

ColumnLayout {
    id: section

    // The store's current copy of the card (as KeyedListModel.get returns it).
    required property var card

    // Checklists past the first are built between frames (the card editor's way).
    property bool incremental: false
    // Every checklist of the card is built (once, when they come in).
    signal allBuilt()
    property int built: 0
    onBuiltChanged: if (built === checklists.count && built > 0) allBuilt()
    property bool addingChecklist: false
    property string newChecklistName
    // A create call is under way: the row keeps its text until it returns, and a second
    // Return does not create the checklist twice.
    property bool creating: false

    readonly property var checklists: AppState.checklists.checklistsModel(card.id)
    readonly property bool loading: AppState.checklists.loadingChecklists.indexOf(card.id) >= 0
    readonly property bool canSubmit: newChecklistName.trim() !== "" && !creating

    function startAdding(): void {
        newChecklistName = ""
        addingChecklist = true
    }
    function cancelAdding(): void {
        addingChecklist = false
        newChecklistName = ""
        addButton.forceActiveFocus()
    }
    function submit(): void {
        const name = newChecklistName.trim()
        if (!canSubmit)
            return
        creating = true
        AppState.checklists.createChecklist(card.id, name).then(section, function (outcome) {
            section.creating = false
            // Closed once made; a refused name stays to be sent again (the store reports why).
            if (outcome.ok) {
                section.newChecklistName = ""
                section.addingChecklist = false
            }
        })
    }

    spacing: 8

    RowLayout {
        spacing: 6
        SectionHeader { title: qsTr("Checklists") }
        Spinner {
            objectName: "checklistsSpinner"
            visible: section.loading
            implicitWidth: 12
            implicitHeight: 12
        }
    }

    RepeaterColumn {
        id: checklistColumn
        spacing: section.spacing
        Repeater {
            objectName: "checklists"
            model: section.checklists

            // Qt 6.4's linter cannot see this file's ids from inside a delegate.
            // qmllint disable unqualified
            delegate: Loader {
                id: slot
                required property var record
                required property int index
                // Past the first, built between frames: a card with many long checklists opens
                // without a pause, and they lie below the fold anyway.
                // (The section is gone first while the editor closes.)
                asynchronous: section !== null && section.incremental && index > 0
                onLoaded: ++section.built
                width: checklistColumn.width
                sourceComponent: ChecklistView {
                    objectName: "checklist:" + slot.record.name
                    card: section.card
                    checklist: slot.record
                }
            }
            // qmllint enable unqualified
        }
    }

    PlainButton {
        id: addButton
        objectName: "addChecklistButton"
        visible: !section.addingChecklist
        symbol: "plus"
        text: qsTr("Add checklist")
        textColor: Theme.secondary
        textFont: Theme.calloutFont
        onClicked: section.startAdding()
    }

    RowLayout {
        visible: section.addingChecklist
        spacing: 6
        Layout.fillWidth: true

        TextField {
            id: nameField
            objectName: "newChecklistField"
            placeholderText: qsTr("Checklist name")
            text: section.newChecklistName
            selectByMouse: true
            Layout.fillWidth: true
            Accessible.name: qsTr("Checklist name")
            onTextEdited: section.newChecklistName = text
            onAccepted: section.submit()
            Keys.onEscapePressed: section.cancelAdding()
            onVisibleChanged: if (visible) forceActiveFocus()
        }
        ActionButton {
            objectName: "addChecklistConfirmButton"
            label: qsTr("Add")
            prominent: true
            enabled: section.canSubmit
            onClicked: section.submit()
        }
        PlainButton {
            objectName: "cancelChecklistButton"
            text: qsTr("Cancel")
            onClicked: section.cancelAdding()
        }
    }
}
