// SPDX-License-Identifier: MIT
// Comments and reactions against a scripted server: order, the batched reaction loads, what a
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
    void reactionBatches_data();
    void reactionBatches();
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
} // namespace

void TestComments::reactionBatches_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<QList<int>>("batchSizes");
    QTest::newRow("45 comments") << 45 << QList<int>{6, 6, 6, 6, 6};
    QTest::newRow("7 comments") << 7 << QList<int>{6, 1};
}

void TestComments::reactionBatches()
{
    QFETCH(int, count);
    QFETCH(QList<int>, batchSizes);
    ScriptedCard rig;
    // The service's order is scrambled; comment i was written at minute i.
    QJsonArray comments;
    for (int i = 0; i < count; ++i) {
        const int minute = (i * 17) % count;
        comments.append(commentJson(u"c%1"_s.arg(minute, 2, 10, QLatin1Char('0')), minuteDate(minute), u"text"_s));
    }
    rig.server.route("GET", CommentsPath.toStdString(), Response::json(json(comments)));
    Response slow = Response::json("[]");
    slow.delay = std::chrono::milliseconds(120);
    rig.server.route("GET", ReactionsPattern, slow);

    await(rig.state->details()->refreshComments(CardID));

    const QList<TrelloComment> stored = rig.state->details()->comments().value(CardID);
    QCOMPARE(stored.size(), count);
    for (qsizetype i = 1; i < stored.size(); ++i) {
        QVERIFY(stored[i - 1].date > stored[i].date);
    }
    QVERIFY(rig.state->details()->loadingComments().isEmpty());

    // Group the fetches as the server saw them: a request that arrived after every earlier one
    // was answered opens the next batch. Inside a batch all requests must overlap.
    const auto fetches = rig.requests("GET", ReactionsPattern);
    QList<int> sizes;
    auto batchStart = fetches.begin();
    auto answeredBy = std::chrono::steady_clock::time_point::min();
    for (auto it = fetches.begin(); it != fetches.end(); ++it) {
        if (it != fetches.begin() && it->receivedAt > answeredBy) {
            sizes.append(int(it - batchStart));
            batchStart = it;
        }
        answeredBy = std::max(answeredBy, it->answeredAt);
    }
    if (!fetches.empty()) {
        sizes.append(int(fetches.end() - batchStart));
    }
    QCOMPARE(sizes, batchSizes);
    qsizetype index = 0;
    for (int size : std::as_const(sizes)) {
        auto lastArrival = std::chrono::steady_clock::time_point::min();
        auto firstAnswer = std::chrono::steady_clock::time_point::max();
        for (int i = 0; i < size; ++i, ++index) {
            lastArrival = std::max(lastArrival, fetches[index].receivedAt);
            firstAnswer = std::min(firstAnswer, fetches[index].answeredAt);
        }
        QVERIFY2(lastArrival < firstAnswer, "a batch was not in flight together");
    }

    // Exactly the 30 newest have reactions loaded.
    QStringList fetched;
    for (const auto &request : fetches) {
        fetched.append(q(request.path).section(u'/', 3, 3));
    }
    fetched.sort();
    QStringList newest = ids(stored.mid(0, 30));
    newest.sort();
    QCOMPARE(fetched, newest);
    for (const TrelloComment &comment : stored) {
        QCOMPARE(rig.state->details()->reactions().contains(comment.id), newest.contains(comment.id));
    }
}

void TestComments::orderAndSilentReactionFailures()
{
    ScriptedCard rig;
    QAbstractItemModelTester tester(rig.state->details()->commentsModel(CardID),
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
                     Response::json(json(QJsonArray{reactionJson(u"r1"_s, u"x"_s, u"👍"_s, u"thumbsup"_s)})));
    rig.server.route("GET", "/1/actions/m2b/reactions", Response::text("server trouble", 500));
    rig.server.route("GET", ReactionsPattern, Response::json("[]"));

    rig.state->setErrorMessage(u"an earlier failure"_s);
    await(rig.state->details()->refreshComments(CardID));

    QCOMPARE(ids(rig.state->details()->comments().value(CardID)), (QStringList{u"m3"_s, u"m2b"_s, u"m2a"_s, u"m1"_s}));
    QCOMPARE(rig.state->details()->reactions().value(u"m3"_s).size(), 1);
    // The failed fetch is silent and leaves that comment with no reactions.
    QVERIFY(rig.state->details()->reactions().contains(u"m2b"_s));
    QVERIFY(rig.state->details()->reactions().value(u"m2b"_s).isEmpty());
    QVERIFY(!rig.state->errors()->message());
    QVERIFY(rig.state->details()->loadingComments().isEmpty());
}

