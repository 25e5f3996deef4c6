// SPDX-License-Identifier: MIT
// The small upper-case heading above a group of form fields.
import QtQuick
import Stavelin

Text {
    required property string title

    text: title.toUpperCase()
    // Titles are shown as typed, never interpreted as markup.
    textFormat: Text.PlainText
    maximumLineCount: 1
    elide: Text.ElideRight
    font: Theme.withWeight(Theme.caption2Font, Font.DemiBold)
    color: Theme.secondary

    Accessible.role: Accessible.Heading
    Accessible.name: title
}
