// SPDX-License-Identifier: MIT
// Card operations, and the badges that keep a tile in step with the card's details.
#include "CardsArea.h"

#include "Positions.h"

using namespace Qt::StringLiterals;

namespace {
// An optional argument from QML: nothing when undefined or null, the value when it has the
// right type, and a refusal otherwise.
template <typename T> struct Optional {
    std::optional<T> value;
    bool refused = false;
};

Optional<QString> optionalText(const QVariant &value)
{
    if (!value.isValid() || value.isNull()) {
        return {};
    }
    if (value.metaType() != QMetaType::fromType<QString>()) {
        return {std::nullopt, true};
    }
    return {value.toString(), false};
}

Optional<QDateTime> optionalDate(const QVariant &value)
{
    if (!value.isValid() || value.isNull()) {
        return {};
    }
    if (value.metaType() != QMetaType::fromType<QDateTime>() &&
        value.metaType() != QMetaType::fromType<QDate>()) {
        return {std::nullopt, true};
    }
    const QDateTime date = value.toDateTime();
    return date.isValid() ? Optional<QDateTime>{date, false} : Optional<QDateTime>{std::nullopt, true};
}

Optional<bool> optionalFlag(const QVariant &value)
{
    if (!value.isValid() || value.isNull()) {
        return {};
    }
    if (value.metaType() != QMetaType::fromType<bool>()) {
        return {std::nullopt, true};
    }
    return {value.toBool(), false};
}
} // namespace

CardsArea::CardsArea(StoreContext &context, QObject *parent)
    : QObject(parent), m_context(context), m_loading([this] { Q_EMIT loadingCardsChanged(); })
{
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
    if (auto refused = m_context.requireIds(u"refreshCards"_s, {{"list", listID}})) {
        return *refused;
    }
    return m_context.run(u"refreshCards"_s, loadCards(listID));
}

QCoro::Task<> CardsArea::loadCards(QString listID)
{
    if (!m_context.hasCredentials()) {
        co_return;
    }
    LoadingSet::Mark loading(m_loading, listID);
    auto load = m_cards.beginLoad(listID);
    QList<TrelloCard> cards = co_await m_context.api().fetchCards(listID);
    sortByPos(cards);
    load.finish(std::move(cards));
    m_context.errors().clear();
}

Operation CardsArea::createCard(const QString &listID, const QString &name, const QString &desc,
                                const QVariant &due)
{
    if (auto refused = m_context.requireIds(u"createCard"_s, {{"list", listID}})) {
        return *refused;
    }
    const Optional<QDateTime> dueDate = optionalDate(due);
    if (dueDate.refused) {
        return m_context.refuse(u"createCard"_s, tr("Nothing was sent: the due date is not a date."));
    }
    return m_context.run(u"createCard"_s, doCreateCard(listID, name, desc, dueDate.value));
}

QCoro::Task<> CardsArea::doCreateCard(QString listID, QString name, QString desc,
                                      std::optional<QDateTime> due)
{
    const TrelloCard card = co_await m_context.api().createCard(listID, name, desc, due);
    // In its place by position. An answer that somehow repeats a card id we already hold
    // replaces that card rather than showing it twice.
    if (const std::optional<QString> elsewhere = m_cards.parentOf(card.id); elsewhere && *elsewhere != listID) {
        m_cards.removeRecord(card.id);
    }
    m_cards.insertByPos(listID, card);
    m_context.errors().clear();
}

