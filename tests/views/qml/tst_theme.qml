// SPDX-License-Identifier: MIT
import QtQuick
import QtTest
import Stavelin

// What QML hands the helpers: model fields that read as undefined when absent, JS dates.
TestCase {
    name: "Theme"

    function test_absentValues() {
        compare(Theme.trelloColor(undefined, false), Theme.trelloColor("teal", false))
        compare(Theme.trelloColor(null, true), Theme.trelloColor(42, true))
        compare(Theme.trelloLabelTextColor(undefined), "#ffffff")
        compare(Theme.colorFromHex(undefined), undefined)
        compare(Theme.colorFromHex("#FFF"), undefined)
        compare(Theme.dueText(undefined), "")
        compare(Theme.dueText(new Date(NaN)), "")
    }

    function test_values() {
        compare(Theme.colorFromHex("#0079BF"), Qt.rgba(0, 0x79 / 255, 0xbf / 255, 1))
        compare(Theme.trelloColor("Green_Dark", Theme.dark), Theme.green)
        compare(Theme.trelloLabelTextColor("sky"), Qt.rgba(0, 0, 0, 0.75))
        const now = new Date(2026, 2, 5, 9, 30)
        compare(Theme.dueText(new Date(2026, 2, 6, 23, 59), now), "Tomorrow")
        compare(Theme.dueText(new Date(2026, 2, 4, 8, 0), now), "Yesterday")
        verify(Theme.dueText(new Date(2026, 2, 5, 18, 0), now).startsWith("Today "))
        verify(Theme.dueText(new Date(Date.now() + 60000)).startsWith("Today ")
               || new Date().getHours() === 23)
    }
}
