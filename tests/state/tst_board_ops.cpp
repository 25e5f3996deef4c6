// SPDX-License-Identifier: MIT
// Board, list and card operations: the positions the service receives, optimistic moves and
// their repair, overlapping answers, the refresh sequence, what a closed parent lets go, and
// the board's card filter.
#include "StoreHarness.h"
#include "state/OpenBoard.h"
#include "sandbox/Emulator.h"
#include "sandbox/LoopbackServer.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>

using namespace Qt::StringLiterals;
using namespace harness;
using sandbox::Response;

class TestBoardOps : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cardPositions_data();
    void cardPositions();
    void ignoredMoves();
    void crowdedMoveFetchesRenumbering();
    void overlappingMovesKeepOneCopy();
    void updateCardTargets();
    void labelSwitches();
    void refreshVisibleSequence();
    void listOperations();
    void staleAnswersNeverUndoChanges();
    void refusedArguments();
    void closedParentsReleaseTheirModels();
    void boardFilters();
    void searchAcrossBoards();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<sandbox::LoopbackServer> m_server;
    std::unique_ptr<AppState> scriptedStore();
};

namespace {
QJsonObject cardJson(const QString &id, const QString &list, double pos)
{
    return {{u"id"_s, id},     {u"name"_s, QString(u"Card "_s + id)}, {u"closed"_s, false},
            {u"idList"_s, list}, {u"idBoard"_s, u"b1"_s},     {u"pos"_s, pos}};
}

std::string cardsJson(const QString &list, const QList<std::pair<QString, double>> &cards)
{
    QJsonArray array;
    for (const auto &[id, pos] : cards) {
        array.append(cardJson(id, list, pos));
    }
    return QJsonDocument(array).toJson(QJsonDocument::Compact).toStdString();
}

std::string one(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString();
}

QStringList cardIds(const AppState &state, const QString &list)
{
    return ids(state.cards()->cards().value(list));
}

// The requests' lines, without the member's notifications and cards: those are fetched at
// the start on their own, and under load they can arrive during the operation looked at.
std::vector<std::string> requestLines(const std::vector<sandbox::RecordedRequest> &requests)
{
    std::vector<std::string> lines;
    for (const auto &r : requests) {
        if (r.path != "/1/members/me/notifications" && r.path != "/1/members/me/cards") {
            lines.push_back(r.method + " " + r.path);
        }
    }
    return lines;
}
} // namespace

void TestBoardOps::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_server = std::make_unique<sandbox::LoopbackServer>();
    QVERIFY(m_server->start() > 0);
}

std::unique_ptr<AppState> TestBoardOps::scriptedStore()
{
    return makeStore({q(m_server->baseUrl()), u"k0123456789"_s, u"t0123456789"_s, {}}, *m_dir);
}

void TestBoardOps::cardPositions_data()
{
    QTest::addColumn<QString>("destination"); // "id:pos id:pos"
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("sent");
    QTest::addColumn<bool>("reloads");
    QTest::newRow("end of an empty list") << "" << "" << "65536.0" << false;
    QTest::newRow("end of a list") << "x:65536 y:131072" << "" << "196608.0" << false;
    QTest::newRow("before the first card") << "x:16384 y:32768" << "x" << "8192.0" << false;
    QTest::newRow("before a first card at 1") << "x:1 y:2" << "x" << "0.5" << false;
    QTest::newRow("between close cards, renumbered") << "x:100 y:100.5" << "y" << "100.25" << true;
    QTest::newRow("between close cards, kept") << "x:100 y:100.5" << "y" << "100.25" << false;
    QTest::newRow("unknown target goes last") << "x:10" << "nope" << "65546.0" << false;
    QTest::newRow("near 2^47") << "x:140737488355328" << "" << "140737488420864.0" << false;
}

