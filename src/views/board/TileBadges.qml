// SPDX-License-Identifier: MIT
// A tile's badge row: its comment count, its checklist items done of all (green when all are),
// and up to three of its members' avatars.
import QtQuick
import QtQuick.Layouts
import Stavelin

RowLayout {
    id: badges

    property int comments: 0
    property int checkItems: 0
    property int checkItemsChecked: 0
    property var members: []

    objectName: "badgeRow"
    spacing: 8

    RowLayout {
        objectName: "commentBadge"
        visible: badges.comments >= 1
        spacing: 3
        Symbol {
            name: "text.bubble"
            color: Theme.secondary
            Layout.preferredWidth: 10
            Layout.preferredHeight: 10
        }
        Text {
            text: badges.comments
            font: Theme.caption2Font
            color: Theme.secondary
        }
    }
    RowLayout {
        id: checklistBadge
        objectName: "checklistBadge"
        visible: badges.checkItems >= 1
        spacing: 3
        readonly property color tint: badges.checkItemsChecked === badges.checkItems ? Theme.green
                                                                                     : Theme.secondary
        Symbol {
            name: "checklist"
            color: checklistBadge.tint
            Layout.preferredWidth: 10
            Layout.preferredHeight: 10
        }
        Text {
            objectName: "checklistText"
            text: badges.checkItemsChecked + "/" + badges.checkItems
            font: Theme.caption2Font
            color: checklistBadge.tint
        }
    }
    Item { Layout.fillWidth: true }
    // In a positioner: see RepeaterColumn.qml.
    Row {
        spacing: badges.spacing
        visible: children.length > 1
        Repeater {
            objectName: "avatars"
            model: badges.members.slice(0, 3)
            delegate: MemberAvatar {
                required property var modelData
                member: modelData
                size: 18
            }
        }
    }
}
