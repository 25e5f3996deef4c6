// SPDX-License-Identifier: MIT
// What the panel shows before any account is connected.
import QtQuick
import QtQuick.Layouts
import Stavelin

FocusScope {
    id: prompt

    property bool hasBuiltInAppKey: AppState.session.hasBuiltInAppKey
    signal openSettingsRequested()

    implicitHeight: column.implicitHeight + 48

    ColumnLayout {
        id: column
        anchors.centerIn: parent
        width: Math.min(parent.width - 48, 320)
        spacing: 12

        Symbol {
            name: "key.fill"
            color: Theme.secondary
            Layout.preferredWidth: 36
            Layout.preferredHeight: 36
            Layout.alignment: Qt.AlignHCenter
        }
        Text {
            text: qsTr("Connect to Trello")
            font: Theme.withWeight(Theme.title3Font, Font.Bold)
            color: Theme.primary
            Layout.alignment: Qt.AlignHCenter
            Accessible.role: Accessible.Heading
            Accessible.name: text
        }
        Text {
            text: prompt.hasBuiltInAppKey ? qsTr("Authorize Stavelin in your browser to get started.")
                                          : qsTr("Add your Trello API key and token to get started.")
            font: Theme.calloutFont
            color: Theme.secondary
            wrapMode: Text.Wrap
            horizontalAlignment: Text.AlignHCenter
            Layout.fillWidth: true
        }
        ActionButton {
            objectName: "connectButton"
            focus: true
            prominent: true
            label: prompt.hasBuiltInAppKey ? qsTr("Connect to Trello…") : qsTr("Open Settings")
            Layout.alignment: Qt.AlignHCenter
            onClicked: prompt.hasBuiltInAppKey ? AppState.session.beginBrowserAuth()
                                               : prompt.openSettingsRequested()
        }
        LinkButton {
            objectName: "promptLink"
            text: prompt.hasBuiltInAppKey ? qsTr("Use an API key instead") : qsTr("Get a Trello API key →")
            url: prompt.hasBuiltInAppKey ? "" : AppState.session.developerKeyPageURL
            Layout.alignment: Qt.AlignHCenter
            onClicked: if (prompt.hasBuiltInAppKey) prompt.openSettingsRequested()
        }
    }
}