Operation CardsArea::updateCard(const QString &id, const QVariantMap &patch)
{
    if (auto refused = m_context.requireIds(u"updateCard"_s, {{"card", id}})) {
        return *refused;
    }
    static const QStringList known{u"name"_s, u"desc"_s, u"due"_s, u"dueComplete"_s, u"idList"_s};
    const auto wrong = [this] {
        return m_context.refuse(u"updateCard"_s, tr("Nothing was sent: a changed field has the wrong type."));
    };
    for (auto it = patch.cbegin(); it != patch.cend(); ++it) {
        if (!known.contains(it.key())) {
            return wrong();
        }
    }
    const auto present = [&patch](const QString &key) { return patch.contains(key) && patch[key].isValid(); };
    const Optional<QString> newName = optionalText(patch.value(u"name"_s));
    const Optional<QString> newDesc = optionalText(patch.value(u"desc"_s));
    const Optional<QDateTime> newDue = optionalDate(patch.value(u"due"_s));
    const bool clearDue = present(u"due"_s) && patch[u"due"_s].isNull();
    const Optional<bool> complete = optionalFlag(patch.value(u"dueComplete"_s));
    const Optional<QString> target = optionalText(patch.value(u"idList"_s));
    if (newName.refused || newDesc.refused || newDue.refused || complete.refused || target.refused ||
        (target.value && target.value->trimmed().isEmpty())) {
        return wrong();
    }
    return m_context.run(u"updateCard"_s, doUpdateCard(id, newName.value, newDesc.value, newDue.value,
                                                      clearDue, complete.value, target.value));
}

QCoro::Task<TrelloCard> CardsArea::doUpdateCard(QString id, std::optional<QString> name,
                                                std::optional<QString> desc,
                                                std::optional<QDateTime> due, bool clearDue,
                                                std::optional<bool> dueComplete,
                                                std::optional<QString> moveToListID)
{
    const TrelloCard card = co_await m_context.api().updateCard(id, name, desc, due, clearDue,
                                                                dueComplete, moveToListID);
    const std::optional<QString> source = m_cards.parentOf(id);
    const QString target = moveToListID.value_or(source.value_or(card.idList));
    if (source && *source == target) {
        m_cards.replace(id, card);
    } else {
        if (source) {
            m_cards.removeRecord(id);
        }
        if (m_cards.contains(target)) {
            m_cards.insertByPos(target, card);
        }
    }
    m_context.errors().clear();
    co_return card;
}

Operation CardsArea::moveCard(const QString &id, const QString &toListID,
                              const QString &beforeCardID)
{
    if (auto refused = m_context.requireIds(u"moveCard"_s, {{"card", id}, {"list", toListID}})) {
        return *refused;
    }
    const std::optional<QString> source = m_cards.parentOf(id);
    if (!source || (!beforeCardID.isEmpty() && beforeCardID == id)) {
        return Operation::finished(Outcome{}); // nothing to move
    }
    return m_context.run(u"moveCard"_s, doMoveCard(id, *source, toListID, beforeCardID));
}

QCoro::Task<> CardsArea::doMoveCard(QString id, QString sourceID, QString toListID,
                                    QString beforeCardID)
{
    const quint64 move = ++m_moves;
    m_latestMoves.insert(id, move);
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
    QList<std::pair<QString, QList<TrelloCard>>> shown{{sourceID, m_cards.value(sourceID)}};
    if (toListID != sourceID && destinationHeld) {
        shown.append({toListID, m_cards.value(toListID)});
    }
    if (sourceID != toListID) {
        m_cards.removeRecord(id);
    }
    if (pos) {
        moved.idList = toListID;
        moved.pos = *pos;
        m_cards.insertByPos(toListID, moved);
    }
    QList<QList<TrelloCard>> optimistic;
    for (const auto &[listID, cards] : std::as_const(shown)) {
        optimistic.append(m_cards.value(listID));
    }

    std::optional<TrelloCard> answer;
    std::exception_ptr failure;
    try {
        answer = co_await m_context.api().moveCard(id, toListID, pos);
    } catch (...) {
        failure = std::current_exception();
    }
    const bool latest = m_latestMoves.value(id) == move;
    if (latest) {
        m_latestMoves.remove(id);
    }
    if (failure) {
        // Back at once (unless something changed those lists since), then as the service has
        // them: the reloads may well be refused too, for the same reason as the move.
        for (qsizetype i = 0; i < shown.size(); ++i) {
            if (m_cards.value(shown[i].first) == optimistic[i]) {
                m_cards.set(shown[i].first, shown[i].second);
            }
        }
        try {
            co_await loadCards(sourceID);
            if (toListID != sourceID) {
                co_await loadCards(toListID);
            }
        } catch (...) {
        }
        std::rethrow_exception(failure);
    }
    // The service may have adjusted the position. Only the answer to the card's latest move
    // is taken, and only while the card is still in the destination: a later move of the same
    // card may already have taken it elsewhere, or to another place in this list.
    if (latest && m_cards.parentOf(id) == toListID) {
        m_cards.insertByPos(toListID, *answer);
    } else if (latest && !pos && !m_cards.parentOf(id) &&
               (m_cards.contains(toListID) || m_cards.isLoading(toListID))) {
        // Loaded, or being loaded, since it was sent: a load under way takes it on top of its
        // answer, whichever of the two the service saw first.
        m_cards.insertByPos(toListID, *answer);
    }
    // Another position than the one sent: the service renumbered the list, so the next drop
    // must see its new positions. (A list never loaded stays so: it had no positions to send.)
    if (pos && answer->pos != *pos) {
        co_await loadCards(toListID);
    }
    m_context.errors().clear();
}

