// SPDX-License-Identifier: MIT
#include "DesktopNotifier.h"

#include "DesktopActivation.h"
#include "state/CardsArea.h"
#include "state/NotificationsArea.h"
#include "views/Theme.h"

#include "views/AvatarPicture.h"
#include "views/Members.h"

#include <QBuffer>
#include <QDBusArgument>
#include <QDBusVariant>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QFile>
#include <QSettings>

using namespace Qt::StringLiterals;

namespace {
const auto Service = u"org.freedesktop.Notifications"_s;
const auto Path = u"/org/freedesktop/Notifications"_s;
const auto Interface = u"org.freedesktop.Notifications"_s;
const auto OpenAction = u"default"_s;
const auto MarkReadAction = u"mark-read"_s;
const auto MarkCompleteAction = u"mark-complete"_s;
const auto PortalService = u"org.freedesktop.portal.Desktop"_s;
const auto PortalPath = u"/org/freedesktop/portal/desktop"_s;
const auto PortalInterface = u"org.freedesktop.portal.Notification"_s;
const auto PortalPrefix = u"stavelin-"_s;
} // namespace

bool DesktopNotifier::throughPortal()
{
    return QFile::exists(u"/.flatpak-info"_s) || qEnvironmentVariable("STAVELIN_NOTIFICATION_PORTAL") == u"1"_s;
}

DesktopNotifier::DesktopNotifier(NotificationsArea *area, QSettings *preferences,
                                 QDBusConnection bus, QObject *parent)
    : QObject(parent), m_area(area), m_preferences(preferences), m_bus(std::move(bus))
{
    if (!m_bus.isConnected()) {
        return;
    }
    connect(area, &NotificationsArea::arrived, this, &DesktopNotifier::tell);
    // What arrived before this existed is told too (those told already are left out).
    QMetaObject::invokeMethod(this, [this] {
        if (m_area) {
            tell(m_area->unread());
        }
    }, Qt::QueuedConnection);
    m_portal = throughPortal();
    if (m_portal) {
        // The portal passes bubbles on to the daemon; it has no markup and no activation token.
        m_bus.connect(PortalService, PortalPath, PortalInterface, u"ActionInvoked"_s, this,
                      SLOT(onPortalAction(QString, QString, QVariantList)));
        return;
    }
    m_bus.connect(Service, Path, Interface, u"ActionInvoked"_s, this,
                  SLOT(onActionInvoked(uint, QString)));
    m_bus.connect(Service, Path, Interface, u"ActivationToken"_s, this,
                  SLOT(onActivationToken(uint, QString)));
    m_bus.connect(Service, Path, Interface, u"NotificationClosed"_s, this,
                  SLOT(onClosed(uint, uint)));
    // Whether bodies are read as markup: then a comment's "<" and "&" must be escaped.
    auto *watcher = new QDBusPendingCallWatcher(
        m_bus.asyncCall(QDBusMessage::createMethodCall(Service, Path, Interface,
                                                       u"GetCapabilities"_s)),
        this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *call) {
        const QDBusPendingReply<QStringList> reply = *call;
        m_bodyMarkup = reply.isValid() && reply.value().contains(u"body-markup"_s);
        call->deleteLater();
    });
}

bool DesktopNotifier::isEnabled() const
{
    return m_preferences->value(EnabledKey, true).toBool();
}

void DesktopNotifier::setEnabled(bool enabled)
{
    if (enabled != isEnabled()) {
        m_preferences->setValue(EnabledKey, enabled);
        m_preferences->sync();
        Q_EMIT enabledChanged();
    }
}

bool DesktopNotifier::wasTold(const QString &id) const
{
    const QString floor = m_preferences->value(ToldFloorKey).toString();
    return (!floor.isEmpty() && id <= floor) ||
           m_preferences->value(ToldKey).toStringList().contains(id);
}

void DesktopNotifier::remember(const QStringList &ids)
{
    QStringList told = m_preferences->value(ToldKey).toStringList() + ids;
    // Ids grow with time: the newest are kept, and the newest one let go marks the floor.
    std::sort(told.begin(), told.end());
    told.erase(std::unique(told.begin(), told.end()), told.end());
    if (told.size() > keptIds) {
        m_preferences->setValue(ToldFloorKey, told.at(told.size() - keptIds - 1));
        told = told.mid(told.size() - keptIds);
    }
    m_preferences->setValue(ToldKey, told);
    m_preferences->sync();
}

