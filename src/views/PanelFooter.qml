// SPDX-License-Identifier: MIT
// The panel's footer: who is signed in, Settings and Quit.
import QtQuick
import QtQuick.Layouts
import Stavelin

RowLayout {
    id: footer

    signal settingsRequested()

    spacing: 6

    Text {
        objectName: "footerText"
        text: AppState.session.member ? qsTr("Signed in as %1").arg(AppState.session.member.username)
            : AppState.session.hasCredentials ? qsTr("Trello") : ""
        textFormat: Text.PlainText
        font: Theme.captionFont
        color: Theme.secondary
        elide: Text.ElideRight
        Layout.fillWidth: true
    }
    IconButton {
        objectName: "settingsButton"
        symbol: "gearshape"
        toolTip: qsTr("Settings")
        onClicked: footer.settingsRequested()
    }
    PlainButton {
        objectName: "quitButton"
        text: qsTr("Quit")
        textFont: Theme.calloutFont
        onClicked: Shell.quit()
    }
}
