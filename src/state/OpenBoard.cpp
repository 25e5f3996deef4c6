// SPDX-License-Identifier: MIT
#include "OpenBoard.h"

#include "AppState.h"

using namespace Qt::StringLiterals;

OpenBoard::OpenBoard(QObject *parent) : OpenBoard(AppState::instance(), parent) {}

OpenBoard::OpenBoard(AppState *store, QObject *parent) : QObject(parent), m_store(store)
{
    if (!m_store) {
        return;
    }
    const auto loading = [this] {
        ++m_loadRevision;
        Q_EMIT loadingChanged();
    };
    connect(m_store->cards(), &CardsArea::loadingCardsChanged, this, loading);
    connect(m_store->boards(), &BoardsArea::loadingListsChanged, this, loading);
    connect(m_store->cards(), &CardsArea::cardsChanged, this, [this](const QString &listID) {
        if (holdsList(listID)) {
            ++m_cardsRevision;
            Q_EMIT cardsChanged();
        }
    });
}

void OpenBoard::setBoardID(const QString &id)
{
    if (id == m_boardID) {
        return;
    }
    if (BoardFilter *old = filter()) {
        old->disconnect(this);
    }
    m_boardID = id;
    if (BoardFilter *now = filter()) {
        connect(now, &BoardFilter::changed, this, &OpenBoard::cardFilterChanged);
    }
    Q_EMIT boardIDChanged();
    Q_EMIT cardFilterChanged();
    Q_EMIT loadingChanged();
}

KeyedListModel *OpenBoard::lists() const
{
    return m_store && !m_boardID.isEmpty() ? m_store->boards()->listsModel(m_boardID) : nullptr;
}

KeyedListModel *OpenBoard::members() const
{
    return m_store && !m_boardID.isEmpty() ? m_store->boards()->membersModel(m_boardID) : nullptr;
}

bool OpenBoard::loadingLists() const
{
    return m_store && m_store->boards()->isLoadingLists(m_boardID);
}

BoardFilter *OpenBoard::filter() const
{
    return m_store ? m_store->boards()->filter(m_boardID) : nullptr;
}

QString OpenBoard::cardFilter() const
{
    const BoardFilter *filter = this->filter();
    return filter ? filter->text() : QString();
}

void OpenBoard::setCardFilter(const QString &text)
{
    if (BoardFilter *filter = this->filter()) {
        filter->setText(text);
    }
}

bool OpenBoard::holdsList(const QString &listID) const
{
    return m_store && m_store->boards()->lists().parentOf(listID) == m_boardID;
}

KeyedListModel *OpenBoard::cards(const QString &listID) const
{
    return m_store && !listID.isEmpty() ? m_store->cards()->cardsModel(listID) : nullptr;
}

bool OpenBoard::isLoaded(const QString &listID) const
{
    return m_store && m_store->cards()->cards().contains(listID);
}

bool OpenBoard::isLoading(const QString &listID) const
{
    return m_store && m_store->cards()->isLoadingCards(listID);
}

QVariant OpenBoard::card(const QString &cardID) const
{
    if (listOf(cardID).isEmpty()) {
        return {};
    }
    const TrelloCard *card = m_store->cards()->cards().record(cardID);
    return card ? QVariant::fromValue(*card) : QVariant();
}

QString OpenBoard::listOf(const QString &cardID) const
{
    if (!m_store) {
        return {};
    }
    const std::optional<QString> listID = m_store->cards()->cards().parentOf(cardID);
    return listID && holdsList(*listID) ? *listID : QString();
}

void OpenBoard::ensureCards(const QString &listID)
{
    if (m_store && holdsList(listID) && !isLoaded(listID) && !isLoading(listID)) {
        m_store->cards()->refreshCards(listID);
    }
}

void OpenBoard::loadLists(int first, int last)
{
    if (!m_store) {
        return;
    }
    const QList<TrelloList> lists = m_store->boards()->lists().value(m_boardID);
    for (int i = std::max(0, first); i <= last && i < lists.size(); ++i) {
        ensureCards(lists[i].id);
    }
}

Operation OpenBoard::refresh()
{
    if (!m_store || m_boardID.isEmpty()) {
        return Operation::finished(Outcome{});
    }
    // The store refreshes what is shown: this board, once it is the one shown.
    if (m_store->activeBoardID() != m_boardID) {
        m_store->setActiveBoardID(m_boardID);
    }
    return m_store->refreshVisible();
}

QString OpenBoard::moveCardByKey(const QString &cardID, int key)
{
    const QString listID = listOf(cardID);
    if (listID.isEmpty()) {
        return {};
    }
    const QList<TrelloList> lists = m_store->boards()->lists().value(m_boardID);
    const QList<TrelloCard> cards = m_store->cards()->cards().value(listID);
    const auto findList = [&lists](const QString &id) {
        return std::find_if(lists.begin(), lists.end(), [&id](const TrelloList &l) { return l.id == id; }) -
               lists.begin();
    };
    const auto findCard = [&cards](const QString &id) {
        return std::find_if(cards.begin(), cards.end(), [&id](const TrelloCard &c) { return c.id == id; }) -
               cards.begin();
    };
    const qsizetype from = findList(listID);
    const qsizetype row = findCard(cardID);
    const QString name = cards.value(row).name;
    QString toList = listID;
    QString before;
    QString said;
    switch (key) {
    case Qt::Key_Left:
    case Qt::Key_Right: {
        const qsizetype to = from + (key == Qt::Key_Right ? 1 : -1);
        if (to < 0 || to >= lists.size()) {
            return {};
        }
        toList = lists[to].id;
        said = tr("Moved “%1” to the end of “%2”.").arg(name, lists[to].name);
        break;
    }
    case Qt::Key_Up:
        if (row <= 0) {
            return {};
        }
        before = cards[row - 1].id;
        said = tr("Moved “%1” before “%2”.").arg(name, cards[row - 1].name);
        break;
    case Qt::Key_Down:
        if (row < 0 || row >= cards.size() - 1) {
            return {};
        }
        before = row + 2 < cards.size() ? cards[row + 2].id : QString();
        said = tr("Moved “%1” after “%2”.").arg(name, cards[row + 1].name);
        break;
    default:
        return {};
    }
    // Into a list never loaded, the store sends the card to the end as the service has it.
    m_store->cards()->moveCard(cardID, toList, before);
    return said;
}

QString OpenBoard::moveListByKey(const QString &listID, int key)
{
    if (!holdsList(listID)) {
        return {};
    }
    const QList<TrelloList> lists = m_store->boards()->lists().value(m_boardID);
    const qsizetype from =
        std::find_if(lists.begin(), lists.end(), [&listID](const TrelloList &l) { return l.id == listID; }) -
        lists.begin();
    const QString name = lists[from].name;
    QString before;
    QString said;
    if (key == Qt::Key_Left) {
        if (from <= 0) {
            return {};
        }
        before = lists[from - 1].id;
        said = tr("Moved list “%1” before “%2”.").arg(name, lists[from - 1].name);
    } else if (key == Qt::Key_Right) {
        if (from >= lists.size() - 1) {
            return {};
        }
        before = from + 2 < lists.size() ? lists[from + 2].id : QString();
        said = tr("Moved list “%1” after “%2”.").arg(name, lists[from + 1].name);
    } else {
        return {};
    }
    m_store->boards()->moveList(listID, before);
    return said;
}
