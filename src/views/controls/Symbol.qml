// SPDX-License-Identifier: MIT
// A small line icon, drawn here so that icons follow the palette and look the same on every
// desktop, with or without an icon theme. Shapes are laid out on a 16 × 16 grid and scaled.
import QtQuick
import Stavelin

Canvas {
    id: symbol

    // One of: plus, minus, xmark, xmark.circle.fill, magnifyingglass, chevron.left,
    // chevron.right, chevron.down, star.fill, gearshape, key.fill, tray, arrow.clockwise,
    // rectangle.split.3x1.fill, list.bullet.rectangle, arrow.up.left.and.arrow.down.right,
    // arrow.up.right.and.arrow.down.left, ellipsis, clock, checkmark, checkmark.circle.fill,
    // text.bubble, checklist, line.3.horizontal, plus.rectangle.on.rectangle, paperclip, trash,
    // arrow.up.doc, paperplane.fill, face.smiling
    required property string name
    property color color: Theme.primary
    property real lineWidth: 1.6

    implicitWidth: 16
    implicitHeight: 16
    // Icons are decoration; the control around them carries the accessible name.
    Accessible.ignored: true

    onNameChanged: requestPaint()
    onColorChanged: requestPaint()
    onLineWidthChanged: requestPaint()
    onWidthChanged: requestPaint()
    onHeightChanged: requestPaint()

    function line(ctx: var, points: list<real>): void {
        ctx.beginPath()
        ctx.moveTo(points[0], points[1])
        for (let i = 2; i < points.length; i += 2)
            ctx.lineTo(points[i], points[i + 1])
        ctx.stroke()
    }

    function roundRect(ctx: var, x: real, y: real, w: real, h: real, r: real): void {
        ctx.beginPath()
        ctx.moveTo(x + r, y)
        ctx.arcTo(x + w, y, x + w, y + h, r)
        ctx.arcTo(x + w, y + h, x, y + h, r)
        ctx.arcTo(x, y + h, x, y, r)
        ctx.arcTo(x, y, x + w, y, r)
        ctx.closePath()
    }

    onPaint: {
        const ctx = getContext("2d")
        ctx.reset()
        const side = Math.min(width, height)
        if (side <= 0)
            return
        ctx.translate((width - side) / 2, (height - side) / 2)
        ctx.scale(side / 16, side / 16)
        ctx.strokeStyle = symbol.color
        ctx.fillStyle = symbol.color
        ctx.lineWidth = symbol.lineWidth
        ctx.lineCap = "round"
        ctx.lineJoin = "round"

        switch (symbol.name) {
        case "plus":
            line(ctx, [8, 3, 8, 13])
            line(ctx, [3, 8, 13, 8])
            break
        case "minus":
            line(ctx, [3, 8, 13, 8])
            break
        case "xmark":
            line(ctx, [4, 4, 12, 12])
            line(ctx, [12, 4, 4, 12])
            break
        case "xmark.circle.fill":
            ctx.beginPath()
            ctx.arc(8, 8, 6.5, 0, 2 * Math.PI)
            ctx.fill()
            // The cross is cut out of the disc, so it shows whatever lies behind.
            ctx.globalCompositeOperation = "destination-out"
            ctx.lineWidth = 1.5
            line(ctx, [5.6, 5.6, 10.4, 10.4])
            line(ctx, [10.4, 5.6, 5.6, 10.4])
            break
        case "magnifyingglass":
            ctx.beginPath()
            ctx.arc(7, 7, 4.5, 0, 2 * Math.PI)
            ctx.stroke()
            line(ctx, [10.4, 10.4, 14, 14])
            break
        case "chevron.left":
            line(ctx, [10, 3, 5, 8, 10, 13])
            break
        case "chevron.right":
            line(ctx, [6, 3, 11, 8, 6, 13])
            break
        case "chevron.down":
            line(ctx, [3, 6, 8, 11, 13, 6])
            break
        case "star.fill": {
            ctx.beginPath()
            for (let i = 0; i < 10; ++i) {
                const r = i % 2 === 0 ? 7 : 2.9
                const a = -Math.PI / 2 + i * Math.PI / 5
                const x = 8 + r * Math.cos(a)
                const y = 8.6 + r * Math.sin(a)
                if (i === 0)
                    ctx.moveTo(x, y)
                else
                    ctx.lineTo(x, y)
            }
            ctx.closePath()
            ctx.fill()
            break
        }
        case "gearshape":
            for (let i = 0; i < 8; ++i) {
                const a = i * Math.PI / 4
                ctx.lineWidth = 2.2
                line(ctx, [8 + 5 * Math.cos(a), 8 + 5 * Math.sin(a),
                           8 + 6.6 * Math.cos(a), 8 + 6.6 * Math.sin(a)])
            }
            ctx.lineWidth = symbol.lineWidth
            ctx.beginPath()
            ctx.arc(8, 8, 4.6, 0, 2 * Math.PI)
            ctx.stroke()
            ctx.beginPath()
            ctx.arc(8, 8, 1.8, 0, 2 * Math.PI)
            ctx.stroke()
            break
        case "key.fill":
            ctx.beginPath()
            ctx.arc(5, 8, 3.6, 0, 2 * Math.PI)
            ctx.fill()
            ctx.lineWidth = 2
            line(ctx, [7, 8, 14.5, 8])
            line(ctx, [12.5, 8, 12.5, 11])
            line(ctx, [14.5, 8, 14.5, 10.5])
            ctx.globalCompositeOperation = "destination-out"
            ctx.beginPath()
            ctx.arc(4.2, 8, 1.2, 0, 2 * Math.PI)
            ctx.fill()
            break
        case "tray":
            roundRect(ctx, 2, 4, 12, 9, 2)
            ctx.stroke()
            line(ctx, [2, 9, 5.5, 9, 6.5, 10.5, 9.5, 10.5, 10.5, 9, 14, 9])
            break
        case "arrow.clockwise":
            ctx.beginPath()
            ctx.arc(8, 8.8, 5.2, -Math.PI / 6, 1.5 * Math.PI)
            ctx.stroke()
            ctx.beginPath()
            ctx.moveTo(7.4, 1.2)
            ctx.lineTo(10.6, 3.6)
            ctx.lineTo(7.4, 6)
            ctx.closePath()
            ctx.fill()
            break
        case "rectangle.split.3x1.fill":
            roundRect(ctx, 1, 2.5, 4.2, 11, 1.2)
            ctx.fill()
            roundRect(ctx, 5.9, 2.5, 4.2, 8, 1.2)
            ctx.fill()
            roundRect(ctx, 10.8, 2.5, 4.2, 9.5, 1.2)
            ctx.fill()
            break
        case "list.bullet.rectangle":
            roundRect(ctx, 1.5, 2.5, 13, 11, 2)
            ctx.stroke()
            for (let row = 0; row < 3; ++row) {
                const y = 5.5 + row * 2.5
                line(ctx, [4.5, y, 4.6, y])
                line(ctx, [7, y, 11.5, y])
            }
            break
        case "arrow.up.left.and.arrow.down.right":
            line(ctx, [3, 3, 13, 13])
            line(ctx, [3, 7.5, 3, 3, 7.5, 3])
            line(ctx, [8.5, 13, 13, 13, 13, 8.5])
            break
        case "arrow.up.right.and.arrow.down.left":
            line(ctx, [14, 2, 9, 7])
            line(ctx, [9, 3.5, 9, 7, 12.5, 7])
            line(ctx, [2, 14, 7, 9])
            line(ctx, [3.5, 9, 7, 9, 7, 12.5])
            break
        case "clock":
            ctx.beginPath()
            ctx.arc(8, 8, 6, 0, 2 * Math.PI)
            ctx.stroke()
            line(ctx, [8, 4.5, 8, 8, 10.5, 9.5])
            break
        case "checkmark":
            line(ctx, [3, 8.5, 6.5, 12, 13, 4])
            break
        case "checkmark.circle.fill":
            ctx.beginPath()
            ctx.arc(8, 8, 6.5, 0, 2 * Math.PI)
            ctx.fill()
            ctx.globalCompositeOperation = "destination-out"
            ctx.lineWidth = 1.6
            line(ctx, [5, 8.2, 7.2, 10.4, 11, 5.8])
            break
        case "text.bubble":
            roundRect(ctx, 2, 2.5, 12, 8.5, 2.5)
            ctx.stroke()
            line(ctx, [5, 11, 4.5, 14, 8, 11])
            line(ctx, [5, 5.5, 11, 5.5])
            line(ctx, [5, 8, 9, 8])
            break
        case "checklist":
            line(ctx, [2, 4, 3.3, 5.3, 5.5, 2.8])
            line(ctx, [2, 10.5, 3.3, 11.8, 5.5, 9.3])
            line(ctx, [8, 4.2, 14, 4.2])
            line(ctx, [8, 10.7, 14, 10.7])
            break
        case "line.3.horizontal":
            line(ctx, [3, 4.5, 13, 4.5])
            line(ctx, [3, 8, 13, 8])
            line(ctx, [3, 11.5, 13, 11.5])
            break
        case "plus.rectangle.on.rectangle":
            roundRect(ctx, 5, 2, 9, 9, 1.5)
            ctx.stroke()
            line(ctx, [2.5, 5, 2.5, 13.5, 11, 13.5])
            line(ctx, [9.5, 4.5, 9.5, 8.5])
            line(ctx, [7.5, 6.5, 11.5, 6.5])
            break
        case "paperclip":
            // One wire: down the outer right side, round the bottom, up the left, over the
            // top and down the inner loop.
            ctx.beginPath()
            ctx.moveTo(12, 5)
            ctx.lineTo(12, 11)
            ctx.arc(8, 11, 4, 0, Math.PI)
            ctx.lineTo(4, 4.5)
            ctx.arc(6.5, 4.5, 2.5, Math.PI, 2 * Math.PI)
            ctx.lineTo(9, 10.5)
            ctx.arc(8, 10.5, 1, 0, Math.PI)
            ctx.lineTo(7, 5.5)
            ctx.stroke()
            break
        case "trash":
            line(ctx, [2.5, 4, 13.5, 4])
            line(ctx, [6, 4, 6, 2.2, 10, 2.2, 10, 4])
            line(ctx, [3.8, 4, 4.6, 14, 11.4, 14, 12.2, 4])
            line(ctx, [6.6, 6.5, 6.8, 11.5])
            line(ctx, [9.4, 6.5, 9.2, 11.5])
            break
        case "arrow.up.doc":
            line(ctx, [9.5, 1.8, 4, 1.8, 3, 2.8, 3, 13.2, 4, 14.2, 12, 14.2, 13, 13.2, 13, 5.3, 9.5, 1.8])
            line(ctx, [9.5, 1.8, 9.5, 5.3, 13, 5.3])
            line(ctx, [8, 12, 8, 7])
            line(ctx, [5.8, 9.2, 8, 7, 10.2, 9.2])
            break
        case "ellipsis":
            for (let i = 0; i < 3; ++i) {
                ctx.beginPath()
                ctx.arc(3.5 + i * 4.5, 8, 1.3, 0, 2 * Math.PI)
                ctx.fill()
            }
            break
        case "paperplane.fill":
            ctx.beginPath()
            ctx.moveTo(1.5, 7.4)
            ctx.lineTo(14.5, 1.5)
            ctx.lineTo(9.2, 14.5)
            ctx.lineTo(7.3, 8.7)
            ctx.closePath()
            ctx.fill()
            // The fold, cut out of the wing.
            ctx.globalCompositeOperation = "destination-out"
            ctx.lineWidth = 1.1
            line(ctx, [7.3, 8.7, 14.5, 1.5])
            break
        case "face.smiling":
            ctx.beginPath()
            ctx.arc(8, 8, 6.3, 0, 2 * Math.PI)
            ctx.stroke()
            for (const x of [5.9, 10.1]) {
                ctx.beginPath()
                ctx.arc(x, 6.4, 0.95, 0, 2 * Math.PI)
                ctx.fill()
            }
            ctx.beginPath()
            ctx.arc(8, 8.2, 3.3, 0.2 * Math.PI, 0.8 * Math.PI)
            ctx.stroke()
            break
        }
    }
}
