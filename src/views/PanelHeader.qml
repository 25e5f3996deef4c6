// SPDX-License-Identifier: MIT
// The panel's header: the program's mark, the title of the screen on top, the boards' loading
// indicator, the notifications bell, New board and Refresh boards on the board list, and the window's expand button.
import QtQuick
import QtQuick.Layouts
import Stavelin

RowLayout {
    id: header

    // The title of the screen on top.
    property string title
    // The board list is on screen: the header offers a new board and a refresh.
    property bool boardListShown: false

    signal newBoardRequested()
    signal notificationsRequested()

    spacing: 6

    Symbol {
        name: "rectangle.split.3x1.fill"
        color: Theme.accent
        Layout.preferredWidth: 16
        Layout.preferredHeight: 16
    }
    Text {
        objectName: "headerTitle"
        text: header.title
        textFormat: Text.PlainText
        font: Theme.headlineFont
        color: Theme.primary
        elide: Text.ElideRight
        Layout.fillWidth: true
        Accessible.role: Accessible.Heading
        Accessible.name: text
    }
    Spinner {
        objectName: "boardsLoadingIndicator"
        visible: AppState.boards.isLoadingBoards
    }
    IconButton {
        objectName: "notificationsButton"
        visible: header.boardListShown
        symbol: "bell"
        toolTip: AppState.notifications.unreadCount > 0
                 ? qsTr("%n unread notification(s)", "", AppState.notifications.unreadCount)
                 : qsTr("Notifications")
        onClicked: header.notificationsRequested()

        Rectangle {
            objectName: "notificationsBadge"
            visible: AppState.notifications.unreadCount > 0
            anchors.right: parent.right
            anchors.top: parent.top
            implicitWidth: Math.max(height, badgeText.implicitWidth + 6)
            implicitHeight: 14
            radius: 7
            color: Theme.red
            Text {
                id: badgeText
                anchors.centerIn: parent
                text: AppState.notifications.unreadCount > 99 ? "99+"
                      : AppState.notifications.unreadCount.toString()
                textFormat: Text.PlainText
                font: Theme.withWeight(Theme.captionFont, Font.Bold)
                color: "white"
            }
        }
    }
    IconButton {
        objectName: "newBoardButton"
        visible: header.boardListShown
        symbol: "plus"
        toolTip: qsTr("New board")
        onClicked: header.newBoardRequested()
    }
    IconButton {
        objectName: "refreshBoardsButton"
        visible: header.boardListShown
        symbol: "arrow.clockwise"
        toolTip: qsTr("Refresh boards")
        onClicked: AppState.boards.refreshBoards()
    }
    IconButton {
        objectName: "expandButton"
        symbol: AppState.isExpanded ? "arrow.up.right.and.arrow.down.left"
                                    : "arrow.up.left.and.arrow.down.right"
        toolTip: AppState.isExpanded ? qsTr("Collapse window") : qsTr("Expand window")
        onClicked: AppState.isExpanded = !AppState.isExpanded
    }
}