void TestBoardOps::cardPositions()
{
    QFETCH(QString, destination);
    QFETCH(QString, before);
    QFETCH(QString, sent);
    QFETCH(bool, reloads);

    QList<std::pair<QString, double>> cards;
    for (const QString &item : destination.split(u' ', Qt::SkipEmptyParts)) {
        cards.append({item.section(u':', 0, 0), item.section(u':', 1).toDouble()});
    }
    m_server->route("GET", "/1/lists/src/cards", Response::json(cardsJson(u"src"_s, {{u"m"_s, 5}})));
    m_server->route("GET", "/1/lists/dst/cards", Response::json(cardsJson(u"dst"_s, cards)));
    // A renumbering service answers with the position it stored, not the one sent.
    m_server->route("PUT", "/1/cards/m",
                    Response::json(one(cardJson(u"m"_s, u"dst"_s, reloads ? 2 : sent.toDouble()))));
    auto state = scriptedStore();
    await(state->cards()->refreshCards(u"src"_s));
    await(state->cards()->refreshCards(u"dst"_s));
    if (reloads) {
        // The service renumbers crowded cards; the reload brings its new positions.
        cards.insert(1, {u"m"_s, 2});
        cards[0].second = 1;
        cards[2].second = 3;
        m_server->enqueue("GET", "/1/lists/dst/cards", Response::json(cardsJson(u"dst"_s, cards)));
    }
    m_server->clearRequests();

    await(state->cards()->moveCard(u"m"_s, u"dst"_s, before));
    const auto requests = m_server->requests();
    QVERIFY(!requests.empty());
    QCOMPARE(requests[0].method, std::string("PUT"));
    QCOMPARE(requests[0].queryNames(), (std::vector<std::string>{"key", "token", "idList", "pos"}));
    QCOMPARE(q(requests[0].queryValue("pos").value_or("")), sent);
    QCOMPARE(requests.size(), reloads ? 2u : 1u);
    if (reloads) {
        QCOMPARE(requests[1].path, std::string("/1/lists/dst/cards"));
    }
    QVERIFY(state->cards()->cards().value(u"src"_s).isEmpty());
    QVERIFY(cardIds(*state, u"dst"_s).contains(u"m"_s));
    QVERIFY(!state->errors()->message());
}

void TestBoardOps::ignoredMoves()
{
    m_server->route("GET", "/1/lists/l/cards",
                    Response::json(cardsJson(u"l"_s, {{u"a"_s, 1}, {u"b"_s, 2}})));
    auto state = scriptedStore();
    await(state->cards()->refreshCards(u"l"_s));
    m_server->clearRequests();
    await(state->cards()->moveCard(u"a"_s, u"l"_s, u"a"_s));       // before itself
    await(state->cards()->moveCard(u"ghost"_s, u"l"_s, QString())); // not loaded
    await(state->boards()->moveList(u"x"_s, u"x"_s));
    await(state->boards()->moveList(u"x"_s, QString())); // not loaded
    QVERIFY(m_server->requests().empty());
    QCOMPARE(cardIds(*state, u"l"_s), (QStringList{u"a"_s, u"b"_s}));
}

void TestBoardOps::crowdedMoveFetchesRenumbering()
{
    // Keep dropping the last card (and list) on top until the gap closes; the service renumbers
    // at its own threshold and the store must end with exactly the service's positions.
    sandbox::Emulator service;
    QVERIFY(service.start() > 0);
    auto state = makeStore({q(service.baseUrl()), q(service.apiKey()), q(service.token()), {}}, *m_dir);
    const QString board = state->boards()->boards().first().id;
    await(state->boards()->refreshLists(board));
    QString listID;
    for (const auto &list : state->boards()->lists().value(board)) {
        await(state->cards()->refreshCards(list.id));
        if (state->cards()->cards().value(list.id).size() >= 3) {
            listID = list.id;
            break;
        }
    }
    QVERIFY2(!listID.isEmpty(), "the sample board needs a list with three cards");
    for (int round = 0; round < 40; ++round) {
        const auto cards = state->cards()->cards().value(listID);
        await(state->cards()->moveCard(cards.last().id, listID, cards.first().id));
        QVERIFY2(!state->errors()->message(), qPrintable(state->errorMessage()));
    }
    const auto served = service.cardPositions(listID.toStdString());
    const auto local = state->cards()->cards().value(listID);
    QCOMPARE(local.size(), qsizetype(served.size()));
    for (qsizetype i = 0; i < local.size(); ++i) {
        QCOMPARE(local[i].id, q(served[i].first));
        QCOMPARE(local[i].pos, served[i].second);
    }
    for (int round = 0; round < 40; ++round) {
        const auto lists = state->boards()->lists().value(board);
        await(state->boards()->moveList(lists.last().id, lists.first().id));
    }
    const auto servedLists = service.listPositions(board.toStdString());
    const auto localLists = state->boards()->lists().value(board);
    QCOMPARE(localLists.size(), qsizetype(servedLists.size()));
    for (qsizetype i = 0; i < localLists.size(); ++i) {
        QCOMPARE(localLists[i].pos, servedLists[i].second);
    }
}

