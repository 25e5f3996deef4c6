// SPDX-License-Identifier: MIT
// Card operations and the card helpers that keep a tile's badges in step.
#include "AppState.h"

using namespace Qt::StringLiterals;

namespace {
std::optional<QString> optionalText(const QVariant &value)
{
    return value.isValid() && !value.isNull() ? std::optional(value.toString()) : std::nullopt;
}

std::optional<QDateTime> optionalDate(const QVariant &value)
{
    if (!value.isValid() || value.isNull()) {
        return std::nullopt;
    }
    const QDateTime date = value.toDateTime();
    return date.isValid() ? std::optional(date) : std::nullopt;
}

std::optional<bool> optionalFlag(const QVariant &value)
{
    return value.isValid() && !value.isNull() ? std::optional(value.toBool()) : std::nullopt;
}

QList<TrelloCard> withoutCard(const QList<TrelloCard> &cards, const QString &id)
{
    QList<TrelloCard> rest;
    rest.reserve(cards.size());
    std::copy_if(cards.begin(), cards.end(), std::back_inserter(rest),
                 [&id](const TrelloCard &card) { return card.id != id; });
    return rest;
}
} // namespace

template <typename Edit> void AppState::updateCardInPlace(const QString &cardID, Edit edit)
{
    for (const auto &[listID, cards] : m_cards.entries()) {
        for (qsizetype i = 0; i < cards.size(); ++i) {
            if (cards[i].id == cardID) {
                QList<TrelloCard> updated = cards;
                edit(updated[i]);
                m_cards.set(listID, std::move(updated));
                return;
            }
        }
    }
}

void AppState::recomputeBadge(const QString &cardID)
{
    qint64 total = 0;
    qint64 done = 0;
    for (const TrelloChecklist &checklist : m_checklists.value(cardID)) {
        for (const TrelloCheckItem &item : checklist.checkItems) {
            ++total;
            done += item.state == u"complete" ? 1 : 0;
        }
    }
    updateCardInPlace(cardID, [&](TrelloCard &card) {
        const qint64 comments = card.badges ? card.badges->comments : 0;
        card.badges = CardBadges{total, done, comments};
    });
}

void AppState::adjustCommentBadge(const QString &cardID, qint64 delta)
{
    updateCardInPlace(cardID, [delta](TrelloCard &card) {
        CardBadges badges = card.badges.value_or(CardBadges{});
        badges.comments = std::max<qint64>(0, badges.comments + delta);
        card.badges = badges;
    });
}

void AppState::insertCardSorted(const QString &listID, const TrelloCard &card)
{
    QList<TrelloCard> cards = withoutCard(m_cards.value(listID), card.id);
    const auto byPos = [](const TrelloCard &a, const TrelloCard &b) { return a.pos < b.pos; };
    if (std::is_sorted(cards.begin(), cards.end(), byPos)) {
        // Appending and sorting stably puts the card after every card at or below its
        // position; on a sorted list that is one insertion, not a sort of thousands.
        cards.insert(std::upper_bound(cards.begin(), cards.end(), card, byPos), card);
    } else {
        cards.append(card);
        sortByPos(cards);
    }
    m_cards.set(listID, std::move(cards));
}

Operation AppState::createCard(const QString &listID, const QString &name, const QString &desc,
                               const QVariant &due)
{
    return operation(doCreateCard(listID, name, desc, optionalDate(due)));
}

QCoro::Task<> AppState::doCreateCard(QString listID, QString name, QString desc,
                                     std::optional<QDateTime> due)
{
    auto card = co_await attempt(m_api->createCard(listID, name, desc, due));
    if (card) {
        // Appended, then sorted by position. An answer that somehow repeats a card id we
        // already hold replaces that card rather than showing it twice.
        insertCardSorted(listID, *card);
        clearError();
    }
}

Operation AppState::updateCard(const QString &id, const QString &listID, const QVariant &name,
                               const QVariant &desc, const QVariant &due, bool clearDue,
                               const QVariant &dueComplete, const QVariant &moveToListID)
{
    return operation(doUpdateCard(id, listID, optionalText(name), optionalText(desc),
                                  optionalDate(due), clearDue, optionalFlag(dueComplete),
                                  optionalText(moveToListID)));
}

QCoro::Task<QVariant> AppState::doUpdateCard(QString id, QString listID,
                                             std::optional<QString> name,
                                             std::optional<QString> desc,
                                             std::optional<QDateTime> due, bool clearDue,
                                             std::optional<bool> dueComplete,
                                             std::optional<QString> moveToListID)
{
    auto card = co_await attempt(
        m_api->updateCard(id, name, desc, due, clearDue, dueComplete, moveToListID));
    if (!card) {
        co_return QVariant();
    }
    const QString target = moveToListID.value_or(listID);
    if (target == listID) {
        if (const QList<TrelloCard> *current = m_cards.find(listID)) {
            QList<TrelloCard> cards = *current;
            for (TrelloCard &existing : cards) {
                if (existing.id == id) {
                    existing = *card;
                    m_cards.set(listID, std::move(cards));
                    break;
                }
            }
        }
    } else {
        if (const QList<TrelloCard> *source = m_cards.find(listID)) {
            m_cards.set(listID, withoutCard(*source, id));
        }
        insertCardSorted(target, *card);
    }
    clearError();
    co_return QVariant::fromValue(*card);
}

