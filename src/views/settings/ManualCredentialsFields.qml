// SPDX-License-Identifier: MIT
// The typed way to connect: API key and token fields, links to the pages that give them, and
// "Save & Connect". The typed texts are the store's drafts, so every copy of these fields
// shows the same text.
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Stavelin

ColumnLayout {
    id: fields

    // Emitted once "Save & Connect" has connected an account.
    signal connected()

    // The page that makes a token for the typed key; it follows what is typed.
    readonly property string tokenAuthURL: {
        const key = AppState.session.credentialsDraftKey.trim()
        return AppState.session.authorizePageURL
            + "?expiration=never&name=Stavelin&scope=read,write&response_type=token&key="
            + (key === "" ? "YOUR_API_KEY" : encodeURIComponent(key))
    }
    readonly property bool canSave: !AppState.session.isValidatingCredentials
                                    && AppState.session.credentialsDraftKey.trim() !== ""
                                    && AppState.session.credentialsDraftToken.trim() !== ""

    function saveAndConnect(): void {
        if (!canSave)
            return
        // Tied to the fields: no callback once the panel has left its settings. A pair the
        // keyring refused to store is in use but gone at the next start: the status line says
        // so in red, and the settings stay for the user to read it.
        AppState.session.saveDraftCredentials().then(fields, function (outcome) {
            if (outcome.ok && AppState.session.hasCredentials && !AppState.session.credentialsStatusIsError)
                fields.connected()
        })
    }

    spacing: 12

    ColumnLayout {
        spacing: 4
        Layout.fillWidth: true
        SectionHeader {
            title: qsTr("API Key")
            Layout.fillWidth: true
        }
        TextField {
            objectName: "apiKeyField"
            placeholderText: qsTr("Trello API key")
            text: AppState.session.credentialsDraftKey
            inputMethodHints: Qt.ImhNoPredictiveText | Qt.ImhNoAutoUppercase
            selectByMouse: true
            Layout.fillWidth: true
            Accessible.name: qsTr("API Key")
            onTextEdited: AppState.session.credentialsDraftKey = text
            onAccepted: fields.saveAndConnect()
        }
    }
    ColumnLayout {
        spacing: 4
        Layout.fillWidth: true
        SectionHeader {
            title: qsTr("Token")
            Layout.fillWidth: true
        }
        TextField {
            objectName: "tokenField"
            placeholderText: qsTr("Trello API token")
            text: AppState.session.credentialsDraftToken
            echoMode: TextInput.Password
            inputMethodHints: Qt.ImhSensitiveData | Qt.ImhNoPredictiveText
            selectByMouse: true
            Layout.fillWidth: true
            Accessible.name: qsTr("Token")
            onTextEdited: AppState.session.credentialsDraftToken = text
            onAccepted: fields.saveAndConnect()
        }
    }
    RowLayout {
        spacing: 12
        LinkButton {
            objectName: "apiKeyLink"
            text: qsTr("Get an API key")
            url: AppState.session.developerKeyPageURL
        }
        LinkButton {
            objectName: "tokenLink"
            text: qsTr("Generate a token")
            url: fields.tokenAuthURL
        }
    }
    RowLayout {
        spacing: 8
        ActionButton {
            objectName: "saveConnectButton"
            prominent: true
            label: qsTr("Save & Connect")
            enabled: fields.canSave
            onClicked: fields.saveAndConnect()
        }
        Spinner {
            visible: AppState.session.isValidatingCredentials
        }
        Item { Layout.fillWidth: true }
    }
}
