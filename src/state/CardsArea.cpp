// SPDX-License-Identifier: MIT
// Card operations, and the badges that keep a tile in step with the card's details.
#include "CardsArea.h"

#include "Positions.h"

using namespace Qt::StringLiterals;

namespace {
// An optional argument from QML: nothing when undefined or null, the value when it has the
// right type (a date may come as a day), and a refusal otherwise.
template <typename T> struct Optional {
    std::optional<T> value;
    bool refused = false;
};

template <typename T> Optional<T> optional(const QVariant &value)
{
    if (!value.isValid() || value.isNull()) {
        return {};
    }
    const bool day = std::is_same_v<T, QDateTime> && value.metaType() == QMetaType::fromType<QDate>();
    if (value.metaType() != QMetaType::fromType<T>() && !day) {
        return {std::nullopt, true};
    }
    const T converted = qvariant_cast<T>(value);
    if constexpr (std::is_same_v<T, QDateTime>) {
        if (!converted.isValid()) {
            return {std::nullopt, true};
        }
    }
    return {converted, false};
}
} // namespace

CardsArea::CardsArea(StoreContext &context, QObject *parent)
    : QObject(parent), m_context(context)
{
    m_cards.setLoadingHandler([this] { Q_EMIT loadingCardsChanged(); });
    m_cards.setChangeHandler([this](const QString &listID) { Q_EMIT cardsChanged(listID); });
}

void CardsArea::forgetCard(const QString &cardID)
{
    Q_EMIT cardReleased(cardID);
}

void CardsArea::dropCard(const QString &cardID)
{
    m_cards.removeRecord(cardID);
    forgetCard(cardID);
}

void CardsArea::releaseList(const QString &listID)
{
    for (const TrelloCard &card : m_cards.value(listID)) {
        forgetCard(card.id);
    }
    m_cards.remove(listID);
}

void CardsArea::clear()
{
    m_cards.clear();
}

void CardsArea::setChecklistBadge(const QString &cardID, qint64 total, qint64 done)
{
    m_cards.update(cardID, [total, done](TrelloCard &card) {
        const qint64 comments = card.badges ? card.badges->comments : 0;
        card.badges = CardBadges{total, done, comments};
    });
}

void CardsArea::adjustCommentBadge(const QString &cardID, qint64 delta)
{
    m_cards.update(cardID, [delta](TrelloCard &card) {
        CardBadges badges = card.badges.value_or(CardBadges{});
        badges.comments = std::max<qint64>(0, badges.comments + delta);
        card.badges = badges;
    });
}

Operation CardsArea::refreshCards(const QString &listID)
{
    return m_context.operation(u"refreshCards"_s, {{"list", listID}}, [this, listID] { return loadCards(listID); });
}

QCoro::Task<> CardsArea::loadCards(QString listID)
{
    co_await m_context.load(m_cards, listID, &TrelloAPI::fetchCards, sortByPos<TrelloCard>);
}

Operation CardsArea::createCard(const QString &listID, const QString &name, const QString &desc,
                                const QVariant &due)
{
    const Optional<QDateTime> dueDate = optional<QDateTime>(due);
    if (dueDate.refused) {
        return m_context.refuse(u"createCard"_s, tr("Nothing was sent: the due date is not a date."));
    }
    return m_context.operation(u"createCard"_s, {{"list", listID}}, [=, this]() -> QCoro::Task<TrelloCard> {
        const TrelloCard card = co_await m_context.api().createCard(listID, name, desc, dueDate.value);
        // In its place by position. An answer that somehow repeats a card id we already hold
        // replaces that card rather than showing it twice.
        if (const std::optional<QString> elsewhere = m_cards.parentOf(card.id); elsewhere && *elsewhere != listID) {
            m_cards.removeRecord(card.id);
        }
        // Only into a list whose cards are held or loading (quick add adds to any): a list
        // never loaded would otherwise seem loaded, with this one card in it.
        if (m_cards.contains(listID) || m_cards.isLoading(listID)) {
            m_cards.insertByPos(listID, card);
        }
        co_return card;
    });
}

