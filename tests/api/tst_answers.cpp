// SPDX-License-Identifier: MIT
// How the client reads what comes back: statuses, empty and odd bodies, error texts.
#include "ApiHarness.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace harness;

class TestAnswers : public QObject {
    Q_OBJECT
private slots:
    void statusAndBody_data();
    void statusAndBody();
    void jsonSyntax_data();
    void jsonSyntax();
};

namespace {
QString run(TrelloAPI &api, const QString &operation)
{
    if (operation == u"deleteCard") {
        return await(api.deleteCard(u"c1"_s)).error;
    }
    if (operation == u"archiveList") {
        return await(api.archiveList(u"l1"_s)).error;
    }
    if (operation == u"createCard") {
        return await(api.createCard(u"l1"_s, u"n"_s)).error;
    }
    if (operation == u"fetchCards") {
        return await(api.fetchCards(u"l1"_s)).error;
    }
    return u"unknown operation "_s + operation;
}

QByteArray longErrorPage()
{
    QByteArray page = "<!DOCTYPE html>\n<html><head><title>502 Bad Gateway</title></head><body>\n";
    for (int i = 0; page.size() < 200 * 1024; ++i) {
        page += "<p>upstream line " + QByteArray::number(i) + ": connect() failed</p>\n";
    }
    return page + "<!-- end of page --></body></html>\n";
}
} // namespace

// Each row: an operation, what the server answers, and the message ("" for success). A
// message ending in "…" only has to start with the text before it.
void TestAnswers::statusAndBody_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("contentType");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("message");
    const QByteArray json = "application/json; charset=utf-8";
    const QByteArray text = "text/plain; charset=utf-8";
    const QString decodeFailed = u"Failed to decode Trello response: …"_s;

    // Operations without a result never look at the body (for bodies of the wrong kind, see
    // the fault matrix).
    QTest::newRow("204, no result") << u"deleteCard"_s << 204 << json << QByteArray() << QString();
    // Operations with a result need one.
    QTest::newRow("204, record expected")
        << u"createCard"_s << 204 << json << QByteArray() << decodeFailed;
    // A 429 without the limit headers pauses for the service's usual window.
    QTest::newRow("429 JSON body")
        << u"archiveList"_s << 429 << json
        << QByteArray(R"({"error":"API_TOKEN_LIMIT_EXCEEDED","message":"Rate limit exceeded"})")
        << u"The service is limiting requests; trying again in 11 s"_s;
    // Failures carry the body as it came, unshortened.
    QTest::newRow("400 empty body")
        << u"createCard"_s << 400 << text << QByteArray() << u"Trello API request failed (400): "_s;
    QTest::newRow("500 non-UTF-8 body")
        << u"deleteCard"_s << 500 << QByteArray("application/octet-stream")
        << QByteArray("\xff\xfe\x00\x80 oops", 9) << u"Trello API request failed (500): <binary>"_s;
    QTest::newRow("500 truncated UTF-8") << u"fetchCards"_s << 500 << text << QByteArray("caf\xc3")
                                         << u"Trello API request failed (500): <binary>"_s;
    QTest::newRow("502 long HTML page kept whole")
        << u"fetchCards"_s << 502 << QByteArray("text/html") << longErrorPage()
        << u"Trello API request failed (502): "_s + QString::fromUtf8(longErrorPage());
    QTest::newRow("403 non-ASCII text")
        << u"createCard"_s << 403 << text << QByteArray("zugriff verweigert – ✗")
        << u"Trello API request failed (403): zugriff verweigert – ✗"_s;
}

void TestAnswers::statusAndBody()
{
    QFETCH(QString, operation);
    QFETCH(int, status);
    QFETCH(QByteArray, contentType);
    QFETCH(QByteArray, body);
    QFETCH(QString, message);

    Rig rig;
    sandbox::Response response;
    response.status = status;
    response.body = body.toStdString();
    response.contentType = contentType.toStdString();
    for (const char *method : {"GET", "POST", "PUT", "DELETE"}) {
        rig.server->route(method, ".*", response);
    }
    const QString error = run(*rig.api, operation);
    if (message.endsWith(u'…')) {
        QVERIFY2(error.startsWith(message.chopped(1)), qPrintable(error));
        QVERIFY2(error.size() > message.size(), "the underlying problem is described");
    } else {
        QCOMPARE(error, message);
    }
    QCOMPARE(rig.server->requests().size(), size_t(1));
}

