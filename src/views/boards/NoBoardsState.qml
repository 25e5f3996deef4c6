// SPDX-License-Identifier: MIT
// What the board list shows for an account without open boards.
import QtQuick
import QtQuick.Layouts
import Stavelin

ColumnLayout {
    objectName: "emptyState"
    spacing: 6

    Symbol {
        name: "tray"
        color: Theme.secondary
        Layout.preferredWidth: 34
        Layout.preferredHeight: 34
        Layout.alignment: Qt.AlignHCenter
    }
    Text {
        text: qsTr("No boards yet")
        font: Theme.headlineFont
        color: Theme.primary
        Layout.alignment: Qt.AlignHCenter
    }
    Text {
        text: qsTr("Create your first board with the + button above.")
        font: Theme.captionFont
        color: Theme.secondary
        wrapMode: Text.Wrap
        horizontalAlignment: Text.AlignHCenter
        Layout.fillWidth: true
    }
}
