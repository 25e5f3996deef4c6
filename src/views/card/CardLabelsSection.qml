// SPDX-License-Identifier: MIT
// The card editor's labels: every label of the card's board as a row that puts the label on the
// card or takes it off. The tick moves once the service has confirmed the change.
import QtQuick
import QtQuick.Layouts
import Stavelin

ColumnLayout {
    id: section

    // The store's current copy of the card (as KeyedListModel.get returns it).
    required property var card

    readonly property var labels: AppState.boards.labelsModel(card.idBoard)
    readonly property var onIDs: card.idLabels ? Array.from(card.idLabels) : []

    // The label's name, else its colour with each word capitalised, else "Label".
    function labelText(label: var): string {
        if (label.name)
            return label.name
        if (label.color)
            return Theme.colorName(label.color)
        return qsTr("Label")
    }
    function toggle(label: var): void {
        AppState.cards.setCardLabel(card.id, label, onIDs.indexOf(label.id) < 0)
    }

    spacing: 4

    SectionHeader { title: qsTr("Labels") }

    Text {
        objectName: "noLabelsText"
        visible: !section.labels || section.labels.count === 0
        text: qsTr("No labels on this board.")
        textFormat: Text.PlainText
        font: Theme.captionFont
        color: Theme.secondary
    }

    RepeaterColumn {
        id: labelColumn
        spacing: section.spacing
        Repeater {
            objectName: "labelRows"
            model: section.labels

            // Qt 6.4's linter cannot see this file's ids from inside a delegate.
            // qmllint disable unqualified
            delegate: ToggleRow {
                required property var record
                objectName: "label:" + section.labelText(record)
                text: section.labelText(record)
                isOn: section.onIDs.indexOf(record.id) >= 0
                width: labelColumn.width
                onClicked: section.toggle(record)

                leading: Rectangle {
                    objectName: "swatch"
                    implicitWidth: 32
                    implicitHeight: 18
                    radius: 4
                    color: Theme.trelloColor(record.color, Theme.dark)
                }
            }
            // qmllint enable unqualified
        }
    }
}
