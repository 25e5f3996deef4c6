// SPDX-License-Identifier: MIT
#pragma once

#include "StoreContext.h"

#include <QDateTime>
#include <QObject>
#include <QSet>
#include <QTimer>
#include <QtQml/qqmlregistration.h>

#include <chrono>
#include <functional>
#include <optional>

class BoardsArea;
class SessionArea;
class QSettings;

// A card whose reminder has come, with what the desktop says about it.
struct DueReminder {
    TrelloMemberCard card;
    QString boardName; // empty when the board is not among those loaded
    bool operator==(const DueReminder &) const = default;
};

// Reminders of due dates, worked out here from the member's cards: a card that is not complete
// and has a reminder set reminds once at `due − dueReminder`, once per card and due date (a new
// due date reminds again). What was reminded (card ids and due dates, nothing else) is kept in
// the preferences, so a restart does not remind again.
//
// The cards are fetched once at once, then every 15 minutes and at every showing of the panel
// (joined with a fetch under way), only while the rate budget could take a showing's requests
// besides. Between fetches one single-shot timer waits for the next reminder: nothing wakes the
// program more often. A reminder missed by more than `lateness` after the due date itself (the
// computer was off or asleep) is not given late. Turned off, nothing is fetched.
class RemindersArea : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Part of AppState")
    Q_PROPERTY(bool enabled READ isEnabled WRITE setEnabled NOTIFY enabledChanged)
public:
    static constexpr std::chrono::milliseconds defaultInterval{15 * 60 * 1000};
    static constexpr std::chrono::seconds lateness{3600};
    // What a fetch leaves the panel, as with notifications.
    static constexpr int budgetReserve = 25;
    static inline const QString EnabledKey = QStringLiteral("RemindDueDates");
    static inline const QString RemindedKey = QStringLiteral("Reminders/Reminded");

    using Clock = std::function<QDateTime()>;

    RemindersArea(StoreContext &context, const SessionArea &session, const BoardsArea &boards,
                  QSettings *preferences, QObject *parent = nullptr);

    bool isEnabled() const { return m_enabled; }
    void setEnabled(bool enabled);
    // For tests: the time it is, and how often the cards are fetched.
    void setClock(Clock clock);
    void setInterval(std::chrono::milliseconds interval);
    QDateTime now() const { return m_clock(); }

    // The cards held that have a due date and a reminder.
    const QList<TrelloMemberCard> &cards() const { return m_cards; }
    // When the next reminder falls, if any is to come.
    std::optional<QDateTime> nextReminder() const;

    // A fetch now (the panel shows), or the one under way; nothing while the budget is short.
    Q_INVOKABLE Operation fetch();
    // Reminds of what has come by now, and waits for the next one.
    void check();
    // A card changed here (its due date, its completion): the reminders follow.
    void noteCard(const TrelloCard &card);
    // Everything held goes (the account left); what was reminded stays recorded.
    void clear();

    // When the card reminds, if it does: due − dueReminder, for a card not complete.
    static std::optional<QDateTime> remindAt(const TrelloMemberCard &card);

Q_SIGNALS:
    void enabledChanged();
    // Reminders that have come, soonest due first; each is told once.
    void reminded(const QList<DueReminder> &due);

private:
    QCoro::Task<> doFetch(quint64 generation);
    void timedFetch();
    void sessionChanged();
    void start();
    static QString remindedKey(const TrelloMemberCard &card);

    StoreContext &m_context;
    const SessionArea &m_session;
    const BoardsArea &m_boards;
    QSettings *m_preferences;
    Clock m_clock;
    QTimer m_fetchTimer;
    QTimer m_alarm; // single shot, to the next reminder
    QList<TrelloMemberCard> m_cards;
    QSet<QString> m_reminded; // "<card id> <due, seconds since the epoch>"
    QString m_memberID;
    quint64 m_generation = 0;
    std::optional<Operation> m_fetch;
    bool m_enabled = true;
};
