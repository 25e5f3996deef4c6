// SPDX-License-Identifier: MIT
#include "RemindersArea.h"

#include "BoardsArea.h"
#include "SessionArea.h"

#include <QPointer>
#include <QSettings>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {
// The longest the alarm waits in one go: a timer of days would be armed against a clock that
// stops while the computer sleeps, and every fetch sets it again anyway.
constexpr qint64 longestWaitMs = 24 * 3600 * 1000;
} // namespace

RemindersArea::RemindersArea(StoreContext &context, const SessionArea &session,
                             const BoardsArea &boards, QSettings *preferences, QObject *parent)
    : QObject(parent), m_context(context), m_session(session), m_boards(boards),
      m_preferences(preferences), m_clock([] { return QDateTime::currentDateTimeUtc(); })
{
    m_enabled = m_preferences->value(EnabledKey, true).toBool();
    const QStringList reminded = m_preferences->value(RemindedKey).toStringList();
    m_reminded = QSet<QString>(reminded.begin(), reminded.end());
    m_fetchTimer.setInterval(defaultInterval);
    m_fetchTimer.setTimerType(Qt::VeryCoarseTimer);
    connect(&m_fetchTimer, &QTimer::timeout, this, &RemindersArea::timedFetch);
    // To the second: a reminder is for a time of day.
    m_alarm.setSingleShot(true);
    m_alarm.setTimerType(Qt::PreciseTimer);
    connect(&m_alarm, &QTimer::timeout, this, &RemindersArea::check);
    connect(&session, &SessionArea::memberChanged, this, &RemindersArea::sessionChanged);
}

void RemindersArea::setClock(Clock clock)
{
    m_clock = std::move(clock);
    check();
}

void RemindersArea::setInterval(std::chrono::milliseconds interval)
{
    m_fetchTimer.setTimerType(interval < std::chrono::seconds(20) ? Qt::CoarseTimer
                                                                  : Qt::VeryCoarseTimer);
    m_fetchTimer.setInterval(interval);
}

void RemindersArea::setEnabled(bool enabled)
{
    if (enabled == m_enabled) {
        return;
    }
    m_enabled = enabled;
    m_preferences->setValue(EnabledKey, enabled);
    m_preferences->sync();
    const QString member = m_memberID;
    clear();
    m_memberID = member;
    if (enabled) {
        start();
    }
    Q_EMIT enabledChanged();
}

void RemindersArea::sessionChanged()
{
    const QString member = m_session.member() ? m_session.member()->id : QString();
    if (member == m_memberID) {
        return;
    }
    clear();
    m_memberID = member;
    start();
}

void RemindersArea::start()
{
    if (m_enabled && !m_memberID.isEmpty()) {
        m_fetchTimer.start();
        fetch();
    }
}

void RemindersArea::clear()
{
    m_fetchTimer.stop();
    m_alarm.stop();
    ++m_generation;
    m_fetch.reset();
    m_memberID.clear();
    m_cards.clear();
}

Operation RemindersArea::fetch()
{
    if (!m_enabled || m_memberID.isEmpty()) {
        return m_context.nothingToDo();
    }
    if (m_fetch && !m_fetch->isFinished()) {
        return *m_fetch;
    }
    // The panel's own requests come first: while the budget is short, the next fetch will do.
    if (m_context.api().budgetWait(budgetReserve) > std::chrono::milliseconds(0)) {
        return m_context.nothingToDo();
    }
    m_fetch = m_context.run(u"fetchReminders"_s, doFetch(m_generation));
    return *m_fetch;
}

void RemindersArea::timedFetch()
{
    fetch();
}