Operation CardsArea::archiveCard(const QString &id)
{
    if (auto refused = m_context.requireIds(u"archiveCard"_s, {{"card", id}})) {
        return *refused;
    }
    return m_context.run(u"archiveCard"_s, doRemoveCard(id, false));
}

Operation CardsArea::deleteCard(const QString &id)
{
    if (auto refused = m_context.requireIds(u"deleteCard"_s, {{"card", id}})) {
        return *refused;
    }
    return m_context.run(u"deleteCard"_s, doRemoveCard(id, true));
}

QCoro::Task<> CardsArea::doRemoveCard(QString id, bool deleteIt)
{
    // A conditional expression of two tasks inside co_await is miscompiled by g++ 12 (the
    // temporary is destroyed twice), hence the named task.
    QCoro::Task<> request = deleteIt ? m_context.api().deleteCard(id) : m_context.api().archiveCard(id);
    co_await std::move(request);
    m_cards.removeRecord(id);
    forgetCard(id);
    m_context.errors().clear();
}

Operation CardsArea::setCardLabel(const QString &cardID, const QVariant &label, bool isOn)
{
    if (auto refused = m_context.requireIds(u"setCardLabel"_s, {{"card", cardID}})) {
        return *refused;
    }
    if (label.metaType() != QMetaType::fromType<TrelloLabel>() || label.value<TrelloLabel>().id.isEmpty()) {
        return m_context.refuse(u"setCardLabel"_s, tr("Nothing was sent: that is not a label of this board."));
    }
    return m_context.run(u"setCardLabel"_s, doSetCardLabel(cardID, label.value<TrelloLabel>(), isOn));
}

QCoro::Task<> CardsArea::doSetCardLabel(QString cardID, TrelloLabel label, bool isOn)
{
    QCoro::Task<> request = isOn ? m_context.api().addLabel(cardID, label.id)
                                 : m_context.api().removeLabel(cardID, label.id);
    co_await std::move(request);
    m_cards.update(cardID, [label, isOn](TrelloCard &card) {
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
    m_context.errors().clear();
}

Operation CardsArea::setCardMember(const QString &cardID, const QString &memberID, bool isOn)
{
    if (auto refused = m_context.requireIds(u"setCardMember"_s, {{"card", cardID}, {"member", memberID}})) {
        return *refused;
    }
    return m_context.run(u"setCardMember"_s, doSetCardMember(cardID, memberID, isOn));
}

QCoro::Task<> CardsArea::doSetCardMember(QString cardID, QString memberID, bool isOn)
{
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
    m_context.errors().clear();
}