Operation AppState::moveCard(const QString &id, const QString &toListID,
                             const QString &beforeCardID)
{
    return operation(doMoveCard(id, toListID, beforeCardID));
}

QCoro::Task<> AppState::doMoveCard(QString id, QString toListID, QString beforeCardID)
{
    QString sourceID;
    std::optional<TrelloCard> moving;
    for (const auto &[listID, cards] : m_cards.entries()) {
        const auto it = std::find_if(cards.begin(), cards.end(),
                                     [&id](const TrelloCard &card) { return card.id == id; });
        if (it != cards.end()) {
            sourceID = listID;
            moving = *it;
            break;
        }
    }
    if (!moving || (!beforeCardID.isEmpty() && beforeCardID == id)) {
        co_return;
    }

    QList<TrelloCard> destination = withoutCard(m_cards.value(toListID), id);
    sortByPos(destination);
    double pos = destination.isEmpty() ? 65536.0 : destination.last().pos + 65536.0;
    bool crowded = false;
    if (!beforeCardID.isEmpty()) {
        for (qsizetype i = 0; i < destination.size(); ++i) {
            if (destination[i].id == beforeCardID) {
                const double next = destination[i].pos;
                const double prev = i > 0 ? destination[i - 1].pos : 0.0;
                pos = (next + prev) * 0.5;
                crowded = next - prev < 1.0;
                break;
            }
        }
    }

    // Shown in its new place at once; repaired from the service if the move fails.
    if (sourceID != toListID) {
        m_cards.set(sourceID, withoutCard(m_cards.value(sourceID), id));
    }
    TrelloCard moved = *moving;
    moved.idList = toListID;
    moved.pos = pos;
    insertCardSorted(toListID, moved);

    auto answer = co_await attempt(m_api->moveCard(id, toListID, pos));
    if (!answer) {
        const std::optional<QString> failure = m_errorMessage;
        co_await doRefreshCards(sourceID);
        if (toListID != sourceID) {
            co_await doRefreshCards(toListID);
        }
        setError(failure);
        co_return;
    }
    // The service may have adjusted the position. Only a card still in the destination is
    // updated: a later move of the same card may already have taken it elsewhere.
    const QList<TrelloCard> now = m_cards.value(toListID);
    if (std::any_of(now.begin(), now.end(), [&id](const TrelloCard &card) { return card.id == id; })) {
        insertCardSorted(toListID, *answer);
    }
    if (crowded) {
        co_await doRefreshCards(toListID);
    }
    clearError();
}

Operation AppState::archiveCard(const QString &id, const QString &listID)
{
    return operation(doRemoveCard(id, listID, false));
}

Operation AppState::deleteCard(const QString &id, const QString &listID)
{
    return operation(doRemoveCard(id, listID, true));
}

QCoro::Task<> AppState::doRemoveCard(QString id, QString listID, bool deleteIt)
{
    // A conditional expression of two tasks inside co_await is miscompiled by g++ 12 (the
    // temporary is destroyed twice), hence the named task.
    QCoro::Task<> request = deleteIt ? m_api->deleteCard(id) : m_api->archiveCard(id);
    const bool done = co_await attempt(std::move(request));
    if (!done) {
        co_return;
    }
    if (const QList<TrelloCard> *cards = m_cards.find(listID)) {
        m_cards.set(listID, withoutCard(*cards, id));
    }
    if (deleteIt) {
        m_comments.remove(id);
    }
    clearError();
}

Operation AppState::setCardLabel(const QString &cardID, const QVariant &label, bool isOn)
{
    return operation(doSetCardLabel(cardID, label.value<TrelloLabel>(), isOn));
}

QCoro::Task<> AppState::doSetCardLabel(QString cardID, TrelloLabel label, bool isOn)
{
    QCoro::Task<> request =
        isOn ? m_api->addLabel(cardID, label.id) : m_api->removeLabel(cardID, label.id);
    const bool done = co_await attempt(std::move(request));
    if (!done) {
        co_return;
    }
    updateCardInPlace(cardID, [&](TrelloCard &card) {
        QStringList ids = card.idLabels.value_or(QStringList());
        QList<TrelloLabel> labels = card.labels.value_or(QList<TrelloLabel>());
        if (isOn) {
            if (!ids.contains(label.id)) {
                ids.append(label.id);
            }
            if (std::none_of(labels.begin(), labels.end(),
                             [&](const TrelloLabel &l) { return l.id == label.id; })) {
                labels.append(label);
            }
        } else {
            ids.removeAll(label.id);
            labels.removeIf([&](const TrelloLabel &l) { return l.id == label.id; });
        }
        card.idLabels = ids;
        card.labels = labels;
    });
    clearError();
}

Operation AppState::setCardMember(const QString &cardID, const QString &memberID, bool isOn)
{
    return operation(doSetCardMember(cardID, memberID, isOn));
}

QCoro::Task<> AppState::doSetCardMember(QString cardID, QString memberID, bool isOn)
{
    QCoro::Task<> request =
        isOn ? m_api->addMember(cardID, memberID) : m_api->removeMember(cardID, memberID);
    const bool done = co_await attempt(std::move(request));
    if (!done) {
        co_return;
    }
    updateCardInPlace(cardID, [&](TrelloCard &card) {
        QStringList ids = card.idMembers.value_or(QStringList());
        if (isOn && !ids.contains(memberID)) {
            ids.append(memberID);
        } else if (!isOn) {
            ids.removeAll(memberID);
        }
        card.idMembers = ids;
    });
    clearError();
}
