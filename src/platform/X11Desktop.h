// SPDX-License-Identifier: MIT
#pragma once

#include <QPoint>
#include <QtGui/qwindowdefs.h>

#include <optional>

// What the tray shell asks of an X11 desktop that Qt does not offer. Every function does
// nothing (or answers "no") when the program does not run on an X server.
namespace x11 {

// Whether there is a connection to an X server (none under Wayland or "offscreen").
bool isAvailable();

// Whether the program runs as a Wayland client (Qt's "wayland" platforms), where windows
// neither place themselves nor take the focus without the compositor's leave.
bool onWayland();

// Where a window of ours sits on the screen once another client has taken it in, as a tray
// host does with the icon's window (XEmbed reparents it); nothing while it is still a window
// of its own, or without X11. Asks the server, since Qt learns of the move a little later.
std::optional<QPoint> embeddedPosition(WId window);

// Whether a compositing manager runs, so that translucent corners are shown as such. Without
// X11: true, except under "offscreen", since Wayland always composites.
bool compositorRunning();

// Asks the window manager to show the window on every desktop.
void showOnAllDesktops(WId window);

} // namespace x11
