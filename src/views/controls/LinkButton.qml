// SPDX-License-Identifier: MIT
// Text in the accent colour that acts like a link: it opens `url` in the browser when it has
// one, and otherwise only emits clicked().
import QtQuick
import QtQuick.Templates as T
import Stavelin

T.AbstractButton {
    id: control
    implicitWidth: Math.max(implicitBackgroundWidth + leftInset + rightInset,
                            implicitContentWidth + leftPadding + rightPadding)
    implicitHeight: Math.max(implicitBackgroundHeight + topInset + bottomInset,
                             implicitContentHeight + topPadding + bottomPadding)

    property string url
    property font textFont: Theme.captionFont

    hoverEnabled: true
    focusPolicy: Qt.StrongFocus
    padding: 2

    Accessible.role: Accessible.Link
    Accessible.name: text
    Accessible.onPressAction: control.clicked()

    Keys.onReturnPressed: if (enabled) clicked()
    Keys.onEnterPressed: if (enabled) clicked()

    onClicked: if (url !== "") Qt.openUrlExternally(url)

    contentItem: Text {
        text: control.text
        textFormat: Text.PlainText
        font: control.textFont
        color: Theme.accent
        elide: Text.ElideRight

        Rectangle {
            visible: control.hovered || control.visualFocus
            anchors.left: parent.left
            anchors.bottom: parent.bottom
            width: Math.min(parent.contentWidth, parent.width)
            height: 1
            color: Theme.accent
        }
    }

    HoverHandler {
        cursorShape: Qt.PointingHandCursor
    }
}
