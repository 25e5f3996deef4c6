// SPDX-License-Identifier: MIT
// The card editor against the sandbox, its request log as the oracle: what a save sends for
// each kind of edit, a refused save, Return, archive and delete, what opening loads, and the
// date picker by keyboard and in two locales.
import QtQuick
import QtTest
import Stavelin
import StavelinTest

Item {
    id: host
    width: 460
    height: 1000

    Component {
        id: editorComponent
        CardEditView { anchors.fill: parent }
    }
    Component {
        id: screenComponent
        BoardDetailView { anchors.fill: parent }
    }
    Component {
        id: pickerComponent
        DateTimePicker {}
    }
    Component {
        id: spyComponent
        SignalSpy { signalName: "dismissed" }
    }

    TestCase {
        id: test
        name: "CardEditor"
        when: windowShown

        property string boardID
        // Dismissals of the editor opened last.
        property SignalSpy spy: null
        property var lists: null

        function waitFor(operation) {
            let done = false
            operation.then(test, function () { done = true })
            tryVerify(function () { return done }, 5000, "the store operation returned")
        }

        function initTestCase() {
            waitFor(AppState.session.saveCredentials(Sandbox.apiKey, Sandbox.token))
            const name = "Editor board " + Date.now()
            waitFor(AppState.boards.createBoard(name, ""))
            const boards = AppState.boards.model
            for (let i = 0; i < boards.count; ++i) {
                if (boards.get(i).name === name)
                    boardID = boards.get(i).id
            }
            waitFor(AppState.boards.refreshLists(boardID))
            lists = AppState.boards.listsModel(boardID)
            verify(lists.count >= 2)
        }
        function cleanup() {
            Sandbox.setLatency(0)
            AppState.errorMessage = ""
        }

        // A new card in the first list, as the store holds it.
        function makeCard(name, desc, due) {
            const listID = lists.get(0).id
            waitFor(AppState.cards.createCard(listID, name, desc, due))
            waitFor(AppState.cards.refreshCards(listID))
            const cards = AppState.cards.cardsModel(listID)
            for (let i = 0; i < cards.count; ++i) {
                if (cards.get(i).name === name)
                    return cards.get(i)
            }
            fail("card not created: " + name)
        }
        function open(card) {
            const editor = createTemporaryObject(editorComponent, host, { card: card, lists: lists })
            editor.forceActiveFocus()
            spy = createTemporaryObject(spyComponent, test, { target: editor })
            return editor
        }
        function part(editor, objectName) {
            const found = findChild(editor, objectName)
            verify(found !== null, objectName)
            return found
        }
        function puts(card) {
            return Sandbox.requests("PUT", "/1/cards/" + card.id)
        }
        // Saves with the button and returns the update's query.
        function save(editor, card) {
            const before = puts(card).length
            mouseClick(part(editor, "saveCardButton"))
            tryVerify(function () { return puts(card).length === before + 1 })
            return puts(card)[before]
        }
        function dismissed(editor) {
            tryCompare(spy, "count", 1)
        }
        // How the service is sent a date: UTC, whole seconds.
        function iso(date) {
            return new Date(Math.floor(date.getTime() / 1000) * 1000).toISOString().replace(".000Z", "Z")
        }
        function typeText(text) {
            for (const ch of text)
                keyClick(ch)
        }

        function test_unchangedSave() {
            // No due date: name, description, list and the due fields all stay out.
            const plain = makeCard("Plain card", "", null)
            let editor = open(plain)
            let sent = save(editor, plain)
            for (const key of ["name", "desc", "due", "dueComplete", "idList"])
                verify(!(key in sent), key)
            dismissed(editor)

            // A due date goes again as it was, with its completion.
            const due = new Date(2031, 4, 6, 17, 30)
            const dated = makeCard("Dated card", "Some words", due)
            editor = open(dated)
            sent = save(editor, dated)
            compare(sent.due, iso(due))
            compare(sent.dueComplete, "false")
            for (const key of ["name", "desc", "idList"])
                verify(!(key in sent), key)
            dismissed(editor)
        }

        function test_dueToggle() {
            // Off on a card with a due date: the date is cleared, no completion goes.
            const dated = makeCard("Due goes", "", new Date(2031, 0, 1, 9, 0))
            let editor = open(dated)
            mouseClick(part(editor, "dueSwitch"))
            let sent = save(editor, dated)
            compare(sent.due, "")
            verify(!("dueComplete" in sent))
            dismissed(editor)

            // On for a card without one: 24 hours from the opening, and the completion.
            const plain = makeCard("Due comes", "", null)
            const opened = Date.now()
            editor = open(plain)
            mouseClick(part(editor, "dueSwitch"))
            mouseClick(part(editor, "dueCompleteSwitch"))
            sent = save(editor, plain)
            const offered = Date.parse(sent.due)
            verify(offered >= Math.floor(opened / 1000) * 1000 + 86400 * 1000, sent.due)
            verify(offered <= Date.now() + 86400 * 1000, sent.due)
            compare(sent.dueComplete, "true")
            dismissed(editor)
        }

        function test_titleListAndDescription() {
            const card = makeCard("Moving card", "Keep me", null)
            const editor = open(card)
            // A title with spaces around it goes trimmed; a description edited back is not sent.
            const title = part(editor, "editorTitleField")
            title.forceActiveFocus()
            title.selectAll()
            typeText("  Moved card ")
            const desc = part(editor, "editorDescriptionField")
            desc.forceActiveFocus()
            desc.cursorPosition = desc.length
            typeText("!!")
            keyClick(Qt.Key_Backspace)
            keyClick(Qt.Key_Backspace)
            // Another list: the card moves there.
            const picker = part(editor, "listPicker")
            picker.forceActiveFocus()
            keyClick(Qt.Key_Down)
            const target = lists.get(1).id
            waitFor(AppState.cards.refreshCards(target))
            const sent = save(editor, card)
            compare(sent.name, "Moved card")
            compare(sent.idList, target)
            verify(!("desc" in sent))
            dismissed(editor)
            compare(AppState.cards.cardsModel(target).indexOf(card.id) >= 0, true)

            // A description emptied goes as an empty value.
            const moved = AppState.cards.cardsModel(target).get(AppState.cards.cardsModel(target).indexOf(card.id))
            const again = open(moved)
            const field = part(again, "editorDescriptionField")
            field.forceActiveFocus()
            field.selectAll()
            keyClick(Qt.Key_Delete)
            compare(save(again, moved).desc, "")
        }

        function test_blankTitleAndReturn() {
            const card = makeCard("Returned card", "", null)
            let editor = open(card)
            const title = part(editor, "editorTitleField")
            verify(title.activeFocus)
            // Only spaces: Save is off and Return does nothing.
            title.selectAll()
            typeText("   ")
            verify(!part(editor, "saveCardButton").enabled)
            keyClick(Qt.Key_Return)
            wait(200)
            compare(puts(card).length, 0)
            compare(spy.count, 0)
            // Return in the description is a new line.
            typeText("Named")
            const desc = part(editor, "editorDescriptionField")
            desc.forceActiveFocus()
            keyClick(Qt.Key_Return)
            compare(desc.text, "\n")
            // Return on a focused button is that button's.
            part(editor, "cancelEditButton").forceActiveFocus()
            keyClick(Qt.Key_Return)
            dismissed(editor)
            compare(puts(card).length, 0)

            // Return in a text field saves, the comment field not being focused.
            editor = open(card)
            verify(!editor.commentFocused)
            verify(part(editor, "editorTitleField").activeFocus)
            keyClick(Qt.Key_Return)
            dismissed(editor)
            compare(puts(card).length, 1)
        }

        function test_refusedSaveKeepsEdits() {
            const card = makeCard("Refused card", "", null)
            const editor = open(card)
            const title = part(editor, "editorTitleField")
            title.selectAll()
            typeText("Better name")
            const desc = part(editor, "editorDescriptionField")
            desc.forceActiveFocus()
            typeText("Why")
            mouseClick(part(editor, "dueSwitch"))
            const picker = part(editor, "listPicker")
            picker.forceActiveFocus()
            keyClick(Qt.Key_Down)

            Sandbox.failNext("PUT", "/1/cards/" + card.id, 503, "Down for maintenance")
            const refused = save(editor, card)
            const error = part(editor, "saveError")
            tryVerify(function () { return error.visible })
            verify(error.text.indexOf("Down for maintenance") >= 0, error.text)
            compare(spy.count, 0)
            compare(title.text, "Better name")
            compare(desc.text, "Why")
            verify(part(editor, "dueSwitch").checked)
            compare(picker.currentValue, lists.get(1).id)
            verify(part(editor, "saveCardButton").enabled)

            // The retry sends the same and closes; the error goes first.
            const retried = save(editor, card)
            verify(!error.visible)
            compare(JSON.stringify(retried), JSON.stringify(refused))
            dismissed(editor)
        }

        function test_archiveAndDelete() {
            const archived = makeCard("Archived card", "", null)
            let editor = open(archived)
            mouseClick(part(editor, "archiveCardButton"))
            dismissed(editor)
            compare(puts(archived)[0].closed, "true")

            const deleted = makeCard("Deleted card", "", null)
            editor = open(deleted)
            const title = part(editor, "editorTitleField")
            title.selectAll()
            typeText("Edited name")
            // The dialog names the card as stored; Cancel keeps it.
            const overlay = host.Window.window.contentItem
            mouseClick(part(editor, "deleteCardButton"))
            let confirm = null
            tryVerify(function () { confirm = findChild(overlay, "confirmButton"); return confirm !== null && confirm.visible })
            verify(findChild(overlay, "message").text
                   === "Deleting can't be undone. Archiving keeps the card recoverable on " + Theme.webAddress + ".")
            verify(hasText(overlay, "Delete “Deleted card”?"))
            mouseClick(findChild(overlay, "cancelButton"))
            tryVerify(function () { return findChild(overlay, "confirmButton") === null })
            compare(Sandbox.requests("DELETE", "/1/cards/" + deleted.id).length, 0)
            mouseClick(part(editor, "deleteCardButton"))
            tryVerify(function () { confirm = findChild(overlay, "confirmButton"); return confirm !== null && confirm.visible })
            mouseClick(confirm)
            dismissed(editor)
            compare(Sandbox.requests("DELETE", "/1/cards/" + deleted.id).length, 1)
        }
        function hasText(item, text) {
            if (item.text === text)
                return true
            for (let i = 0; i < item.children.length; ++i) {
                if (hasText(item.children[i], text))
                    return true
            }
            return false
        }

        function test_openingLoadsWhatIsMissing() {
            const card = makeCard("Loaded card", "", null)
            // The board's labels and members let go too, as when the board closes.
            AppState.boards.releaseBoard(boardID)
            waitFor(AppState.boards.refreshLists(boardID))
            lists = AppState.boards.listsModel(boardID)
            waitFor(AppState.cards.refreshCards(lists.get(0).id))
            const fresh = AppState.cards.cardsModel(lists.get(0).id)
            const record = fresh.get(fresh.indexOf(card.id))
            const paths = ["/1/cards/" + card.id + "/actions", "/1/cards/" + card.id + "/checklists",
                           "/1/cards/" + card.id + "/attachments", "/1/boards/" + boardID + "/labels",
                           "/1/boards/" + boardID + "/members"]
            const counts = function () { return paths.map(function (path) { return Sandbox.requests("GET", path).length }) }
            const before = counts()

            let editor = open(record)
            tryVerify(function () {
                return AppState.details.commentsModel(card.id).loaded && AppState.details.checklistsModel(card.id).loaded
                    && AppState.details.attachmentsModel(card.id).loaded && AppState.boards.labelsModel(boardID).loaded
                    && AppState.boards.membersModel(boardID).loaded
            })
            compare(counts(), before.map(function (n) { return n + 1 }))
            editor.destroy()
            wait(50)

            // Loaded, even if empty: nothing again.
            editor = open(record)
            wait(300)
            compare(counts(), before.map(function (n) { return n + 1 }))
        }

        function test_inTheBoardScreen() {
            const card = makeCard("Followed card", "", null)
            waitFor(AppState.cards.refreshCards(lists.get(1).id))
            const boards = AppState.boards.model
            const screen = createTemporaryObject(screenComponent, host,
                                                 { board: boards.get(boards.indexOf(boardID)) })
            const slot = findChild(screen, "cardEditorSlot")
            screen.openCard(card.id)
            tryVerify(function () { return slot.item !== null })
            const title = findChild(slot.item, "editorTitleField")
            tryVerify(function () { return title.activeFocus })
            typeText(" (edited)")
            // A change made meanwhile reaches the editor's card; the edits stay.
            waitFor(AppState.details.addComment(card.id, "Noted"))
            tryVerify(function () { return slot.item.card.badges && slot.item.card.badges.comments === 1 })
            compare(title.text, "Followed card (edited)")
            // A move elsewhere keeps the editor, on the moved card.
            waitFor(AppState.cards.moveCard(card.id, lists.get(1).id, ""))
            wait(50)
            verify(slot.item !== null)
            compare(slot.item.card.idList, lists.get(1).id)
            // A card that goes closes it.
            waitFor(AppState.cards.archiveCard(card.id))
            tryCompare(screen, "mode", "kanban")
            verify(slot.item === null)

            // Saved: closed, back on the board.
            const other = makeCard("Saved from the board", "", null)
            screen.openCard(other.id)
            tryVerify(function () { return slot.item !== null })
            mouseClick(findChild(slot.item, "saveCardButton"))
            tryCompare(screen, "mode", "kanban")
            compare(puts(other).length, 1)
        }

        function test_datePickerByKeyboard() {
            const card = makeCard("Picked card", "", new Date(2030, 0, 31, 10, 15))
            const editor = open(card)
            const days = part(editor, "dayGrid")
            days.forceActiveFocus()
            keyClick(Qt.Key_PageDown)    // 28 February: the month is shorter
            keyClick(Qt.Key_Right)       // 1 March
            keyClick(Qt.Key_Down)        // 8 March
            keyClick(Qt.Key_Left)        // 7 March
            keyClick(Qt.Key_Up)          // 28 February
            keyClick(Qt.Key_Home)        // 1 February
            keyClick(Qt.Key_End)         // 28 February
            keyClick(Qt.Key_Left)        // 27 February
            keyClick(Qt.Key_PageUp)      // 27 January
            keyClick(Qt.Key_Tab)
            verify(part(editor, "hourField").activeFocus)
            keyClick(Qt.Key_Up)          // 11:15
            keyClick(Qt.Key_Tab)
            verify(part(editor, "minuteField").activeFocus)
            keyClick(Qt.Key_Down)        // 11:14
            compare(save(editor, card).due, iso(new Date(2030, 0, 27, 11, 14)))
        }

        function test_pickerLocales() {
            // 24 hours, Monday first, the month's name in German.
            const german = createTemporaryObject(pickerComponent, host,
                { locale: Qt.locale("de_DE"), value: new Date(2030, 0, 15, 15, 30) })
            compare(findChild(german, "monthTitle").text, "Januar 2030")
            compare(findChild(german, "hourField").displayText, "15")
            verify(!findChild(german, "meridiemField").visible)
            compare(firstWeekday(german), "Mo")

            // 12 hours with AM and PM, Sunday first.
            const american = createTemporaryObject(pickerComponent, host,
                { locale: Qt.locale("en_US"), value: new Date(2030, 0, 15, 15, 30) })
            compare(findChild(american, "hourField").displayText, "03")
            const meridiem = findChild(american, "meridiemField")
            verify(meridiem.visible)
            compare(meridiem.currentText, Qt.locale("en_US").pmText)
            compare(firstWeekday(american), "Sun")
            findChild(american, "hourField").forceActiveFocus()
            keyClick(Qt.Key_Down)
            compare(american.value.getHours(), 14)
            meridiem.forceActiveFocus()
            keyClick(Qt.Key_Up)
            compare(american.value.getHours(), 2)
            // The month buttons turn the page; the value stays.
            mouseClick(findChild(american, "nextMonthButton"))
            compare(findChild(american, "monthTitle").text, "February 2030")
            compare(american.value.getMonth(), 0)
        }
        // The weekday shown leftmost.
        function firstWeekday(picker) {
            const row = findChild(picker, "weekdayRow").contentItem
            let first = null
            for (let i = 0; i < row.children.length; ++i) {
                const cell = row.children[i]
                if (cell.text !== undefined && (first === null || cell.x < first.x))
                    first = cell
            }
            return first ? first.text : ""
        }
    }
}
