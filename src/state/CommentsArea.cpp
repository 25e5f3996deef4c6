// SPDX-License-Identifier: MIT
// A card's comments, and the reactions of those near the view.
#include "CommentsArea.h"

#include "SessionArea.h"

#include <QPointer>

using namespace Qt::StringLiterals;

namespace {
// Reactions are fetched for the comments whose rows are near the view, this many at a time,
// and only while this many requests of the token's window stay free for what the user does
// (a refresh, a save). A row that only passes by within the first moment is not fetched.
constexpr qsizetype ReactionFetchesAtOnce = 6;
constexpr int ReactionBudgetReserve = 20;
constexpr int ReactionSettleMs = 50;

using CommentReactions = std::pair<QString, QList<TrelloReaction>>;

// One comment's reactions; a failed fetch counts as none, and says nothing.
QCoro::Task<CommentReactions> reactionsOrNone(QCoro::Task<QList<TrelloReaction>> fetch,
                                              QString commentID)
{
    QList<TrelloReaction> reactions;
    try {
        reactions = co_await std::move(fetch);
    } catch (const std::exception &) {
    }
    co_return CommentReactions{std::move(commentID), std::move(reactions)};
}
} // namespace

CommentsArea::CommentsArea(StoreContext &context, QObject *parent)
    : QObject(parent), m_context(context)
{
    m_comments.setLoadingHandler([this] { Q_EMIT loadingCommentsChanged(); });
    m_reactionPump.setSingleShot(true);
    connect(&m_reactionPump, &QTimer::timeout, this, &CommentsArea::pumpReactions);
}

void CommentsArea::release(const QString &cardID)
{
    for (const TrelloComment &comment : m_comments.value(cardID)) {
        m_reactions.remove(comment.id);
        m_reactionQueue.removeAll(comment.id);
        m_reactionsNear.remove(comment.id);
    }
    m_comments.remove(cardID);
}

void CommentsArea::clear()
{
    m_comments.clear();
    m_reactions.clear();
    m_reactionQueue.clear();
    m_reactionsNear.clear();
}

void CommentsArea::loadMissing(const QString &cardID)
{
    if (!m_comments.contains(cardID) && !m_comments.isLoading(cardID)) {
        refreshComments(cardID);
    }
}

Operation CommentsArea::refreshComments(const QString &cardID)
{
    return m_context.operation(u"refreshComments"_s, {{"card", cardID}}, [this, cardID] { return loadComments(cardID); });
}

QCoro::Task<> CommentsArea::loadComments(QString cardID)
{
    // Newest first; comments posted in the same instant keep the service's order.
    const auto newestFirst = [](QList<TrelloComment> &comments) {
        std::stable_sort(comments.begin(), comments.end(),
                         [](const TrelloComment &a, const TrelloComment &b) { return a.date > b.date; });
    };
    const bool stored = co_await m_context.load(m_comments, cardID, &TrelloAPI::fetchComments, newestFirst);
    // The reactions shown are brought up to date too; the others wait for their rows.
    for (const TrelloComment &comment : stored ? m_comments.value(cardID) : QList<TrelloComment>()) {
        if (m_reactionsNear.contains(comment.id)) {
            queueReactions(comment.id, true);
        }
    }
}

void CommentsArea::setReactionsWanted(const QString &commentID, bool wanted)
{
    if (!wanted) {
        m_reactionsNear.remove(commentID);
        m_reactionQueue.removeAll(commentID);
        return;
    }
    m_reactionsNear.insert(commentID);
    queueReactions(commentID, false);
}

void CommentsArea::queueReactions(const QString &commentID, bool again)
{
    if ((!again && m_reactions.contains(commentID)) || m_reactionsInFlight.contains(commentID) ||
        m_reactionQueue.contains(commentID)) {
        return;
    }
    m_reactionQueue.append(commentID);
    if (!m_reactionPump.isActive()) {
        m_reactionPump.start(ReactionSettleMs);
    }
}

