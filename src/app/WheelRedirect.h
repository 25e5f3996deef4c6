// SPDX-License-Identifier: MIT
#pragma once

#include <QtGlobal>

class QQuickWindow;
class QWheelEvent;

// A plain mouse wheel only scrolls vertically, which leaves a sideways strip (the board's
// columns) out of reach. Over such a strip a vertical notch scrolls it sideways instead: one
// notch of 120 is the style hints' wheel-scroll lines of 16 px each, wheel down moving right.
// Smooth devices (pixel deltas), mainly horizontal motion, and anything over a view that can
// scroll vertically itself keep their usual meaning.
namespace wheel {

inline constexpr qreal PixelsPerLine = 16;

// Scrolls and returns true when the event was taken over; false leaves it to the window.
bool redirect(QQuickWindow *window, const QWheelEvent &event, int scrollLines);

} // namespace wheel
