// SPDX-License-Identifier: MIT
#pragma once

#include "KeyedCollection.h"
#include "StoreContext.h"

#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QtQml/qqmlregistration.h>

// The cards of each list, and everything done to a card as a whole.
class CardsArea : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Part of AppState")
    Q_PROPERTY(QStringList loadingCards READ loadingCards NOTIFY loadingCardsChanged)
public:
    CardsArea(StoreContext &context, QObject *parent = nullptr);

    const KeyedCollection<TrelloCard> &cards() const { return m_cards; }
    QStringList loadingCards() const { return m_cards.loadingParents(); }
    bool isLoadingCards(const QString &listID) const { return m_cards.isLoading(listID); }

    Q_INVOKABLE KeyedListModel *cardsModel(const QString &listID) { return m_cards.model(listID); }

    Q_INVOKABLE Operation refreshCards(const QString &listID);
    Q_INVOKABLE Operation createCard(const QString &listID, const QString &name,
                                     const QString &desc = QString(), const QVariant &due = {});
    // Sends what the patch names: "name", "desc" (text), "due" (a date, or null to clear it),
    // "dueComplete" (true or false), "idList" (moves the card). Any other key, or a value of
    // the wrong type, refuses the whole patch. Value: the card as the service returned it.
    Q_INVOKABLE Operation updateCard(const QString &id, const QVariantMap &patch);
    Q_INVOKABLE Operation moveCard(const QString &id, const QString &toListID,
                                   const QString &beforeCardID = QString());
    Q_INVOKABLE Operation archiveCard(const QString &id);
    Q_INVOKABLE Operation deleteCard(const QString &id);
    Q_INVOKABLE Operation setCardLabel(const QString &cardID, const QVariant &label, bool isOn);
    Q_INVOKABLE Operation setCardMember(const QString &cardID, const QString &memberID, bool isOn);

    QCoro::Task<> loadCards(QString listID);
    // A list went, or its board closed: its cards and everything loaded beneath them go too.
    void releaseList(const QString &listID);
    // The member may no longer see the card: it leaves its list, with its details.
    void dropCard(const QString &cardID);
    void clear();

    // Badges, kept in step by the card's details.
    void setChecklistBadge(const QString &cardID, qint64 total, qint64 done);
    void adjustCommentBadge(const QString &cardID, qint64 delta);

Q_SIGNALS:
    void loadingCardsChanged();
    // The cards of a list changed: a load, a move, an edit.
    void cardsChanged(const QString &listID);
    // A card went (deleted, archived, its list released): what was loaded beneath it can go.
    void cardReleased(const QString &cardID);
    // An edit of the card was made, as the service returned it.
    void cardUpdated(const TrelloCard &card);

private:
    QCoro::Task<> doMoveCard(QString id, QString toListID, QString beforeCardID);
    Operation removeCard(const QString &name, const QString &id, bool deleteIt);
    void forgetCard(const QString &cardID);

    StoreContext &m_context;
    KeyedCollection<TrelloCard> m_cards{this};
    // The newest move of each card still waiting for its answer, by number: the answer to an
    // older one, which may come back later, must not put the card back where it was.
    QHash<QString, quint64> m_latestMoves;
    quint64 m_moves = 0;
};
