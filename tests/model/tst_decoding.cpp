// SPDX-License-Identifier: MIT
// Decoding of the service's answers, over fixtures shaped like real ones: extra keys, nulls,
// absent optionals, huge and fractional positions, dates in every form the service uses.
#include "api/TrelloAPI.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestDecoding : public QObject {
    Q_OBJECT
private slots:
    void table_data();
    void table();
    void values();
    void manyRecords();
    void bufferEdges();
    void dates_data();
    void dates();
};

namespace {
// A card as the service sends it from lists/{id}/cards, with keys we never read.
QByteArray fullCard(const QByteArray &overrides = {})
{
    return R"({"id":"65f0c0de0000000000000001","name":"Ship it","desc":"",
        "closed":false,"idList":"65f0c0de00000000000000aa","idBoard":"65f0c0de00000000000000bb",
        "due":"2026-03-05T14:07:09.123Z","dueComplete":false,"url":"https://trello.com/c/abc/1-ship",
        "shortUrl":"https://trello.com/c/abc","pos":140737488355328,
        "labels":[{"id":"l1","idBoard":"b","name":"","color":"green_dark","uses":3,
                   "nodeId":"ari:cloud:trello::label/l1"},{"id":"l2","name":"x","color":null}],
        "idLabels":["l1","l2"],"idMembers":[],"checkItemStates":null,"cover":{"size":"normal"},
        "badges":{"attachmentsByType":{"trello":{"board":0,"card":0}},"location":false,
          "votes":0,"checkItems":3,"checkItemsChecked":1,"checkItemsEarliestDue":null,
          "comments":2,"attachments":1,"due":null,"start":null,"externalSource":null,
          "lastUpdatedByAi":false,"maliciousAttachments":0})" +
           overrides + "}";
}
} // namespace

