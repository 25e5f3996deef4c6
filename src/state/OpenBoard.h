// SPDX-License-Identifier: MIT
#pragma once

#include "BoardFilter.h"
#include "Operation.h"

#include <QObject>
#include <QPointer>
#include <QVariant>
#include <QtQml/qqmlregistration.h>

class AppState;
class KeyedListModel;

// One board as its screen shows it: its lists and their cards, which lists are loaded and which
// are loading, where a card is, the moves made by keyboard, the card filter and the one refresh
// every path uses. The screen binds to it and calls it; it decides what to load and where a
// moved card goes. What it shows lives in the store, which lets go of it when the screen closes.
class OpenBoard : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QString boardID READ boardID WRITE setBoardID NOTIFY boardIDChanged)
    Q_PROPERTY(KeyedListModel *lists READ lists NOTIFY boardIDChanged)
    Q_PROPERTY(KeyedListModel *members READ members NOTIFY boardIDChanged)
    Q_PROPERTY(bool loadingLists READ loadingLists NOTIFY loadingChanged)
    // Bumped whenever a list of the board starts or ends loading its cards.
    Q_PROPERTY(int loadRevision READ loadRevision NOTIFY loadingChanged)
    // Bumped whenever the cards of one of the board's lists change.
    Q_PROPERTY(int cardsRevision READ cardsRevision NOTIFY cardsChanged)
    // The board's filter, which the store keeps while the program runs; its text is cardFilter.
    Q_PROPERTY(BoardFilter *filter READ filter NOTIFY boardIDChanged)
    Q_PROPERTY(QString cardFilter READ cardFilter WRITE setCardFilter NOTIFY cardFilterChanged)
public:
    explicit OpenBoard(QObject *parent = nullptr);
    // Tests and the shell may hand in a store; QML gets the program's one.
    explicit OpenBoard(AppState *store, QObject *parent = nullptr);

    QString boardID() const { return m_boardID; }
    void setBoardID(const QString &id);
    KeyedListModel *lists() const;
    KeyedListModel *members() const;
    bool loadingLists() const;
    int loadRevision() const { return m_loadRevision; }
    int cardsRevision() const { return m_cardsRevision; }
    BoardFilter *filter() const;
    QString cardFilter() const;
    void setCardFilter(const QString &filter);

    Q_INVOKABLE KeyedListModel *cards(const QString &listID) const;
    Q_INVOKABLE bool isLoaded(const QString &listID) const;
    Q_INVOKABLE bool isLoading(const QString &listID) const;
    // The card as the store holds it now (a TrelloCard), or null; and the list it is in.
    Q_INVOKABLE QVariant card(const QString &cardID) const;
    Q_INVOKABLE QString listOf(const QString &cardID) const;

    // The cards of the lists from `first` to `last` (by index) that were never loaded and are
    // not loading are asked for; nothing is asked for twice.
    Q_INVOKABLE void loadLists(int first, int last);
    Q_INVOKABLE void ensureCards(const QString &listID);
    // Everything shown, brought up to date: joined with a refresh under way and held back
    // while the service's rate limit would refuse it.
    Q_INVOKABLE Operation refresh();

    // Ctrl+Shift and an arrow (Qt::Key_Left … Key_Down): left and right to the end of the
    // neighbouring list, up and down past the neighbour in the list. The sentence that says
    // what was done, or "" when there was nowhere to go.
    Q_INVOKABLE QString moveCardByKey(const QString &cardID, int key);
    Q_INVOKABLE QString moveListByKey(const QString &listID, int key);

Q_SIGNALS:
    void boardIDChanged();
    void loadingChanged();
    void cardsChanged();
    void cardFilterChanged();

private:
    bool holdsList(const QString &listID) const;

    QPointer<AppState> m_store;
    QString m_boardID;
    int m_loadRevision = 0;
    int m_cardsRevision = 0;
};
