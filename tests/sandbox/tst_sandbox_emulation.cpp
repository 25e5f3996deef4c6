// SPDX-License-Identifier: MIT
// The emulated service over plain HTTP: the rules a client depends on (positions, side effects,
// error answers, credentials, uploads, limits, injected faults) and its behaviour under load.
#include "sandbox/Emulator.h"

#include <httplib.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHostAddress>
#include <QProcess>
#include <QTcpSocket>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

#include <atomic>
#include <thread>

using namespace Qt::StringLiterals;
using sandbox::Emulator;

class TestSandboxEmulation : public QObject {
    Q_OBJECT
private slots:
    void init();
    void positions();
    void crowdedMoveRenumbers();
    void sideEffects();
    void errors_data();
    void errors();
    void shapes();
    void uploadRoundTrip();
    void search();
    void rateLimit();
    void faults();
    void wire();
    void seeds();
    void concurrentRequests();
    void backgroundPriority();
    void executable();

private:
    std::unique_ptr<Emulator> m_emulator;
};

namespace {
struct Reply {
    int status = -1;
    std::string body;
    std::string contentType;
    httplib::Headers headers;
    std::string header(const std::string &name) const
    {
        const auto it = headers.find(name);
        return it == headers.end() ? std::string() : it->second;
    }
    QJsonValue json() const
    {
        const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(body));
        return document.isArray() ? QJsonValue(document.array()) : QJsonValue(document.object());
    }
};

std::string encode(const std::string &text)
{
    return QUrl::toPercentEncoding(QString::fromStdString(text)).toStdString();
}

// One request to the emulator; `query` is "a=1&b=2" with values already encoded.
Reply call(const Emulator &emulator, const std::string &method, const std::string &path,
           const std::string &query = {}, bool authorised = true)
{
    httplib::Client client("127.0.0.1", emulator.port());
    std::string target = "/1/" + path + "?";
    if (authorised) {
        target += "key=" + emulator.apiKey() + "&token=" + emulator.token() + "&";
    }
    target += query;
    httplib::Result result = method == "GET"    ? client.Get(target)
                             : method == "POST" ? client.Post(target, "", "text/plain")
                             : method == "PUT"  ? client.Put(target, "", "text/plain")
                                                : client.Delete(target);
    if (!result) {
        return {};
    }
    return {result->status, result->body, result->get_header_value("Content-Type"), result->headers};
}

QJsonObject object(const Reply &reply)
{
    return reply.json().toObject();
}

std::vector<std::string> ids(const std::vector<std::pair<std::string, double>> &positions)
{
    std::vector<std::string> out;
    for (const auto &[id, pos] : positions) {
        out.push_back(id);
    }
    return out;
}

std::string str(const QJsonValue &value)
{
    return value.toString().toStdString();
}
} // namespace

void TestSandboxEmulation::init()
{
    m_emulator = std::make_unique<Emulator>();
    QVERIFY(m_emulator->start() > 0);
}

void TestSandboxEmulation::positions()
{
    Emulator &e = *m_emulator;
    // A fresh board: the first list sits at the step, bottom adds the step, top halves.
    const std::string board = str(object(call(e, "POST", "boards/", "name=P&defaultLists=false"))[u"id"_s]);
    const auto first = object(call(e, "POST", "lists", "name=A&idBoard=" + board + "&pos=bottom"));
    QCOMPARE(first[u"pos"_s].toDouble(), 16384.0);
    const auto second = object(call(e, "POST", "lists", "name=B&idBoard=" + board + "&pos=bottom"));
    QCOMPARE(second[u"pos"_s].toDouble(), 32768.0);
    const auto top = object(call(e, "POST", "lists", "name=C&idBoard=" + board + "&pos=top"));
    QCOMPARE(top[u"pos"_s].toDouble(), 8192.0);
    const auto exact = object(call(e, "PUT", "lists/" + str(first[u"id"_s]), "pos=24576.5"));
    QCOMPARE(exact[u"pos"_s].toDouble(), 24576.5);

    // The modern board lives around 2^47; bottom and top follow the same rules there.
    const std::string roadmap = e.boardId("Product Roadmap");
    const auto lists = e.listPositions(roadmap);
    QCOMPARE(lists.front().second, 140737488355328.0 - 2 * 16384);
    const std::string next = e.listId(roadmap, "Next Up");
    const auto cards = e.cardPositions(next);
    const auto bottom = object(call(e, "POST", "cards", "idList=" + next + "&name=x&pos=bottom"));
    QCOMPARE(bottom[u"pos"_s].toDouble(), cards.back().second + 16384);
    const auto atTop = object(call(e, "POST", "cards", "idList=" + next + "&name=y&pos=top"));
    QCOMPARE(atTop[u"pos"_s].toDouble(), cards.front().second / 2);

    // Refused positions change nothing.
    for (const std::string bad : {"-5", "0", "middle", "nan", "1e400"}) {
        const Reply reply = call(e, "PUT", "lists/" + str(first[u"id"_s]), "pos=" + bad);
        QCOMPARE(reply.status, 400);
        QCOMPARE(reply.body, R"({"error":"ERROR","message":"Invalid position."})");
    }
    QCOMPARE(e.listPositions(board).at(1).second, 24576.5);
}

