// SPDX-License-Identifier: MIT
// The settings form, shared by the Settings window and the panel: connecting (in the browser
// or with a typed key and token), the connection status, disconnecting, and the general
// options. Everything it shows is the store's; the typed key and token live there too, so
// both copies of the form show the same text.
import QtQuick
import QtQuick.Controls
import QtQuick.Templates as T
import QtQuick.Layouts
import Stavelin

ColumnLayout {
    id: form

    // Emitted after "Save & Connect" has connected an account. The Settings window ignores it.
    signal connected()

    property bool hasBuiltInAppKey: AppState.session.hasBuiltInAppKey
    property bool manualExpanded: false

    spacing: 14

    // Connection
    ColumnLayout {
        visible: form.hasBuiltInAppKey
        spacing: 8
        Layout.fillWidth: true

        Text {
            text: qsTr("Connect Stavelin to your Trello account.")
            font: Theme.calloutFont
            color: Theme.secondary
            wrapMode: Text.Wrap
            Layout.fillWidth: true
        }
        RowLayout {
            spacing: 8
            ActionButton {
                objectName: "connectBrowserButton"
                prominent: true
                label: qsTr("Connect to Trello…")
                // The large control size.
                topPadding: 8
                bottomPadding: 8
                leftPadding: 16
                rightPadding: 16
                enabled: !AppState.session.isValidatingCredentials
                onClicked: AppState.session.beginBrowserAuth()
            }
            Spinner {
                visible: AppState.session.isValidatingCredentials
            }
        }
        Text {
            text: qsTr("Trello opens in your browser — sign in, click Allow, and you'll be brought back here automatically.")
            font: Theme.captionFont
            color: Theme.secondary
            wrapMode: Text.Wrap
            Layout.fillWidth: true
        }
    }

    ColumnLayout {
        visible: !form.hasBuiltInAppKey
        spacing: 10
        Layout.fillWidth: true

        Text {
            text: qsTr("Connect this app to your Trello account.")
            font: Theme.calloutFont
            color: Theme.secondary
            wrapMode: Text.Wrap
            Layout.fillWidth: true
        }
        Loader {
            id: plainFields
            active: !form.hasBuiltInAppKey
            sourceComponent: manualFields
            Layout.fillWidth: true

            Connections {
                target: plainFields.item
                function onConnected(): void { form.connected() }
            }
        }
    }

    Text {
        objectName: "credentialsStatusText"
        visible: AppState.session.credentialsStatus !== ""
        text: AppState.session.credentialsStatus
        textFormat: Text.PlainText
        font: Theme.captionFont
        color: AppState.session.credentialsStatusIsError ? Theme.red : Theme.green
        wrapMode: Text.Wrap
        Layout.fillWidth: true
        Accessible.role: AppState.session.credentialsStatusIsError ? Accessible.AlertMessage
                                                           : Accessible.StaticText
        Accessible.name: text
    }

    ActionButton {
        objectName: "disconnectButton"
        visible: AppState.session.hasCredentials
        destructive: true
        label: qsTr("Disconnect")
        onClicked: AppState.session.clearCredentials()
    }

    // "Advanced: use your own API key", folded away when the program has its own key.
    ColumnLayout {
        visible: form.hasBuiltInAppKey
        spacing: 10
        Layout.fillWidth: true

        T.AbstractButton {
            id: disclosure
            implicitWidth: Math.max(implicitBackgroundWidth + leftInset + rightInset,
                                    implicitContentWidth + leftPadding + rightPadding)
            implicitHeight: Math.max(implicitBackgroundHeight + topInset + bottomInset,
                                     implicitContentHeight + topPadding + bottomPadding)
            objectName: "advancedToggle"
            text: qsTr("Advanced: use your own API key")
            checkable: true
            checked: form.manualExpanded
            onToggled: form.manualExpanded = checked
            hoverEnabled: true
            focusPolicy: Qt.StrongFocus
            padding: 2
            Accessible.role: Accessible.Button
            Accessible.name: text
            Accessible.checkable: true
            Accessible.checked: checked
            Accessible.onPressAction: toggle()
            Keys.onReturnPressed: toggle()
            Keys.onEnterPressed: toggle()

            contentItem: RowLayout {
                spacing: 4
                Symbol {
                    name: disclosure.checked ? "chevron.down" : "chevron.right"
                    color: Theme.secondary
                    Layout.preferredWidth: 9
                    Layout.preferredHeight: 9
                }
                Text {
                    text: disclosure.text
                    font: Theme.captionFont
                    color: disclosure.hovered ? Theme.primary : Theme.secondary
                }
            }
            background: Rectangle {
                radius: 4
                color: "transparent"
                border.width: disclosure.visualFocus ? 2 : 0
                border.color: Theme.accent
            }
        }
        Loader {
            id: advancedFields
            active: form.hasBuiltInAppKey && form.manualExpanded
            visible: active
            sourceComponent: manualFields
            Layout.fillWidth: true

            Connections {
                target: advancedFields.item
                function onConnected(): void { form.connected() }
            }
        }
    }

    Rectangle {
        color: Theme.separator
        implicitHeight: 1
        Layout.fillWidth: true
        Layout.topMargin: 4
        Layout.bottomMargin: 4
    }

    // General
    ColumnLayout {
        spacing: 8
        Layout.fillWidth: true

        SectionHeader {
            title: qsTr("General")
            Layout.fillWidth: true
        }
        Switch {
            id: launchSwitch
            objectName: "launchAtLoginSwitch"
            text: qsTr("Launch at login")
            // Shows the store's state; flipping it asks the store, which decides.
            checked: AppState.session.launchAtLogin
            Accessible.name: text
            onToggled: {
                const wanted = checked
                checked = Qt.binding(function () { return AppState.session.launchAtLogin })
                AppState.session.setLaunchAtLogin(wanted)
            }
        }
        Switch {
            objectName: "desktopNotificationsSwitch"
            text: qsTr("Show desktop notifications")
            checked: Shell.desktopNotifications
            Accessible.name: text
            onToggled: {
                const wanted = checked
                checked = Qt.binding(function () { return Shell.desktopNotifications })
                Shell.desktopNotifications = wanted
            }
        }
        Switch {
            objectName: "dueRemindersSwitch"
            text: qsTr("Remind me of due dates")
            // The store keeps the preference; turned off, no cards are fetched for reminders.
            checked: AppState.reminders.enabled
            Accessible.name: text
            onToggled: {
                const wanted = checked
                checked = Qt.binding(function () { return AppState.reminders.enabled })
                AppState.reminders.enabled = wanted
            }
        }
        ShortcutField {
            Layout.fillWidth: true
        }
        ShortcutField {
            quickAdd: true
            Layout.fillWidth: true
        }
    }

    Component {
        id: manualFields
        ManualCredentialsFields {}
    }
}
