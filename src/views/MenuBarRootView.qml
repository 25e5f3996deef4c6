// SPDX-License-Identifier: MIT
// Everything the panel shows: a header, the error banner, the content area and a footer. The
// content area is a stack of screens over the home screen (the connection prompt, or the
// board list once an account is connected): a board, the settings, the new board form.
//
// The window belongs to the shell, which sizes it from AppState.isExpanded. What only the
// shell can do (quit, hide the panel, the Settings window), this view asks the Shell for.
// Escape that nothing inside takes (an open menu or dialog does) hides the panel from any
// screen; the stack stays as it is for the next showing.
import QtQuick
import QtQuick.Layouts
import Stavelin

FocusScope {
    id: root

    // The board list's search text; it survives leaving the list.
    property string boardSearch
    // The new board form's texts; "Cancel" keeps them.
    property string newBoardName
    property string newBoardDesc
    property bool creatingBoard: false
    // The settings screen was opened for the user because no account was connected.
    property bool settingsOpenedForConnecting: false

    readonly property PanelScreen currentScreen: stack.currentItem
    readonly property bool boardListShown: stack.depth === 1 && AppState.session.hasCredentials
    readonly property bool settingsShown: currentScreen !== null && currentScreen.objectName === "settingsScreen"
    // The board on screen, if any.
    property string shownBoardID

    implicitWidth: 420
    implicitHeight: 560
    focus: true

    function openNewBoardForm(): void {
        newBoardName = ""
        newBoardDesc = ""
        const form = stack.push(newBoardComponent, { name: "", desc: "", busy: creatingBoard })
                     as NewBoardFormView
        form.name = Qt.binding(function () { return root.newBoardName })
        form.desc = Qt.binding(function () { return root.newBoardDesc })
        form.busy = Qt.binding(function () { return root.creatingBoard })
        form.nameEdited.connect(function (text) { root.newBoardName = text })
        form.descEdited.connect(function (text) { root.newBoardDesc = text })
        form.createRequested.connect(function () { root.createBoard(form) })
    }

    // The board screen (with the screens it leads to) and the settings are made from their
    // files when first opened: their types load then, not with the panel, which is built at
    // start and mostly waits hidden.
    property var screenComponents: ({})
    function screenComponent(file: string): Component {
        if (!(file in screenComponents))
            screenComponents[file] = Qt.createComponent(file)
        return screenComponents[file]
    }

    function openSettings(forConnecting: bool): void {
        const settings = stack.push(screenComponent("settings/SettingsPanelView.qml"),
                                    { objectName: "settingsScreen" })
        settings.connected.connect(function () {
            if (AppState.session.hasCredentials)
                stack.remove(settings)
        })
        settingsOpenedForConnecting = forConnecting
    }

    function openNotifications(): void {
        if (currentScreen !== null && currentScreen.objectName === "notificationsScreen")
            return
        stack.popTo(home)
        const list = stack.push(screenComponent("boards/NotificationsView.qml"),
                                { objectName: "notificationsScreen" }) as NotificationsView
        list.cardChosen.connect(function (card) { root.openFoundCard(card) })
    }

    function toggleSettings(): void {
        if (settingsShown)
            stack.pop()
        else
            openSettings(false)
    }

    function boardScreen(): PanelScreen {
        return stack.find(function (screen) { return screen.objectName === "boardScreen" })
    }

    // One board at a time: whatever was over the board list goes. (The board screen is named
    // by no type here: a type named in this file is compiled with it, at start, with all it
    // holds down to the card editor's attachments and their file dialog.)
    function selectBoard(board: var): var {
        stack.popTo(home)
        // On its way while the screen is built.
        const boardID = board.id
        AppState.boards.refreshLists(boardID).then(root, function () {
            AppState.boards.loadBoardMeta(boardID)
        })
        const screen = stack.push(screenComponent("board/BoardDetailView.qml"), { board: board, objectName: "boardScreen" })
        shownBoardID = boardID
        AppState.activeBoardID = boardID
        return screen
    }

    // A card found by the search, in its editor on its board.
    function openFoundCard(card: var): void {
        const row = AppState.boards.model.indexOf(card.idBoard)
        if (row < 0)
            return
        const screen = selectBoard(AppState.boards.model.get(row))
        if (screen !== null)
            screen.openCardWhenLoaded(card.id, card.idList)
    }

    function closeBoard(): void {
        const open = boardScreen()
        if (open !== null)
            stack.remove(open)
    }

    // A board screen that leaves, however it leaves, takes the open board with it, and the
    // store lets go of what it loaded for it.
    function screenRemoved(screen: PanelScreen): void {
        if (screen.objectName !== "boardScreen")
            return
        const boardID = shownBoardID
        shownBoardID = ""
        if (AppState.activeBoardID === boardID)
            AppState.activeBoardID = ""
        AppState.boards.releaseBoard(boardID)
    }

    function createBoard(form: NewBoardFormView): void {
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
            stack.remove(form)
        })
    }

    // Without an account the only useful screen is the one that connects one.
    function comeOnScreen(): void {
        if (!AppState.session.hasCredentials && !settingsShown
                && !(currentScreen instanceof NewBoardFormView))
            openSettings(true)
    }

    Keys.onEscapePressed: Shell.hidePanel()

    Component.onCompleted: if (Window.window && Window.window.visible) comeOnScreen()

    Connections {
        target: root.Window.window
        function onVisibleChanged(): void {
            if (root.Window.window.visible)
                root.comeOnScreen()
        }
    }

    Connections {
        target: AppState.session
        function onAuthDidComplete(): void {
            // A keyring that refused the pair: its red status line stays in view.
            if (root.settingsShown && !AppState.session.credentialsStatusIsError)
                stack.pop()
        }
        function onCredentialsChanged(): void {
            if (!AppState.session.hasCredentials) {
                // A board of the account that just left must not come back with the next one.
                root.closeBoard()
            } else if (root.settingsShown && root.settingsOpenedForConnecting
                       && !AppState.session.isValidatingCredentials) {
                // The stored credentials arrived after the panel first showed. (A pair the
                // user is connecting with leaves the settings once it is checked and stored.)
                stack.pop()
            }
        }
    }

    // A board the member lost access to leaves the list; its screen closes with it.
    Connections {
        target: AppState.boards
        function onBoardDropped(boardID: string): void {
            const open = root.boardScreen()
            if (open !== null && root.shownBoardID === boardID)
                root.closeBoard()
        }
    }

    // The shell opens a board as a click on its row would (the test commands do).
    Connections {
        target: Shell
        function onBoardRequested(boardID: string): void {
            const row = AppState.boards.model.indexOf(boardID)
            if (row >= 0)
                root.selectBoard(AppState.boards.model.get(row))
        }
        function onFoundCardRequested(boardID: string, listID: string, cardID: string): void {
            root.openFoundCard({ id: cardID, idBoard: boardID, idList: listID })
        }
        function onNotificationsRequested(): void {
            if (AppState.session.hasCredentials)
                root.openNotifications()
        }
    }

    onCurrentScreenChanged: if (!settingsShown) settingsOpenedForConnecting = false

    // Ctrl is Command on macOS.
    Shortcut {
        sequence: "Ctrl+F"
        enabled: root.boardListShown
        onActivated: home.focusSearch()
    }
    Shortcut {
        sequence: "Ctrl+Q"
        onActivated: Shell.quit()
    }
    // The usual key for a program's settings.
    Shortcut {
        sequence: "Ctrl+,"
        onActivated: Shell.openSettingsWindow()
    }

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

        PanelHeader {
            title: root.currentScreen ? root.currentScreen.title : ""
            boardListShown: root.boardListShown
            Layout.fillWidth: true
            Layout.leftMargin: 12
            Layout.rightMargin: 12
            Layout.topMargin: 8
            Layout.bottomMargin: 8
            onNewBoardRequested: root.openNewBoardForm()
            onNotificationsRequested: root.openNotifications()
        }

        Separator {}

        ErrorBanner {
            Layout.fillWidth: true
        }

        // Content
        ScreenStack {
            id: stack
            objectName: "screenStack"
            focus: true
            base: home
            onRemoved: (screen) => root.screenRemoved(screen)
            Layout.fillWidth: true
            Layout.fillHeight: true

            HomeScreen {
                id: home
                searchText: root.boardSearch
                onSearchTextEdited: (text) => root.boardSearch = text
                onCardChosen: (card) => root.openFoundCard(card)
                onOpenSettingsRequested: root.openSettings(false)
            }
        }

        Separator {}

        PanelFooter {
            Layout.fillWidth: true
            Layout.leftMargin: 12
            Layout.rightMargin: 12
            Layout.topMargin: 6
            Layout.bottomMargin: 6
            onSettingsRequested: root.toggleSettings()
        }
    }

    // An account from a callback nobody asked for waits here for the user's word.
    AccountConfirmationDialog {
        objectName: "accountConfirmation"
    }

    // The screens over the home screen, made when they are opened. They are wired up where
    // they are pushed: a component's objects do not see this file's ids.
    Component {
        id: newBoardComponent
        NewBoardFormView {
            objectName: "newBoardScreen"
        }
    }
}
