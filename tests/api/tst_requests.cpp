// SPDX-License-Identifier: MIT
// What the client puts on the wire, as the loopback server received it: method, path, the
// query items in order, and the one request body there is (the file upload).
#include "ApiHarness.h"

#include <QRegularExpression>
#include <QTest>
#include <QTimeZone>

#include <functional>

using namespace Qt::StringLiterals;
using namespace harness;

using Call = std::function<QCoro::Task<>(TrelloAPI &)>;
using Items = QList<std::pair<QString, QString>>;
Q_DECLARE_METATYPE(Call)
Q_DECLARE_METATYPE(Items)

class TestRequests : public QObject {
    Q_OBJECT
private slots:
    void endpoints_data();
    void endpoints();
    void nothingSentWithoutCredentials_data();
    void nothingSentWithoutCredentials();
    void valuesArriveUnchanged_data();
    void valuesArriveUnchanged();
    void upload_data();
    void upload();
    void pathsFollowTheBaseURL_data();
    void pathsFollowTheBaseURL();
};

namespace {
// Small answers of the right shape, so every row also proves its answer decodes.
const QByteArray member = R"({"id":"5e679b808e6e8828784b30e1","username":"ada","fullName":"Ada L",
    "avatarUrl":null,"initials":"AL","ixUpdate":"481"})";
const QByteArray board = R"({"id":"b1","name":"Roadmap","desc":"","descData":null,"closed":false,
    "idOrganization":"o1","pinned":false,"url":"https://trello.com/b/y1TF9GTa/roadmap",
    "shortUrl":"https://trello.com/b/y1TF9GTa","prefs":{"background":"blue",
    "backgroundColor":"#0079BF","backgroundTopColor":"#0079BF"},"labelNames":{},"limits":{}})";
const QByteArray list = R"({"id":"l1","name":"Backlog","closed":false,"color":null,"idBoard":"b1",
    "pos":140737488371712,"type":null,"datasource":{"filter":false},"limits":{}})";
const QByteArray card = R"({"id":"c1","name":"Ship","desc":"","closed":false,"idList":"l1",
    "idBoard":"b1","due":null,"dueComplete":false,"pos":65535,"labels":[],"idLabels":[],
    "idMembers":[],"attachments":[],"stickers":[],"limits":{},"email":null})";
const QByteArray comment = R"({"id":"a1","type":"commentCard","date":"2022-02-02T15:46:05.589Z",
    "data":{"text":"Looks good","textData":{"emoji":{}}},"memberCreator":{"id":"m1",
    "username":"ada","fullName":"Ada L","avatarUrl":null}})";
const QByteArray labels =
    R"([{"id":"g1","name":"","color":"green"},{"id":"g2","name":"x","color":null}])";
const QByteArray reactions = R"([{"id":"r1","idMember":"m1","idModel":"a1","idEmoji":"1F44D",
    "emoji":{"unified":"1F44D","native":"👍","name":"THUMBS UP SIGN","shortName":"+1"}}])";
const QByteArray checklists = R"([{"id":"k1","name":"Checklist","idCard":"c1","pos":16384,
    "checkItems":[{"id":"i1","name":"a","state":"incomplete","pos":17341}]}])";
const QByteArray attachments = R"([{"id":"t1","name":"spec.pdf","url":"https://x/spec.pdf",
    "date":"2023-01-02T03:04:05.000Z","isUpload":true}])";
const QByteArray nothing = R"({"limits":{}})";

// Wraps an operation with a result into one without, for the table.
template <typename F> Call call(F f)
{
    return [f](TrelloAPI &api) -> QCoro::Task<> {
        co_await f(api);
    };
}

Items received(const sandbox::RecordedRequest &request)
{
    Items items;
    for (const auto &[name, value] : request.query) {
        items.append({qs(name), qs(value)});
    }
    return items;
}

Items withAuth(Items items)
{
    items.prepend({u"token"_s, token});
    items.prepend({u"key"_s, apiKey});
    return items;
}

const QDateTime due(QDate(2024, 5, 1), QTime(19, 0, 0, 750), QTimeZone(2 * 3600));
} // namespace

