// SPDX-License-Identifier: MIT
#include "WheelRedirect.h"

#include <QQuickItem>
#include <QQuickWindow>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace wheel {
namespace {

// The innermost visible item under a point of the window.
QQuickItem *itemAt(QQuickItem *root, QPointF windowPos)
{
    QQuickItem *item = root;
    for (;;) {
        const QPointF local = item->mapFromScene(windowPos);
        QQuickItem *child = item->childAt(local.x(), local.y());
        if (!child) {
            return item;
        }
        item = child;
    }
}

qreal number(const QObject *object, const char *name)
{
    return object->property(name).toReal();
}

} // namespace

bool redirect(QQuickWindow *window, const QWheelEvent &event, int scrollLines)
{
    const QPoint angle = event.angleDelta();
    if (!window || !event.pixelDelta().isNull() || std::abs(angle.x()) >= std::abs(angle.y())
        || angle.y() == 0) {
        return false;
    }

    QQuickItem *flickable = nullptr;
    for (QQuickItem *item = itemAt(window->contentItem(), event.position()); item;
         item = item->parentItem()) {
        if (!item->inherits("QQuickFlickable")) {
            continue;
        }
        if (item->height() + 1 < number(item, "contentHeight")) {
            return false; // the nearest scroller scrolls vertically: leave it to it
        }
        if (item->width() + 1 < number(item, "contentWidth")) {
            flickable = item;
            break;
        }
    }
    if (!flickable) {
        return false;
    }

    const qreal originX = number(flickable, "originX");
    const qreal offset = number(flickable, "contentX") - originX;
    const qreal maxOffset = std::max(number(flickable, "contentWidth") - flickable->width(), 0.0);
    const qreal delta = angle.y() / 120.0 * scrollLines * PixelsPerLine;
    const qreal target = std::min(maxOffset, std::max(offset - delta, 0.0));
    flickable->setProperty("contentX", originX + target);
    return true;
}

} // namespace wheel
