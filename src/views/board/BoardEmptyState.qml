// SPDX-License-Identifier: MIT
// What a board without lists shows: "No lists yet", and a way to add one.
import QtQuick
import QtQuick.Layouts
import Stavelin

ColumnLayout {
    id: empty

    signal addListRequested()

    objectName: "noListsState"
    spacing: 6

    Symbol {
        name: "list.bullet.rectangle"
        color: Theme.secondary
        Layout.preferredWidth: 34
        Layout.preferredHeight: 34
        Layout.alignment: Qt.AlignHCenter
    }
    Text {
        text: qsTr("No lists yet")
        font: Theme.headlineFont
        color: Theme.primary
        Layout.alignment: Qt.AlignHCenter
    }
    ActionButton {
        objectName: "addFirstListButton"
        label: qsTr("Add a list")
        Layout.alignment: Qt.AlignHCenter
        onClicked: empty.addListRequested()
    }
}
