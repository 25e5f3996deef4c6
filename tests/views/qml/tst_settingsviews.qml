// SPDX-License-Identifier: MIT
// The settings form in the Settings window and in the panel, on a store connected to the
// sandbox: when its buttons may be used, the status line, disconnecting, the token link.
import QtQuick
import QtTest
import Stavelin
import StavelinTest

Item {
    id: host
    width: 480
    height: 560

    Component {
        id: windowComponent
        SettingsView {
            width: 480
            height: 560
        }
    }

    Component {
        id: panelComponent
        SettingsPanelView {
            width: 420
            height: 500
        }
    }

    Component {
        id: spyComponent
        SignalSpy {}
    }

    // The panel's settings inside a parent that counts the keys the form let through.
    Component {
        id: keyedPanelComponent
        FocusScope {
            property int keysLetThrough: 0
            property alias view: inner
            width: 420
            height: 500
            Keys.onPressed: keysLetThrough++
            SettingsPanelView {
                id: inner
                anchors.fill: parent
            }
        }
    }

    StoreTestCase {
        id: test
        name: "SettingsViews"

        function init() {
            AppState.session.clearCredentials()
            AppState.session.credentialsDraftKey = ""
            AppState.session.credentialsDraftToken = ""
        }

        function child(parent, objectName) {
            let found = null
            tryVerify(function () {
                found = findChild(parent, objectName)
                return found !== null
            }, 2000, objectName)
            return found
        }

        // Opens "Advanced: use your own API key" and types into its fields.
        function openManualFields(view) {
            mouseClick(child(view, "advancedToggle"))
            waitForRendering(view)
            return { key: child(view, "apiKeyField"), token: child(view, "tokenField"),
                     save: child(view, "saveConnectButton"), link: child(view, "tokenLink") }
        }

        function typeInto(field, text) {
            mouseClick(field)
            field.selectAll()
            keyClick(Qt.Key_Delete)
            for (const c of text)
                keyClick(c)
        }

        function test_saveNeedsKeyAndToken() {
            const view = createTemporaryObject(windowComponent, host)
            const fields = openManualFields(view)
            verify(!fields.save.enabled)
            typeInto(fields.key, "   ")
            typeInto(fields.token, Sandbox.token)
            verify(!fields.save.enabled, "a key of spaces only")
            typeInto(fields.key, Sandbox.apiKey)
            verify(fields.save.enabled)
            typeInto(fields.token, "   ")
            verify(!fields.save.enabled, "a token of spaces only")
            // Return in a field does not get past the disabled button either.
            const validations = Sandbox.requests("GET", "/1/members/me").length
            keyClick(Qt.Key_Return)
            verify(!AppState.session.isValidatingCredentials)
            wait(100)
            compare(Sandbox.requests("GET", "/1/members/me").length, validations)
        }

        function test_tokenLinkFollowsTypedKey() {
            const view = createTemporaryObject(windowComponent, host)
            const fields = openManualFields(view)
            const prefix = AppState.session.authorizePageURL
                + "?expiration=never&name=Stavelin&scope=read,write&response_type=token&key="
            compare(fields.link.url.toString(), prefix + "YOUR_API_KEY")
            typeInto(fields.key, "  abc  ")
            compare(fields.link.url.toString(), prefix + "abc")
            // The key travels as one query value, whatever is typed.
            typeInto(fields.key, "a&b")
            compare(fields.link.url.toString(), prefix + "a%26b")
        }

        function test_statusLineAndDisconnect() {
            const view = createTemporaryObject(windowComponent, host)
            const form = child(view, "settingsForm")
            const connected = createTemporaryObject(spyComponent, test, { target: form, signalName: "connected" })
            const fields = openManualFields(view)
            const status = child(view, "credentialsStatusText")
            const disconnect = child(view, "disconnectButton")
            verify(!disconnect.visible)

            // A refused token: the status line reports it as an error, nothing is connected.
            typeInto(fields.key, Sandbox.apiKey)
            typeInto(fields.token, "not-the-token")
            mouseClick(fields.save)
            tryVerify(function () { return !AppState.session.isValidatingCredentials && status.visible }, 5000)
            verify(AppState.session.credentialsStatusIsError)
            compare(status.text, AppState.session.credentialsStatus)
            compare(status.color, Theme.red)
            compare(connected.count, 0)

            // The right pair, sent with Return from the token field.
            typeInto(fields.token, "  " + Sandbox.token + " ")
            keyClick(Qt.Key_Return)
            tryCompare(connected, "count", 1, 5000)
            verify(!AppState.session.credentialsStatusIsError)
            compare(status.color, Theme.green)
            verify(status.text.startsWith("Connected as "))
            verify(disconnect.visible)

            mouseClick(disconnect)
            verify(!AppState.session.hasCredentials)
            verify(!disconnect.visible)
            compare(status.text, AppState.session.credentialsStatus)
            compare(status.color, Theme.green)
        }

        function test_panelBackAfterConnecting() {
            const panel = createTemporaryObject(panelComponent, host)
            const connected = createTemporaryObject(spyComponent, test, { target: panel, signalName: "connected" })
            const back = child(panel, "settingsBackButton")
            verify(!back.enabled)
            const fields = openManualFields(panel)
            typeInto(fields.key, Sandbox.apiKey)
            typeInto(fields.token, Sandbox.token)
            mouseClick(fields.save)
            tryCompare(connected, "count", 1, 5000)
            verify(back.enabled)
            const close = createTemporaryObject(spyComponent, test, { target: panel, signalName: "closeRequested" })
            mouseClick(back)
            compare(close.count, 1)
        }

        function test_generalSwitches() {
            const view = createTemporaryObject(windowComponent, host)
            const toggle = child(view, "launchAtLoginSwitch")
            const before = AppState.session.launchAtLogin
            compare(toggle.checked, before)
            mouseClick(toggle)
            compare(AppState.session.launchAtLogin, !before)
            compare(toggle.checked, !before)
            mouseClick(toggle)
            compare(AppState.session.launchAtLogin, before)

            // Due reminders, on by default: the switch and the store's preference follow each
            // other (reached with the keyboard, as it may lie below the fold).
            const remind = child(view, "dueRemindersSwitch")
            verify(remind.checked && AppState.reminders.enabled)
            remind.forceActiveFocus()
            keyClick(Qt.Key_Space)
            verify(!AppState.reminders.enabled && !remind.checked)
            keyClick(Qt.Key_Space)
            verify(AppState.reminders.enabled && remind.checked)
        }

        // The shortcut recorder where the user meets it, in the panel: every key while it
        // records is its own (Escape must not reach the panel, which would hide), a modifier
        // alone waits, a key without Ctrl, Alt or Super is refused with a hint.
        function test_shortcutRecorder() {
            const host = createTemporaryObject(keyedPanelComponent, test)
            const button = child(host.view, "shortcutButton")
            const status = child(host.view, "shortcutStatus")
            const chosen = createTemporaryObject(spyComponent, test,
                                                 { target: Shell, signalName: "shortcutChosen" })
            // The general options lie below the fold; the button is reached with the keyboard.
            const start = function () {
                button.forceActiveFocus()
                keyClick(Qt.Key_Space)
            }
            start()
            compare(button.label, "Press the new shortcut…")
            keyClick(Qt.Key_Escape)
            verify(button.label !== "Press the new shortcut…", "Escape cancels")
            compare(host.keysLetThrough, 0)
            compare(chosen.count, 0)

            start()
            keyPress(Qt.Key_Control, Qt.ControlModifier)
            keyClick(Qt.Key_K)
            compare(chosen.count, 0)
            compare(status.text, "Use Ctrl, Alt or Super with the key.")
            keyClick(Qt.Key_Return)
            compare(chosen.count, 0, "Return is a key like any other here")
            keyClick(Qt.Key_K, Qt.ControlModifier | Qt.AltModifier)
            compare(chosen.count, 1)
            compare(chosen.signalArguments[0][0], "Ctrl+Alt+K")
            verify(button.label !== "Press the new shortcut…")

            start()
            keyClick(Qt.Key_Backspace)
            compare(chosen.count, 2)
            compare(chosen.signalArguments[1][0], "", "Backspace clears")
            compare(host.keysLetThrough, 0)
            keyClick(Qt.Key_Escape)
            compare(host.keysLetThrough, 1, "not recording: Escape goes on to the panel")
        }
    }
}
