// SPDX-License-Identifier: MIT
// The Settings window's content: the settings form, padded. The shell sizes the window.
import QtQuick
import QtQuick.Controls
import Stavelin

Rectangle {
    id: view

    implicitWidth: 480
    implicitHeight: 360
    color: Theme.windowBackground

    ScrollView {
        id: scroller
        anchors.fill: parent
        focus: true
        clip: true
        contentWidth: availableWidth
        contentHeight: form.implicitHeight + 40

        SettingsFormFields {
            id: form
            objectName: "settingsForm"
            x: 20
            y: 20
            width: scroller.availableWidth - 40
        }
    }
}
