// SPDX-License-Identifier: MIT
#include "NotificationsArea.h"

#include "SessionArea.h"

#include <QPointer>

#include <algorithm>

using namespace Qt::StringLiterals;

NotificationsArea::NotificationsArea(StoreContext &context, const SessionArea &session,
                                     QObject *parent)
    : QObject(parent), m_context(context), m_session(session), m_timed(context.api(), budgetReserve)
{
    connect(&m_timed, &BackgroundPoll::answered, this,
            [this](quint64 tag, bool whole, const QList<TrelloNotification> &news) {
                if (tag == m_epoch) {
                    take(news, whole);
                }
            });
    connect(&m_timed, &BackgroundPoll::failed, this, &NotificationsArea::backgroundFailed);
    connect(&session, &SessionArea::memberChanged, this, &NotificationsArea::sessionChanged);
}

void NotificationsArea::setInterval(std::chrono::milliseconds interval)
{
    m_interval = interval;
    if (m_timed.isRunning()) {
        startTimedPolls();
    }
}

void NotificationsArea::startTimedPolls()
{
    m_timed.start(m_interval, m_newest, m_epoch);
}

// Connected: one poll at once, then every interval. Another account starts afresh; none stops.
void NotificationsArea::sessionChanged()
{
    const QString member = m_session.member() ? m_session.member()->id : QString();
    if (member == m_memberID) {
        return;
    }
    clear();
    m_memberID = member;
    if (!member.isEmpty()) {
        startPoll(true);
        if (!m_paused) {
            startTimedPolls();
        }
    }
}

void NotificationsArea::setPaused(bool paused)
{
    m_paused = paused;
    if (paused) {
        m_timed.stop();
    } else if (!m_memberID.isEmpty() && !m_timed.isRunning()) {
        startTimedPolls();
    }
}

void NotificationsArea::clear()
{
    m_timed.stop();
    ++m_generation;
    ++m_epoch;
    m_poll.reset();
    m_memberID.clear();
    m_newest.clear();
    m_seen.clear();
    m_readHere.clear();
    if (!m_unread.isEmpty()) {
        m_unread.clear();
        Q_EMIT notificationsChanged();
    }
}

// A timed poll failed: logged, not put in the banner over the boards. One that found no network
// takes the whole client offline, as any request of the panel's would.
void NotificationsArea::backgroundFailed(quint64 tag, const BackgroundPoll::Failure &failure)
{
    if (tag != m_epoch || (failure.offline && m_context.api().isOffline())) {
        return;
    }
    m_context.errors().note(failure.kind, u"pollNotifications"_s,
                            tr("Notifications could not be fetched: %1").arg(failure.description));
    if (failure.offline) {
        m_context.api().setOffline(true);
    }
}

Operation NotificationsArea::poll()
{
    if (m_memberID.isEmpty()) {
        return m_context.nothingToDo();
    }
    return startPoll(true);
}

Operation NotificationsArea::startPoll(bool whole)
{
    // The first poll is whole whatever asked for it: there is nothing to go on from.
    whole = whole || m_newest.isEmpty();
    if (m_poll && !m_poll->isFinished()) {
        if (m_pollIsWhole || !whole) {
            return *m_poll;
        }
        // A showing while only newer ones are asked for: a whole poll follows that one, and
        // showings meanwhile join it.
        m_poll = m_context.run(u"pollNotifications"_s, pollAfter(*m_poll, m_generation));
        m_pollIsWhole = true;
        return *m_poll;
    }
    // What a timed poll sent before this one's answer would say no more than it does.
    m_timed.follow(m_newest, ++m_epoch);
    m_pollIsWhole = whole;
    m_poll = m_context.run(u"pollNotifications"_s, doPoll(whole, m_generation));
    return *m_poll;
}

QCoro::Task<> NotificationsArea::pollAfter(Operation running, quint64 generation)
{
    const QPointer<NotificationsArea> self(this);
    co_await running;
    if (!self || generation != m_generation) {
        co_return;
    }
    co_await doPoll(true, generation);
}

