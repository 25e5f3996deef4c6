// SPDX-License-Identifier: MIT
// The fault matrix: every store operation that talks to the service, against every fault the
// service (or the way to it) can produce. In each cell the operation's own request gets the
// fault; the program must not crash, must say in one line what went wrong, must put back what
// it showed ahead of the answer, keep everything it held before, clear its loading flags, and
// never let the key or the token into a message.
#include "StoreHarness.h"
#include "sandbox/Emulator.h"

#include <QFile>

#include <functional>

using namespace Qt::StringLiterals;
using namespace harness;
using sandbox::Response;

namespace {
// Long enough for the healthy requests of an operation in the checked build on a busy machine.
constexpr auto ShortTimeout = std::chrono::milliseconds(500);

// Everything the store holds, to compare before and after a cell.
struct Held {
    QList<TrelloBoard> boards;
    QMap<QString, QList<TrelloList>> lists;
    QMap<QString, QList<TrelloLabel>> labels;
    QMap<QString, QList<TrelloMember>> members;
    QMap<QString, QList<TrelloCard>> cards;
    QMap<QString, QList<TrelloComment>> comments;
    QMap<QString, QList<TrelloReaction>> reactions;
    QMap<QString, QList<TrelloChecklist>> checklists;
    QMap<QString, QList<TrelloAttachment>> attachments;

