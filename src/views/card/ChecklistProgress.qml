// SPDX-License-Identifier: MIT
// A checklist's progress: a thin bar of the items done, green once all are.
import QtQuick
import QtQuick.Templates as T
import Stavelin

T.ProgressBar {
    id: progressBar

    property int done: 0
    property int total: 0

    implicitWidth: Math.max(implicitBackgroundWidth + leftInset + rightInset,
                            implicitContentWidth + leftPadding + rightPadding)
    implicitHeight: Math.max(implicitBackgroundHeight + topInset + bottomInset,
                             implicitContentHeight + topPadding + bottomPadding)
    objectName: "progressBar"
    from: 0
    to: Math.max(1, total)
    value: done
    Accessible.name: qsTr("%1 of %2 done").arg(done).arg(total)

    background: Rectangle {
        implicitWidth: 100
        implicitHeight: 4
        radius: 2
        color: Qt.rgba(Theme.primary.r, Theme.primary.g, Theme.primary.b, 0.1)
    }
    contentItem: Item {
        implicitWidth: 100
        implicitHeight: 4
        Rectangle {
            width: parent.width * progressBar.visualPosition
            height: parent.height
            radius: 2
            color: progressBar.value >= progressBar.to ? Theme.green : Theme.accent
        }
    }
}
