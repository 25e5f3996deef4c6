// SPDX-License-Identifier: MIT
// The settings inside the panel: "Back" over the scrolling settings form. "Back" stays
// disabled until an account is connected, since the board list has nothing to show before.
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Stavelin

PanelScreen {
    id: panel

    signal connected()

    title: qsTr("Trello Settings")

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

        RowLayout {
            Layout.fillWidth: true
            Layout.leftMargin: 16
            Layout.rightMargin: 16
            Layout.topMargin: 8
            PlainButton {
                objectName: "settingsBackButton"
                text: qsTr("Back")
                symbol: "chevron.left"
                enabled: AppState.session.hasCredentials
                onClicked: panel.closeRequested()
            }
            Item { Layout.fillWidth: true }
        }

        ScrollView {
            id: scroller
            focus: true
            clip: true
            contentWidth: availableWidth
            Layout.fillWidth: true
            Layout.fillHeight: true

            SettingsFormFields {
                id: form
                objectName: "settingsForm"
                x: 16
                y: 16
                width: scroller.availableWidth - 32
                onConnected: panel.connected()
            }
            contentHeight: form.implicitHeight + 32
        }
    }
}