void TestBoardOps::overlappingMovesKeepOneCopy()
{
    // Two moves of one card; the first answer arrives last. The card must end in one list.
    m_server->route("GET", "/1/lists/a/cards", Response::json(cardsJson(u"a"_s, {{u"m"_s, 1}})));
    m_server->route("GET", "/1/lists/b/cards", Response::json(cardsJson(u"b"_s, {})));
    m_server->route("GET", "/1/lists/c/cards", Response::json(cardsJson(u"c"_s, {})));
    auto slow = Response::json(one(cardJson(u"m"_s, u"b"_s, 65536)));
    slow.delay = std::chrono::milliseconds(300);
    auto fast = Response::json(one(cardJson(u"m"_s, u"c"_s, 65536)));
    fast.delay = std::chrono::milliseconds(20);
    m_server->enqueue("PUT", "/1/cards/m", slow);
    m_server->enqueue("PUT", "/1/cards/m", fast);
    auto state = scriptedStore();
    for (const auto &list : {u"a"_s, u"b"_s, u"c"_s}) {
        await(state->cards()->refreshCards(list));
    }
    auto first = state->cards()->moveCard(u"m"_s, u"b"_s);
    auto second = state->cards()->moveCard(u"m"_s, u"c"_s);
    await(first);
    await(second);
    QCOMPARE(cardIds(*state, u"a"_s) + cardIds(*state, u"b"_s) + cardIds(*state, u"c"_s),
             QStringList{u"m"_s});
    QCOMPARE(cardIds(*state, u"c"_s), QStringList{u"m"_s});

    // Within one list (up, then back down): the card stays where the later move put it.
    m_server->route("GET", "/1/lists/d/cards",
                    Response::json(cardsJson(u"d"_s, {{u"x"_s, 100}, {u"n"_s, 200}})));
    auto up = Response::json(one(cardJson(u"n"_s, u"d"_s, 50)));
    up.delay = std::chrono::milliseconds(300);
    auto down = Response::json(one(cardJson(u"n"_s, u"d"_s, 300)));
    down.delay = std::chrono::milliseconds(20);
    m_server->enqueue("PUT", "/1/cards/n", up);
    m_server->enqueue("PUT", "/1/cards/n", down);
    await(state->cards()->refreshCards(u"d"_s));
    first = state->cards()->moveCard(u"n"_s, u"d"_s, u"x"_s);
    QTest::qWait(50); // the first request reaches the service first, and takes the slow answer
    second = state->cards()->moveCard(u"n"_s, u"d"_s);
    await(second);
    QCOMPARE(cardIds(*state, u"d"_s), (QStringList{u"x"_s, u"n"_s}));
    await(first);
    QCOMPARE(cardIds(*state, u"d"_s), (QStringList{u"x"_s, u"n"_s}));
}

void TestBoardOps::updateCardTargets()
{
    m_server->route("GET", "/1/lists/a/cards",
                    Response::json(cardsJson(u"a"_s, {{u"x"_s, 2}, {u"y"_s, 1}})));
    m_server->route("GET", "/1/lists/b/cards", Response::json(cardsJson(u"b"_s, {{u"w"_s, 9}})));
    auto state = scriptedStore();
    await(state->cards()->refreshCards(u"a"_s));
    await(state->cards()->refreshCards(u"b"_s));
    QCOMPARE(cardIds(*state, u"a"_s), (QStringList{u"y"_s, u"x"_s}));

    // Same list: replaced in place, not re-sorted even though its position changed.
    QJsonObject renamed = cardJson(u"y"_s, u"a"_s, 50);
    renamed[u"name"_s] = u"Renamed"_s;
    m_server->enqueue("PUT", "/1/cards/y", Response::json(one(renamed)));
    const Outcome result = await(state->cards()->updateCard(
        u"y"_s, {{u"name"_s, u"Renamed"_s}, {u"desc"_s, u""_s}, {u"due"_s, QVariant::fromValue(nullptr)},
                 {u"dueComplete"_s, false}, {u"idList"_s, u"a"_s}}));
    QVERIFY(result.ok);
    QCOMPARE(result.value.value<TrelloCard>().name, u"Renamed"_s);
    QCOMPARE(cardIds(*state, u"a"_s), (QStringList{u"y"_s, u"x"_s}));
    const auto sent = m_server->requests().back();
    QCOMPARE(sent.queryNames(), (std::vector<std::string>{"key", "token", "name", "desc", "due",
                                                          "dueComplete", "idList"}));
    QCOMPARE(sent.queryValue("due").value_or("?"), "null");
    QCOMPARE(sent.queryValue("desc").value_or("?"), std::string());

    // Another list: leaves the source, lands sorted in the target.
    m_server->enqueue("PUT", "/1/cards/x", Response::json(one(cardJson(u"x"_s, u"b"_s, 1))));
    await(state->cards()->updateCard(u"x"_s, {{u"idList"_s, u"b"_s}}));
    QCOMPARE(cardIds(*state, u"a"_s), (QStringList{u"y"_s}));
    QCOMPARE(cardIds(*state, u"b"_s), (QStringList{u"x"_s, u"w"_s}));
}

