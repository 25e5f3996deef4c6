// SPDX-License-Identifier: MIT
// The real client against the emulated service, end to end: every operation, the whole sample
// account decoded strictly, failures as the user would see them.
#include "api/TrelloAPI.h"
#include "sandbox/Emulator.h"

#include <QCoroTask>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSignalSpy>
#include <QTest>

#include <httplib.h>

using namespace Qt::StringLiterals;
using sandbox::Emulator;

class TestSandboxClient : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void sampleAccountDecodes();
    void refusals();
    void boardsListsAndCards();
    void commentsAndReactions();
    void checklistsAndAttachments();
    void faultsReachTheCaller();
    void rateLimits();

private:
    std::unique_ptr<Emulator> m_emulator;
    std::unique_ptr<QNetworkAccessManager> m_network;
    std::unique_ptr<TrelloAPI> m_api;
};

namespace {
template <typename T> struct Outcome {
    std::optional<T> value;
    std::optional<TrelloAPIError> error;
};

template <typename T> QCoro::Task<Outcome<T>> capture(QCoro::Task<T> task)
{
    Outcome<T> out;
    try {
        out.value = co_await std::move(task);
    } catch (const TrelloAPIError &error) {
        out.error = error;
    }
    co_return out;
}

QCoro::Task<Outcome<bool>> capture(QCoro::Task<> task)
{
    Outcome<bool> out;
    try {
        co_await std::move(task);
        out.value = true;
    } catch (const TrelloAPIError &error) {
        out.error = error;
    }
    co_return out;
}

QString describe(const auto &outcome)
{
    return outcome.error ? outcome.error->errorDescription() : QString();
}
} // namespace

