// SPDX-License-Identifier: MIT
// A board's colour as a small rounded square; the accent colour when the board has none.
import QtQuick
import Stavelin

Rectangle {
    id: chip

    // The board's colour, or undefined.
    required property var chipColor

    implicitWidth: 26
    implicitHeight: 26
    radius: 5
    color: chipColor !== undefined && chipColor !== null ? chipColor : Theme.accent
    border.width: 1
    border.color: Qt.rgba(Theme.primary.r, Theme.primary.g, Theme.primary.b, 0.08)
    Accessible.ignored: true
}
