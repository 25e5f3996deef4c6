// SPDX-License-Identifier: MIT
// The rows of a Repeater, one under another, as one cell of a layout. Qt 6.4's layouts keep a
// removed child until their next polish: when a layout's size changes in the same pass as its
// Repeater's model (a search text, a store's reset), it measures the deleted row and crashes.
// A positioner keeps no such state. Rows take the column's width; an empty column takes no
// room and no spacing in its layout.
import QtQuick
import QtQuick.Layouts

Column {
    Layout.fillWidth: true
    visible: children.length > 1 // the Repeater is a child too
}