void TestSandboxEmulation::crowdedMoveRenumbers()
{
    // A client that keeps dropping a card between the same two neighbours halves the gap
    // each time; once it is below the threshold the list is renumbered, order intact.
    Emulator &e = *m_emulator;
    const std::string list = e.listId(e.boardId("Product Roadmap"), "Next Up");
    auto order = ids(e.cardPositions(list));
    QCOMPARE(order.size(), size_t(3));
    const std::string mover = order.back();
    bool renumbered = false;
    double gap = 0;
    for (int round = 0; round < 80 && !renumbered; ++round) {
        const auto now = e.cardPositions(list);
        // Between the first card and whichever card follows it.
        const double target = (now[0].second + now[1].second) / 2;
        gap = target - now[0].second;
        const auto answer = object(call(e, "PUT", "cards/" + mover, "pos=" + QString::number(target, 'g', 17).toStdString()));
        const auto after = e.cardPositions(list);
        renumbered = after.front().second == 16384;
        QCOMPARE(after[1].first, mover);
        // The answer carries the position as stored, renumbered or not.
        QCOMPARE(answer[u"pos"_s].toDouble(), after[1].second);
    }
    // At a gap below one whole unit, not before.
    QVERIFY(renumbered && gap < 1.0 && gap >= 0.5);
    const auto after = e.cardPositions(list);
    for (size_t i = 0; i < after.size(); ++i) {
        QCOMPARE(after[i].second, 16384.0 * static_cast<double>(i + 1));
    }
    QCOMPARE(ids(after), (std::vector<std::string>{order[0], mover, order[1]}));
}

void TestSandboxEmulation::sideEffects()
{
    Emulator &e = *m_emulator;
    const std::string board = e.boardId("Product Roadmap");
    const std::string list = e.listId(board, "Next Up");
    const std::string card = e.cardId(list, "Drag cards between lists");
    const auto badges = [&] {
        return object(call(e, "GET", "cards/" + card, "fields=badges"))[u"badges"_s].toObject();
    };
    QCOMPARE(badges()[u"comments"_s].toInt(), 2);
    QCOMPARE(badges()[u"checkItems"_s].toInt(), 3);

    // Comments and check items move the badges; a deleted comment takes its reactions.
    const auto comment = object(call(e, "POST", "cards/" + card + "/actions/comments", "text=hi"));
    QCOMPARE(badges()[u"comments"_s].toInt(), 3);
    const std::string action = str(comment[u"id"_s]);
    // Another member's comment cannot be edited.
    const auto comments = call(e, "GET", "cards/" + card + "/actions", "filter=commentCard").json().toArray();
    QCOMPARE(call(e, "PUT", "actions/" + str(comments.last().toObject()[u"id"_s]) + "/text", "value=x").status, 401);
    QCOMPARE(call(e, "POST", "actions/" + action + "/reactions", "shortName=%2B1").status, 200);
    QCOMPARE(call(e, "GET", "actions/" + action + "/reactions").json().toArray().size(), 1);
    // Primary short names only: an alias is refused.
    const Reply alias = call(e, "POST", "actions/" + action + "/reactions", "shortName=thumbsup");
    QCOMPARE(alias.status, 400);
    QCOMPARE(alias.body, "invalid value for shortName");
    QCOMPARE(call(e, "GET", "actions/" + action + "/reactions").json().toArray().size(), 1);
    const Reply deleted = call(e, "DELETE", "actions/" + action);
    QCOMPARE(deleted.body, R"({"_value":null})");
    QCOMPARE(badges()[u"comments"_s].toInt(), 2);
    QCOMPARE(call(e, "GET", "actions/" + action + "/reactions").status, 404);

    const auto checklists = call(e, "GET", "cards/" + card + "/checklists").json().toArray();
    const std::string checklist = str(checklists[0].toObject()[u"id"_s]);
    const auto item = object(call(e, "POST", "checklists/" + checklist + "/checkItems", "name=z&pos=top"));
    QCOMPARE(badges()[u"checkItems"_s].toInt(), 4);
    // Nested items come in creation order, whatever their positions.
    const auto items = call(e, "GET", "cards/" + card + "/checklists").json().toArray()[0].toObject()[u"checkItems"_s].toArray();
    QCOMPARE(items.last().toObject()[u"name"_s].toString(), u"z"_s);
    QVERIFY(items.last().toObject()[u"pos"_s].toDouble() < items.first().toObject()[u"pos"_s].toDouble());
    call(e, "PUT", "cards/" + card + "/checkItem/" + str(item[u"id"_s]), "state=complete");
    QCOMPARE(badges()[u"checkItemsChecked"_s].toInt(), 2);
    QCOMPARE(call(e, "DELETE", "checklists/" + checklist).body, R"({"limits":{}})");
    QCOMPARE(badges()[u"checkItems"_s].toInt(), 0);

    // "null" clears the due date.
    QVERIFY(object(call(e, "GET", "cards/" + card))[u"due"_s].isString());
    QVERIFY(object(call(e, "PUT", "cards/" + card, "due=null"))[u"due"_s].isNull());

    // Archived cards and lists leave the open views; a closed board leaves the open boards.
    const auto openCards = [&] { return call(e, "GET", "lists/" + list + "/cards").json().toArray(); };
    const qsizetype before = openCards().size();
    call(e, "PUT", "cards/" + card, "closed=true");
    QCOMPARE(openCards().size(), before - 1);
    call(e, "PUT", "lists/" + list + "/closed", "value=true");
    for (const auto &value : call(e, "GET", "boards/" + board + "/lists", "filter=open").json().toArray()) {
        QVERIFY(str(value.toObject()[u"id"_s]) != list);
    }
    const auto openBoards = [&] {
        QStringList names;
        for (const auto &value :
             call(e, "GET", "members/me/boards", "filter=open&fields=name").json().toArray()) {
            names << value.toObject()[u"name"_s].toString();
        }
        return names;
    };
    QVERIFY(openBoards().contains(u"Product Roadmap"_s));
    QVERIFY(!openBoards().contains(u"Old Experiments"_s));
    call(e, "PUT", "boards/" + board, "closed=true");
    QVERIFY(!openBoards().contains(u"Product Roadmap"_s));

    // Taken off a board: it leaves the member's boards, and it and its cards answer 401.
    const std::string home = e.boardId("Home Renovation");
    const std::string handles = e.cardId(e.listId(home, "To Buy"), "Door handles");
    e.revokeBoardAccess(home);
    QVERIFY(!openBoards().contains(u"Home Renovation"_s));
    const Reply board401 = call(e, "GET", "boards/" + home + "/lists");
    const Reply card401 = call(e, "PUT", "cards/" + card, "idList=" + e.listId(home, "To Buy"));
    QCOMPARE(board401.status, 401);
    QCOMPARE(board401.body, "unauthorized permission requested");
    QCOMPARE(card401.body, "unauthorized permission requested");
    QCOMPARE(call(e, "GET", "cards/" + handles).body, "unauthorized card permission requested");
}

