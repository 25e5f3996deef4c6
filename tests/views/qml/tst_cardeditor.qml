// SPDX-License-Identifier: MIT
// The card editor against the sandbox, its request log as the oracle: what a save sends for
// each kind of edit, a refused save, Return and Escape, the description rendered and edited,
// the sections' forms refused, archive and delete, what opening loads, the editor in the board
// screen, @mentions in the comment field and the description, and the date picker by keyboard
// and in two locales.
import QtQuick
import QtTest
import Stavelin
import StavelinTest

Item {
    id: host
    width: 460
    height: 1000
    // Escapes that reach the panel, which would hide it.
    property int escapes: 0
    Keys.onEscapePressed: ++escapes

    Component { id: editorComponent; CardEditView { anchors.fill: parent; incremental: false } }
    // The board screen on a stack of its own, as the panel has it: the editor opens over it.
    Component { id: stackComponent; ScreenStack { anchors.fill: parent; base: bottom; PanelScreen { id: bottom } } }
    Component { id: shortStackComponent; ScreenStack { width: 460; height: 320; base: bottom; PanelScreen { id: bottom } } }
    Component { id: screenComponent; BoardDetailView {} }
    Component { id: pickerComponent; DateTimePicker {} }
    Component { id: spyComponent; SignalSpy { signalName: "dismissed" } }

    StoreTestCase {
        id: test
        name: "CardEditor"

        property string boardID
        property var lists: null
        // Dismissals of the editor opened last.
        property SignalSpy spy: null

        function initTestCase() {
            waitFor(AppState.session.saveCredentials(Sandbox.apiKey, Sandbox.token))
            const name = "Editor board " + Date.now()
            waitFor(AppState.boards.createBoard(name, ""))
            boardID = find(AppState.boards.model, b => b.name === name).id
            waitFor(AppState.boards.refreshLists(boardID))
            lists = AppState.boards.listsModel(boardID)
            verify(lists.count >= 2)
            waitFor(AppState.cards.refreshCards(lists.get(1).id))
        }

        // A new card in the first list, as the store holds it.
        function makeCard(name, desc, due) {
            const listID = lists.get(0).id
            waitFor(AppState.cards.createCard(listID, name, desc, due))
            waitFor(AppState.cards.refreshCards(listID))
            const card = find(AppState.cards.cardsModel(listID), c => c.name === name)
            verify(card !== null, "card created: " + name)
            return card
        }
        function open(card) {
            const editor = createTemporaryObject(editorComponent, host, { card: card, lists: lists })
            editor.forceActiveFocus()
            spy = createTemporaryObject(spyComponent, test, { target: editor })
            return editor
        }
        function part(item, objectName) {
            const found = findChild(item, objectName)
            verify(found !== null, objectName)
            return found
        }
        function puts(card) {
            return Sandbox.requests("PUT", "/1/cards/" + card.id)
        }
        // Saves with the button; the update's query.
        function save(editor, card) {
            const before = puts(card).length
            mouseClick(part(editor, "saveCardButton"))
            tryVerify(function () { return puts(card).length === before + 1 })
            return puts(card)[before]
        }
        // How the service is sent a date: UTC, whole seconds.
        function iso(date) {
            return new Date(Math.floor(date.getTime() / 1000) * 1000).toISOString().replace(".000Z", "Z")
        }
        function retitle(editor, text) {
            const title = part(editor, "editorTitleField")
            title.forceActiveFocus()
            title.selectAll()
            typeText(text)
        }

        function test_saveArguments_data() {
            const due = new Date(2031, 4, 6, 17, 30)
            return [
                // Nothing changed: only the due fields, and only while a due date is set.
                { tag: "unchanged", due: null, edit: "", sent: {} },
                { tag: "unchanged with due", due: due, edit: "", sent: { due: iso(due), dueComplete: "false" } },
                // Off: cleared when there was one, and no completion either way.
                { tag: "due off", due: due, edit: "dueSwitch", sent: { due: "null" } },
                // On: 24 hours from the opening.
                { tag: "due on", due: null, edit: "dueSwitch", sent: { due: "+24h", dueComplete: "false" } },
                // A trimmed new title, the other list; a description typed and taken back is not sent.
                { tag: "title, list, description back", due: null, edit: "title list desc",
                  sent: { name: "Renamed", idList: 1 } },
            ]
        }
        function test_saveArguments(data) {
            const card = makeCard("Saved " + data.tag, "Words", data.due)
            const opened = Date.now()
            const editor = open(card)
            for (const edit of data.edit.split(" ")) {
                if (edit === "title") {
                    retitle(editor, "  Renamed  ")
                } else if (edit === "list") {
                    part(editor, "listPicker").forceActiveFocus()
                    keyClick(Qt.Key_Down)
                } else if (edit === "desc") {
                    mouseClick(part(editor, "editorDescriptionField"))
                    typeText("!!")
                    keyClick(Qt.Key_Backspace)
                    keyClick(Qt.Key_Backspace)
                } else if (edit !== "") {
                    mouseClick(part(editor, edit))
                }
            }
            const sent = save(editor, card)
            for (const key of ["name", "desc", "due", "dueComplete", "idList"]) {
                const wanted = data.sent[key]
                if (wanted === undefined)
                    verify(!(key in sent), key + " sent")
                else if (wanted === "+24h")
                    verify(Date.parse(sent.due) >= Math.floor(opened / 1000) * 1000 + 86400000
                           && Date.parse(sent.due) <= Date.now() + 86400000, sent.due)
                else if (key === "idList")
                    compare(sent.idList, lists.get(wanted).id)
                else
                    compare(sent[key], wanted, key)
            }
            tryCompare(spy, "count", 1)
        }

        function test_refusedSaveKeepsEdits() {
            const card = makeCard("Refused card", "", null)
            const editor = open(card)
            retitle(editor, "Better name")
            const desc = part(editor, "editorDescriptionField")
            mouseClick(desc)
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
            compare(part(editor, "editorTitleField").text, "Better name")
            compare(desc.text, "Why")
            verify(part(editor, "dueSwitch").checked)
            compare(picker.currentValue, lists.get(1).id)
            verify(part(editor, "saveCardButton").enabled)
            // The retry sends the same and closes; the old error goes first.
            const retried = save(editor, card)
            verify(!error.visible)
            compare(JSON.stringify(retried), JSON.stringify(refused))
            tryCompare(spy, "count", 1)
        }

        // The board screen, on a stack.
        function boardScreen(low) {
            const boards = AppState.boards.model
            const stack = createTemporaryObject(low ? shortStackComponent : stackComponent, host)
            return stack.push(screenComponent, { board: boards.get(boards.indexOf(boardID)) })
        }
        // The editor as the user meets it: opened from its tile's board screen, sections built.
        function openInScreen(card, onBoard) {
            const boards = AppState.boards.model
            const stack = createTemporaryObject(stackComponent, host)
            const screen = stack.push(screenComponent, { board: boards.get(boards.indexOf(onBoard || boardID)) })
            screen.openCard(card.id)
            const editor = screen.editorScreen().editor
            tryVerify(function () { return editor.sectionsBuilt === 5 })
            spy = createTemporaryObject(spyComponent, test, { target: editor })
            return editor
        }

        // Return saves from the card's own fields; in a section's field it sends that field's
        // form only, and the editor stays.
        function test_return() {
            const card = makeCard("Returned card", "", new Date(2030, 0, 31, 10, 15))
            let editor = openInScreen(card)
            tryVerify(function () { return part(editor, "editorTitleField").activeFocus })
            // A title of spaces: Save is off and Return does nothing.
            retitle(editor, "   ")
            keyClick(Qt.Key_Return)
            wait(200)
            // In the description Return is a new line.
            typeText("Named")
            const desc = part(editor, "editorDescriptionField")
            desc.forceActiveFocus()
            keyClick(Qt.Key_Return) // opens the field
            keyClick(Qt.Key_Return)
            compare(desc.text, "\n")
            // A checklist, two items one after the other, a link.
            part(editor, "addChecklistButton").clicked()
            typeText("Steps")
            keyClick(Qt.Key_Return)
            const checklists = AppState.checklists.checklistsModel(card.id)
            tryCompare(checklists, "count", 1)
            part(editor, "addItemButton").clicked()
            for (const item of ["first", "second"]) {
                typeText(item)
                keyClick(Qt.Key_Return)
                tryVerify(function () { return Array.from(checklists.get(0).checkItems).some(i => i.name === item) })
            }
            part(editor, "addLinkButton").clicked()
            typeText("https://example.com/a")
            keyClick(Qt.Key_Return)
            tryCompare(AppState.attachments.attachmentsModel(card.id), "count", 1)
            compare(puts(card).length, 0)
            compare(spy.count, 0)
            // A minute typed in the date picker, then Return: the save has the typed minute.
            const minute = part(editor, "minuteField")
            minute.forceActiveFocus()
            minute.contentItem.selectAll()
            typeText("45")
            keyClick(Qt.Key_Return)
            tryCompare(spy, "count", 1)
            compare(puts(card)[0].due, iso(new Date(2030, 0, 31, 10, 45)))
            compare(puts(card)[0].name, "Named")

            // On a focused button, that button's; in the title it saves.
            editor = openInScreen(card)
            part(editor, "cancelEditButton").forceActiveFocus()
            keyClick(Qt.Key_Return)
            tryCompare(spy, "count", 1)
            editor = openInScreen(card)
            tryVerify(function () { return part(editor, "editorTitleField").activeFocus })
            keyClick(Qt.Key_Return)
            tryCompare(spy, "count", 1)
            compare(puts(card).length, 2)
        }

        // The description shows rendered; a click or Return opens its text field, in which
        // Return is a new line; Escape, or leaving it, shows it rendered again with what was
        // typed, the editor still open.
        function test_descriptionRenderedAndEdited() {
            const card = makeCard("Described card", "", null)
            const editor = open(card)
            const desc = part(editor, "editorDescriptionField")
            const shown = part(desc, "descriptionText")
            compare(shown.text, "Add a description…")
            mouseClick(desc)
            verify(part(desc, "editorDescriptionArea").activeFocus)
            typeText("**Steps**")
            keyClick(Qt.Key_Return)
            typeText("- [ ] one")
            const escapes = host.escapes
            keyClick(Qt.Key_Escape)
            tryVerify(function () { return findChild(desc, "editorDescriptionArea") === null })
            compare(host.escapes, escapes)
            verify(part(desc, "descriptionView").activeFocus)
            compare(desc.text, "**Steps**\n- [ ] one")
            tryCompare(shown, "textFormat", Text.RichText)
            verify(shown.text.indexOf("<b>Steps</b>") >= 0 && shown.text.indexOf("\u2610") >= 0, shown.text)

            keyClick(Qt.Key_Return)
            verify(part(desc, "editorDescriptionArea").activeFocus)
            typeText("!")
            mouseClick(part(editor, "editorTitleField"))
            tryVerify(function () { return findChild(desc, "editorDescriptionArea") === null })
            compare(spy.count, 0)
            compare(puts(card).length, 0)
            compare(save(editor, card).desc, "**Steps**\n- [ ] one!")
        }

        // A section's form that the service refuses keeps what was typed; Escape then closes
        // that form and nothing else.
        function test_refusedFormsAndEscape() {
            const card = makeCard("Forms card", "", null)
            waitFor(AppState.checklists.createChecklist(card.id, "Steps"))
            waitFor(AppState.comments.addComment(card.id, "Mine"))
            const editor = openInScreen(card)
            const forms = [
                { open: "addChecklistButton", field: "newChecklistField", path: "POST /1/checklists" },
                { open: "addItemButton", field: "newItemField", path: "POST /1/checklists/.*/checkItems" },
                { open: "addLinkButton", field: "urlField", path: "POST /1/cards/.*/attachments" },
                { open: "commentRow", field: "commentEditField", path: "PUT /1/actions/.*/text" },
            ]
            const escapes = host.escapes
            for (const form of forms) {
                const [method, path] = form.path.split(" ")
                if (form.open === "commentRow")
                    tryVerify(function () { return findChild(editor, "commentRow") !== null })
                const opener = part(editor, form.open)
                if (form.open === "commentRow")
                    opener.beginEdit()
                else
                    opener.clicked()
                let field = null
                tryVerify(function () { field = findChild(editor, form.field); return field !== null && field.activeFocus })
                typeText(" kept")
                AppState.errorMessage = ""
                Sandbox.failNext(method, path, 500, "Refused")
                keyClick(Qt.Key_Return, form.open === "commentRow" ? Qt.ControlModifier : Qt.NoModifier)
                tryVerify(function () { return AppState.errorMessage !== "" }, 5000, form.field)
                wait(50)
                verify(field.visible, form.field)
                verify(field.text.endsWith(" kept"), form.field + ": " + field.text)
                keyClick(Qt.Key_Escape)
                tryVerify(function () { const f = findChild(editor, form.field); return f === null || !f.visible }, 2000, form.field)
                compare(host.escapes, escapes, form.field)
            }
            compare(spy.count, 0)
            compare(puts(card).length, 0)
            AppState.errorMessage = ""
        }

        function test_archiveAndDelete() {
            const archived = makeCard("Archived card", "", null)
            let editor = open(archived)
            mouseClick(part(editor, "archiveCardButton"))
            tryCompare(spy, "count", 1)
            compare(puts(archived)[0].closed, "true")

            // The confirmation names the card as stored, not as edited.
            const deleted = makeCard("Deleted card", "", null)
            editor = open(deleted)
            retitle(editor, "Edited name")
            const overlay = host.Window.window.contentItem
            mouseClick(part(editor, "deleteCardButton"))
            let confirm = null
            tryVerify(function () { confirm = findChild(overlay, "confirmButton"); return confirm !== null && confirm.visible })
            verify(hasText(overlay, "Delete “Deleted card”?"))
            mouseClick(confirm)
            tryCompare(spy, "count", 1)
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
            const made = makeCard("Loaded card", "", null)
            // The board's labels and members let go too, as when the board closes.
            AppState.boards.releaseBoard(boardID)
            waitFor(AppState.boards.refreshLists(boardID))
            lists = AppState.boards.listsModel(boardID)
            waitFor(AppState.cards.refreshCards(lists.get(0).id))
            waitFor(AppState.cards.refreshCards(lists.get(1).id))
            const cards = AppState.cards.cardsModel(lists.get(0).id)
            const card = cards.get(cards.indexOf(made.id))
            const paths = ["/1/cards/" + card.id + "/actions", "/1/cards/" + card.id + "/checklists",
                           "/1/cards/" + card.id + "/attachments", "/1/boards/" + boardID + "/labels",
                           "/1/boards/" + boardID + "/members"]
            const counts = function () { return paths.map(function (path) { return Sandbox.requests("GET", path).length }) }
            const once = counts().map(function (n) { return n + 1 })

            let editor = open(card)
            tryVerify(function () {
                return AppState.comments.commentsModel(card.id).loaded && AppState.checklists.checklistsModel(card.id).loaded
                    && AppState.attachments.attachmentsModel(card.id).loaded && AppState.boards.labelsModel(boardID).loaded
                    && AppState.boards.membersModel(boardID).loaded
            })
            compare(counts(), once)
            editor.destroy()
            // Loaded, even if empty: nothing again.
            editor = open(card)
            wait(300)
            compare(counts(), once)
        }

        function test_inTheBoardScreen() {
            const card = makeCard("Followed card", "", null)
            const screen = boardScreen()
            screen.openCard(card.id)
            const slot = screen.editorScreen()
            const title = part(slot.editor, "editorTitleField")
            tryVerify(function () { return title.activeFocus })
            typeText(" (edited)")
            // A change made meanwhile reaches the editor's card; the edits stay. On a screen this
            // tall the comments are near, so their rows are made.
            waitFor(AppState.comments.addComment(card.id, "Noted"))
            tryVerify(function () { return slot.editor.card.badges && slot.editor.card.badges.comments === 1 })
            compare(title.text, "Followed card (edited)")
            tryVerify(function () { return findChild(slot.editor, "commentRow") !== null })
            // A move keeps the editor, on the moved card; a card that goes closes it.
            waitFor(AppState.cards.moveCard(card.id, lists.get(1).id, ""))
            wait(50)
            compare(slot.editor.card.idList, lists.get(1).id)
            waitFor(AppState.cards.archiveCard(card.id))
            tryCompare(screen.stack, "currentItem", screen)
            verify(screen.editorScreen() === null)
        }

        // The comment rows wait while the comments are far below the view, and are made once
        // the view comes near them.
        function test_commentRowsWhenNear() {
            const card = makeCard("Commented card", "", null)
            waitFor(AppState.comments.addComment(card.id, "Far below"))
            const screen = boardScreen(true)
            screen.openCard(card.id)
            const editor = screen.editorScreen().editor
            tryVerify(function () { return editor.detailsIn })
            wait(100)
            compare(findChild(editor, "commentRow"), null)
            part(editor, "commentField").forceActiveFocus()
            tryVerify(function () { return findChild(editor, "commentRow") !== null })
            verify(part(editor, "commentText").text.endsWith(">Far below</p>"))
        }

        // An @ in the comment field offers the board's members, narrowed as one types; Return,
        // or a click, puts in "@username ", and the comment sent carries it, the editor still
        // open and nothing saved. Escape closes only the list. The comment then shows each
        // mentioned member's name. In the description an @ does the same: Down and Return pick
        // without a new line, Escape closes the list and leaves the field open.
        function test_mentions() {
            const roadmap = find(AppState.boards.model, b => b.name === "Product Roadmap").id
            waitFor(AppState.boards.refreshLists(roadmap))
            const ideas = AppState.boards.listsModel(roadmap).get(0).id
            waitFor(AppState.cards.createCard(ideas, "Mentioning card", "", null))
            waitFor(AppState.cards.refreshCards(ideas))
            const card = find(AppState.cards.cardsModel(ideas), c => c.name === "Mentioning card")
            const editor = openInScreen(card, roadmap)
            tryCompare(AppState.boards.membersModel(roadmap), "count", 4)
            const escapes = host.escapes
            const field = part(editor, "commentField")
            const popup = part(editor, "commentMentions")
            const offered = function () {
                const list = popup.list
                const out = []
                for (let i = 0; i < list.count; ++i)
                    out.push(list.itemAtIndex(i).name + " @" + list.itemAtIndex(i).username)
                return out
            }
            field.forceActiveFocus()
            typeText("Over to @")
            tryVerify(function () { return popup.opened })
            compare(offered().length, 4)
            typeText("ad")
            tryCompare(popup.list, "count", 1)
            compare(offered(), ["Ada Lindqvist @adalindqvist"])
            keyClick(Qt.Key_Return)
            compare(field.text, "Over to @adalindqvist ")
            tryVerify(function () { return !popup.visible })
            verify(field.activeFocus)

            typeText("and @m")
            tryVerify(function () { return popup.opened })
            compare(offered(), ["Marco Bellini @marcobellini"])
            keyClick(Qt.Key_Escape)
            tryVerify(function () { return !popup.visible })
            typeText("a") // the same mention: the list stays shut
            wait(50)
            verify(!popup.visible)
            verify(field.activeFocus)
            for (let i = 0; i < 3; ++i)
                keyClick(Qt.Key_Backspace)
            typeText("@ram")
            tryVerify(function () { return popup.opened })
            const priya = popup.list.itemAtIndex(0)
            compare(priya.username, "priyaraman")
            mouseClick(priya)
            compare(field.text, "Over to @adalindqvist and @priyaraman ")
            tryVerify(function () { return !popup.visible })
            compare(Sandbox.requests("POST", "/1/cards/" + card.id + "/actions/comments").length, 0)

            keyClick(Qt.Key_Return)
            tryCompare(field, "text", "")
            const posts = Sandbox.requests("POST", "/1/cards/" + card.id + "/actions/comments")
            compare(posts.length, 1)
            compare(posts[0].text, "Over to @adalindqvist and @priyaraman")
            let shown = null
            tryVerify(function () { shown = findChild(editor, "commentText"); return shown !== null })
            tryVerify(function () { return shown.text.indexOf("Priya&nbsp;Raman") >= 0 }, 2000, shown.text)
            verify(shown.text.indexOf("Ada&nbsp;Lindqvist") >= 0 && shown.text.indexOf("@adalindqvist") < 0, shown.text)

            const desc = part(editor, "editorDescriptionField")
            mouseClick(desc)
            typeText("Ask @")
            const descPopup = part(desc, "descriptionMentions")
            tryVerify(function () { return descPopup.opened })
            keyClick(Qt.Key_Down)
            keyClick(Qt.Key_Return)
            compare(desc.text, "Ask @marcobellini ")
            typeText("or @t")
            tryVerify(function () { return descPopup.opened })
            keyClick(Qt.Key_Escape)
            tryVerify(function () { return !descPopup.visible })
            verify(part(desc, "editorDescriptionArea").activeFocus)
            typeText("omasortega")
            keyClick(Qt.Key_Escape)
            tryVerify(function () { return findChild(desc, "editorDescriptionArea") === null })
            const rendered = part(desc, "descriptionText").text
            verify(rendered.indexOf("Marco&nbsp;Bellini") >= 0 && rendered.indexOf("Tomás&nbsp;Ortega") >= 0, rendered)

            compare(host.escapes, escapes)
            compare(spy.count, 0)
            compare(puts(card).length, 0)
        }

        function test_datePickerByKeyboard() {
            const card = makeCard("Picked card", "", new Date(2030, 0, 31, 10, 15))
            const editor = open(card)
            part(editor, "dayGrid").forceActiveFocus()
            const keys = [Qt.Key_PageDown,  // 28 February: the month is shorter
                          Qt.Key_Right,     // 1 March
                          Qt.Key_Down,      // 8 March
                          Qt.Key_Left,      // 7 March
                          Qt.Key_Up,        // 28 February
                          Qt.Key_Home,      // 1 February
                          Qt.Key_End,       // 28 February
                          Qt.Key_Left,      // 27 February
                          Qt.Key_PageUp]    // 27 January
            for (const key of keys)
                keyClick(key)
            keyClick(Qt.Key_Tab)
            verify(part(editor, "hourField").activeFocus)
            keyClick(Qt.Key_Up)             // 11:15
            keyClick(Qt.Key_Tab)
            verify(part(editor, "minuteField").activeFocus)
            keyClick(Qt.Key_Down)           // 11:14
            compare(save(editor, card).due, iso(new Date(2030, 0, 27, 11, 14)))
        }

        function test_pickerLocales() {
            // A 24-hour clock and German month names.
            const german = createTemporaryObject(pickerComponent, host,
                { locale: Qt.locale("de_DE"), value: new Date(2030, 0, 15, 15, 30) })
            compare(part(german, "monthTitle").text, "Januar 2030")
            compare(part(german, "hourField").displayText, "15")
            verify(!part(german, "meridiemField").visible)

            // A 12-hour clock: the hour steps within the afternoon, AM or PM switches it.
            const american = createTemporaryObject(pickerComponent, host,
                { locale: Qt.locale("en_US"), value: new Date(2030, 0, 15, 15, 30) })
            compare(part(american, "hourField").displayText, "03")
            const meridiem = part(american, "meridiemField")
            verify(meridiem.visible)
            compare(meridiem.currentText, Qt.locale("en_US").pmText)
            part(american, "hourField").forceActiveFocus()
            keyClick(Qt.Key_Down)
            compare(american.value.getHours(), 14)
            meridiem.forceActiveFocus()
            keyClick(Qt.Key_Up)
            compare(american.value.getHours(), 2)
            // The month buttons turn the page; the value stays.
            mouseClick(part(american, "nextMonthButton"))
            compare(part(american, "monthTitle").text, "February 2030")
            compare(american.value.getMonth(), 0)

            // A minute stepped across the hour carries into it (and into the day); typed, it does not.
            const late = createTemporaryObject(pickerComponent, host,
                { locale: Qt.locale("de_DE"), value: new Date(2030, 0, 31, 23, 59) })
            part(late, "minuteField").forceActiveFocus()
            keyClick(Qt.Key_Up)
            compare(late.value, new Date(2030, 1, 1, 0, 0))
            keyClick(Qt.Key_Down)
            compare(late.value, new Date(2030, 0, 31, 23, 59))
            part(late, "minuteField").contentItem.selectAll()
            typeText("0")
            keyClick(Qt.Key_Tab)
            compare(late.value, new Date(2030, 0, 31, 23, 0))
        }
    }
}
