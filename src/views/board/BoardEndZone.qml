// SPDX-License-Identifier: MIT
// The strip's end: a zone that takes lists dropped after the last one, marked while one would
// land there.
import QtQuick
import Stavelin

Item {
    id: zone

    required property BoardDragState dragState

    width: 38

    Rectangle {
        id: endZone
        objectName: "endDropZone"
        readonly property bool targeted: zone.dragState.listReorderTarget === "end"
        x: 10
        width: 28
        height: parent.height
        radius: 10
        color: targeted ? Qt.rgba(Theme.accent.r, Theme.accent.g, Theme.accent.b, 0.15)
                        : "transparent"
        Rectangle {
            visible: endZone.targeted
            anchors.centerIn: parent
            width: 3
            height: parent.height
            radius: 1.5
            color: Theme.accent
        }
        BoardDropDelegate {
            anchors.fill: parent
            takesLists: true
            dragState: zone.dragState
        }
    }
}