// What the sandbox cannot tell: the exact query of the reads (fields, filters, limits), the
// optional-item rules, how positions and dates are written, and the upload's query.
void TestRequests::endpoints_data()
{
    QTest::addColumn<Call>("operation");
    QTest::addColumn<QByteArray>("method");
    QTest::addColumn<QString>("path");
    QTest::addColumn<Items>("query");
    QTest::addColumn<QByteArray>("answer");
    const auto row = [](const char *name, Call operation, const char *method, const QString &path,
                        const Items &query, const QByteArray &answer) {
        QTest::newRow(name) << operation << QByteArray(method) << path << query << answer;
    };
    const QString cardFields =
        u"name,desc,closed,idList,idBoard,due,dueComplete,url,shortUrl,pos,labels,idLabels,idMembers,badges"_s;

    row("fetchBoards", call([](TrelloAPI &a) { return a.fetchBoards(); }), "GET",
        u"/1/members/me/boards"_s,
        {{u"filter"_s, u"open"_s}, {u"fields"_s, u"name,desc,closed,starred,url,shortUrl,prefs"_s}},
        "[" + board + "]");
    row("createBoard", call([](TrelloAPI &a) { return a.createBoard(u"Q3"_s); }), "POST",
        u"/1/boards/"_s, {{u"name"_s, u"Q3"_s}, {u"defaultLists"_s, u"true"_s}}, board);
    row("createBoard, with desc",
        call([](TrelloAPI &a) { return a.createBoard(u"Q3"_s, u"Plans"_s); }), "POST",
        u"/1/boards/"_s,
        {{u"name"_s, u"Q3"_s}, {u"desc"_s, u"Plans"_s}, {u"defaultLists"_s, u"true"_s}}, board);

    row("fetchLists", call([](TrelloAPI &a) { return a.fetchLists(u"b1"_s); }), "GET",
        u"/1/boards/b1/lists"_s,
        {{u"filter"_s, u"open"_s}, {u"fields"_s, u"name,closed,idBoard,pos"_s}}, "[" + list + "]");
    // Positions go out in full, however large or fine (the store's moves cover the usual ones).
    const std::pair<double, const char *> positions[] = {{140737488347136.5, "140737488347136.5"},
                                                         {0.1, "0.1"}};
    for (const auto &[pos, text] : positions) {
        const double p = pos;
        row(qPrintable(u"moveList, pos "_s + QLatin1StringView(text)),
            call([p](TrelloAPI &a) { return a.moveList(u"l1"_s, p); }), "PUT", u"/1/lists/l1"_s,
            {{u"pos"_s, QLatin1StringView(text)}}, list);
    }

    row("fetchCards", call([](TrelloAPI &a) { return a.fetchCards(u"l1"_s); }), "GET",
        u"/1/lists/l1/cards"_s, {{u"fields"_s, cardFields}}, "[" + card + "]");
    row("createCard, name only",
        call([](TrelloAPI &a) { return a.createCard(u"l1"_s, u"Ship"_s); }), "POST", u"/1/cards"_s,
        {{u"idList"_s, u"l1"_s}, {u"name"_s, u"Ship"_s}, {u"pos"_s, u"bottom"_s}}, card);
    row("createCard, desc and due",
        call([](TrelloAPI &a) { return a.createCard(u"l1"_s, u"Ship"_s, u"Now"_s, due); }), "POST",
        u"/1/cards"_s,
        {{u"idList"_s, u"l1"_s},
         {u"name"_s, u"Ship"_s},
         {u"pos"_s, u"bottom"_s},
         {u"desc"_s, u"Now"_s},
         {u"due"_s, u"2024-05-01T17:00:00Z"_s}},
        card);
    row("updateCard, nothing given",
        call([](TrelloAPI &a) { return a.updateCard(u"c1"_s, {}, {}, {}, false, {}, {}); }), "PUT",
        u"/1/cards/c1"_s, {}, card);
    row("updateCard, everything given", call([](TrelloAPI &a) {
            return a.updateCard(u"c1"_s, u"N"_s, u"D"_s, due, false, true, u"l2"_s);
        }),
        "PUT", u"/1/cards/c1"_s,
        {{u"name"_s, u"N"_s},
         {u"desc"_s, u"D"_s},
         {u"due"_s, u"2024-05-01T17:00:00Z"_s},
         {u"dueComplete"_s, u"true"_s},
         {u"idList"_s, u"l2"_s}},
        card);
    row("updateCard, clearDue wins over a date",
        call([](TrelloAPI &a) { return a.updateCard(u"c1"_s, {}, {}, due, true, {}, {}); }), "PUT",
        u"/1/cards/c1"_s, {{u"due"_s, u"null"_s}}, card);
    row("updateCard, dueComplete false only",
        call([](TrelloAPI &a) { return a.updateCard(u"c1"_s, {}, {}, {}, false, false, {}); }),
        "PUT", u"/1/cards/c1"_s, {{u"dueComplete"_s, u"false"_s}}, card);
    row("fetchBoardLabels", call([](TrelloAPI &a) { return a.fetchBoardLabels(u"b1"_s); }), "GET",
        u"/1/boards/b1/labels"_s, {{u"fields"_s, u"name,color"_s}, {u"limit"_s, u"1000"_s}},
        labels);

    row("fetchComments", call([](TrelloAPI &a) { return a.fetchComments(u"c1"_s); }), "GET",
        u"/1/cards/c1/actions"_s, {{u"filter"_s, u"commentCard"_s}, {u"limit"_s, u"100"_s}},
        "[" + comment + "]");
    row("fetchReactions", call([](TrelloAPI &a) { return a.fetchReactions(u"a1"_s); }), "GET",
        u"/1/actions/a1/reactions"_s, {{u"emoji"_s, u"true"_s}, {u"member"_s, u"false"_s}},
        reactions);

    row("fetchChecklists", call([](TrelloAPI &a) { return a.fetchChecklists(u"c1"_s); }), "GET",
        u"/1/cards/c1/checklists"_s,
        {{u"checkItems"_s, u"all"_s},
         {u"checkItem_fields"_s, u"name,state,pos"_s},
         {u"fields"_s, u"name,idCard,pos"_s}},
        checklists);
    row(
        "addAttachment, without name",
        [](TrelloAPI &a) { return a.addAttachment(u"c1"_s, u"https://x.org/a?b=c&d"_s); }, "POST",
        u"/1/cards/c1/attachments"_s, {{u"url"_s, u"https://x.org/a?b=c&d"_s}}, nothing);
    row(
        "addAttachment, with name",
        [](TrelloAPI &a) { return a.addAttachment(u"c1"_s, u"https://x.org"_s, u"Site"_s); },
        "POST", u"/1/cards/c1/attachments"_s,
        {{u"url"_s, u"https://x.org"_s}, {u"name"_s, u"Site"_s}}, nothing);
}