// The decoder's own JSON reader: strict about syntax, exact about what strings hold.
void TestAnswers::jsonSyntax_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QString>("expected"); // the decoded name; empty: the answer is refused
    // A one-card answer around the given JSON text for the name.
    const auto card = [](const QByteArray &name) -> QByteArray {
        return R"( [ {"id":"c","closed":false,"idList":"l","idBoard":"b","pos":-1.5e3,)"
               R"("name":)" +
               name + "} ]\r\n";
    };
    QTest::newRow("escapes") << card(R"("caf\u00e9 \"q\" \\ \/ \t\n \ud83d\ude00")")
                             << u"café \"q\" \\ / \t\n 😀"_s;
    QTest::newRow("raw UTF-8") << card("\"Ünïcødé ✓ 🚀\"") << u"Ünïcødé ✓ 🚀"_s;
    QTest::newRow("last duplicate wins") << card(R"("first","name":"second")") << u"second"_s;
    QTest::newRow("single quotes") << card("'x'") << QString();
    QTest::newRow("control character") << card("\"a\tb\"") << QString();
    QTest::newRow("invalid UTF-8") << card("\"caf\xc3\"") << QString();
    QTest::newRow("overlong UTF-8") << card("\"\xc0\xaf\"") << QString();
    QTest::newRow("UTF-16 surrogate in UTF-8") << card("\"\xed\xa0\x80\"") << QString();
    QTest::newRow("bad escape") << card(R"("\x41")") << QString();
    QTest::newRow("short unicode escape") << card(R"("\u00e")") << QString();
    QTest::newRow("unterminated string") << QByteArray(R"([{"id":"c","name":"abc)") << QString();
    QTest::newRow("trailing comma") << card(R"("x",)") << QString();
    QTest::newRow("missing colon") << QByteArray(R"([{"id" "c"}])") << QString();
    QTest::newRow("text after the value") << card(R"("x")") + "[]" << QString();
    QTest::newRow("leading zero") << QByteArray(R"([{"pos":01}])") << QString();
    QTest::newRow("bare fraction") << QByteArray(R"([{"pos":.5}])") << QString();
    QTest::newRow("NaN") << QByteArray(R"([{"pos":NaN}])") << QString();
    QTest::newRow("huge exponent") << QByteArray(R"([{"pos":1e999}])") << QString();
    QTest::newRow("truncated literal") << QByteArray(R"([{"closed":tru}])") << QString();
    QTest::newRow("nested 100000 deep") << QByteArray(100000, '[') << QString();
    // The whole answer is checked, values no record reads included.
    QTest::newRow("bad literal in a skipped value")
        << card(R"("x","cover":{"size":tru})") << QString();
    QTest::newRow("invalid UTF-8 in a skipped key") << card("\"x\",\"c\xc3\":1") << QString();
    QTest::newRow("control character in a skipped value")
        << card("\"x\",\"email\":\"a\x01\"") << QString();
    // Valid JSON that JavaScript writes: integers past 64 bits (numbers below 1e21 have no
    // exponent) and half a surrogate pair, which is read as U+FFFD.
    QTest::newRow("integers past 64 bits")
        << card(R"("x","idShort":123456789012345678901234567890,"n":-9223372036854775809)")
        << u"x"_s;
    QTest::newRow("lone surrogate escapes")
        << card(R"("a\ud800b\udc00\ud83d\ude00")") << u"a\ufffdb\ufffd😀"_s;
    QTest::newRow("lone surrogate beside a bad escape") << card(R"("\ud800\x41")") << QString();
    QTest::newRow("big integer beside a bad number")
        << card(R"("x","a":123456789012345678901234567890,"b":1e999)") << QString();
}

void TestAnswers::jsonSyntax()
{
    QFETCH(QByteArray, answer);
    QFETCH(QString, expected);
    try {
        const auto cards = TrelloAPI::decode<QList<TrelloCard>>(answer);
        QVERIFY2(!expected.isEmpty(), "accepted text that is not JSON of a card list");
        QCOMPARE(cards.value(0).name, expected);
        QCOMPARE(cards.value(0).pos, -1500.0);
    } catch (const TrelloAPIError &error) {
        QVERIFY2(expected.isEmpty(), qPrintable(error.errorDescription()));
        QVERIFY(error.errorDescription().startsWith(u"Failed to decode Trello response: "_s));
    }
}

QTEST_GUILESS_MAIN(TestAnswers)
#include "tst_answers.moc"
