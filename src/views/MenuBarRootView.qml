// SPDX-License-Identifier: MIT
// Everything the panel shows: a header, the error banner, the content area and a footer. The
// content area shows the connection prompt, the board list, one board, the settings or the
// new board form.
//
// The window belongs to the shell, which sizes it from AppState.isExpanded. What only the
// shell can do, this view asks for through signals:
//   quitRequested()  "Quit" in the footer, or Ctrl+Q.
//   hideRequested()  Escape with no sub-screen left to close.
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Stavelin

FocusScope {
    id: root

    signal quitRequested()
    signal hideRequested()

    // "browsing", "settings" or "newBoard".
    property string mode: "browsing"
    // The board whose board screen is open (a board record), or null.
    property var selectedBoard: null
    property string newBoardName
    property string newBoardDesc
    property string boardSearch
    property bool creatingBoard: false

    // What the content area shows: "prompt", "list", "board", "settings" or "newBoard".
    readonly property string screen: mode === "settings" ? "settings"
                                   : mode === "newBoard" ? "newBoard"
                                   : !AppState.session.hasCredentials ? "prompt"
                                   : selectedBoard ? "board" : "list"

    // The settings screen was opened for the user because no account was connected.
    property bool settingsOpenedForConnecting: false

    implicitWidth: 420
    implicitHeight: 560
    focus: true

    function openNewBoardForm() {
        newBoardName = ""
        newBoardDesc = ""
        mode = "newBoard"
    }

    function toggleSettings() {
        settingsOpenedForConnecting = false
        mode = mode === "settings" ? "browsing" : "settings"
    }

    function selectBoard(board) {
        selectedBoard = board
        AppState.activeBoardID = board.id
        const boardID = board.id
        AppState.boards.refreshLists(boardID).then(root, function () {
            AppState.boards.loadBoardMeta(boardID)
        })
    }

    function closeBoard() {
        selectedBoard = null
        AppState.activeBoardID = ""
    }

    function createBoard() {
        const name = newBoardName.trim()
        const desc = newBoardDesc.trim()
        // One create at a time: a second Return or click while the first is under way would
        // make a second board.
        if (name === "" || creatingBoard)
            return
        creatingBoard = true
        AppState.boards.createBoard(name, desc).then(root, function () {
            // Whatever the outcome: a failure is in the error banner.
            root.creatingBoard = false
            root.newBoardName = ""
            root.newBoardDesc = ""
            if (root.mode === "newBoard")
                root.mode = "browsing"
        })
    }

    // Without an account the only useful screen is the one that connects one.
    function comeOnScreen() {
        if (!AppState.session.hasCredentials && mode === "browsing") {
            mode = "settings"
            settingsOpenedForConnecting = true
        }
    }

    // Escape closes the innermost thing first; only then does the panel hide.
    function closeInnermost() {
        if (mode === "newBoard") {
            mode = "browsing"
        } else if (mode === "settings" && AppState.session.hasCredentials) {
            mode = "browsing"
        } else if (screen === "board") {
            closeBoard()
        } else if (screen === "list" && boardSearch !== "") {
            boardSearch = ""
        } else {
            hideRequested()
            return
        }
        content.forceActiveFocus()
    }

    Keys.onEscapePressed: closeInnermost()

    Component.onCompleted: if (Window.window && Window.window.visible) comeOnScreen()

    Connections {
        target: root.Window.window
        function onVisibleChanged() {
            if (root.Window.window.visible)
                root.comeOnScreen()
        }
    }

    Connections {
        target: AppState.session
        function onAuthDidComplete() {
            if (root.mode === "settings")
                root.mode = "browsing"
        }
        function onCredentialsChanged() {
            if (!AppState.session.hasCredentials) {
                // A board of the account that just left must not come back with the next one.
                root.selectedBoard = null
            } else if (root.mode === "settings" && root.settingsOpenedForConnecting) {
                // The stored credentials arrived after the panel first showed.
                root.settingsOpenedForConnecting = false
                root.mode = "browsing"
            }
        }
    }

    onModeChanged: if (mode !== "settings") settingsOpenedForConnecting = false

    Shortcut {
        sequences: [StandardKey.Find]
        enabled: root.screen === "list"
        onActivated: content.item.focusSearch()
    }
    Shortcut {
        sequences: [StandardKey.Quit]
        onActivated: root.quitRequested()
    }

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

        // Header
        RowLayout {
            spacing: 6
            Layout.fillWidth: true
            Layout.leftMargin: 12
            Layout.rightMargin: 12
            Layout.topMargin: 8
            Layout.bottomMargin: 8

            Symbol {
                name: "rectangle.split.3x1.fill"
                color: Theme.accent
                Layout.preferredWidth: 16
                Layout.preferredHeight: 16
            }
            Text {
                objectName: "headerTitle"
                text: root.mode === "newBoard" ? "New Board"
                    : root.mode === "settings" ? "Trello Settings"
                    : root.screen === "board" ? root.selectedBoard.name : "Trello Boards"
                textFormat: Text.PlainText
                font: Theme.headlineFont
                color: Theme.primary
                elide: Text.ElideRight
                Layout.fillWidth: true
                Accessible.role: Accessible.Heading
                Accessible.name: text
            }
            Spinner {
                objectName: "boardsLoadingIndicator"
                visible: AppState.boards.isLoadingBoards
            }
            IconButton {
                objectName: "newBoardButton"
                visible: root.screen === "list"
                symbol: "plus"
                toolTip: "New board"
                onClicked: root.openNewBoardForm()
            }
            IconButton {
                objectName: "refreshBoardsButton"
                visible: root.screen === "list"
                symbol: "arrow.clockwise"
                toolTip: "Refresh boards"
                onClicked: AppState.boards.refreshBoards()
            }
            IconButton {
                objectName: "expandButton"
                symbol: AppState.isExpanded ? "arrow.up.right.and.arrow.down.left"
                                            : "arrow.up.left.and.arrow.down.right"
                toolTip: AppState.isExpanded ? "Collapse window" : "Expand window"
                onClicked: AppState.isExpanded = !AppState.isExpanded
            }
        }

        Rectangle {
            color: Theme.separator
            implicitHeight: 1
            Layout.fillWidth: true
        }

        // Error banner
        ColumnLayout {
            objectName: "errorBanner"
            visible: AppState.errorMessage !== ""
            spacing: 0
            Layout.fillWidth: true

            Rectangle {
                color: Theme.separator
                implicitHeight: 1
                Layout.fillWidth: true
            }
            Rectangle {
                color: Qt.rgba(Theme.red.r, Theme.red.g, Theme.red.b, 0.08)
                implicitHeight: bannerRow.implicitHeight + 16
                Layout.fillWidth: true

                RowLayout {
                    id: bannerRow
                    anchors.fill: parent
                    anchors.margins: 8
                    spacing: 8

                    Text {
                        objectName: "errorText"
                        text: AppState.errorMessage
                        textFormat: Text.PlainText
                        font: Theme.captionFont
                        color: Theme.red
                        wrapMode: Text.Wrap
                        maximumLineCount: 3
                        elide: Text.ElideRight
                        Layout.fillWidth: true
                        Accessible.role: Accessible.AlertMessage
                        Accessible.name: text
                    }
                    IconButton {
                        objectName: "dismissErrorButton"
                        symbol: "xmark.circle.fill"
                        toolTip: "Dismiss"
                        implicitWidth: 22
                        implicitHeight: 22
                        onClicked: AppState.errorMessage = ""
                    }
                }
            }
        }

        // Content
        Loader {
            id: content
            objectName: "content"
            focus: true
            Layout.fillWidth: true
            Layout.fillHeight: true
            sourceComponent: {
                switch (root.screen) {
                case "prompt": return promptComponent
                case "list": return listComponent
                case "board": return boardComponent
                case "settings": return settingsComponent
                case "newBoard": return newBoardComponent
                }
                return null
            }
        }

        Rectangle {
            color: Theme.separator
            implicitHeight: 1
            Layout.fillWidth: true
        }

        // Footer
        RowLayout {
            spacing: 6
            Layout.fillWidth: true
            Layout.leftMargin: 12
            Layout.rightMargin: 12
            Layout.topMargin: 6
            Layout.bottomMargin: 6

            Text {
                objectName: "footerText"
                text: AppState.session.member ? "Signed in as " + AppState.session.member.username
                    : AppState.session.hasCredentials ? "Trello" : ""
                textFormat: Text.PlainText
                font: Theme.captionFont
                color: Theme.secondary
                elide: Text.ElideRight
                Layout.fillWidth: true
            }
            IconButton {
                objectName: "settingsButton"
                symbol: "gearshape"
                toolTip: "Settings"
                onClicked: root.toggleSettings()
            }
            PlainButton {
                objectName: "quitButton"
                text: "Quit"
                textFont: Theme.calloutFont
                onClicked: root.quitRequested()
            }
        }
    }

    Component {
        id: promptComponent
        ConnectPromptView {
            focus: true
            onOpenSettingsRequested: root.toggleSettings()
        }
    }

    Component {
        id: listComponent
        BoardListSection {
            focus: true
            searchText: root.boardSearch
            onSearchTextEdited: (text) => root.boardSearch = text
            onBoardSelected: (board) => root.selectBoard(board)
        }
    }

    Component {
        id: boardComponent
        BoardDetailView {
            focus: true
            board: root.selectedBoard
            onBackRequested: root.closeBoard()
        }
    }

    Component {
        id: settingsComponent
        SettingsPanelView {
            focus: true
            onConnected: if (AppState.session.hasCredentials) root.mode = "browsing"
            onCloseRequested: root.mode = "browsing"
        }
    }

    Component {
        id: newBoardComponent
        NewBoardFormView {
            focus: true
            name: root.newBoardName
            desc: root.newBoardDesc
            busy: root.creatingBoard
            onNameEdited: (text) => root.newBoardName = text
            onDescEdited: (text) => root.newBoardDesc = text
            onBackRequested: root.mode = "browsing"
            onCreateRequested: root.createBoard()
        }
    }
}
