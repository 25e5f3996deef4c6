// SPDX-License-Identifier: MIT
#pragma once

#include "BoardFilter.h"
#include "KeyedCollection.h"
#include "StoreContext.h"

#include <QObject>
#include <QtQml/qqmlregistration.h>

// The open boards and, per board, its lists, labels and members.
class BoardsArea : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Part of AppState")
    Q_PROPERTY(KeyedListModel *model READ model CONSTANT)
    Q_PROPERTY(bool isLoadingBoards READ isLoadingBoards NOTIFY isLoadingBoardsChanged)
    Q_PROPERTY(QStringList loadingLists READ loadingLists NOTIFY loadingListsChanged)
public:
    BoardsArea(StoreContext &context, QObject *parent = nullptr);

    const QList<TrelloBoard> &boards() const { return m_boards; }
    KeyedListModel *model() const { return m_model; }
    bool isLoadingBoards() const { return m_isLoadingBoards; }
    QStringList loadingLists() const { return m_lists.loadingParents(); }
    bool isLoadingLists(const QString &boardID) const { return m_lists.isLoading(boardID); }
    const KeyedCollection<TrelloList> &lists() const { return m_lists; }
    const KeyedCollection<TrelloLabel> &labels() const { return m_labels; }
    const KeyedCollection<TrelloMember> &members() const { return m_members; }

    Q_INVOKABLE KeyedListModel *listsModel(const QString &boardID) { return m_lists.model(boardID); }
    Q_INVOKABLE KeyedListModel *labelsModel(const QString &boardID) { return m_labels.model(boardID); }
    Q_INVOKABLE KeyedListModel *membersModel(const QString &boardID) { return m_members.model(boardID); }
    // The board's card filter, made when first asked for and kept while the program runs (its
    // screen closing lets go of the rest, not of this). Null for no board.
    Q_INVOKABLE BoardFilter *filter(const QString &boardID);

    Q_INVOKABLE Operation refreshBoards();
    Q_INVOKABLE Operation refreshLists(const QString &boardID);
    Q_INVOKABLE Operation loadBoardMeta(const QString &boardID);
    Q_INVOKABLE Operation createBoard(const QString &name, const QString &desc = QString());
    Q_INVOKABLE Operation archiveBoard(const QString &id);
    Q_INVOKABLE Operation createList(const QString &boardID, const QString &name);
    Q_INVOKABLE Operation renameList(const QString &id, const QString &name);
    Q_INVOKABLE Operation archiveList(const QString &id);
    Q_INVOKABLE Operation moveList(const QString &id, const QString &beforeListID = QString());
    // The board's screen closed: its lists, their cards, its labels and members are let go.
    Q_INVOKABLE void releaseBoard(const QString &boardID);

    // The steps, for operations made of several (they throw on failure).
    QCoro::Task<> loadBoards();
    QCoro::Task<> loadLists(QString boardID);
    QCoro::Task<> loadMeta(QString boardID);
    // Everything goes (the account left).
    void clear();
    // The member lost access to the board: it leaves the list, with all it held.
    void dropBoard(const QString &boardID);

    // The board order: starred first, then by lower-cased name, stable.
    static QList<TrelloBoard> sortBoards(QList<TrelloBoard> boards);

Q_SIGNALS:
    void isLoadingBoardsChanged();
    // A board left without the user closing it (access lost): its screen closes.
    void boardDropped(const QString &boardID);
    void loadingListsChanged();
    // A list went, or its board closed: what was loaded beneath it can go too.
    void listReleased(const QString &listID);

private:
    void setBoards(QList<TrelloBoard> boards);
    void releaseLists(const QString &boardID);

    StoreContext &m_context;
    QList<TrelloBoard> m_boards;
    KeyedListModel *m_model;
    int m_boardLoads = 0;
    quint64 m_boardsGeneration = 0;
    bool m_isLoadingBoards = false;
    KeyedCollection<TrelloList> m_lists{this};
    KeyedCollection<TrelloLabel> m_labels{this};
    KeyedCollection<TrelloMember> m_members{this};
    QHash<QString, BoardFilter *> m_filters;
};
