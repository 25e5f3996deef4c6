// SPDX-License-Identifier: MIT
// The board's pieces against the sandbox: the drop handlers' highlight bookkeeping and the drop
// cases a real drag does not reach (the store's data as the oracle), the card tile's derived
// values, the column's filter and rename rules, and the inline add's refusal of a blank title.
import QtQuick
import QtTest
import Stavelin
import StavelinTest

Item {
    id: host
    width: 600
    height: 700

    Component { id: stateComponent; BoardDragState {} }
    Component { id: dropComponent; BoardDropDelegate {} }
    Component { id: tileComponent; CardView { width: 240 } }
    Component { id: columnComponent; ListColumn { height: 600 } }
    Component { id: pictureComponent; AvatarPicture { width: 18; height: 18 } }

    StoreTestCase {
        id: test
        name: "BoardPieces"

        property string boardID
        property var lists: []

        function initTestCase() {
            // Fresh data once: the tests below check moves relative to where things are.
            if (Sandbox.seed !== "sample")
                verify(Sandbox.reset("sample"))
            waitFor(AppState.session.saveCredentials(Sandbox.apiKey, Sandbox.token))
        }

        function init() {
            boardID = AppState.boards.model.get(0).id
            waitFor(AppState.boards.refreshLists(boardID))
            lists = ids(AppState.boards.listsModel(boardID))
            for (const listID of lists)
                waitFor(AppState.cards.refreshCards(listID))
            verify(lists.length >= 3)
            AppState.errorMessage = ""
        }

        function cardIds(listID) {
            return ids(AppState.cards.cardsModel(listID))
        }
        function listIds() {
            return ids(AppState.boards.listsModel(boardID))
        }
        // A body (cards to the end of a list), a tile (before a card), a header (lists before a
        // list, cards to its end) or the end zone (lists last).
        function body(state, listID) {
            return createTemporaryObject(dropComponent, host, { listID: listID, dragState: state })
        }
        function tileDrop(state, listID, cardID) {
            return createTemporaryObject(dropComponent, host, { listID: listID, beforeCardID: cardID, dragState: state })
        }
        function header(state, listID) {
            return createTemporaryObject(dropComponent, host, { listID: listID, takesLists: true, dragState: state })
        }
        function cardDrag(state, id) { return { type: state.cardType, id: id } }
        function listDrag(state, id) { return { type: state.listType, id: id } }
        function moves() {
            return Sandbox.requests("PUT", "/1/(cards|lists)/.*").length
        }

        function test_highlights() {
            const state = createTemporaryObject(stateComponent, host)
            const a = body(state, "A")
            const b = body(state, "B")
            a.enter()
            compare(state.dropTargetListID, "A")
            // Straight from one column into the next, the first one's exit reported late.
            b.enter()
            a.exit()
            compare(state.dropTargetListID, "B")
            b.exit()
            compare(state.dropTargetListID, "")

            const x = tileDrop(state, "A", "x")
            const y = tileDrop(state, "A", "y")
            x.enter(); y.enter(); x.exit()
            compare(state.reorderBeforeCardID, "y")

            const named = header(state, "L")
            const end = header(state, "")
            named.enter()
            compare(state.listReorderTarget, "L")
            end.enter(); named.exit()
            compare(state.listReorderTarget, "end")
            // A drop clears the state it writes; one that carries nothing of ours, or nothing
            // the target takes (a card on the end zone, a list on a tile), is refused.
            verify(!end.perform(null))
            compare(state.listReorderTarget, "")
            y.enter()
            verify(!y.perform(listDrag(state, "L")))
            compare(state.reorderBeforeCardID, "")
            verify(!end.perform(cardDrag(state, "x")))
        }

        // A card dropped on a column's body or before a tile of another list: board_e2e.py, with
        // a real drag and the service as the oracle. Here the drops that must not send anything,
        // and the one onto a list header.
        function test_cardDrops() {
            const state = createTemporaryObject(stateComponent, host)
            const [first, second] = [lists[0], lists[1]]
            const target = cardIds(second)[0]
            const column = body(state, second)
            const tile = tileDrop(state, second, target)

            // On its own tile, or a list on a column or a tile: nothing is sent.
            wait(50)
            const before = moves()
            verify(tile.perform(cardDrag(state, target)))
            verify(!column.perform(listDrag(state, first)))
            verify(!tile.perform(listDrag(state, first)))
            wait(100)
            compare(moves(), before)

            // On a header: to the end of that list.
            verify(header(state, lists[2]).perform(cardDrag(state, target)))
            tryVerify(function () { const ids = cardIds(lists[2]); return ids[ids.length - 1] === target })
            compare(AppState.errorMessage, "")
        }

        function test_listDrops() {
            const state = createTemporaryObject(stateComponent, host)
            const order = listIds()
            const last = order[order.length - 1]
            // A list on another list's header: before that list.
            verify(header(state, order[0]).perform(listDrag(state, last)))
            tryVerify(function () { return listIds()[0] === last })
            // On the end zone: after the last one.
            verify(header(state, "").perform(listDrag(state, last)))
            tryVerify(function () { const ids = listIds(); return ids[ids.length - 1] === last })
            compare(listIds(), order)
        }

        function test_dropWaitsForOurDragToEnd() {
            const state = createTemporaryObject(stateComponent, host)
            const moving = cardIds(lists[0])[0]
            const column = body(state, lists[1])
            state.dragging = true
            verify(column.perform(cardDrag(state, moving)))
            wait(100)
            verify(cardIds(lists[0]).indexOf(moving) >= 0)
            state.dragEnded()
            tryVerify(function () { return cardIds(lists[1]).indexOf(moving) >= 0 })
        }

        function hoursFromNow(hours) {
            return new Date(Date.now() + hours * 3600 * 1000)
        }
        function card(fields) {
            const base = { id: "c", name: "Card", idList: "l", idBoard: "b" }
            return Object.assign(base, fields)
        }

        function test_tileValues() {
            const state = createTemporaryObject(stateComponent, host)
            const make = function (fields, extra) {
                return createTemporaryObject(tileComponent, host,
                                             Object.assign({ card: card(fields), dragState: state }, extra || {}))
            }
            compare(make({ due: hoursFromNow(23) }).dueColor, Theme.orange)
            compare(make({ due: hoursFromNow(25) }).dueColor, Theme.secondary)
            compare(make({ due: hoursFromNow(-1 / 60) }).dueColor, Theme.red)
            compare(make({ due: hoursFromNow(-5), dueComplete: true }).dueColor, Theme.green)

            const done = make({ badges: { checkItems: 3, checkItemsChecked: 3, comments: 0 } })
            compare(findChild(done, "checklistText").text, "3/3")
            compare(findChild(done, "checklistText").color, Theme.green)
            const open = make({ badges: { checkItems: 3, checkItemsChecked: 2, comments: 1 } })
            compare(findChild(open, "checklistText").color, Theme.secondary)
            verify(findChild(open, "commentBadge").visible)

            const bare = make({ badges: { checkItems: 0, checkItemsChecked: 0, comments: 0 }, idMembers: ["nobody"] })
            verify(!bare.showsBadgeRow)
            verify(findChild(bare, "badgeRow") === null) // not even built

            const people = []
            for (let i = 0; i < 5; ++i)
                people.push({ id: "m" + i, username: "user" + i, fullName: "Member " + i })
            const members = { count: people.length, get: function (i) { return people[i] } }
            const crowded = make({ idMembers: ["m4", "m0", "m2", "m1", "m3"] }, { boardMembers: members })
            compare(crowded.assignedMembers.length, 5)
            compare(findChild(crowded, "avatars").count, 3)
            compare(crowded.assignedMembers[0].id, "m0") // the board's order

            // Labels: bars while the panel is narrow, named chips when it is wide.
            const labelled = make({ labels: [{ id: "g", name: "Feature", color: "green" }, { id: "n", color: null }] })
            AppState.isExpanded = false
            const chips = findChild(labelled, "labels")
            waitForRendering(labelled)
            compare(chips.children[0].width, 22)
            AppState.isExpanded = true
            tryVerify(function () { return chips.children[0].width > 22 })
            compare(chips.children[1].width, 22) // unnamed: still a bar
            AppState.isExpanded = false
            compare(chips.labelTip({ id: "n", color: null }), "Label")
            compare(chips.labelTip({ id: "s", name: "", color: "sky light" }), "Sky Light")
        }

        // Pictures come over https, or http on loopback (the sandbox), up to 1 MB; never from
        // local files, resources or inline data.
        function test_avatarSources() {
            const small = "P1\n2 2\n0 1\n1 0\n"
            const picture = function (source) {
                return createTemporaryObject(pictureComponent, host, { source: source })
            }
            Sandbox.failNext("GET", ".*/pictures/big", 200, "P1\n1000 600\n" + "0 ".repeat(600000))
            const big = picture(Sandbox.baseUrl + "/pictures/big")
            const local = [picture(Sandbox.writeFile("avatar.pbm", small)),
                           picture("data:image/x-portable-bitmap;base64," + Qt.btoa(small)),
                           picture("qrc:/symbols/alarm.svg")]
            Sandbox.failNext("GET", ".*/pictures/small", 200, small)
            const fetched = picture(Sandbox.baseUrl + "/pictures/small")
            tryVerify(function () { return fetched.ready }, 5000)
            tryVerify(function () { return Sandbox.requests("GET", ".*/pictures/big").length === 1 }, 5000)
            wait(300)
            verify(!big.ready, "over 1 MB")
            for (const item of local)
                verify(!item.ready, item.source)
        }

        function test_columnFilterAndRename() {
            const state = createTemporaryObject(stateComponent, host)
            // The longest list: earlier tests moved cards around.
            const model = AppState.boards.listsModel(boardID)
            let row = 0
            for (let i = 1; i < model.count; ++i) {
                if (cardIds(model.get(i).id).length > cardIds(model.get(row).id).length)
                    row = i
            }
            const listID = model.get(row).id
            const column = createTemporaryObject(columnComponent, host, { list: model.get(row), dragState: state,
                                                                          filter: AppState.boards.filter(boardID) })
            const names = []
            const cards = AppState.cards.cardsModel(listID)
            for (let i = 0; i < cards.count; ++i)
                names.push(cards.get(i).name)
            verify(names.length >= 2)

            column.filter.text = "   "
            compare(column.visibleRows().length, names.length)
            const word = names[1].split(" ")[0]
            column.filter.text = "  " + word.toUpperCase() + " "
            const expected = names.filter(n => n.toLowerCase().indexOf(word.toLowerCase()) >= 0).length
            compare(column.visibleRows().length, expected)
            column.filter.text = "zz-no-card-has-this"
            compare(column.visibleRows().length, 0)
            verify(column.visible) // lists stay even when nothing matches
            column.filter.text = ""

            // Renaming to the same name, or to spaces, sends nothing.
            const renames = function () { return Sandbox.requests("PUT", "/1/lists/" + listID).length }
            const before = renames()
            column.startRename()
            column.renamingName = "  " + model.get(row).name + " "
            column.commitRename()
            verify(!column.renaming)
            column.startRename()
            column.renamingName = "   "
            column.commitRename()
            wait(100)
            compare(renames(), before)
            column.startRename()
            column.renamingName = "Renamed list"
            column.commitRename()
            tryVerify(function () { return model.get(model.indexOf(listID)).name === "Renamed list" })
        }

        // A title sent with Return, and the field left open for the next: board_e2e.py types one.
        function test_inlineAdd() {
            const state = createTemporaryObject(stateComponent, host)
            const model = AppState.boards.listsModel(boardID)
            const column = createTemporaryObject(columnComponent, host, { list: model.get(1), dragState: state })
            const button = findChild(column, "addCardButton")
            tryVerify(function () { return button !== null && button.visible })
            mouseClick(button)
            const field = findChild(column, "cardTitleField")
            tryVerify(function () { return field.activeFocus })
            // Spaces only: nothing is sent, the field stays open.
            const posts = Sandbox.requests("POST", "/1/cards").length
            keyClick(Qt.Key_Space); keyClick(Qt.Key_Space); keyClick(Qt.Key_Return)
            wait(50)
            compare(Sandbox.requests("POST", "/1/cards").length, posts)
            verify(field.visible && field.activeFocus)
        }
    }
}
