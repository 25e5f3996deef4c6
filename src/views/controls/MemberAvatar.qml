// SPDX-License-Identifier: MIT
// A member's round avatar: the picture from the service when it can be had, else the initials
// on the member's colour.
import QtQuick
import QtQuick.Controls
import QtQuick.Window
import Stavelin

Item {
    id: avatar

    required property var member
    property real size: 18

    // The palette the colour index picks from: blue, green, orange, purple, pink, teal, indigo, red.
    readonly property var palette: [Theme.blue, Theme.green, Theme.orange, Theme.purple, Theme.pink,
                                    Theme.dark ? "#40c8e0" : "#30b0c7",
                                    Theme.dark ? "#5e5ce6" : "#5856d6", Theme.red]

    implicitWidth: size
    implicitHeight: size

    Accessible.role: Accessible.Graphic
    Accessible.name: member ? Members.tooltip(member) : ""
    ToolTip.text: Accessible.name
    ToolTip.visible: hover.hovered && ToolTip.text !== ""
    ToolTip.delay: 600

    HoverHandler { id: hover }

    Rectangle {
        anchors.fill: parent
        radius: width / 2
        color: avatar.palette[avatar.member ? Members.colorIndex(avatar.member.id) : 0]
        visible: !picture.ready

        Text {
            anchors.centerIn: parent
            text: avatar.member ? Members.initials(avatar.member) : ""
            textFormat: Text.PlainText
            color: "white"
            font.pixelSize: Math.max(1, avatar.size * 0.42)
            font.weight: Font.DemiBold
        }
    }

    AvatarPicture {
        id: picture
        anchors.fill: parent
        source: avatar.member ? Members.pictureURL(avatar.member, avatar.size * Screen.devicePixelRatio) : ""
    }

    Rectangle {
        anchors.fill: parent
        radius: width / 2
        color: "transparent"
        border.width: 1
        border.color: Qt.rgba(Theme.primary.r, Theme.primary.g, Theme.primary.b, 0.1)
    }
}