// Each row: which record, the JSON, and either "" (decodes) or a fragment of the error,
// which must name the record and the field.
void TestDecoding::table_data()
{
    QTest::addColumn<QString>("record");
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("error");

    QTest::newRow("card, optionals null")
        << u"cards"_s
        << QByteArray(R"([{"id":"c","name":"n","closed":false,"idList":"l","idBoard":"b","pos":0.5,
             "due":null,"desc":null,"labels":null,"badges":null,"dueComplete":null}])")
        << QString();
    QTest::newRow("card, pos as string fails the list")
        << u"cards"_s << "[" + fullCard() + R"(,{"id":"c","name":"n","closed":false,
             "idList":"l","idBoard":"b","pos":"bottom"}])"
        << u"[1] TrelloCard.pos: expected a number"_s;
    QTest::newRow("card, pos missing")
        << u"cards"_s
        << QByteArray(R"([{"id":"c","name":"n","closed":false,"idList":"l","idBoard":"b"}])")
        << u"TrelloCard.pos: required key is missing"_s;
    QTest::newRow("card, date-only due")
        << u"cards"_s << "[" + fullCard(R"(,"due":"2024-05-01")") + "]"
        << u"TrelloCard.due: Unrecognized date format: 2024-05-01"_s;
    QTest::newRow("card, badges lacking comments")
        << u"cards"_s
        << "[" + fullCard(R"(,"badges":{"checkItems":1,"checkItemsChecked":0})") + "]"
        << u"TrelloCard.badges: CardBadges.comments: required key is missing"_s;
    QTest::newRow("card, label without id")
        << u"cards"_s << "[" + fullCard(R"(,"labels":[{"name":"x"}])") + "]"
        << u"TrelloCard.labels: [0] TrelloLabel.id"_s;
    QTest::newRow("card, badge count with a fraction")
        << u"cards"_s
        << "[" + fullCard(R"(,"badges":{"checkItems":2.0,"checkItemsChecked":0,"comments":2.5})") +
               "]"
        << u"TrelloCard.badges: CardBadges.comments: expected an integer, found 2.5"_s;
    QTest::newRow("card, closed null")
        << u"cards"_s << "[" + fullCard(R"(,"closed":null)") + "]"
        << u"TrelloCard.closed: required value is null"_s;

    QTest::newRow("board, photo background, null colour")
        << u"boards"_s
        << QByteArray(R"([{"id":"b","name":"Roadmap","desc":"","closed":false,"starred":true,
             "url":"u","shortUrl":"s","prefs":{"background":"5e90","backgroundColor":null,
             "backgroundTopColor":"#d9e3eb","backgroundImageScaled":[{"width":1,"url":"x"}],
             "switcherViews":[{"viewType":"Board","enabled":true}]},"labelNames":{}}])")
        << QString();
    QTest::newRow("board, colour key absent")
        << u"boards"_s
        << QByteArray(R"([{"id":"b","name":"n","closed":false,"prefs":{"backgroundTopColor":"#0079BF"}}])")
        << QString();
    QTest::newRow("board, starred as text")
        << u"boards"_s
        << QByteArray(R"([{"id":"b","name":"n","closed":false,"starred":"yes"}])")
        << u"TrelloBoard.starred: expected a boolean"_s;

    QTest::newRow("member, avatar null, ixUpdate as text")
        << u"member"_s
        << QByteArray(R"({"id":"m","username":"ada","fullName":"Ada L","avatarUrl":null,"ixUpdate":"481"})")
        << QString();

    QTest::newRow("comment, with offset date and no creator")
        << u"comments"_s
        << QByteArray(R"([{"id":"a","type":"commentCard","date":"2024-03-05T14:07:09+02:00",
             "data":{"text":"hi","card":{"id":"c"}},"memberCreator":null}])")
        << QString();
    QTest::newRow("comment, author by id alone, author without a name, no date")
        << u"comments"_s
        << QByteArray(R"([{"id":"a","date":"2024-03-05T14:07:09Z","data":{"text":"hi"},"memberCreator":{"id":"m"}},
             {"id":"b","data":{"text":"edited"},"memberCreator":{"id":"m","username":null}}])")
        << QString();
    QTest::newRow("comment, author not an object")
        << u"comments"_s
        << QByteArray(R"([{"id":"a","date":"2024-03-05T14:07:09Z","data":{"text":"hi"},"memberCreator":"m"}])")
        << u"TrelloComment.memberCreator"_s;
    QTest::newRow("comment, data.text missing")
        << u"comments"_s
        << QByteArray(R"([{"id":"a","date":"2024-03-05T14:07:09Z","data":{"card":{}}}])")
        << u"TrelloComment.data: CommentData.text: required key is missing"_s;

    QTest::newRow("reaction, empty emoji and none")
        << u"reactions"_s
        << QByteArray(R"([{"id":"r1","idMember":"m","emoji":{}},{"id":"r2","idMember":"m"}])")
        << QString();

    QTest::newRow("checklist, nested items without idChecklist")
        << u"checklists"_s
        << QByteArray(R"([{"id":"k","name":"Todo","idCard":"c","pos":16384,
             "checkItems":[{"id":"i","name":"a","state":"incomplete","pos":17341.5}]}])")
        << QString();
    QTest::newRow("checklist, item idChecklist null stays strict")
        << u"checklists"_s
        << QByteArray(R"([{"id":"k","name":"T","idCard":"c","pos":1,"checkItems":[
             {"id":"i","name":"a","state":"complete","pos":1,"idChecklist":null}]}])")
        << u"TrelloCheckItem.idChecklist: required value is null"_s;

    QTest::newRow("attachment, bytes int, mimeType null, no date")
        << u"attachments"_s
        << QByteArray(R"([{"id":"a","name":"spec.pdf","url":"https://x/y","bytes":12,
             "mimeType":null,"isUpload":true,"previews":[]}])")
        << QString();
    // A type the program has no sentence for, and a creator named by its id alone, still decode:
    // one odd notification must not hide the others.
    QTest::newRow("notifications, unknown type and bare creator")
        << u"notifications"_s
        << QByteArray(R"([{"id":"n1","unread":true,"type":"reactionAdded","date":"2026-03-05T14:07:09.123Z",
             "data":{"card":{"id":"c","name":"Fix crash","idShort":4,"shortLink":"Ab"},"board":{"id":"b","name":"B"},
               "text":"wow","emoji":{"x":1}},"idMemberCreator":"m","memberCreator":{"id":"m"},"reactions":[]},
             {"id":"n2","unread":false,"type":"addedToBoard","date":"2026-03-05T14:07:09Z","data":{},
               "idMemberCreator":null}])")
        << QString();
    QTest::newRow("notification, unread as text")
        << u"notifications"_s
        << QByteArray(R"([{"id":"n","unread":"true","type":"commentCard","date":"2026-03-05T14:07:09Z"}])")
        << u"TrelloNotification.unread: expected a boolean"_s;
    QTest::newRow("notification, card without id")
        << u"notifications"_s
        << QByteArray(R"([{"id":"n","unread":true,"type":"commentCard","date":"2026-03-05T14:07:09Z",
             "data":{"card":{"name":"x"}}}])")
        << u"TrelloNotification.data: NotificationData.card: NotificationRef.id"_s;
    // The member's cards for reminders: every way of saying "no reminder" decodes; a reminder
    // that is not a whole number, or a card without its board, fails.
    QTest::newRow("member cards, reminders none and set")
        << u"memberCards"_s
        << QByteArray(R"([{"id":"c1","name":"a","due":"2026-03-05T14:07:09.123Z","dueComplete":false,
               "dueReminder":-1,"idBoard":"b","idList":"l","url":"https://trello.com/c/x/1-a"},
             {"id":"c2","name":"b","due":null,"dueReminder":null,"idBoard":"b","idList":"l"},
             {"id":"c3","name":"c","due":"2026-03-05T14:07:09Z","dueReminder":1440,"idBoard":"b","idList":"l"}])")
        << QString();
    QTest::newRow("member card, reminder as text")
        << u"memberCards"_s
        << QByteArray(R"([{"id":"c","name":"a","dueReminder":"15","idBoard":"b","idList":"l"}])")
        << u"TrelloMemberCard.dueReminder: expected an integer"_s;
    QTest::newRow("member card, reminder with a fraction")
        << u"memberCards"_s
        << QByteArray(R"([{"id":"c","name":"a","dueReminder":1.5,"idBoard":"b","idList":"l"}])")
        << u"TrelloMemberCard.dueReminder: expected an integer"_s;
    QTest::newRow("member card, board missing")
        << u"memberCards"_s << QByteArray(R"([{"id":"c","name":"a","idList":"l"}])")
        << u"TrelloMemberCard.idBoard: required key is missing"_s;
    QTest::newRow("not JSON") << u"cards"_s << QByteArray("<html>oops</html>")
                              << u"not valid JSON"_s;
    QTest::newRow("object where an array belongs")
        << u"cards"_s << QByteArray(R"({"id":"x"})") << u"expected an array"_s;
}

