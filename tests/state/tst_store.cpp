// SPDX-License-Identifier: MIT
// The store's core against the service emulation: start-up, credentials, the board list,
// errors, loading flags, the persisted panel width and texts too long for a URL.
#include "StoreHarness.h"
#include "sandbox/Emulator.h"

#include <QSignalSpy>

using namespace Qt::StringLiterals;
using namespace harness;

class TestStore : public QObject {
    Q_OBJECT
private slots:
    void init();
    void startupWithoutCredentials();
    void savingDraftCredentials();
    void clearingCredentials();
    void boardOrder();
    void expandedSurvivesRestart();
    void longTextSaves();

private:
    std::unique_ptr<sandbox::Emulator> m_service;
    std::unique_ptr<QTemporaryDir> m_dir;
    StoreOptions options(bool withCredentials = true) const
    {
        StoreOptions o{q(m_service->baseUrl()), {}, {}, {}};
        if (withCredentials) {
            o.key = q(m_service->apiKey());
            o.token = q(m_service->token());
        }
        return o;
    }
};

void TestStore::init()
{
    m_service = std::make_unique<sandbox::Emulator>();
    QVERIFY(m_service->start() > 0);
    m_dir = std::make_unique<QTemporaryDir>();
}

void TestStore::startupWithoutCredentials()
{
    auto state = makeStore(options(false), *m_dir);
    QVERIFY(!state->session()->hasCredentials());
    QVERIFY(state->boards()->boards().isEmpty());
    QVERIFY(!state->errors()->message());
    QVERIFY(m_service->requests().empty());
    // Without credentials the loads return before touching anything.
    await(state->boards()->refreshBoards());
    await(state->boards()->refreshLists(u"b"_s));
    QVERIFY(m_service->requests().empty());
    QVERIFY(state->boards()->loadingLists().isEmpty());
}

void TestStore::savingDraftCredentials()
{
    auto state = makeStore(options(false), *m_dir);
    QSignalSpy validating(state->session(), &SessionArea::isValidatingCredentialsChanged);
    // A draft without a token does nothing at all.
    state->session()->setCredentialsDraftKey(q(m_service->apiKey()));
    state->session()->setCredentialsDraftToken(u"   "_s);
    await(state->session()->saveDraftCredentials());
    QCOMPARE(validating.count(), 0);
    QVERIFY(state->session()->credentialsStatus().isEmpty());
    QVERIFY(!state->session()->hasCredentials());
    QVERIFY(m_service->requests().empty());

    // A complete one is trimmed, checked once, and connects.
    state->session()->setCredentialsDraftKey(u"  "_s + q(m_service->apiKey()) + u"\n"_s);
    state->session()->setCredentialsDraftToken(u"\t"_s + q(m_service->token()) + u" "_s);
    await(state->session()->saveDraftCredentials());
    QCOMPARE(state->session()->apiKey(), q(m_service->apiKey()));
    QCOMPARE(state->session()->token(), q(m_service->token()));
    QVERIFY(state->session()->credentialsStatus().startsWith(u"Connected as "_s));
    QVERIFY(state->session()->credentialsStatus().endsWith(u"."_s));
    QVERIFY(!state->session()->credentialsStatusIsError());
    QVERIFY(!state->session()->isValidatingCredentials());
    QCOMPARE(validating.count(), 2);
    QVERIFY(!state->boards()->boards().isEmpty());
    // The trimmed key went out, not the typed one.
    QCOMPARE(m_service->requests().front().queryValue("key").value_or(""), m_service->apiKey());
}

void TestStore::clearingCredentials()
{
    auto state = makeStore(options(), *m_dir);
    // Connected at the start, the boards in order: starred first.
    QVERIFY(state->session()->member().has_value());
    QCOMPARE(state->boards()->model()->count(), state->boards()->boards().size());
    QVERIFY(state->boards()->boards().first().starred.value_or(false));
    const QString boardID = state->boards()->boards().first().id;
    state->setActiveBoardID(boardID);
    await(state->boards()->refreshLists(boardID));
    QVERIFY(state->boards()->lists().contains(boardID));

    state->session()->clearCredentials();
    QCOMPARE(state->session()->credentialsStatus(), u"Disconnected."_s);
    QVERIFY(!state->session()->hasCredentials());
    QVERIFY(!state->session()->member().has_value());
    QVERIFY(state->boards()->boards().isEmpty());
    QCOMPARE(state->boards()->model()->count(), 0);
    QVERIFY(!state->boards()->lists().contains(boardID));
    QVERIFY(!state->boards()->listsModel(boardID)->isLoaded());
    QVERIFY(state->activeBoardID().isEmpty());
    QVERIFY(state->session()->credentialsDraftKey().isEmpty());

    m_service->clearRequests();
    await(state->boards()->refreshBoards());
    await(state->refreshVisible());
    QVERIFY(m_service->requests().empty());

    // An operation that does not check first fails with the client's message.
    await(state->boards()->createBoard(u"New"_s));
    QCOMPARE(state->errorMessage(),
             u"Trello API key and token are required. Open Settings to configure."_s);
    QVERIFY(m_service->requests().empty());
}

