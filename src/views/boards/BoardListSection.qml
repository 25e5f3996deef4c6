// SPDX-License-Identifier: MIT
// The searchable list of the user's open boards, in the store's order. The search text belongs
// to the caller (it survives leaving the list); this view reports edits through
// searchTextEdited. A chosen board opens through the Shell, from wherever it is chosen.
// Below the boards that match, the cards found on every board (AppState.search, asked after a
// pause in typing); a chosen card is reported through cardChosen, for its board to open it.
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Stavelin

FocusScope {
    id: section

    required property string searchText
    signal searchTextEdited(string text)
    signal cardChosen(var card)

    // Whether the text is long enough for the cards to be searched.
    readonly property bool searchingCards: AppState.search.query.length >= 2
    onSearchTextChanged: AppState.search.setQuery(searchText)
    Component.onCompleted: AppState.search.setQuery(searchText)

    // The found card rows, in order: the footer's, while it is there.
    property Repeater foundRows: null
    function cardRow(index: int): Item {
        return foundRows !== null && index >= 0 && index < foundRows.count ? foundRows.itemAt(index) : null
    }
    function focusCard(index: int): void {
        const row = cardRow(index)
        if (row === null)
            return
        row.forceActiveFocus(Qt.TabFocusReason)
        // The list does not scroll to its footer's rows by itself.
        const y = row.mapToItem(boardList.contentItem, 0, 0).y
        if (y < boardList.contentY)
            boardList.contentY = y
        else if (y + row.height > boardList.contentY + boardList.height)
            boardList.contentY = y + row.height - boardList.height
    }
    // Return in the search field: the first thing shown, a board or else a card.
    function openFirst(): void {
        const board = boardList.count > 0 ? boardList.itemAtIndex(0) : null
        if (board !== null)
            (board as BoardRowView).clicked()
        else if (AppState.search.results.length > 0)
            section.cardChosen(AppState.search.results[0])
    }

    function focusSearch(): void {
        searchField.forceActiveFocus(Qt.ShortcutFocusReason)
        searchField.selectAll()
    }

    BoardFilterModel {
        id: matches
        sourceModel: AppState.boards.model
        query: section.searchText
    }

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

        RowLayout {
            spacing: 6
            Layout.fillWidth: true
            Layout.leftMargin: 12
            Layout.rightMargin: 12
            Layout.topMargin: 7
            Layout.bottomMargin: 7

            Symbol {
                name: "magnifyingglass"
                color: Theme.secondary
                Layout.preferredWidth: 13
                Layout.preferredHeight: 13
            }
            TextField {
                id: searchField
                objectName: "boardSearchField"
                focus: true
                placeholderText: qsTr("Search boards")
                text: section.searchText
                font: Theme.bodyFont
                color: Theme.primary
                placeholderTextColor: Theme.tertiary
                leftPadding: 2
                rightPadding: 2
                topPadding: 2
                bottomPadding: 2
                background: null
                selectByMouse: true
                Layout.fillWidth: true
                Accessible.name: qsTr("Search boards")
                onTextEdited: section.searchTextEdited(text)
                Keys.onDownPressed: {
                    if (boardList.count > 0)
                        boardList.focusRow(0)
                    else
                        section.focusCard(0)
                }
                Keys.onReturnPressed: section.openFirst()
                Keys.onEnterPressed: section.openFirst()
            }
            IconButton {
                objectName: "clearSearchButton"
                visible: section.searchText !== ""
                symbol: "xmark.circle.fill"
                toolTip: qsTr("Clear search")
                implicitWidth: 20
                implicitHeight: 20
                symbolSize: 13
                onClicked: {
                    section.searchTextEdited("")
                    searchField.forceActiveFocus()
                }
            }
        }

        Separator {}

        Item {
            Layout.fillWidth: true
            Layout.fillHeight: true

            ListView {
                id: boardList
                objectName: "boardList"
                anchors.fill: parent
                anchors.margins: 6
                anchors.topMargin: noMatchText.visible ? noMatchText.height + 18 : 6
                clip: true
                spacing: 2
                visible: matches.count > 0 || (section.searchingCards && AppState.boards.model.count > 0)
                model: matches
                boundsBehavior: Flickable.StopAtBounds
                // Up from the first row goes back to the search field.
                keyNavigationEnabled: false
                Keys.onDownPressed: {
                    if (currentIndex + 1 < count)
                        focusRow(currentIndex + 1)
                    else
                        section.focusCard(0)
                }
                Keys.onUpPressed: {
                    if (currentIndex > 0)
                        focusRow(currentIndex - 1)
                    else
                        searchField.forceActiveFocus(Qt.BacktabFocusReason)
                }
                Accessible.role: Accessible.List
                Accessible.name: qsTr("Boards")
                ScrollBar.vertical: ScrollBar { policy: ScrollBar.AsNeeded }

                function focusRow(row: int): void {
                    if (row < 0 || row >= count)
                        return
                    currentIndex = row
                    positionViewAtIndex(row, ListView.Contain)
                    if (currentItem)
                        currentItem.forceActiveFocus(Qt.TabFocusReason)
                }

                delegate: BoardRowView {
                    id: row
                    required property var record
                    required property int index

                    objectName: "board:" + record.name // found by name in end-to-end tests
                    board: record
                    width: ListView.view.width
                    onClicked: Shell.openBoard(record.id)
                    onActiveFocusChanged: if (activeFocus) row.ListView.view.currentIndex = row.index
                }

                // qmllint disable unqualified
                // A positioner, not a layout: Qt 6.4's layouts keep a removed child until their
                // next polish, and the footer's height changes in the same pass as its rows when
                // the search text changes; the layout then measured a deleted row and crashed.
                footer: Column {
                    id: found
                    width: boardList.width
                    visible: section.searchingCards
                    height: visible ? implicitHeight : 0
                    spacing: 2
                    topPadding: boardList.count > 0 ? 10 : 0

                    Component.onCompleted: section.foundRows = foundRows

                    Text {
                        objectName: "foundCardsHeader"
                        x: 10
                        text: qsTr("Cards")
                        font: Theme.captionFont
                        color: Theme.secondary
                        Accessible.role: Accessible.Heading
                        Accessible.name: text
                    }
                    Spinner {
                        objectName: "cardsSearching"
                        x: 10
                        visible: AppState.search.isSearching && foundRows.count === 0
                        implicitWidth: 14
                        implicitHeight: 14
                    }
                    // Offline or refused: one line, the boards above still shown.
                    Text {
                        objectName: "cardSearchError"
                        x: 10
                        width: found.width - 20
                        visible: text !== ""
                        text: AppState.search.error
                        textFormat: Text.PlainText
                        wrapMode: Text.Wrap
                        font: Theme.captionFont
                        color: Theme.secondary
                        Accessible.role: Accessible.AlertMessage
                        Accessible.name: text
                    }
                    Repeater {
                        id: foundRows
                        model: section.searchingCards ? AppState.search.results : []

                        FoundCardRow {
                            id: cardRow
                            required property var modelData
                            required property int index

                            objectName: "foundCard:" + modelData.name
                            card: modelData
                            width: found.width
                            onClicked: section.cardChosen(modelData)
                            Keys.onDownPressed: section.focusCard(index + 1)
                            Keys.onUpPressed: {
                                if (index > 0)
                                    section.focusCard(index - 1)
                                else if (boardList.count > 0)
                                    boardList.focusRow(boardList.count - 1)
                                else
                                    searchField.forceActiveFocus(Qt.BacktabFocusReason)
                            }
                        }
                    }
                }
                // qmllint enable unqualified
            }

            Text {
                id: noMatchText
                objectName: "noMatchText"
                visible: AppState.boards.model.count > 0 && matches.count === 0
                anchors.top: parent.top
                anchors.left: parent.left
                anchors.right: parent.right
                anchors.margins: 12
                text: qsTr("No boards match “%1”.").arg(section.searchText)
                textFormat: Text.PlainText
                wrapMode: Text.Wrap
                font: Theme.captionFont
                color: Theme.secondary
            }

            Spinner {
                objectName: "boardsLoading"
                visible: AppState.boards.model.count === 0 && AppState.boards.isLoadingBoards
                anchors.horizontalCenter: parent.horizontalCenter
                anchors.top: parent.top
                anchors.topMargin: 14
                implicitWidth: 18
                implicitHeight: 18
            }

            NoBoardsState {
                visible: AppState.boards.model.count === 0 && !AppState.boards.isLoadingBoards
                anchors.centerIn: parent
                width: parent.width - 32
            }
        }
    }
}