void TestComments::reactionReloadFails()
{
    // The change is made but its reload fails: the reactions shown stay, and the failure is said.
    ScriptedCard rig;
    rig.server.route("GET", CommentsPath.toStdString(),
                     Response::json(json(QJsonArray{commentJson(u"a1"_s, minuteDate(1), u"hi"_s)})));
    rig.server.route("GET", "/1/actions/a1/reactions",
                     Response::json(json(QJsonArray{reactionJson(u"theirs"_s, u"someone"_s, u"❤️"_s, u"heart"_s)})));
    await(rig.state->details()->refreshComments(CardID));
    rig.server.route("POST", "/1/actions/a1/reactions", Response::json("{}"));
    rig.server.enqueue("GET", "/1/actions/a1/reactions", Response::text("busy", 503));
    await(rig.state->details()->toggleReaction(u"a1"_s, u"tada"_s, u"🎉"_s));
    QCOMPARE(rig.requests("POST", ".*").size(), size_t(1));
    QVERIFY(rig.state->errorMessage().contains(u"503"_s));
    QCOMPARE(rig.state->details()->reactions().value(u"a1"_s).size(), 1);
}

void TestComments::toggleWithoutMember()
{
    // Nobody signed in: nothing counts as ours, so even "our" emoji is added.
    ScriptedCard rig(0, 0, 0, /*signedIn=*/false);
    QVERIFY(!rig.state->session()->member());
    rig.server.route("GET", CommentsPath.toStdString(),
                     Response::json(json(QJsonArray{commentJson(u"a1"_s, minuteDate(1), u"hi"_s)})));
    rig.server.route("GET", "/1/actions/a1/reactions",
                     Response::json(json(QJsonArray{reactionJson(u"r"_s, MemberID, u"👍"_s, u"thumbsup"_s)})));
    rig.server.route("POST", "/1/actions/a1/reactions", Response::json("{}"));
    await(rig.state->details()->refreshComments(CardID));
    await(rig.state->details()->toggleReaction(u"a1"_s, u"thumbsup"_s, u"👍"_s));
    QCOMPARE(rig.requests("POST", ".*").size(), size_t(1));
    QVERIFY(rig.requests("DELETE", ".*").empty());
}

void TestComments::addEditDeleteAndBadge()
{
    // The card's badge says 0 although a comment is there: the badge lags the service.
    ScriptedCard rig;
    QAbstractItemModelTester tester(rig.state->details()->commentsModel(CardID),
                                    QAbstractItemModelTester::FailureReportingMode::QtTest);
    rig.server.route("GET", CommentsPath.toStdString(),
                     Response::json(json(QJsonArray{commentJson(u"old"_s, minuteDate(50), u"old"_s)})));
    rig.server.route("GET", ReactionsPattern, Response::json("[]"));
    await(rig.state->details()->refreshComments(CardID));

    // A new comment goes first even when the service dates it earlier.
    rig.server.route("POST", "/1/cards/card1/actions/comments",
                     Response::json(json(commentJson(u"new"_s, minuteDate(1), u"  as typed "_s))));
    await(rig.state->details()->addComment(CardID, u"  as typed "_s));
    QCOMPARE(rig.requests("POST", ".*").front().queryValue("text"), std::optional<std::string>("  as typed "));
    QCOMPARE(ids(rig.state->details()->comments().value(CardID)), (QStringList{u"new"_s, u"old"_s}));
    QCOMPARE(rig.badges().comments, 1);

    // An edited comment keeps its place.
    rig.server.route("PUT", "/1/actions/old/text",
                     Response::json(json(commentJson(u"old"_s, minuteDate(50), u"edited"_s))));
    await(rig.state->details()->editComment(u"old"_s, u"edited"_s));
    QCOMPARE(rig.state->details()->comments().value(CardID).at(1).data.text, u"edited"_s);

    // Deleting drops the comment and its reactions; the badge never goes below 0.
    rig.server.route("DELETE", "/1/actions/[^/]+", Response::json("{}"));
    QVERIFY(rig.state->details()->reactions().contains(u"old"_s));
    await(rig.state->details()->deleteComment(u"old"_s));
    QVERIFY(!rig.state->details()->reactions().contains(u"old"_s));
    QCOMPARE(ids(rig.state->details()->comments().value(CardID)), QStringList{u"new"_s});
    QCOMPARE(rig.badges().comments, 0);
    await(rig.state->details()->deleteComment(u"new"_s));
    QCOMPARE(rig.badges().comments, 0);
    QVERIFY(rig.state->details()->comments().value(CardID).isEmpty());
    QVERIFY(!rig.state->errors()->message());
}

QTEST_GUILESS_MAIN(TestComments)
#include "tst_comments.moc"
