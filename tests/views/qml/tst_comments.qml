// SPDX-License-Identifier: MIT
// The card editor's comments against the sandbox, with its request log as the oracle: what can
// be sent and by which keys, a refused comment kept in the field, the reaction chips and what
// they and the add-reaction menu toggle, the menu and editing of the member's own comments, and
// the empty and loading states.
import QtQuick
import QtTest
import Stavelin
import StavelinTest

Item {
    id: host
    width: 420
    height: 900

    Component {
        id: sectionComponent
        CommentsSection { width: 400 }
    }

    // Somewhere else for the keyboard focus to be.
    Rectangle {
        id: elsewhere
        width: 10
        height: 10
        activeFocusOnTab: true
    }

    StoreTestCase {
        id: test
        name: "CommentsSection"

        property var cardsByName: ({})

        function initTestCase() {
            verify(Sandbox.reset("sample"))
            waitFor(AppState.session.saveCredentials(Sandbox.apiKey, Sandbox.token))
            const boards = AppState.boards.model
            for (let b = 0; b < boards.count; ++b) {
                waitFor(AppState.boards.refreshLists(boards.get(b).id))
                const lists = AppState.boards.listsModel(boards.get(b).id)
                for (let l = 0; l < lists.count; ++l) {
                    waitFor(AppState.cards.refreshCards(lists.get(l).id))
                    const cards = AppState.cards.cardsModel(lists.get(l).id)
                    for (let c = 0; c < cards.count; ++c)
                        cardsByName[cards.get(c).name] = cards.get(c)
                }
            }
        }

        function cleanup() {
            Sandbox.setLatency(0)
            AppState.errorMessage = ""
        }

        // The section for a card, its comments loaded.
        function open(name) {
            const section = createTemporaryObject(sectionComponent, host, { card: cardsByName[name] })
            waitFor(AppState.comments.refreshComments(section.cardID))
            return section
        }
        // The children of `parent` named so, in the order they are laid out.
        function childrenNamed(parent, objectName) {
            const found = []
            for (let i = 0; i < parent.children.length; ++i) {
                if (parent.children[i].objectName === objectName)
                    found.push(parent.children[i])
            }
            return found.sort(function (a, b) { return a.y - b.y || a.x - b.x })
        }
        // The comment rows, top to bottom, once they are all made.
        function rows(section) {
            const slots = childrenNamed(findChild(section, "commentRows"), "commentSlot")
            tryVerify(function () { return slots.every(function (slot) { return slot.item !== null }) })
            return slots.map(function (slot) { return slot.item })
        }
        function chips(row) {
            return childrenNamed(findChild(row, "reactionsBar"), "reactionChip")
        }
        function chipTexts(row) {
            return chips(row).map(function (chip) {
                return findChild(chip, "reactionEmoji").text + " " + findChild(chip, "reactionCount").text
                       + (chip.modelData.mine ? " mine" : "")
            })
        }
        // Waits until the row's chips read so (the chips follow the store a moment later) and
        // stand where they are drawn: the bar places new chips at its next polish, and until
        // then they all lie at its corner, the last made on top, taking each other's clicks.
        function chipsRead(row, expected) {
            tryVerify(function () { return JSON.stringify(chipTexts(row)) === JSON.stringify(expected) })
            compare(chipTexts(row), expected)
            const bar = findChild(row, "reactionsBar")
            tryVerify(function () { return !isPolishScheduled(bar) }, 5000, "the chips are placed")
        }
        // The row's menu button is there and can be seen (other members' rows have none).
        function hasMenu(row) {
            const button = findChild(row, "commentMenuButton")
            return button !== null && button.visible
        }
        function openedMenu(parent, button, objectName) {
            mouseClick(findChild(parent, button))
            let menu = null
            tryVerify(function () {
                menu = findChild(parent, objectName)
                return menu !== null && menu.opened
            })
            return menu
        }

        function test_sendKeys() {
            const section = open("Offline mode")
            const field = findChild(section, "commentField")
            const send = findChild(section, "sendCommentButton")
            const posts = function () { return Sandbox.requests("POST", "/1/cards/" + section.cardID + "/actions/comments") }

            // Spaces and line breaks only: nothing to send, and Return does nothing.
            field.forceActiveFocus()
            verify(section.commentFocused)
            typeText("  ")
            keyClick(Qt.Key_Return, Qt.AltModifier)
            verify(!send.enabled)
            keyClick(Qt.Key_Return)
            keyClick(Qt.Key_Return, Qt.ControlModifier)
            wait(100)
            compare(posts().length, 0)
            compare(field.text, "  \n")

            // Alt+Return breaks the line; Return sends the trimmed text.
            field.clear()
            typeText("First")
            keyClick(Qt.Key_Return, Qt.AltModifier)
            typeText("second ")
            compare(field.text, "First\nsecond ")
            compare(posts().length, 0)
            keyClick(Qt.Key_Return)
            tryCompare(field, "text", "")
            compare(posts().length, 1)
            compare(posts()[0].text, "First\nsecond")

            // Ctrl+Return sends while the focus is elsewhere.
            typeText(" Third")
            elsewhere.forceActiveFocus()
            verify(!section.commentFocused)
            keyClick(Qt.Key_Return, Qt.ControlModifier)
            tryCompare(field, "text", "")
            compare(posts().length, 2)
            compare(posts()[1].text, "Third")
            compare(AppState.errorMessage, "")
        }

        function test_refusedSendKeepsText() {
            const section = open("Dark theme for the panel")
            const field = findChild(section, "commentField")
            const send = findChild(section, "sendCommentButton")
            field.forceActiveFocus()
            typeText("A long thought")

            Sandbox.failNext("POST", "/1/cards/.*/actions/comments", 500, "Internal Server Error")
            keyClick(Qt.Key_Return)
            tryVerify(function () { return AppState.errorMessage !== "" })
            tryVerify(function () { return send.enabled })
            compare(field.text, "A long thought")
            compare(section.comments.count, 0)

            // While a send runs, its text stays as it is and cannot be sent twice.
            Sandbox.setLatency(300)
            mouseClick(send)
            verify(!send.enabled)
            verify(field.readOnly)
            keyClick(Qt.Key_Return)
            compare(field.text, "A long thought")
            tryCompare(field, "text", "", 5000)
            compare(Sandbox.requests("POST", "/1/cards/" + section.cardID + "/actions/comments").length, 2)
            compare(section.comments.count, 1)
        }

        function test_reactionChips() {
            const section = open("Comment reactions")
            const last = section.comments.count - 1
            const oldest = section.comments.get(last)
            const me = AppState.session.member.id
            // The rows' own first fetch is done, so the answer below goes to the refresh's.
            tryVerify(function () { return AppState.comments.reactionsModel(oldest.id).loaded })
            // 👍, ❤️, 👍🏽 from three members (one primary name, +1, for both thumbs), the heart the
            // signed-in member's; then reactions without an emoji or without its character.
            Sandbox.failNext("GET", "/1/actions/" + oldest.id + "/reactions", 200, JSON.stringify([
                { id: "r1", idMember: "other1", emoji: { native: "👍", shortName: "+1" } },
                { id: "r2", idMember: me, emoji: { native: "❤️", shortName: "heart" } },
                { id: "r3", idMember: "other2", emoji: { native: "👍🏽", shortName: "+1" } },
                { id: "r4", idMember: "other3" },
                { id: "r5", idMember: "other4", emoji: { shortName: "ghost" } },
                { id: "r6", idMember: "other5", emoji: { native: "", shortName: "blank" } }
            ]))
            waitFor(AppState.comments.refreshComments(section.cardID))
            const row = rows(section)[last]
            chipsRead(row, ["👍 2", "❤️ 1 mine"])

            // A chip sends its group's short name: the member has no 👍 yet, so it is added.
            const reactionPath = "/1/actions/" + oldest.id + "/reactions"
            mouseClick(chips(row)[0])
            tryVerify(function () { return Sandbox.requests("POST", reactionPath).length === 1 })
            compare(Sandbox.requests("POST", reactionPath)[0].shortName, "+1")
            // The service's own list comes back: the seeded 🤔 and the member's 👍.
            chipsRead(row, ["🤔 1", "👍 1 mine"])

            // The menu's 👍 goes by the primary name, as the service's answer does: it takes the
            // member's reaction back, then adds it.
            let menu = openedMenu(row, "addReactionButton", "addReactionMenu")
            mouseClick(menu.itemAt(0))
            tryVerify(function () { return Sandbox.requests("DELETE", reactionPath + "/.*").length === 1 })
            chipsRead(row, ["🤔 1"])
            menu = openedMenu(row, "addReactionButton", "addReactionMenu")
            mouseClick(menu.itemAt(0))
            tryVerify(function () { return Sandbox.requests("POST", reactionPath).length === 2 })
            compare(Sandbox.requests("POST", reactionPath)[1].shortName, "+1")
            chipsRead(row, ["🤔 1", "👍 1 mine"])

            // By keyboard: the focus stays on a chip that is made again, and goes to the add
            // button when the chip is gone.
            chips(row)[0].forceActiveFocus()
            keyClick(Qt.Key_Space)
            chipsRead(row, ["🤔 2 mine", "👍 1 mine"])
            compare(Sandbox.requests("POST", reactionPath)[2].shortName, "thinking_face")
            verify(chips(row)[0].activeFocus)
            chips(row)[1].forceActiveFocus()
            keyClick(Qt.Key_Return)
            chipsRead(row, ["🤔 2 mine"])
            verify(findChild(row, "addReactionButton").activeFocus)
            compare(AppState.errorMessage, "")
        }

        function test_reactionsFollowTheView() {
            // Rows far from the view fetch no reactions; each fetches its own as the view comes
            // near, once.
            const card = cardsByName["Comment reactions"]
            AppState.releaseCardDetails(card.id)
            const section = createTemporaryObject(sectionComponent, host,
                                                  { card: card, viewTop: 5000, viewHeight: 400 })
            const pattern = "/1/actions/.*/reactions"
            const before = Sandbox.requests("GET", pattern).length
            waitFor(AppState.comments.refreshComments(section.cardID))
            const count = rows(section).length
            verify(count > 0)
            wait(150)
            compare(Sandbox.requests("GET", pattern).length, before)
            section.viewTop = 0
            tryVerify(function () { return Sandbox.requests("GET", pattern).length === before + count })
            wait(150)
            compare(Sandbox.requests("GET", pattern).length, before + count)
        }

        function test_ownComments() {
            const section = open("Comment reactions")
            const all = rows(section)
            compare(all.length, 3)
            // Only the member's own comment, the newest, has a menu.
            compare(all.map(hasMenu), [true, false, false])
            compare(findChild(all[0], "commentAuthor").text, "Ada Lindqvist")
            // Its date reads as time elapsed, and follows the section's clock.
            compare(findChild(all[0], "commentDate").text, "7 hours ago")
            section.now = new Date(Date.now() + 3 * 86400 * 1000)
            compare(findChild(all[0], "commentDate").text, "3 days ago")

            // Edit in place: the menu goes while editing; only a trimmed, non-empty text saves.
            const own = all[0]
            let menu = openedMenu(own, "commentMenuButton", "commentMenu")
            mouseClick(findChild(menu, "editCommentItem"))
            let field = null
            tryVerify(function () {
                field = findChild(own, "commentEditField")
                return field !== null && field.activeFocus
            })
            compare(field.text, "Shipped behind a flag 🚀")
            verify(!hasMenu(own))
            field.selectAll()
            typeText("  ")
            verify(!findChild(own, "saveEditButton").enabled)
            typeText("Out for everyone ")
            mouseClick(findChild(own, "saveEditButton"))
            tryVerify(function () { return !own.isEditing })
            verify(findChild(own, "commentText").text.endsWith(">Out for everyone</p>"))
            verify(hasMenu(own))

            // Ctrl+Return in the edit field saves the edit, even with a new comment typed.
            const compose = findChild(section, "commentField")
            compose.text = "Not yet"
            menu = openedMenu(own, "commentMenuButton", "commentMenu")
            mouseClick(findChild(menu, "editCommentItem"))
            tryVerify(function () { return own.isEditing && findChild(own, "commentEditField").activeFocus })
            typeText("!")
            keyClick(Qt.Key_Return, Qt.ControlModifier)
            tryVerify(function () { return !own.isEditing })
            tryVerify(function () { return findChild(own, "commentText").text.endsWith(">Out for everyone!</p>") })
            compare(compose.text, "Not yet")
            tryVerify(function () { return findChild(own, "commentMenuButton").activeFocus }, 1000, "the focus is back on the menu")
            compare(Sandbox.requests("POST", "/1/cards/" + section.cardID + "/actions/comments").length, 0)

            // Delete, at once.
            menu = openedMenu(own, "commentMenuButton", "commentMenu")
            mouseClick(findChild(menu, "deleteCommentItem"))
            tryCompare(section.comments, "count", 2)
            compare(AppState.errorMessage, "")
        }

        function test_unknownAuthorAndStates() {
            // No comments and nothing loading: the empty text; while loading: only the spinner.
            const fresh = cardsByName["Keyboard shortcut cheat sheet"]
            Sandbox.setLatency(300)
            const section = createTemporaryObject(sectionComponent, host, { card: fresh })
            const spinner = findChild(section, "commentsLoading")
            const empty = findChild(section, "noComments")
            const load = AppState.comments.refreshComments(fresh.id)
            verify(spinner.visible)
            verify(!empty.visible)
            waitFor(load)
            verify(!spinner.visible)
            verify(empty.visible)
            Sandbox.setLatency(0)

            // A comment without its creator: "Unknown", and never the member's own.
            Sandbox.failNext("GET", "/1/cards/" + fresh.id + "/actions", 200, JSON.stringify([
                { id: "c1", date: "2024-05-01T10:00:00.000Z", data: { text: "Who wrote this?" } }
            ]))
            waitFor(AppState.comments.refreshComments(fresh.id))
            verify(!empty.visible)
            const row = rows(section)[0]
            compare(findChild(row, "commentAuthor").text, "Unknown")
            verify(!hasMenu(row))
        }
    }
}
