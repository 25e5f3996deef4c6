// SPDX-License-Identifier: MIT
// The store's last error, in red under the panel's header, until it is dismissed or the next
// one takes its place.
import QtQuick
import QtQuick.Layouts
import Stavelin

ColumnLayout {
    objectName: "errorBanner"
    visible: AppState.errorMessage !== ""
    spacing: 0

    Rectangle {
        color: Theme.separator
        implicitHeight: 1
        Layout.fillWidth: true
    }
    Rectangle {
        color: Qt.rgba(Theme.red.r, Theme.red.g, Theme.red.b, 0.08)
        implicitHeight: bannerRow.implicitHeight + 16
        Layout.fillWidth: true

        RowLayout {
            id: bannerRow
            anchors.fill: parent
            anchors.margins: 8
            spacing: 8

            Text {
                objectName: "errorText"
                text: AppState.errorMessage
                textFormat: Text.PlainText
                font: Theme.captionFont
                color: Theme.red
                wrapMode: Text.Wrap
                maximumLineCount: 3
                elide: Text.ElideRight
                Layout.fillWidth: true
                Accessible.role: Accessible.AlertMessage
                Accessible.name: text
            }
            IconButton {
                objectName: "dismissErrorButton"
                symbol: "xmark.circle.fill"
                toolTip: qsTr("Dismiss")
                implicitWidth: 22
                implicitHeight: 22
                onClicked: AppState.errorMessage = ""
            }
        }
    }
}
