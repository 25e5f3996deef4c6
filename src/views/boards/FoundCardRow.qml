// SPDX-License-Identifier: MIT
// One card found by the board list's search: its name, and where it is (board, list) and when
// it is due. The whole row is a button; it opens the card's editor on its board.
import QtQuick
import QtQuick.Templates as T
import QtQuick.Layouts
import Stavelin

T.AbstractButton {
    id: row
    implicitWidth: Math.max(implicitBackgroundWidth + leftInset + rightInset,
                            implicitContentWidth + leftPadding + rightPadding)
    implicitHeight: Math.max(implicitBackgroundHeight + topInset + bottomInset,
                             implicitContentHeight + topPadding + bottomPadding)

    required property var card

    // "Board · List · due …", with what the answer told.
    readonly property string place: {
        const parts = []
        if (card.boardName)
            parts.push(card.boardName)
        if (card.listName)
            parts.push(card.listName)
        if (card.due)
            parts.push(qsTr("due %1").arg(Theme.dueText(card.due)))
        return parts.join(" · ")
    }

    hoverEnabled: true
    focusPolicy: Qt.StrongFocus
    leftPadding: 10
    rightPadding: 10
    topPadding: 5
    bottomPadding: 5

    Accessible.role: Accessible.Button
    Accessible.name: card.name
    Accessible.description: place
    Accessible.onPressAction: row.clicked()

    Keys.onReturnPressed: clicked()
    Keys.onEnterPressed: clicked()

    contentItem: ColumnLayout {
        spacing: 1

        Text {
            text: row.card.name
            textFormat: Text.PlainText
            font: Theme.bodyFont
            color: Theme.primary
            elide: Text.ElideRight
            maximumLineCount: 1
            Layout.fillWidth: true
        }
        Text {
            objectName: "foundCardPlace"
            visible: row.place !== ""
            text: row.place
            textFormat: Text.PlainText
            font: Theme.captionFont
            color: row.card.due && !row.card.dueComplete && row.card.due < new Date()
                   ? Theme.red : Theme.secondary
            elide: Text.ElideRight
            maximumLineCount: 1
            Layout.fillWidth: true
        }
    }

    background: Rectangle {
        radius: 8
        color: row.hovered || row.pressed
               ? Qt.rgba(Theme.primary.r, Theme.primary.g, Theme.primary.b, row.pressed ? 0.12 : 0.07)
               : Qt.rgba(Theme.primary.r, Theme.primary.g, Theme.primary.b, 0)
        border.width: row.visualFocus ? 2 : 0
        border.color: Theme.accent
    }
}