void TestDecoding::table()
{
    QFETCH(QString, record);
    QFETCH(QByteArray, json);
    QFETCH(QString, error);
    const auto decode = [&] {
        if (record == u"cards") {
            TrelloAPI::decode<QList<TrelloCard>>(json);
        } else if (record == u"boards") {
            TrelloAPI::decode<QList<TrelloBoard>>(json);
        } else if (record == u"member") {
            TrelloAPI::decode<TrelloMember>(json);
        } else if (record == u"comments") {
            TrelloAPI::decode<QList<TrelloComment>>(json);
        } else if (record == u"reactions") {
            TrelloAPI::decode<QList<TrelloReaction>>(json);
        } else if (record == u"checklists") {
            TrelloAPI::decode<QList<TrelloChecklist>>(json);
        } else if (record == u"attachments") {
            TrelloAPI::decode<QList<TrelloAttachment>>(json);
        } else if (record == u"notifications") {
            TrelloAPI::decode<QList<TrelloNotification>>(json);
        } else if (record == u"memberCards") {
            TrelloAPI::decode<QList<TrelloMemberCard>>(json);
        } else {
            QFAIL("unknown record");
        }
    };
    try {
        decode();
        QVERIFY2(error.isEmpty(), qPrintable(u"decoded, expected: "_s + error));
    } catch (const TrelloAPIError &e) {
        QCOMPARE(e.kind(), TrelloAPIError::Kind::DecodingFailed);
        QVERIFY2(!error.isEmpty(), qPrintable(e.errorDescription()));
        QVERIFY2(e.errorDescription().startsWith(u"Failed to decode Trello response: "_s),
                 qPrintable(e.errorDescription()));
        QVERIFY2(e.errorDescription().contains(error), qPrintable(e.errorDescription()));
    }
}

