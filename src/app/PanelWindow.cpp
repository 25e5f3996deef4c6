// SPDX-License-Identifier: MIT
#include "PanelWindow.h"

#include "WheelRedirect.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QQuickItem>
#include <QStyleHints>
#include <QWheelEvent>

#include <xcb/xcb.h>

namespace {

xcb_connection_t *x11Connection()
{
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    // Under "offscreen" the interface exists but has no connection.
    return x11 ? x11->connection() : nullptr;
}

xcb_atom_t atom(xcb_connection_t *connection, const QByteArray &name)
{
    xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, name.size(), name.constData()), nullptr);
    const xcb_atom_t result = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    free(reply);
    return result;
}

// A compositing manager owns the _NET_WM_CM_Sn selection of its screen.
bool compositorRunning()
{
    xcb_connection_t *connection = x11Connection();
    if (!connection) {
        // Wayland always composites; other platforms draw what they can.
        return QGuiApplication::platformName() != QLatin1String("offscreen");
    }
    const xcb_atom_t selection = atom(connection, QByteArrayLiteral("_NET_WM_CM_S0"));
    if (selection == XCB_ATOM_NONE) {
        return false;
    }
    xcb_get_selection_owner_reply_t *reply = xcb_get_selection_owner_reply(
        connection, xcb_get_selection_owner(connection, selection), nullptr);
    const bool owned = reply && reply->owner != XCB_NONE;
    free(reply);
    return owned;
}

} // namespace

PanelWindow::PanelWindow(QQmlEngine *engine, const QUrl &rootViewUrl, bool expanded)
    : QQuickView(engine, nullptr)
{
    setFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setTitle(QStringLiteral("Stavelin"));
    setResizeMode(QQuickView::SizeRootObjectToView);
    QSurfaceFormat surface = format();
    surface.setAlphaBufferSize(8); // an ARGB visual, for the rounded corners
    setFormat(surface);
    setColor(Qt::transparent);
    resize(expanded ? ExpandedWidth : CollapsedWidth, Height);

    setInitialProperties({{QStringLiteral("rootSource"), rootViewUrl}});
    setSource(QUrl(QStringLiteral("qrc:/shell/qml/PanelFrame.qml")));
    if (QQuickItem *view = rootView()) {
        // The root view's own requests, when it has them.
        if (view->metaObject()->indexOfSignal("hideRequested()") >= 0) {
            connect(view, SIGNAL(hideRequested()), this, SIGNAL(hideRequested()));
        }
    }
    create();
    putOnAllDesktops();
    updateFrameStyle();
}

QQuickItem *PanelWindow::rootView() const
{
    QQuickItem *frame = rootObject();
    return frame ? frame->property("content").value<QQuickItem *>() : nullptr;
}

void PanelWindow::setExpanded(bool expanded)
{
    const int width = expanded ? ExpandedWidth : CollapsedWidth;
    if (width != this->width()) {
        setGeometry(QRect(position(), QSize(width, Height)));
    }
}

void PanelWindow::updateFrameStyle()
{
    if (QQuickItem *frame = rootObject()) {
        frame->setProperty("rounded", compositorRunning());
    }
}

void PanelWindow::keyPressEvent(QKeyEvent *event)
{
    QQuickView::keyPressEvent(event);
    // Escape closes the panel unless a view used it (a menu, a field being edited).
    if (!event->isAccepted() && event->key() == Qt::Key_Escape) {
        event->accept();
        Q_EMIT hideRequested();
    }
}

bool PanelWindow::event(QEvent *event)
{
    if (event->type() == QEvent::Wheel
        && wheel::redirect(this, *static_cast<QWheelEvent *>(event),
                           QGuiApplication::styleHints()->wheelScrollLines())) {
        event->accept();
        return true;
    }
    return QQuickView::event(event);
}

void PanelWindow::putOnAllDesktops()
{
    xcb_connection_t *connection = x11Connection();
    if (!connection) {
        return;
    }
    const xcb_atom_t desktop = atom(connection, QByteArrayLiteral("_NET_WM_DESKTOP"));
    const quint32 all = 0xFFFFFFFF;
    if (desktop != XCB_ATOM_NONE) {
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, xcb_window_t(winId()), desktop,
                            XCB_ATOM_CARDINAL, 32, 1, &all);
    }
}