void DesktopNotifier::tell(const QList<TrelloNotification> &fresh)
{
    QList<TrelloNotification> untold;
    QStringList ids;
    for (const TrelloNotification &n : fresh) {
        if (!wasTold(n.id)) {
            untold.append(n);
            ids.append(n.id);
        }
    }
    if (untold.isEmpty()) {
        return;
    }
    // Recorded before the daemon has them: a crash in between loses a bubble, never doubles one.
    // Those that arrive while bubbles are off count as told too, so turning them on again does
    // not bring up old news.
    remember(ids);
    if (!isEnabled()) {
        return;
    }
    if (untold.size() > summaryAbove) {
        send(tr("%n new notification(s)", nullptr, int(untold.size())),
             tr("Open Stavelin to read them."), {OpenAction, tr("Show")}, Bubble{});
        return;
    }
    // Oldest first, so the newest ends up on top.
    for (auto it = untold.crbegin(); it != untold.crend(); ++it) {
        const TrelloNotification &n = *it;
        const auto id = [](const std::optional<NotificationRef> &ref) {
            return ref ? ref->id : QString();
        };
        Bubble what{n.id, id(n.data.board), id(n.data.list), id(n.data.card)};
        QStringList actions;
        if (!what.cardID.isEmpty() && !what.boardID.isEmpty()) {
            actions << OpenAction << tr("Open");
        }
        actions << MarkReadAction << tr("Mark as read");
        // The author's picture when the panel has it already; nothing is fetched for a bubble.
        const QImage picture = n.memberCreator
            ? AvatarPicture::cached(members::pictureURL(*n.memberCreator, 50)) : QImage();
        send(NotificationsArea::sentence(n), n.data.text.value_or(QString()), actions,
             std::move(what), u"im.received"_s, picture);
    }
}

void DesktopNotifier::watchReminders(RemindersArea *reminders, CardsArea *cards)
{
    m_reminders = reminders;
    m_cards = cards;
    if (m_bus.isConnected()) {
        connect(reminders, &RemindersArea::reminded, this, &DesktopNotifier::remind);
    }
}

QString DesktopNotifier::reminderSentence(const TrelloMemberCard &card, const QDateTime &now)
{
    const QLocale locale;
    const QDateTime due = card.due.value_or(now).toLocalTime(); // a reminder comes of a due date
    const QString time = locale.toString(due.time(), theme::shortTimeFormat(locale));
    const qint64 ahead = now.secsTo(due);
    // A reminder at the due time itself; one a minute before still names the time.
    if (std::abs(ahead) < 30) {
        return tr("“%1” is due now").arg(card.name);
    }
    if (ahead < 0) {
        return tr("“%1” was due at %2").arg(card.name, time);
    }
    const QDate today = now.toLocalTime().date();
    if (due.date() == today) {
        return tr("“%1” is due at %2").arg(card.name, time);
    }
    if (due.date() == today.addDays(1)) {
        return tr("“%1” is due tomorrow at %2").arg(card.name, time);
    }
    return tr("“%1” is due on %2 at %3")
        .arg(card.name, locale.toString(due.date(), theme::mediumDateFormat(locale)), time);
}

void DesktopNotifier::remind(const QList<DueReminder> &due)
{
    const QDateTime now = m_reminders ? m_reminders->now() : QDateTime::currentDateTimeUtc();
    if (due.size() > summaryAbove) {
        QStringList names;
        for (const DueReminder &r : due) {
            names.append(u"“"_s + r.card.name + u"”"_s);
        }
        Bubble what;
        what.reminder = true;
        send(tr("%n card(s) due soon", nullptr, int(due.size())), names.join(u'\n'),
             {OpenAction, tr("Show")}, std::move(what), u"x-stavelin.reminder"_s);
        return;
    }
    for (const DueReminder &r : due) {
        Bubble what{QString(), r.card.idBoard, r.card.idList, r.card.id, true};
        send(reminderSentence(r.card, now), r.boardName,
             {OpenAction, tr("Open"), MarkCompleteAction, tr("Mark complete")}, std::move(what),
             u"x-stavelin.reminder"_s);
    }
}