void TestSandboxEmulation::errors_data()
{
    QTest::addColumn<QString>("method");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("query");
    QTest::addColumn<bool>("authorised");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("body");
    QTest::addColumn<bool>("isJson");

    const QString unknown = u"5e679b808e6e8828784b30e1"_s;
    QTest::newRow("no credentials") << u"GET"_s << u"members/me"_s << QString() << false << 401
                                    << u"invalid key"_s << false;
    QTest::newRow("malformed id") << u"GET"_s << u"cards/Kek123"_s << QString() << true << 400
                                  << u"invalid id"_s << false;
    QTest::newRow("unknown id") << u"GET"_s << (u"cards/"_s + unknown) << QString() << true
                                << 404 << u"The requested resource was not found."_s << false;
    QTest::newRow("bad idList") << u"POST"_s << u"cards"_s << (u"name=x&idList="_s + unknown)
                                << true << 400 << u"invalid value for idList"_s << false;
    QTest::newRow("board without name") << u"POST"_s << u"boards/"_s << u"name="_s << true << 400
                                        << u"{\"error\":\"ERROR\",\"message\":\"invalid value for name\"}"_s
                                        << true;
    QTest::newRow("list without name")
        << u"POST"_s << u"lists"_s << u"name=%20&idBoard=@board"_s << true << 400
        << u"{\"error\":\"BAD_REQUEST_ERROR\",\"message\":\"invalid value for name\"}"_s << true;
    QTest::newRow("list on unknown board")
        << u"POST"_s << u"lists"_s << (u"name=x&idBoard="_s + unknown) << true << 401
        << (u"unauthorized board list requested "_s + unknown) << false;
    QTest::newRow("bad label id") << u"POST"_s << u"cards/@card/idLabels"_s << u"value=nope"_s
                                  << true << 400
                                  << u"{\"error\":\"ERROR\",\"message\":\"Invalid objectId\"}"_s
                                  << true;
    QTest::newRow("bad due") << u"PUT"_s << u"cards/@card"_s << u"due=tomorrow"_s << true << 400
                             << u"invalid value for due"_s << false;
    // Not known to clear at the service (one report saw it taken as a bad date).
    QTest::newRow("empty due") << u"PUT"_s << u"cards/@card"_s << u"due="_s << true << 400
                               << u"invalid value for due"_s << false;
    // The service's edge lets 8,000 bytes of URL pass and refuses 8,200.
    QTest::newRow("URL too long") << u"PUT"_s << u"cards/@card"_s << (u"desc="_s + QString(8100, u'x'))
                                  << true << 414 << u"URI Too Long"_s << false;
    QTest::newRow("unknown route") << u"GET"_s << u"cards/@card/stickers/x/y"_s << QString()
                                   << true << 404 << u"Cannot GET /1/cards/@card/stickers/x/y"_s
                                   << false;
}

void TestSandboxEmulation::errors()
{
    QFETCH(QString, method);
    QFETCH(QString, path);
    QFETCH(QString, query);
    QFETCH(bool, authorised);
    QFETCH(int, status);
    QFETCH(QString, body);
    QFETCH(bool, isJson);
    Emulator &e = *m_emulator;
    const std::string board = e.boardId("Home Renovation");
    const std::string card = e.cardId(e.listId(board, "To Buy"), "Door handles");
    const auto fill = [&](QString text) {
        return text.replace(u"@board"_s, QString::fromStdString(board))
            .replace(u"@card"_s, QString::fromStdString(card))
            .toStdString();
    };
    const Reply reply = call(e, method.toStdString(), fill(path), fill(query), authorised);
    QCOMPARE(reply.status, status);
    QCOMPARE(QString::fromStdString(reply.body), QString::fromStdString(fill(body)));
    QCOMPARE(reply.contentType, isJson ? "application/json; charset=utf-8"
                                       : "text/plain; charset=utf-8");
    // Nothing changed behind a refusal.
    QCOMPARE(e.cardPositions(e.listId(board, "To Buy")).size(), size_t(2));
}