QCoro::Task<> NotificationsArea::doPoll(bool whole, quint64 generation)
{
    const QPointer<NotificationsArea> self(this);
    // Not a conditional inside the co_await: g++ 12 destroys such a temporary twice.
    QString since;
    if (!whole) {
        since = m_newest;
    }
    QList<TrelloNotification> answer;
    const bool heldBack = m_context.api().isOffline();
    try {
        answer = co_await m_context.api().fetchNotifications(since, pollLimit);
    } catch (const std::exception &error) {
        // Polled in the background: logged, not put in the banner over the boards. Held back
        // while offline, it was not sent, and the log has that stretch already.
        const QString line = tr("Notifications could not be fetched: %1").arg(ErrorLog::describe(error));
        if (heldBack) {
            throw ReportedFailure(line);
        }
        throw ReportedFailure(
            m_context.errors().note(ErrorLog::kindOf(error), u"pollNotifications"_s, line));
    }
    if (!self || generation != m_generation) {
        co_return; // another account's
    }
    take(std::move(answer), whole);
    m_timed.follow(m_newest, m_epoch);
}

void NotificationsArea::take(QList<TrelloNotification> answer, bool whole)
{
    // Marked read here while the answer was on its way: it stays read.
    answer.removeIf([this](const TrelloNotification &n) {
        return !n.unread || m_readHere.contains(n.id);
    });
    QList<TrelloNotification> fresh;
    for (const TrelloNotification &n : answer) {
        if (n.id > m_newest) {
            m_newest = n.id;
        }
        if (!m_seen.contains(n.id)) {
            m_seen.insert(n.id);
            fresh.append(n);
        }
    }
    QList<TrelloNotification> unread = answer;
    if (!whole) {
        for (const TrelloNotification &held : std::as_const(m_unread)) {
            if (std::none_of(answer.begin(), answer.end(),
                             [&](const TrelloNotification &n) { return n.id == held.id; })) {
                unread.append(held);
            }
        }
    }
    std::sort(unread.begin(), unread.end(),
              [](const TrelloNotification &a, const TrelloNotification &b) { return a.id > b.id; });
    if (unread != m_unread) {
        m_unread = std::move(unread);
        Q_EMIT notificationsChanged();
    }
    if (!fresh.isEmpty()) {
        Q_EMIT arrived(fresh);
    }
}

Operation NotificationsArea::markRead(const QString &id)
{
    return m_context.operation(u"markNotificationRead"_s, {{"notification", id}},
                               [this, id] { return doMarkRead({id}, QString(), false); });
}

Operation NotificationsArea::markCardRead(const QString &cardID)
{
    QStringList ids;
    for (const TrelloNotification &n : std::as_const(m_unread)) {
        if (n.data.card && n.data.card->id == cardID) {
            ids.append(n.id);
        }
    }
    if (ids.isEmpty()) {
        return m_context.nothingToDo(); // nothing unread about it: nothing to send
    }
    return m_context.operation(u"markCardNotificationsRead"_s, {{"card", cardID}},
                               [this, ids, cardID] { return doMarkRead(ids, cardID, false); });
}

Operation NotificationsArea::markAllRead()
{
    QStringList ids;
    for (const TrelloNotification &n : std::as_const(m_unread)) {
        ids.append(n.id);
    }
    if (ids.isEmpty()) {
        return m_context.nothingToDo();
    }
    return m_context.operation(u"markAllNotificationsRead"_s, {},
                               [this, ids] { return doMarkRead(ids, QString(), true); });
}

