// SPDX-License-Identifier: MIT
#pragma once

#include "BackgroundPoll.h"
#include "StoreContext.h"

#include <QObject>
#include <QSet>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

#include <chrono>
#include <functional>
#include <optional>

class SessionArea;

// The member's unread notifications. While an account is connected they are polled: once at
// once, then every minute asking only for those newer than the newest known (`since`), and a
// whole poll at every showing of the panel, which also lets go of the ones read elsewhere. A
// poll asked for while one is under way joins it (a whole one asked for during a poll for newer
// ones follows it). The timed polls run on a thread of their own (BackgroundPoll), which hands
// over only news; one is skipped while the rate budget could not take a showing's worth of
// requests besides: the panel comes first.
class NotificationsArea : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Part of AppState")
    // Newest first, as {id, type, sentence, text, idCard, cardName, idBoard, boardName, idList,
    // creatorName, creator (the member, when known), avatarUrl, date}.
    Q_PROPERTY(QVariantList notifications READ notificationValues NOTIFY notificationsChanged)
    Q_PROPERTY(int unreadCount READ unreadCount NOTIFY notificationsChanged)
public:
    static constexpr std::chrono::milliseconds defaultInterval{60000};
    // What a timed poll leaves the panel: the requests of a showing of a board of many lists.
    static constexpr int budgetReserve = 25;
    // Asked for per poll; the service keeps more, but nobody reads a hundred.
    static constexpr int pollLimit = 100;

    NotificationsArea(StoreContext &context, const SessionArea &session, QObject *parent = nullptr);

    const QList<TrelloNotification> &unread() const { return m_unread; }
    QVariantList notificationValues() const;
    int unreadCount() const { return int(m_unread.size()); }
    std::chrono::milliseconds interval() const { return m_interval; }
    void setInterval(std::chrono::milliseconds interval); // for tests

    // A whole poll now (the panel shows), or the one under way.
    Q_INVOKABLE Operation poll();
    Q_INVOKABLE Operation markRead(const QString &id);
    // Every notification about the card.
    Q_INVOKABLE Operation markCardRead(const QString &cardID);
    // Every notification held (not any that arrived since, unseen).
    Q_INVOKABLE Operation markAllRead();
    // Everything goes (the account left).
    void clear();
    // No timed polls while paused (the service is out of reach); a poll asked for still runs.
    void setPaused(bool paused);

    // The sentence that says what happened, for the panel and the desktop
    // ("Marco Bellini mentioned you on “Fix crash”"); the comment's words are the `text`.
    static QString sentence(const TrelloNotification &notification);
    static QString creatorName(const TrelloNotification &notification);

Q_SIGNALS:
    void notificationsChanged();
    // Unread notifications this run has not held before, newest first.
    void arrived(const QList<TrelloNotification> &fresh);

private:
    Operation startPoll(bool whole);
    QCoro::Task<> doPoll(bool whole, quint64 generation);
    QCoro::Task<> pollAfter(Operation running, quint64 generation);
    QCoro::Task<> doMarkRead(QStringList ids, QString cardID, bool all);
    // Takes a poll's answer: news are told, and a whole one lets go of what it lacks.
    void take(QList<TrelloNotification> answer, bool whole);
    void startTimedPolls();
    void backgroundFailed(quint64 tag, const BackgroundPoll::Failure &failure);
    void sessionChanged();
    void drop(const std::function<bool(const TrelloNotification &)> &which);

    StoreContext &m_context;
    const SessionArea &m_session;
    BackgroundPoll m_timed;
    std::chrono::milliseconds m_interval = defaultInterval;
    quint64 m_epoch = 0;    // bumped at each poll of our own: timed answers sent before are stale
    QList<TrelloNotification> m_unread;
    QSet<QString> m_seen;   // every id held this run: arrivals are told once
    QSet<QString> m_readHere; // marked read by this run: an answer on its way keeps them out
    QString m_newest;       // the newest id known, read or not: the next `since`
    QString m_memberID;     // whose they are
    quint64 m_generation = 0; // bumped when the account changes: older answers are dropped
    std::optional<Operation> m_poll;
    bool m_pollIsWhole = false; // m_poll asks for all of them, not only newer ones
    bool m_paused = false;
};
