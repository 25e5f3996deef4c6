// SPDX-License-Identifier: MIT
import QtQuick
import QtQuick.Layouts

// The card editor's comments; placeholder until it is built.
ColumnLayout {
    // The store's current copy of the card (as KeyedListModel.get returns it).
    required property var card
    // True while the comment field has keyboard focus: Return then sends the comment instead
    // of saving the card.
    readonly property bool commentFocused: false
}
