// SPDX-License-Identifier: MIT
// One board in the board list: colour chip, name and description, star. The whole row is a
// button; its context menu (right click, the Menu key or Shift+F10) opens the board in the
// browser or archives it.
import QtQuick
import QtQuick.Controls
import QtQuick.Templates as T
import QtQuick.Layouts
import Stavelin

T.AbstractButton {
    id: row
    implicitWidth: Math.max(implicitBackgroundWidth + leftInset + rightInset,
                            implicitContentWidth + leftPadding + rightPadding)
    implicitHeight: Math.max(implicitBackgroundHeight + topInset + bottomInset,
                             implicitContentHeight + topPadding + bottomPadding)

    required property var board
    // Made when first asked for: the board list builds no menus nobody opens (a row's menu
    // was most of the first showing's work).
    property Menu contextMenu: null

    readonly property string boardName: board ? board.name : ""
    readonly property string boardDesc: board && board.desc ? board.desc : ""
    readonly property bool starred: !!(board && board.starred)
    // Only web addresses are opened; anything else the service might send is ignored.
    readonly property string webAddress: board && typeof board.url === "string"
                                         && /^https?:\/\/[^\s\/]+\S*$/i.test(board.url) ? board.url : ""
    readonly property var chipColor: {
        const prefs = board ? board.prefs : undefined
        if (!prefs)
            return undefined
        const background = Theme.colorFromHex(prefs.backgroundColor)
        return background !== undefined ? background : Theme.colorFromHex(prefs.backgroundTopColor)
    }

    function openMenu(x: real, y: real): void {
        if (contextMenu === null)
            contextMenu = menuComponent.createObject(row) as Menu
        contextMenu.popup(row, x, y)
    }

    hoverEnabled: true
    focusPolicy: Qt.StrongFocus
    leftPadding: 10
    rightPadding: 10
    topPadding: 7
    bottomPadding: 7

    Accessible.role: Accessible.Button
    Accessible.name: boardName
    Accessible.description: boardDesc
    Accessible.onPressAction: row.clicked()

    Keys.onReturnPressed: clicked()
    Keys.onEnterPressed: clicked()
    Keys.onMenuPressed: openMenu(row.leftPadding, row.height)
    Keys.onPressed: (event) => {
        if (event.key === Qt.Key_F10 && (event.modifiers & Qt.ShiftModifier)) {
            openMenu(row.leftPadding, row.height)
            event.accepted = true
        }
    }

    contentItem: RowLayout {
        spacing: 10

        BoardColorChip {
            chipColor: row.chipColor
        }

        ColumnLayout {
            spacing: 2
            Layout.fillWidth: true

            Text {
                text: row.boardName
                textFormat: Text.PlainText
                font: Theme.bodyFont
                color: Theme.primary
                elide: Text.ElideRight
                maximumLineCount: 1
                Layout.fillWidth: true
            }
            Text {
                visible: row.boardDesc !== ""
                // One line: the first line of the description, elided.
                text: row.boardDesc.split("\n")[0]
                textFormat: Text.PlainText
                font: Theme.captionFont
                color: Theme.secondary
                elide: Text.ElideRight
                maximumLineCount: 1
                Layout.fillWidth: true
            }
        }

        Symbol {
            visible: row.starred
            name: "star.fill"
            color: Theme.yellow
            Layout.preferredWidth: 11
            Layout.preferredHeight: 11
        }
        Symbol {
            name: "chevron.right"
            color: Theme.secondary
            Layout.preferredWidth: 10
            Layout.preferredHeight: 10
        }
    }

    background: Rectangle {
        radius: 8
        color: row.hovered || row.pressed
               ? Qt.rgba(Theme.primary.r, Theme.primary.g, Theme.primary.b, row.pressed ? 0.12 : 0.07)
               : Qt.rgba(Theme.primary.r, Theme.primary.g, Theme.primary.b, 0)
        border.width: row.visualFocus ? 2 : 0
        border.color: Theme.accent
        Behavior on color {
            ColorAnimation { duration: 120; easing.type: Easing.OutQuad }
        }
    }

    TapHandler {
        acceptedButtons: Qt.RightButton
        onTapped: (eventPoint) => row.openMenu(eventPoint.position.x, eventPoint.position.y)
    }

    // Qt 6.4's linter cannot see this file's ids from inside the component.
    // qmllint disable unqualified
    Component {
        id: menuComponent

        Menu {
            MenuItem {
                objectName: "openInBrowserItem"
                text: qsTr("Open in Browser")
                visible: row.webAddress !== ""
                height: visible ? implicitHeight : 0
                Accessible.name: text
                onTriggered: Qt.openUrlExternally(row.webAddress)
            }
            MenuItem {
                objectName: "archiveBoardItem"
                text: qsTr("Archive Board")
                palette.windowText: Theme.red
                palette.text: Theme.red
                Accessible.name: text
                onTriggered: AppState.boards.archiveBoard(row.board.id)
            }
        }
    }
    // qmllint enable unqualified
}
