// SPDX-License-Identifier: MIT
// The store within the service's rate limits: showings in quick succession on a large board, a
// 429 in the middle of a refresh, and refreshes that overlap.
#include "StoreHarness.h"
#include "sandbox/Emulator.h"
#include "sandbox/Store.h"

#include <QElapsedTimer>

using namespace Qt::StringLiterals;
using namespace harness;
using Clock = std::chrono::steady_clock;

class TestRateLimits : public QObject {
    Q_OBJECT
private slots:
    void init();
    void showingsInABurst();
    void limitedMidRefresh();
    void overlappingRefreshesJoin();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

namespace {
std::unique_ptr<AppState> storeFor(const sandbox::Emulator &service, const QTemporaryDir &dir)
{
    return makeStore({q(service.baseUrl()), q(service.apiKey()), q(service.token()), {}}, dir);
}

// Adds a card at the bottom of a list on the service itself, as someone in the browser would.
std::string addCardOnService(sandbox::Emulator &service, const std::string &listId,
                             const std::string &name)
{
    std::string id;
    service.edit([&](sandbox::store::Store &store) {
        id = store.addCard(listId, name, {}, QDateTime::currentDateTimeUtc()).id;
    });
    return id;
}

// Does the store hold the list's cards as the service has them?
bool current(const AppState &state, const sandbox::Emulator &service, const QString &listID)
{
    QStringList expected;
    for (const auto &[id, pos] : service.cardPositions(listID.toStdString())) {
        expected.append(q(id));
    }
    return ids(state.cards()->cards().value(listID)) == expected;
}

// The most requests the service received within any window of this length.
qsizetype busiestWindow(const std::vector<sandbox::RecordedRequest> &requests,
                        std::chrono::milliseconds window)
{
    qsizetype most = 0;
    for (std::size_t i = 0; i < requests.size(); ++i) {
        qsizetype within = 0;
        for (const auto &other : requests) {
            within += other.receivedAt <= requests[i].receivedAt &&
                      requests[i].receivedAt - other.receivedAt < window;
        }
        most = std::max(most, within);
    }
    return most;
}

qsizetype count(const std::vector<sandbox::RecordedRequest> &requests,
                const std::string &pathPattern, Clock::time_point from = Clock::time_point::min())
{
    const std::regex pattern(pathPattern);
    return std::count_if(requests.begin(), requests.end(), [&](const auto &r) {
        return r.receivedAt >= from && std::regex_match(r.path, pattern);
    });
}

qsizetype rateEntries(const AppState &state)
{
    const auto &entries = state.errors()->entries();
    return std::count_if(entries.begin(), entries.end(), [](const ErrorLog::Entry &e) {
        return e.kind == ErrorLog::Kind::RateLimited;
    });
}
} // namespace

void TestRateLimits::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
}

// Ten showings in two seconds with the 30-list board open (and loaded just before): the one
// refresh the token's budget still allows, which later showings join while it runs, then exactly
// one more as soon as the window lets it, no 429 at any point, and a change made on the service
// during the burst is on screen within one window after it. (In a build slow enough that the
// first refresh outlasts the burst, every showing joins it and none is left for later.)
void TestRateLimits::showingsInABurst()
{
    sandbox::Options options;
    options.seed = sandbox::Seed::Large;
    options.rateLimits = sandbox::RateLimits{};
    sandbox::Emulator service(options);
    QVERIFY(service.start() > 0);
    auto state = storeFor(service, *m_dir);
    const QString board = state->boards()->boards().first().id;
    state->setActiveBoardID(board);
    await(state->refreshVisible());
    const std::string lastList = service.listId(board.toStdString(), "List 30");

    const auto burstStart = Clock::now();
    const Operation first = state->refreshVisible();
    Operation last = first;
    bool firstEndedInBurst = false; // before the last showing
    for (int showing = 1; showing <= 10; ++showing) {
        if (showing > 1) {
            firstEndedInBurst = first.isFinished();
            last = state->refreshVisible();
        }
        if (showing == 5) {
            addCardOnService(service, lastList, "Added during the burst");
        }
        QTest::qWait(200);
    }
    const auto burstEnd = Clock::now();
    QElapsedTimer sinceBurst;
    sinceBurst.start();
    while (!current(*state, service, q(lastList)) && sinceBurst.elapsed() < 10000) {
        QTest::qWait(50);
    }
    QVERIFY2(current(*state, service, q(lastList)),
             qPrintable(u"not current %1 ms after the burst"_s.arg(sinceBurst.elapsed())));
    await(last);
    QVERIFY(last.outcome().ok);

    const auto requests = service.requests();
    QVERIFY(std::none_of(requests.begin(), requests.end(),
                         [](const auto &r) { return r.status == 429; }));
    QVERIFY(busiestWindow(requests, std::chrono::milliseconds(10000)) <= 100);
    // One refresh sends one request for the board's lists: the first showing's, and the one
    // left waiting for the window, if a showing came after the first had ended.
    QCOMPARE(count(requests, "/1/boards/.*/lists", burstStart), firstEndedInBurst ? 2 : 1);
    QCOMPARE(count(requests, "/1/boards/.*/lists", burstEnd), firstEndedInBurst ? 1 : 0);
    QCOMPARE(state->boards()->lists().value(board).size(), 30);
    QVERIFY(state->errors()->entries().empty()); // nothing was refused, not even by the client
    QVERIFY(state->cards()->loadingCards().isEmpty());
}