// Runs an operation to its end; the test fails with the client's message if it throws.
#define AWAIT_OK(var, expr)                                                                        \
    auto var##Outcome = QCoro::waitFor(capture(expr));                                             \
    QVERIFY2(!var##Outcome.error, qPrintable(describe(var##Outcome)));                             \
    auto var = *var##Outcome.value
#define AWAIT_DONE(expr)                                                                           \
    do {                                                                                           \
        const auto outcome = QCoro::waitFor(capture(expr));                                       \
        QVERIFY2(!outcome.error, qPrintable(describe(outcome)));                                   \
    } while (false)
#define AWAIT_ERROR(var, expr)                                                                     \
    auto var##Outcome = QCoro::waitFor(capture(expr));                                             \
    QVERIFY(var##Outcome.error.has_value());                                                       \
    const TrelloAPIError var = *var##Outcome.error

void TestSandboxClient::init()
{
    m_emulator = std::make_unique<Emulator>();
    QVERIFY(m_emulator->start() > 0);
    m_network = std::make_unique<QNetworkAccessManager>();
    m_api = std::make_unique<TrelloAPI>(
        m_network.get(), QUrl(QString::fromStdString(m_emulator->baseUrl())));
    m_api->setCredentials(QString::fromStdString(m_emulator->apiKey()),
                          QString::fromStdString(m_emulator->token()));
}

void TestSandboxClient::cleanup()
{
    m_api.reset();
    m_network.reset();
    m_emulator.reset();
}

void TestSandboxClient::sampleAccountDecodes()
{
    TrelloAPI &api = *m_api;
    AWAIT_OK(me, api.validateCredentials());
    QCOMPARE(me.username, u"adalindqvist"_s);
    QVERIFY(me.avatarUrl.has_value());

    AWAIT_OK(boards, api.fetchBoards());
    QCOMPARE(boards.size(), 5);
    int cards = 0, comments = 0, reactions = 0, checklists = 0, attachments = 0, dueDone = 0;
    for (const TrelloBoard &board : boards) {
        QVERIFY(board.prefs && board.prefs->backgroundTopColor);
        AWAIT_OK(labels, api.fetchBoardLabels(board.id));
        AWAIT_OK(members, api.fetchBoardMembers(board.id));
        QVERIFY(!members.isEmpty());
        AWAIT_OK(lists, api.fetchLists(board.id));
        for (const TrelloList &list : lists) {
            AWAIT_OK(listCards, api.fetchCards(list.id));
            for (const TrelloCard &card : listCards) {
                ++cards;
                dueDone += card.dueComplete.value_or(false);
                AWAIT_OK(cardComments, api.fetchComments(card.id));
                comments += cardComments.size();
                QCOMPARE(card.badges->comments, cardComments.size());
                for (const TrelloComment &comment : cardComments) {
                    AWAIT_OK(commentReactions, api.fetchReactions(comment.id));
                    reactions += commentReactions.size();
                }
                AWAIT_OK(cardChecklists, api.fetchChecklists(card.id));
                checklists += cardChecklists.size();
                AWAIT_OK(cardAttachments, api.fetchAttachments(card.id));
                attachments += cardAttachments.size();
            }
        }
    }
    QVERIFY(cards > 40);
    QVERIFY(comments >= 5 && reactions >= 10 && checklists >= 4 && attachments >= 4);
    QVERIFY(dueDone >= 2);
}

void TestSandboxClient::refusals()
{
    TrelloAPI &api = *m_api;
    const QString key = QString::fromStdString(m_emulator->apiKey());
    api.setCredentials(key, u"ATTA-not-the-token"_s);
    AWAIT_ERROR(token, api.validateCredentials());
    QCOMPARE(token.errorDescription(), u"Trello API request failed (401): invalid token"_s);

    api.setCredentials(u"0123456789abcdef0123456789abcdef"_s,
                       QString::fromStdString(m_emulator->token()));
    AWAIT_ERROR(wrongKey, api.fetchBoards());
    QCOMPARE(wrongKey.status(), 401);
    QCOMPARE(wrongKey.detail(), u"invalid key"_s);

    api.setCredentials(key, QString::fromStdString(m_emulator->token()));
    AWAIT_ERROR(missing, api.fetchCards(u"5e679b808e6e8828784b30e1"_s));
    QCOMPARE(missing.errorDescription(),
             u"Trello API request failed (404): The requested resource was not found."_s);
    AWAIT_ERROR(malformed, api.deleteCard(u"not-an-id"_s));
    QCOMPARE(malformed.errorDescription(), u"Trello API request failed (400): invalid id"_s);
    AWAIT_ERROR(noName, api.createBoard(u"   "_s));
    QCOMPARE(noName.status(), 400);
    QVERIFY(noName.detail().contains(u"invalid value for name"_s));
}

void TestSandboxClient::boardsListsAndCards()
{
    TrelloAPI &api = *m_api;
    AWAIT_OK(board, api.createBoard(u"Garden & Yard"_s, u"Spring plans"_s));
    QCOMPARE(board.desc, u"Spring plans"_s);
    AWAIT_OK(lists, api.fetchLists(board.id));
    QCOMPARE(lists.size(), 3);
    QCOMPARE(lists[0].name, u"To Do"_s);
    AWAIT_OK(later, api.createList(board.id, u"Later"_s));
    QCOMPARE(later.pos, lists[2].pos + 16384);
    AWAIT_OK(renamed, api.renameList(later.id, u"Someday"_s));
    QCOMPARE(renamed.name, u"Someday"_s);
    const double between = (lists[0].pos + lists[1].pos) / 2;
    AWAIT_OK(moved, api.moveList(later.id, between));
    QCOMPARE(moved.pos, between);
    AWAIT_DONE(api.archiveList(lists[2].id));
    AWAIT_OK(remaining, api.fetchLists(board.id));
    QCOMPARE(remaining.size(), 3);
    QCOMPARE(remaining[1].id, later.id);

    const QDateTime due = QDateTime::currentDateTimeUtc().addDays(2);
    const QDateTime dueSeconds = QDateTime::fromSecsSinceEpoch(due.toSecsSinceEpoch(), Qt::UTC);
    AWAIT_OK(card, api.createCard(lists[0].id, u"Plant tulips #1 & more"_s, u"Bulbs"_s, due));
    QCOMPARE(card.name, u"Plant tulips #1 & more"_s);
    QCOMPARE(card.due, std::optional(dueSeconds));
    AWAIT_OK(done, api.updateCard(card.id, std::nullopt, u""_s, std::nullopt, false, true,
                                  std::nullopt));
    QCOMPARE(done.dueComplete, std::optional(true));
    QCOMPARE(done.desc, std::optional(u""_s));
    AWAIT_OK(cleared, api.updateCard(card.id, std::nullopt, std::nullopt, due, true, std::nullopt,
                                     std::nullopt));
    QVERIFY(!cleared.due.has_value());
    AWAIT_OK(second, api.createCard(later.id, u"Rake leaves"_s));
    AWAIT_OK(movedCard, api.moveCard(card.id, later.id, second.pos / 2));
    QCOMPARE(movedCard.idList, later.id);
    AWAIT_OK(laterCards, api.fetchCards(later.id));
    QCOMPARE(laterCards.size(), 2);
    QCOMPARE(laterCards[0].id, card.id);

    AWAIT_OK(labels, api.fetchBoardLabels(board.id));
    QCOMPARE(labels.size(), 6);
    AWAIT_OK(members, api.fetchBoardMembers(board.id));
    AWAIT_DONE(api.addLabel(card.id, labels[0].id));
    AWAIT_DONE(api.addMember(card.id, members[0].id));
    AWAIT_OK(labelled, api.fetchCards(later.id));
    QCOMPARE(labelled[0].labels->size(), 1);
    QCOMPARE(labelled[0].idMembers, std::optional(QStringList{members[0].id}));
    AWAIT_DONE(api.removeLabel(card.id, labels[0].id));
    AWAIT_DONE(api.removeMember(card.id, members[0].id));
    AWAIT_OK(plain, api.fetchCards(later.id));
    QVERIFY(plain[0].labels->isEmpty() && plain[0].idMembers->isEmpty());

    AWAIT_DONE(api.archiveCard(card.id));
    AWAIT_DONE(api.deleteCard(second.id));
    AWAIT_OK(empty, api.fetchCards(later.id));
    QVERIFY(empty.isEmpty());

    AWAIT_DONE(api.closeBoard(board.id));
    AWAIT_OK(boards, api.fetchBoards());
    QVERIFY(std::none_of(boards.begin(), boards.end(),
                         [&](const TrelloBoard &b) { return b.id == board.id; }));
}

void TestSandboxClient::commentsAndReactions()
{
    TrelloAPI &api = *m_api;
    Emulator &e = *m_emulator;
    const QString card = QString::fromStdString(
        e.cardId(e.listId(e.boardId("Product Roadmap"), "In Progress"), "Comment reactions"));
    AWAIT_OK(before, api.fetchComments(card));
    QCOMPARE(before.size(), 3);
    AWAIT_OK(added, api.addComment(card, u"Looks good = ship & celebrate"_s));
    QCOMPARE(added.data.text, u"Looks good = ship & celebrate"_s);
    QCOMPARE(added.memberCreator->username, u"adalindqvist"_s);
    AWAIT_OK(edited, api.editComment(added.id, u"Looks great"_s));
    QCOMPARE(edited.data.text, u"Looks great"_s);
    AWAIT_OK(after, api.fetchComments(card));
    QCOMPARE(after.size(), 4);
    QCOMPARE(after[0].id, added.id); // newest first
    QCOMPARE(after[0].data.text, u"Looks great"_s);

    AWAIT_DONE(api.addReaction(added.id, u"+1"_s));
    AWAIT_OK(reactions, api.fetchReactions(added.id));
    QCOMPARE(reactions.size(), 1);
    QCOMPARE(reactions[0].emoji->shortName, std::optional(u"+1"_s));
    QCOMPARE(reactions[0].emoji->native, std::optional(QString::fromUtf8("\xF0\x9F\x91\x8D")));
    AWAIT_DONE(api.removeReaction(added.id, reactions[0].id));
    AWAIT_OK(none, api.fetchReactions(added.id));
    QVERIFY(none.isEmpty());

    // Someone else's comment cannot be edited; deleting one takes its reactions along.
    AWAIT_ERROR(foreign, api.editComment(before[1].id, u"mine now"_s));
    QCOMPARE(foreign.status(), 401);
    AWAIT_DONE(api.deleteComment(before[0].id));
    AWAIT_ERROR(gone, api.fetchReactions(before[0].id));
    QCOMPARE(gone.status(), 404);
    AWAIT_OK(cards, api.fetchCards(QString::fromStdString(
                        e.listId(e.boardId("Product Roadmap"), "In Progress"))));
    const auto it = std::find_if(cards.begin(), cards.end(),
                                 [&](const TrelloCard &c) { return c.id == card; });
    QCOMPARE(it->badges->comments, 3);
}

void TestSandboxClient::checklistsAndAttachments()
{
    TrelloAPI &api = *m_api;
    Emulator &e = *m_emulator;
    const QString list =
        QString::fromStdString(e.listId(e.boardId("Reading List"), "To Read"));
    const QString card = QString::fromStdString(
        e.cardId(list.toStdString(), "The Left Hand of Darkness"));
    AWAIT_DONE(api.createChecklist(card, u"Notes"_s));
    AWAIT_OK(created, api.fetchChecklists(card));
    QCOMPARE(created.size(), 1);
    const QString checklist = created[0].id;
    AWAIT_DONE(api.addCheckItem(checklist, u"Chapter 1"_s));
    AWAIT_DONE(api.addCheckItem(checklist, u"Chapter 2"_s));
    AWAIT_OK(items, api.fetchChecklists(card));
    const auto &first = items[0].checkItems[0];
    QCOMPARE(first.idChecklist, checklist);
    AWAIT_DONE(api.setCheckItemState(card, first.id, true));
    AWAIT_DONE(api.renameCheckItem(card, items[0].checkItems[1].id, u"Chapter two"_s));
    AWAIT_OK(updated, api.fetchChecklists(card));
    QCOMPARE(updated[0].checkItems[0].state, u"complete"_s);
    QCOMPARE(updated[0].checkItems[1].name, u"Chapter two"_s);
    AWAIT_OK(cards, api.fetchCards(list));
    const auto tile = std::find_if(cards.begin(), cards.end(),
                                   [&](const TrelloCard &c) { return c.id == card; });
    QCOMPARE(tile->badges->checkItems, 2);
    QCOMPARE(tile->badges->checkItemsChecked, 1);
    AWAIT_DONE(api.deleteCheckItem(checklist, first.id));
    AWAIT_OK(fewer, api.fetchChecklists(card));
    QCOMPARE(fewer[0].checkItems.size(), 1);
    AWAIT_DONE(api.deleteChecklist(checklist));
    AWAIT_OK(noneLeft, api.fetchChecklists(card));
    QVERIFY(noneLeft.isEmpty());

    AWAIT_DONE(api.addAttachment(card, u"https://example.org/review?a=1&b=2"_s, u"Review"_s));
    QByteArray bytes("%PDF-1.4\r\n--stavelin-\r\n");
    bytes.append(QByteArray(5000, '\x7f'));
    AWAIT_DONE(api.uploadAttachment(card, bytes, u"the \"best\" book.pdf"_s, u"application/pdf"_s));
    AWAIT_OK(attachments, api.fetchAttachments(card));
    QCOMPARE(attachments.size(), 2);
    QCOMPARE(attachments[0].url, u"https://example.org/review?a=1&b=2"_s);
    QCOMPARE(attachments[0].isUpload, std::optional(false));
    QCOMPARE(attachments[1].name, u"the \"best\" book.pdf"_s);
    QCOMPARE(attachments[1].isUpload, std::optional(true));

    // The uploaded file comes back from its url with its bytes and type.
    QNetworkReply *reply = m_network->get(QNetworkRequest(QUrl(attachments[1].url)));
    QSignalSpy finished(reply, &QNetworkReply::finished);
    QVERIFY(finished.wait(10000));
    QCOMPARE(reply->readAll(), bytes);
    QCOMPARE(reply->header(QNetworkRequest::ContentTypeHeader).toString(), u"application/pdf"_s);
    reply->deleteLater();
}

void TestSandboxClient::faultsReachTheCaller()
{
    TrelloAPI &api = *m_api;
    Emulator &e = *m_emulator;
    e.injectFault("GET", "/1/members/me/boards", sandbox::Response::text("Bad Gateway", 502));
    AWAIT_ERROR(gateway, api.fetchBoards());
    QCOMPARE(gateway.errorDescription(), u"Trello API request failed (502): Bad Gateway"_s);

    e.injectFault("GET", "/1/members/me/boards", sandbox::Response::json("[{\"id\":"));
    AWAIT_ERROR(malformed, api.fetchBoards());
    QCOMPARE(malformed.kind(), TrelloAPIError::Kind::DecodingFailed);

    sandbox::Response dropped = sandbox::Response::json("[]");
    dropped.dropConnection = true;
    e.injectFault("GET", "/1/members/me/boards", dropped);
    AWAIT_ERROR(lost, api.fetchBoards());
    // Depending on whether the status line got through before the close, the client sees a
    // transport error or an empty answer; either way the call fails.
    QVERIFY(lost.kind() == TrelloAPIError::Kind::Transport ||
            lost.kind() == TrelloAPIError::Kind::DecodingFailed);

    e.injectFault("GET", "/1/members/me/boards", sandbox::Response::truncated("[{\"id\":\"x\"}]", 4));
    AWAIT_ERROR(cut, api.fetchBoards());
    QVERIFY(cut.kind() == TrelloAPIError::Kind::Transport ||
            cut.kind() == TrelloAPIError::Kind::DecodingFailed);

    const std::string limitBody = R"({"error":"API_TOKEN_LIMIT_EXCEEDED","message":"Rate limit exceeded"})";
    e.injectFault("GET", "/1/members/me/boards", sandbox::Response::json(limitBody, 429));
    AWAIT_ERROR(limited, api.fetchBoards());
    QCOMPARE(limited.status(), 429);
    QVERIFY(limited.detail().contains(u"API_TOKEN_LIMIT_EXCEEDED"_s));

    // No message ever carries the credentials, whatever went wrong.
    for (const auto *error : {&gateway, &malformed, &lost, &cut, &limited}) {
        QVERIFY(!error->errorDescription().contains(QString::fromStdString(e.token())));
        QVERIFY(!error->errorDescription().contains(QString::fromStdString(e.apiKey())));
    }
}

// The client keeps within the limits the service's headers announce: what would be refused is
// not sent, a 429 stops everything for its window, and the requests of another program with the
// same token count too.
void TestSandboxClient::rateLimits()
{
    TrelloAPI &api = *m_api;
    Emulator &e = *m_emulator;
    QSignalSpy told(&api, &TrelloAPI::rateLimited);
    const std::string board = e.boardId("Product Roadmap");
    const QString boardID = QString::fromStdString(board);
    const auto sentCount = [&e] { return e.requests().size(); };

    // Without the headers nothing is held back.
    for (int i = 0; i < 6; ++i) {
        AWAIT_DONE(api.fetchLists(boardID));
    }
    QCOMPARE(api.budgetWait(100), std::chrono::milliseconds(0));

    sandbox::RateLimits limits;
    limits.perToken = 4;
    limits.window = std::chrono::milliseconds(300);
    e.setRateLimits(limits);
    e.clearRequests();
    QTest::qWait(850); // the requests above would count too, until the window has passed
    AWAIT_DONE(api.fetchLists(boardID));
    AWAIT_DONE(api.fetchLists(boardID));
    QCOMPARE(api.budgetWait(2), std::chrono::milliseconds(0));
    QVERIFY(api.budgetWait(3) > std::chrono::milliseconds(0));
    AWAIT_DONE(api.fetchLists(boardID));
    AWAIT_DONE(api.fetchLists(boardID));
    // Spent: the next ones fail at once, told once, and the service never sees them.
    AWAIT_ERROR(held, api.fetchLists(boardID));
    AWAIT_ERROR(heldToo, api.closeBoard(boardID));
    QCOMPARE(held.kind(), TrelloAPIError::Kind::RateLimited);
    QCOMPARE(held.status(), 0);
    QCOMPARE(held.episode(), heldToo.episode());
    QVERIFY(held.errorDescription().startsWith(u"The service is limiting requests; trying again"_s));
    QCOMPARE(told.count(), 1);
    QCOMPARE(sentCount(), 4u);
    // Once the window has passed they go again, and none was ever answered 429.
    QTest::qWait(int(api.budgetWait(1).count()) + 20);
    AWAIT_DONE(api.fetchLists(boardID));
    for (const auto &request : e.requests()) {
        QCOMPARE(request.status, 200);
    }

    // Another program spends most of the token's budget: the headers tell, the client holds back.
    limits.window = std::chrono::milliseconds(10000);
    e.setRateLimits(limits);
    httplib::Client other("127.0.0.1", e.port());
    for (int i = 0; i < 2; ++i) {
        QCOMPARE(other.Get("/1/members/me?key=" + e.apiKey() + "&token=" + e.token())->status, 200);
    }
    AWAIT_DONE(api.fetchLists(boardID));
    QVERIFY(api.budgetWait(2) > std::chrono::milliseconds(9000));
    AWAIT_DONE(api.fetchLists(boardID));
    AWAIT_ERROR(crowded, api.fetchLists(boardID));
    QCOMPARE(crowded.status(), 0);

    // A 429 nonetheless (here with no headers at all): nothing goes out for the whole window.
    m_api->setCredentials(u"k"_s, u"t"_s); // another pair starts afresh...
    m_api->setCredentials(QString::fromStdString(e.apiKey()), QString::fromStdString(e.token()));
    e.setRateLimit(0);
    const std::string limitBody = R"({"error":"API_TOKEN_LIMIT_EXCEEDED","message":"Rate limit exceeded"})";
    e.injectFault("GET", "/1/boards/.*/lists", sandbox::Response::json(limitBody, 429));
    e.clearRequests();
    told.clear();
    AWAIT_ERROR(refused, api.fetchLists(boardID));
    QCOMPARE(refused.kind(), TrelloAPIError::Kind::RateLimited);
    QCOMPARE(refused.status(), 429);
    QCOMPARE(refused.errorDescription(),
             u"The service is limiting requests; trying again in 11 s"_s);
    AWAIT_ERROR(after, api.validateCredentials());
    QCOMPARE(after.episode(), refused.episode());
    QCOMPARE(sentCount(), 1u);
    QCOMPARE(told.count(), 1);
    QVERIFY(api.budgetWait(1) > std::chrono::milliseconds(10000));

    // The member routes' own limit holds back only those routes.
    m_api->setCredentials(u"k"_s, u"t"_s);
    m_api->setCredentials(QString::fromStdString(e.apiKey()), QString::fromStdString(e.token()));
    limits = {};
    limits.perMemberRoute = 1;
    e.setRateLimits(limits);
    AWAIT_DONE(api.fetchBoards());
    AWAIT_ERROR(member, api.validateCredentials());
    QCOMPARE(member.status(), 0);
    QVERIFY(api.budgetWait(1, 1) > std::chrono::milliseconds(800000));
    AWAIT_DONE(api.fetchCards(QString::fromStdString(e.listId(board, "Ideas"))));
}

QTEST_GUILESS_MAIN(TestSandboxClient)
#include "tst_sandbox_client.moc"
