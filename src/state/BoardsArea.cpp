// SPDX-License-Identifier: MIT
// Boards and lists: loading what the panel shows, creating, renaming, archiving, moving.
#include "BoardsArea.h"

#include "Positions.h"

using namespace Qt::StringLiterals;

BoardsArea::BoardsArea(StoreContext &context, QObject *parent)
    : QObject(parent),
      m_context(context),
      m_model(KeyedListModel::forType<TrelloBoard>(this)),
      m_loadingLists([this] { Q_EMIT loadingListsChanged(); })
{
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
    return m_context.run(u"refreshBoards"_s, loadBoards());
}

QCoro::Task<> BoardsArea::loadBoards()
{
    if (!m_context.hasCredentials()) {
        co_return;
    }
    const quint64 generation = ++m_boardsGeneration;
    ++m_boardLoads;
    const auto setLoading = [this] {
        const bool loading = m_boardLoads > 0;
        if (m_isLoadingBoards != loading) {
            m_isLoadingBoards = loading;
            Q_EMIT isLoadingBoardsChanged();
        }
    };
    setLoading();
    QList<TrelloBoard> boards;
    try {
        boards = co_await m_context.api().fetchBoards();
    } catch (...) {
        --m_boardLoads;
        setLoading();
        throw;
    }
    --m_boardLoads;
    // A board created or archived since this load began stays as it is now.
    if (generation == m_boardsGeneration) {
        setBoards(sortBoards(std::move(boards)));
    }
    m_context.errors().clear();
    setLoading();
}

Operation BoardsArea::refreshLists(const QString &boardID)
{
    if (auto refused = m_context.requireIds(u"refreshLists"_s, {{"board", boardID}})) {
        return *refused;
    }
    return m_context.run(u"refreshLists"_s, loadLists(boardID));
}

QCoro::Task<> BoardsArea::loadLists(QString boardID)
{
    if (!m_context.hasCredentials()) {
        co_return;
    }
    LoadingSet::Mark loading(m_loadingLists, boardID);
    auto load = m_lists.beginLoad(boardID);
    QList<TrelloList> lists = co_await m_context.api().fetchLists(boardID);
    sortByPos(lists);
    load.finish(std::move(lists));
    m_context.errors().clear();
}

Operation BoardsArea::loadBoardMeta(const QString &boardID)
{
    if (auto refused = m_context.requireIds(u"loadBoardMeta"_s, {{"board", boardID}})) {
        return *refused;
    }
    return m_context.run(u"loadBoardMeta"_s, loadMeta(boardID));
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
    m_context.errors().clear();
}

Operation BoardsArea::createBoard(const QString &name, const QString &desc)
{
    return m_context.run(u"createBoard"_s, doCreateBoard(name, desc));
}

QCoro::Task<> BoardsArea::doCreateBoard(QString name, QString desc)
{
    TrelloBoard board = co_await m_context.api().createBoard(name, desc);
    QList<TrelloBoard> boards = KeyedCollection<TrelloBoard>::without(m_boards, board.id);
    boards.append(std::move(board));
    setBoards(sortBoards(std::move(boards)));
    m_context.errors().clear();
}

Operation BoardsArea::archiveBoard(const QString &id)
{
    if (auto refused = m_context.requireIds(u"archiveBoard"_s, {{"board", id}})) {
        return *refused;
    }
    return m_context.run(u"archiveBoard"_s, doArchiveBoard(id));
}

QCoro::Task<> BoardsArea::doArchiveBoard(QString id)
{
    co_await m_context.api().closeBoard(id);
    setBoards(KeyedCollection<TrelloBoard>::without(m_boards, id));
    releaseBoard(id);
    m_context.errors().clear();
}

void BoardsArea::dropBoard(const QString &boardID)
{
    setBoards(KeyedCollection<TrelloBoard>::without(m_boards, boardID));
    releaseBoard(boardID);
    Q_EMIT boardDropped(boardID);
}

Operation BoardsArea::createList(const QString &boardID, const QString &name)
{
    if (auto refused = m_context.requireIds(u"createList"_s, {{"board", boardID}})) {
        return *refused;
    }
    return m_context.run(u"createList"_s, doCreateList(boardID, name));
}

QCoro::Task<> BoardsArea::doCreateList(QString boardID, QString name)
{
    TrelloList list = co_await m_context.api().createList(boardID, name);
    if (m_lists.contains(boardID)) {
        m_lists.insertByPos(boardID, list);
    }
    m_context.errors().clear();
}

Operation BoardsArea::renameList(const QString &id, const QString &name)
{
    if (auto refused = m_context.requireIds(u"renameList"_s, {{"list", id}})) {
        return *refused;
    }
    return m_context.run(u"renameList"_s, doRenameList(id, name));
}

QCoro::Task<> BoardsArea::doRenameList(QString id, QString name)
{
    const TrelloList renamed = co_await m_context.api().renameList(id, name);
    m_lists.replace(id, renamed);
    m_context.errors().clear();
}

Operation BoardsArea::archiveList(const QString &id)
{
    if (auto refused = m_context.requireIds(u"archiveList"_s, {{"list", id}})) {
        return *refused;
    }
    return m_context.run(u"archiveList"_s, doArchiveList(id));
}

QCoro::Task<> BoardsArea::doArchiveList(QString id)
{
    co_await m_context.api().archiveList(id);
    m_lists.removeRecord(id);
    Q_EMIT listReleased(id);
    m_context.errors().clear();
}

Operation BoardsArea::moveList(const QString &id, const QString &beforeListID)
{
    if (auto refused = m_context.requireIds(u"moveList"_s, {{"list", id}})) {
        return *refused;
    }
    const std::optional<QString> boardID = m_lists.parentOf(id);
    if (!boardID || (!beforeListID.isEmpty() && beforeListID == id)) {
        return Operation::finished(Outcome{}); // nothing to move
    }
    return m_context.run(u"moveList"_s, doMoveList(id, *boardID, beforeListID));
}

QCoro::Task<> BoardsArea::doMoveList(QString id, QString boardID, QString beforeListID)
{
    const TrelloList *moving = m_lists.record(id);
    if (!moving) {
        co_return;
    }
    TrelloList moved = *moving;
    const QList<TrelloList> shown = m_lists.value(boardID);
    const QList<TrelloList> others = KeyedCollection<TrelloList>::without(shown, id);
    const double pos = positionAmong(others, beforeListID);
    moved.pos = pos;
    // Shown in its new place at once; put back and repaired from the service if the move fails.
    m_lists.insertByPos(boardID, moved);
    const QList<TrelloList> optimistic = m_lists.value(boardID);
    std::exception_ptr failure;
    std::optional<TrelloList> answer;
    try {
        answer = co_await m_context.api().moveList(id, pos);
    } catch (...) {
        failure = std::current_exception();
    }
    if (failure) {
        // Back at once (unless something changed the lists since), then as the service has
        // them: the reload may well be refused too, for the same reason as the move.
        if (m_lists.value(boardID) == optimistic) {
            m_lists.set(boardID, shown);
        }
        try {
            co_await loadLists(boardID);
        } catch (...) {
        }
        std::rethrow_exception(failure);
    }
    // Another position than the one sent: the service renumbered the board's lists.
    if (answer->pos != pos) {
        co_await loadLists(boardID);
    }
    m_context.errors().clear();
}