QCoro::Task<> NotificationsArea::doMarkRead(QStringList ids, QString cardID, bool all)
{
    const QPointer<NotificationsArea> self(this);
    const quint64 generation = m_generation;
    if (!cardID.isEmpty()) {
        co_await m_context.api().markCardNotificationsRead(cardID);
    } else if (all) {
        co_await m_context.api().markNotificationsRead(ids);
    } else {
        co_await m_context.api().markNotificationRead(ids.constFirst());
    }
    if (!self || generation != m_generation) {
        co_return;
    }
    for (const QString &id : std::as_const(ids)) {
        m_readHere.insert(id);
    }
    drop([&](const TrelloNotification &n) {
        return ids.contains(n.id) || (!cardID.isEmpty() && n.data.card && n.data.card->id == cardID);
    });
}

void NotificationsArea::drop(const std::function<bool(const TrelloNotification &)> &which)
{
    if (m_unread.removeIf(which) > 0) {
        Q_EMIT notificationsChanged();
    }
}

QString NotificationsArea::creatorName(const TrelloNotification &n)
{
    if (n.memberCreator) {
        const QString full = n.memberCreator->fullName.value_or(QString()).trimmed();
        return full.isEmpty() ? n.memberCreator->username : full;
    }
    return tr("Someone");
}

QString NotificationsArea::sentence(const TrelloNotification &n)
{
    const QString who = creatorName(n);
    const QString card = n.data.card ? n.data.card->name.value_or(QString()) : QString();
    const QString board = n.data.board ? n.data.board->name.value_or(QString()) : QString();
    const QString &type = n.type;
    if (!card.isEmpty()) {
        if (type == u"mentionedOnCard"_s) {
            return tr("%1 mentioned you on “%2”").arg(who, card);
        }
        if (type == u"commentCard"_s) {
            return tr("%1 commented on “%2”").arg(who, card);
        }
        if (type == u"addedToCard"_s) {
            return tr("%1 added you to “%2”").arg(who, card);
        }
        if (type == u"removedFromCard"_s) {
            return tr("%1 removed you from “%2”").arg(who, card);
        }
        if (type == u"cardDueSoon"_s) {
            return tr("“%1” is due soon").arg(card);
        }
        if (type == u"changeCard"_s) {
            return tr("%1 changed “%2”").arg(who, card);
        }
        if (type == u"addedAttachmentToCard"_s) {
            return tr("%1 attached a file to “%2”").arg(who, card);
        }
        if (type == u"updateCheckItemStateOnCard"_s) {
            return tr("%1 checked off an item on “%2”").arg(who, card);
        }
        if (type == u"createdCard"_s) {
            return tr("%1 created “%2”").arg(who, card);
        }
        return tr("%1 updated “%2”").arg(who, card);
    }
    if (!board.isEmpty()) {
        if (type == u"addedToBoard"_s) {
            return tr("%1 added you to the board “%2”").arg(who, board);
        }
        if (type == u"removedFromBoard"_s) {
            return tr("%1 removed you from the board “%2”").arg(who, board);
        }
        return tr("%1 updated the board “%2”").arg(who, board);
    }
    return tr("New notification from %1").arg(who);
}

QVariantList NotificationsArea::notificationValues() const
{
    QVariantList values;
    for (const TrelloNotification &n : m_unread) {
        const auto part = [](const std::optional<NotificationRef> &ref, bool name) {
            return ref ? (name ? ref->name.value_or(QString()) : ref->id) : QString();
        };
        values.append(QVariantMap{
            {u"id"_s, n.id},
            {u"type"_s, n.type},
            {u"sentence"_s, sentence(n)},
            {u"text"_s, n.data.text.value_or(QString())},
            {u"idCard"_s, part(n.data.card, false)},
            {u"cardName"_s, part(n.data.card, true)},
            {u"idBoard"_s, part(n.data.board, false)},
            {u"boardName"_s, part(n.data.board, true)},
            {u"idList"_s, part(n.data.list, false)},
            {u"creatorName"_s, creatorName(n)},
            {u"creator"_s, n.memberCreator ? QVariant::fromValue(*n.memberCreator) : QVariant()},
            {u"avatarUrl"_s, n.memberCreator ? n.memberCreator->avatarUrl.value_or(QString()) : QString()},
            {u"date"_s, n.date},
        });
    }
    return values;
}
