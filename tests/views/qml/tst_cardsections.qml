// SPDX-License-Identifier: MIT
// The card editor's labels, members and attachments against the sandbox, its request log as
// the oracle: toggles, the empty-board texts, the link form's rules, removal, and uploads from
// the file dialog (cancelled, two files, a series that outlives the editor).
import QtQuick
import QtTest
import Stavelin
import StavelinTest

Item {
    id: host
    width: 420
    height: 800

    Component { id: labelsComponent; CardLabelsSection { width: 400 } }
    Component { id: membersComponent; CardMembersSection { width: 400 } }
    Component { id: attachmentsComponent; CardAttachmentsSection { width: 400 } }

    StoreTestCase {
        id: test
        name: "CardSections"

        // The sample card "Attachments upload": label Feature, member Ada, two files and a link.
        property var card
        property string boardID
        property string listID

        // The store's copy of the card now, as the editor would hand it on.
        function currentCard() {
            const cards = AppState.cards.cardsModel(listID)
            return cards.get(cards.indexOf(card.id))
        }

        function initTestCase() {
            // Fresh data once (other files change it); the tests below change different parts
            // of the card, and count requests from where they began.
            verify(Sandbox.reset("sample"))
            if (AppState.session.hasCredentials)
                waitFor(AppState.boards.refreshBoards())
            else
                waitFor(AppState.session.saveCredentials(Sandbox.apiKey, Sandbox.token))
            boardID = find(AppState.boards.model, b => b.name === "Product Roadmap").id
            waitFor(AppState.boards.refreshLists(boardID))
            listID = find(AppState.boards.listsModel(boardID), l => l.name === "In Progress").id
            waitFor(AppState.cards.refreshCards(listID))
            card = find(AppState.cards.cardsModel(listID), c => c.name === "Attachments upload")
            waitFor(AppState.boards.loadBoardMeta(boardID))
            waitFor(AppState.attachments.refreshAttachments(card.id))
        }
        function init() {
            Sandbox.setLatency(0)
            AppState.errorMessage = ""
        }

        // A row by name, where it is drawn: a column places new rows at its next polish.
        function row(section, name) {
            const found = findChild(section, name)
            verify(found !== null, name)
            verify(waitForItemPolished(found.parent), name)
            return found
        }
        function ticked(section, name) {
            return findChild(row(section, name), "checkmark").visible
        }

        function test_labels() {
            const section = createTemporaryObject(labelsComponent, host, { card: currentCard() })
            const labels = AppState.boards.labelsModel(boardID)
            compare(findChild(section, "labelRows").count, labels.count)
            verify(!findChild(section, "noLabelsText").visible)
            // A label without a name reads as its colour.
            verify(findChild(section, "label:Yellow") !== null)
            verify(ticked(section, "label:Feature"))
            verify(!ticked(section, "label:Bug"))

            // A row switches its own label: what the service then holds shows ticked.
            mouseClick(row(section, "label:Bug"))
            tryVerify(function () { return currentCard().idLabels.length === 2 })
            section.card = currentCard()
            verify(ticked(section, "label:Bug"))

            // Off again from the keyboard.
            findChild(section, "label:Feature").forceActiveFocus()
            keyClick(Qt.Key_Space)
            tryVerify(function () { return currentCard().idLabels.length === 1 })
            section.card = currentCard()
            verify(!ticked(section, "label:Feature"))
            compare(AppState.errorMessage, "")

            compare(section.labelText({ id: "p", color: "purple" }), "Purple")
            compare(section.labelText({ id: "n", name: "", color: null }), "Label")
        }

        function test_members() {
            const section = createTemporaryObject(membersComponent, host, { card: currentCard() })
            const members = AppState.boards.membersModel(boardID)
            compare(findChild(section, "memberRows").count, members.count)
            verify(ticked(section, "member:adalindqvist"))
            verify(!ticked(section, "member:marcobellini"))
            const marco = find(members, m => m.username === "marcobellini")

            mouseClick(row(section, "member:marcobellini"))
            mouseClick(row(section, "member:adalindqvist"))
            tryVerify(function () { const ids = currentCard().idMembers; return ids.length === 1 && ids[0] === marco.id })
            section.card = currentCard()
            verify(ticked(section, "member:marcobellini"))
            verify(!ticked(section, "member:adalindqvist"))
        }

        function test_emptyBoard() {
            const elsewhere = { id: card.id, name: card.name, idList: listID, idBoard: "no-such-board" }
            verify(findChild(createTemporaryObject(labelsComponent, host, { card: elsewhere }), "noLabelsText").visible)
            verify(findChild(createTemporaryObject(membersComponent, host, { card: elsewhere }), "noMembersText").visible)
        }

        function test_linkForm() {
            const section = createTemporaryObject(attachmentsComponent, host, { card: currentCard() })
            const attachments = AppState.attachments.attachmentsModel(card.id)
            const before = Sandbox.requests("POST", "/1/cards/" + card.id + "/attachments").length
            const posts = function () { return Sandbox.requests("POST", "/1/cards/" + card.id + "/attachments").slice(before) }
            const count = attachments.count

            mouseClick(findChild(section, "addLinkButton"))
            const urlField = findChild(section, "urlField")
            tryVerify(function () { return urlField.visible && urlField.activeFocus })
            // Spaces only: Add disabled, Return sends nothing.
            typeText("   ")
            verify(!findChild(section, "addLinkConfirmButton").enabled)
            keyClick(Qt.Key_Return)
            wait(100)
            compare(posts().length, 0)
            verify(section.adding)

            // No name: sent without one, trimmed, and the form closes.
            typeText("https://example.com/spec ")
            keyClick(Qt.Key_Tab)
            typeText("   ")
            keyClick(Qt.Key_Return)
            tryVerify(function () { return attachments.count === count + 1 })
            compare(posts()[0].url, "https://example.com/spec")
            verify(!("name" in posts()[0]))
            tryVerify(function () { return !section.adding && section.urlText === "" && section.nameText === "" })

            // With a name, through the Add button.
            mouseClick(findChild(section, "addLinkButton"))
            tryVerify(function () { return urlField.activeFocus })
            typeText("http://example.org")
            keyClick(Qt.Key_Tab)
            typeText(" Docs ")
            mouseClick(findChild(section, "addLinkConfirmButton"))
            tryVerify(function () { return findChild(section, "attachment:Docs") !== null })
            compare(posts()[1].name, "Docs")
            const docs = findChild(section, "attachment:Docs")
            compare(findChild(docs, "attachmentLink").url, "http://example.org")

            // Cancel clears the form without sending.
            mouseClick(findChild(section, "addLinkButton"))
            typeText("https://example.net")
            mouseClick(findChild(section, "cancelLinkButton"))
            verify(!section.adding && section.urlText === "")
            compare(posts().length, 2)

            // Removal is at once.
            const docsID = find(attachments, a => a.name === "Docs").id
            mouseClick(findChild(docs, "removeAttachmentButton"))
            tryVerify(function () { return findChild(section, "attachment:Docs") === null })
            compare(Sandbox.requests("DELETE", "/1/cards/" + card.id + "/attachments/" + docsID).length, 1)

            // Only web addresses become links.
            compare(section.webAddress("file:///etc/passwd"), "")
            compare(section.webAddress("javascript:alert(1)"), "")
            compare(AppState.errorMessage, "")
        }

        function test_uploads() {
            const section = createTemporaryObject(attachmentsComponent, host, { card: currentCard() })
            const attachments = AppState.attachments.attachmentsModel(card.id)
            const before = Sandbox.requests("POST", "/1/cards/" + card.id + "/attachments").length
            const uploads = function () { return Sandbox.requests("POST", "/1/cards/" + card.id + "/attachments").length - before }

            // A cancelled dialog, or one confirmed without files, starts nothing.
            mouseClick(findChild(section, "uploadFileButton"))
            tryVerify(function () { return section.fileDialog.visible })
            keyClick(Qt.Key_Escape)
            tryVerify(function () { return !section.fileDialog.visible })
            section.uploadFiles([])
            verify(!section.uploading)
            wait(100)
            compare(uploads(), 0)

            // Two files: two uploads, one after another, with the button off meanwhile.
            const first = Sandbox.writeFile("notes.txt", "first")
            const second = Sandbox.writeFile("plan.md", "second")
            Sandbox.setLatency(150)
            section.uploadFiles([first, second])
            verify(section.uploading)
            verify(!findChild(section, "uploadFileButton").enabled)
            tryVerify(function () { return !section.uploading }, 5000)
            compare(uploads(), 2)
            verify(find(attachments, a => a.name === "notes.txt") !== null)
            verify(find(attachments, a => a.name === "plan.md") !== null)

            // A series runs to its end after the editor has closed.
            const gone = createTemporaryObject(attachmentsComponent, host, { card: currentCard() })
            gone.uploadFiles([first, second])
            gone.destroy()
            tryVerify(function () { return uploads() === 4 }, 5000)
        }
    }
}
