// SPDX-License-Identifier: MIT
// Saves pictures of the panel's screens when STAVELIN_SHOTS_DIR is set; otherwise skipped.
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
        id: settingsComponent
        SettingsView {
            width: 480
            height: 360
        }
    }

    TestCase {
        id: shots
        name: "Screenshots"
        when: windowShown

        function waitFor(operation) {
            let done = false
            operation.then(shots, function () { done = true })
            tryVerify(function () { return done }, 5000)
        }

        function save(item, name) {
            wait(150)
            grabImage(item).save(Sandbox.shotsDir + "/" + name + (Theme.dark ? "-dark" : "-light") + ".png")
        }

        function test_screens() {
            if (Sandbox.shotsDir === "")
                skip("STAVELIN_SHOTS_DIR is not set")
            verify(Sandbox.reset("sample"))
            if (!AppState.session.hasCredentials)
                waitFor(AppState.session.saveCredentials(Sandbox.apiKey, Sandbox.token))
            else
                waitFor(AppState.boards.refreshBoards())
            const frame = Qt.createQmlObject("import QtQuick; import Stavelin; Rectangle { color: Theme.windowBackground; anchors.fill: parent }", host)
            const view = createTemporaryObject(rootComponent, host)
            save(view, "boards")

            view.boardSearch = "zebra"
            save(view, "nomatch")
            view.boardSearch = ""

            const list = findChild(view, "boardList")
            tryVerify(function () { return list.itemAtIndex(0) !== null })
            mouseMove(list.itemAtIndex(1).row)
            AppState.errorMessage = "The service did not answer in time."
            save(view, "hover-error")
            AppState.errorMessage = ""

            mouseClick(list.itemAtIndex(0).row)
            tryVerify(function () { const s = findChild(view, "boardColumnStrip"); return s && s.count > 0 }, 5000)
            wait(500)
            save(view, "board")
            mouseClick(findChild(view, "boardsBackButton"))

            mouseClick(findChild(view, "newBoardButton"))
            save(view, "newboard")
            keyClick(Qt.Key_Escape)

            mouseClick(findChild(view, "settingsButton"))
            mouseClick(findChild(view, "advancedToggle"))
            save(view, "settings-panel")
            mouseClick(findChild(view, "settingsButton"))
            view.destroy()

            const settings = createTemporaryObject(settingsComponent, host)
            save(settings, "settings-window")
            settings.destroy()

            AppState.session.clearCredentials()
            const prompt = createTemporaryObject(rootComponent, host)
            prompt.mode = "browsing"
            save(prompt, "prompt")
            frame.destroy()
        }
    }
}
