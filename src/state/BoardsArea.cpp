// SPDX-License-Identifier: MIT
// Boards and lists: loading what the panel shows, creating, renaming, archiving, moving.
#include "BoardsArea.h"

#include "Positions.h"

#include <QScopeGuard>

using namespace Qt::StringLiterals;

BoardsArea::BoardsArea(StoreContext &context, QObject *parent)
    : QObject(parent),
      m_context(context),
      m_model(KeyedListModel::forType<TrelloBoard>(this))
{
    m_lists.setLoadingHandler([this] { Q_EMIT loadingListsChanged(); });
}

QList<TrelloBoard> BoardsArea::sortBoards(QList<TrelloBoard> boards)
{
    // Full Unicode lower-casing, then plain code-point order: no locale, no numeric collation.
    QList<std::pair<QString, qsizetype>> keys;
    keys.reserve(boards.size());
    for (qsizetype i = 0; i < boards.size(); ++i) {
        keys.append({boards[i].name.toLower(), i});
    }
    std::stable_sort(keys.begin(), keys.end(), [&boards](const auto &a, const auto &b) {
        const bool starredA = boards[a.second].starred.value_or(false);
        const bool starredB = boards[b.second].starred.value_or(false);
        if (starredA != starredB) {
            return starredA;
        }
        return QStringView(a.first).compare(QStringView(b.first), Qt::CaseSensitive) < 0;
    });
    QList<TrelloBoard> sorted;
    sorted.reserve(boards.size());
    for (const auto &key : keys) {
        sorted.append(std::move(boards[key.second]));
    }
    return sorted;
}

void BoardsArea::setBoards(QList<TrelloBoard> boards)
{
    ++m_boardsGeneration;
    m_boards = std::move(boards);
    m_model->replace(m_boards);
}

void BoardsArea::clear()
{
    setBoards({});
    for (const QString &boardID : m_lists.parents()) {
        releaseLists(boardID);
    }
    m_lists.clear();
    m_labels.clear();
    m_members.clear();
    // Another account's picks mean nothing; a screen still open keeps its (now empty) filter.
    for (BoardFilter *filter : std::as_const(m_filters)) {
        filter->clear();
    }
}

BoardFilter *BoardsArea::filter(const QString &boardID)
{
    if (boardID.isEmpty()) {
        return nullptr;
    }
    BoardFilter *&filter = m_filters[boardID];
    if (!filter) {
        filter = new BoardFilter(this);
    }
    return filter;
}

void BoardsArea::releaseLists(const QString &boardID)
{
    for (const TrelloList &list : m_lists.value(boardID)) {
        Q_EMIT listReleased(list.id);
    }
    m_lists.remove(boardID);
}

void BoardsArea::releaseBoard(const QString &boardID)
{
    releaseLists(boardID);
    m_labels.remove(boardID);
    m_members.remove(boardID);
}

Operation BoardsArea::refreshBoards()
{
    return m_context.operation(u"refreshBoards"_s, {}, [this] { return loadBoards(); });
}

QCoro::Task<> BoardsArea::loadBoards()
{
    if (!m_context.hasCredentials()) {
        co_return;
    }
    const quint64 generation = ++m_boardsGeneration;
    const auto setLoading = [this](int change) {
        m_boardLoads += change;
        if (m_isLoadingBoards != (m_boardLoads > 0)) {
            m_isLoadingBoards = m_boardLoads > 0;
            Q_EMIT isLoadingBoardsChanged();
        }
    };
    setLoading(+1);
    const auto loaded = qScopeGuard([&setLoading] { setLoading(-1); });
    QList<TrelloBoard> boards = co_await m_context.api().fetchBoards();
    // A board created or archived since this load began stays as it is now.
    if (generation == m_boardsGeneration) {
        setBoards(sortBoards(std::move(boards)));
    }
    m_context.loaded();
}

Operation BoardsArea::refreshLists(const QString &boardID)
{
    return m_context.operation(u"refreshLists"_s, {{"board", boardID}}, [this, boardID] { return loadLists(boardID); });
}

QCoro::Task<> BoardsArea::loadLists(QString boardID)
{
    co_await m_context.load(m_lists, boardID, &TrelloAPI::fetchLists, sortByPos<TrelloList>);
}

Operation BoardsArea::loadBoardMeta(const QString &boardID)
{
    return m_context.operation(u"loadBoardMeta"_s, {{"board", boardID}}, [this, boardID] { return loadMeta(boardID); });
}