// The values that come out of a full card and a few others, where a slip would go unnoticed by
// the table.
void TestDecoding::values()
{
    const auto card = TrelloAPI::decode<QList<TrelloCard>>("[" + fullCard() + "]").first();
    QCOMPARE(card.pos, 140737488355328.0);
    QCOMPARE(card.due->toUTC(),
             QDateTime(QDate(2026, 3, 5), QTime(14, 7, 9, 123), Qt::UTC));
    QCOMPARE(card.labels->size(), 2);
    QCOMPARE(card.labels->at(0).color, u"green_dark"_s);
    QVERIFY(!card.labels->at(1).color.has_value());
    QCOMPARE(*card.labels->at(0).name, QString());
    QCOMPARE(card.badges->comments, 2);
    QCOMPARE(card.desc, u""_s);
    // Optional keys carry their values when present, and are absent (not empty) otherwise.
    QCOMPARE(card.url, std::optional(u"https://trello.com/c/abc/1-ship"_s));
    QCOMPARE(card.shortUrl, std::optional(u"https://trello.com/c/abc"_s));
    const auto bare = TrelloAPI::decode<QList<TrelloCard>>(
        R"([{"id":"c","name":"n","closed":false,"idList":"l","idBoard":"b","pos":1}])").first();
    QVERIFY(!bare.url.has_value() && !bare.shortUrl.has_value() && !bare.due.has_value());
    const auto member = TrelloAPI::decode<TrelloMember>(
        R"({"id":"m","username":"ada","fullName":"Ada L","avatarUrl":null})");
    QCOMPARE(member.fullName, std::optional(u"Ada L"_s));
    QVERIFY(!member.avatarUrl.has_value());
    QVERIFY(!TrelloAPI::decode<TrelloMember>(R"({"id":"m","username":"ada"})").fullName.has_value());

    const auto checklist = TrelloAPI::decode<QList<TrelloChecklist>>(
        R"([{"id":"k","name":"T","idCard":"c","pos":1,"checkItems":[
            {"id":"i","name":"a","state":"complete","pos":2.25},
            {"id":"j","name":"b","state":"incomplete","pos":3,"idChecklist":"other"}]}])");
    QCOMPARE(checklist[0].checkItems[0].idChecklist, u"k"_s);
    QCOMPARE(checklist[0].checkItems[0].pos, 2.25);
    QCOMPARE(checklist[0].checkItems[1].idChecklist, u"other"_s);

    const auto board = TrelloAPI::decode<QList<TrelloBoard>>(
        R"([{"id":"b","name":"n","closed":false,"url":"https://trello.com/b/x/n","shortUrl":"https://trello.com/b/x",
            "prefs":{"backgroundColor":null}}])");
    QCOMPARE(board[0].url, std::optional(u"https://trello.com/b/x/n"_s));
    QCOMPARE(board[0].shortUrl, std::optional(u"https://trello.com/b/x"_s));
    QVERIFY(board[0].prefs.has_value());
    QVERIFY(!board[0].prefs->backgroundColor.has_value());
    QVERIFY(!board[0].starred.has_value());

    // JavaScript writes numbers below 1e21 without an exponent, past what 64 bits hold.
    const auto list = TrelloAPI::decode<QList<TrelloList>>(
        R"([{"id":"l","name":"n","closed":false,"idBoard":"b","pos":18446744073709552000}])");
    QCOMPARE(list[0].pos, 18446744073709552000.0);
    const auto counted = TrelloAPI::decode<QList<TrelloCard>>(
        "[" + fullCard(R"(,"badges":{"checkItems":3.0,"checkItemsChecked":1e1,"comments":0})") +
        "]");
    const auto reminders = TrelloAPI::decode<QList<TrelloMemberCard>>(
        R"([{"id":"c","name":"a","dueReminder":60,"idBoard":"b","idList":"l"},
            {"id":"d","name":"b","idBoard":"b","idList":"l"}])");
    QCOMPARE(reminders[0].dueReminder, std::optional<qint64>(60));
    QVERIFY(!reminders[1].dueReminder.has_value());
    QCOMPARE(counted[0].badges->checkItems, 3);
    QCOMPARE(counted[0].badges->checkItemsChecked, 10);
}

