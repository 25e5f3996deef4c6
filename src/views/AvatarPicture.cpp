// SPDX-License-Identifier: MIT
#include "AvatarPicture.h"

#include <QCache>
#include <QHash>
#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QQmlEngine>

namespace {
// Pictures by address, at most about 4 MB of them (a 50-px picture is 10 kB).
QCache<QUrl, QImage> &pictures()
{
    static QCache<QUrl, QImage> cache(4 * 1024 * 1024);
    return cache;
}
// Addresses being fetched, with the items waiting for each: one request per address.
QHash<QUrl, QList<QPointer<AvatarPicture>>> &waiting()
{
    static QHash<QUrl, QList<QPointer<AvatarPicture>>> items;
    return items;
}
// A picture larger than this is not a member's avatar (the service's are a few kB): the
// download stops there.
constexpr qint64 kMaxPictureBytes = 1024 * 1024;

// The service's pictures come over https. The demo's and the tests' service runs on this
// machine and serves them over plain http on loopback, which never leaves the machine.
// Nothing else: an address in a member's record must not make the program read local files
// (file:), its own resources (qrc:) or inline data.
bool fetchable(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    if (scheme == u"https") {
        return true;
    }
    if (scheme != u"http") {
        return false;
    }
    const QString host = url.host();
    const QHostAddress address(host);
    return host.compare(u"localhost", Qt::CaseInsensitive) == 0
        || (!address.isNull() && address.isLoopback());
}

// Addresses that failed this run: not asked again, the initials stay.
QSet<QUrl> &failed()
{
    static QSet<QUrl> urls;
    return urls;
}
} // namespace

AvatarPicture::AvatarPicture(QQuickItem *parent) : QQuickPaintedItem(parent)
{
    setAntialiasing(true);
}

QImage AvatarPicture::cached(const QUrl &source)
{
    const QImage *found = pictures().object(source);
    return found ? *found : QImage();
}

void AvatarPicture::setSource(const QUrl &source)
{
    if (m_source == source) {
        return;
    }
    m_source = source;
    Q_EMIT sourceChanged();
    setImage({});
    load();
}

void AvatarPicture::load()
{
    if (m_source.isEmpty() || !m_source.isValid() || !fetchable(m_source)
        || failed().contains(m_source)) {
        return;
    }
    if (const QImage *cached = pictures().object(m_source)) {
        setImage(*cached);
        return;
    }
    const QUrl url = m_source;
    QList<QPointer<AvatarPicture>> &queue = waiting()[url];
    queue.append(this);
    if (queue.size() > 1) {
        return; // already on its way
    }
    QQmlEngine *engine = qmlEngine(this);
    QNetworkAccessManager *network = engine ? engine->networkAccessManager() : nullptr;
    if (!network) {
        waiting().remove(url);
        return;
    }
    QNetworkRequest request(url);
    request.setTransferTimeout(30000);
    QNetworkReply *reply = network->get(request);
    // The announced size, or what has come so far, past the limit ends the download.
    QObject::connect(reply, &QNetworkReply::downloadProgress, reply,
                     [reply](qint64 received, qint64 total) {
                         if (received > kMaxPictureBytes || total > kMaxPictureBytes) {
                             reply->abort();
                         }
                     });
    QObject::connect(reply, &QNetworkReply::finished, reply, [reply, url] {
        reply->deleteLater();
        QImage image;
        if (reply->error() == QNetworkReply::NoError) {
            const QByteArray data = reply->read(kMaxPictureBytes + 1);
            if (data.size() <= kMaxPictureBytes) {
                image.loadFromData(data);
            }
        }
        if (image.isNull()) {
            failed().insert(url);
        } else {
            pictures().insert(url, new QImage(image), int(std::min<qsizetype>(image.sizeInBytes(), INT_MAX)));
        }
        const QList<QPointer<AvatarPicture>> items = waiting().take(url);
        for (const QPointer<AvatarPicture> &item : items) {
            if (item && item->m_source == url && !image.isNull()) {
                item->setImage(image);
            }
        }
    });
}

void AvatarPicture::setImage(const QImage &image)
{
    const bool wasReady = isReady();
    m_image = image;
    if (wasReady != isReady()) {
        Q_EMIT readyChanged();
    }
    update();
}

void AvatarPicture::paint(QPainter *painter)
{
    if (m_image.isNull()) {
        return;
    }
    const QRectF bounds = boundingRect();
    QPainterPath circle;
    circle.addEllipse(bounds);
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    painter->setClipPath(circle);
    // Fill the square, cropping what does not fit.
    const QSizeF scaled = QSizeF(m_image.size()).scaled(bounds.size(), Qt::KeepAspectRatioByExpanding);
    const QRectF target(bounds.center() - QPointF(scaled.width() / 2, scaled.height() / 2), scaled);
    painter->drawImage(target, m_image);
}
