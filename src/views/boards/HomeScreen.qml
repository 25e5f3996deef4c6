// SPDX-License-Identifier: MIT
// The panel's home screen, under every other: the board list once an account is connected,
// the way to connect one before.
import QtQuick
import Stavelin

PanelScreen {
    id: home

    // The board list's search text, which the panel keeps.
    property string searchText

    signal searchTextEdited(string text)
    signal cardChosen(var card)
    signal openSettingsRequested()

    function focusSearch(): void {
        boardList.focusSearch()
    }

    objectName: "homeScreen"
    title: qsTr("Trello Boards")

    ConnectPromptView {
        objectName: "connectPrompt"
        anchors.fill: parent
        visible: !AppState.session.hasCredentials
        focus: !AppState.session.hasCredentials
        onOpenSettingsRequested: home.openSettingsRequested()
    }
    BoardListSection {
        id: boardList
        objectName: "boardListSection"
        anchors.fill: parent
        visible: AppState.session.hasCredentials
        focus: AppState.session.hasCredentials
        searchText: home.searchText
        onSearchTextEdited: (text) => home.searchTextEdited(text)
        onCardChosen: (card) => home.cardChosen(card)
    }
}