void CommentsArea::pumpReactions()
{
    while (m_reactionsInFlight.size() < ReactionFetchesAtOnce && !m_reactionQueue.isEmpty()) {
        const auto wait = m_context.api().budgetWait(1 + ReactionBudgetReserve);
        if (wait > std::chrono::milliseconds(0)) {
            m_reactionPump.start(int(std::min<qint64>(wait.count(), 10000)));
            return;
        }
        const QString id = m_reactionQueue.takeFirst();
        if (m_comments.parentOf(id)) {
            m_context.run(u"loadReactions"_s, fetchReactionsOf(id));
        }
    }
}

QCoro::Task<> CommentsArea::fetchReactionsOf(QString commentID)
{
    QPointer<CommentsArea> self(this);
    m_reactionsInFlight.insert(commentID);
    auto load = m_reactions.beginLoad(commentID);
    CommentReactions result =
        co_await reactionsOrNone(m_context.api().fetchReactions(commentID), commentID);
    if (!self) {
        co_return;
    }
    m_reactionsInFlight.remove(commentID);
    load.finish(std::move(result.second));
    pumpReactions();
}

Operation CommentsArea::addComment(const QString &cardID, const QString &text)
{
    return m_context.operation(u"addComment"_s, {{"card", cardID}}, [this, cardID, text]() -> QCoro::Task<> {
        TrelloComment comment = co_await m_context.api().addComment(cardID, text);
        // At the front whatever its date: it is the one the user just wrote. A first load still
        // under way takes it on top of its answer.
        m_comments.prepend(cardID, std::move(comment));
        Q_EMIT commentCountChanged(cardID, +1);
    });
}

Operation CommentsArea::editComment(const QString &commentID, const QString &text)
{
    return m_context.operation(u"editComment"_s, {{"comment", commentID}}, [this, commentID, text]() -> QCoro::Task<> {
        TrelloComment edited = co_await m_context.api().editComment(commentID, text);
        // The answer's shape is not promised: what it leaves out (the author, the date) stays as
        // the stored comment had it.
        if (const TrelloComment *stored = m_comments.record(commentID)) {
            if (!edited.memberCreator) {
                edited.memberCreator = stored->memberCreator;
            }
            if (!edited.date.isValid()) {
                edited.date = stored->date;
            }
        }
        m_comments.replace(commentID, edited);
    });
}

Operation CommentsArea::deleteComment(const QString &commentID)
{
    return m_context.operation(u"deleteComment"_s, {{"comment", commentID}}, [this, commentID]() -> QCoro::Task<> {
        co_await m_context.api().deleteComment(commentID);
        const std::optional<QString> cardID = m_comments.parentOf(commentID);
        m_comments.removeRecord(commentID);
        m_reactions.remove(commentID);
        if (cardID) {
            Q_EMIT commentCountChanged(*cardID, -1);
        }
    });
}

Operation CommentsArea::toggleReaction(const QString &commentID, const QString &shortName, const QString &native)
{
    return m_context.operation(u"toggleReaction"_s, {{"comment", commentID}}, [=, this]() -> QCoro::Task<> {
        // Ours is the one the signed-in member gave with this emoji, known by its primary short
        // name (by its character when the answer names none); the same emoji from others does
        // not count. Nobody signed in: nothing is ours, so a toggle adds.
        std::optional<QString> ownReactionID;
        if (const std::optional<TrelloMember> &member = m_context.session().member()) {
            for (const TrelloReaction &reaction : m_reactions.value(commentID)) {
                const bool same = reaction.emoji && (reaction.emoji->shortName
                                                         ? *reaction.emoji->shortName == shortName
                                                         : reaction.emoji->native == native);
                if (reaction.idMember == member->id && same) {
                    ownReactionID = reaction.id;
                    break;
                }
            }
        }
        // Two statements, not a conditional expression: g++ 12 mishandles a task temporary
        // chosen by ?: inside a coroutine and destroys it while it is still running.
        if (ownReactionID) {
            co_await m_context.api().removeReaction(commentID, *ownReactionID);
        } else {
            co_await m_context.api().addReaction(commentID, shortName);
        }
        auto load = m_reactions.beginLoad(commentID);
        QList<TrelloReaction> reactions = co_await m_context.api().fetchReactions(commentID);
        load.finish(std::move(reactions));
    });
}
