// SPDX-License-Identifier: MIT
// Quick add's window against the sandbox: the remembered board and list when they are still
// there, the first ones when they are gone; Escape asks the shell to close it. And the
// Settings row of its shortcut, which records for quick add, not for the panel.
import QtQuick
import QtTest
import Stavelin
import StavelinTest

Item {
    id: host
    width: 480
    height: 700

    Component { id: viewComponent; QuickAddView {} }
    Component { id: fieldComponent; ShortcutField { quickAdd: true; width: 400 } }
    Component { id: spyComponent; SignalSpy {} }

    StoreTestCase {
        id: test
        name: "QuickAdd"

        function initTestCase() {
            if (Sandbox.seed !== "sample")
                verify(Sandbox.reset("sample"))
            waitFor(AppState.session.saveCredentials(Sandbox.apiKey, Sandbox.token))
            waitFor(AppState.boards.refreshBoards())
        }

        function test_rememberedPlace() {
            const boards = AppState.boards.model
            verify(boards.count >= 2)
            const second = boards.get(1).id
            waitFor(AppState.boards.refreshLists(second))
            const lists = AppState.boards.listsModel(second)
            verify(lists.count >= 2)

            Shell.setQuickAddPlace(second, lists.get(1).id)
            let view = createTemporaryObject(viewComponent, host)
            compare(view.boardID, second)
            tryCompare(view, "listID", lists.get(1).id)
            view.destroy()

            // Gone since (an archived board, a list moved away): the first ones instead.
            Shell.setQuickAddPlace("5f0000000000000000000000", "5f0000000000000000000001")
            view = createTemporaryObject(viewComponent, host)
            compare(view.boardID, boards.get(0).id)
            tryVerify(function () {
                const first = AppState.boards.listsModel(boards.get(0).id)
                return first.count > 0 && view.listID === first.get(0).id
            }, 5000, "the first board's first list is offered")

            const closing = createTemporaryObject(spyComponent, test,
                                                  { target: Shell, signalName: "quickAddCloseRequested" })
            keyClick(Qt.Key_Escape)
            compare(closing.count, 1)
        }

        function test_shortcutRow() {
            const field = createTemporaryObject(fieldComponent, host)
            const button = findChild(field, "quickAddShortcutButton")
            verify(button)
            const quick = createTemporaryObject(spyComponent, test,
                                                { target: Shell, signalName: "quickAddShortcutChosen" })
            const panel = createTemporaryObject(spyComponent, test,
                                                { target: Shell, signalName: "shortcutChosen" })
            button.forceActiveFocus()
            keyClick(Qt.Key_Space)
            keyClick(Qt.Key_J, Qt.ControlModifier | Qt.AltModifier)
            compare(quick.count, 1)
            compare(quick.signalArguments[0][0], "Ctrl+Alt+J")
            compare(panel.count, 0)
        }
    }
}