// The card keeps the label records the tiles draw, not only their ids; switching one on twice
// leaves one copy. (Switching from the editor, members too, is the card sections' QML test.)
void TestBoardOps::labelSwitches()
{
    m_server->route("GET", "/1/lists/a/cards", Response::json(cardsJson(u"a"_s, {{u"x"_s, 1}})));
    m_server->route("POST", "/1/cards/x/idLabels", Response::json("[\"l1\"]"));
    m_server->route("DELETE", "/1/cards/x/idLabels/l1", Response::json("{\"_value\":null}"));
    auto state = scriptedStore();
    await(state->cards()->refreshCards(u"a"_s));
    QVERIFY(!state->cards()->cards().value(u"a"_s).first().labels.has_value());

    TrelloLabel label;
    label.id = u"l1"_s;
    label.color = u"green_dark"_s;
    await(state->cards()->setCardLabel(u"x"_s, QVariant::fromValue(label), true));
    await(state->cards()->setCardLabel(u"x"_s, QVariant::fromValue(label), true));
    TrelloCard card = state->cards()->cards().value(u"a"_s).first();
    QCOMPARE(*card.idLabels, QStringList{u"l1"_s});
    QCOMPARE(card.labels->size(), 1);
    QCOMPARE(card.labels->first(), label);

    await(state->cards()->setCardLabel(u"x"_s, QVariant::fromValue(label), false));
    card = state->cards()->cards().value(u"a"_s).first();
    QVERIFY(card.idLabels.has_value() && card.idLabels->isEmpty());
    QVERIFY(card.labels.has_value() && card.labels->isEmpty());
}

void TestBoardOps::refreshVisibleSequence()
{
    sandbox::Emulator service;
    QVERIFY(service.start() > 0);
    auto state = makeStore({q(service.baseUrl()), q(service.apiKey()), q(service.token()), {}}, *m_dir);
    const QString board = state->boards()->boards().first().id;
    state->setActiveBoardID(board);
    await(state->boards()->refreshLists(board));
    const auto lists = state->boards()->lists().value(board);
    QVERIFY(lists.size() >= 2);

    // The lists fail: labels, members and the cards of the lists already held still load.
    service.clearRequests();
    service.injectFault("GET", "/1/boards/.*/lists", Response::text("boom", 500));
    service.injectFault("GET", "/1/lists/" + lists[0].id.toStdString() + "/cards",
                        Response::text("The requested resource was not found.", 404));
    await(state->refreshVisible());
    const auto lines = requestLines(service.requests());
    const std::string b = "/1/boards/" + board.toStdString();
    std::vector<std::string> expected{"GET /1/members/me/boards", "GET " + b + "/lists"};
    std::vector<std::string> meta{lines[2], lines[3]};
    std::sort(meta.begin(), meta.end());
    QCOMPARE(meta, (std::vector<std::string>{"GET " + b + "/labels", "GET " + b + "/members"}));
    for (const auto &list : lists) {
        expected.push_back("GET /1/lists/" + list.id.toStdString() + "/cards");
    }
    QCOMPARE(std::vector<std::string>(lines.begin(), lines.begin() + 2),
             std::vector<std::string>(expected.begin(), expected.begin() + 2));
    QCOMPARE(std::vector<std::string>(lines.begin() + 4, lines.end()),
             std::vector<std::string>(expected.begin() + 2, expected.end()));
    // The later lists succeeded, so the failure of the first is no longer shown.
    QVERIFY(!state->errors()->message());
    QVERIFY(!state->cards()->cards().contains(lists[0].id));
    QVERIFY(state->cards()->cards().contains(lists[1].id));
    QVERIFY(state->boards()->labels().contains(board));
    QVERIFY(state->cards()->loadingCards().isEmpty());
}