void TestRequests::endpoints()
{
    QFETCH(Call, operation);
    QFETCH(QByteArray, method);
    QFETCH(QString, path);
    QFETCH(Items, query);
    QFETCH(QByteArray, answer);

    Rig rig;
    rig.server->route(method.toStdString(), ".*", sandbox::Response::json(answer.toStdString()));
    const auto outcome = await(operation(*rig.api));
    QVERIFY2(outcome.ok(), qPrintable(outcome.error));

    const auto requests = rig.server->requests();
    QCOMPARE(requests.size(), size_t(1));
    const auto &request = requests.front();
    QCOMPARE(qs(request.method), QString::fromLatin1(method));
    QCOMPARE(qs(request.path), path);
    QCOMPARE(received(request), withAuth(query));
    QVERIFY(!request.header("authorization"));
    // Only the upload has a body; everything else travels in the query.
    QCOMPARE(request.body, std::string());
    QVERIFY(!request.header("content-type"));
}

void TestRequests::nothingSentWithoutCredentials_data()
{
    endpoints_data();
    // The upload checks them on its own, before it builds the body.
    QTest::newRow("uploadAttachment") << Call([](TrelloAPI &a) {
        return a.uploadAttachment(u"c1"_s, "%PDF", u"a.pdf"_s, u"application/pdf"_s);
    }) << QByteArray("POST") << QString() << Items() << QByteArray();
}

// Disconnected, or half configured: every operation fails at once and nothing goes out.
void TestRequests::nothingSentWithoutCredentials()
{
    QFETCH(Call, operation);
    Rig rig;
    rig.server->route("GET", ".*", sandbox::Response::json("{}"));
    for (const auto &[key, tok] : {std::pair(QString(), QString()), std::pair(apiKey, QString()),
                                   std::pair(QString(), token)}) {
        rig.api->setCredentials(key, tok);
        QCOMPARE(await(operation(*rig.api)).error,
                 u"Trello API key and token are required. Open Settings to configure."_s);
    }
    QCOMPARE(rig.server->requests().size(), size_t(0));
}

// Names travel as one query value each, whatever they contain.
void TestRequests::valuesArriveUnchanged_data()
{
    QTest::addColumn<QString>("value");
    QTest::newRow("hash") << u"#1 priority"_s;
    QTest::newRow("plus") << u"1+1"_s;
    QTest::newRow("spaces") << u"  two  spaces "_s;
    QTest::newRow("percent text") << u"100% %41 %zz"_s;
    QTest::newRow("query-like") << u"a?b=c&key=evil;x/y"_s;
    QTest::newRow("non-ASCII") << u"Café ✓ 日本 🚀"_s;
    QTest::newRow("quotes and brackets") << u"\"[x]\" {y} <z> 'w' |\\^`"_s;
    QTest::newRow("empty") << QString();
}

