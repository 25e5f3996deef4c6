// SPDX-License-Identifier: MIT
// The question the panel asks when a callback nobody asked for brings another account: its
// text, its buttons by keyboard, and that only Connect switches the account. Ada is
// connected to the sandbox; the callback carries a token of Marco's.
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
            anchors.fill: parent
        }
    }

    Component {
        id: spyComponent
        SignalSpy {}
    }

    StoreTestCase {
        id: test
        name: "AccountConfirmation"

        readonly property string otherToken: "ATTAmarcos0token0from0a0page0he0never0visited0b7e3"

        function init() {
            // Marco is a member of the sample account. (Starting it over would wait for the
            // store's open connections to the old one.)
            if (Sandbox.seed !== "sample")
                verify(Sandbox.reset("sample"))
            verify(Sandbox.acceptToken(otherToken, "marcobellini"))
            waitFor(AppState.session.saveCredentials(Sandbox.apiKey, Sandbox.token))
            compare(AppState.session.member.username, "adalindqvist")
        }

        function cleanup() {
            AppState.session.cancelCallbackAccount()
            waitFor(AppState.session.saveCredentials(Sandbox.apiKey, Sandbox.token))
            AppState.errorMessage = ""
        }

        // The question on the panel, once the callback's token has been checked.
        function ask(view) {
            const dialog = findChild(view, "accountConfirmation")
            verify(dialog !== null)
            verify(!dialog.opened)
            waitFor(AppState.session.handleAuthCallback("stavelin://auth#token=" + otherToken))
            tryVerify(function () { return dialog.opened }, 2000, "the question is shown")
            return { dialog: dialog,
                     cancel: findChild(dialog, "cancelAccountButton"),
                     connect: findChild(dialog, "connectAccountButton") }
        }

        function stillAda(asked) {
            tryVerify(function () { return !asked.dialog.visible }, 2000, "the question is gone")
            verify(AppState.session.callbackAccount === undefined)
            compare(AppState.session.member.username, "adalindqvist")
            compare(AppState.session.token, Sandbox.token)
        }

        function nowMarco(asked) {
            tryVerify(function () { return AppState.session.member.username === "marcobellini" },
                      5000, "connected as Marco")
            compare(AppState.session.token, otherToken)
            verify(!asked.dialog.visible)
        }

        // Clicking Connect is what handoff_e2e.py does to the real program; here the keyboard.
        function test_questionAndKeyboard() {
            const hidden = createTemporaryObject(spyComponent, test,
                                                 { target: Shell, signalName: "hidePanelRequested" })
            const view = createTemporaryObject(rootComponent, host)
            let asked = ask(view)
            compare(findChild(asked.dialog, "accountQuestion").text,
                    "Connect to the account of Marco Bellini (@marcobellini)?")
            compare(findChild(asked.dialog, "accountQuestion").Accessible.role, Accessible.AlertMessage)
            compare(asked.cancel.Accessible.name, "Cancel")
            compare(asked.connect.Accessible.name, "Connect")
            // Cancel has the focus: a stray Return connects nothing.
            verify(asked.cancel.activeFocus)
            keyClick(Qt.Key_Return)
            stillAda(asked)

            // Escape answers Cancel, and leaves the panel open.
            asked = ask(view)
            keyClick(Qt.Key_Escape)
            stillAda(asked)
            compare(hidden.count, 0)

            // Tab reaches Connect; Space presses it.
            asked = ask(view)
            keyClick(Qt.Key_Tab)
            verify(asked.connect.activeFocus)
            keyClick(Qt.Key_Space)
            nowMarco(asked)
        }
    }
}