void TestBoardOps::listOperations()
{
    sandbox::Emulator service;
    QVERIFY(service.start() > 0);
    auto state = makeStore({q(service.baseUrl()), q(service.apiKey()), q(service.token()), {}}, *m_dir);
    const QString board = state->boards()->boards().first().id;
    await(state->boards()->refreshLists(board));
    const int before = int(state->boards()->lists().value(board).size());

    await(state->boards()->createList(board, u"Backlog & ideas = #1"_s));
    const auto lists = state->boards()->lists().value(board);
    QCOMPARE(lists.size(), before + 1);
    QCOMPARE(lists.last().name, u"Backlog & ideas = #1"_s);

    const QString first = lists.first().id;
    await(state->cards()->refreshCards(first));
    QVERIFY(state->cards()->cards().contains(first));
    await(state->boards()->archiveList(first));
    QVERIFY(!ids(state->boards()->lists().value(board)).contains(first));
    QVERIFY(!state->cards()->cards().contains(first));

    // The labels decide: when they fail neither map changes, even if the members succeed.
    await(state->boards()->loadBoardMeta(board));
    const auto members = state->boards()->members().value(board);
    QVERIFY(!members.isEmpty());
    service.injectFault("GET", "/1/boards/.*/labels", Response::text("invalid token", 401));
    service.injectFault("GET", "/1/boards/.*/members", Response::json("[]"));
    await(state->boards()->loadBoardMeta(board));
    QCOMPARE(state->boards()->members().value(board), members);
    QCOMPARE(state->errorMessage(), u"Trello API request failed (401): invalid token"_s);

    // An archived board takes its lists along.
    await(state->boards()->archiveBoard(board));
    QVERIFY(!state->boards()->lists().contains(board));
    await(state->boards()->refreshBoards()); // the service agrees: closed boards leave the open list
    QVERIFY(!ids(state->boards()->boards()).contains(board));
}

void TestBoardOps::staleAnswersNeverUndoChanges()
{
    sandbox::Emulator service;
    QVERIFY(service.start() > 0);
    auto state = makeStore({q(service.baseUrl()), q(service.apiKey()), q(service.token()), {}}, *m_dir);
    const QString board = state->boards()->boards().first().id;
    await(state->boards()->refreshLists(board));
    const auto lists = state->boards()->lists().value(board);
    await(state->cards()->refreshCards(lists[0].id));
    await(state->cards()->refreshCards(lists[1].id));
    const QString card = state->cards()->cards().value(lists[0].id).first().id;

    // Both lists are read before the move and answer after it.
    service.delayAnswers("GET", "/1/lists/.*/cards", std::chrono::milliseconds(300), 2);
    auto staleSource = state->cards()->refreshCards(lists[0].id);
    auto staleDestination = state->cards()->refreshCards(lists[1].id);
    QTest::qWait(50); // both reads have reached the service
    await(state->cards()->moveCard(card, lists[1].id));
    await(staleSource);
    await(staleDestination);
    QVERIFY(!cardIds(*state, lists[0].id).contains(card));
    QVERIFY(cardIds(*state, lists[1].id).contains(card));
    QCOMPARE(state->cards()->cards().parentOf(card), lists[1].id);

    // Of two overlapping loads the newer one has the say, whichever answers last.
    service.delayAnswers("GET", "/1/boards/.*/lists", std::chrono::milliseconds(300));
    auto older = state->boards()->refreshLists(board);
    QTest::qWait(50);
    await(state->boards()->createList(board, u"Made meanwhile"_s));
    await(older);
    QVERIFY(state->boards()->lists().value(board).last().name == u"Made meanwhile"_s);

    // A change made while a first load or a reload runs is applied on top of its answer.
    const QString third = lists[2].id;
    QVERIFY(lists.size() >= 4);
    const auto seeded = qsizetype(service.cardPositions(third.toStdString()).size());
    service.delayAnswers("GET", "/1/lists/.*/cards", std::chrono::milliseconds(300));
    auto firstLoad = state->cards()->refreshCards(third);
    QTest::qWait(50);
    await(state->cards()->createCard(third, u"Added while loading"_s));
    await(firstLoad);
    QCOMPARE(cardIds(*state, third).size(), seeded + 1);

    // Added to a list whose cards were never loaded (quick add adds to any): the list stays
    // unloaded rather than seeming loaded with this one card; the card is the value.
    const QString fourth = lists[3].id;
    QVERIFY(!state->cards()->cards().contains(fourth));
    const Outcome quick = await(state->cards()->createCard(fourth, u"Added from anywhere"_s));
    QVERIFY(quick.ok);
    QCOMPARE(quick.value.value<TrelloCard>().name, u"Added from anywhere"_s);
    QVERIFY(!state->cards()->cards().contains(fourth));

    await(state->comments()->refreshComments(card));
    const auto earlier = state->comments()->comments().value(card).size();
    state->releaseCardDetails(card);
    service.delayAnswers("GET", "/1/cards/.*/actions", std::chrono::milliseconds(300));
    auto comments = state->comments()->refreshComments(card);
    QTest::qWait(50);
    await(state->comments()->addComment(card, u"Said while loading"_s));
    await(comments);
    const auto said = state->comments()->comments().value(card);
    QCOMPARE(said.size(), earlier + 1);
    QCOMPARE(said.first().data.text, u"Said while loading"_s);
    QCOMPARE(std::count_if(said.begin(), said.end(),
                           [](const TrelloComment &c) { return c.data.text == u"Said while loading"_s; }),
             1);

    await(state->checklists()->refreshChecklists(card));
    await(state->checklists()->createChecklist(card, u"Steps"_s));
    const QString checklistID = state->checklists()->checklists().value(card).last().id;
    await(state->checklists()->addCheckItem(checklistID, u"First step"_s));
    const TrelloChecklist checklist = *state->checklists()->checklists().record(checklistID);
    service.delayAnswers("GET", "/1/cards/.*/checklists", std::chrono::milliseconds(300));
    auto added = state->checklists()->addCheckItem(checklist.id, u"Second step"_s);
    QTest::qWait(100); // the item is made; the reload that follows is under way
    const TrelloCheckItem item = checklist.checkItems.first();
    await(state->checklists()->toggleCheckItem(card, QVariant::fromValue(item)));
    await(added);
    const auto held = state->checklists()->checklists().record(checklistID);
    QVERIFY(held && held->checkItems.size() == checklist.checkItems.size() + 1);
    QVERIFY(held->checkItems.first().state != item.state);

    // Moved by keyboard into a list never loaded: to its end as the service has it, and the
    // list still counts as never loaded.
    const QString unloaded = lists[3].id;
    QVERIFY(!state->cards()->cards().contains(unloaded));
    service.clearRequests();
    await(state->cards()->moveCard(card, unloaded));
    const auto move = service.requests().front();
    QCOMPARE(move.queryValue("pos").value_or(""), std::string("bottom"));
    QVERIFY(!state->cards()->cards().contains(unloaded));
    QVERIFY(!state->cards()->cards().parentOf(card));
    await(state->cards()->refreshCards(unloaded));
    QCOMPARE(cardIds(*state, unloaded).last(), card);
    QVERIFY(state->cards()->loadingCards().isEmpty());
    QVERIFY(state->boards()->loadingLists().isEmpty());
}

