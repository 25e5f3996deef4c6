// SPDX-License-Identifier: MIT
// Quick add: a card's title, the board and list it goes to (the last ones used, until another
// is picked) and, if wanted, a due date. Return adds the card at the bottom of the list, says
// where it went with a button that opens it, and the window closes a few seconds later.
// Escape closes at once. A refusal keeps what was typed and says why.
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Stavelin

FocusScope {
    id: view

    // How long the confirmation stays before the window closes.
    property int confirmationMs: 4000
    property string boardID: ""
    property string listID: ""
    property string error: ""
    property bool sending: false
    // The card added, once the service took it: {id, list, board, where}.
    property var added: null

    readonly property KeyedListModel boards: AppState.boards.model
    readonly property KeyedListModel lists: boardID !== "" ? AppState.boards.listsModel(boardID) : null
    readonly property bool loadingBoards: AppState.boards.isLoadingBoards && boards.count === 0
    readonly property var loadingListIDs: AppState.boards.loadingLists
    readonly property bool loadingLists: boardID !== "" && loadingListIDs.indexOf(boardID) >= 0
    property int boardsRevision: 0
    property int listsRevision: 0

    implicitWidth: 380
    implicitHeight: layout.implicitHeight + 32
    focus: true

    function nameIn(model: KeyedListModel, id: string): string {
        const row = model ? model.indexOf(id) : -1
        return row >= 0 ? model.get(row).name : ""
    }
    // The remembered board, else the first; its lists are loaded when not held.
    function fitBoard(): void {
        if (boards.indexOf(boardID) >= 0)
            return
        const remembered = boards.indexOf(Shell.quickAddBoardID) >= 0
        boardID = remembered ? Shell.quickAddBoardID : boards.count > 0 ? boards.get(0).id : ""
        listID = ""
        if (boardID !== "" && !AppState.boards.listsModel(boardID).loaded)
            AppState.boards.refreshLists(boardID)
        fitList()
    }
    function fitList(): void {
        if (!lists || lists.indexOf(listID) >= 0)
            return
        listID = lists.indexOf(Shell.quickAddListID) >= 0 ? Shell.quickAddListID
               : lists.count > 0 ? lists.get(0).id : ""
    }
    function submit(): void {
        const title = titleField.text.trim()
        if (title === "" || sending || added)
            return
        if (listID === "") {
            error = qsTr("Choose a list for the card.")
            return
        }
        sending = true
        error = ""
        const board = boardID
        const list = listID
        const where = qsTr("Added to “%1” on “%2”").arg(nameIn(lists, list)).arg(nameIn(boards, board))
        AppState.cards.createCard(list, title, "", dueSwitch.checked ? duePicker.item.value : undefined)
            .then(view, function (outcome) {
                view.sending = false
                if (!outcome.ok) {
                    view.error = outcome.error
                    titleField.forceActiveFocus()
                    return
                }
                Shell.setQuickAddPlace(board, list)
                view.added = { id: outcome.value.id, list: list, board: board, where: where }
                openButton.forceActiveFocus()
                closeTimer.start()
            })
    }

    Component.onCompleted: {
        titleField.forceActiveFocus()
        if (!boards.loaded && !AppState.boards.isLoadingBoards && AppState.session.hasCredentials)
            AppState.boards.refreshBoards()
        fitBoard()
    }

    Connections {
        target: view.boards
        function onRowsInserted(): void { ++view.boardsRevision; view.fitBoard() }
        function onRowsRemoved(): void { ++view.boardsRevision; view.fitBoard() }
        function onModelReset(): void { ++view.boardsRevision; view.fitBoard() }
    }
    Connections {
        target: view.lists
        function onRowsInserted(): void { ++view.listsRevision; view.fitList() }
        function onRowsRemoved(): void { ++view.listsRevision; view.fitList() }
        function onModelReset(): void { ++view.listsRevision; view.fitList() }
    }
    Timer {
        id: closeTimer
        interval: view.confirmationMs
        onTriggered: Shell.closeQuickAdd()
    }

    Keys.onEscapePressed: Shell.closeQuickAdd()
    Keys.onReturnPressed: view.submit()
    Keys.onEnterPressed: view.submit()

    Rectangle {
        anchors.fill: parent
        color: Theme.windowBackground
    }

    ColumnLayout {
        id: layout
        x: 16
        y: 16
        width: view.width - 32
        spacing: 10

        Text {
            text: qsTr("Add a Card")
            font: Theme.headlineFont
            color: Theme.primary
            Accessible.role: Accessible.Heading
        }
        TextField {
            id: titleField
            objectName: "quickAddTitle"
            placeholderText: qsTr("Card title")
            enabled: !view.added
            font: Theme.bodyFont
            Accessible.name: qsTr("Card title")
            Layout.fillWidth: true
            onAccepted: view.submit()
            onTextEdited: view.error = ""
        }
        GridLayout {
            columns: 2
            columnSpacing: 8
            rowSpacing: 6
            enabled: !view.added
            Layout.fillWidth: true
            Text {
                text: qsTr("Board")
                font: Theme.bodyFont
                color: Theme.secondary
            }
            ComboBox {
                objectName: "quickAddBoard"
                model: view.boards
                textRole: "name"
                valueRole: "recordId"
                currentIndex: view.boardsRevision >= 0 ? view.boards.indexOf(view.boardID) : -1
                font: Theme.bodyFont
                Accessible.name: qsTr("Board")
                Layout.fillWidth: true
                onActivated: {
                    view.boardID = currentValue
                    view.listID = ""
                    if (!AppState.boards.listsModel(view.boardID).loaded)
                        AppState.boards.refreshLists(view.boardID)
                    view.fitList()
                }
            }
            Text {
                text: qsTr("List")
                font: Theme.bodyFont
                color: Theme.secondary
            }
            ComboBox {
                objectName: "quickAddList"
                model: view.lists
                textRole: "name"
                valueRole: "recordId"
                currentIndex: view.listsRevision >= 0 && view.lists ? view.lists.indexOf(view.listID) : -1
                font: Theme.bodyFont
                Accessible.name: qsTr("List")
                Layout.fillWidth: true
                onActivated: view.listID = currentValue
            }
        }
        Switch {
            id: dueSwitch
            objectName: "quickAddDueSwitch"
            text: qsTr("Set due date")
            enabled: !view.added
            font: Theme.bodyFont
        }
        Loader {
            id: duePicker
            active: dueSwitch.checked
            visible: active
            // qmllint disable unqualified
            sourceComponent: DateTimePicker {
                objectName: "quickAddDuePicker"
                Accessible.name: qsTr("Due")
            }
            // qmllint enable unqualified
        }
        RowLayout {
            spacing: 8
            visible: view.loadingBoards || view.loadingLists || view.sending
            Spinner {}
            Text {
                text: view.sending ? qsTr("Adding…")
                    : view.loadingBoards ? qsTr("Loading boards…") : qsTr("Loading lists…")
                font: Theme.captionFont
                color: Theme.secondary
            }
        }
        Text {
            objectName: "quickAddError"
            visible: text !== ""
            text: view.error !== "" ? view.error
                : !AppState.session.hasCredentials ? qsTr("Connect Stavelin to Trello in its Settings first.")
                : ""
            font: Theme.captionFont
            color: Theme.red
            wrapMode: Text.Wrap
            Accessible.role: Accessible.AlertMessage
            Accessible.name: text
            Layout.fillWidth: true
        }
        RowLayout {
            spacing: 8
            visible: view.added !== null
            Layout.fillWidth: true
            Text {
                objectName: "quickAddConfirmation"
                text: view.added ? view.added.where : ""
                font: Theme.bodyFont
                color: Theme.primary
                wrapMode: Text.Wrap
                Accessible.role: Accessible.AlertMessage
                Accessible.name: text
                Layout.fillWidth: true
            }
            ActionButton {
                id: openButton
                objectName: "quickAddOpen"
                label: qsTr("Open")
                onClicked: Shell.openAddedCard(view.added.board, view.added.list, view.added.id)
            }
        }
        RowLayout {
            visible: view.added === null
            spacing: 8
            Layout.fillWidth: true
            Item { Layout.fillWidth: true }
            ActionButton {
                objectName: "quickAddCancel"
                label: qsTr("Cancel")
                onClicked: Shell.closeQuickAdd()
            }
            ActionButton {
                objectName: "quickAddButton"
                label: qsTr("Add")
                prominent: true
                enabled: titleField.text.trim() !== "" && view.listID !== "" && !view.sending
                onClicked: view.submit()
            }
        }
    }
}