void TestSandboxEmulation::shapes()
{
    Emulator &e = *m_emulator;
    // fields: the id plus what was named; nested objects stay whole.
    const auto boards = call(e, "GET", "members/me/boards", "filter=open&fields=name,prefs");
    QCOMPARE(boards.contentType, "application/json; charset=utf-8");
    for (const auto &value : boards.json().toArray()) {
        const QJsonObject board = value.toObject();
        QCOMPARE(board.keys(), (QStringList{u"id"_s, u"name"_s, u"prefs"_s}));
        QVERIFY(board[u"prefs"_s].toObject().contains(u"backgroundBottomColor"_s));
        QVERIFY(board[u"prefs"_s].toObject().contains(u"backgroundColor"_s));
    }

    // A create answers 200 with the record; its id starts with the creation time.
    const std::string list = e.listId(e.boardId("Reading List"), "To Read");
    const qint64 before = QDateTime::currentSecsSinceEpoch();
    const Reply created = call(e, "POST", "cards",
                               "idList=" + list + "&name=" + encode("A & B = #1") +
                                   "&due=2024-05-01T17:00:00Z");
    QCOMPARE(created.status, 200);
    const QJsonObject card = object(created);
    const std::string id = str(card[u"id"_s]);
    QVERIFY(QRegularExpression(u"^[0-9a-f]{24}$"_s).match(QString::fromStdString(id)).hasMatch());
    QVERIFY(std::abs(std::stoll(id.substr(0, 8), nullptr, 16) - before) <= 2);
    QCOMPARE(card[u"name"_s].toString(), u"A & B = #1"_s);
    QCOMPARE(card[u"due"_s].toString(), u"2024-05-01T17:00:00.000Z"_s);
    QCOMPARE(card[u"limits"_s].toObject(), QJsonObject());
    QVERIFY(card[u"badges"_s].toObject().contains(u"checkItemsChecked"_s));

    // Adding and removing labels and members answer in their own shapes.
    const std::string label = str(call(e, "GET", "boards/" + e.boardId("Reading List") + "/labels")
                                      .json()
                                      .toArray()[0]
                                      .toObject()[u"id"_s]);
    const auto labels = call(e, "POST", "cards/" + id + "/idLabels", "value=" + label).json();
    QCOMPARE(labels.toArray(), QJsonArray{QString::fromStdString(label)});
    QCOMPARE(call(e, "POST", "cards/" + id + "/idLabels", "value=" + label).status, 400);
    QCOMPARE(call(e, "DELETE", "cards/" + id + "/idLabels/" + label).body, R"({"_value":null})");
    const std::string me = e.memberId("me");
    const auto members = call(e, "POST", "cards/" + id + "/idMembers", "value=" + me).json();
    QCOMPARE(members.toArray().size(), 1);
    QCOMPARE(call(e, "DELETE", "cards/" + id + "/idMembers/" + me).json().toArray(), QJsonArray());
    QCOMPARE(call(e, "DELETE", "cards/" + id).body, R"({"limits":{}})");
}

void TestSandboxEmulation::uploadRoundTrip()
{
    Emulator &e = *m_emulator;
    const std::string listCard =
        e.cardId(e.listId(e.boardId("Reading List"), "Finished"), "Piranesi");
    // Bytes that look like a boundary and line ends must survive.
    std::string bytes("\x89PNG\r\n\x1a\n\0\r\n--stavelin-x\r\n", 26);
    for (int i = 0; i < 3000; ++i) {
        bytes.push_back(static_cast<char>(i * 7));
    }
    const std::string boundary = "stavelin-0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0";
    const std::string body = "--" + boundary +
                             "\r\nContent-Disposition: form-data; name=\"file\"; "
                             "filename=\"it's \xC3\xA9t\xC3\xA9.png\"\r\nContent-Type: image/png\r\n\r\n" +
                             bytes + "\r\n--" + boundary + "--\r\n";
    httplib::Client client("127.0.0.1", e.port());
    const std::string target = "/1/cards/" + listCard + "/attachments?key=" + e.apiKey() +
                               "&token=" + e.token() + "&name=" + encode("it's été.png") +
                               "&mimeType=image%2Fpng";
    const auto result =
        client.Post(target, body, "multipart/form-data; boundary=" + boundary);
    QVERIFY(result);
    QCOMPARE(result->status, 200);
    const QJsonObject attachment =
        QJsonDocument::fromJson(QByteArray::fromStdString(result->body)).object();
    QCOMPARE(attachment[u"isUpload"_s].toBool(), true);
    QCOMPARE(attachment[u"name"_s].toString(), u"it's été.png"_s);
    QCOMPARE(attachment[u"mimeType"_s].toString(), u"image/png"_s);
    QCOMPARE(attachment[u"bytes"_s].toInt(), static_cast<int>(bytes.size()));

    // The file comes back from its url, without credentials, with its type.
    const QUrl url(attachment[u"url"_s].toString());
    QCOMPARE(url.host(), u"127.0.0.1"_s);
    QCOMPARE(url.port(), e.port());
    const auto download = client.Get(url.path(QUrl::FullyEncoded).toStdString());
    QVERIFY(download);
    QCOMPARE(download->status, 200);
    QCOMPARE(download->get_header_value("Content-Type"), "image/png");
    QVERIFY(download->body == bytes);
    // Deleting the attachment takes the file with it.
    const std::string attachmentId = str(attachment[u"id"_s]);
    QCOMPARE(call(e, "DELETE", "cards/" + listCard + "/attachments/" + attachmentId).body,
             R"({"limits":{}})");
    QCOMPARE(client.Get(url.path(QUrl::FullyEncoded).toStdString())->status, 404);

    // A body that is not what it claims to be is refused and stores nothing.
    const auto broken = client.Post(target, "--" + boundary + "\r\nno headers", "multipart/form-data; boundary=" + boundary);
    QCOMPARE(broken->status, 400);
    QCOMPARE(call(e, "GET", "cards/" + listCard + "/attachments").json().toArray().size(), 0);
}

