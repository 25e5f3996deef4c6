// SPDX-License-Identifier: MIT
#pragma once

#include <QList>
#include <QPointF>
#include <QQuickItem>
#include <QSet>
#include <QSizeF>
#include <QtQml/qqmlregistration.h>

#include <limits>

// Lays its children out left to right at their own size and starts a new row when the next
// child would cross the right edge; `spacing` separates children within a row and rows from
// each other. Rows are top-aligned; a child wider than the layout gets a row of its own and
// overflows.
//
// Without an explicit width the layout is one row wide (its implicit width); once a width is
// given (anchors, a parent layout, a binding), the implicit height is that of the wrapped rows.
// Invisible children and children with no area (such as a Repeater) take no place.
class FlowLayout : public QQuickItem {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(qreal spacing READ spacing WRITE setSpacing NOTIFY spacingChanged)

public:
    explicit FlowLayout(QQuickItem *parent = nullptr);
    ~FlowLayout() override;

    qreal spacing() const { return m_spacing; }
    void setSpacing(qreal spacing);

    // The size the given children need within maxWidth, and the top-left corner of each,
    // relative to the layout's origin.
    struct Arrangement {
        QSizeF size;
        QList<QPointF> positions;
    };
    static Arrangement arrange(const QList<QSizeF> &sizes, qreal spacing,
                               qreal maxWidth = std::numeric_limits<qreal>::infinity());

    // Lays out at once instead of at the next polish.
    Q_INVOKABLE void forceLayout();

signals:
    void spacingChanged();

protected:
    void componentComplete() override;
    void updatePolish() override;
    void itemChange(ItemChange change, const ItemChangeData &data) override;
    void geometryChange(const QRectF &newGeometry, const QRectF &oldGeometry) override;

private:
    void scheduleLayout();
    void layout();
    void watch(QQuickItem *child);
    QList<QQuickItem *> laidOutChildren();

    qreal m_spacing = 0;
    bool m_dirty = false;
    bool m_layingOut = false;
    QSet<const QQuickItem *> m_hiddenChildren;
};
