// SPDX-License-Identifier: MIT
// Comments and reactions against a scripted server: order, reactions fetched as rows come near, what a
// reaction toggle does when its reload fails or nobody is signed in, and the comment badge.
// What the chips and the menu send, and refusals in general, are checked through the views
// and the fault matrix.
#include "ScriptedCard.h"

#include <QSignalSpy>

using namespace Qt::StringLiterals;
using namespace harness;
using sandbox::Response;

class TestComments : public QObject {
    Q_OBJECT
private slots:
    void reactionsFollowTheRows();
    void orderAndSilentReactionFailures();
    void reactionReloadFails();
    void toggleWithoutMember();
    void addEditDeleteAndBadge();
};

namespace {
const QString CommentsPath = u"/1/cards/"_s + CardID + u"/actions"_s;
const std::string ReactionsPattern = "/1/actions/[^/]+/reactions";

QString minuteDate(int minute)
{
    return QDateTime(QDate(2025, 5, 1), QTime(0, 0), Qt::UTC).addSecs(minute * 60).toString(Qt::ISODate);
}

QStringList ids(const QList<TrelloComment> &comments)
{
    return harness::ids(comments);
}

// Every comment's row comes near the view: their reactions are fetched.
void allNear(const AppState &state)
{
    for (const TrelloComment &comment : state.comments()->comments().value(CardID)) {
        state.comments()->setReactionsWanted(comment.id, true);
    }
    const QList<TrelloComment> comments = state.comments()->comments().value(CardID);
    QTRY_VERIFY(std::all_of(comments.begin(), comments.end(), [&](const TrelloComment &c) {
        return state.comments()->reactions().contains(c.id);
    }));
}
} // namespace

void TestComments::reactionsFollowTheRows()
{
    // Loading the comments fetches no reactions; a comment's are fetched once its row comes
    // near the view, each once and never more than six at a time; a row that leaves before its
    // turn costs nothing, and a refresh fetches again only those near the view.
    ScriptedCard rig;
    QJsonArray comments;
    const auto id = [](int i) { return u"c%1"_s.arg(i, 2, 10, QLatin1Char('0')); };
    for (int i = 0; i < 30; ++i) {
        comments.append(commentJson(id(i), minuteDate(i), u"text"_s));
    }
    rig.server.route("GET", CommentsPath.toStdString(), Response::json(json(comments)));
    Response slow = Response::json("[]");
    slow.delay = std::chrono::milliseconds(100);
    rig.server.route("GET", ReactionsPattern, slow);
    CommentsArea &details = *rig.state->comments();
    await(details.refreshComments(CardID));
    QVERIFY(rig.requests("GET", ReactionsPattern).empty());

    for (int i = 0; i < 14; ++i) {
        details.setReactionsWanted(id(i), true);
    }
    details.setReactionsWanted(id(13), false);
    QTRY_COMPARE(details.reactions().parents().size(), 13);
    details.setReactionsWanted(id(0), true); // held already
    QTest::qWait(150);
    const auto fetches = rig.requests("GET", ReactionsPattern);
    QStringList fetched;
    for (const auto &request : fetches) {
        fetched.append(q(request.path).section(u'/', 3, 3));
        const auto overlapping = std::count_if(fetches.begin(), fetches.end(), [&](const auto &other) {
            return other.receivedAt <= request.receivedAt && other.answeredAt > request.receivedAt;
        });
        QVERIFY(overlapping <= 6);
    }
    fetched.sort();
    QStringList wanted;
    for (int i = 0; i < 13; ++i) {
        wanted.append(id(i));
    }
    QCOMPARE(fetched, wanted);

    rig.server.clearRequests();
    for (int i = 3; i < 13; ++i) {
        details.setReactionsWanted(id(i), false);
    }
    await(details.refreshComments(CardID));
    QTRY_COMPARE(rig.requests("GET", ReactionsPattern).size(), size_t(3));

    // The service says little of the token's window is left: fetching waits for the window
    // rather than spend what the user's own actions need.
    rig.server.clearRequests();
    Response scarce = Response::json("[]");
    scarce.headers = {{"X-Rate-Limit-Api-Token-Interval-Ms", "10000"},
                      {"X-Rate-Limit-Api-Token-Max", "100"},
                      {"X-Rate-Limit-Api-Token-Remaining", "10"}};
    rig.server.clearScript();
    rig.server.route("GET", ReactionsPattern, scarce);
    for (int i = 14; i < 30; ++i) {
        details.setReactionsWanted(id(i), true);
    }
    QTRY_VERIFY(!rig.requests("GET", ReactionsPattern).empty());
    QTest::qWait(400);
    QVERIFY(rig.requests("GET", ReactionsPattern).size() <= 6);
    QVERIFY(!rig.state->errors()->message());
}