void TestSandboxEmulation::search()
{
    // Every word of the query starts a word of a card's name or description; archived cards
    // and boards the member left are not searched.
    Emulator &e = *m_emulator;
    const std::string board = str(object(call(e, "POST", "boards/", "name=Zoo&defaultLists=true"))[u"id"_s]);
    const std::string list = str(call(e, "GET", "boards/" + board + "/lists").json().toArray().first().toObject()[u"id"_s]);
    const auto add = [&](const std::string &listId, const std::string &name, const std::string &desc) {
        return str(object(call(e, "POST", "cards", "idList=" + listId + "&name=" + encode(name) + "&desc=" + encode(desc)))[u"id"_s]);
    };
    add(list, "Quarterly zebra report", "");
    add(list, "Feeding", "Ask about the Zebrafish tank");
    call(e, "PUT", "cards/" + add(list, "Zebra archived", ""), "closed=true");
    const std::string home = e.boardId("Home Renovation");
    add(e.listId(home, "To Buy"), "Zebra handles", "");
    e.revokeBoardAccess(home);

    const auto found = [&](const std::string &query, const std::string &more = "partial=true") {
        const Reply reply = call(e, "GET", "search", "query=" + encode(query) + "&modelTypes=cards&" + more);
        QStringList names;
        for (const auto &card : object(reply)[u"cards"_s].toArray()) {
            names << card.toObject()[u"name"_s].toString();
        }
        names.sort();
        return names;
    };
    QCOMPARE(found("ZEB"), (QStringList{u"Feeding"_s, u"Quarterly zebra report"_s}));
    QCOMPARE(found("zeb", "partial=false"), QStringList());
    QCOMPARE(found("zebra", "partial=false"), QStringList{u"Quarterly zebra report"_s});
    QCOMPARE(found("zebra quart"), QStringList{u"Quarterly zebra report"_s});
    QCOMPARE(found("ebra"), QStringList());
    QCOMPARE(found("zeb", "partial=true&cards_limit=1").size(), 1);

    // The parent board and list come inside each card when asked, with only the fields asked.
    const auto cards = object(call(e, "GET", "search", "query=quarterly&partial=true&card_fields=name,idList"
                                                      "&card_board=true&board_fields=name&card_list=true"))[u"cards"_s].toArray();
    QCOMPARE(cards.size(), 1);
    const QJsonObject card = cards.first().toObject();
    QCOMPARE(card.keys(), (QStringList{u"board"_s, u"id"_s, u"idList"_s, u"list"_s, u"name"_s}));
    QCOMPARE(card[u"board"_s].toObject(), (QJsonObject{{u"id"_s, QString::fromStdString(board)}, {u"name"_s, u"Zoo"_s}}));
    QCOMPARE(card[u"list"_s].toObject()[u"id"_s].toString(), QString::fromStdString(list));
    QCOMPARE(call(e, "GET", "search", "query=").status, 400);
}

