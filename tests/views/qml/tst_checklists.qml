// SPDX-License-Identifier: MIT
// The card editor's checklists against the sandbox, its request log as the oracle: ticks that
// show at once and flip back when refused, progress, the add-item series, the rename rules,
// deleting items at once and checklists after asking.
import QtQuick
import QtTest
import Stavelin
import StavelinTest

Item {
    id: host
    width: 420
    height: 800

    Component { id: sectionComponent; CardChecklistsSection { width: 400 } }
    Component { id: viewComponent; ChecklistView { width: 400 } }

    StoreTestCase {
        id: test
        name: "Checklists"

        // The card of the test under way: see makeCard().
        property var card
        property string listID
        property int cardsMade: 0
        // How many check-item changes of the card the log held when the test began.
        property int putsBefore: 0

        function initTestCase() {
            // Fresh data once (other files change it); each test then makes its own card, which
            // is much quicker than starting the sandbox over.
            verify(Sandbox.reset("sample"))
            if (AppState.session.hasCredentials)
                waitFor(AppState.boards.refreshBoards())
            else
                waitFor(AppState.session.saveCredentials(Sandbox.apiKey, Sandbox.token))
            const board = find(AppState.boards.model, b => b.name === "Product Roadmap")
            waitFor(AppState.boards.refreshLists(board.id))
            listID = find(AppState.boards.listsModel(board.id), l => l.name === "In Progress").id
            waitFor(AppState.cards.refreshCards(listID))
        }
        function init() {
            Sandbox.setLatency(0)
            card = makeCard()
            putsBefore = Sandbox.requests("PUT", "/1/cards/" + card.id + "/checkItem/.*").length
            AppState.errorMessage = ""
        }

        // A new card with one checklist, "Tasks": Pick files and Show progress done, Retry on
        // failure and Size limit message not.
        function makeCard() {
            const name = "Checklist card " + (++cardsMade)
            waitFor(AppState.cards.createCard(listID, name))
            const cards = AppState.cards.cardsModel(listID)
            const made = find(cards, c => c.name === name)
            waitFor(AppState.checklists.createChecklist(made.id, "Tasks"))
            const checklistID = AppState.checklists.checklistsModel(made.id).get(0).id
            for (const item of ["Pick files", "Show progress", "Retry on failure", "Size limit message"])
                waitFor(AppState.checklists.addCheckItem(checklistID, item))
            const items = AppState.checklists.checklistsModel(made.id).get(0).checkItems
            waitFor(AppState.checklists.toggleCheckItem(made.id, items[0]))
            waitFor(AppState.checklists.toggleCheckItem(made.id, items[1]))
            return cards.get(cards.indexOf(made.id))
        }

        function makeSection() {
            const section = createTemporaryObject(sectionComponent, host, { card: card })
            tryVerify(function () { return findChild(section, "checklist:Tasks") !== null })
            return section
        }
        // An item's row, where it is drawn: the rows are placed at their column's next polish.
        function itemRow(view, name) {
            const row = findChild(view, "item:" + name)
            if (row !== null)
                verify(waitForItemPolished(row.parent), name)
            return row
        }
        function isTicked(view, name) {
            return findChild(itemRow(view, name), "itemButton").Accessible.checked
        }
        // The test's own changes of check items (state or name), oldest first.
        function checkItemPuts() {
            return Sandbox.requests("PUT", "/1/cards/" + card.id + "/checkItem/.*").slice(putsBefore)
        }

        function test_ticks() {
            const section = makeSection()
            const view = findChild(section, "checklist:Tasks")
            compare(findChild(view, "progressText").text, "2/4")
            verify(findChild(view, "progressBar").visible)

            // The tick shows before the service has answered.
            Sandbox.setLatency(300)
            mouseClick(findChild(itemRow(view, "Retry on failure"), "itemButton"))
            verify(isTicked(view, "Retry on failure"))
            compare(findChild(view, "progressText").text, "3/4")
            tryVerify(function () { return checkItemPuts().length === 1 })

            // Refused: it flips back when the refusal arrives, and the message is shown.
            Sandbox.failNext("PUT", "/1/cards/.*/checkItem/.*", 500, "The item stays as it was")
            mouseClick(findChild(itemRow(view, "Pick files"), "itemButton"))
            verify(!isTicked(view, "Pick files"))
            tryVerify(function () { return isTicked(view, "Pick files") }, 3000)
            verify(AppState.errorMessage.indexOf("The item stays as it was") >= 0)
            compare(findChild(view, "progressText").text, "3/4")
            // From the keyboard too.
            Sandbox.setLatency(0)
            const row = findChild(itemRow(view, "Size limit message"), "itemButton")
            row.forceActiveFocus()
            keyClick(Qt.Key_Space)
            tryVerify(function () { return isTicked(view, "Size limit message") })
            verify(row.activeFocus, "the row keeps the focus for the next key")
            tryVerify(function () { return checkItemPuts().length === 3 })

            // A new checklist from the section's row: 0/0 and no bar.
            mouseClick(findChild(section, "addChecklistButton"))
            const field = findChild(section, "newChecklistField")
            tryVerify(function () { return field.activeFocus })
            keyClick(Qt.Key_Space)
            keyClick(Qt.Key_Return)
            typeText("Release")
            keyClick(Qt.Key_Return)
            tryVerify(function () { return findChild(section, "checklist:Release") !== null })
            const created = Sandbox.requests("POST", "/1/checklists").filter(q => q.idCard === card.id)
            compare(created.map(q => q.name), ["Tasks", "Release"])
            verify(!section.addingChecklist)
            const empty = findChild(section, "checklist:Release")
            compare(findChild(empty, "progressText").text, "0/0")
            verify(!findChild(empty, "progressBar").visible)
        }

        function test_derivedValues() {
            // Only "complete" exactly counts; the items show in the store's order.
            const view = createTemporaryObject(viewComponent, host, {
                card: card,
                checklist: { id: "x", name: "Odd", checkItems: [
                    { id: "a", name: "A", state: "complete", pos: 2 },
                    { id: "b", name: "B", state: "Complete", pos: 1 },
                    { id: "c", name: "C", state: "done", pos: 1 }] }
            })
            compare(view.doneCount, 1)
            compare(view.items.map(i => i.name), ["A", "B", "C"])
            verify(!isTicked(view, "B"))
        }

        function test_itemSeries() {
            const section = makeSection()
            const view = findChild(section, "checklist:Tasks")
            const adds = function () {
                return Sandbox.requests("POST", "/1/checklists/" + view.checklist.id + "/checkItems").slice(4)
            }
            mouseClick(findChild(view, "addItemButton"))
            const field = findChild(view, "newItemField")
            tryVerify(function () { return field.activeFocus })
            // Spaces only: nothing is sent and Add stays disabled.
            keyClick(Qt.Key_Space)
            verify(!findChild(view, "addItemConfirmButton").enabled)
            keyClick(Qt.Key_Return)
            keyClick(Qt.Key_Backspace)

            typeText("Docs")
            keyClick(Qt.Key_Return)
            tryVerify(function () { return itemRow(view, "Docs") !== null })
            tryVerify(function () { return field.text === "" && field.activeFocus })
            verify(view.addingItem)
            // Through the Add button, which takes the focus: the field gets it back.
            typeText("Tests")
            mouseClick(findChild(view, "addItemConfirmButton"))
            tryVerify(function () { return itemRow(view, "Tests") !== null })
            tryVerify(function () { return field.text === "" && field.activeFocus && field.visible })
            compare(adds().map(q => q.name), ["Docs", "Tests"])
            compare(findChild(view, "progressText").text, "2/6")

            // A second Return while the add is out does not add it twice; a name typed meanwhile
            // is kept.
            Sandbox.setLatency(300)
            typeText("Ship")
            keyClick(Qt.Key_Return)
            keyClick(Qt.Key_Return)
            typeText("!")
            tryVerify(function () { return itemRow(view, "Ship") !== null }, 3000)
            compare(field.text, "Ship!")
            compare(adds().length, 3)

            mouseClick(findChild(view, "doneAddingButton"))
            verify(!view.addingItem)
            verify(findChild(view, "addItemButton").visible)
        }

        function test_rename() {
            const section = makeSection()
            const view = findChild(section, "checklist:Tasks")
            const renames = function () { return checkItemPuts().filter(q => q.name !== undefined) }

            // Through the item's menu.
            const row = findChild(itemRow(view, "Pick files"), "itemButton")
            mouseClick(row, 20, row.height / 2, Qt.RightButton)
            let menu = null
            tryVerify(function () { menu = findChild(view, "itemMenu"); return menu !== null && menu.opened })
            mouseClick(findChild(menu, "renameItemItem"))
            // The rename row is made when it is needed.
            const renameField = function () { return findChild(itemRow(view, "Pick files"), "renameItemField") }
            let field = null
            tryVerify(function () { field = renameField(); return field !== null && field.visible && field.activeFocus })
            compare(field.text, "Pick files")

            // The same name, even with spaces around it: nothing sent, rename mode left.
            keyClick(Qt.Key_End)
            typeText("  ")
            keyClick(Qt.Key_Return)
            compare(view.editingItemID, "")
            verify(row.activeFocus, "the focus is back on the row")
            tryVerify(function () { return renameField() === null })
            // White space only: Save disabled, Return leaves without sending.
            view.startRename(view.items[0])
            view.editingItemName = "   "
            verify(!findChild(itemRow(view, "Pick files"), "saveRenameButton").enabled)
            view.commitItemRename(view.items[0])
            compare(view.editingItemID, "")
            wait(100)
            compare(renames().length, 0)

            // A new name is sent trimmed, and the row shows it once the service agrees.
            view.startRename(view.items[0])
            tryVerify(function () { field = renameField(); return field !== null && field.activeFocus })
            field.selectAll()
            typeText(" Choose files ")
            mouseClick(findChild(itemRow(view, "Pick files"), "saveRenameButton"))
            tryVerify(function () { return itemRow(view, "Choose files") !== null })
            compare(renames().length, 1)
            compare(renames()[0].name, "Choose files")
            compare(AppState.errorMessage, "")
        }

        function test_deletes() {
            const section = makeSection()
            const view = findChild(section, "checklist:Tasks")
            const checklistID = view.checklist.id

            // An item goes at once.
            const row = findChild(itemRow(view, "Show progress"), "itemButton")
            mouseClick(row, 20, row.height / 2, Qt.RightButton)
            let menu = null
            tryVerify(function () { menu = findChild(view, "itemMenu"); return menu !== null && menu.opened })
            mouseClick(findChild(menu, "deleteItemItem"))
            tryVerify(function () { return itemRow(view, "Show progress") === null })
            compare(Sandbox.requests("DELETE", "/1/checklists/" + checklistID + "/checkItems/.*").length, 1)
            compare(findChild(view, "progressText").text, "1/3")

            // The checklist only after asking: Cancel sends nothing.
            const deletes = function () { return Sandbox.requests("DELETE", "/1/checklists/" + checklistID).length }
            mouseClick(findChild(view, "checklistMenuButton"))
            tryVerify(function () { menu = findChild(view, "checklistMenu"); return menu !== null && menu.opened })
            mouseClick(findChild(menu, "deleteChecklistItem"))
            tryVerify(function () { return view.confirmingDelete && view.deleteDialog.opened })
            compare(view.deleteDialog.title, "Delete “Tasks”?")
            mouseClick(findChild(view.deleteDialog, "cancelButton"))
            tryVerify(function () { return !view.confirmingDelete })
            wait(100)
            compare(deletes(), 0)
            verify(findChild(section, "checklist:Tasks") !== null)

            view.confirmDelete()
            tryVerify(function () { return view.deleteDialog !== null && view.deleteDialog.opened })
            mouseClick(findChild(view.deleteDialog, "confirmButton"))
            tryVerify(function () { return findChild(section, "checklist:Tasks") === null })
            compare(deletes(), 1)
            compare(AppState.errorMessage, "")
        }
    }
}
