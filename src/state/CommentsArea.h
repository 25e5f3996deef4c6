// SPDX-License-Identifier: MIT
#pragma once

#include "KeyedCollection.h"
#include "StoreContext.h"

#include <QObject>
#include <QSet>
#include <QTimer>
#include <QtQml/qqmlregistration.h>

// A card's comments and each comment's reactions.
class CommentsArea : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Part of AppState")
    Q_PROPERTY(QStringList loadingComments READ loadingComments NOTIFY loadingCommentsChanged)
public:
    CommentsArea(StoreContext &context, QObject *parent = nullptr);

    const KeyedCollection<TrelloComment> &comments() const { return m_comments; }
    const KeyedCollection<TrelloReaction> &reactions() const { return m_reactions; }
    QStringList loadingComments() const { return m_comments.loadingParents(); }

    Q_INVOKABLE KeyedListModel *commentsModel(const QString &cardID) { return m_comments.model(cardID); }
    Q_INVOKABLE KeyedListModel *reactionsModel(const QString &commentID) { return m_reactions.model(commentID); }

    Q_INVOKABLE Operation refreshComments(const QString &cardID);
    Q_INVOKABLE Operation addComment(const QString &cardID, const QString &text);
    Q_INVOKABLE Operation editComment(const QString &commentID, const QString &text);
    Q_INVOKABLE Operation deleteComment(const QString &commentID);
    Q_INVOKABLE Operation toggleReaction(const QString &commentID, const QString &shortName,
                                         const QString &native);
    // A comment's row came near the view, or left it. A comment's reactions are fetched once
    // its row is near (a busy card has hundreds of comments, each its own request), a few at
    // a time and only while the rate budget keeps room for everything else.
    Q_INVOKABLE void setReactionsWanted(const QString &commentID, bool wanted);

    // The card's comments, unless they are held or being loaded.
    void loadMissing(const QString &cardID);
    // The card's editor closed, or the card went: its comments and their reactions go.
    Q_INVOKABLE void release(const QString &cardID);
    void clear();

Q_SIGNALS:
    void loadingCommentsChanged();
    // The card's comment count changed by this much (its tile counts them).
    void commentCountChanged(const QString &cardID, qint64 delta);

private:
    QCoro::Task<> loadComments(QString cardID);
    void queueReactions(const QString &commentID, bool again);
    void pumpReactions();
    QCoro::Task<> fetchReactionsOf(QString commentID);

    StoreContext &m_context;
    KeyedCollection<TrelloComment> m_comments{this};
    KeyedCollection<TrelloReaction> m_reactions{this};
    QSet<QString> m_reactionsNear;     // comments whose rows are near the view
    QStringList m_reactionQueue;       // near, not yet asked for, in the order they came
    QSet<QString> m_reactionsInFlight;
    QTimer m_reactionPump;
};