void TestComments::orderAndSilentReactionFailures()
{
    ScriptedCard rig;
    QAbstractItemModelTester tester(rig.state->comments()->commentsModel(CardID),
                                    QAbstractItemModelTester::FailureReportingMode::QtTest);
    const QString may1 = u"2025-05-01T09:00:00.000Z"_s;
    const QString may2 = u"2025-05-02T09:00:00Z"_s;
    const QString may3 = u"2025-05-03T09:00:00.000Z"_s;
    // Two comments in the same instant keep the service's order.
    rig.server.route("GET", CommentsPath.toStdString(),
                     Response::json(json(QJsonArray{commentJson(u"m1"_s, may1, u"one"_s),
                                                    commentJson(u"m3"_s, may3, u"three"_s),
                                                    commentJson(u"m2b"_s, may2, u"two b"_s),
                                                    commentJson(u"m2a"_s, may2, u"two a"_s)})));
    rig.server.route("GET", "/1/actions/m3/reactions",
                     Response::json(json(QJsonArray{reactionJson(u"r1"_s, u"x"_s, u"👍"_s, u"+1"_s)})));
    rig.server.route("GET", "/1/actions/m2b/reactions", Response::text("server trouble", 500));
    rig.server.route("GET", ReactionsPattern, Response::json("[]"));

    rig.state->setErrorMessage(u"an earlier failure"_s);
    await(rig.state->comments()->refreshComments(CardID));
    allNear(*rig.state);

    QCOMPARE(ids(rig.state->comments()->comments().value(CardID)), (QStringList{u"m3"_s, u"m2b"_s, u"m2a"_s, u"m1"_s}));
    QCOMPARE(rig.state->comments()->reactions().value(u"m3"_s).size(), 1);
    // The failed fetch is silent and leaves that comment with no reactions.
    QVERIFY(rig.state->comments()->reactions().contains(u"m2b"_s));
    QVERIFY(rig.state->comments()->reactions().value(u"m2b"_s).isEmpty());
    QVERIFY(!rig.state->errors()->message());
    QVERIFY(rig.state->comments()->loadingComments().isEmpty());
}

void TestComments::reactionReloadFails()
{
    // The change is made but its reload fails: the reactions shown stay, and the failure is said.
    ScriptedCard rig;
    rig.server.route("GET", CommentsPath.toStdString(),
                     Response::json(json(QJsonArray{commentJson(u"a1"_s, minuteDate(1), u"hi"_s)})));
    rig.server.route("GET", "/1/actions/a1/reactions",
                     Response::json(json(QJsonArray{reactionJson(u"theirs"_s, u"someone"_s, u"❤️"_s, u"heart"_s)})));
    await(rig.state->comments()->refreshComments(CardID));
    allNear(*rig.state);
    rig.server.route("POST", "/1/actions/a1/reactions", Response::json("{}"));
    rig.server.enqueue("GET", "/1/actions/a1/reactions", Response::text("busy", 503));
    await(rig.state->comments()->toggleReaction(u"a1"_s, u"tada"_s, u"🎉"_s));
    QCOMPARE(rig.requests("POST", ".*").size(), size_t(1));
    QVERIFY(rig.state->errorMessage().contains(u"503"_s));
    QCOMPARE(rig.state->comments()->reactions().value(u"a1"_s).size(), 1);
}