void DesktopNotifier::send(const QString &summary, const QString &body, const QStringList &actions,
                           Bubble what, const QString &category, const QImage &picture)
{
    if (m_portal) {
        sendToPortal(summary, body, actions, std::move(what), picture);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(Service, Path, Interface, u"Notify"_s);
    QVariantMap hints{
        {u"desktop-entry"_s, DesktopActivation::ApplicationId},
        {u"category"_s, category},
    };
    if (!picture.isNull()) {
        // The picture itself, as the notification daemon reads it (iiibiiay): width, height, row stride,
        // alpha, bits per sample, channels, then the pixels (RGBA, 8 bits each).
        const QImage rgba = picture.convertToFormat(QImage::Format_RGBA8888);
        QDBusArgument image;
        image.beginStructure();
        image << int(rgba.width()) << int(rgba.height()) << int(rgba.bytesPerLine()) << true
              << 8 << 4
              << QByteArray(reinterpret_cast<const char *>(rgba.constBits()), rgba.sizeInBytes());
        image.endStructure();
        hints.insert(u"image-data"_s, QVariant::fromValue(image));
    }
    call << u"Stavelin"_s << uint(0) << DesktopActivation::ApplicationId << summary
         << (m_bodyMarkup ? body.toHtmlEscaped() : body) << actions << hints << int(-1);
    deliver(call, std::move(what), summary, 0);
}

void DesktopNotifier::sendToPortal(const QString &summary, const QString &body,
                                   const QStringList &actions, Bubble what, const QImage &picture)
{
    const uint bubble = ++m_portalIds;
    QVariantMap notification{{u"title"_s, summary}, {u"body"_s, body}};
    QList<QVariantMap> buttons;
    for (qsizetype i = 0; i + 1 < actions.size(); i += 2) {
        if (actions.at(i) == OpenAction) {
            notification.insert(u"default-action"_s, OpenAction);
        }
        buttons.append({{u"label"_s, actions.at(i + 1)}, {u"action"_s, actions.at(i)}});
    }
    if (!buttons.isEmpty()) {
        QDBusArgument list;
        list.beginArray(QMetaType::fromType<QVariantMap>());
        for (const QVariantMap &button : std::as_const(buttons)) {
            list << button;
        }
        list.endArray();
        notification.insert(u"buttons"_s, QVariant::fromValue(list));
    }
    if (!picture.isNull()) {
        // A serialised GIcon: ("bytes", <the picture as PNG>).
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        picture.save(&buffer, "PNG");
        QDBusArgument icon;
        icon.beginStructure();
        icon << u"bytes"_s << QDBusVariant(png);
        icon.endStructure();
        notification.insert(u"icon"_s, QVariant::fromValue(icon));
    }
    QDBusMessage call = QDBusMessage::createMethodCall(PortalService, PortalPath, PortalInterface,
                                                       u"AddNotification"_s);
    call << QString(PortalPrefix + QString::number(bubble)) << notification;
    deliver(call, std::move(what), summary, bubble);
}

void DesktopNotifier::deliver(const QDBusMessage &call, Bubble what, const QString &summary,
                              uint portalBubble)
{
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, portalBubble, what = std::move(what), summary](QDBusPendingCallWatcher *pending) {
                pending->deleteLater();
                const QDBusMessage reply = pending->reply();
                if (reply.type() != QDBusMessage::ReplyMessage) {
                    return;
                }
                // The daemon names its bubble in the answer; the portal's are named here.
                uint bubble = portalBubble;
                if (bubble == 0) {
                    const QVariantList answer = reply.arguments();
                    if (answer.size() != 1 || answer.first().metaType() != QMetaType::fromType<uint>()) {
                        return;
                    }
                    bubble = answer.first().toUInt();
                }
                m_bubbles.insert(bubble, what);
                Q_EMIT told(bubble, summary);
            });
}

void DesktopNotifier::onPortalAction(const QString &id, const QString &action, const QVariantList &)
{
    bool ours = id.startsWith(PortalPrefix);
    const uint bubble = id.mid(PortalPrefix.size()).toUInt(&ours);
    if (ours) {
        onActionInvoked(bubble, action);
    }
}

void DesktopNotifier::onActivationToken(uint bubble, const QString &token)
{
    if (m_bubbles.contains(bubble)) {
        m_tokens.insert(bubble, token);
    }
}

void DesktopNotifier::onActionInvoked(uint bubble, const QString &action)
{
    const auto found = m_bubbles.constFind(bubble);
    if (found == m_bubbles.cend()) {
        return; // another program's
    }
    const Bubble what = *found;
    const QString token = m_tokens.take(bubble);
    // Done with: a daemon that keeps a bubble after its action would offer it again.
    if (m_portal) {
        m_bubbles.remove(bubble); // the portal says nothing of bubbles closed
        m_bus.asyncCall(QDBusMessage::createMethodCall(PortalService, PortalPath, PortalInterface,
                                                       u"RemoveNotification"_s)
                        << QString(PortalPrefix + QString::number(bubble)));
    } else {
        m_bus.asyncCall(QDBusMessage::createMethodCall(Service, Path, Interface, u"CloseNotification"_s)
                        << bubble);
    }
    if (what.reminder) {
        if (what.cardID.isEmpty()) {
            Q_EMIT openPanelRequested(token);
        } else if (action == MarkCompleteAction && m_cards) {
            m_cards->updateCard(what.cardID, {{u"dueComplete"_s, true}});
        } else if (action == OpenAction) {
            Q_EMIT cardRequested(what.boardID, what.listID, what.cardID, token);
        }
        return;
    }
    if (action == MarkReadAction && m_area && !what.notificationID.isEmpty()) {
        m_area->markRead(what.notificationID);
    } else if (action == OpenAction && what.notificationID.isEmpty()) {
        Q_EMIT panelRequested(token);
    } else if (action == OpenAction) {
        Q_EMIT cardRequested(what.boardID, what.listID, what.cardID, token);
        if (m_area) {
            m_area->markCardRead(what.cardID); // the user has it in front of them
        }
    }
}

void DesktopNotifier::onClosed(uint bubble, uint)
{
    m_bubbles.remove(bubble);
    m_tokens.remove(bubble);
}
