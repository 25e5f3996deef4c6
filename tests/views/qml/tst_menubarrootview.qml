// SPDX-License-Identifier: MIT
// The panel's root view on a store connected to the sandbox: searching the board list, the
// new board form, moving between the screens, and the error banner.
import QtQuick
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

    Component {
        id: spyComponent
        SignalSpy {}
    }

    TestCase {
        id: test
        name: "MenuBarRootView"
        when: windowShown

        function waitFor(operation) {
            let done = false
            operation.then(test, function () { done = true })
            tryVerify(function () { return done }, 5000, "the store operation returned")
        }

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
            Sandbox.setLatency(0)
            connectTo("sample")
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
            mouseClick(item)
            return item
        }

        function type(text) {
            for (const c of text)
                keyClick(c)
        }

        // Names of the rows the board list shows.
        function shownBoards(view) {
            const list = child(view, "boardList")
            if (!list.visible)
                return []
            const names = []
            const slots = list.contentItem.children
            for (let i = 0; i < slots.length; ++i) {
                const slot = slots[i]
                if (slot.record !== undefined && slot.visible)
                    names.push(slot.record.name)
            }
            return names.sort()
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
            type("  reNOVATion ")
            tryCompare(view, "boardSearch", "  reNOVATion ")
            compare(shownBoards(view), ["Home Renovation"])

            // ...or in the description; a board without one is matched on its name only.
            click(view, "clearSearchButton")
            compare(view.boardSearch, "")
            compare(field.text, "")
            type("Tray Companion")
            compare(shownBoards(view), ["Product Roadmap"])

            // Nothing matches: the text says so, with the search as typed.
            field.selectAll()
            type(" zebra  ")
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

        function test_newBoardForm() {
            const view = makeView()
            click(view, "newBoardButton")
            compare(view.screen, "newBoard")
            compare(child(view, "headerTitle").text, "New Board")
            const create = child(view, "createBoardButton")
            verify(!create.enabled)

            // A name of spaces only cannot be sent.
            mouseClick(child(view, "newBoardNameField"))
            type("   ")
            verify(!create.enabled)
            keyClick(Qt.Key_Return)
            compare(view.screen, "newBoard")

            type(" Garden Plans ")
            verify(create.enabled)
            mouseClick(child(view, "newBoardDescField"))
            type("  ")
            keyClick(Qt.Key_Return)
            type(" ")
            compare(view.newBoardDesc, "  \n ")

            // A second click while the first create is under way makes no second board.
            Sandbox.setLatency(300)
            mouseClick(create)
            mouseClick(create)
            tryCompare(view, "screen", "list", 5000)
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
            mouseClick(child(view, "newBoardNameField"))
            type("Doomed")
            Sandbox.failNext("POST", "/1/boards/?", 500, "The board could not be made")
            keyClick(Qt.Key_Return)
            tryCompare(view, "screen", "list", 5000)
            compare(view.newBoardName, "")
            verify(AppState.errorMessage !== "")
            verify(shownBoards(view).indexOf("Doomed") < 0)
        }

        function test_boardScreenAndBack() {
            const view = makeView()
            const list = child(view, "boardList")
            tryVerify(function () { return list.contentItem.children.length > 1 })
            const slot = list.itemAtIndex(0)
            const board = slot.record
            mouseClick(slot.row)

            compare(view.screen, "board")
            compare(AppState.activeBoardID, board.id)
            compare(child(view, "headerTitle").text, board.name)
            verify(!child(view, "newBoardButton").visible)

            // The lists show as columns, and the first column's cards load by themselves.
            const strip = child(view, "boardColumnStrip")
            tryVerify(function () { return strip.visible && strip.count > 0 }, 5000)
            const firstList = AppState.boards.listsModel(board.id).get(0)
            tryVerify(function () { return AppState.cards.cardsModel(firstList.id).loaded }, 5000)

            // Settings and back keep the board open.
            click(view, "settingsButton")
            compare(view.screen, "settings")
            compare(child(view, "headerTitle").text, "Trello Settings")
            click(view, "settingsButton")
            compare(view.screen, "board")

            click(view, "boardsBackButton")
            compare(view.screen, "list")
            compare(AppState.activeBoardID, "")
            compare(child(view, "headerTitle").text, "Trello Boards")
        }

        function test_contextMenuArchives() {
            const view = makeView()
            const list = child(view, "boardList")
            tryVerify(function () { return list.itemAtIndex(0) !== null })
            const row = list.itemAtIndex(0).row
            const name = row.boardName
            const before = AppState.boards.model.count

            // The menu opens from the keyboard as well as with the right button.
            row.forceActiveFocus()
            keyClick(Qt.Key_Menu)
            tryVerify(function () { return row.contextMenu.opened })
            keyClick(Qt.Key_Escape)
            tryVerify(function () { return !row.contextMenu.opened })
            compare(view.screen, "list", "Escape closed the menu only")

            mouseClick(row, row.width / 2, row.height / 2, Qt.RightButton)
            tryVerify(function () { return row.contextMenu.opened })
            verify(row.contextMenu.itemAt(0).visible, "the board has a web address")
            mouseClick(row.contextMenu.itemAt(1))
            tryCompare(AppState.boards.model, "count", before - 1, 5000)
            verify(shownBoards(view).indexOf(name) < 0)
            verify(Sandbox.reset("sample"))
        }

        function test_settingsModes() {
            const view = makeView()
            click(view, "settingsButton")
            compare(view.screen, "settings")
            click(view, "settingsBackButton")
            compare(view.screen, "list")

            // A finished browser authorization leaves the settings.
            click(view, "settingsButton")
            AppState.session.authDidComplete()
            compare(view.screen, "list")
            // ...and does nothing anywhere else.
            click(view, "newBoardButton")
            AppState.session.authDidComplete()
            compare(view.screen, "newBoard")
        }

        function test_escapeClosesInnermostFirst() {
            const view = makeView()
            const hide = createTemporaryObject(spyComponent, test, { target: view, signalName: "hideRequested" })
            click(view, "newBoardButton")
            keyClick(Qt.Key_Escape)
            compare(view.screen, "list")

            view.boardSearch = "road"
            keyClick(Qt.Key_Escape)
            compare(view.boardSearch, "")
            compare(hide.count, 0)
            keyClick(Qt.Key_Escape)
            compare(hide.count, 1)

            const quit = createTemporaryObject(spyComponent, test, { target: view, signalName: "quitRequested" })
            click(view, "quitButton")
            compare(quit.count, 1)
        }

        function test_disconnectAndReconnect() {
            const view = makeView()
            const list = child(view, "boardList")
            tryVerify(function () { return list.itemAtIndex(0) !== null })
            mouseClick(list.itemAtIndex(0).row)
            compare(view.screen, "board")

            // The old account's board does not come back with the next connection.
            AppState.session.clearCredentials()
            compare(view.screen, "prompt")
            compare(child(view, "footerText").text, "")
            waitFor(AppState.session.saveCredentials(Sandbox.apiKey, Sandbox.token))
            compare(view.screen, "list")
            tryCompare(child(view, "footerText"), "text", "Signed in as " + AppState.session.member.username)
        }

        function test_withoutAccountOpensSettings() {
            AppState.session.clearCredentials()
            const view = makeView()
            compare(view.screen, "settings")
            verify(!child(view, "settingsBackButton").enabled)
            // Stored credentials that arrive after the panel showed take it to the boards.
            waitFor(AppState.session.saveCredentials(Sandbox.apiKey, Sandbox.token))
            compare(view.screen, "list")
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
