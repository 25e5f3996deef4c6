// SPDX-License-Identifier: MIT
// One card in a list column: its labels, name, due date, comment and checklist counts and
// assigned members. A click opens it; it can be dragged to another place, takes drops of other
// cards before itself, and offers archive and delete in its context menu. It takes the
// keyboard focus: arrows move the focus, Return opens, Ctrl+Shift+arrows move the card.
import QtQuick
import QtQuick.Layouts
import Stavelin

FocusScope {
    id: tile

    required property var card
    required property BoardDragState dragState
    // The board's members (a list model), for the avatars.
    property var boardMembers: null
    // What counts as now for the due colours; the board screen ticks it.
    property date now: new Date()
    // The drag picture: an item with `text` and `capture(callback)`; none gives the default.
    property var preview: null

    signal openRequested()
    // An arrow key without modifiers: the board moves the focus.
    signal navigateRequested(int key)
    // Ctrl+Shift and an arrow: the board moves the card.
    signal moveRequested(int key)

    // Derived values.
    readonly property var labels: card.labels ? card.labels : []
    readonly property bool hasDue: card.due !== undefined && card.due !== null
    readonly property color dueColor: {
        if (!hasDue)
            return Theme.secondary
        if (card.dueComplete === true)
            return Theme.green
        const left = card.due.getTime() - now.getTime()
        if (left < 0)
            return Theme.red
        if (left < 86400 * 1000)
            return Theme.orange
        return Theme.secondary
    }
    readonly property int comments: card.badges ? card.badges.comments : 0
    readonly property int checkItems: card.badges ? card.badges.checkItems : 0
    readonly property int checkItemsChecked: card.badges ? card.badges.checkItemsChecked : 0
    readonly property var assignedMembers: {
        const ids = card.idMembers ? Array.from(card.idMembers) : []
        if (ids.length === 0 || !boardMembers)
            return []
        const found = []
        for (let i = 0; i < boardMembers.count; ++i) {
            const member = boardMembers.get(i)
            if (ids.indexOf(member.id) >= 0)
                found.push(member)
        }
        return found
    }
    readonly property bool showsBadgeRow: comments >= 1 || checkItems >= 1 || assignedMembers.length > 0
    readonly property bool wideLabels: AppState.isExpanded
    readonly property bool insertionMarked: !!dragState && dragState.reorderBeforeCardID === card.id
    readonly property string webAddress: {
        const url = card.url
        return url && /^https?:\/\//i.test(url) ? url : ""
    }

    implicitHeight: content.implicitHeight + 16
    activeFocusOnTab: true

    Accessible.role: Accessible.ListItem
    Accessible.name: card.name
    Accessible.description: {
        const parts = []
        if (hasDue)
            parts.push(qsTr("due %1").arg(Theme.dueText(card.due, now)))
        if (checkItems > 0)
            parts.push(qsTr("%1 of %2 checklist items done").arg(checkItemsChecked).arg(checkItems))
        if (comments > 0)
            parts.push(qsTr("%n comment(s)", "", comments))
        return parts.join(", ")
    }
    Accessible.onPressAction: openRequested()

    Keys.onPressed: (event) => {
        const arrows = [Qt.Key_Left, Qt.Key_Right, Qt.Key_Up, Qt.Key_Down]
        const moving = Qt.ControlModifier | Qt.ShiftModifier
        if (arrows.includes(event.key) && (event.modifiers & moving) === moving) {
            moveRequested(event.key)
            event.accepted = true
        } else if (arrows.includes(event.key) && !(event.modifiers & (Qt.ControlModifier | Qt.AltModifier))) {
            navigateRequested(event.key)
            event.accepted = true
        } else if (event.key === Qt.Key_Return || event.key === Qt.Key_Enter || event.key === Qt.Key_Space) {
            openRequested()
            event.accepted = true
        } else if (event.key === Qt.Key_Menu || (event.key === Qt.Key_F10 && (event.modifiers & Qt.ShiftModifier))) {
            openMenu(8, 8)
            event.accepted = true
        }
    }

    // Shadow, then the tile's face.
    Rectangle {
        x: 0
        y: hover.hovered ? 2 : 1
        width: parent.width
        height: parent.height
        radius: 7
        color: "black"
        opacity: hover.hovered ? 0.14 : 0.05
        Behavior on opacity { NumberAnimation { duration: 120; easing.type: Easing.OutQuad } }
    }
    Rectangle {
        id: face
        anchors.fill: parent
        radius: 7
        color: Theme.textBackground
        border.width: tile.activeFocus ? 2 : 1
        border.color: tile.activeFocus ? Theme.accent
                                       : Qt.rgba(Theme.primary.r, Theme.primary.g, Theme.primary.b,
                                                 hover.hovered ? 0.16 : 0.07)
        Behavior on border.color { ColorAnimation { duration: 120; easing.type: Easing.OutQuad } }
    }

    // Qt 6.4's linter cannot see this file's ids from inside the rows' components.
    // qmllint disable unqualified
    ColumnLayout {
        id: content
        x: 8
        y: 8
        width: parent.width - 16
        spacing: 4

        Loader {
            // Built only for the cards that have it: most tiles do not.
            active: tile.labels.length > 0
            visible: active
            Layout.fillWidth: true
            sourceComponent: TileLabels {
                labels: tile.labels
                named: tile.wideLabels
            }
        }

        Text {
            objectName: "cardName"
            text: tile.card.name
            textFormat: Text.PlainText
            font: Theme.bodyFont
            color: Theme.primary
            wrapMode: Text.Wrap
            Layout.fillWidth: true
        }

        Loader {
            // Built only for the cards that have it: most tiles do not.
            active: tile.hasDue
            visible: active
            Layout.fillWidth: true
            sourceComponent: RowLayout {
                objectName: "dueRow"
                spacing: 4
                Symbol {
                    name: tile.card.dueComplete === true ? "checkmark.circle.fill" : "clock"
                    color: tile.dueColor
                    Layout.preferredWidth: 10
                    Layout.preferredHeight: 10
                }
                Text {
                    objectName: "dueText"
                    text: tile.hasDue ? Theme.dueText(tile.card.due, tile.now) : ""
                    textFormat: Text.PlainText
                    font: Theme.caption2Font
                    color: tile.dueColor
                }
            }
        }

        Loader {
            // Built only for the cards that have it: most tiles do not.
            active: tile.showsBadgeRow
            visible: active
            Layout.fillWidth: true
            Layout.topMargin: 1
            sourceComponent: TileBadges {
                comments: tile.comments
                checkItems: tile.checkItems
                checkItemsChecked: tile.checkItemsChecked
                members: tile.assignedMembers
            }
        }
    }

    // qmllint enable unqualified

    // Where a dragged card would land: a mark in the gap above this tile.
    Rectangle {
        objectName: "insertionMark"
        visible: tile.insertionMarked
        x: 2
        y: -4 - height / 2
        width: parent.width - 4
        height: 3
        radius: 1.5
        color: Theme.accent
    }

    HoverHandler { id: hover }
    TapHandler {
        acceptedButtons: Qt.LeftButton
        onTapped: {
            tile.forceActiveFocus()
            tile.openRequested()
        }
        onPressedChanged: if (pressed && tile.preview) tile.capturePreview()
    }
    TapHandler {
        acceptedButtons: Qt.RightButton
        onTapped: (point) => tile.openMenu(point.position.x, point.position.y)
    }
    DragHandler {
        id: dragHandler
        target: null
        acceptedButtons: Qt.LeftButton
        // Set, not bound: an automatic drag runs its own event loop while it lasts, and a
        // binding would see its own change come back.
        onActiveChanged: {
            if (active) {
                tile.dragState.dragging = true
                tile.Drag.active = true
            }
        }
    }

    property url previewSource
    function capturePreview(): void {
        preview.text = card.name
        preview.capture(function (url) { tile.previewSource = url })
    }

    Drag.dragType: Drag.Automatic
    Drag.supportedActions: Qt.MoveAction
    Drag.mimeData: dragState ? dragState.cardPayload(card.id) : ({})
    Drag.imageSource: previewSource
    Drag.hotSpot.x: 16
    Drag.hotSpot.y: 12
    Drag.onDragFinished: {
        tile.Drag.active = false
        tile.dragState.dragEnded()
    }

    BoardDropDelegate {
        anchors.fill: parent
        listID: tile.card.idList
        beforeCardID: tile.card.id
        dragState: tile.dragState
    }

    // The menu and the delete confirmation are made when asked for: a board shows hundreds of
    // tiles, and each would otherwise carry a menu and a dialog of its own. Each takes the card
    // it acts on when it opens: the tile may show another card by the time it is answered.
    function openMenu(x: real, y: real): void {
        const menu = menuComponent.createObject(tile, { cardID: card.id, cardName: card.name,
                                                       webAddress: webAddress })
        menu.deleteRequested.connect(tile.confirmDelete)
        menu.closed.connect(function () { menu.destroy() })
        menu.popup(tile, x, y)
    }
    function confirmDelete(cardID: string, cardName: string): void {
        const dialog = deleteComponent.createObject(tile, { cardID: cardID, cardName: cardName })
        dialog.confirmed.connect(function () { AppState.cards.deleteCard(dialog.cardID) })
        dialog.closed.connect(function () { dialog.destroy() })
        dialog.open()
    }

    Component {
        id: menuComponent
        CardTileMenu {}
    }
    Component {
        id: deleteComponent
        DeleteCardDialog {}
    }
}
