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

    // The colours by name and hex are tst_theme.cpp's, through the same Theme object.
    function test_dates() {
        const now = new Date(2026, 2, 5, 9, 30)
        compare(Theme.dueText(new Date(2026, 2, 6, 23, 59), now), "Tomorrow")
        verify(Theme.dueText(new Date(2026, 2, 5, 18, 0), now).startsWith("Today "))
        verify(Theme.dueText(new Date(Date.now() + 60000)).startsWith("Today ")
               || new Date().getHours() === 23)
    }
}
