// SPDX-License-Identifier: MIT
// The emoji reactions on one comment: one chip per emoji, in the order each was first given,
// with how many gave it; the chips the member reacted with are marked. A chip, or an emoji
// from the add-reaction menu, switches the member's own reaction with that emoji on or off.
import QtQuick
import QtQuick.Controls
import QtQuick.Templates as T
import Stavelin

Flow {
    id: bar

    required property string commentID

    readonly property KeyedListModel reactions: commentID !== "" ? AppState.comments.reactionsModel(commentID) : null
    readonly property string memberID: {
        const me = AppState.session.member
        return me !== undefined && me !== null ? me.id : ""
    }
    // The chips: [{id, shortName, native, count, mine}], worked out again after every change.
    property var groups: []

    // Groups the reactions by the emoji's primary short name (the one the service answers
    // with; skin tones share it), in order of first appearance, shown with the first one's
    // character. A reaction without an emoji, or whose emoji has no character, is left out.
    function groupReactions(model: KeyedListModel, member: string): var {
        const found = []
        const byKey = new Map()
        for (let i = 0; model !== null && i < model.count; ++i) {
            const reaction = model.get(i)
            const emoji = reaction.emoji
            if (emoji === undefined || emoji === null || !emoji.native)
                continue
            const key = emoji.shortName ? emoji.shortName : emoji.native
            let group = byKey.get(key)
            if (group === undefined) {
                group = { id: key, native: emoji.native, shortName: key, count: 0, mine: false }
                byKey.set(key, group)
                found.push(group)
            }
            group.count += 1
            if (member !== "" && reaction.idMember === member)
                group.mine = true
        }
        return found
    }

    // The chips are made again from the new groups; a chip that had the keyboard focus hands
    // it to its successor (or, when its emoji is gone, to the add button).
    function regroup(): void {
        const fresh = groupReactions(reactions, memberID)
        if (JSON.stringify(fresh) === JSON.stringify(groups))
            return
        let focusedID = null
        for (let i = 0; i < chips.count; ++i) {
            const chip = chips.itemAt(i)
            if (chip !== null && chip.activeFocus)
                focusedID = groups[i].id
        }
        groups = fresh
        if (focusedID === null)
            return
        const index = fresh.findIndex(function (group) { return group.id === focusedID })
        const successor = index >= 0 ? chips.itemAt(index) : null
        if (successor !== null)
            successor.forceActiveFocus()
        else
            addButton.forceActiveFocus()
    }
    // One reload changes the model in several steps; the chips are made again once.
    function scheduleRegroup(): void {
        Qt.callLater(bar.regroup) // qmllint disable type
    }

    function toggle(shortName: string, character: string): void {
        AppState.comments.toggleReaction(commentID, shortName, character)
    }

    // The add-reaction menu's items: "👍  :+1:", and what choosing one does.
    function openMenu(): void {
        const menu = menuComponent.createObject(bar)
        menu.closed.connect(function () { menu.destroy() })
        menu.popup(addButton, 0, addButton.height)
    }

    spacing: 4
    topPadding: 2

    // Grouped once made; later changes regroup once after the batch that made them.
    property bool made: false
    Component.onCompleted: {
        regroup()
        made = true
    }
    onReactionsChanged: if (made) scheduleRegroup()
    onMemberIDChanged: if (made) scheduleRegroup()

    Connections {
        target: bar.reactions
        function onRowsInserted(): void { bar.scheduleRegroup() }
        function onRowsRemoved(): void { bar.scheduleRegroup() }
        function onRowsMoved(): void { bar.scheduleRegroup() }
        function onDataChanged(): void { bar.scheduleRegroup() }
        function onModelReset(): void { bar.scheduleRegroup() }
    }

    // qmllint disable unqualified
    Repeater {
        id: chips
        model: bar.groups
        delegate: T.AbstractButton {
            id: chip
            implicitWidth: Math.max(implicitBackgroundWidth + leftInset + rightInset,
                                    implicitContentWidth + leftPadding + rightPadding)
            implicitHeight: Math.max(implicitBackgroundHeight + topInset + bottomInset,
                                     implicitContentHeight + topPadding + bottomPadding)
            required property var modelData
            objectName: "reactionChip"
            hoverEnabled: true
            focusPolicy: Qt.StrongFocus
            leftPadding: 6
            rightPadding: 6
            topPadding: 2
            bottomPadding: 2

            Accessible.role: Accessible.Button
            Accessible.name: modelData.native + " " + modelData.count
            Accessible.description: modelData.mine ? qsTr("Take back your reaction") : qsTr("React with this emoji")
            Accessible.onPressAction: chip.clicked()
            ToolTip.text: ":" + modelData.shortName + ":"
            ToolTip.visible: hovered
            ToolTip.delay: 600

            Keys.onReturnPressed: clicked()
            Keys.onEnterPressed: clicked()
            onClicked: bar.toggle(modelData.shortName, modelData.native)

            contentItem: Row {
                spacing: 3
                Text {
                    objectName: "reactionEmoji"
                    anchors.verticalCenter: parent.verticalCenter
                    text: chip.modelData.native
                    textFormat: Text.PlainText
                    font: Theme.calloutFont
                    color: Theme.primary
                }
                Text {
                    objectName: "reactionCount"
                    anchors.verticalCenter: parent.verticalCenter
                    text: String(chip.modelData.count)
                    textFormat: Text.PlainText
                    font: Theme.captionFont
                    color: Theme.secondary
                }
            }
            background: Rectangle {
                radius: height / 2
                color: chip.modelData.mine
                       ? Qt.rgba(Theme.accent.r, Theme.accent.g, Theme.accent.b, chip.pressed ? 0.3 : 0.2)
                       : Qt.rgba(Theme.primary.r, Theme.primary.g, Theme.primary.b,
                                 chip.pressed ? 0.14 : chip.hovered ? 0.1 : 0.06)
                border.width: chip.visualFocus ? 2 : chip.modelData.mine ? 1 : 0
                border.color: Theme.accent
            }
        }
    }
    // qmllint enable unqualified

    IconButton {
        id: addButton
        objectName: "addReactionButton"
        symbol: "face.smiling"
        toolTip: qsTr("Add reaction")
        implicitWidth: 22
        implicitHeight: 20
        symbolSize: 14
        onClicked: bar.openMenu()
    }

    // The menu is made when asked for, as every comment has one.
    // qmllint disable unqualified
    Component {
        id: menuComponent
        Menu {
            id: menu
            objectName: "addReactionMenu"
            // The six offered at once, by their primary short names: the service refuses
            // aliases (👍 is "+1", never "thumbsup").
            readonly property var quickReactions: [
                { shortName: "+1", native: "👍" },
                { shortName: "heart", native: "❤️" },
                { shortName: "joy", native: "😂" },
                { shortName: "tada", native: "🎉" },
                { shortName: "eyes", native: "👀" },
                { shortName: "rocket", native: "🚀" }
            ]
            function quickTitle(index: int): string {
                const quick = quickReactions[index]
                return quick.native + "  :" + quick.shortName + ":"
            }
            function quickToggle(index: int): void {
                bar.toggle(quickReactions[index].shortName, quickReactions[index].native)
            }
            MenuItem {
                objectName: "quickReaction0"
                text: menu.quickTitle(0)
                onTriggered: menu.quickToggle(0)
            }
            MenuItem {
                objectName: "quickReaction1"
                text: menu.quickTitle(1)
                onTriggered: menu.quickToggle(1)
            }
            MenuItem {
                objectName: "quickReaction2"
                text: menu.quickTitle(2)
                onTriggered: menu.quickToggle(2)
            }
            MenuItem {
                objectName: "quickReaction3"
                text: menu.quickTitle(3)
                onTriggered: menu.quickToggle(3)
            }
            MenuItem {
                objectName: "quickReaction4"
                text: menu.quickTitle(4)
                onTriggered: menu.quickToggle(4)
            }
            MenuItem {
                objectName: "quickReaction5"
                text: menu.quickTitle(5)
                onTriggered: menu.quickToggle(5)
            }
        }
    }
    // qmllint enable unqualified
}