    template <typename T> static QMap<QString, QList<T>> all(const KeyedCollection<T> &collection)
    {
        QMap<QString, QList<T>> out;
        for (const QString &parent : collection.parents()) {
            out.insert(parent, collection.value(parent));
        }
        return out;
    }
    explicit Held(const AppState &state)
        : boards(state.boards()->boards()), lists(all(state.boards()->lists())),
          labels(all(state.boards()->labels())), members(all(state.boards()->members())),
          cards(all(state.cards()->cards())), comments(all(state.comments()->comments())),
          reactions(all(state.comments()->reactions())),
          checklists(all(state.checklists()->checklists())),
          attachments(all(state.attachments()->attachments()))
    {
    }
    Held() = default;
    // The parts that differ, for the failure message.
    QStringList differences(const Held &other) const
    {
        QStringList parts;
        const auto check = [&parts](bool same, const char *name) {
            if (!same) {
                parts.append(QString::fromLatin1(name));
            }
        };
        check(boards == other.boards, "boards");
        check(lists == other.lists, "lists");
        check(labels == other.labels, "labels");
        check(members == other.members, "members");
        check(cards == other.cards, "cards");
        check(comments == other.comments, "comments");
        check(reactions == other.reactions, "reactions");
        check(checklists == other.checklists, "checklists");
        check(attachments == other.attachments, "attachments");
        return parts;
    }
};

struct Fault {
    const char *name;
    std::function<Response()> answer;
    QString says;  // what the banner must say
    bool okStatus; // a 2xx answer: operations without a result never read its body
    // The member lost access: the banner names the board or card that goes, and only it goes.
    bool lostAccess = false;
};

// The ids a cell needs; the service never changes during the matrix, so they hold throughout.
struct Ids {
    QString board, ideas, nextUp, doing, firstNextCard, card, commentsCard, comment, checklist,
        attachment, marco;
    TrelloCheckItem item;
    TrelloLabel label;
    QUrl file;
};

struct Op {
    const char *name;
    const char *loggedAs; // the operation named in the error log
    std::string method;   // the request that gets the fault: method (or "*") and path
    std::function<std::string(const Ids &)> path;
    bool hasResult; // reads the answer's body
    std::function<Operation(AppState &, const Ids &, const sandbox::Emulator &)> run;
};

std::string s(const QString &text)
{
    return text.toStdString();
}

// The two tables read best one row to an entry.
// clang-format off
std::vector<Fault> faults()
{
    const auto text = [](const char *body, int status) {
        return [body, status]() { return Response::text(body, status); };
    };
    std::string wrongShape = R"({"data":[)";
    while (wrongShape.size() < 10u * 1024 * 1024) {
        wrongShape += R"({"n":12345,"text":"a valid answer, but not the one asked for"},)";
    }
    wrongShape.back() = ']';
    wrongShape += '}';
    return {
        {"401 invalid token", text("invalid token", 401), u"Trello API request failed (401): invalid token"_s, false},
        {"401 lost board", text("unauthorized permission requested", 401), {}, false, true},
        {"401 lost card", text("unauthorized card permission requested", 401), {}, false, true},
        {"400 invalid id", text("invalid id", 400), u"Trello API request failed (400): invalid id"_s, false},
        {"404", text("The requested resource was not found.", 404),
         u"Trello API request failed (404): The requested resource was not found."_s, false},
        {"429",
         []() {
             return Response::json(R"({"error":"API_TOKEN_LIMIT_EXCEEDED","message":"Rate limit exceeded"})", 429);
         },
         u"The service is limiting requests; trying again in "_s, false},
        // An error page that echoes the request, credentials and all.
        {"500",
         []() {
             Response failed = Response::text("Internal Server Error", 500);
             failed.echoRequest = true;
             return failed;
         },
         u"Trello API request failed (500): Internal Server Error"_s, false},
        {"dropped connection",
         []() {
             Response dropped = Response::json("[]");
             dropped.dropConnection = true;
             return dropped;
         },
         u"Network error: "_s, false},
        {"truncated body",
         []() { return Response::truncated(R"([{"id":"5f0000000000000000000001"}])", 12); },
         u"Network error: "_s, false},
        {"not UTF-8",
         []() { return Response::json("[{\"id\":\"5f\xff\xfe\",\"name\":\"\xc3\"}]"); },
         u"Failed to decode Trello response: "_s, true},
        {"10 MB of the wrong shape", [wrongShape]() { return Response::json(wrongShape); },
         u"Failed to decode Trello response: "_s, true},
        {"slower than the time-out",
         []() {
             Response slow = Response::json("[]");
             slow.delay = ShortTimeout * 3;
             return slow;
         },
         u"Network error: The request timed out."_s, false},
    };
}

std::vector<Op> operations()
{
    using E = const sandbox::Emulator &;
    const auto fixed = [](std::string path) { return [path](const Ids &) { return path; }; };
    return {
        {"startup", "startup", "GET", fixed("/1/members/me(/boards)?"), true, nullptr},
        {"saveCredentials", "saveCredentials", "GET", fixed("/1/members/me"), true,
         [](AppState &a, const Ids &, E e) { return a.session()->saveCredentials(q(e.apiKey()), q(e.token())); }},
        {"saveDraftCredentials", "saveDraftCredentials", "GET", fixed("/1/members/me"), true,
         [](AppState &a, const Ids &, E) { return a.session()->saveDraftCredentials(); }},
        // Unasked for (none was started): the token is checked before anything is asked.
        {"handleAuthCallback", "handleAuthCallback", "GET", fixed("/1/members/me"), true,
         [](AppState &a, const Ids &, E e) {
             return a.session()->handleAuthCallback(u"stavelin://auth#token="_s + q(e.token()));
         }},
        {"refreshVisible", "refreshVisible", "GET", fixed("/1/.*"), true,
         [](AppState &a, const Ids &, E) { return a.refreshVisible(); }},
        {"refreshBoards", "refreshBoards", "GET", fixed("/1/members/me/boards"), true,
         [](AppState &a, const Ids &, E) { return a.boards()->refreshBoards(); }},
        {"refreshLists", "refreshLists", "GET", [](const Ids &i) { return "/1/boards/" + s(i.board) + "/lists"; }, true,
         [](AppState &a, const Ids &i, E) { return a.boards()->refreshLists(i.board); }},
        {"loadBoardMeta", "loadBoardMeta", "GET",
         [](const Ids &i) { return "/1/boards/" + s(i.board) + "/(labels|members)"; }, true,
         [](AppState &a, const Ids &i, E) { return a.boards()->loadBoardMeta(i.board); }},
        {"createBoard", "createBoard", "POST", fixed("/1/boards/"), true,
         [](AppState &a, const Ids &, E) { return a.boards()->createBoard(u"Launch"_s); }},
        {"archiveBoard", "archiveBoard", "PUT", [](const Ids &i) { return "/1/boards/" + s(i.board); }, false,
         [](AppState &a, const Ids &i, E) { return a.boards()->archiveBoard(i.board); }},
        {"createList", "createList", "POST", fixed("/1/lists"), true,
         [](AppState &a, const Ids &i, E) { return a.boards()->createList(i.board, u"Later"_s); }},
        {"renameList", "renameList", "PUT", [](const Ids &i) { return "/1/lists/" + s(i.nextUp); }, true,
         [](AppState &a, const Ids &i, E) { return a.boards()->renameList(i.nextUp, u"Soon"_s); }},
        {"archiveList", "archiveList", "PUT", [](const Ids &i) { return "/1/lists/" + s(i.nextUp) + "/closed"; }, false,
         [](AppState &a, const Ids &i, E) { return a.boards()->archiveList(i.nextUp); }},
        {"moveList", "moveList", "PUT", [](const Ids &i) { return "/1/lists/" + s(i.nextUp); }, true,
         [](AppState &a, const Ids &i, E) { return a.boards()->moveList(i.nextUp, i.ideas); }},
        {"refreshCards", "refreshCards", "GET", [](const Ids &i) { return "/1/lists/" + s(i.doing) + "/cards"; }, true,
         [](AppState &a, const Ids &i, E) { return a.cards()->refreshCards(i.doing); }},
        {"createCard", "createCard", "POST", fixed("/1/cards"), true,
         [](AppState &a, const Ids &i, E) { return a.cards()->createCard(i.doing, u"Write the notes"_s); }},
        {"updateCard", "updateCard", "PUT", [](const Ids &i) { return "/1/cards/" + s(i.card); }, true,
         [](AppState &a, const Ids &i, E) { return a.cards()->updateCard(i.card, {{u"name"_s, u"Uploads"_s}}); }},
        {"moveCard", "moveCard", "PUT", [](const Ids &i) { return "/1/cards/" + s(i.card); }, true,
         [](AppState &a, const Ids &i, E) { return a.cards()->moveCard(i.card, i.nextUp, i.firstNextCard); }},
        {"archiveCard", "archiveCard", "PUT", [](const Ids &i) { return "/1/cards/" + s(i.card); }, false,
         [](AppState &a, const Ids &i, E) { return a.cards()->archiveCard(i.card); }},
        {"deleteCard", "deleteCard", "DELETE", [](const Ids &i) { return "/1/cards/" + s(i.card); }, false,
         [](AppState &a, const Ids &i, E) { return a.cards()->deleteCard(i.card); }},
        {"setCardLabel", "setCardLabel", "POST", [](const Ids &i) { return "/1/cards/" + s(i.card) + "/idLabels"; }, false,
         [](AppState &a, const Ids &i, E) { return a.cards()->setCardLabel(i.card, QVariant::fromValue(i.label), true); }},
        {"setCardMember", "setCardMember", "POST", [](const Ids &i) { return "/1/cards/" + s(i.card) + "/idMembers"; }, false,
         [](AppState &a, const Ids &i, E) { return a.cards()->setCardMember(i.card, i.marco, true); }},
        {"refreshComments", "refreshComments", "GET",
         [](const Ids &i) { return "/1/cards/" + s(i.commentsCard) + "/actions"; }, true,
         [](AppState &a, const Ids &i, E) { return a.comments()->refreshComments(i.commentsCard); }},
        {"addComment", "addComment", "POST",
         [](const Ids &i) { return "/1/cards/" + s(i.commentsCard) + "/actions/comments"; }, true,
         [](AppState &a, const Ids &i, E) { return a.comments()->addComment(i.commentsCard, u"Agreed"_s); }},
        {"editComment", "editComment", "PUT", [](const Ids &i) { return "/1/actions/" + s(i.comment) + "/text"; }, true,
         [](AppState &a, const Ids &i, E) { return a.comments()->editComment(i.comment, u"Shipped"_s); }},
        {"deleteComment", "deleteComment", "DELETE", [](const Ids &i) { return "/1/actions/" + s(i.comment); }, false,
         [](AppState &a, const Ids &i, E) { return a.comments()->deleteComment(i.comment); }},
        {"toggleReaction", "toggleReaction", "POST",
         [](const Ids &i) { return "/1/actions/" + s(i.comment) + "/reactions"; }, false,
         [](AppState &a, const Ids &i, E) {
             return a.comments()->toggleReaction(i.comment, u"+1"_s, u"\U0001F44D"_s);
         }},
        {"refreshChecklists", "refreshChecklists", "GET",
         [](const Ids &i) { return "/1/cards/" + s(i.card) + "/checklists"; }, true,
         [](AppState &a, const Ids &i, E) { return a.checklists()->refreshChecklists(i.card); }},
        {"createChecklist", "createChecklist", "POST", fixed("/1/checklists"), false,
         [](AppState &a, const Ids &i, E) { return a.checklists()->createChecklist(i.card, u"Later"_s); }},
        {"deleteChecklist", "deleteChecklist", "DELETE", [](const Ids &i) { return "/1/checklists/" + s(i.checklist); }, false,
         [](AppState &a, const Ids &i, E) { return a.checklists()->deleteChecklist(i.checklist); }},
        {"addCheckItem", "addCheckItem", "POST",
         [](const Ids &i) { return "/1/checklists/" + s(i.checklist) + "/checkItems"; }, false,
         [](AppState &a, const Ids &i, E) { return a.checklists()->addCheckItem(i.checklist, u"Test it"_s); }},
        {"renameCheckItem", "renameCheckItem", "PUT",
         [](const Ids &i) { return "/1/cards/" + s(i.card) + "/checkItem/" + s(i.item.id); }, false,
         [](AppState &a, const Ids &i, E) { return a.checklists()->renameCheckItem(i.card, i.item.id, u"Pick"_s); }},
        {"toggleCheckItem", "toggleCheckItem", "PUT",
         [](const Ids &i) { return "/1/cards/" + s(i.card) + "/checkItem/" + s(i.item.id); }, false,
         [](AppState &a, const Ids &i, E) { return a.checklists()->toggleCheckItem(i.card, QVariant::fromValue(i.item)); }},
        {"deleteCheckItem", "deleteCheckItem", "DELETE",
         [](const Ids &i) { return "/1/checklists/" + s(i.checklist) + "/checkItems/" + s(i.item.id); }, false,
         [](AppState &a, const Ids &i, E) { return a.checklists()->deleteCheckItem(i.checklist, i.item.id); }},
        {"refreshAttachments", "refreshAttachments", "GET",
         [](const Ids &i) { return "/1/cards/" + s(i.card) + "/attachments"; }, true,
         [](AppState &a, const Ids &i, E) { return a.attachments()->refreshAttachments(i.card); }},
        {"addAttachment", "addAttachment", "POST",
         [](const Ids &i) { return "/1/cards/" + s(i.card) + "/attachments"; }, false,
         [](AppState &a, const Ids &i, E) {
             return a.attachments()->addAttachment(i.card, u"https://example.org/spec"_s, u"Spec"_s);
         }},
        {"uploadAttachment", "uploadAttachment", "POST",
         [](const Ids &i) { return "/1/cards/" + s(i.card) + "/attachments"; }, false,
         [](AppState &a, const Ids &i, E) { return a.attachments()->uploadAttachment(i.card, i.file); }},
        {"deleteAttachment", "deleteAttachment", "DELETE",
         [](const Ids &i) { return "/1/cards/" + s(i.card) + "/attachments/" + s(i.attachment); }, false,
         [](AppState &a, const Ids &i, E) { return a.attachments()->deleteAttachment(i.card, i.attachment); }},
    };
}
// clang-format on
} // namespace

