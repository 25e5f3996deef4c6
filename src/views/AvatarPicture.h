// SPDX-License-Identifier: MIT
#pragma once

#include <QImage>
#include <QQuickPaintedItem>
#include <QUrl>
#include <QtQml/qqmlregistration.h>

// A member's picture, fetched once per address and kept in memory, drawn clipped to a circle.
// `ready` is false while it loads and when it cannot be had; the avatar then shows its
// initials instead, without a message.
class AvatarPicture : public QQuickPaintedItem {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QUrl source READ source WRITE setSource NOTIFY sourceChanged)
    Q_PROPERTY(bool ready READ isReady NOTIFY readyChanged)
public:
    explicit AvatarPicture(QQuickItem *parent = nullptr);

    QUrl source() const { return m_source; }
    void setSource(const QUrl &source);
    bool isReady() const { return !m_image.isNull(); }

    void paint(QPainter *painter) override;

    // The picture at this address when one was fetched this run and is still kept, else null:
    // for the desktop's notifications, which show it when it is at hand and never fetch it.
    static QImage cached(const QUrl &source);

Q_SIGNALS:
    void sourceChanged();
    void readyChanged();

private:
    void load();
    void setImage(const QImage &image);

    QUrl m_source;
    QImage m_image;
};
