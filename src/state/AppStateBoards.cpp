// SPDX-License-Identifier: MIT
// Boards and lists: loading what the panel shows, creating, renaming, archiving, moving.
#include "AppState.h"

using namespace Qt::StringLiterals;

namespace {
// Where an item goes: before `beforeID` (the mean of its neighbours, the lower one counting as 0)
// or at the end (last + 65536). Crowded when the neighbours are less than 1 apart, after which
// the service will have renumbered and the container is reloaded.
template <typename T>
std::pair<double, bool> placement(const QList<T> &others, const QString &beforeID)
{
    if (!beforeID.isEmpty()) {
        for (qsizetype i = 0; i < others.size(); ++i) {
            if (others[i].id == beforeID) {
                const double next = others[i].pos;
                const double prev = i > 0 ? others[i - 1].pos : 0.0;
                return {(next + prev) * 0.5, next - prev < 1.0};
            }
        }
    }
    return {others.isEmpty() ? 65536.0 : others.last().pos + 65536.0, false};
}

template <typename T> QList<T> without(const QList<T> &records, const QString &id)
{
    QList<T> rest;
    rest.reserve(records.size());
    for (const T &record : records) {
        if (record.id != id) {
            rest.append(record);
        }
    }
    return rest;
}
} // namespace

Operation AppState::refreshVisible()
{
    return operation(doRefreshVisible());
}

QCoro::Task<> AppState::doRefreshVisible()
{
    if (!hasCredentials()) {
        co_return;
    }
    co_await doRefreshBoards();
    if (!m_activeBoardID) {
        co_return;
    }
    const QString boardID = *m_activeBoardID;
    co_await doRefreshLists(boardID);
    co_await doLoadBoardMeta(boardID);
    // One list after another: a board with many lists must not flood the service.
    for (const TrelloList &list : m_lists.value(boardID)) {
        co_await doRefreshCards(list.id);
    }
}

Operation AppState::refreshLists(const QString &boardID)
{
    return operation(doRefreshLists(boardID));
}

QCoro::Task<> AppState::doRefreshLists(QString boardID)
{
    co_await loadInto(m_lists, Loading::Lists, boardID, &TrelloAPI::fetchLists,
                      &sortByPos<TrelloList>);
}

Operation AppState::refreshCards(const QString &listID)
{
    return operation(doRefreshCards(listID));
}

QCoro::Task<> AppState::doRefreshCards(QString listID)
{
    co_await loadInto(m_cards, Loading::Cards, listID, &TrelloAPI::fetchCards,
                      &sortByPos<TrelloCard>);
}

Operation AppState::loadBoardMeta(const QString &boardID)
{
    return operation(doLoadBoardMeta(boardID));
}

QCoro::Task<> AppState::doLoadBoardMeta(QString boardID)
{
    if (!hasCredentials()) {
        co_return;
    }
    // Both requests go out together; the labels decide. When they fail, the members' answer
    // is awaited and dropped so that neither map changes.
    auto labelsTask = m_api->fetchBoardLabels(boardID);
    auto membersTask = m_api->fetchBoardMembers(boardID);
    std::optional<QList<TrelloLabel>> labels;
    std::optional<QString> labelsFailure;
    try {
        labels = co_await std::move(labelsTask);
    } catch (const std::exception &error) {
        labelsFailure = describe(error);
    }
    if (labelsFailure) {
        try {
            co_await std::move(membersTask);
        } catch (const std::exception &) {
        }
        setError(labelsFailure);
        co_return;
    }
    m_boardLabels.set(boardID, std::move(*labels));
    auto members = co_await attempt(std::move(membersTask));
    if (members) {
        m_boardMembers.set(boardID, std::move(*members));
        clearError();
    }
}

Operation AppState::createBoard(const QString &name, const QString &desc)
{
    return operation(doCreateBoard(name, desc));
}

QCoro::Task<> AppState::doCreateBoard(QString name, QString desc)
{
    auto board = co_await attempt(m_api->createBoard(name, desc));
    if (board) {
        QList<TrelloBoard> boards = m_boards;
        boards.append(std::move(*board));
        setBoards(sortBoards(std::move(boards)));
        clearError();
    }
}

Operation AppState::archiveBoard(const QString &id)
{
    return operation(doArchiveBoard(id));
}

QCoro::Task<> AppState::doArchiveBoard(QString id)
{
    const bool closed = co_await attempt(m_api->closeBoard(id));
    if (closed) {
        setBoards(without(m_boards, id));
        m_lists.remove(id);
        clearError();
    }
}

Operation AppState::createList(const QString &boardID, const QString &name)
{
    return operation(doCreateList(boardID, name));
}

QCoro::Task<> AppState::doCreateList(QString boardID, QString name)
{
    auto list = co_await attempt(m_api->createList(boardID, name));
    if (list) {
        QList<TrelloList> lists = m_lists.value(boardID);
        lists.append(std::move(*list));
        sortByPos(lists);
        m_lists.set(boardID, std::move(lists));
        clearError();
    }
}

Operation AppState::renameList(const QString &id, const QString &boardID, const QString &name)
{
    return operation(doRenameList(id, boardID, name));
}

QCoro::Task<> AppState::doRenameList(QString id, QString boardID, QString name)
{
    auto renamed = co_await attempt(m_api->renameList(id, name));
    if (!renamed) {
        co_return;
    }
    if (const QList<TrelloList> *current = m_lists.find(boardID)) {
        QList<TrelloList> lists = *current;
        for (TrelloList &list : lists) {
            if (list.id == id) {
                list = *renamed;
                m_lists.set(boardID, std::move(lists));
                break;
            }
        }
    }
    clearError();
}

Operation AppState::archiveList(const QString &id, const QString &boardID)
{
    return operation(doArchiveList(id, boardID));
}

QCoro::Task<> AppState::doArchiveList(QString id, QString boardID)
{
    const bool succeeded = co_await attempt(m_api->archiveList(id));
    if (!succeeded) {
        co_return;
    }
    if (const QList<TrelloList> *lists = m_lists.find(boardID)) {
        m_lists.set(boardID, without(*lists, id));
    }
    m_cards.remove(id);
    clearError();
}

Operation AppState::moveList(const QString &id, const QString &boardID, const QString &beforeListID)
{
    return operation(doMoveList(id, boardID, beforeListID));
}

QCoro::Task<> AppState::doMoveList(QString id, QString boardID, QString beforeListID)
{
    if (!beforeListID.isEmpty() && beforeListID == id) {
        co_return;
    }
    const QList<TrelloList> current = m_lists.value(boardID);
    const auto moving = std::find_if(current.begin(), current.end(),
                                     [&id](const TrelloList &list) { return list.id == id; });
    if (moving == current.end()) {
        co_return;
    }
    QList<TrelloList> others = without(current, id);
    const auto [pos, crowded] = placement(others, beforeListID);
    TrelloList moved = *moving;
    moved.pos = pos;
    others.append(moved);
    sortByPos(others);
    m_lists.set(boardID, std::move(others));

    const bool succeeded = (co_await attempt(m_api->moveList(id, pos))).has_value();
    if (!succeeded) {
        const std::optional<QString> failure = m_errorMessage;
        co_await doRefreshLists(boardID);
        setError(failure);
        co_return;
    }
    if (crowded) {
        co_await doRefreshLists(boardID);
    }
    clearError();
}