void TestSandboxEmulation::rateLimit()
{
    Emulator &e = *m_emulator;
    const std::string lists = "boards/" + e.boardId("Product Roadmap") + "/lists";
    // On from the start with the service's figures; the member's short limit on every route.
    const Reply first = call(e, "GET", lists);
    QCOMPARE(first.header("X-Rate-Limit-Api-Token-Max"), "100");
    QCOMPARE(first.header("X-Rate-Limit-Api-Key-Max"), "300");
    QCOMPARE(first.header("X-Rate-Limit-Member-Max"), "200");
    QCOMPARE(first.header("X-Rate-Limit-Member-Interval-Ms"), "10000");
    QCOMPARE(first.header("X-Rate-Limit-Member-Remaining"), "199");

    // The token's limit: each answer counts down, the one over it gets the JSON 429 and does
    // not count (the next is refused too, with nothing left).
    sandbox::RateLimits limits;
    limits.perToken = 5;
    e.setRateLimits(limits);
    for (int i = 0; i < 5; ++i) {
        const Reply reply = call(e, "GET", lists);
        QCOMPARE(reply.status, 200);
        QCOMPARE(reply.header("X-Rate-Limit-Api-Token-Max"), "5");
        QCOMPARE(reply.header("X-Rate-Limit-Api-Token-Remaining"), std::to_string(4 - i));
        QCOMPARE(reply.header("X-Rate-Limit-Api-Token-Interval-Ms"), "10000");
        QCOMPARE(reply.header("X-Rate-Limit-Api-Key-Remaining"), std::to_string(299 - i));
        QCOMPARE(reply.header("X-Rate-Limit-Member-Remaining"), std::to_string(199 - i));
    }
    for (int i = 0; i < 2; ++i) {
        const Reply refused = call(e, "GET", "members/me");
        QCOMPARE(refused.status, 429);
        QCOMPARE(object(refused)[u"error"_s].toString(), u"API_TOKEN_LIMIT_EXCEEDED"_s);
        QCOMPARE(object(refused)[u"message"_s].toString(), u"Rate limit exceeded"_s);
        QCOMPARE(refused.header("X-Rate-Limit-Api-Token-Remaining"), "0");
        QCOMPARE(refused.header("X-Rate-Limit-Api-Key-Remaining"), "295");
    }
    // The key's limit, less what its other users take, and the window sliding: a short one.
    limits = {};
    limits.perKey = 5;
    limits.keySpentByOthers = 2;
    limits.window = std::chrono::milliseconds(400);
    e.setRateLimits(limits);
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(call(e, "GET", "members/me").status, 200);
    }
    const Reply keyRefused = call(e, "GET", "members/me");
    QCOMPARE(keyRefused.status, 429);
    QCOMPARE(object(keyRefused)[u"error"_s].toString(), u"API_KEY_LIMIT_EXCEEDED"_s);
    QTest::qWait(450);
    // Error answers of requests within the limits carry the headers too.
    const Reply again = call(e, "GET", "cards/0123456789abcdef01234567");
    QCOMPARE(again.status, 404);
    QCOMPARE(again.header("X-Rate-Limit-Api-Key-Remaining"), "2");

    // The member's limit; the member route's long one counts /1/members/{id} itself only.
    limits = {};
    limits.perMember = 3;
    limits.perMemberRoute = 1;
    e.setRateLimits(limits);
    QCOMPARE(call(e, "GET", "members/me").status, 200);
    QCOMPARE(call(e, "GET", "members/me/boards").status, 200);
    const Reply routeRefused = call(e, "GET", "members/me");
    QCOMPARE(routeRefused.status, 429);
    QCOMPARE(object(routeRefused)[u"error"_s].toString(), u"RATE_LIMIT_EXCEEDED"_s);
    QCOMPARE(call(e, "GET", lists).status, 200);
    const Reply memberRefused = call(e, "GET", lists);
    QCOMPARE(memberRefused.status, 429);
    QCOMPARE(object(memberRefused)[u"error"_s].toString(), u"MEMBER_LIMIT_EXCEEDED"_s);
    QCOMPARE(memberRefused.header("X-Rate-Limit-Member-Remaining"), "0");

    e.setRateLimit(0);
    QCOMPARE(call(e, "GET", "members/me").status, 200);
    QVERIFY(call(e, "GET", "members/me").header("X-Rate-Limit-Api-Token-Remaining").empty());
    // The log says how each request was answered.
    const auto log = e.requests();
    QCOMPARE(std::count_if(log.begin(), log.end(), [](const auto &r) { return r.status == 429; }), 5);

    // A revoked token is refused from then on.
    e.revokeToken();
    const Reply revoked = call(e, "GET", "members/me");
    QCOMPARE(revoked.status, 401);
    QCOMPARE(revoked.body, "invalid token");
}

void TestSandboxEmulation::faults()
{
    Emulator &e = *m_emulator;
    e.injectFault("GET", "/1/members/me", sandbox::Response::text("boom", 500), 2);
    QCOMPARE(call(e, "GET", "members/me").body, "boom");
    QCOMPARE(call(e, "GET", "members/me").status, 500);
    QCOMPARE(call(e, "GET", "members/me").status, 200);

    // A standing fault, for any method, until cleared; it changes no data.
    const std::string list = e.listId(e.boardId("Reading List"), "To Read");
    e.injectFault("*", "/1/cards.*", sandbox::Response::json("{\"id\":", 200), 0);
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(call(e, "POST", "cards", "idList=" + list + "&name=x").body, "{\"id\":");
    }
    e.clearFaults();
    QCOMPARE(e.cardPositions(list).size(), size_t(3));

    // A slow answer arrives late but whole (dropped and cut ones are the fault matrix's).
    QElapsedTimer timer;
    timer.start();
    e.injectFault("GET", "/1/members/me",
                  sandbox::Response::slow(std::string(100, ' ') + "{}", std::chrono::milliseconds(30), 25));
    const Reply slow = call(e, "GET", "members/me");
    QCOMPARE(slow.body, std::string(100, ' ') + "{}");
    QVERIFY(timer.elapsed() >= 120);

    e.setLatency(std::chrono::milliseconds(150));
    timer.restart();
    QCOMPARE(call(e, "GET", "members/me").status, 200);
    QVERIFY(timer.elapsed() >= 150);
}

// What a client writes, byte for byte, and all the server answers until it closes.
static QByteArray exchange(const Emulator &e, const QByteArray &bytes)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, static_cast<quint16>(e.port()));
    if (!socket.waitForConnected(5000)) {
        return {};
    }
    socket.write(bytes);
    QByteArray answer;
    while (socket.state() == QAbstractSocket::ConnectedState && socket.waitForReadyRead(3000)) {
        answer += socket.readAll();
    }
    return answer + socket.readAll();
}

