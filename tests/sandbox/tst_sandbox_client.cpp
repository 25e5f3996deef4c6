// SPDX-License-Identifier: MIT
// The real client against the emulated service: the whole sample account decoded strictly, the
// round trips no store or view test makes, and the client's request budget. Failures reaching
// the user are the fault matrix's (tests/state), the service's error answers tst_sandbox_emulation's.
#include "api/TrelloAPI.h"
#include "sandbox/Emulator.h"
#include "sandbox/Store.h"

#include <QCoroTask>
#include <QNetworkAccessManager>
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
    void boardsListsAndCards();
    void rateLimits();
    void notifications();

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

template <typename T> QStringList harnessIds(const QList<T> &records)
{
    QStringList ids;
    for (const T &record : records) {
        ids.append(record.id);
    }
    return ids;
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
    m_emulator->setRateLimits(std::nullopt); // the whole account at once: past any 10-s budget
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

// What the client sends is taken as meant and read back: the parts of boards and cards that
// only a round trip shows (positions, archiving and moves have tests of their own).
void TestSandboxClient::boardsListsAndCards()
{
    TrelloAPI &api = *m_api;
    AWAIT_OK(board, api.createBoard(u"Garden & Yard"_s, u"Spring plans"_s));
    QCOMPARE(board.desc, u"Spring plans"_s);
    AWAIT_OK(lists, api.fetchLists(board.id));
    QCOMPARE(lists.size(), 3);
    QCOMPARE(lists[0].name, u"To Do"_s);

    const QDateTime due = QDateTime::currentDateTimeUtc().addDays(2);
    const QDateTime dueSeconds = QDateTime::fromSecsSinceEpoch(due.toSecsSinceEpoch(), Qt::UTC);
    AWAIT_OK(card, api.createCard(lists[0].id, u"Plant tulips #1 & more"_s, u"Bulbs"_s, due));
    QCOMPARE(card.name, u"Plant tulips #1 & more"_s);
    QCOMPARE(card.due, std::optional(dueSeconds));
    AWAIT_OK(done, api.updateCard(card.id, std::nullopt, u""_s, std::nullopt, false, true,
                                  std::nullopt));
    QCOMPARE(done.dueComplete, std::optional(true));
    QCOMPARE(done.desc, std::optional(u""_s));

    AWAIT_OK(labels, api.fetchBoardLabels(board.id));
    QCOMPARE(labels.size(), 6);
    AWAIT_OK(members, api.fetchBoardMembers(board.id));
    AWAIT_DONE(api.addLabel(card.id, labels[0].id));
    AWAIT_DONE(api.addMember(card.id, members[0].id));
    AWAIT_OK(labelled, api.fetchCards(lists[0].id));
    QCOMPARE(labelled[0].labels->size(), 1);
    QCOMPARE(labelled[0].idMembers, std::optional(QStringList{members[0].id}));
    AWAIT_DONE(api.removeLabel(card.id, labels[0].id));
    AWAIT_DONE(api.removeMember(card.id, members[0].id));
    AWAIT_OK(plain, api.fetchCards(lists[0].id));
    QVERIFY(plain[0].labels->isEmpty() && plain[0].idMembers->isEmpty());
}

// The client keeps within the limits the service's headers announce: what would be refused is
// not sent, and the requests of another program with the same token count too. A 429 that
// comes nonetheless is tst_rate_limits' (tests/state) and tst_answers'.
void TestSandboxClient::rateLimits()
{
    TrelloAPI &api = *m_api;
    Emulator &e = *m_emulator;
    QSignalSpy told(&api, &TrelloAPI::rateLimited);
    const std::string board = e.boardId("Product Roadmap");
    const QString boardID = QString::fromStdString(board);
    const auto sentCount = [&e] { return e.requests().size(); };

    // Without the headers nothing is held back.
    e.setRateLimits(std::nullopt);
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

    // The member's short limit counts every route: what it would refuse is not sent.
    const auto afresh = [&] {
        m_api->setCredentials(u"k"_s, u"t"_s); // another pair starts afresh...
        m_api->setCredentials(QString::fromStdString(e.apiKey()), QString::fromStdString(e.token()));
    };
    afresh();
    limits = {};
    limits.perMember = 2;
    e.setRateLimits(limits);
    AWAIT_DONE(api.fetchLists(boardID));
    AWAIT_DONE(api.fetchLists(boardID));
    AWAIT_ERROR(memberHeld, api.fetchLists(boardID));
    QCOMPARE(memberHeld.status(), 0);

    // The member route's long limit (no header tells it) holds back /1/members/{id} alone, not
    // the routes nested under it.
    afresh();
    limits = {};
    limits.perMemberRoute = 1;
    e.setRateLimits(limits);
    AWAIT_DONE(api.validateCredentials());
    AWAIT_ERROR(routeRefused, api.validateCredentials());
    QCOMPARE(routeRefused.status(), 429);
    AWAIT_ERROR(routeHeld, api.validateCredentials());
    QCOMPARE(routeHeld.status(), 0);
    QVERIFY(api.budgetWait(1, 1) > std::chrono::milliseconds(800000));
    QCOMPARE(api.budgetWait(1), std::chrono::milliseconds(0));
    AWAIT_DONE(api.fetchBoards());
    AWAIT_DONE(api.fetchCards(QString::fromStdString(e.listId(board, "Ideas"))));
}

// The member's notifications: unread ones newest first with their creator, only newer ones
// with `since`, and the three ways of marking them read, each read back.
void TestSandboxClient::notifications()
{
    TrelloAPI &api = *m_api;
    Emulator &e = *m_emulator;
    AWAIT_OK(unread, api.fetchNotifications(QString(), 100));
    QCOMPARE(unread.size(), 3); // the sample's fourth is read
    QCOMPARE(unread[0].type, u"mentionedOnCard"_s);
    QCOMPARE(unread[0].memberCreator->fullName, std::optional(u"Marco Bellini"_s));
    QCOMPARE(unread[0].data.card->name, std::optional(u"Drag cards between lists"_s));
    QCOMPARE(unread[0].data.list->name, std::optional(u"Next Up"_s));
    QCOMPARE(unread[0].data.board->name, std::optional(u"Product Roadmap"_s));
    QVERIFY(unread[0].data.text->startsWith(u"@adalindqvist"_s));
    QVERIFY(unread[0].date > unread[1].date && unread[1].date > unread[2].date);
    const QString query = QString::fromStdString(e.requests().back().rawQuery);
    for (const char *item : {"read_filter=unread", "limit=100", "memberCreator=true",
                             "memberCreator_fields=", "fields="}) {
        QVERIFY2(query.contains(QLatin1StringView(item)), qPrintable(query));
    }
    QVERIFY(!query.contains(u"since="_s));

    AWAIT_OK(none, api.fetchNotifications(unread[0].id, 100));
    QVERIFY(none.isEmpty());
    const std::string card = e.cardId(e.listId(e.boardId("Product Roadmap"), "Ideas"), "Offline mode");
    const std::string priya = e.memberId("priyaraman");
    const std::string marco = e.memberId("marcobellini");
    e.edit([&](sandbox::store::Store &s) {
        s.addNotification(s.meId, priya, "commentCard", card, "Done?");
    });
    AWAIT_OK(newer, api.fetchNotifications(unread[0].id, 100));
    QCOMPARE(newer.size(), 1);
    QCOMPARE(newer[0].data.text, std::optional(u"Done?"_s));
    QCOMPARE(newer[0].memberCreator->username, u"priyaraman"_s);

    AWAIT_DONE(api.markNotificationRead(newer[0].id));
    AWAIT_DONE(api.markCardNotificationsRead(unread[1].data.card->id));
    AWAIT_OK(left, api.fetchNotifications(QString(), 100));
    QCOMPARE(harnessIds(left), (QStringList{unread[0].id, unread[2].id}));
    AWAIT_DONE(api.markNotificationsRead({unread[0].id, unread[2].id}));
    AWAIT_OK(empty, api.fetchNotifications(QString(), 100));
    QVERIFY(empty.isEmpty());

    // Another member's notification is not this token's to mark.
    std::string theirs;
    e.edit([&](sandbox::store::Store &s) {
        theirs = s.addNotification(marco, s.meId, "addedToCard", card, "").id;
    });
    AWAIT_ERROR(refused, api.markNotificationRead(QString::fromStdString(theirs)));
    QCOMPARE(refused.status(), 401);
}

QTEST_GUILESS_MAIN(TestSandboxClient)
#include "tst_sandbox_client.moc"
