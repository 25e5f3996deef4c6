// SPDX-License-Identifier: MIT
// The searchable list of the user's open boards, in the store's order. The search text belongs
// to the caller (it survives leaving the list); this view reports edits through
// searchTextEdited. A chosen board opens through the Shell, from wherever it is chosen.
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Stavelin

FocusScope {
    id: section

    required property string searchText
    signal searchTextEdited(string text)

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
                Keys.onDownPressed: boardList.focusRow(0)
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
                spacing: 2
                visible: matches.count > 0
                model: matches
                boundsBehavior: Flickable.StopAtBounds
                // Up from the first row goes back to the search field.
                keyNavigationEnabled: false
                Keys.onDownPressed: focusRow(currentIndex + 1)
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
            }

            Text {
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
        }
    }
}