void TestRequests::valuesArriveUnchanged()
{
    QFETCH(QString, value);
    Rig rig;
    rig.server->route("PUT", ".*", sandbox::Response::json(list.toStdString()));
    rig.server->route("POST", ".*", sandbox::Response::json(card.toStdString()));
    QVERIFY(await(rig.api->renameList(u"l1"_s, value)).ok());
    QVERIFY(await(rig.api->createCard(u"l1"_s, value, u"d"_s)).ok());

    const auto requests = rig.server->requests();
    QCOMPARE(requests.size(), size_t(2));
    QCOMPARE(received(requests[0]), withAuth({{u"name"_s, value}}));
    QCOMPARE(received(requests[1]), withAuth({{u"idList"_s, u"l1"_s},
                                              {u"name"_s, value},
                                              {u"pos"_s, u"bottom"_s},
                                              {u"desc"_s, u"d"_s}}));
    // An empty value still goes out, as "name=".
    if (value.isEmpty()) {
        QVERIFY(qs(requests[0].rawQuery).endsWith(u"&name="_s));
    }
}

// The body as sent. What names and types with quotes, backslashes or line breaks become is
// checked by fuzz/multipart_upload and its kept inputs.
void TestRequests::upload_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("dispositionName");
    QTest::addColumn<QString>("mimeType");
    QTest::addColumn<QString>("headerType");
    QTest::addColumn<QByteArray>("data");
    QTest::newRow("plain") << u"notes.txt"_s << u"notes.txt"_s << u"text/plain"_s
                           << u"text/plain"_s << QByteArray("hello\n");
    QTest::newRow("non-ASCII name, binary bytes")
        << u"Résumé & co.pdf"_s << u"Résumé & co.pdf"_s << u"application/pdf"_s
        << u"application/pdf"_s << QByteArray("\0\xff\r\n--stavelin-\r\n\0", 19);
    QTest::newRow("empty file") << u"empty"_s << u"empty"_s << u"application/octet-stream"_s
                                << u"application/octet-stream"_s << QByteArray();
}

void TestRequests::upload()
{
    QFETCH(QString, fileName);
    QFETCH(QString, dispositionName);
    QFETCH(QString, mimeType);
    QFETCH(QString, headerType);
    QFETCH(QByteArray, data);

    Rig rig;
    rig.server->route("POST", ".*", sandbox::Response::json(nothing.toStdString()));
    QVERIFY(await(rig.api->uploadAttachment(u"c1"_s, data, fileName, mimeType)).ok());
    QVERIFY(await(rig.api->uploadAttachment(u"c1"_s, data, fileName, mimeType)).ok());

    const auto requests = rig.server->requests();
    QCOMPARE(requests.size(), size_t(2));
    QStringList boundaries;
    for (const auto &request : requests) {
        QCOMPARE(received(request), withAuth({{u"name"_s, fileName}, {u"mimeType"_s, mimeType}}));
        const QString contentType = qs(request.header("content-type").value_or(""));
        static const QRegularExpression form(
            u"^multipart/form-data; boundary=(stavelin-[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-"
            "[0-9A-F]{4}-[0-9A-F]{12})$"_s);
        const auto match = form.match(contentType);
        QVERIFY2(match.hasMatch(), qPrintable(contentType));
        const QByteArray boundary = match.captured(1).toLatin1();
        boundaries.append(match.captured(1));

        const QByteArray expected = "--" + boundary + "\r\n" +
                                    "Content-Disposition: form-data; name=\"file\"; filename=\"" +
                                    dispositionName.toUtf8() + "\"\r\n" +
                                    "Content-Type: " + headerType.toUtf8() + "\r\n\r\n" + data +
                                    "\r\n--" + boundary + "--\r\n";
        QCOMPARE(QByteArray::fromStdString(request.body), expected);
    }
    QVERIFY2(boundaries[0] != boundaries[1], "each upload needs its own boundary");
}

// The base URL's own path comes first, however it is written.
void TestRequests::pathsFollowTheBaseURL_data()
{
    QTest::addColumn<QString>("basePath");
    QTest::addColumn<QString>("expectedPrefix");
    QTest::newRow("/1") << u"/1"_s << u"/1/"_s;
    QTest::newRow("/1/") << u"/1/"_s << u"/1/"_s;
    QTest::newRow("behind a proxy") << u"/proxy/trello/1"_s << u"/proxy/trello/1/"_s;
}

void TestRequests::pathsFollowTheBaseURL()
{
    QFETCH(QString, basePath);
    QFETCH(QString, expectedPrefix);
    Rig rig(basePath);
    rig.server->route("GET", ".*", sandbox::Response::json(member.toStdString()));
    rig.server->route("POST", ".*", sandbox::Response::json(board.toStdString()));
    QVERIFY(await(rig.api->validateCredentials()).ok());
    QVERIFY(await(rig.api->createBoard(u"B"_s)).ok());
    const auto requests = rig.server->requests();
    QCOMPARE(requests.size(), size_t(2));
    QCOMPARE(qs(requests[0].path), expectedPrefix + u"members/me"_s);
    QCOMPARE(qs(requests[1].path), expectedPrefix + u"boards/"_s);
}

QTEST_GUILESS_MAIN(TestRequests)
#include "tst_requests.moc"
