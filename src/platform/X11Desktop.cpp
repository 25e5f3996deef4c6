// SPDX-License-Identifier: MIT
#include "X11Desktop.h"

#include <QByteArray>
#include <QGuiApplication>

#include <xcb/xcb.h>

#include <cstdlib>

namespace x11 {
namespace {

xcb_connection_t *connection()
{
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    // Under "offscreen" the interface exists but has no connection.
    return x11 ? x11->connection() : nullptr;
}

xcb_atom_t atom(xcb_connection_t *connection, const QByteArray &name)
{
    xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, name.size(), name.constData()), nullptr);
    const xcb_atom_t result = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return result;
}

} // namespace

bool isAvailable()
{
    return connection() != nullptr;
}

bool onWayland()
{
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

std::optional<QPoint> embeddedPosition(WId window)
{
    xcb_connection_t *c = connection();
    if (!c) {
        return std::nullopt;
    }
    const auto id = xcb_window_t(window);
    xcb_query_tree_reply_t *tree = xcb_query_tree_reply(c, xcb_query_tree(c, id), nullptr);
    std::optional<QPoint> result;
    if (tree && tree->parent != tree->root) {
        xcb_translate_coordinates_reply_t *at = xcb_translate_coordinates_reply(
            c, xcb_translate_coordinates(c, id, tree->root, 0, 0), nullptr);
        if (at) {
            result = QPoint(at->dst_x, at->dst_y);
        }
        std::free(at);
    }
    std::free(tree);
    return result;
}

// A compositing manager owns the _NET_WM_CM_Sn selection of its screen.
bool compositorRunning()
{
    xcb_connection_t *c = connection();
    if (!c) {
        return QGuiApplication::platformName() != QLatin1String("offscreen");
    }
    const xcb_atom_t selection = atom(c, QByteArrayLiteral("_NET_WM_CM_S0"));
    if (selection == XCB_ATOM_NONE) {
        return false;
    }
    xcb_get_selection_owner_reply_t *reply =
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, selection), nullptr);
    const bool owned = reply && reply->owner != XCB_NONE;
    std::free(reply);
    return owned;
}

void showOnAllDesktops(WId window)
{
    xcb_connection_t *c = connection();
    if (!c) {
        return;
    }
    const xcb_atom_t desktop = atom(c, QByteArrayLiteral("_NET_WM_DESKTOP"));
    const quint32 all = 0xFFFFFFFF;
    if (desktop != XCB_ATOM_NONE) {
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, xcb_window_t(window), desktop,
                            XCB_ATOM_CARDINAL, 32, 1, &all);
    }
}

} // namespace x11
