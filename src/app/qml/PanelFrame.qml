// SPDX-License-Identifier: MIT
import QtQuick
import Stavelin

// The panel's frame: the window colour, a hairline border, and the root view inside.
Item {
    id: frame

    property url rootSource
    property bool rounded: false
    readonly property Item content: loader.item

    Rectangle {
        anchors.fill: parent
        radius: frame.rounded ? 12 : 0
        // Slightly translucent when a compositor shows what is behind it.
        color: frame.rounded
               ? Qt.rgba(Theme.windowBackground.r, Theme.windowBackground.g,
                         Theme.windowBackground.b, 0.97)
               : Theme.windowBackground
        border.width: 1
        border.color: Qt.rgba(Theme.separator.r, Theme.separator.g, Theme.separator.b,
                              0.6 * Theme.separator.a)
    }

    Loader {
        id: loader
        anchors.fill: parent
        anchors.margins: 1
        focus: true
        source: frame.rootSource
    }
}