void TestComments::toggleWithoutMember()
{
    // Nobody signed in: nothing counts as ours, so even "our" emoji is added.
    ScriptedCard rig(0, 0, 0, /*signedIn=*/false);
    QVERIFY(!rig.state->session()->member());
    rig.server.route("GET", CommentsPath.toStdString(),
                     Response::json(json(QJsonArray{commentJson(u"a1"_s, minuteDate(1), u"hi"_s)})));
    rig.server.route("GET", "/1/actions/a1/reactions",
                     Response::json(json(QJsonArray{reactionJson(u"r"_s, MemberID, u"👍"_s, u"+1"_s)})));
    rig.server.route("POST", "/1/actions/a1/reactions", Response::json("{}"));
    await(rig.state->comments()->refreshComments(CardID));
    allNear(*rig.state);
    await(rig.state->comments()->toggleReaction(u"a1"_s, u"+1"_s, u"👍"_s));
    QCOMPARE(rig.requests("POST", ".*").size(), size_t(1));
    QVERIFY(rig.requests("DELETE", ".*").empty());
}

void TestComments::addEditDeleteAndBadge()
{
    // The card's badge says 0 although a comment is there: the badge lags the service.
    ScriptedCard rig;
    QAbstractItemModelTester tester(rig.state->comments()->commentsModel(CardID),
                                    QAbstractItemModelTester::FailureReportingMode::QtTest);
    rig.server.route("GET", CommentsPath.toStdString(),
                     Response::json(json(QJsonArray{commentJson(u"old"_s, minuteDate(50), u"old"_s)})));
    rig.server.route("GET", ReactionsPattern, Response::json("[]"));
    await(rig.state->comments()->refreshComments(CardID));
    allNear(*rig.state);

    // A new comment goes first even when the service dates it earlier.
    rig.server.route("POST", "/1/cards/card1/actions/comments",
                     Response::json(json(commentJson(u"new"_s, minuteDate(1), u"  as typed "_s))));
    await(rig.state->comments()->addComment(CardID, u"  as typed "_s));
    QCOMPARE(rig.requests("POST", ".*").front().queryValue("text"), std::optional<std::string>("  as typed "));
    QCOMPARE(ids(rig.state->comments()->comments().value(CardID)), (QStringList{u"new"_s, u"old"_s}));
    QCOMPARE(rig.badges().comments, 1);

    // An edited comment keeps its place, and the author and date its answer leaves out.
    const TrelloComment before = rig.state->comments()->comments().value(CardID).at(1);
    QVERIFY(before.memberCreator && before.date.isValid());
    rig.server.route("PUT", "/1/actions/old/text",
                     Response::json(R"({"id":"old","data":{"text":"edited"},"memberCreator":{"id":"m"}})"));
    await(rig.state->comments()->editComment(u"old"_s, u"edited"_s));
    const TrelloComment after = rig.state->comments()->comments().value(CardID).at(1);
    QCOMPARE(after.data.text, u"edited"_s);
    QCOMPARE(after.memberCreator, before.memberCreator);
    QCOMPARE(after.date, before.date);

    // Deleting drops the comment and its reactions; the badge never goes below 0.
    rig.server.route("DELETE", "/1/actions/[^/]+", Response::json("{}"));
    QVERIFY(rig.state->comments()->reactions().contains(u"old"_s));
    await(rig.state->comments()->deleteComment(u"old"_s));
    QVERIFY(!rig.state->comments()->reactions().contains(u"old"_s));
    QCOMPARE(ids(rig.state->comments()->comments().value(CardID)), QStringList{u"new"_s});
    QCOMPARE(rig.badges().comments, 0);
    await(rig.state->comments()->deleteComment(u"new"_s));
    QCOMPARE(rig.badges().comments, 0);
    QVERIFY(rig.state->comments()->comments().value(CardID).isEmpty());
    QVERIFY(!rig.state->errors()->message());
}

QTEST_GUILESS_MAIN(TestComments)
#include "tst_comments.moc"