// An answer of many records, with strings that repeat (the list, the board, a few colours)
// and more distinct ids than are converted once and shared: every record holds its own values.
void TestDecoding::manyRecords()
{
    const int count = 12000;
    QByteArray json = "[";
    for (int i = 0; i < count; ++i) {
        const QByteArray n = QByteArray::number(i);
        json += QByteArray(i ? "," : "") + R"({"id":"c)" + n +
                R"(","name":"n","closed":false,"idList":"list)" + QByteArray::number(i % 7) +
                R"(","idBoard":"board","pos":)" + n + R"(,"labels":[{"id":"label)" + n +
                R"(","color":"c)" + QByteArray::number(i % 5) + R"("}],"idLabels":["label)" + n +
                R"("]})";
    }
    json += "]";
    const auto cards = TrelloAPI::decode<QList<TrelloCard>>(json);
    QCOMPARE(cards.size(), count);
    for (int i = 0; i < count; ++i) {
        const TrelloCard &card = cards[i];
        const QString n = QString::number(i);
        QCOMPARE(card.id, u"c"_s + n);
        QCOMPARE(card.idList, u"list"_s + QString::number(i % 7));
        QCOMPARE(card.idBoard, u"board"_s);
        QCOMPARE(card.labels->at(0).id, u"label"_s + n);
        QCOMPARE(card.labels->at(0).color, u"c"_s + QString::number(i % 5));
        QCOMPARE(card.idLabels, QStringList{u"label"_s + n});
    }
    // Converted once: the records share the text.
    QCOMPARE(cards[0].idBoard.constData(), cards[count - 1].idBoard.constData());
}

// The parser reads past the end of the text: an answer that fills its buffer exactly, and one
// whose buffer holds stray bytes after it, read as the text alone.
void TestDecoding::bufferEdges()
{
    const QByteArray text = "[" + fullCard() + "]";
    const auto expected = TrelloAPI::decode<QList<TrelloCard>>(text);
    QCOMPARE(expected.size(), 1);

    const QByteArray exact = QByteArray::fromRawData(text.constData(), text.size());
    QCOMPARE(TrelloAPI::decode<QList<TrelloCard>>(exact), expected);

    QByteArray stray = text;
    stray.resize(text.size() + 200, ',');
    stray.resize(text.size() - 1); // the closing bracket is gone, the commas are still there
    QVERIFY_THROWS_EXCEPTION(TrelloAPIError, TrelloAPI::decode<QList<TrelloCard>>(stray));
    stray += ']';
    QCOMPARE(TrelloAPI::decode<QList<TrelloCard>>(stray), expected);
}

void TestDecoding::dates_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QDateTime>("expected");
    const QDateTime base(QDate(2024, 3, 5), QTime(14, 7, 9), Qt::UTC);
    QTest::newRow("milliseconds") << u"2024-03-05T14:07:09.123Z"_s << base.addMSecs(123);
    QTest::newRow("one fractional digit") << u"2024-03-05T14:07:09.5Z"_s << base.addMSecs(500);
    QTest::newRow("microseconds") << u"2024-03-05T14:07:09.123456Z"_s << base.addMSecs(123);
    QTest::newRow("no fraction") << u"2024-03-05T14:07:09Z"_s << base;
    QTest::newRow("negative offset") << u"2024-03-05T09:37:09.000-04:30"_s << base;
    QTest::newRow("no zone") << u"2024-03-05T14:07:09"_s << QDateTime();
    QTest::newRow("space separator") << u"2024-03-05 14:07:09Z"_s << QDateTime();
    QTest::newRow("offset without colon") << u"2024-03-05T14:07:09+0200"_s << QDateTime();
    QTest::newRow("empty fraction") << u"2024-03-05T14:07:09.Z"_s << QDateTime();
    QTest::newRow("month 13") << u"2024-13-05T14:07:09Z"_s << QDateTime();
    QTest::newRow("trailing text") << u"2024-03-05T14:07:09Zx"_s << QDateTime();
}

void TestDecoding::dates()
{
    QFETCH(QString, text);
    QFETCH(QDateTime, expected);
    try {
        const QDateTime parsed = parseServiceDate(text);
        QVERIFY2(expected.isValid(), "accepted a form the service never sends");
        QCOMPARE(parsed.toMSecsSinceEpoch(), expected.toMSecsSinceEpoch());
    } catch (const DecodeError &error) {
        QVERIFY2(!expected.isValid(), qPrintable(error.message()));
        QCOMPARE(error.message(), u"Unrecognized date format: "_s + text);
    }
}


QTEST_GUILESS_MAIN(TestDecoding)
#include "tst_decoding.moc"