void TestSandboxEmulation::wire()
{
    Emulator &e = *m_emulator;
    const QByteArray auth = QByteArray::fromStdString("key=" + e.apiKey() + "&token=" + e.token());
    const QByteArray list =
        QByteArray::fromStdString(e.listId(e.boardId("Reading List"), "To Read"));

    // Requests sent in one piece are answered in turn on one connection: a HEAD without its
    // body, a chunked form body read whole, and the connection closed when the client says so.
    const QByteArray form = "idList=" + list + "&name=Chunked%20card";
    const QByteArray several =
        "HEAD /1/members/me?" + auth + " HTTP/1.1\r\nHost: x\r\n\r\n" +
        "POST /1/cards?" + auth + " HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: chunked\r\n" +
        "Content-Type: application/x-www-form-urlencoded\r\n\r\n" +
        QByteArray::number(10, 16) + "\r\n" + form.left(10) + "\r\n" +
        QByteArray::number(form.size() - 10, 16) + ";piece=2\r\n" + form.mid(10) + "\r\n0\r\n\r\n" +
        "GET /1/members/me?" + auth + " HTTP/1.1\r\nConnection: close\r\n\r\n";
    const QByteArray answers = exchange(e, several);
    QCOMPARE(answers.count("HTTP/1.1 "), 3);
    // The HEAD's answer announces a body (the service has no HEAD route: its 404 text) but
    // sends none: the POST's answer follows its blank line.
    const int headEnd = answers.indexOf("\r\n\r\n") + 4;
    QVERIFY(answers.startsWith("HTTP/1.1 404 Not Found\r\n"));
    QVERIFY(!answers.left(headEnd).contains("Content-Length: 0\r\n"));
    QCOMPARE(answers.indexOf("HTTP/1.1 200 OK\r\n", headEnd), headEnd);
    QCOMPARE(answers.count("HTTP/1.1 200 OK\r\n"), 2);
    QVERIFY(answers.contains("\"name\":\"Chunked card\""));
    QVERIFY(answers.endsWith("}")); // the last answer whole, then closed
    QCOMPARE(e.requests().at(1).body, form.toStdString());

    // What can't be read is refused once, and the connection closed.
    const QList<std::pair<QByteArray, QByteArray>> refused = {
        {"BREW /pot\r\n\r\n", "HTTP/1.1 400 "},
        {"GET /1/members/me HTTP/2.0\r\n\r\n", "HTTP/1.1 400 "},
        {"GET /1/members/me HTTP/1.1\r\nno colon\r\n\r\n", "HTTP/1.1 400 "},
        {"POST /1/cards HTTP/1.1\r\nContent-Length: 3\r\nContent-Length: 4\r\n\r\nabcd",
         "HTTP/1.1 400 "},
        {"POST /1/cards HTTP/1.1\r\nContent-Length: -1\r\n\r\n", "HTTP/1.1 400 "},
        {"GET /" + QByteArray(8200, 'x') + " HTTP/1.1\r\n\r\n", "HTTP/1.1 414 URI Too Long"},
    };
    for (const auto &[request, status] : refused) {
        const QByteArray answer = exchange(e, request + "GET /1/members/me HTTP/1.1\r\n\r\n");
        QVERIFY2(answer.startsWith(status), answer.left(40).constData());
        QCOMPARE(answer.count("HTTP/1.1"), 1);
    }
}

void TestSandboxEmulation::seeds()
{
    // The sample account covers what the views have to draw (the large one is tst_rate_limits').
    Emulator &e = *m_emulator;
    const auto boards = call(e, "GET", "members/me/boards", "filter=all").json().toArray();
    QCOMPARE(boards.size(), 6);
    int starred = 0, photos = 0, closed = 0, described = 0;
    for (const auto &value : boards) {
        const QJsonObject board = value.toObject();
        starred += board[u"starred"_s].toBool();
        closed += board[u"closed"_s].toBool();
        described += !board[u"desc"_s].toString().isEmpty() && !board[u"closed"_s].toBool();
        photos += board[u"prefs"_s].toObject()[u"backgroundColor"_s].isNull();
    }
    QCOMPARE(starred, 1);
    QCOMPARE(closed, 1);
    QCOMPARE(photos, 2);
    QCOMPARE(described, 1);
    QSet<QString> colors;
    const std::string roadmap = e.boardId("Product Roadmap");
    for (const auto &value : call(e, "GET", "boards/" + roadmap + "/labels").json().toArray()) {
        const QJsonValue color = value.toObject()[u"color"_s];
        colors << (color.isNull() ? u"null"_s : color.toString());
    }
    QVERIFY(colors.contains(u"red_dark"_s) && colors.contains(u"purple_light"_s) &&
            colors.contains(u"null"_s));
    // Comment authors in the service's three shapes: whole, by id alone, missing.
    const std::string crash = e.cardId(e.listId(roadmap, "Next Up"), "Fix crash when token expires");
    QStringList shapes;
    for (const auto &value : call(e, "GET", "cards/" + crash + "/actions").json().toArray()) {
        const QJsonObject author = value.toObject()[u"memberCreator"_s].toObject();
        shapes << QStringList(author.keys()).filter(QRegularExpression(u"^(id|username)$"_s)).join(u'+');
    }
    QCOMPARE(shapes, (QStringList{u""_s, u"id"_s, u"id+username"_s}));
    const auto members = call(e, "GET", "boards/" + roadmap + "/members",
                              "fields=username,fullName,avatarUrl").json().toArray();
    QCOMPARE(members.size(), 4);
    QVERIFY(members[0].toObject()[u"avatarUrl"_s].isString());
    QVERIFY(std::any_of(members.begin(), members.end(),
                        [](const auto &m) { return m.toObject()[u"avatarUrl"_s].isNull(); }));
    // Avatars are served here, at the sizes the service offers.
    httplib::Client client("127.0.0.1", e.port());
    const QUrl avatar(members[0].toObject()[u"avatarUrl"_s].toString() + u"/50.png"_s);
    const auto image = client.Get(avatar.path().toStdString());
    QVERIFY(image && image->status == 200 && image->body.starts_with("\x89PNG"));

    Emulator empty(sandbox::Options{sandbox::Seed::Empty});
    QVERIFY(empty.start() > 0);
    QCOMPARE(call(empty, "GET", "members/me/boards").json().toArray().size(), 0);
    QCOMPARE(object(call(empty, "GET", "members/me"))[u"username"_s].toString(), u"adalindqvist"_s);

}

