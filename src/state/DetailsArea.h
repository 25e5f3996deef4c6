// SPDX-License-Identifier: MIT
#pragma once

#include "KeyedCollection.h"
#include "StoreContext.h"

#include <QObject>
#include <QSet>
#include <QTimer>
#include <QUrl>
#include <QtQml/qqmlregistration.h>

// What a card holds beneath it: comments and their reactions, checklists and attachments.
class DetailsArea : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Part of AppState")
    Q_PROPERTY(QStringList loadingComments READ loadingComments NOTIFY loadingCommentsChanged)
    Q_PROPERTY(QStringList loadingChecklists READ loadingChecklists NOTIFY loadingChecklistsChanged)
    Q_PROPERTY(QStringList loadingAttachments READ loadingAttachments NOTIFY loadingAttachmentsChanged)
public:
    DetailsArea(StoreContext &context, QObject *parent = nullptr);

    const KeyedCollection<TrelloComment> &comments() const { return m_comments; }
    const KeyedCollection<TrelloReaction> &reactions() const { return m_reactions; }
    const KeyedCollection<TrelloChecklist> &checklists() const { return m_checklists; }
    const KeyedCollection<TrelloAttachment> &attachments() const { return m_attachments; }
    QStringList loadingComments() const { return m_loadingComments.sorted(); }
    QStringList loadingChecklists() const { return m_loadingChecklists.sorted(); }
    QStringList loadingAttachments() const { return m_loadingAttachments.sorted(); }

    Q_INVOKABLE KeyedListModel *commentsModel(const QString &cardID) { return m_comments.model(cardID); }
    Q_INVOKABLE KeyedListModel *reactionsModel(const QString &commentID) { return m_reactions.model(commentID); }
    Q_INVOKABLE KeyedListModel *checklistsModel(const QString &cardID) { return m_checklists.model(cardID); }
    Q_INVOKABLE KeyedListModel *attachmentsModel(const QString &cardID) { return m_attachments.model(cardID); }

    // Comments and reactions
    // What the card editor shows of a card that the store neither holds nor is loading:
    // comments, checklists and attachments, loaded side by side.
    Q_INVOKABLE void loadMissing(const QString &cardID);
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

    // Checklists
    Q_INVOKABLE Operation refreshChecklists(const QString &cardID);
    Q_INVOKABLE Operation createChecklist(const QString &cardID, const QString &name);
    Q_INVOKABLE Operation deleteChecklist(const QString &id);
    Q_INVOKABLE Operation addCheckItem(const QString &checklistID, const QString &name);
    Q_INVOKABLE Operation renameCheckItem(const QString &cardID, const QString &checkItemID,
                                          const QString &name);
    Q_INVOKABLE Operation toggleCheckItem(const QString &cardID, const QVariant &item);
    Q_INVOKABLE Operation deleteCheckItem(const QString &checklistID, const QString &checkItemID);

    // Attachments
    Q_INVOKABLE Operation refreshAttachments(const QString &cardID);
    Q_INVOKABLE Operation addAttachment(const QString &cardID, const QString &url,
                                        const QString &name = QString());
    Q_INVOKABLE Operation uploadAttachment(const QString &cardID, const QUrl &fileURL);
    Q_INVOKABLE Operation deleteAttachment(const QString &cardID, const QString &attachmentID);
    // Files above this size are refused before they are read (the service takes 250 MB).
    static constexpr qint64 maxUploadBytes = 250LL * 1024 * 1024;
    // The MIME type for a file name, by its extension only.
    static QString mimeTypeForFileName(const QString &fileName);

    // The card's editor closed, or the card went: what was loaded beneath it is let go.
    Q_INVOKABLE void release(const QString &cardID);
    void clear();

Q_SIGNALS:
    void loadingCommentsChanged();
    void loadingChecklistsChanged();
    void loadingAttachmentsChanged();
    // What the card's tile counts: its check items (all and done), its comments (a change by).
    void checklistBadgeChanged(const QString &cardID, qint64 total, qint64 done);
    void commentCountChanged(const QString &cardID, qint64 delta);

private:
    QCoro::Task<> doRefreshComments(QString cardID);
    void queueReactions(const QString &commentID, bool again);
    void pumpReactions();
    QCoro::Task<> fetchReactionsOf(QString commentID);
    QCoro::Task<> doAddComment(QString cardID, QString text);
    QCoro::Task<> doEditComment(QString commentID, QString text);
    QCoro::Task<> doDeleteComment(QString commentID);
    QCoro::Task<> doToggleReaction(QString commentID, QString shortName, QString native);
    QCoro::Task<> loadChecklists(QString cardID);
    QCoro::Task<> doCreateChecklist(QString cardID, QString name);
    QCoro::Task<> doDeleteChecklist(QString id);
    QCoro::Task<> doAddCheckItem(QString checklistID, QString name);
    QCoro::Task<> doRenameCheckItem(QString cardID, QString checkItemID, QString name);
    QCoro::Task<> doToggleCheckItem(QString cardID, QString checkItemID, bool complete);
    QCoro::Task<> doDeleteCheckItem(QString checklistID, QString checkItemID);
    QCoro::Task<> loadAttachments(QString cardID);
    QCoro::Task<> doAddAttachment(QString cardID, QString url, QString name);
    QCoro::Task<> doUploadAttachment(QString cardID, QUrl fileURL);
    QCoro::Task<> doDeleteAttachment(QString cardID, QString attachmentID);

    QCoro::Task<> reloadAfterChange(QCoro::Task<> reload);
    // Edits one check item of a card in place; false when it is not held.
    template <typename Edit> bool editCheckItem(const QString &cardID, const QString &checkItemID, Edit edit);
    void recomputeBadge(const QString &cardID);

    StoreContext &m_context;
    LoadingSet m_loadingComments;
    LoadingSet m_loadingChecklists;
    LoadingSet m_loadingAttachments;
    KeyedCollection<TrelloComment> m_comments{this};
    KeyedCollection<TrelloReaction> m_reactions{this};
    KeyedCollection<TrelloChecklist> m_checklists{this};
    KeyedCollection<TrelloAttachment> m_attachments{this};
    QSet<QString> m_reactionsNear;     // comments whose rows are near the view
    QStringList m_reactionQueue;       // near, not yet asked for, in the order they came
    QSet<QString> m_reactionsInFlight;
    QTimer m_reactionPump;
};
