// SPDX-License-Identifier: MIT
import QtQuick
import QtQuick.Layouts

// The card editor; placeholder until it is built.
ColumnLayout {
    id: editor
    // The store's current copy of the card (as KeyedListModel.get returns it).
    required property var card
    // The board's lists (a KeyedListModel) for the list picker.
    required property var lists
    signal dismissed()

    CardMembersSection { card: editor.card }
    CardLabelsSection { card: editor.card }
    CardChecklistsSection { card: editor.card }
    CardAttachmentsSection { card: editor.card }
    CommentsSection { card: editor.card }
}