void TestSandboxEmulation::concurrentRequests()
{
    // Several clients at once, writing to one list and reading everything: every create must
    // land, with distinct positions, and every answer must be whole.
    Emulator &e = *m_emulator;
    e.setRateLimits(std::nullopt); // a load test: the service's limits would refuse most of it
    const std::string board = e.boardId("Reading List");
    const std::string list = e.listId(board, "Reading");
    const size_t before = e.cardPositions(list).size();
    constexpr int kThreads = 6;
    constexpr int kRounds = 25;
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kRounds; ++i) {
                const Reply created = call(e, "POST", "cards",
                                           "idList=" + list + "&name=t" + std::to_string(t) +
                                               "-" + std::to_string(i) +
                                               (i % 2 ? "&pos=top" : "&pos=bottom"));
                const Reply read = call(e, "GET", "lists/" + list + "/cards");
                const Reply boards = call(e, "GET", "members/me/boards");
                if (created.status != 200 || read.status != 200 || !read.json().isArray() ||
                    boards.json().toArray().size() != 6) {
                    ++failures;
                }
            }
        });
    }
    for (auto &thread : threads) {
        thread.join();
    }
    QCOMPARE(failures.load(), 0);
    const auto after = e.cardPositions(list);
    QCOMPARE(after.size(), before + kThreads * kRounds);
    for (size_t i = 1; i < after.size(); ++i) {
        QVERIFY(after[i].second > after[i - 1].second);
    }
    QCOMPARE(e.requests().size(), size_t(kThreads * kRounds * 3));
}

// Threads of this process at the given nice value (Linux: /proc/self/task/*/stat, field 19).
static int threadsAtNice(int nice)
{
    int count = 0;
    const QDir tasks(u"/proc/self/task"_s);
    for (const QString &task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile stat(tasks.filePath(task + u"/stat"_s));
        if (!stat.open(QIODevice::ReadOnly)) {
            continue;
        }
        const QByteArray text = stat.readAll();
        // After the command name in parentheses, fields 3 onwards.
        const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 16 && fields[16].toInt() == nice) {
            ++count;
        }
    }
    return count;
}

void TestSandboxEmulation::backgroundPriority()
{
    // The demo's service, inside the program, serves at a low priority; the tests' does not.
    const int before = threadsAtNice(10);
    Emulator background(sandbox::Options{.backgroundPriority = true});
    QVERIFY(background.start() > 0);
    QCOMPARE(call(background, "GET", "members/me/boards").status, 200);
    // The listener, and the thread of a connection while it is open.
    QTcpSocket open;
    open.connectToHost(QHostAddress::LocalHost, static_cast<quint16>(background.port()));
    QVERIFY(open.waitForConnected(5000));
    QTRY_COMPARE(threadsAtNice(10), before + 2);
    background.stop();
    QCOMPARE(threadsAtNice(10), before);

    QCOMPARE(call(*m_emulator, "GET", "members/me/boards").status, 200);
    QCOMPARE(threadsAtNice(10), before);
}

void TestSandboxEmulation::executable()
{
    QProcess process;
    process.start(QStringLiteral(STAVELIN_SANDBOX_EXECUTABLE),
                  {u"--port"_s, u"0"_s, u"--seed"_s, u"empty"_s, u"--key"_s,
                   u"0123456789abcdef0123456789abcdef"_s, u"--token"_s, u"secret-token"_s,
                   u"--key-spent"_s, u"290"_s});
    QVERIFY(process.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(process.canReadLine(), 10000);
    bool isNumber = false;
    const int port = QString::fromUtf8(process.readLine()).trimmed().toInt(&isNumber);
    QVERIFY(isNumber && port > 0);
    httplib::Client client("127.0.0.1", port);
    const auto me = client.Get(
        "/1/members/me?key=0123456789abcdef0123456789abcdef&token=secret-token");
    QVERIFY(me && me->status == 200);
    // Limits on, with most of the key's budget taken by its other users.
    QCOMPARE(me->get_header_value("X-Rate-Limit-Api-Key-Remaining"), "9");
    const auto refused = client.Get("/1/members/me?key=0123456789abcdef0123456789abcdef&token=x");
    QVERIFY(refused && refused->status == 401);
    process.terminate();
    QVERIFY(process.waitForFinished(5000));
    // Credentials never reach the output.
    const QByteArray output = process.readAllStandardOutput() + process.readAllStandardError();
    QVERIFY(!output.contains("secret-token"));
    QVERIFY(!output.contains("0123456789abcdef0123456789abcdef"));
}

QTEST_GUILESS_MAIN(TestSandboxEmulation)
#include "tst_sandbox_emulation.moc"
