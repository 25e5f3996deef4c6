// SPDX-License-Identifier: MIT
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

#include <optional>

// Where the panel opens. Pure geometry, so the rules can be tested without a desktop.
namespace placement {

inline constexpr int ScreenMargin = 8; // kept free along every screen edge
inline constexpr int IconGap = 4;      // between the tray icon and the panel

struct Input {
    QRect icon;                    // the tray icon on screen; empty when the tray does not say
    std::optional<QPoint> pointer; // the pointer at the click, when known
    QRect available;               // the screen's available area; empty when there is no screen
    QSize panel;
};

// The anchor is the icon when its geometry is known, else the pointer; the panel is centred
// on it horizontally and opens below it when it sits in the upper half of the screen, above
// it otherwise. Without an anchor the panel goes to the top-right corner. The result keeps
// ScreenMargin from the edges; when the panel is too large for that, its left and top edges
// stay on screen.
QPoint panelPosition(const Input &input);

} // namespace placement