void TestBoardOps::refusedArguments()
{
    auto state = scriptedStore();
    m_server->clearRequests();
    const auto refused = [&](Operation op) {
        const Outcome outcome = await(std::move(op));
        return !outcome.ok && !outcome.error.contains(u'\n') && outcome.error == state->errorMessage();
    };
    QVERIFY(refused(state->cards()->refreshCards(QString())));
    QVERIFY(refused(state->cards()->moveCard(u"x"_s, u"  "_s)));
    QVERIFY(refused(state->cards()->archiveCard(QString())));
    QVERIFY(refused(state->boards()->renameList(QString(), u"Name"_s)));
    QVERIFY(refused(state->attachments()->deleteAttachment(u"c"_s, QString())));
    QVERIFY(refused(state->cards()->setCardLabel(u"c"_s, QVariant(u"l1"_s), true)));
    QVERIFY(refused(state->checklists()->toggleCheckItem(u"c"_s, QVariant(42))));
    QVERIFY(refused(state->cards()->updateCard(u"c"_s, {{u"name"_s, QVariant(7)}})));
    QVERIFY(refused(state->cards()->updateCard(u"c"_s, {{u"due"_s, QVariant(u"tomorrow"_s)}})));
    QVERIFY(refused(state->cards()->updateCard(u"c"_s, {{u"title"_s, u"Renamed"_s}})));
    QVERIFY(refused(state->cards()->createCard(u"l"_s, u"Name"_s, {}, QVariant(true))));
    QVERIFY(m_server->requests().empty());
    const auto &entries = state->errors()->entries();
    QVERIFY(!entries.empty());
    QCOMPARE(entries.back().kind, ErrorLog::Kind::Invalid);
    QCOMPARE(entries.back().operation, u"createCard"_s);
}

