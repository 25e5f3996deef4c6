// SPDX-License-Identifier: MIT
import QtQuick
import QtTest
import Stavelin

Item {
    id: root
    width: 300
    height: 100

    Component {
        id: headerComponent
        SectionHeader {}
    }

    TestCase {
        name: "SectionHeader"
        when: windowShown

        function test_title() {
            const header = createTemporaryObject(headerComponent, root, { title: "new <b>list</b> & é" })
            verify(header)
            // Upper case, and markup stays as typed.
            compare(header.text, "NEW <B>LIST</B> & É")
            compare(header.textFormat, Text.PlainText)
            compare(header.lineCount, 1)
            header.title = "members"
            compare(header.text, "MEMBERS")
        }

        function test_style() {
            const header = createTemporaryObject(headerComponent, root, { title: "labels" })
            compare(header.font.weight, Font.DemiBold)
            compare(header.font.pointSize, Theme.caption2Font.pointSize)
            verify(header.font.pointSize < Theme.bodyFont.pointSize)
            compare(header.color, Theme.secondary)
        }
    }
}