// A 429 in the middle of a refresh: the rest of it is not sent, the banner says so once however
// many requests are turned away, nothing reaches the service until the window (the one the 429's
// headers give) has passed, and then one refresh brings the board up to date and clears it.
void TestRateLimits::limitedMidRefresh()
{
    sandbox::Options options;
    options.seed = sandbox::Seed::Large;
    sandbox::Emulator service(options);
    QVERIFY(service.start() > 0);
    auto state = storeFor(service, *m_dir);
    const QString board = state->boards()->boards().first().id;
    state->setActiveBoardID(board);
    // What one refresh of this board takes on this machine: the checked build is several times
    // slower than the plain one.
    const auto refreshStart = Clock::now();
    await(state->refreshVisible());
    const auto refreshTime = Clock::now() - refreshStart;
    const auto lists = state->boards()->lists().value(board);

    sandbox::Response limited = sandbox::Response::json(
        R"({"error":"API_TOKEN_LIMIT_EXCEEDED","message":"Rate limit exceeded"})", 429);
    limited.headers = {{"X-Rate-Limit-Api-Token-Interval-Ms", "1500"},
                       {"X-Rate-Limit-Api-Token-Max", "100"},
                       {"X-Rate-Limit-Api-Token-Remaining", "0"}};
    service.injectFault("GET", "/1/lists/" + lists[5].id.toStdString() + "/cards", limited);
    service.clearRequests();
    const Outcome outcome = await(state->refreshVisible());
    const auto limitedAt = Clock::now();
    QVERIFY(!outcome.ok);
    QCOMPARE(outcome.error, u"The service is limiting requests; trying again in 2 s"_s);
    QCOMPARE(count(service.requests(), "/1/lists/.*/cards"), 6); // lists 0-4, then the 429

    // During the pause: showings, a card and a refresh of one list are all turned away at once,
    // without a request, and the banner and the log say it once.
    addCardOnService(service, lists[0].id.toStdString(), "Added during the pause");
    const Operation later = state->refreshVisible();
    QVERIFY(!later.isFinished());
    QVERIFY(state->refreshVisible().isFinished() == false);
    const Outcome create = await(state->cards()->createCard(lists[1].id, u"Refused"_s));
    QVERIFY(!create.ok);
    await(state->cards()->refreshCards(lists[2].id));
    QCOMPARE(service.requests().size(), size_t(10)); // boards, lists, labels, members
    QCOMPARE(rateEntries(*state), 1);
    QCOMPARE(state->errorMessage(), u"The service is limiting requests; trying again in 2 s"_s);
    QVERIFY(state->cards()->loadingCards().isEmpty());

    // Then one refresh as soon as the window has passed (1.5 s, and the client's margin of half
    // a second), which brings the new card and clears the banner.
    await(later);
    QVERIFY(later.outcome().ok);
    QVERIFY(current(*state, service, lists[0].id));
    QVERIFY(!state->errors()->message());
    const auto requests = service.requests();
    QCOMPARE(count(requests, "/1/members/me/boards"), 2);
    const auto resumed = std::find_if(requests.begin(), requests.end(), [&](const auto &r) {
        return r.receivedAt > limitedAt;
    });
    QVERIFY(resumed != requests.end());
    const auto pause = resumed->receivedAt - limitedAt;
    // Its first request not before the window's end, nor later than a timer that fires late
    // on a busy machine (as long as a refresh here) would make it.
    const auto lateness = std::max<Clock::duration>(refreshTime, std::chrono::milliseconds(500));
    QVERIFY2(pause >= std::chrono::milliseconds(1400) &&
                 pause < std::chrono::milliseconds(2000) + lateness,
             qPrintable(u"resumed after %1 ms; a refresh takes %2 ms"_s
                            .arg(std::chrono::duration_cast<std::chrono::milliseconds>(pause).count())
                            .arg(std::chrono::duration_cast<std::chrono::milliseconds>(refreshTime).count())));
}

// A showing while a refresh of the same board runs joins it; with another board open it runs
// once the first one has ended.
void TestRateLimits::overlappingRefreshesJoin()
{
    sandbox::Emulator service;
    QVERIFY(service.start() > 0);
    auto state = storeFor(service, *m_dir);
    const QString first = state->boards()->boards()[0].id;
    const QString second = state->boards()->boards()[1].id;
    state->setActiveBoardID(first);
    await(state->refreshVisible());
    const int cost = state->refreshCost();
    service.clearRequests();
    service.setLatency(std::chrono::milliseconds(20));

    const Operation a = state->refreshVisible();
    const Operation b = state->refreshVisible();
    await(b);
    QVERIFY(a.isFinished());
    QCOMPARE(qsizetype(service.requests().size()), qsizetype(cost));

    service.clearRequests();
    const Operation running = state->refreshVisible();
    state->setActiveBoardID(second);
    const Operation queued = state->refreshVisible();
    QVERIFY(state->refreshVisible().isFinished() == false);
    await(queued);
    QVERIFY(running.isFinished());
    const auto requests = service.requests();
    const std::string secondLists = "/1/boards/" + second.toStdString() + "/lists";
    QCOMPARE(count(requests, "/1/members/me/boards"), 2);
    QCOMPARE(count(requests, secondLists), 1);
    // The second board's refresh began after the first one's last answer.
    const auto secondStart = std::find_if(requests.begin(), requests.end(),
                                          [&](const auto &r) { return r.path == secondLists; });
    QVERIFY(std::all_of(requests.begin(), secondStart, [&](const auto &r) {
        return r.path.find(second.toStdString()) == std::string::npos;
    }));
    QVERIFY(state->boards()->lists().contains(second));
}

QTEST_GUILESS_MAIN(TestRateLimits)
#include "tst_rate_limits.moc"
