// SPDX-License-Identifier: MIT
// One board: its lists side by side as columns of card names. A column whose cards were never
// loaded loads them when it comes into view.
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Stavelin

PanelScreen {
    id: detail

    required property var board

    title: board.name

    readonly property string boardID: board ? board.id : ""
    readonly property var lists: boardID !== "" ? AppState.boards.listsModel(boardID) : null
    // Read as a JS array: Qt 6.4's tools know no array methods on a string list.
    readonly property var loadingListIDs: AppState.boards.loadingLists
    readonly property bool loadingLists: loadingListIDs.indexOf(boardID) >= 0
    readonly property var stripColor: {
        const prefs = board ? board.prefs : undefined
        if (!prefs)
            return undefined
        const background = Theme.colorFromHex(prefs.backgroundColor)
        return background !== undefined ? background : Theme.colorFromHex(prefs.backgroundTopColor)
    }

    // Lists, then labels and members, then the cards of each list one after another.
    function refresh(): void {
        const id = boardID
        AppState.boards.refreshLists(id).then(detail, function () {
            AppState.boards.loadBoardMeta(id).then(detail, function () {
                const model = AppState.boards.listsModel(id)
                const listIDs = []
                for (let i = 0; i < model.count; ++i)
                    listIDs.push(model.get(i).id)
                const next = function () {
                    if (listIDs.length > 0)
                        AppState.cards.refreshCards(listIDs.shift()).then(detail, next)
                }
                next()
            })
        })
    }

    ColumnLayout {
        anchors.fill: parent
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
                onClicked: detail.closeRequested()
            }
            Item { Layout.fillWidth: true }
            Spinner {
                visible: detail.loadingLists
            }
            IconButton {
                objectName: "refreshBoardButton"
                symbol: "arrow.clockwise"
                toolTip: qsTr("Refresh")
                onClicked: detail.refresh()
            }
        }

        Rectangle {
            color: Theme.separator
            implicitHeight: 1
            Layout.fillWidth: true
        }

        Rectangle {
            visible: detail.stripColor !== undefined
            color: detail.stripColor !== undefined ? detail.stripColor : "transparent"
            implicitHeight: 3
            Layout.fillWidth: true
        }

        Item {
            Layout.fillWidth: true
            Layout.fillHeight: true

            Spinner {
                objectName: "listsLoading"
                anchors.centerIn: parent
                implicitWidth: 20
                implicitHeight: 20
                visible: detail.loadingLists && (!detail.lists || detail.lists.count === 0)
            }

            ColumnLayout {
                objectName: "noListsState"
                anchors.centerIn: parent
                spacing: 6
                visible: !detail.loadingLists && detail.lists !== null && detail.lists.count === 0

                Symbol {
                    name: "list.bullet.rectangle"
                    color: Theme.secondary
                    Layout.preferredWidth: 34
                    Layout.preferredHeight: 34
                    Layout.alignment: Qt.AlignHCenter
                }
                Text {
                    text: qsTr("No lists yet")
                    font: Theme.headlineFont
                    color: Theme.primary
                    Layout.alignment: Qt.AlignHCenter
                }
            }

            ListView {
                id: strip
                objectName: "boardColumnStrip"
                anchors.fill: parent
                visible: detail.lists !== null && detail.lists.count > 0
                orientation: ListView.Horizontal
                spacing: 10
                leftMargin: 10
                rightMargin: 10
                topMargin: 10
                bottomMargin: 10
                clip: true
                boundsBehavior: Flickable.StopAtBounds
                model: detail.lists
                Accessible.role: Accessible.List
                Accessible.name: qsTr("Lists")
                ScrollBar.horizontal: ScrollBar { policy: ScrollBar.AsNeeded }

                delegate: ListColumn {}
            }
        }
    }

    component ListColumn: Rectangle {
        id: column

        required property string recordId
        required property string name

        readonly property var cards: AppState.cards.cardsModel(recordId)
        readonly property var loadingCardIDs: AppState.cards.loadingCards
        readonly property bool loadingCards: loadingCardIDs.indexOf(recordId) >= 0

        width: 240
        height: ListView.view.height - ListView.view.topMargin - ListView.view.bottomMargin
        radius: 10
        color: "transparent"
        border.width: 1
        border.color: Qt.rgba(Theme.primary.r, Theme.primary.g, Theme.primary.b, 0.07)
        Accessible.role: Accessible.Grouping
        Accessible.name: name

        // Cards load once per list, when its column first shows.
        Component.onCompleted: {
            if (!cards.loaded && !loadingCards)
                AppState.cards.refreshCards(recordId)
        }

        ColumnLayout {
            anchors.fill: parent
            spacing: 6

            RowLayout {
                Layout.fillWidth: true
                Layout.leftMargin: 8
                Layout.rightMargin: 8
                Layout.topMargin: 6
                Text {
                    text: column.name
                    textFormat: Text.PlainText
                    font: Theme.withWeight(Theme.subheadlineFont, Font.Bold)
                    color: Theme.primary
                    elide: Text.ElideRight
                    Layout.fillWidth: true
                    Accessible.role: Accessible.Heading
                    Accessible.name: text
                }
                Spinner {
                    visible: column.loadingCards
                    implicitWidth: 12
                    implicitHeight: 12
                }
            }

            ListView {
                id: cardList
                clip: true
                spacing: 6
                leftMargin: 6
                rightMargin: 6
                bottomMargin: 6
                boundsBehavior: Flickable.StopAtBounds
                model: column.cards
                Layout.fillWidth: true
                Layout.fillHeight: true
                Accessible.role: Accessible.List
                Accessible.name: column.name
                ScrollBar.vertical: ScrollBar { policy: ScrollBar.AsNeeded }

                delegate: Rectangle {
                    required property string name

                    width: ListView.view.width - 12
                    implicitHeight: cardText.implicitHeight + 16
                    radius: 8
                    color: Theme.textBackground
                    border.width: 1
                    border.color: Qt.rgba(Theme.primary.r, Theme.primary.g, Theme.primary.b, 0.08)
                    Accessible.role: Accessible.StaticText
                    Accessible.name: name

                    Text {
                        id: cardText
                        anchors.fill: parent
                        anchors.margins: 8
                        text: parent.name
                        textFormat: Text.PlainText
                        font: Theme.bodyFont
                        color: Theme.primary
                        wrapMode: Text.Wrap
                        maximumLineCount: 4
                        elide: Text.ElideRight
                    }
                }
            }
        }
    }
}