Operation CardsArea::updateCard(const QString &id, const QVariantMap &patch)
{
    static const QStringList known{u"name"_s, u"desc"_s, u"due"_s, u"dueComplete"_s, u"idList"_s};
    const auto wrong = [this] {
        return m_context.refuse(u"updateCard"_s, tr("Nothing was sent: a changed field has the wrong type."));
    };
    for (auto it = patch.cbegin(); it != patch.cend(); ++it) {
        if (!known.contains(it.key())) {
            return wrong();
        }
    }
    const Optional<QString> name = optional<QString>(patch.value(u"name"_s));
    const Optional<QString> desc = optional<QString>(patch.value(u"desc"_s));
    const Optional<QDateTime> due = optional<QDateTime>(patch.value(u"due"_s));
    const bool clearDue = patch.value(u"due"_s).isValid() && patch[u"due"_s].isNull();
    const Optional<bool> complete = optional<bool>(patch.value(u"dueComplete"_s));
    const Optional<QString> target = optional<QString>(patch.value(u"idList"_s));
    if (name.refused || desc.refused || due.refused || complete.refused || target.refused ||
        (target.value && target.value->trimmed().isEmpty())) {
        return wrong();
    }
    return m_context.operation(u"updateCard"_s, {{"card", id}}, [=, this]() -> QCoro::Task<TrelloCard> {
        const TrelloCard card = co_await m_context.api().updateCard(id, name.value, desc.value, due.value, clearDue,
                                                                    complete.value, target.value);
        const std::optional<QString> source = m_cards.parentOf(id);
        const QString destination = target.value.value_or(source.value_or(card.idList));
        if (source && *source == destination) {
            m_cards.replace(id, card);
        } else {
            if (source) {
                m_cards.removeRecord(id);
            }
            if (m_cards.contains(destination)) {
                m_cards.insertByPos(destination, card);
            }
        }
        Q_EMIT cardUpdated(card);
        co_return card;
    });
}

Operation CardsArea::moveCard(const QString &id, const QString &toListID, const QString &beforeCardID)
{
    return m_context.operation(u"moveCard"_s, {{"card", id}, {"list", toListID}},
                               [this, id, toListID, beforeCardID] { return doMoveCard(id, toListID, beforeCardID); });
}

QCoro::Task<> CardsArea::doMoveCard(QString id, QString toListID, QString beforeCardID)
{
    const std::optional<QString> source = m_cards.parentOf(id);
    if (!source || (!beforeCardID.isEmpty() && beforeCardID == id)) {
        co_return; // nothing to move
    }
    const QString sourceID = *source;
    const quint64 move = ++m_moves;
    m_latestMoves.insert(id, move);
    // The answer to the card's latest move is the one that places it; this one, once it is in.
    const auto settle = [this, id, move] {
        const bool latest = m_latestMoves.value(id) == move;
        if (latest) {
            m_latestMoves.remove(id);
        }
        return latest;
    };
    TrelloCard moved = *m_cards.record(id);
    // Into a list whose cards were never loaded: its positions are unknown, so the card goes to
    // the end as the service has it, and shows there once the answer says where that is.
    const bool destinationHeld = toListID == sourceID || m_cards.contains(toListID);
    std::optional<double> pos;
    if (destinationHeld) {
        QList<TrelloCard> destination = KeyedCollection<TrelloCard>::without(m_cards.value(toListID), id);
        sortByPos(destination);
        pos = positionAmong(destination, beforeCardID);
    }

    // Shown in its new place at once; put back and repaired from the service if the move fails.
    // Only lists that were held are put back: one that was not is left to the reload.
    QStringList shown{sourceID};
    if (toListID != sourceID && destinationHeld) {
        shown.append(toListID);
    }
    const auto before = m_cards.snapshot(shown);
    if (sourceID != toListID) {
        m_cards.removeRecord(id);
    }
    if (pos) {
        moved.idList = toListID;
        moved.pos = *pos;
        m_cards.insertByPos(toListID, moved);
    }
    const auto after = m_cards.snapshot(shown);
    auto sending = StoreContext::sendOrUndo(
        m_context.api().moveCard(id, toListID, pos),
        [this, settle, before, after] {
            settle();
            m_cards.restore(before, after);
        },
        [this, sourceID, toListID]() -> QCoro::Task<> {
            co_await loadCards(sourceID);
            if (toListID != sourceID) {
                co_await loadCards(toListID);
            }
        });
    const TrelloCard answer = co_await std::move(sending);
    const bool latest = settle();
    // The service may have adjusted the position. Only the answer to the card's latest move
    // is taken, and only while the card is still in the destination: a later move of the same
    // card may already have taken it elsewhere, or to another place in this list.
    if (latest && m_cards.parentOf(id) == toListID) {
        m_cards.insertByPos(toListID, answer);
    } else if (latest && !pos && !m_cards.parentOf(id) &&
               (m_cards.contains(toListID) || m_cards.isLoading(toListID))) {
        // Loaded, or being loaded, since it was sent: a load under way takes it on top of its
        // answer, whichever of the two the service saw first.
        m_cards.insertByPos(toListID, answer);
    }
    // Another position than the one sent: the service renumbered the list, so the next drop
    // must see its new positions. (A list never loaded stays so: it had no positions to send.)
    if (pos && answer.pos != *pos) {
        co_await loadCards(toListID);
    }
}