void TestBoardOps::closedParentsReleaseTheirModels()
{
    sandbox::Emulator service;
    QVERIFY(service.start() > 0);
    auto state = makeStore({q(service.baseUrl()), q(service.apiKey()), q(service.token()), {}}, *m_dir);
    const QString board = state->boards()->boards().first().id;
    QPointer<KeyedListModel> listsModel = state->boards()->listsModel(board);
    await(state->boards()->refreshLists(board));
    const auto lists = state->boards()->lists().value(board);
    QPointer<KeyedListModel> cardsModel = state->cards()->cardsModel(lists[0].id);
    await(state->cards()->refreshCards(lists[0].id));
    const QString card = state->cards()->cards().value(lists[0].id).first().id;
    QPointer<KeyedListModel> commentsModel = state->comments()->commentsModel(card);
    await(state->comments()->refreshComments(card));
    await(state->checklists()->refreshChecklists(card));
    QVERIFY(state->comments()->comments().contains(card));

    // A deleted card takes its details along.
    await(state->cards()->deleteCard(card));
    QVERIFY(!state->comments()->comments().contains(card));
    QVERIFY(!state->checklists()->checklists().contains(card));
    QTRY_VERIFY(commentsModel.isNull());

    // A closed board screen lets go of its lists and their cards.
    state->boards()->releaseBoard(board);
    QVERIFY(!state->boards()->lists().contains(board));
    QVERIFY(!state->cards()->cards().contains(lists[0].id));
    QTRY_VERIFY(listsModel.isNull() && cardsModel.isNull());
    QCOMPARE(state->cards()->cards().parentOf(state->cards()->cards().value(lists[0].id).value(0).id),
             std::nullopt);
}

void TestBoardOps::boardFilters()
{
    const QDateTime now(QDate(2026, 3, 10), QTime(12, 0), Qt::UTC);
    const auto card = [&](const QString &name, QStringList labels, QStringList members,
                          std::optional<qint64> dueIn = {}, bool complete = false) {
        TrelloCard c;
        c.name = name;
        c.idLabels = labels;
        c.idMembers = members;
        if (dueIn) {
            c.due = now.addSecs(*dueIn);
        }
        c.dueComplete = complete;
        return c;
    };
    const qint64 week = 7 * 24 * 3600;
    BoardFilter filter;
    const auto passing = [&](const QList<TrelloCard> &cards) {
        QStringList names;
        for (const TrelloCard &c : cards) {
            if (filter.accepts(QVariant::fromValue(c), now)) {
                names.append(c.name);
            }
        }
        return names.join(u',');
    };

    // Labels and members: any one picked is enough; a card without any never passes.
    const QList<TrelloCard> people{card(u"red"_s, {u"r"_s}, {u"me"_s, u"ada"_s}), card(u"blue"_s, {u"b"_s, u"g"_s}, {}),
                                   card(u"green"_s, {u"g"_s}, {u"ada"_s}), card(u"bare"_s, {}, {})};
    QCOMPARE(passing(people), u"red,blue,green,bare"_s);
    filter.setLabel(u"r"_s, true);
    filter.setLabel(u"b"_s, true);
    QCOMPARE(passing(people), u"red,blue"_s);
    filter.setMember(u"me"_s, true);
    QCOMPARE(passing(people), u"red"_s); // both groups must match
    filter.setLabel(u"r"_s, false);
    filter.setLabel(u"b"_s, false);
    filter.setMember(u"ada"_s, true);
    QCOMPARE(passing(people), u"red,green"_s);
    // The text too, trimmed and in any case.
    filter.setText(u"  GREEN "_s);
    QCOMPARE(passing(people), u"green"_s);
    filter.clear();
    QVERIFY(!filter.picked() && filter.text().isEmpty());

    // Due states at their edges, against a fixed now.
    const QList<TrelloCard> dated{card(u"past"_s, {}, {}, -1),         card(u"now"_s, {}, {}, 0),
                                  card(u"week"_s, {}, {}, week),       card(u"later"_s, {}, {}, week + 1),
                                  card(u"done"_s, {}, {}, -week, true), card(u"undated"_s, {}, {})};
    filter.setDue(u"overdue"_s, true);
    QCOMPARE(passing(dated), u"past"_s);
    filter.setDue(u"overdue"_s, false);
    filter.setDue(u"week"_s, true);
    QCOMPARE(passing(dated), u"now,week"_s);
    filter.setDue(u"none"_s, true);
    QCOMPARE(passing(dated), u"now,week,undated"_s);
    filter.clearPicked();
    filter.setDue(u"complete"_s, true);
    filter.setDue(u"someday"_s, true); // not a kind: ignored
    QCOMPARE(filter.dueKinds(), QStringList{u"complete"_s});
    QCOMPARE(passing(dated), u"done"_s);

    // The store keeps one per board, past the screen that set it; the account leaving clears it.
    auto state = scriptedStore();
    {
        OpenBoard screen(state.get());
        screen.setBoardID(u"b1"_s);
        screen.setCardFilter(u"bug"_s);
        screen.filter()->setLabel(u"r"_s, true);
    }
    OpenBoard again(state.get());
    again.setBoardID(u"b1"_s);
    QCOMPARE(again.cardFilter(), u"bug"_s);
    QCOMPARE(again.filter()->labelIDs(), QStringList{u"r"_s});
    QSignalSpy changed(&again, &OpenBoard::cardFilterChanged);
    again.setBoardID(u"b2"_s);
    QVERIFY(again.cardFilter().isEmpty() && !again.filter()->picked());
    state->boards()->filter(u"b1"_s)->setText(u"x"_s); // another board's change is not this one's
    QCOMPARE(changed.size(), 1);
    state->boards()->clear();
    QVERIFY(state->boards()->filter(u"b1"_s)->text().isEmpty());
    QVERIFY(!state->boards()->filter(u"b1"_s)->picked());
}