void TestStore::boardOrder()
{
    const auto board = [](const char *id, const QString &name, std::optional<bool> starred) {
        TrelloBoard b;
        b.id = QString::fromLatin1(id);
        b.name = name;
        b.starred = starred;
        return b;
    };
    const auto sorted = BoardsArea::sortBoards({
        board("1", u"beta"_s, false),
        board("2", u"Alpha"_s, std::nullopt),
        board("3", u"zeta"_s, true),
        board("4", u"Board 2"_s, false),
        board("5", u"Board 10"_s, false),
        board("6", u"same"_s, false),
        board("7", u"Same"_s, false),
        board("8", u"ÉCLAIR"_s, false), // lower-cases to é (U+00E9): after every ASCII letter
        board("9", u"zulu"_s, false),
        board("10", u"İstanbul"_s, false), // full mapping: i + combining dot, before "j"
    });
    QCOMPARE(ids(sorted), (QStringList{u"3"_s, u"2"_s, u"1"_s, u"5"_s, u"4"_s, u"10"_s,
                                       u"6"_s, u"7"_s, u"9"_s, u"8"_s}));
}

void TestStore::expandedSurvivesRestart()
{
    auto o = options(false);
    o.settingsFile = m_dir->filePath(u"shared.ini"_s);
    {
        auto state = makeStore(o, *m_dir);
        QVERIFY(!state->isExpanded());
        state->setExpanded(true);
    }
    auto restarted = makeStore(o, *m_dir);
    QVERIFY(restarted->isExpanded());
    QSettings stored(o.settingsFile, QSettings::IniFormat);
    QCOMPARE(stored.value(u"MenuBarIsExpanded"_s).toBool(), true);
}

// The service refuses URLs over about 8 KB (414), and 3,000 Cyrillic or CJK letters are
// 18,000 or 27,000 bytes percent-encoded: such a description or comment goes in a form body.
// The key and token stay in the query, and a short text stays there too.
void TestStore::longTextSaves()
{
    sandbox::Emulator &e = *m_service;
    auto state = makeStore(options(), *m_dir);
    const std::string list = e.listId(e.boardId("Product Roadmap"), "In Progress");
    const QString card = q(e.cardId(list, "Comment reactions"));
    await(state->cards()->refreshCards(q(list)));
    QString desc;
    while (desc.size() < 3000) {
        desc += u"Съешь же ещё этих мягких булок. "_s;
    }
    desc.truncate(3000);
    const QString comment = QString(2999, QChar(0x6F22)) + u"&"_s;

    const Outcome saved = await(state->cards()->updateCard(card, {{u"desc"_s, desc}}));
    QVERIFY2(saved.ok, qPrintable(saved.error));
    QCOMPARE(saved.value.value<TrelloCard>().desc, desc);
    const Outcome commented = await(state->comments()->addComment(card, comment));
    QVERIFY2(commented.ok, qPrintable(commented.error));
    QCOMPARE(state->comments()->comments().value(card).first().data.text, comment);
    const Outcome shortOne = await(state->cards()->updateCard(card, {{u"desc"_s, u"kurz"_s}}));
    QVERIFY2(shortOne.ok, qPrintable(shortOne.error));

    std::vector<sandbox::RecordedRequest> writes;
    for (const auto &request : e.requests()) {
        if (request.method != "GET") {
            writes.push_back(request);
        }
    }
    QCOMPARE(writes.size(), size_t(3));
    const std::string credentials = "key=" + e.apiKey() + "&token=" + e.token();
    for (const auto &request : {writes[0], writes[1]}) {
        QCOMPARE(request.rawQuery, credentials);
        QCOMPARE(request.header("content-type"), "application/x-www-form-urlencoded");
    }
    const auto &last = writes[2];
    QCOMPARE(last.queryValue("desc"), std::optional<std::string>("kurz"));
    QVERIFY(last.body.empty());
    QVERIFY(!state->errors()->message());
}

QTEST_GUILESS_MAIN(TestStore)
#include "tst_store.moc"