QCoro::Task<> BoardsArea::loadMeta(QString boardID)
{
    if (!m_context.hasCredentials()) {
        co_return;
    }
    // Both requests go out together; the labels decide. When they fail, the members' answer
    // is awaited and dropped so that neither map changes.
    auto labelsLoad = m_labels.beginLoad(boardID);
    auto membersLoad = m_members.beginLoad(boardID);
    auto labelsTask = m_context.api().fetchBoardLabels(boardID);
    auto membersTask = m_context.api().fetchBoardMembers(boardID);
    std::optional<QList<TrelloLabel>> labels;
    std::exception_ptr labelsFailure;
    try {
        labels = co_await std::move(labelsTask);
    } catch (...) {
        labelsFailure = std::current_exception();
    }
    if (labelsFailure) {
        try {
            co_await std::move(membersTask);
        } catch (...) {
        }
        std::rethrow_exception(labelsFailure);
    }
    labelsLoad.finish(std::move(*labels));
    QList<TrelloMember> members = co_await std::move(membersTask);
    membersLoad.finish(std::move(members));
    m_context.loaded();
}

Operation BoardsArea::createBoard(const QString &name, const QString &desc)
{
    return m_context.operation(u"createBoard"_s, {}, [this, name, desc]() -> QCoro::Task<> {
        TrelloBoard board = co_await m_context.api().createBoard(name, desc);
        QList<TrelloBoard> boards = KeyedCollection<TrelloBoard>::without(m_boards, board.id);
        boards.append(std::move(board));
        setBoards(sortBoards(std::move(boards)));
    });
}

Operation BoardsArea::archiveBoard(const QString &id)
{
    return m_context.operation(u"archiveBoard"_s, {{"board", id}}, [this, id]() -> QCoro::Task<> {
        co_await m_context.api().closeBoard(id);
        setBoards(KeyedCollection<TrelloBoard>::without(m_boards, id));
        releaseBoard(id);
    });
}

void BoardsArea::dropBoard(const QString &boardID)
{
    setBoards(KeyedCollection<TrelloBoard>::without(m_boards, boardID));
    releaseBoard(boardID);
    Q_EMIT boardDropped(boardID);
}

Operation BoardsArea::createList(const QString &boardID, const QString &name)
{
    return m_context.operation(u"createList"_s, {{"board", boardID}}, [this, boardID, name]() -> QCoro::Task<> {
        TrelloList list = co_await m_context.api().createList(boardID, name);
        if (m_lists.contains(boardID)) {
            m_lists.insertByPos(boardID, list);
        }
    });
}

Operation BoardsArea::renameList(const QString &id, const QString &name)
{
    return m_context.operation(u"renameList"_s, {{"list", id}}, [this, id, name]() -> QCoro::Task<> {
        const TrelloList renamed = co_await m_context.api().renameList(id, name);
        m_lists.replace(id, renamed);
    });
}

Operation BoardsArea::archiveList(const QString &id)
{
    return m_context.operation(u"archiveList"_s, {{"list", id}}, [this, id]() -> QCoro::Task<> {
        co_await m_context.api().archiveList(id);
        m_lists.removeRecord(id);
        Q_EMIT listReleased(id);
    });
}

Operation BoardsArea::moveList(const QString &id, const QString &beforeListID)
{
    return m_context.operation(u"moveList"_s, {{"list", id}}, [this, id, beforeListID]() -> QCoro::Task<> {
        const std::optional<QString> boardID = m_lists.parentOf(id);
        const TrelloList *moving = m_lists.record(id);
        if (!boardID || !moving || (!beforeListID.isEmpty() && beforeListID == id)) {
            co_return; // nothing to move
        }
        TrelloList moved = *moving;
        const double pos = positionAmong(KeyedCollection<TrelloList>::without(m_lists.value(*boardID), id), beforeListID);
        moved.pos = pos;
        // Shown in its new place at once; put back and repaired from the service if the move fails.
        const auto before = m_lists.snapshot({*boardID});
        m_lists.insertByPos(*boardID, moved);
        const auto after = m_lists.snapshot({*boardID});
        auto sending = StoreContext::sendOrUndo(
            m_context.api().moveList(id, pos), [this, before, after] { m_lists.restore(before, after); },
            [this, board = *boardID] { return loadLists(board); });
        const TrelloList answer = co_await std::move(sending);
        // Another position than the one sent: the service renumbered the board's lists.
        if (answer.pos != pos) {
            co_await loadLists(*boardID);
        }
    });
}
