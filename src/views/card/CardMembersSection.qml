// SPDX-License-Identifier: MIT
// The card editor's members: every member of the card's board as a row, with avatar, that
// assigns the member to the card or takes them off. The tick moves once the service has
// confirmed the change.
import QtQuick
import QtQuick.Layouts
import Stavelin

ColumnLayout {
    id: section

    // The store's current copy of the card (as KeyedListModel.get returns it).
    required property var card

    readonly property var members: AppState.boards.membersModel(card.idBoard)
    readonly property var onIDs: card.idMembers ? Array.from(card.idMembers) : []

    function toggle(member: var): void {
        AppState.cards.setCardMember(card.id, member.id, onIDs.indexOf(member.id) < 0)
    }

    spacing: 4

    SectionHeader { title: qsTr("Members") }

    Text {
        objectName: "noMembersText"
        visible: !section.members || section.members.count === 0
        text: qsTr("No members on this board.")
        textFormat: Text.PlainText
        font: Theme.captionFont
        color: Theme.secondary
    }

    RepeaterColumn {
        id: memberColumn
        spacing: section.spacing
        Repeater {
            objectName: "memberRows"
            model: section.members

            // Qt 6.4's linter cannot see this file's ids from inside a delegate.
            // qmllint disable unqualified
            delegate: ToggleRow {
                required property var record
                objectName: "member:" + record.username
                text: Members.displayName(record)
                isOn: section.onIDs.indexOf(record.id) >= 0
                width: memberColumn.width
                onClicked: section.toggle(record)

                leading: MemberAvatar {
                    member: record
                    size: 22
                }
            }
            // qmllint enable unqualified
        }
    }
}