void TestBoardOps::searchAcrossBoards()
{
    sandbox::Emulator service;
    sandbox::RateLimits limits;
    limits.window = std::chrono::milliseconds(1000); // a short window: the retry comes soon
    service.setRateLimits(limits);
    QVERIFY(service.start() > 0);
    auto state = makeStore({q(service.baseUrl()), q(service.apiKey()), q(service.token()), {}}, *m_dir);
    SearchArea &search = *state->search();
    const auto searches = [&] {
        std::vector<std::string> queries;
        for (const auto &r : service.requests()) {
            if (r.path == "/1/search") {
                queries.push_back(r.queryValue("query").value_or(""));
            }
        }
        return queries;
    };
    const auto names = [&] {
        QStringList found;
        for (const QVariant &card : search.results()) {
            const QVariantMap m = card.toMap();
            found << m[u"name"_s].toString() + u" @ "_s + m[u"boardName"_s].toString() + u" / "_s +
                         m[u"listName"_s].toString();
        }
        return found;
    };

    // Typed fast: one request, for the last text; a single character asks nothing.
    service.clearRequests();
    for (const QString &text : {u"d"_s, u"dr"_s, u"dra"_s, u"drag"_s, u"drag betw"_s}) {
        search.setQuery(text);
        QTest::qWait(50);
    }
    QTRY_COMPARE(names(), QStringList{u"Drag cards between lists @ Product Roadmap / Next Up"_s});
    QCOMPARE(searches(), std::vector<std::string>{"drag betw"});
    const QVariantMap drag = search.results().first().toMap();
    QCOMPARE(drag[u"idBoard"_s].toString(), q(service.boardId("Product Roadmap")));
    search.setQuery(u"d"_s);
    QVERIFY(search.results().isEmpty());

    // An older answer arriving after a newer one does not replace it.
    service.delayAnswers("GET", "/1/search", std::chrono::milliseconds(600), 1);
    search.setQuery(u"drag"_s);
    const Operation slow = search.searchNow();
    search.setQuery(u"paint hall"_s);
    QVERIFY(await(search.searchNow()).ok);
    QVERIFY(await(slow).ok);
    QCOMPARE(names(), QStringList{u"Paint for the hallway @ Home Renovation / To Buy"_s});

    // Refused for the rate limit: said once in the search's own line (not the banner), the boards
    // stay, and the query is asked again when the window has passed.
    const qsizetype boards = state->boards()->boards().size();
    service.injectFault("GET", "/1/search",
                        Response::json(R"({"message":"Too many","error":"API_TOKEN_LIMIT_EXCEEDED"})", 429), 1);
    search.setQuery(u"tray"_s);
    QVERIFY(!await(search.searchNow()).ok);
    QVERIFY(search.error().startsWith(u"Cards could not be searched"_s));
    QVERIFY(search.results().isEmpty());
    QVERIFY(!state->errors()->message());
    QCOMPARE(state->boards()->boards().size(), boards);
    QTRY_COMPARE_WITH_TIMEOUT(names(), QStringList{u"Tray icon @ Product Roadmap / Shipped"_s}, 4000);
    QCOMPARE(search.error(), QString());
    QCOMPARE(std::count_if(state->errors()->entries().begin(), state->errors()->entries().end(),
                           [](const ErrorLog::Entry &e) { return e.operation == u"searchCards"_s; }),
             1);

    // Offline: the line says so.
    service.stop();
    search.setQuery(u"offline"_s);
    QVERIFY(!await(search.searchNow()).ok);
    QVERIFY(search.error().startsWith(u"Cards could not be searched: "_s));
    QCOMPARE(state->boards()->boards().size(), boards);
}

QTEST_GUILESS_MAIN(TestBoardOps)
#include "tst_board_ops.moc"
