// SPDX-License-Identifier: MIT
// A hairline between the parts of a column layout, in the palette's separator colour.
import QtQuick
import QtQuick.Layouts
import Stavelin

Rectangle {
    color: Theme.separator
    implicitHeight: 1
    Layout.fillWidth: true
}