class TestFaultMatrix : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cell_data();
    void cell();

private:
    std::unique_ptr<AppState> loadedStore();

    std::unique_ptr<sandbox::Emulator> m_service;
    QTemporaryDir m_dir;
    std::vector<Fault> m_faults = faults();
    std::vector<Op> m_operations = operations();
    Ids m_ids;
};

// The open board with its lists, labels, members and cards, one card's comments (with their
// reactions) and another's checklists and attachments: what a user looking at a card holds.
std::unique_ptr<AppState> TestFaultMatrix::loadedStore()
{
    auto state = makeStore(
        {q(m_service->baseUrl()), q(m_service->apiKey()), q(m_service->token()), {}}, m_dir);
    state->setActiveBoardID(m_ids.board);
    await(state->refreshVisible());
    await(state->comments()->refreshComments(m_ids.commentsCard));
    await(state->checklists()->refreshChecklists(m_ids.card));
    await(state->attachments()->refreshAttachments(m_ids.card));
    return state;
}

void TestFaultMatrix::initTestCase()
{
    // Without the service's limits: every cell loads a board and a card afresh, hundreds of
    // requests in a few seconds. How the store meets a 429 is its own row.
    m_service = std::make_unique<sandbox::Emulator>(sandbox::Options{.rateLimits = std::nullopt});
    QVERIFY(m_service->start() > 0);
    sandbox::Emulator &e = *m_service;
    const std::string board = e.boardId("Product Roadmap");
    m_ids.board = q(board);
    m_ids.ideas = q(e.listId(board, "Ideas"));
    m_ids.nextUp = q(e.listId(board, "Next Up"));
    m_ids.doing = q(e.listId(board, "In Progress"));
    m_ids.firstNextCard = q(e.cardPositions(s(m_ids.nextUp)).front().first);
    m_ids.card = q(e.cardId(s(m_ids.doing), "Attachments upload"));
    m_ids.commentsCard = q(e.cardId(s(m_ids.doing), "Comment reactions"));
    m_ids.marco = q(e.memberId("marcobellini"));
    QFile file(m_dir.filePath(u"notes.txt"_s));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("release notes\n");
    file.close();
    m_ids.file = QUrl::fromLocalFile(file.fileName());

    // The rest by what the store holds.
    auto state = loadedStore();
    for (const TrelloComment &comment : state->comments()->comments().value(m_ids.commentsCard)) {
        if (comment.memberCreator && comment.memberCreator->id == q(e.memberId("me"))) {
            m_ids.comment = comment.id;
        }
    }
    const auto checklists = state->checklists()->checklists().value(m_ids.card);
    QVERIFY(!checklists.isEmpty() && !checklists.first().checkItems.isEmpty());
    m_ids.checklist = checklists.first().id;
    m_ids.item = checklists.first().checkItems.first();
    m_ids.attachment = state->attachments()->attachments().value(m_ids.card).first().id;
    for (const TrelloLabel &label : state->boards()->labels().value(m_ids.board)) {
        if (label.name == u"Bug"_s) {
            m_ids.label = label;
        }
    }
    QVERIFY(!m_ids.comment.isEmpty() && !m_ids.label.id.isEmpty());
}

