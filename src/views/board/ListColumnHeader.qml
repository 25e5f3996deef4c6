// SPDX-License-Identifier: MIT
// A list's header in its column: the drag handle with the list's name, the count of its cards
// (of those the filter shows, when it hides some), a loading indicator and the list's menu
// (Rename, Archive List), or the rename field. It takes the keyboard focus: arrows move it,
// Ctrl+Shift+Left and Right move the list, F2 renames, the menu key opens the menu. It takes
// dropped lists (before this one) and cards.
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Stavelin

FocusScope {
    id: header

    required property var list
    required property BoardDragState dragState
    // The list's cards (a KeyedListModel), how many pass the board's filter, whether that is
    // fewer than all, and whether they are loading.
    property var cards: null
    property int shownCount: 0
    property bool filtered: false
    property bool loadingCards: false
    property string renamingName
    property bool renaming: false

    // Down: to the list's first card; left or right: to the next column.
    signal focusCardsRequested()
    signal navigateRequested(int key)
    // Ctrl+Shift and left or right.
    signal moveListRequested(int key)

    function startRename(): void {
        renamingName = list.name
        renaming = true
    }
    // Leaves rename mode at once; a name that is empty or unchanged sends nothing.
    function commitRename(): void {
        const name = renamingName.trim()
        renaming = false
        if (name !== "" && name !== list.name)
            AppState.boards.renameList(list.id, name)
        header.forceActiveFocus()
    }

    // Made when asked for, as the tiles' menus are.
    function openMenu(): void {
        const menu = menuComponent.createObject(header)
        menu.closed.connect(function () { menu.destroy() })
        menu.popup(menuButton, 0, menuButton.height)
    }
    // The dialog takes the list it acts on when it opens, as the tiles' dialogs do.
    function confirmArchive(): void {
        const dialog = archiveComponent.createObject(header, { listID: header.list.id, listName: header.list.name })
        dialog.closed.connect(function () { dialog.destroy() })
        dialog.open()
    }

    objectName: "listHeader:" + header.list.name
    implicitHeight: headerRow.implicitHeight
    activeFocusOnTab: true

    Accessible.role: Accessible.ColumnHeader
    Accessible.name: header.filtered
                     ? qsTr("List %1, %n card(s) shown of %2", "", header.shownCount).arg(header.list.name).arg(header.cards.count)
                     : qsTr("List %1, %n card(s)", "", header.shownCount).arg(header.list.name)

    Keys.onPressed: (event) => {
        if (header.renaming)
            return
        const arrows = [Qt.Key_Left, Qt.Key_Right, Qt.Key_Up, Qt.Key_Down]
        const moving = Qt.ControlModifier | Qt.ShiftModifier
        if ((event.key === Qt.Key_Left || event.key === Qt.Key_Right)
                && (event.modifiers & moving) === moving) {
            header.moveListRequested(event.key)
            event.accepted = true
        } else if (arrows.includes(event.key) && !(event.modifiers & (Qt.ControlModifier | Qt.AltModifier))) {
            if (event.key === Qt.Key_Down)
                header.focusCardsRequested()
            else if (event.key !== Qt.Key_Up)
                header.navigateRequested(event.key)
            event.accepted = true
        } else if (event.key === Qt.Key_F2) {
            header.startRename()
            event.accepted = true
        } else if (event.key === Qt.Key_Menu || (event.key === Qt.Key_F10 && (event.modifiers & Qt.ShiftModifier))) {
            header.openMenu()
            event.accepted = true
        }
    }

    Rectangle {
        anchors.fill: parent
        anchors.margins: -3
        radius: 5
        color: "transparent"
        border.width: 2
        border.color: Theme.accent
        visible: header.activeFocus
    }

    RowLayout {
        id: headerRow
        anchors.left: parent.left
        anchors.right: parent.right
        spacing: 4
        visible: !header.renaming

        Item {
            id: handle
            objectName: "listDragHandle"
            implicitWidth: dragRow.implicitWidth
            implicitHeight: Math.max(dragRow.implicitHeight, 20)
            Layout.fillWidth: true
            ToolTip.text: qsTr("Drag to reorder list")
            ToolTip.visible: handleHover.hovered && !handleDrag.active
            ToolTip.delay: 600
            HoverHandler { id: handleHover; cursorShape: Qt.OpenHandCursor }

            RowLayout {
                id: dragRow
                anchors.verticalCenter: parent.verticalCenter
                width: parent.width
                spacing: 6
                Symbol {
                    name: "line.3.horizontal"
                    color: Theme.tertiary
                    Layout.preferredWidth: 10
                    Layout.preferredHeight: 10
                }
                Text {
                    objectName: "listName"
                    text: header.list.name
                    textFormat: Text.PlainText
                    font: Theme.withWeight(Theme.subheadlineFont, Font.Bold)
                    color: Theme.primary
                    elide: Text.ElideRight
                    Layout.fillWidth: true
                }
            }

            DragHandler {
                id: handleDrag
                target: null
                onActiveChanged: {
                    if (active) {
                        header.dragState.dragging = true
                        handle.Drag.active = true
                    }
                }
            }
            Drag.dragType: Drag.Automatic
            Drag.supportedActions: Qt.MoveAction
            Drag.mimeData: header.dragState ? header.dragState.listPayload(header.list.id) : ({})
            Drag.onDragFinished: {
                handle.Drag.active = false
                header.dragState.dragEnded()
            }
        }
        Text {
            objectName: "cardCount"
            text: header.filtered ? qsTr("%1 of %2").arg(header.shownCount).arg(header.cards.count)
                                  : String(header.shownCount)
            visible: !!header.cards && header.cards.loaded
            font: Theme.captionFont
            color: header.filtered ? Theme.accent : Theme.secondary
        }
        Spinner {
            objectName: "cardsLoadingIndicator"
            visible: header.loadingCards
            implicitWidth: 12
            implicitHeight: 12
        }
        IconButton {
            id: menuButton
            objectName: "listMenuButton"
            symbol: "ellipsis"
            toolTip: qsTr("List actions")
            implicitWidth: 20
            implicitHeight: 20
            onClicked: header.openMenu()
        }
    }

    RowLayout {
        anchors.left: parent.left
        anchors.right: parent.right
        spacing: 4
        visible: header.renaming

        TextField {
            id: renameField
            objectName: "renameListField"
            placeholderText: qsTr("List name")
            text: header.renamingName
            font: Theme.subheadlineFont
            selectByMouse: true
            Layout.fillWidth: true
            Accessible.name: qsTr("List name")
            onTextEdited: header.renamingName = text
            onAccepted: header.commitRename()
            Keys.onEscapePressed: cancelRenameButton.clicked()
            // Hidden, it hands the keys back to the header (its scope).
            onVisibleChanged: if (visible) { forceActiveFocus(); selectAll() } else focus = false
        }
        IconButton {
            objectName: "commitRenameButton"
            symbol: "checkmark"
            toolTip: qsTr("Rename")
            implicitWidth: 20
            implicitHeight: 20
            onClicked: header.commitRename()
        }
        IconButton {
            id: cancelRenameButton
            objectName: "cancelRenameButton"
            symbol: "xmark"
            toolTip: qsTr("Cancel")
            implicitWidth: 20
            implicitHeight: 20
            onClicked: { header.renaming = false; header.forceActiveFocus() }
        }
    }

    BoardDropDelegate {
        anchors.fill: parent
        anchors.margins: -4
        listID: header.list.id
        takesLists: true
        dragState: header.dragState
    }

    // Qt 6.4's linter cannot see ids from inside a Component.
    // qmllint disable unqualified
    Component {
        id: menuComponent
        Menu {
            objectName: "listMenu"
            MenuItem {
                objectName: "renameListItem"
                text: qsTr("Rename")
                onTriggered: header.startRename()
            }
            MenuItem {
                objectName: "archiveListItem"
                text: qsTr("Archive List")
                palette.windowText: Theme.red
                onTriggered: header.confirmArchive()
            }
        }
    }

    Component {
        id: archiveComponent
        ConfirmationDialog {
            id: archiveDialog
            objectName: "archiveListDialog"
            property string listID
            property string listName
            title: qsTr("Archive “%1”?").arg(listName)
            message: qsTr("You can restore it later from %1.").arg(Theme.webAddress)
            actionText: qsTr("Archive List")
            onConfirmed: AppState.boards.archiveList(archiveDialog.listID)
        }
    }
    // qmllint enable unqualified
}