Operation CardsArea::archiveCard(const QString &id)
{
    return removeCard(u"archiveCard"_s, id, false);
}

Operation CardsArea::deleteCard(const QString &id)
{
    return removeCard(u"deleteCard"_s, id, true);
}

Operation CardsArea::removeCard(const QString &name, const QString &id, bool deleteIt)
{
    return m_context.operation(name, {{"card", id}}, [this, id, deleteIt]() -> QCoro::Task<> {
        // A conditional expression of two tasks inside co_await is miscompiled by g++ 12 (the
        // temporary is destroyed twice), hence the named task.
        QCoro::Task<> request = deleteIt ? m_context.api().deleteCard(id) : m_context.api().archiveCard(id);
        co_await std::move(request);
        m_cards.removeRecord(id);
        forgetCard(id);
    });
}

Operation CardsArea::setCardLabel(const QString &cardID, const QVariant &value, bool isOn)
{
    if (!cardID.trimmed().isEmpty() &&
        (value.metaType() != QMetaType::fromType<TrelloLabel>() || value.value<TrelloLabel>().id.isEmpty())) {
        return m_context.refuse(u"setCardLabel"_s, tr("Nothing was sent: that is not a label of this board."));
    }
    const TrelloLabel label = value.value<TrelloLabel>();
    return m_context.operation(u"setCardLabel"_s, {{"card", cardID}}, [=, this]() -> QCoro::Task<> {
        QCoro::Task<> request = isOn ? m_context.api().addLabel(cardID, label.id)
                                     : m_context.api().removeLabel(cardID, label.id);
        co_await std::move(request);
        m_cards.update(cardID, [label, isOn](TrelloCard &card) {
            QStringList ids = card.idLabels.value_or(QStringList());
            QList<TrelloLabel> labels = card.labels.value_or(QList<TrelloLabel>());
            if (!isOn) {
                ids.removeAll(label.id);
                labels.removeIf([&](const TrelloLabel &l) { return l.id == label.id; });
            } else if (!ids.contains(label.id)) {
                ids.append(label.id);
            }
            if (isOn && std::none_of(labels.begin(), labels.end(), [&](const TrelloLabel &l) { return l.id == label.id; })) {
                labels.append(label);
            }
            card.idLabels = ids;
            card.labels = labels;
        });
    });
}

Operation CardsArea::setCardMember(const QString &cardID, const QString &memberID, bool isOn)
{
    return m_context.operation(u"setCardMember"_s, {{"card", cardID}, {"member", memberID}},
                               [=, this]() -> QCoro::Task<> {
        QCoro::Task<> request = isOn ? m_context.api().addMember(cardID, memberID)
                                     : m_context.api().removeMember(cardID, memberID);
        co_await std::move(request);
        m_cards.update(cardID, [memberID, isOn](TrelloCard &card) {
            QStringList ids = card.idMembers.value_or(QStringList());
            if (isOn && !ids.contains(memberID)) {
                ids.append(memberID);
            } else if (!isOn) {
                ids.removeAll(memberID);
            }
            card.idMembers = ids;
        });
    });
}
