// SPDX-License-Identifier: MIT
import QtQuick
import QtQuick.Layouts

// One section of the card editor; placeholder until it is built.
ColumnLayout {
    // The store's current copy of the card (as KeyedListModel.get returns it).
    required property var card
}
