// SPDX-License-Identifier: MIT
// The board screen against the sandbox: its loading and empty states, working the board by
// keyboard (focus, moves of cards and lists, what is announced), its forms' keys, and its filter
// menu.
import QtQuick
import QtTest
import Stavelin
import StavelinTest

Item {
    id: host
    width: 900
    height: 600
    // Escapes that reach the panel, which would hide it.
    property int escapes: 0
    Keys.onEscapePressed: ++escapes

    // The board screen on a stack of its own, as the panel has it: its forms and the card's
    // editor open over it.
    Component {
        id: stackComponent
        ScreenStack {
            anchors.fill: parent
            base: bottom
            PanelScreen { id: bottom }
        }
    }
    Component {
        id: narrowComponent
        ScreenStack {
            width: 420
            height: 300
            base: bottom
            PanelScreen { id: bottom }
        }
    }
    Component {
        id: screenComponent
        BoardDetailView {}
    }

    StoreTestCase {
        id: test
        name: "BoardScreen"

        function initTestCase() {
            verify(Sandbox.reset("sample")) // other tests have moved cards around
            waitFor(AppState.session.saveCredentials(Sandbox.apiKey, Sandbox.token))
        }

        function cleanup() {
            Sandbox.setLatency(0)
        }

        function makeScreen(board, narrow) {
            const stack = createTemporaryObject(narrow ? narrowComponent : stackComponent, host)
            return stack.push(screenComponent, { board: board })
        }
        function board(name) {
            return find(AppState.boards.model, b => b.name === name)
        }
        // The item with the keyboard focus is the one named so (a removed tile may linger).
        function focused(objectName) {
            const item = host.Window.window.activeFocusItem
            return item !== null && item.objectName === objectName
        }
        function child(parent, objectName) {
            let found = null
            tryVerify(function () {
                found = findChild(parent, objectName)
                return found !== null && found.visible
            }, 3000, objectName)
            return found
        }

        function test_loadingAndEmpty() {
            // Loading: the spinner until the lists arrive.
            waitFor(AppState.boards.createBoard("Empty soon", ""))
            const fresh = board("Empty soon")
            Sandbox.setLatency(300)
            const screen = makeScreen(fresh)
            AppState.boards.refreshLists(fresh.id)
            tryVerify(function () { return findChild(screen, "listsLoading").visible })
            tryVerify(function () { return findChild(screen, "boardColumnStrip").visible }, 3000)
            verify(!findChild(screen, "listsLoading").visible)
            Sandbox.setLatency(0)
            // Empty once its lists are archived: "No lists yet" and a way to add one.
            const lists = AppState.boards.listsModel(fresh.id)
            for (const id of ids(lists))
                waitFor(AppState.boards.archiveList(id))
            verify(child(screen, "noListsState").visible)
            verify(!findChild(screen, "boardColumnStrip").visible)
            mouseClick(child(screen, "addFirstListButton"))
            compare(screen.stack.currentItem.objectName, "newListForm")
            compare(screen.stack.currentItem.boardID, fresh.id)
        }

        // In the narrow panel: a column scrolled out of view and back keeps the inline add's
        // text, an open rename and its scroll position; one never in view loads nothing.
        function test_columnsKeptOutOfView() {
            const roadmap = board("Product Roadmap")
            AppState.boards.releaseBoard(roadmap.id)
            waitFor(AppState.boards.refreshLists(roadmap.id))
            const lists = AppState.boards.listsModel(roadmap.id)
            const lastCards = AppState.cards.cardsModel(lists.get(lists.count - 1).id)
            const screen = makeScreen(roadmap, true)
            // Not the first column: the strip's current item is always kept.
            const column = child(screen, "column:" + lists.get(1).name)
            tryVerify(function () { return column.cards.loaded })
            child(column, "card:" + column.cards.get(0).name) // the tiles are in
            const cardList = child(column, "cardList")
            cardList.positionViewAtEnd()
            mouseClick(child(column, "addCardButton"))
            for (const c of "kept")
                keyClick(c)
            cardList.contentY = 30
            column.startRename()
            column.renamingName = "Renamed meanwhile"
            wait(200)
            verify(!lastCards.loaded, "a column never in view")
            const strip = child(screen, "boardColumnStrip")
            strip.positionViewAtEnd()
            tryVerify(function () { return lastCards.loaded })
            strip.positionViewAtBeginning()
            const again = child(screen, "column:" + lists.get(1).name)
            compare(child(again, "cardTitleField").text, "kept")
            verify(again.renaming)
            compare(again.renamingName, "Renamed meanwhile")
            compare(child(again, "cardList").contentY, 30)
        }

        function test_changesRedrawOneTile() {
            const roadmap = board("Product Roadmap")
            waitFor(AppState.boards.refreshLists(roadmap.id))
            const lists = AppState.boards.listsModel(roadmap.id)
            const screen = makeScreen(roadmap)
            const first = AppState.cards.cardsModel(lists.get(0).id)
            const second = AppState.cards.cardsModel(lists.get(1).id)
            tryVerify(function () { return first.loaded && second.loaded })
            for (let i = 0; i < first.count; ++i)
                verify(child(screen, "card:" + first.get(i).name))
            // The tiles shown, by card: a column built again would show new ones.
            const tiles = function () {
                const out = {}
                for (const cards of [first, second]) {
                    for (let i = 0; i < cards.count; ++i)
                        out[cards.get(i).id] = child(screen, "card:" + cards.get(i).name)
                }
                return out
            }
            const kept = function (before, except) {
                const after = tiles()
                for (const id in after)
                    verify(id === except || after[id] === before[id], "the tile of " + id + " stayed")
            }
            wait(100)
            const before = tiles()
            // A new comment changes one badge; a move within a list, one row's place; a reload
            // that brings the same cards, nothing.
            const card = first.get(0)
            waitFor(AppState.comments.addComment(card.id, "counted"))
            tryVerify(function () { return first.get(0).badges.comments >= 1 })
            waitFor(AppState.cards.moveCard(first.get(first.count - 1).id, lists.get(0).id, first.get(0).id))
            waitFor(AppState.cards.refreshCards(lists.get(0).id))
            // A card or list dropped on itself sends nothing, and still answers its caller.
            waitFor(AppState.cards.moveCard(first.get(0).id, lists.get(0).id, first.get(0).id))
            waitFor(AppState.boards.moveList(lists.get(0).id, lists.get(0).id))
            wait(100)
            kept(before, "")
            // Across lists: one new tile, in the list it went to.
            const moved = first.get(0).id
            waitFor(AppState.cards.moveCard(moved, lists.get(1).id, ""))
            tryVerify(function () { return second.indexOf(moved) >= 0 })
            wait(100)
            kept(before, moved)
        }

        function test_keyboard() {
            const roadmap = board("Product Roadmap")
            waitFor(AppState.boards.refreshLists(roadmap.id))
            const lists = AppState.boards.listsModel(roadmap.id)
            for (const id of ids(lists))
                waitFor(AppState.cards.refreshCards(id))
            const screen = makeScreen(roadmap)
            const first = lists.get(0)
            const second = lists.get(1)
            const firstCards = AppState.cards.cardsModel(first.id)
            const secondCards = AppState.cards.cardsModel(second.id)
            verify(firstCards.count >= 2)

            // Arrows move the focus from tile to tile, down a list and across to the next.
            for (let i = 0; i < firstCards.count; ++i)
                child(screen, "card:" + firstCards.get(i).name) // built, as a user would see them
            for (let i = 0; i < secondCards.count; ++i)
                child(screen, "card:" + secondCards.get(i).name)
            const top = child(screen, "card:" + firstCards.get(0).name)
            top.forceActiveFocus()
            keyClick(Qt.Key_Down)
            tryVerify(function () { return focused("card:" + firstCards.get(1).name) })
            keyClick(Qt.Key_Right)
            tryVerify(function () {
                const tile = findChild(screen, "card:" + secondCards.get(Math.min(1, secondCards.count - 1)).name)
                return tile !== null && tile.activeFocus
            })
            keyClick(Qt.Key_Left)

            // Ctrl+Shift+Right: to the end of the next list; the focus follows, it is announced.
            const moving = firstCards.get(1)
            tryVerify(function () { return focused("card:" + moving.name) })
            keyClick(Qt.Key_Right, Qt.ControlModifier | Qt.ShiftModifier)
            tryVerify(function () { return secondCards.indexOf(moving.id) === secondCards.count - 1 })
            verify(firstCards.indexOf(moving.id) < 0)
            compare(findChild(screen, "moveAnnouncement").text,
                    "Moved “" + moving.name + "” to the end of “" + second.name + "”.")
            tryVerify(function () { return focused("card:" + moving.name) })

            // Ctrl+Shift+Up: before its neighbour; Ctrl+Shift+Down: back after it.
            const neighbour = secondCards.get(secondCards.count - 2)
            keyClick(Qt.Key_Up, Qt.ControlModifier | Qt.ShiftModifier)
            tryVerify(function () { return secondCards.indexOf(moving.id) === secondCards.indexOf(neighbour.id) - 1 })
            tryVerify(function () { return focused("card:" + moving.name) })
            keyClick(Qt.Key_Down, Qt.ControlModifier | Qt.ShiftModifier)
            tryVerify(function () { return secondCards.indexOf(moving.id) === secondCards.count - 1 })
            // The service has the card where the screen shows it.
            tryVerify(function () {
                const puts = Sandbox.requests("PUT", "/1/cards/" + moving.id)
                return puts.length === 3 && puts[0].idList === second.id
            })

            // A list header: Ctrl+Shift+Right moves the list after its neighbour.
            const header = child(screen, "listHeader:" + first.name)
            header.forceActiveFocus()
            keyClick(Qt.Key_Right, Qt.ControlModifier | Qt.ShiftModifier)
            tryVerify(function () { return lists.indexOf(first.id) === 1 })
            compare(findChild(screen, "moveAnnouncement").text,
                    "Moved list “" + first.name + "” after “" + second.name + "”.")
            tryVerify(function () { return focused("listHeader:" + first.name) })
            keyClick(Qt.Key_Left, Qt.ControlModifier | Qt.ShiftModifier)
            tryVerify(function () { return lists.indexOf(first.id) === 0 })

            // Return opens the focused card, in an editor over the board on its card. A refresh
            // that shifts the rows under it keeps it on its card; Escape closes it, goes no
            // further, and gives the focus back to the card's tile.
            child(screen, "card:" + moving.name).forceActiveFocus()
            keyClick(Qt.Key_Return)
            const stack = screen.stack
            let editor = screen.editorScreen()
            compare(stack.currentItem, editor)
            compare(child(editor, "editorTitleField").text, moving.name)
            compare(AppState.errorMessage, "")
            verify(Sandbox.send("POST", "/cards", { idList: second.id, name: "Shifts the rows", pos: "top" }))
            waitFor(screen.openBoard.refresh())
            tryVerify(function () { return find(secondCards, c => c.name === "Shifts the rows") !== null })
            compare(stack.currentItem, editor)
            compare(editor.editor.card.id, moving.id)
            // Closing the editor lets go of what it loaded beneath the card.
            tryVerify(function () { return AppState.comments.commentsModel(moving.id).loaded })
            const escapes = host.escapes
            keyClick(Qt.Key_Escape)
            compare(stack.currentItem, screen)
            compare(host.escapes, escapes)
            tryVerify(function () { return focused("card:" + moving.name) })
            tryVerify(function () { return !AppState.comments.commentsModel(moving.id).loaded })
            // Closed and opened again at once, before the old editor is gone: the new one's
            // sections still get their card's details.
            screen.openCard(moving.id)
            tryVerify(function () { return AppState.comments.commentsModel(moving.id).loaded })
            screen.editorScreen().closeRequested()
            screen.openCard(moving.id)
            editor = screen.editorScreen()
            tryVerify(function () { return editor.editor.detailsIn }, 5000)
        }

        // The filter menu: labels not in yet are said to be loading; a label checked by keyboard
        // narrows the tiles and the headers' counts and shows a chip, whose cross takes it off;
        // the board keeps its filter when left and opened again, and another board has its own.
        function test_filterMenu() {
            const roadmap = board("Product Roadmap")
            AppState.boards.releaseBoard(roadmap.id)
            waitFor(AppState.boards.refreshLists(roadmap.id))
            let lists = AppState.boards.listsModel(roadmap.id)
            for (const id of ids(lists))
                waitFor(AppState.cards.refreshCards(id))
            let screen = makeScreen(roadmap)
            mouseClick(child(screen, "filterMenuButton"))
            const menu = findChild(screen, "filterMenu")
            tryVerify(function () { return menu.opened })
            compare(child(menu, "labelsNotLoaded").text, "Loading labels…")
            waitFor(AppState.boards.loadBoardMeta(roadmap.id))
            const label = AppState.boards.labelsModel(roadmap.id).get(0)
            // The menu's boxes, made by repeaters, which findChild misses in a popup.
            const boxes = Array.from(findChild(menu, "labelsNotLoaded").parent.children)
                              .find(c => c.objectName === "filterLabels").children
            let box = null
            tryVerify(function () {
                box = Array.from(boxes).find(b => b.objectName === "filterLabel:" + label.name)
                return box !== undefined && box.visible
            })
            verify(!findChild(menu, "labelsNotLoaded").visible)
            // Each list's cards with the label, and all of them, in the columns in view.
            const inView = ids(lists).slice(0, 3)
            const counts = function (withLabel) {
                const out = []
                for (const id of inView) {
                    const cards = AppState.cards.cardsModel(id)
                    let n = 0
                    for (let i = 0; i < cards.count; ++i)
                        n += !withLabel || Array.from(cards.get(i).idLabels).indexOf(label.id) >= 0 ? 1 : 0
                    out.push(n)
                }
                return out
            }
            const shown = function () {
                return inView.map(id => child(screen, "column:" + find(lists, l => l.id === id).name).shownCount)
            }
            const all = counts(false)
            const labelled = counts(true)
            verify(labelled.some(n => n > 0) && labelled.some((n, i) => n < all[i]), "the label narrows")
            compare(shown(), all)

            // Opened again, the keyboard starts on the first label's box; Space checks it.
            keyClick(Qt.Key_Escape)
            tryVerify(function () { return !menu.opened })
            mouseClick(child(screen, "filterMenuButton"))
            tryVerify(function () { return box.activeFocus })
            keyClick(Qt.Key_Space)
            compare(shown(), labelled)
            const first = child(screen, "column:" + lists.get(0).name)
            compare(findChild(first, "cardCount").text,
                    labelled[0] === all[0] ? String(all[0]) : labelled[0] + " of " + all[0])
            const hidden = find(AppState.cards.cardsModel(lists.get(0).id),
                                c => Array.from(c.idLabels).indexOf(label.id) < 0)
            if (hidden !== null)
                tryVerify(function () { const t = findChild(first, "card:" + hidden.name); return t === null || !t.visible })
            keyClick(Qt.Key_Escape)
            tryVerify(function () { return !menu.opened })
            const chip = child(screen, "filterChip:Label: " + label.name)
            mouseClick(findChild(chip, "removeFilterButton"))
            compare(shown(), all)
            verify(!box.checked)
            tryVerify(function () { return findChild(screen, "filterChip:Label: " + label.name) === null })

            // Left and opened again: still on. Another board: nothing on.
            mouseClick(child(screen, "filterMenuButton"))
            tryVerify(function () { return menu.opened })
            mouseClick(box)
            compare(shown(), labelled)
            screen.stack.destroy()
            AppState.boards.releaseBoard(roadmap.id)
            waitFor(AppState.boards.refreshLists(roadmap.id))
            waitFor(AppState.boards.loadBoardMeta(roadmap.id))
            lists = AppState.boards.listsModel(roadmap.id)
            for (const id of ids(lists))
                waitFor(AppState.cards.refreshCards(id))
            screen = makeScreen(roadmap)
            verify(child(screen, "filterChip:Label: " + label.name))
            tryVerify(function () { return String(shown()) === String(labelled) })
            const other = makeScreen(find(AppState.boards.model, b => b.id !== roadmap.id))
            verify(!other.openBoard.filter.picked)
            verify(!findChild(other, "clearAllFiltersButton").visible)
            screen.openBoard.filter.clear()
        }

        // The tile's menu and its delete confirmation act on the card they were opened for, even
        // when the recycled tile shows another card by the time they are answered.
        function test_dialogsKeepTheirCard() {
            const roadmap = board("Product Roadmap")
            waitFor(AppState.boards.refreshLists(roadmap.id))
            const lists = AppState.boards.listsModel(roadmap.id)
            const listID = lists.get(0).id
            waitFor(AppState.cards.refreshCards(listID))
            waitFor(AppState.cards.createCard(listID, "Doomed"))
            waitFor(AppState.cards.createCard(listID, "Shown later"))
            const cards = AppState.cards.cardsModel(listID)
            const doomed = find(cards, c => c.name === "Doomed")
            const other = find(cards, c => c.name === "Shown later")
            const screen = makeScreen(roadmap)
            const tile = child(screen, "card:" + doomed.name)
            tile.openMenu(0, 0)
            const menu = findChild(tile, "cardMenu")
            verify(menu !== null)
            tile.card = other
            findChild(menu, "deleteCardItem").triggered()
            const dialog = findChild(tile, "deleteCardDialog")
            verify(dialog !== null)
            compare(dialog.title, "Delete “" + doomed.name + "”?")
            dialog.confirmed()
            dialog.close()
            tryVerify(function () { return cards.indexOf(doomed.id) < 0 })
            verify(cards.indexOf(other.id) >= 0)
            compare(Sandbox.requests("DELETE", "/1/cards/" + other.id).length, 0)

            // The Refresh button joins a refresh under way rather than sending its own.
            AppState.activeBoardID = roadmap.id
            Sandbox.setLatency(200)
            const before = Sandbox.requests("GET", "/1/boards/" + roadmap.id + "/lists").length
            const refresh = child(screen, "refreshBoardButton")
            mouseClick(refresh)
            mouseClick(refresh)
            waitFor(AppState.refreshVisible())
            compare(Sandbox.requests("GET", "/1/boards/" + roadmap.id + "/lists").length, before + 1)
            AppState.activeBoardID = ""
        }

        // The board's forms: Return twice sends once, a refused text stays, Escape closes the
        // form and goes no further; a late "Create list" answer leaves an editor opened meanwhile.
        function test_forms() {
            const roadmap = board("Product Roadmap")
            waitFor(AppState.boards.refreshLists(roadmap.id))
            const lists = AppState.boards.listsModel(roadmap.id)
            const screen = makeScreen(roadmap)
            const first = lists.get(0)
            const cards = AppState.cards.cardsModel(first.id)
            const column = child(screen, "column:" + first.name)
            const posts = function (path) { return Sandbox.requests("POST", path).length }
            const refused = function (path, key) {
                AppState.errorMessage = ""
                Sandbox.failNext("POST", path, 500, "Refused")
                keyClick(key)
                tryVerify(function () { return AppState.errorMessage !== "" }, 5000, path)
                AppState.errorMessage = ""
            }
            const escapes = host.escapes

            mouseClick(child(column, "addCardButton"))
            const title = child(column, "cardTitleField")
            tryVerify(function () { return title.activeFocus })
            const cardPosts = posts("/1/cards")
            Sandbox.setLatency(200)
            typeText("Once")
            keyClick(Qt.Key_Return)
            keyClick(Qt.Key_Return)
            tryVerify(function () { return find(cards, c => c.name === "Once") !== null })
            compare(posts("/1/cards"), cardPosts + 1)
            Sandbox.setLatency(0)
            typeText("Kept")
            refused("/1/cards", Qt.Key_Return)
            compare(title.text, "Kept")
            keyClick(Qt.Key_Escape)
            verify(!title.visible)
            // The list's rename.
            child(screen, "listHeader:" + first.name).forceActiveFocus()
            keyClick(Qt.Key_F2)
            tryVerify(function () { return focused("renameListField") })
            keyClick(Qt.Key_Escape)
            verify(!findChild(column, "renameListField").visible)
            compare(host.escapes, escapes)
            keyClick(Qt.Key_Escape)
            compare(host.escapes, escapes + 1, "an Escape no form takes goes on to the panel")

            // The new list form: refused, the name stays; Escape leaves it.
            mouseClick(child(screen, "addListButton"))
            tryVerify(function () { return focused("newListNameField") })
            typeText("Kept")
            refused("/1/lists", Qt.Key_Return)
            verify(child(screen.stack, "newListNameField").text === "Kept")
            keyClick(Qt.Key_Escape)
            compare(screen.stack.currentItem, screen)
            compare(host.escapes, escapes + 1)
            // Twice Return, then a card opened before the answer: one list, the editor stays.
            const listPosts = posts("/1/lists")
            mouseClick(child(screen, "addListButton"))
            tryVerify(function () { return focused("newListNameField") })
            Sandbox.setLatency(300)
            typeText("Late")
            keyClick(Qt.Key_Return)
            keyClick(Qt.Key_Return)
            screen.openCard(cards.get(0).id)
            tryVerify(function () { return find(lists, l => l.name === "Late") !== null })
            wait(100)
            compare(posts("/1/lists"), listPosts + 1)
            compare(screen.stack.screens, [screen, screen.editorScreen()])
            Sandbox.setLatency(0)
        }
    }
}
