// SPDX-License-Identifier: MIT
// The card editor's heading: Back, and "Edit Card" in the middle.
import QtQuick
import Stavelin

Item {
    id: header

    signal backRequested()

    implicitHeight: backButton.implicitHeight + 16

    PlainButton {
        id: backButton
        objectName: "editorBackButton"
        x: 12
        anchors.verticalCenter: parent.verticalCenter
        text: qsTr("Back")
        symbol: "chevron.left"
        onClicked: header.backRequested()
    }
    Text {
        anchors.centerIn: parent
        text: qsTr("Edit Card")
        font: Theme.headlineFont
        color: Theme.primary
        Accessible.role: Accessible.Heading
        Accessible.name: text
    }
}
