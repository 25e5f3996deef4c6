// SPDX-License-Identifier: MIT
// The board's filter row: the text field, and a button that opens the filter menu — the board's
// labels, its members ("Cards assigned to me" first) and the due states, each a check box. Every
// change goes straight into the board's filter, which the store keeps (see BoardFilter).
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Stavelin

RowLayout {
    id: bar

    required property BoardFilter filter
    required property string boardID

    readonly property var labels: boardID !== "" ? AppState.boards.labelsModel(boardID) : null
    readonly property var members: boardID !== "" ? AppState.boards.membersModel(boardID) : null
    readonly property string meID: AppState.session.member ? AppState.session.member.id : ""
    readonly property int pickedCount: filter ? filter.labelIDs.length + filter.memberIDs.length
                                                + filter.dueKinds.length : 0

    // Whether one of the filter's lists holds `id`.
    function has(list: var, id: string): bool {
        return list.indexOf(id) >= 0
    }
    function focusText(): void {
        filterField.forceActiveFocus()
    }
    function openMenu(): void {
        menu.open()
    }

    spacing: 4

    Rectangle {
        radius: 6
        color: Qt.rgba(Theme.primary.r, Theme.primary.g, Theme.primary.b, 0.05)
        implicitHeight: filterRow.implicitHeight + 6
        Layout.fillWidth: true
        Layout.maximumWidth: 200

        RowLayout {
            id: filterRow
            anchors.fill: parent
            anchors.leftMargin: 6
            anchors.rightMargin: 6
            spacing: 4
            Symbol {
                name: "magnifyingglass"
                color: Theme.secondary
                Layout.preferredWidth: 11
                Layout.preferredHeight: 11
            }
            // Moved here from the board screen: its translations are still filed under it.
            TextField {
                id: filterField
                objectName: "cardFilterField"
                placeholderText: qsTranslate("BoardDetailView", "Filter cards")
                text: bar.filter ? bar.filter.text : ""
                font: Theme.calloutFont
                background: null
                padding: 2
                selectByMouse: true
                Layout.fillWidth: true
                Accessible.name: qsTranslate("BoardDetailView", "Filter cards")
                onTextEdited: bar.filter.text = text
            }
            IconButton {
                objectName: "clearFilterButton"
                visible: filterField.text !== ""
                symbol: "xmark.circle.fill"
                toolTip: qsTranslate("BoardDetailView", "Clear filter")
                implicitWidth: 16
                implicitHeight: 16
                onClicked: bar.filter.text = ""
            }
        }
    }

    IconButton {
        id: menuButton
        objectName: "filterMenuButton"
        symbol: "line.3.horizontal"
        symbolColor: bar.pickedCount > 0 ? Theme.accent : Theme.secondary
        toolTip: bar.pickedCount > 0 ? qsTr("Filter by label, member or due date (%n on)", "", bar.pickedCount)
                                     : qsTr("Filter by label, member or due date")
        onClicked: menu.opened ? menu.close() : menu.open()
    }

    Popup {
        id: menu
        objectName: "filterMenu"
        y: menuButton.y + menuButton.height + 4
        x: Math.max(0, menuButton.x + menuButton.width - width)
        width: 240
        height: Math.min(content.implicitHeight + topPadding + bottomPadding, 420)
        margins: 6 // kept inside the window
        padding: 8
        focus: true
        // The keyboard starts on the first box.
        onOpened: {
            // (The label, member and due boxes are one column each.)
            let boxes = []
            for (let i = 0; i < content.children.length; ++i) {
                const item = content.children[i]
                if (item === labelBoxes || item === memberBoxes || item === dueBoxes)
                    boxes = boxes.concat(Array.from(item.children))
                else
                    boxes.push(item)
            }
            const first = boxes.find(item => item.objectName.startsWith("filter") && item.visible)
            if (first)
                first.forceActiveFocus()
        }

        // Qt 6.4's linter cannot see this file's ids from inside the delegates.
        // qmllint disable unqualified
        Flickable {
            anchors.fill: parent
            contentHeight: content.implicitHeight
            clip: true
            boundsBehavior: Flickable.StopAtBounds
            ScrollBar.vertical: ScrollBar { policy: ScrollBar.AsNeeded }

            ColumnLayout {
                id: content
                width: parent.width
                spacing: 2

                SectionHeader { title: qsTr("Labels"); Layout.topMargin: 2 }
                Text {
                    objectName: "labelsNotLoaded"
                    visible: !bar.labels || !bar.labels.loaded || bar.labels.count === 0
                    text: bar.labels && bar.labels.loaded ? qsTr("No labels on this board.")
                                                          : qsTr("Loading labels…")
                    font: Theme.captionFont
                    color: Theme.secondary
                }
                RepeaterColumn {
                    id: labelBoxes
                    objectName: "filterLabels"
                    spacing: content.spacing
                    Repeater {
                        model: bar.labels
                        delegate: CheckBox {
                            id: labelBox
                            required property var record
                            objectName: "filterLabel:" + text
                            text: record.name ? record.name : record.color ? Theme.colorName(record.color) : qsTr("Label")
                            checked: bar.has(bar.filter.labelIDs, record.id)
                            onToggled: bar.filter.setLabel(record.id, checked)
                            width: labelBoxes.width
                            rightPadding: 24
                            Rectangle {
                                anchors.right: parent.right
                                anchors.verticalCenter: parent.verticalCenter
                                width: 18
                                height: 10
                                radius: 3
                                visible: !!labelBox.record.color
                                color: Theme.trelloColor(labelBox.record.color)
                            }
                        }
                    }
                }

                SectionHeader { title: qsTr("Members"); Layout.topMargin: 6 }
                CheckBox {
                    objectName: "filterMe"
                    visible: bar.meID !== ""
                    text: qsTr("Cards assigned to me")
                    checked: bar.has(bar.filter.memberIDs, bar.meID)
                    onToggled: bar.filter.setMember(bar.meID, checked)
                    Layout.fillWidth: true
                }
                Text {
                    objectName: "membersNotLoaded"
                    visible: !bar.members || !bar.members.loaded
                    text: qsTr("Loading members…")
                    font: Theme.captionFont
                    color: Theme.secondary
                }
                RepeaterColumn {
                    id: memberBoxes
                    objectName: "filterMembers"
                    spacing: content.spacing
                    Repeater {
                        model: bar.members
                        delegate: CheckBox {
                            required property var record
                            objectName: "filterMember:" + record.username
                            visible: record.id !== bar.meID
                            text: record.fullName ? record.fullName : record.username
                            checked: bar.has(bar.filter.memberIDs, record.id)
                            onToggled: bar.filter.setMember(record.id, checked)
                            width: memberBoxes.width
                        }
                    }
                }

                SectionHeader { title: qsTr("Due date"); Layout.topMargin: 6 }
                RepeaterColumn {
                    id: dueBoxes
                    spacing: content.spacing
                    Repeater {
                        model: [
                            { kind: "overdue", text: qsTr("Overdue") },
                            { kind: "week", text: qsTr("Due in the next week") },
                            { kind: "none", text: qsTr("No due date") },
                            { kind: "complete", text: qsTr("Complete") }
                        ]
                        delegate: CheckBox {
                            required property var modelData
                            objectName: "filterDue:" + modelData.kind
                            text: modelData.text
                            checked: bar.has(bar.filter.dueKinds, modelData.kind)
                            onToggled: bar.filter.setDue(modelData.kind, checked)
                            width: dueBoxes.width
                        }
                    }
                }
            }
        }
        // qmllint enable unqualified
    }
}
