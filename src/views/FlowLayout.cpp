// SPDX-License-Identifier: MIT
#include "FlowLayout.h"

#include <cmath>

FlowLayout::FlowLayout(QQuickItem *parent) : QQuickItem(parent)
{
    // Shown again, the layout can tell which children are hidden on their own.
    connect(this, &QQuickItem::visibleChanged, this, &FlowLayout::scheduleLayout);
}

// QQuickItem's destructor hides and unparents the children, and hides this item: each of
// those signals would call scheduleLayout on an object that is no longer a FlowLayout.
FlowLayout::~FlowLayout()
{
    disconnect(this, nullptr, this, nullptr);
    const QList<QQuickItem *> children = childItems();
    for (QQuickItem *child : children)
        disconnect(child, nullptr, this, nullptr);
}

void FlowLayout::setSpacing(qreal spacing)
{
    if (!std::isfinite(spacing) || spacing == m_spacing)
        return;
    m_spacing = spacing;
    emit spacingChanged();
    scheduleLayout();
}

FlowLayout::Arrangement FlowLayout::arrange(const QList<QSizeF> &sizes, qreal spacing,
                                            qreal maxWidth)
{
    Arrangement result;
    result.positions.reserve(sizes.size());
    qreal x = 0;
    qreal y = 0;
    qreal rowHeight = 0;
    qreal widest = 0;
    for (const QSizeF &size : sizes) {
        // A child that does not fit starts a new row, unless it is the first of its row.
        if (x > 0 && x + size.width() > maxWidth) {
            y += rowHeight + spacing;
            rowHeight = 0;
            x = 0;
        }
        result.positions.append(QPointF(x, y));
        x += size.width() + spacing;
        rowHeight = qMax(rowHeight, size.height());
        widest = qMax(widest, x - spacing);
    }
    result.size = QSizeF(widest, y + rowHeight);
    return result;
}

void FlowLayout::forceLayout()
{
    layout();
}

void FlowLayout::componentComplete()
{
    QQuickItem::componentComplete();
    layout();
}

void FlowLayout::updatePolish()
{
    if (m_dirty)
        layout();
}

void FlowLayout::itemChange(ItemChange change, const ItemChangeData &data)
{
    if (change == ItemChildAddedChange) {
        watch(data.item);
        scheduleLayout();
    } else if (change == ItemChildRemovedChange) {
        disconnect(data.item, nullptr, this, nullptr);
        m_hiddenChildren.remove(data.item);
        scheduleLayout();
    }
    QQuickItem::itemChange(change, data);
}

void FlowLayout::geometryChange(const QRectF &newGeometry, const QRectF &oldGeometry)
{
    QQuickItem::geometryChange(newGeometry, oldGeometry);
    // Our own implicit width feeding back into the width changes nothing.
    if (!m_layingOut && newGeometry.width() != oldGeometry.width())
        scheduleLayout();
}

void FlowLayout::scheduleLayout()
{
    m_dirty = true;
    if (isComponentComplete())
        polish();
}

void FlowLayout::watch(QQuickItem *child)
{
    connect(child, &QQuickItem::widthChanged, this, &FlowLayout::scheduleLayout);
    connect(child, &QQuickItem::heightChanged, this, &FlowLayout::scheduleLayout);
    connect(child, &QQuickItem::visibleChanged, this, &FlowLayout::scheduleLayout);
}

QList<QQuickItem *> FlowLayout::laidOutChildren()
{
    // Items only tell their effective visibility, which is false for every child while the
    // layout itself is hidden. Whether a child was hidden on its own can be seen only while
    // the layout is visible; otherwise the last state seen counts, so a hidden layout (a page
    // in the background, a test case) keeps its true size.
    const bool seeing = isVisible();
    QList<QQuickItem *> result;
    const QList<QQuickItem *> children = childItems();
    for (QQuickItem *child : children) {
        if (seeing) {
            if (child->isVisible())
                m_hiddenChildren.remove(child);
            else
                m_hiddenChildren.insert(child);
        }
        if (!m_hiddenChildren.contains(child) && child->width() > 0 && child->height() > 0)
            result.append(child);
    }
    return result;
}

void FlowLayout::layout()
{
    if (m_layingOut)
        return;
    m_layingOut = true;
    m_dirty = false;

    const QList<QQuickItem *> children = laidOutChildren();
    QList<QSizeF> sizes;
    sizes.reserve(children.size());
    for (const QQuickItem *child : children)
        sizes.append(child->size());

    // Wrap at our width once someone has set it; otherwise we are as wide as one row.
    const qreal maxWidth = widthValid() ? width() : std::numeric_limits<qreal>::infinity();
    const Arrangement arrangement = arrange(sizes, m_spacing, maxWidth);
    for (qsizetype i = 0; i < children.size(); ++i)
        children.at(i)->setPosition(arrangement.positions.at(i));
    setImplicitSize(arrangement.size.width(), arrangement.size.height());

    m_layingOut = false;
}
