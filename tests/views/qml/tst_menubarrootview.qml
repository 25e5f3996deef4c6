// SPDX-License-Identifier: MIT
// The panel's root view on a store connected to the sandbox: searching the board list, the
// new board form, moving between the screens, Escape and the Shell's requests, and the error
// banner.
import QtQuick
import QtQuick.Controls
import QtQuick.Window
import QtTest
import Stavelin
import StavelinTest

Item {
    id: host
    width: 420
    height: 560

    Component {
        id: rootComponent
        MenuBarRootView {
            width: host.width
            height: host.height
        }
    }

    // The panel as the shell has it: the root view in a window of its own that hides and shows.
    Component {
        id: panelComponent
        Window {
            readonly property alias view: rootView
            width: 420
            height: 560
            MenuBarRootView {
                id: rootView
                anchors.fill: parent
            }
        }
    }

    Component {
        id: dialogComponent
        Dialog {
            modal: true
            focus: true
            closePolicy: Popup.CloseOnEscape
            standardButtons: Dialog.Cancel
        }
    }

    SignalSpy {
        id: hideSpy
        target: Shell
        signalName: "hidePanelRequested"
    }
    SignalSpy {
        id: quitSpy
        target: Shell
        signalName: "quitRequested"
    }
    SignalSpy {
        id: settingsWindowSpy
        target: Shell
        signalName: "settingsWindowRequested"
    }

    StoreTestCase {
        id: test
        name: "MenuBarRootView"

        // A connected account on the sandbox's sample data, or on fresh data of `seed`.
        function connectTo(seed) {
            if (seed !== Sandbox.seed)
                verify(Sandbox.reset(seed))
            if (AppState.session.hasCredentials)
                waitFor(AppState.boards.refreshBoards())
            else
                waitFor(AppState.session.saveCredentials(Sandbox.apiKey, Sandbox.token))
            verify(AppState.session.hasCredentials)
            AppState.errorMessage = ""
        }

        function init() {
            Sandbox.setKeyringRefuses(false)
            Sandbox.setLatency(0)
            connectTo("sample")
            hideSpy.clear()
            quitSpy.clear()
            settingsWindowSpy.clear()
        }

        function makeView() {
            const view = createTemporaryObject(rootComponent, host)
            verify(view)
            return view
        }

        function child(parent, objectName) {
            let found = null
            tryVerify(function () {
                found = findChild(parent, objectName)
                return found !== null
            }, 2000, objectName)
            return found
        }

        function click(parent, objectName) {
            const item = child(parent, objectName)
            tryVerify(function () { return item.visible && item.width > 0 }, 2000, objectName)
            waitForRendering(item) // a button that just appeared is laid out with the next frame
            mouseClick(item)
            return item
        }

        // What the content area shows: "list" or "prompt" at home, else the screen on top.
        function screen(view) {
            const top = view.currentScreen.objectName
            if (top !== "homeScreen")
                return top
            return child(view, "boardListSection").visible ? "list" : "prompt"
        }

        // The screens on the stack, bottom first.
        function stackOf(view) {
            const stack = child(view, "screenStack")
            return [stack.base].concat(stack.screens).map(function (s) { return s.objectName })
        }

        // Names of the boards the board list shows.
        function shownBoards(view) {
            const list = child(view, "boardList")
            if (!list.visible)
                return []
            const names = []
            list.forceLayout()
            for (let i = 0; i < list.count; ++i)
                names.push(list.itemAtIndex(i).board.name)
            return names.sort()
        }

        function firstRow(view) {
            const list = child(view, "boardList")
            tryVerify(function () { return list.itemAtIndex(0) !== null })
            return list.itemAtIndex(0)
        }

        function test_search() {
            const view = makeView()
            const field = child(view, "boardSearchField")
            tryVerify(function () { return shownBoards(view).length === AppState.boards.model.count })

            // Ctrl+F reaches the field from anywhere on the list screen.
            child(view, "refreshBoardsButton").forceActiveFocus()
            keyClick(Qt.Key_F, Qt.ControlModifier)
            verify(field.activeFocus)

            // Trimmed, any letter case, in the name...
            typeText("  reNOVATion ")
            tryCompare(view, "boardSearch", "  reNOVATion ")
            compare(shownBoards(view), ["Home Renovation"])

            // ...or in the description; a board without one is matched on its name only.
            click(view, "clearSearchButton")
            compare(view.boardSearch, "")
            compare(field.text, "")
            typeText("Tray Companion")
            compare(shownBoards(view), ["Product Roadmap"])

            // Nothing matches: the text says so, with the search as typed.
            field.selectAll()
            typeText(" zebra  ")
            compare(shownBoards(view), [])
            const noMatch = child(view, "noMatchText")
            verify(noMatch.visible)
            compare(noMatch.text, "No boards match “ zebra  ”.")
            verify(!child(view, "emptyState").visible)

            // An account without boards shows its empty state, whatever the search says.
            connectTo("empty")
            tryVerify(function () { return child(view, "emptyState").visible })
            verify(!noMatch.visible)
            compare(view.boardSearch, " zebra  ")
        }

        // A refresh that swaps one board for another keeps the number of boards: the matches
        // must follow the rows that went and came all the same.
        function test_searchFollowsRefresh() {
            const view = makeView()
            const noMatch = child(view, "noMatchText")
            const count = AppState.boards.model.count
            mouseClick(child(view, "boardSearchField"))
            typeText("garden")
            tryVerify(function () { return noMatch.visible })

            // Elsewhere, one board is archived and a matching one made.
            verify(Sandbox.send("PUT", "/boards/" + AppState.boards.model.get(0).id, { closed: "true" }))
            verify(Sandbox.send("POST", "/boards", { name: "Garden Plans" }))
            waitFor(AppState.boards.refreshBoards())
            compare(AppState.boards.model.count, count)
            compare(shownBoards(view), ["Garden Plans"])
            verify(!noMatch.visible)

            // And back: the match goes, another board comes.
            verify(Sandbox.send("PUT", "/boards/" + find(AppState.boards.model, b => b.name === "Garden Plans").id, { closed: "true" }))
            verify(Sandbox.send("POST", "/boards", { name: "Fence Repairs" }))
            waitFor(AppState.boards.refreshBoards())
            compare(AppState.boards.model.count, count)
            compare(shownBoards(view), [])
            verify(noMatch.visible)
            verify(Sandbox.reset("sample"))
        }

        // Cards found on every board: asked once per pause in typing, shown below the boards
        // with their board, list and due date, and opened in their editor on their board by a
        // click, by Return in the field or by the arrows and Return, though the board's lists
        // were never loaded; a refused search says so in one line, the boards still listed.
        function test_searchCards() {
            const view = makeView()
            const field = child(view, "boardSearchField")
            tryVerify(function () { return shownBoards(view).length === AppState.boards.model.count })
            const roadmap = find(AppState.boards.model, b => b.name === "Product Roadmap").id
            compare(AppState.boards.listsModel(roadmap).count, 0)
            const asked = Sandbox.requests("GET", "/1/search").length
            mouseClick(field)
            typeText("tray ic")
            const tray = child(view, "foundCard:Tray icon")
            tryVerify(function () { return tray.visible })
            compare(Sandbox.requests("GET", "/1/search").length, asked + 1)
            compare(Sandbox.requests("GET", "/1/search")[asked].query, "tray ic")
            verify(child(view, "foundCardsHeader").visible)
            compare(findChild(tray, "foundCardPlace").text, "Product Roadmap · Shipped")
            const editorOn = function (boardName, cardName) {
                tryVerify(function () {
                    const open = view.currentScreen
                    return open.objectName === "cardEditorScreen" && open.card.name === cardName
                           && view.boardScreen().board.name === boardName
                           && open.owner === view.boardScreen()
                }, 5000, cardName)
            }
            mouseClick(tray)
            editorOn("Product Roadmap", "Tray icon")

            // Return in the field opens the first thing shown: no board matches, so the card.
            view.closeBoard()
            mouseClick(field)
            field.selectAll()
            typeText("paint hall")
            tryVerify(function () { return findChild(view, "foundCard:Paint for the hallway") !== null })
            keyClick(Qt.Key_Return)
            editorOn("Home Renovation", "Paint for the hallway")

            // The arrows go from the field to the boards, on to the cards, and back up.
            view.closeBoard()
            mouseClick(field)
            field.selectAll()
            typeText("tray")
            tryVerify(function () { return AppState.search.query === "tray" && AppState.search.results.length > 0
                                           && !AppState.search.isSearching })
            compare(shownBoards(view), ["Product Roadmap"]) // by its description
            keyClick(Qt.Key_Down)
            verify(firstRow(view).activeFocus)
            keyClick(Qt.Key_Down)
            keyClick(Qt.Key_Up)
            verify(firstRow(view).activeFocus)
            keyClick(Qt.Key_Down)
            const first = AppState.search.results[0]
            verify(child(view, "foundCard:" + first.name).activeFocus)
            keyClick(Qt.Key_Return)
            editorOn(first.boardName, first.name)

            // Refused: one line, and the boards that match are still there.
            view.closeBoard()
            Sandbox.failNext("GET", "/1/search", 500, "Service unavailable")
            mouseClick(field)
            field.selectAll()
            typeText("renovat")
            const refused = child(view, "cardSearchError")
            tryVerify(function () { return refused.visible })
            verify(refused.text.startsWith("Cards could not be searched: "))
            compare(shownBoards(view), ["Home Renovation"])
            compare(AppState.errorMessage, "")
        }

        // The bell counts the unread and opens their list; a click there opens the card in its
        // editor and marks what was about it read; "Mark all as read" empties the list.
        function test_notifications() {
            const view = makeView()
            waitFor(AppState.notifications.poll())
            compare(AppState.notifications.unreadCount, 3)
            verify(child(view, "notificationsBadge").visible)
            click(view, "notificationsButton")
            tryVerify(function () { return view.currentScreen.objectName === "notificationsScreen" })
            const list = child(view, "notificationsList")
            tryCompare(list, "count", 3)
            const newest = AppState.notifications.notifications[0]
            const row = child(view, "notification:" + newest.id)
            compare(row.Accessible.name, "Marco Bellini mentioned you on “Drag cards between lists”")
            mouseClick(row)
            tryVerify(function () {
                const open = view.currentScreen
                return open.objectName === "cardEditorScreen" && open.card.name === "Drag cards between lists"
                       && open.owner === view.boardScreen()
            }, 5000, "the card's editor")
            tryCompare(AppState.notifications, "unreadCount", 2)

            view.openNotifications()
            tryCompare(child(view, "notificationsList"), "count", 2)
            click(view, "markAllReadButton")
            tryCompare(AppState.notifications, "unreadCount", 0)
            verify(!findChild(view, "notificationsBadge").visible)
            waitFor(AppState.notifications.poll())
            compare(AppState.notifications.unreadCount, 0) // read on the service too
        }

        function test_newBoardForm() {
            const view = makeView()
            click(view, "newBoardButton")
            compare(screen(view), "newBoardScreen")
            compare(child(view, "headerTitle").text, "New Board")
            const create = child(view, "createBoardButton")
            verify(!create.enabled)

            // A name of spaces only cannot be sent.
            mouseClick(child(view, "newBoardNameField"))
            typeText("   ")
            verify(!create.enabled)
            keyClick(Qt.Key_Return)
            compare(screen(view), "newBoardScreen")

            typeText(" Garden Plans ")
            verify(create.enabled)
            mouseClick(child(view, "newBoardDescField"))
            typeText("  ")
            keyClick(Qt.Key_Return)
            typeText(" ")
            compare(view.newBoardDesc, "  \n ")

            click(view, "cancelNewBoardButton")
            compare(screen(view), "list")
            click(view, "newBoardButton")
            const form = view.currentScreen // the old form may not be destroyed yet
            mouseClick(child(form, "newBoardNameField"))
            typeText(" Garden Plans ")

            // A second click while the first create is under way makes no second board.
            Sandbox.setLatency(300)
            mouseClick(child(form, "createBoardButton"))
            mouseClick(child(form, "createBoardButton"))
            tryVerify(function () { return screen(view) === "list" }, 5000)
            Sandbox.setLatency(0)
            const sent = Sandbox.requests("POST", "/1/boards/?")
            compare(sent.length, 1)
            compare(sent[0].name, "Garden Plans")
            verify(!("desc" in sent[0]), "a blank description is sent as none")
            compare(view.newBoardName, "")
            compare(view.newBoardDesc, "")
            verify(shownBoards(view).indexOf("Garden Plans") >= 0)

            // A failed create resets the form as well; the banner tells why.
            click(view, "newBoardButton")
            mouseClick(child(view.currentScreen, "newBoardNameField"))
            typeText("Doomed")
            Sandbox.failNext("POST", "/1/boards/?", 500, "The board could not be made")
            keyClick(Qt.Key_Return)
            tryVerify(function () { return screen(view) === "list" }, 5000)
            compare(view.newBoardName, "")
            verify(shownBoards(view).indexOf("Doomed") < 0)
        }

        function test_boardScreenAndBack() {
            const view = makeView()
            const row = firstRow(view)
            const board = row.record
            mouseClick(row)

            compare(screen(view), "boardScreen")
            compare(AppState.activeBoardID, board.id)
            compare(child(view, "headerTitle").text, board.name)
            verify(!child(view, "newBoardButton").visible)

            // The lists show as columns, and the first column's cards load by themselves.
            const strip = child(view, "boardColumnStrip")
            tryVerify(function () { return strip.visible && strip.count > 0 }, 5000)
            const firstList = AppState.boards.listsModel(board.id).get(0)
            tryVerify(function () { return AppState.cards.cardsModel(firstList.id).loaded }, 5000)

            // Settings and back keep the board open.
            const boardScreen = view.currentScreen
            click(view, "settingsButton")
            compare(screen(view), "settingsScreen")
            compare(child(view, "headerTitle").text, "Trello Settings")
            click(view, "settingsButton")
            compare(screen(view), "boardScreen")
            compare(view.currentScreen, boardScreen, "the same board screen")

            click(view, "boardsBackButton")
            compare(screen(view), "list")
            compare(AppState.activeBoardID, "")
            compare(child(view, "headerTitle").text, "Trello Boards")

            // The shell opens a board from any screen, as a click on its row does.
            click(view, "newBoardButton")
            Shell.openBoard(board.id)
            compare(stackOf(view), ["homeScreen", "boardScreen"])
            compare(AppState.activeBoardID, board.id)
        }

        function test_contextMenuArchives() {
            const view = makeView()
            const hide = hideSpy
            const row = firstRow(view)
            const name = row.boardName
            const before = AppState.boards.model.count

            // The menu opens from the keyboard as well as with the right button, and takes
            // Escape before the panel does.
            row.forceActiveFocus()
            keyClick(Qt.Key_Menu)
            tryVerify(function () { return row.contextMenu.opened })
            keyClick(Qt.Key_Escape)
            tryVerify(function () { return !row.contextMenu.opened })
            compare(hide.count, 0, "Escape closed the menu only")

            mouseClick(row, row.width / 2, row.height / 2, Qt.RightButton)
            tryVerify(function () { return row.contextMenu.opened })
            verify(row.contextMenu.itemAt(0).visible, "the board has a web address")
            mouseClick(row.contextMenu.itemAt(1))
            tryCompare(AppState.boards.model, "count", before - 1, 5000)
            verify(shownBoards(view).indexOf(name) < 0)
            verify(Sandbox.reset("sample"))
        }

        function test_authorizationLeavesSettings() {
            const view = makeView()
            // A finished browser authorization leaves the settings...
            click(view, "settingsButton")
            AppState.session.authDidComplete()
            compare(screen(view), "list")
            // ...and does nothing anywhere else.
            click(view, "newBoardButton")
            AppState.session.authDidComplete()
            compare(screen(view), "newBoardScreen")
        }

        // Escape that nothing inside takes hides the panel, whatever screen is up and wherever
        // the focus is; the screens stay as they were.
        function test_escapeHidesFromEveryScreen() {
            const view = makeView()
            const hide = hideSpy

            mouseClick(child(view, "boardSearchField"))
            typeText("road")
            keyClick(Qt.Key_Escape)
            compare(hide.count, 1, "from the search field")
            compare(view.boardSearch, "road")

            click(view, "newBoardButton")
            mouseClick(child(view, "newBoardNameField"))
            typeText("Half")
            keyClick(Qt.Key_Escape)
            compare(hide.count, 2, "from the new board form")
            compare(stackOf(view), ["homeScreen", "newBoardScreen"])
            compare(view.newBoardName, "Half")

            click(view, "cancelNewBoardButton")
            view.boardSearch = ""
            mouseClick(firstRow(view))
            keyClick(Qt.Key_Escape)
            compare(hide.count, 3, "from a board")
            click(view, "settingsButton")
            click(view, "advancedToggle")
            mouseClick(child(view, "apiKeyField"))
            keyClick(Qt.Key_Escape)
            compare(hide.count, 4, "from the settings")
            compare(stackOf(view), ["homeScreen", "boardScreen", "settingsScreen"])

            // An open dialog takes Escape first.
            const dialog = createTemporaryObject(dialogComponent, view)
            dialog.open()
            tryVerify(function () { return dialog.opened })
            keyClick(Qt.Key_Escape)
            tryVerify(function () { return !dialog.visible })
            compare(hide.count, 4, "Escape closed the dialog only")
            mouseClick(child(view, "apiKeyField"))
            keyClick(Qt.Key_Escape)
            compare(hide.count, 5)

            const quit = quitSpy
            click(view, "quitButton")
            compare(quit.count, 1)
        }

        // Ctrl+, opens the Settings window from a text field too, which does not get the comma.
        // (From the board list: shell_e2e.py, on the real panel.)
        function test_ctrlCommaOpensSettingsWindow() {
            const view = makeView()
            const opened = settingsWindowSpy
            click(view, "newBoardButton")
            mouseClick(child(view, "newBoardNameField"))
            keyClick(Qt.Key_Comma, Qt.ControlModifier)
            compare(opened.count, 1)
            compare(view.newBoardName, "")
            compare(screen(view), "newBoardScreen")
        }

        // What was on screen is there again at the next showing.
        function test_stackKeptWhileHidden() {
            const panel = createTemporaryObject(panelComponent, test)
            panel.show()
            tryVerify(function () { return panel.visible })
            const view = panel.view
            mouseClick(firstRow(view))
            const board = view.currentScreen
            click(view, "settingsButton")
            view.boardSearch = "road"

            panel.hide()
            panel.show()
            tryVerify(function () { return panel.visible })
            compare(stackOf(view), ["homeScreen", "boardScreen", "settingsScreen"])
            click(view, "settingsBackButton")
            compare(view.currentScreen, board)
            compare(view.boardSearch, "road")

            // Without an account the settings come up once, however often the panel shows.
            AppState.session.clearCredentials()
            panel.hide()
            panel.show()
            tryCompare(view, "settingsShown", true)
            panel.hide()
            panel.show()
            waitForRendering(view)
            compare(stackOf(view), ["homeScreen", "settingsScreen"])
        }

        function test_disconnectAndReconnect() {
            const view = makeView()
            mouseClick(firstRow(view))
            click(view, "settingsButton")
            compare(stackOf(view), ["homeScreen", "boardScreen", "settingsScreen"])

            // The old account's board leaves from under the settings, and does not come back
            // with the next connection.
            AppState.session.clearCredentials()
            compare(stackOf(view), ["homeScreen", "settingsScreen"])
            compare(AppState.activeBoardID, "")
            compare(child(view, "footerText").text, "")
            click(view, "settingsButton")
            compare(screen(view), "prompt")
            waitFor(AppState.session.saveCredentials(Sandbox.apiKey, Sandbox.token))
            compare(screen(view), "list")
            tryCompare(child(view, "footerText"), "text", "Signed in as " + AppState.session.member.username)
        }

        function test_withoutAccountOpensSettings() {
            AppState.session.clearCredentials()
            const view = makeView()
            compare(screen(view), "settingsScreen")
            verify(!child(view, "settingsBackButton").enabled)
            // Stored credentials that arrive after the panel showed take it to the boards.
            waitFor(AppState.session.saveCredentials(Sandbox.apiKey, Sandbox.token))
            compare(screen(view), "list")
        }

        // A pair the keyring refused to store is gone at the next start: the settings stay with
        // the red status line that says so, opened for connecting or by the user.
        function test_keyringRefusalKeepsSettings() {
            for (const forConnecting of [true, false]) {
                if (forConnecting)
                    AppState.session.clearCredentials()
                const view = makeView()
                if (!forConnecting)
                    click(view, "settingsButton")
                click(view, "advancedToggle")
                AppState.session.credentialsDraftKey = Sandbox.apiKey
                AppState.session.credentialsDraftToken = Sandbox.token
                Sandbox.setKeyringRefuses(true)
                click(view, "saveConnectButton")
                tryVerify(function () {
                    return !AppState.session.isValidatingCredentials && AppState.session.credentialsStatusIsError
                }, 5000)
                wait(50)
                compare(screen(view), "settingsScreen", forConnecting)
                verify(child(view, "credentialsStatusText").visible)
                Sandbox.setKeyringRefuses(false)
            }
        }

        // The service out of reach while a board is open: the board stays as loaded, and the
        // banner says so instead of a request's error; back, the line goes.
        function test_offlineBanner() {
            const view = makeView()
            const row = firstRow(view)
            mouseClick(row)
            compare(screen(view), "boardScreen")
            const strip = child(view, "boardColumnStrip")
            tryVerify(function () { return strip.visible && strip.count > 0 }, 5000)
            const columns = strip.count
            waitFor(AppState.refreshVisible())
            const banner = child(view, "errorBanner")
            verify(!banner.visible)

            Sandbox.stopListening()
            waitFor(AppState.refreshVisible()) // as a showing does
            tryVerify(function () { return banner.visible }, 5000)
            verify(AppState.offline)
            const said = child(view, "errorText").text
            verify(/^Offline — showing what was loaded at \d{1,2}:\d{2}/.test(said), said)
            compare(screen(view), "boardScreen")
            compare(strip.count, columns)

            verify(Sandbox.listenAgain())
            tryVerify(function () { return !AppState.offline }, 5000)
            tryVerify(function () { return !banner.visible }, 5000)
        }

        function test_errorBanner() {
            const view = makeView()
            const banner = child(view, "errorBanner")
            verify(!banner.visible)
            Sandbox.failNext("GET", "/1/members/me/boards", 500, "Service unavailable")
            click(view, "refreshBoardsButton")
            tryVerify(function () { return banner.visible }, 5000)
            compare(child(view, "errorText").text, AppState.errorMessage)
            verify(AppState.errorMessage !== "")

            click(view, "dismissErrorButton")
            compare(AppState.errorMessage, "")
            verify(!banner.visible)
        }
    }
}