QCoro::Task<> RemindersArea::doFetch(quint64 generation)
{
    const QPointer<RemindersArea> self(this);
    QList<TrelloMemberCard> answer;
    try {
        answer = co_await m_context.api().fetchMemberCards();
    } catch (const std::exception &error) {
        // Fetched in the background: logged, not put in the banner over the boards.
        const QString line = tr("Due dates could not be fetched: %1").arg(ErrorLog::describe(error));
        throw ReportedFailure(
            m_context.errors().note(ErrorLog::kindOf(error), u"fetchReminders"_s, line));
    }
    if (!self || generation != m_generation) {
        co_return; // another account's, or turned off meanwhile
    }
    // Only cards that can remind are kept; completed ones too, as completion can be undone here.
    answer.removeIf([](const TrelloMemberCard &card) {
        return !card.due || card.dueReminder.value_or(-1) < 0;
    });
    m_cards = std::move(answer);
    check();
}

std::optional<QDateTime> RemindersArea::remindAt(const TrelloMemberCard &card)
{
    if (!card.due || card.dueComplete.value_or(false) || card.dueReminder.value_or(-1) < 0) {
        return std::nullopt;
    }
    return card.due->addSecs(-60 * *card.dueReminder);
}

QString RemindersArea::remindedKey(const TrelloMemberCard &card)
{
    return card.id + u' ' + QString::number(card.due ? card.due->toSecsSinceEpoch() : 0);
}

std::optional<QDateTime> RemindersArea::nextReminder() const
{
    std::optional<QDateTime> next;
    const QDateTime now = m_clock();
    for (const TrelloMemberCard &card : m_cards) {
        const std::optional<QDateTime> at = remindAt(card);
        if (at && *at > now && !m_reminded.contains(remindedKey(card)) && (!next || *at < *next)) {
            next = at;
        }
    }
    return next;
}

void RemindersArea::check()
{
    if (!m_enabled) {
        return;
    }
    const QDateTime now = m_clock();
    // What was reminded is kept only while it could still remind.
    bool changed = false;
    for (auto it = m_reminded.begin(); it != m_reminded.end();) {
        const qint64 due = it->section(u' ', 1).toLongLong();
        if (QDateTime::fromSecsSinceEpoch(due, Qt::UTC).addSecs(lateness.count()) < now) {
            it = m_reminded.erase(it);
            changed = true;
        } else {
            ++it;
        }
    }
    QList<DueReminder> come;
    for (const TrelloMemberCard &card : std::as_const(m_cards)) {
        const std::optional<QDateTime> at = remindAt(card);
        if (!at || *at > now || card.due->addSecs(lateness.count()) < now) {
            continue;
        }
        const QString key = remindedKey(card);
        if (m_reminded.contains(key)) {
            continue;
        }
        m_reminded.insert(key);
        changed = true;
        QString boardName;
        for (const TrelloBoard &board : m_boards.boards()) {
            if (board.id == card.idBoard) {
                boardName = board.name;
            }
        }
        come.append(DueReminder{card, boardName});
    }
    if (changed) {
        // Recorded before anyone is told: a crash in between loses a reminder, never doubles one.
        QStringList kept(m_reminded.begin(), m_reminded.end());
        kept.sort();
        m_preferences->setValue(RemindedKey, kept);
        m_preferences->sync();
    }
    if (const std::optional<QDateTime> next = nextReminder()) {
        m_alarm.start(int(std::clamp(now.msecsTo(*next), qint64(0), longestWaitMs)));
    } else {
        m_alarm.stop();
    }
    if (!come.isEmpty()) {
        std::sort(come.begin(), come.end(), [](const DueReminder &a, const DueReminder &b) {
            return *a.card.due < *b.card.due;
        });
        Q_EMIT reminded(come);
    }
}

void RemindersArea::noteCard(const TrelloCard &card)
{
    for (TrelloMemberCard &held : m_cards) {
        if (held.id == card.id) {
            held.name = card.name;
            held.due = card.due;
            held.dueComplete = card.dueComplete;
            held.idList = card.idList;
            held.idBoard = card.idBoard;
            m_cards.removeIf([](const TrelloMemberCard &c) { return !c.due; });
            check();
            return;
        }
    }
}
