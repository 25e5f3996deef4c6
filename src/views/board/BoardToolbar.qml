// SPDX-License-Identifier: MIT
// The board screen's toolbar: back to the boards, the card filter and its menu, Add list and
// Refresh; below it, the chips of what the filter menu has on.
import QtQuick
import QtQuick.Layouts
import Stavelin

ColumnLayout {
    id: toolbar

    required property OpenBoard openBoard

    signal backRequested()
    signal addListRequested()

    function focusFilter(): void {
        filterBar.focusText()
    }

    spacing: 0

    RowLayout {
        spacing: 8
        Layout.fillWidth: true
        Layout.leftMargin: 12
        Layout.rightMargin: 12
        Layout.topMargin: 6
        Layout.bottomMargin: 6

        PlainButton {
            objectName: "boardsBackButton"
            focus: true
            text: qsTr("Boards")
            symbol: "chevron.left"
            onClicked: toolbar.backRequested()
        }

        BoardFilterBar {
            id: filterBar
            filter: toolbar.openBoard.filter
            boardID: toolbar.openBoard.boardID
            Layout.fillWidth: true
            Layout.maximumWidth: 232
        }

        Item { Layout.fillWidth: true }
        IconButton {
            objectName: "addListButton"
            symbol: "plus.rectangle.on.rectangle"
            toolTip: qsTr("Add list")
            onClicked: toolbar.addListRequested()
        }
        IconButton {
            objectName: "refreshBoardButton"
            symbol: "arrow.clockwise"
            toolTip: qsTr("Refresh")
            onClicked: toolbar.openBoard.refresh()
        }
    }

    BoardFilterChips {
        filter: toolbar.openBoard.filter
        boardID: toolbar.openBoard.boardID
        Layout.fillWidth: true
        Layout.leftMargin: 12
        Layout.rightMargin: 12
        Layout.bottomMargin: 6
    }
}
