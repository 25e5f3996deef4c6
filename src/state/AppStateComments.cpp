// SPDX-License-Identifier: MIT
// Comments and the emoji reactions on them.
#include "AppState.h"

#include <utility>
#include <vector>

using namespace Qt::StringLiterals;

namespace {
// Reactions are loaded for the newest comments only, a few requests at a time, so that a long
// discussion neither floods the service nor keeps the editor waiting.
constexpr qsizetype ReactionCommentLimit = 30;
constexpr qsizetype ReactionBatchSize = 6;

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

Operation AppState::refreshComments(const QString &cardID)
{
    return operation(doRefreshComments(cardID));
}

QCoro::Task<> AppState::doRefreshComments(QString cardID)
{
    if (!hasCredentials()) {
        co_return;
    }
    // Held until the reactions are in too: the section shows its spinner until then.
    LoadingMark loading(this, Loading::Comments, cardID);
    auto comments = co_await attempt(m_api->fetchComments(cardID));
    if (!comments) {
        co_return;
    }
    // Newest first; comments posted in the same instant keep the service's order.
    std::stable_sort(comments->begin(), comments->end(),
                     [](const TrelloComment &a, const TrelloComment &b) { return a.date > b.date; });
    QStringList ids;
    ids.reserve(comments->size());
    for (const TrelloComment &comment : std::as_const(*comments)) {
        ids.append(comment.id);
    }
    m_comments.set(cardID, std::move(*comments));
    clearError();
    co_await loadReactions(std::move(ids));
}

QCoro::Task<> AppState::loadReactions(QStringList commentIDs)
{
    if (commentIDs.size() > ReactionCommentLimit) {
        commentIDs.resize(ReactionCommentLimit);
    }
    QPointer<AppState> self(this);
    for (qsizetype start = 0; start < commentIDs.size(); start += ReactionBatchSize) {
        // Tasks start running when created, so the whole batch is in flight before the first
        // answer is awaited.
        std::vector<QCoro::Task<CommentReactions>> batch;
        const qsizetype end = std::min(start + ReactionBatchSize, commentIDs.size());
        for (qsizetype i = start; i < end; ++i) {
            batch.push_back(reactionsOrNone(m_api->fetchReactions(commentIDs[i]), commentIDs[i]));
        }
        QList<CommentReactions> results;
        results.reserve(end - start);
        for (auto &task : batch) {
            results.append(co_await std::move(task));
        }
        if (!self) {
            co_return;
        }
        for (auto &[commentID, reactions] : results) {
            m_reactions.set(commentID, std::move(reactions));
        }
    }
}

Operation AppState::addComment(const QString &cardID, const QString &text)
{
    return operation(doAddComment(cardID, text));
}

QCoro::Task<> AppState::doAddComment(QString cardID, QString text)
{
    auto comment = co_await attempt(m_api->addComment(cardID, text));
    if (!comment) {
        co_return;
    }
    // At the front whatever its date: it is the one the user just wrote.
    QList<TrelloComment> comments = m_comments.value(cardID);
    comments.prepend(std::move(*comment));
    m_comments.set(cardID, std::move(comments));
    adjustCommentBadge(cardID, +1);
    clearError();
}

Operation AppState::editComment(const QString &cardID, const QString &commentID,
                                const QString &text)
{
    return operation(doEditComment(cardID, commentID, text));
}

QCoro::Task<> AppState::doEditComment(QString cardID, QString commentID, QString text)
{
    auto edited = co_await attempt(m_api->editComment(commentID, text));
    if (!edited) {
        co_return;
    }
    if (const QList<TrelloComment> *current = m_comments.find(cardID)) {
        QList<TrelloComment> comments = *current;
        for (TrelloComment &comment : comments) {
            if (comment.id == commentID) {
                comment = std::move(*edited);
                m_comments.set(cardID, std::move(comments));
                break;
            }
        }
    }
    clearError();
}

Operation AppState::deleteComment(const QString &cardID, const QString &commentID)
{
    return operation(doDeleteComment(cardID, commentID));
}

QCoro::Task<> AppState::doDeleteComment(QString cardID, QString commentID)
{
    const bool done = co_await attempt(m_api->deleteComment(commentID));
    if (!done) {
        co_return;
    }
    if (const QList<TrelloComment> *current = m_comments.find(cardID)) {
        QList<TrelloComment> comments = *current;
        comments.removeIf([&](const TrelloComment &comment) { return comment.id == commentID; });
        m_comments.set(cardID, std::move(comments));
    }
    m_reactions.remove(commentID);
    adjustCommentBadge(cardID, -1);
    clearError();
}

Operation AppState::toggleReaction(const QString &commentID, const QString &shortName,
                                   const QString &native)
{
    return operation(doToggleReaction(commentID, shortName, native));
}

QCoro::Task<> AppState::doToggleReaction(QString commentID, QString shortName, QString native)
{
    // Ours is the one the signed-in member gave with this very emoji character; the same emoji
    // from others does not count. Nobody signed in: nothing is ours, so a toggle adds.
    std::optional<QString> ownReactionID;
    if (m_member) {
        for (const TrelloReaction &reaction : m_reactions.value(commentID)) {
            if (reaction.idMember == m_member->id && reaction.emoji &&
                reaction.emoji->native == native) {
                ownReactionID = reaction.id;
                break;
            }
        }
    }
    // Two statements, not a conditional expression: g++ 12 mishandles a task temporary
    // chosen by ?: inside a coroutine and destroys it while it is still running.
    bool changed = false;
    if (ownReactionID) {
        changed = co_await attempt(m_api->removeReaction(commentID, *ownReactionID));
    } else {
        changed = co_await attempt(m_api->addReaction(commentID, shortName));
    }
    if (!changed) {
        co_return;
    }
    auto reactions = co_await attempt(m_api->fetchReactions(commentID));
    if (reactions) {
        m_reactions.set(commentID, std::move(*reactions));
        clearError();
    }
}