void TestFaultMatrix::cell_data()
{
    QTest::addColumn<int>("operation");
    QTest::addColumn<int>("fault");
    for (std::size_t f = 0; f < m_faults.size(); ++f) {
        for (std::size_t o = 0; o < m_operations.size(); ++o) {
            QTest::addRow("%s / %s", m_operations[o].name, m_faults[f].name) << int(o) << int(f);
        }
    }
}

void TestFaultMatrix::cell()
{
    QFETCH(int, operation);
    QFETCH(int, fault);
    const Op &op = m_operations[std::size_t(operation)];
    const Fault &kind = m_faults[std::size_t(fault)];
    m_service->clearFaults();
    const auto inject = [&] {
        m_service->injectFault(op.method, op.path(m_ids), kind.answer(), 0);
    };

    std::unique_ptr<AppState> state;
    Held before;
    Outcome outcome;
    if (!op.run) {
        inject(); // the start itself
        StoreOptions options{
            q(m_service->baseUrl()), q(m_service->apiKey()), q(m_service->token()), {}};
        options.timeout = ShortTimeout;
        state = makeStore(options, m_dir);
        outcome = state->startup().outcome();
    } else {
        state = loadedStore();
        before = Held(*state);
        state->api().setTimeout(ShortTimeout);
        inject();
        outcome = await(op.run(*state, m_ids, *m_service));
    }
    m_service->clearFaults();

    const QString message = state->errorMessage();
    const bool ignoresBody = !op.hasResult && kind.okStatus;
    if (ignoresBody) {
        QVERIFY2(outcome.ok, qPrintable(outcome.error));
        QVERIFY2(message.isEmpty(), qPrintable(message));
    } else if (kind.lostAccess) {
        // What goes: the board named (with everything held, all of it this board's), or the
        // card named with its details. Operations that name neither say the service's words.
        QVERIFY(!outcome.ok);
        Held expected = before;
        const QString named = message.section(u'“', 1).section(u'”', 0, 0);
        if (message == u"You no longer have access to “%1”."_s.arg(named)) {
            const auto board = std::find_if(before.boards.begin(), before.boards.end(),
                                            [&](const TrelloBoard &b) { return b.name == named; });
            if (board != before.boards.end()) {
                expected = Held();
                expected.boards = KeyedCollection<TrelloBoard>::without(before.boards, board->id);
            } else {
                QString card;
                for (auto &cards : expected.cards) {
                    for (const TrelloCard &c : cards) {
                        card = c.name == named ? c.id : card;
                    }
                    cards.removeIf([&](const TrelloCard &c) { return c.name == named; });
                }
                QVERIFY2(!card.isEmpty(), qPrintable(message));
                for (const TrelloComment &comment : before.comments.value(card)) {
                    expected.reactions.remove(comment.id);
                }
                expected.comments.remove(card);
                expected.checklists.remove(card);
                expected.attachments.remove(card);
            }
        } else {
            QVERIFY2(message.contains(u"(401): unauthorized"_s), qPrintable(message));
        }
        const QStringList namingNothing{u"startup"_s, u"saveCredentials"_s, u"saveDraftCredentials"_s,
                                        u"handleAuthCallback"_s, u"refreshBoards"_s, u"createBoard"_s};
        QVERIFY2(message.startsWith(u"You no longer"_s) != namingNothing.contains(QString::fromLatin1(op.name)),
                 qPrintable(message));
        QCOMPARE(state->errors()->entries().back().operation, QString::fromLatin1(op.loggedAs));
        const Held after(*state);
        QVERIFY2(after.differences(expected).isEmpty(), qPrintable(after.differences(expected).join(u", "_s)));
    } else {
        QVERIFY(!outcome.ok);
        QVERIFY2(message.contains(kind.says), qPrintable(message));
        QVERIFY2(!message.contains(u'\n') && !message.contains(u'\r'), qPrintable(message));
        QVERIFY(!state->errors()->entries().empty());
        QCOMPARE(state->errors()->entries().back().operation, QString::fromLatin1(op.loggedAs));
        const Held after(*state);
        QVERIFY2(after.differences(before).isEmpty(),
                 qPrintable(after.differences(before).join(u", "_s)));
    }

    // A fault at the start, a refused token included, leaves the saved pair in use until the
    // user replaces it.
    QVERIFY(state->session()->hasCredentials());
    QVERIFY(!state->boards()->isLoadingBoards());
    QVERIFY(state->boards()->loadingLists().isEmpty());
    QVERIFY(state->cards()->loadingCards().isEmpty());
    QVERIFY(state->comments()->loadingComments().isEmpty());
    QVERIFY(state->checklists()->loadingChecklists().isEmpty());
    QVERIFY(state->attachments()->loadingAttachments().isEmpty());
    QVERIFY(!state->session()->isValidatingCredentials());

    QStringList texts{message, outcome.error, state->session()->credentialsStatus()};
    for (const ErrorLog::Entry &entry : state->errors()->entries()) {
        texts.append(entry.message);
    }
    // The pair the service knows, and the one in use now (a browser sign-in pairs the token
    // with the program's own key).
    const QStringList secrets{q(m_service->apiKey()), q(m_service->token()),
                              state->session()->apiKey()};
    for (const QString &text : std::as_const(texts)) {
        for (const QString &secret : secrets) {
            QVERIFY2(!text.contains(secret), qPrintable(text));
        }
    }
}

QTEST_GUILESS_MAIN(TestFaultMatrix)
#include "tst_fault_matrix.moc"
