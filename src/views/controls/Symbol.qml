// SPDX-License-Identifier: MIT
// A small single-colour icon, tinted with `color`: the icon theme's under its standard name,
// or our own drawing of it (Symbols.cpp has the table of names). Images of the same symbol,
// colour and size share one texture.
import QtQuick
import Stavelin

Image {
    id: symbol

    // One of the names in Symbols.cpp's table, such as "chevron.left" or "plus".
    required property string name
    property color color: Theme.primary

    // Drawn at the size it is shown, times the screen's pixel ratio; 16 px until it has a size.
    sourceSize.width: width > 0 ? Math.ceil(width) : 16
    sourceSize.height: height > 0 ? Math.ceil(height) : 16
    source: name === "" ? "" : Symbols.source(name, color)
    fillMode: Image.PreserveAspectFit
    // Icons are decoration; the control around them carries the accessible name.
    Accessible.ignored: true
}
