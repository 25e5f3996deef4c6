// SPDX-License-Identifier: MIT
#include "PanelWindow.h"

#include "WheelRedirect.h"
#include "platform/X11Desktop.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QQuickItem>
#include <QStyleHints>
#include <QWheelEvent>

PanelWindow::PanelWindow(QQmlEngine *engine, const QUrl &rootViewUrl, bool expanded)
    : QQuickView(engine, nullptr)
{
    // On X11 a tool window stays out of the taskbar and the window switcher, and stays on top.
    // Wayland has neither window types nor stacking requests, and Qt maps a tool window
    // without a transient parent to an ordinary toplevel anyway (only popups and tooltips
    // with a parent become xdg_popups, which would need a grab from a click of ours): a plain
    // frameless toplevel there, which the compositor maps, raises and focuses as any other.
    setFlags(x11::onWayland() ? Qt::Window | Qt::FramelessWindowHint
                              : Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setTitle(QStringLiteral("Stavelin"));
    setResizeMode(QQuickView::SizeRootObjectToView);
    QSurfaceFormat surface = format();
    surface.setAlphaBufferSize(8); // an ARGB visual, for the rounded corners
    setFormat(surface);
    setColor(Qt::transparent);
    resize(expanded ? ExpandedWidth : CollapsedWidth, Height);

    setInitialProperties({{QStringLiteral("rootSource"), rootViewUrl}});
    setSource(QUrl(QStringLiteral("qrc:/shell/qml/PanelFrame.qml")));
    create();
    x11::showOnAllDesktops(winId());
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
        frame->setProperty("rounded", x11::compositorRunning());
    }
}

void PanelWindow::keyPressEvent(QKeyEvent *event)
{
    QQuickView::keyPressEvent(event);
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
