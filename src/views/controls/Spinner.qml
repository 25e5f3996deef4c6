// SPDX-License-Identifier: MIT
// A small spinning progress indicator; it only animates while it is visible.
import QtQuick
import Stavelin

Item {
    id: spinner

    property color color: Theme.secondary

    implicitWidth: 14
    implicitHeight: 14

    Accessible.role: Accessible.Animation
    Accessible.name: qsTr("Loading")

    Canvas {
        id: arc
        anchors.fill: parent
        onPaint: {
            const ctx = getContext("2d")
            ctx.reset()
            const r = Math.min(width, height) / 2 - 1.5
            ctx.lineWidth = 2
            ctx.lineCap = "round"
            ctx.strokeStyle = Qt.rgba(spinner.color.r, spinner.color.g, spinner.color.b, 0.25)
            ctx.beginPath()
            ctx.arc(width / 2, height / 2, r, 0, 2 * Math.PI)
            ctx.stroke()
            ctx.strokeStyle = spinner.color
            ctx.beginPath()
            ctx.arc(width / 2, height / 2, r, -Math.PI / 2, Math.PI / 3)
            ctx.stroke()
        }
        Connections {
            target: spinner
            function onColorChanged(): void { arc.requestPaint() }
        }

        RotationAnimator on rotation {
            from: 0
            to: 360
            duration: 900
            loops: Animation.Infinite
            running: spinner.visible
        }
    }
}
