// SPDX-License-Identifier: MIT
// The picture a dragged card shows under the pointer: its name on a tile-like card, drawn out
// of sight and captured when a drag may start.
import QtQuick
import Stavelin

Rectangle {
    id: preview

    property alias text: previewText.text

    function capture(done: var): void {
        preview.grabToImage(function (result) { done(result.url) })
    }

    x: -10000
    width: 220
    height: previewText.implicitHeight + 16
    radius: 7
    color: Theme.textBackground
    border.width: 1.5
    border.color: Theme.accent

    Text {
        id: previewText
        x: 8
        y: 8
        width: parent.width - 16
        font: Theme.bodyFont
        color: Theme.primary
        wrapMode: Text.Wrap
        maximumLineCount: 3
        elide: Text.ElideRight
    }
}
