// SPDX-License-Identifier: MIT
// The searchable list of the user's open boards, in the store's order. The search text belongs
// to the caller (it survives leaving the list); this view reports edits through
// searchTextEdited and a chosen board through boardSelected.
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Stavelin

FocusScope {
    id: section

    property string searchText
    signal searchTextEdited(string text)
    signal boardSelected(var board)

    // Leading and trailing white space and line breaks never count.
    readonly property string query: searchText.trim()
    // Bumped when the boards change without changing their number.
    property int revision: 0
    readonly property int matchCount: {
        revision
        const boards = AppState.boards.model
        let count = 0
        for (let i = 0; i < boards.count; ++i) {
            if (matches(boards.get(i)))
                ++count
        }
        return count
    }

    function focusSearch() {
        searchField.forceActiveFocus(Qt.ShortcutFocusReason)
        searchField.selectAll()
    }

    // Case-insensitive containment in the name, or in the description when there is one.
    function matches(board) {
        const q = section.query
        if (q === "")
            return true
        const needle = q.toLocaleLowerCase()
        if (board.name.toLocaleLowerCase().indexOf(needle) >= 0)
            return true
        return typeof board.desc === "string" && board.desc.toLocaleLowerCase().indexOf(needle) >= 0
    }

    Connections {
        target: AppState.boards.model
        function onDataChanged() { ++section.revision }
        function onModelReset() { ++section.revision }
        function onRowsMoved() { ++section.revision }
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
                placeholderText: "Search boards"
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
                Accessible.name: "Search boards"
                onTextEdited: section.searchTextEdited(text)
                Keys.onDownPressed: boardList.focusFirstRow()
            }
            IconButton {
                objectName: "clearSearchButton"
                visible: section.searchText !== ""
                symbol: "xmark.circle.fill"
                toolTip: "Clear search"
                implicitWidth: 20
                implicitHeight: 20
                symbolSize: 13
                onClicked: {
                    section.searchTextEdited("")
                    searchField.forceActiveFocus()
                }
            }
        }

        Rectangle {
            color: Theme.separator
            implicitHeight: 1
            Layout.fillWidth: true
        }

        Item {
            Layout.fillWidth: true
            Layout.fillHeight: true

            ListView {
                id: boardList
                objectName: "boardList"
                anchors.fill: parent
                anchors.margins: 6
                clip: true
                visible: AppState.boards.model.count > 0 && section.matchCount > 0
                model: AppState.boards.model
                boundsBehavior: Flickable.StopAtBounds
                // Arrow keys walk the matching rows only; Up from the first goes back to search.
                keyNavigationEnabled: false
                Keys.onDownPressed: moveFocus(+1)
                Keys.onUpPressed: moveFocus(-1)
                Accessible.role: Accessible.List
                Accessible.name: "Boards"
                ScrollBar.vertical: ScrollBar { policy: ScrollBar.AsNeeded }

                function focusRow(i) {
                    currentIndex = i
                    positionViewAtIndex(i, ListView.Contain)
                    if (currentItem)
                        currentItem.row.forceActiveFocus(Qt.TabFocusReason)
                }
                function focusFirstRow() {
                    for (let i = 0; i < count; ++i) {
                        if (section.matches(AppState.boards.model.get(i)))
                            return focusRow(i)
                    }
                }
                function moveFocus(step) {
                    for (let i = currentIndex + step; i >= 0 && i < count; i += step) {
                        if (section.matches(AppState.boards.model.get(i)))
                            return focusRow(i)
                    }
                    if (step < 0)
                        searchField.forceActiveFocus(Qt.BacktabFocusReason)
                }

                // Rows that do not match fold to nothing; each visible row carries its own gap,
                // so hidden rows leave no spacing behind.
                delegate: Item {
                    id: slot
                    required property var record
                    required property int index
                    readonly property alias row: boardRow
                    readonly property bool matching: {
                        section.revision
                        return section.matches(record)
                    }

                    width: ListView.view.width
                    height: matching ? boardRow.implicitHeight + 2 : 0
                    visible: matching

                    BoardRowView {
                        id: boardRow
                        board: slot.record
                        width: parent.width
                        onClicked: section.boardSelected(slot.record)
                        onActiveFocusChanged: if (activeFocus) slot.ListView.view.currentIndex = slot.index
                    }
                }
            }

            Text {
                objectName: "noMatchText"
                visible: AppState.boards.model.count > 0 && section.matchCount === 0
                anchors.top: parent.top
                anchors.left: parent.left
                anchors.right: parent.right
                anchors.margins: 12
                text: "No boards match “" + section.searchText + "”."
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

            ColumnLayout {
                objectName: "emptyState"
                visible: AppState.boards.model.count === 0 && !AppState.boards.isLoadingBoards
                anchors.centerIn: parent
                width: parent.width - 32
                spacing: 6

                Symbol {
                    name: "tray"
                    color: Theme.secondary
                    Layout.preferredWidth: 34
                    Layout.preferredHeight: 34
                    Layout.alignment: Qt.AlignHCenter
                }
                Text {
                    text: "No boards yet"
                    font: Theme.headlineFont
                    color: Theme.primary
                    Layout.alignment: Qt.AlignHCenter
                }
                Text {
                    text: "Create your first board with the + button above."
                    font: Theme.captionFont
                    color: Theme.secondary
                    wrapMode: Text.Wrap
                    horizontalAlignment: Text.AlignHCenter
                    Layout.fillWidth: true
                }
            }
        }
    }
}
