// SPDX-License-Identifier: MIT
// What the board's filter menu has on, as chips that each take their part off (by click, or
// Tab to the chip's cross and Return), and "Clear all". Hidden when nothing is picked.
import QtQuick
import QtQuick.Layouts
import Stavelin

Flow {
    id: chips

    required property BoardFilter filter
    required property string boardID

    readonly property var labels: boardID !== "" ? AppState.boards.labelsModel(boardID) : null
    readonly property var members: boardID !== "" ? AppState.boards.membersModel(boardID) : null
    readonly property string meID: AppState.session.member ? AppState.session.member.id : ""

    // One entry per picked part: what it is, for its chip, and how it goes off.
    readonly property var entries: {
        if (!chips.filter || chips.filter.revision < 0)
            return []
        const on = chips.filter
        const labelRows = chips.labels
        const memberRows = chips.members
        const out = []
        void (labelRows ? labelRows.count : 0)
        void (memberRows ? memberRows.count : 0)
        for (const id of on.labelIDs) {
            const row = labelRows ? labelRows.indexOf(id) : -1
            const label = row >= 0 ? labelRows.get(row) : null
            const name = label && label.name ? label.name
                       : label && label.color ? Theme.colorName(label.color) : qsTr("Label")
            out.push({ text: qsTr("Label: %1").arg(name), off: () => on.setLabel(id, false) })
        }
        for (const id of on.memberIDs) {
            const row = memberRows ? memberRows.indexOf(id) : -1
            const member = row >= 0 ? memberRows.get(row) : null
            const name = id === chips.meID ? qsTr("Assigned to me")
                       : member ? qsTr("Member: %1").arg(member.fullName ? member.fullName : member.username)
                       : qsTr("Member")
            out.push({ text: name, off: () => on.setMember(id, false) })
        }
        const due = { overdue: qsTr("Overdue"), week: qsTr("Due in the next week"),
                      none: qsTr("No due date"), complete: qsTr("Complete") }
        for (const kind of on.dueKinds)
            out.push({ text: due[kind], off: () => on.setDue(kind, false) })
        return out
    }

    visible: chips.entries.length > 0
    spacing: 4

    Repeater {
        model: chips.entries
        delegate: Rectangle {
            id: chip
            required property var modelData
            objectName: "filterChip:" + modelData.text
            radius: height / 2
            color: Qt.rgba(Theme.accent.r, Theme.accent.g, Theme.accent.b, 0.14)
            implicitWidth: chipRow.implicitWidth + 12
            implicitHeight: chipRow.implicitHeight + 2

            RowLayout {
                id: chipRow
                x: 8
                anchors.verticalCenter: parent.verticalCenter
                spacing: 2
                Text {
                    text: chip.modelData.text
                    textFormat: Text.PlainText
                    font: Theme.captionFont
                    color: Theme.primary
                }
                IconButton {
                    objectName: "removeFilterButton"
                    symbol: "xmark"
                    symbolSize: 8
                    toolTip: qsTr("Remove filter “%1”").arg(chip.modelData.text)
                    implicitWidth: 18
                    implicitHeight: 18
                    onClicked: chip.modelData.off()
                }
            }
        }
    }
    LinkButton {
        objectName: "clearAllFiltersButton"
        visible: chips.entries.length > 1
        text: qsTr("Clear all")
        onClicked: chips.filter.clearPicked()
    }
}
