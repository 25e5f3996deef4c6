// SPDX-License-Identifier: MIT
// The member's unread notifications, newest first: who did what on which card, where, and how
// long ago. A click opens the card in its editor (and so marks what was about it read);
// "Mark all as read" empties the list.
pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls
import QtQuick.Templates as T
import QtQuick.Layouts
import Stavelin

PanelScreen {
    id: view
    title: qsTr("Notifications")

    // Asks for a card to open: {id, idBoard, idList}.
    signal cardChosen(var card)

    // What counts as now for the relative dates; ticks while the screen shows.
    property date now: new Date()
    Timer {
        interval: 60000
        running: view.visible
        repeat: true
        onTriggered: view.now = new Date()
    }
    onVisibleChanged: if (visible) now = new Date()

    function elapsedText(when: var, current: date): string {
        if (!when || isNaN(when.getTime()))
            return ""
        const minutes = Math.floor(Math.max(0, current.getTime() - when.getTime()) / 60000)
        const hours = Math.floor(minutes / 60)
        const days = Math.floor(hours / 24)
        if (minutes < 1)
            return qsTr("just now")
        if (hours < 1)
            return qsTr("%n minute(s) ago", "", minutes)
        if (days < 1)
            return qsTr("%n hour(s) ago", "", hours)
        return qsTr("%n day(s) ago", "", days)
    }

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

        RowLayout {
            Layout.fillWidth: true
            Layout.leftMargin: 12
            Layout.rightMargin: 12
            Layout.topMargin: 8
            Layout.bottomMargin: 4

            Text {
                objectName: "notificationsCount"
                text: AppState.notifications.unreadCount > 0
                      ? qsTr("%n unread", "", AppState.notifications.unreadCount)
                      : qsTr("You are all caught up.")
                textFormat: Text.PlainText
                font: Theme.captionFont
                color: Theme.secondary
                Layout.fillWidth: true
            }
            LinkButton {
                objectName: "markAllReadButton"
                text: qsTr("Mark all as read")
                visible: AppState.notifications.unreadCount > 0
                onClicked: AppState.notifications.markAllRead()
            }
        }

        ListView {
            id: list
            objectName: "notificationsList"
            clip: true
            focus: true
            spacing: 2
            keyNavigationEnabled: true
            model: AppState.notifications.notifications
            Layout.fillWidth: true
            Layout.fillHeight: true
            Layout.leftMargin: 6
            Layout.rightMargin: 6
            ScrollBar.vertical: ScrollBar {}

            delegate: T.AbstractButton {
                id: row
                required property var modelData
                required property int index
                objectName: "notification:" + modelData.id
                width: ListView.view.width
                implicitHeight: implicitContentHeight + topPadding + bottomPadding
                leftPadding: 8
                rightPadding: 8
                topPadding: 6
                bottomPadding: 6
                hoverEnabled: true
                focusPolicy: Qt.StrongFocus
                readonly property string place: [modelData.cardName, modelData.boardName]
                    .filter(function (part) { return part !== "" }).join(" · ")

                Accessible.role: Accessible.Button
                Accessible.name: modelData.sentence
                Accessible.description: modelData.text
                Accessible.onPressAction: row.clicked()
                Keys.onReturnPressed: clicked()
                Keys.onEnterPressed: clicked()

                onClicked: {
                    if (modelData.idCard !== "" && modelData.idBoard !== "") {
                        AppState.notifications.markCardRead(modelData.idCard)
                        view.cardChosen({ id: modelData.idCard, idBoard: modelData.idBoard,
                                            idList: modelData.idList })
                    } else {
                        AppState.notifications.markRead(modelData.id)
                    }
                }

                contentItem: RowLayout {
                    spacing: 8

                    MemberAvatar {
                        member: row.modelData.creator
                        size: 24
                        Layout.alignment: Qt.AlignTop
                    }
                    ColumnLayout {
                        spacing: 1
                        Layout.fillWidth: true

                        Text {
                            text: row.modelData.sentence
                            textFormat: Text.PlainText
                            font: Theme.withWeight(Theme.bodyFont, Font.DemiBold)
                            color: Theme.primary
                            wrapMode: Text.Wrap
                            maximumLineCount: 2
                            elide: Text.ElideRight
                            Layout.fillWidth: true
                        }
                        Text {
                            visible: row.modelData.text !== ""
                            text: row.modelData.text
                            textFormat: Text.PlainText
                            font: Theme.captionFont
                            color: Theme.primary
                            wrapMode: Text.Wrap
                            maximumLineCount: 2
                            elide: Text.ElideRight
                            Layout.fillWidth: true
                        }
                        Text {
                            text: [row.place, view.elapsedText(row.modelData.date, view.now)]
                                  .filter(function (part) { return part !== "" }).join(" · ")
                            textFormat: Text.PlainText
                            font: Theme.captionFont
                            color: Theme.secondary
                            elide: Text.ElideRight
                            maximumLineCount: 1
                            Layout.fillWidth: true
                        }
                    }
                    // Every row here is unread: the dot says so, as on the service.
                    Rectangle {
                        implicitWidth: 8
                        implicitHeight: 8
                        radius: 4
                        color: Theme.accent
                        Layout.alignment: Qt.AlignTop | Qt.AlignRight
                        Accessible.ignored: true
                    }
                }

                background: Rectangle {
                    radius: 8
                    color: row.hovered || row.pressed
                           ? Qt.rgba(Theme.primary.r, Theme.primary.g, Theme.primary.b, row.pressed ? 0.12 : 0.07)
                           : Qt.rgba(Theme.accent.r, Theme.accent.g, Theme.accent.b, 0.06)
                    border.width: row.visualFocus ? 2 : 0
                    border.color: Theme.accent
                }
            }
        }
    }
}
