// SPDX-License-Identifier: MIT
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Stavelin

// Stands in for a view of the Stavelin module that this build does not have.
Item {
    id: root

    focus: true
    Keys.onEscapePressed: Shell.hidePanel()

    ColumnLayout {
        anchors.fill: parent
        anchors.margins: 16
        spacing: 8

        Label {
            text: qsTr("Boards")
            font: Theme.headlineFont
            color: Theme.primary
        }
        ListView {
            Layout.fillWidth: true
            Layout.fillHeight: true
            clip: true
            model: AppState.boards.model
            delegate: Label {
                required property string name
                width: ListView.view.width
                text: name
                color: Theme.primary
                padding: 6
            }
        }
        Label {
            visible: AppState.errorMessage !== ""
            text: AppState.errorMessage
            color: Theme.red
            wrapMode: Text.Wrap
            Layout.fillWidth: true
        }
    }
}
