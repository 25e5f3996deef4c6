// SPDX-License-Identifier: MIT
// A tile's labels: colour bars, or named chips in the wide panel, each with its name (else its
// colour's) as a tooltip.
import QtQuick
import QtQuick.Controls
import Stavelin

FlowLayout {
    id: chips

    required property var labels
    // Chips with the labels' names rather than bars.
    property bool named: false

    // A label's tooltip: its name, else its colour name, else "Label".
    function labelTip(label: var): string {
        if (label.name)
            return label.name
        if (label.color)
            return Theme.colorName(label.color)
        return qsTr("Label")
    }

    objectName: "labels"
    spacing: 4

    Repeater {
        model: chips.labels
        // Qt 6.4's linter cannot see this file's ids from inside a delegate.
        // qmllint disable unqualified
        delegate: Item {
            id: chip
            required property var modelData
            readonly property bool named: chips.named && !!modelData.name
            implicitWidth: named ? chipText.implicitWidth + 12 : 22
            implicitHeight: named ? chipText.implicitHeight + 2 : 6
            ToolTip.text: chips.labelTip(modelData)
            ToolTip.visible: chipHover.hovered
            ToolTip.delay: 600
            HoverHandler { id: chipHover }

            Rectangle {
                anchors.fill: parent
                radius: chip.named ? height / 2 : 3
                color: Theme.trelloColor(chip.modelData.color)
            }
            Text {
                id: chipText
                visible: chip.named
                anchors.centerIn: parent
                text: chip.modelData.name ? chip.modelData.name : ""
                textFormat: Text.PlainText
                font: Theme.withWeight(Theme.captionFont, Font.Medium)
                color: Theme.trelloLabelTextColor(chip.modelData.color)
            }
        }
        // qmllint enable unqualified
    }
}
