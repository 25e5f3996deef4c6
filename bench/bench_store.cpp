// SPDX-License-Identifier: MIT
// The store's own costs: applying reloads to the views' models, ordering boards, moving and
// reloading cards in a 5,000-card list, and how much the client adds to a full refresh on
// top of the service's latency.
#include "platform/CredentialStore.h"
#include "platform/KeychainHelper.h"
#include "sandbox/Emulator.h"
#include "sandbox/LoopbackServer.h"
#include "sandbox/Store.h"
#include "state/AppState.h"

#include <QCoreApplication>
#include <QCoroTask>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <malloc.h>

using namespace Qt::StringLiterals;

namespace {
template <typename Awaitable> void await(Awaitable op)
{
    QCoro::waitFor([](Awaitable o) -> QCoro::Task<> { co_await o; }(std::move(op)));
}

TrelloCard makeCard(int i)
{
    TrelloCard c;
    c.id = u"%1"_s.arg(i, 24, 10, QLatin1Char('0'));
    c.name = u"Card number %1 with a realistic title"_s.arg(i);
    c.idList = u"list"_s;
    c.idBoard = u"board"_s;
    c.pos = 65536.0 * (i + 1);
    c.badges = CardBadges{3, 1, 2};
    c.idLabels = QStringList{u"label-a"_s, u"label-b"_s};
    return c;
}

std::unique_ptr<AppState> makeStore(const std::string &baseUrl, const std::string &key,
                                    const std::string &token, const QTemporaryDir &dir)
{
    AppState::Dependencies deps;
    auto credentials = std::make_unique<MemoryCredentialStore>();
    QCoro::waitFor(credentials->save(KeychainHelper::ApiKeyAccount, QString::fromStdString(key)));
    QCoro::waitFor(credentials->save(KeychainHelper::TokenAccount, QString::fromStdString(token)));
    deps.credentials = std::move(credentials);
    deps.settings = std::make_unique<QSettings>(dir.filePath(u"p.ini"_s), QSettings::IniFormat);
    deps.loginItem.reset();
    deps.baseURL = QUrl(QString::fromStdString(baseUrl));
    auto state = std::make_unique<AppState>(std::move(deps));
    await(state->startup());
    return state;
}

std::string cardsAnswer(int count)
{
    QJsonArray cards;
    for (int i = 0; i < count; ++i) {
        cards.append(QJsonObject{{u"id"_s, u"%1"_s.arg(i, 24, 10, QLatin1Char('0'))},
                                 {u"name"_s, u"Card %1"_s.arg(i)},
                                 {u"closed"_s, false},
                                 {u"idList"_s, u"big"_s},
                                 {u"idBoard"_s, u"b"_s},
                                 {u"pos"_s, 65536.0 * (i + 1)},
                                 {u"badges"_s, QJsonObject{{u"checkItems"_s, 0},
                                                           {u"checkItemsChecked"_s, 0},
                                                           {u"comments"_s, 1}}}});
    }
    return QJsonDocument(cards).toJson(QJsonDocument::Compact).toStdString();
}
} // namespace

static void BM_KeyedModelReplace5000WithOneChange(benchmark::State &state)
{
    QList<TrelloCard> cards;
    for (int i = 0; i < 5000; ++i) {
        cards.append(makeCard(i));
    }
    KeyedListModel model(QMetaType::fromType<TrelloCard>());
    model.replace(cards);
    int round = 0;
    for (auto _ : state) {
        cards[2500].name = u"Edited %1"_s.arg(++round);
        model.replace(cards);
    }
    state.SetItemsProcessed(state.iterations() * 5000);
}
BENCHMARK(BM_KeyedModelReplace5000WithOneChange)->Unit(benchmark::kMillisecond);

static void BM_SortBoards1000(benchmark::State &state)
{
    QList<TrelloBoard> boards;
    for (int i = 0; i < 1000; ++i) {
        TrelloBoard b;
        b.id = QString::number(i);
        b.name = (i % 3 ? u"Project "_s : u"ärchive "_s) + QString::number((i * 7919) % 1000);
        b.starred = i % 17 == 0;
        boards.append(b);
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(BoardsArea::sortBoards(boards));
    }
}
BENCHMARK(BM_SortBoards1000)->Unit(benchmark::kMicrosecond);

// A 5,000-card list served by a scripted loopback server: the store's cost of one optimistic
// move (local update, request, answer applied) and of one full reload of the list.
static void BM_CardsIn5000CardList(benchmark::State &state)
{
    QTemporaryDir dir;
    sandbox::LoopbackServer server;
    server.start();
    server.route("GET", "/1/members/me",
                 sandbox::Response::json(R"({"id":"m","username":"bench"})"));
    server.route("GET", "/1/members/me/boards", sandbox::Response::json("[]"));
    server.route("GET", "/1/lists/big/cards", sandbox::Response::json(cardsAnswer(5000)));
    server.route("PUT", "/1/cards/.*",
                 sandbox::Response::json(R"({"id":"000000000000000000002500","name":"Card 2500",
                     "closed":false,"idList":"big","idBoard":"b","pos":1.5})"));
    auto store = makeStore(server.baseUrl(), "benchkey", "benchtoken", dir);
    await(store->cards()->refreshCards(u"big"_s));
    store->cards()->cardsModel(u"big"_s); // a column is showing
    const bool move = state.range(0) == 0;
    for (auto _ : state) {
        if (move) {
            await(store->cards()->moveCard(u"000000000000000000002500"_s, u"big"_s,
                                  u"000000000000000000000001"_s));
        } else {
            await(store->cards()->refreshCards(u"big"_s));
        }
    }
    state.SetLabel(move ? "moveCard" : "refreshCards");
}
BENCHMARK(BM_CardsIn5000CardList)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// refreshVisible on the large seed (30 lists x 200 cards) with 20 ms of latency per request:
// boards, lists, labels and members together, then each list's cards one after another. The
// ratio of wall time to the latency the requests had to wait for is the client's overhead.
static void BM_RefreshVisibleLargeSeed(benchmark::State &state)
{
    QTemporaryDir dir;
    sandbox::Options options;
    options.seed = sandbox::Seed::Large;
    options.rateLimits.reset(); // measures the client's own speed, not the service's limits
    sandbox::Emulator service(options);
    service.start();
    auto store = makeStore(service.baseUrl(), service.apiKey(), service.token(), dir);
    const QString board = store->boards()->boards().first().id;
    store->setActiveBoardID(board);
    await(store->refreshVisible());
    const int latency = int(state.range(0));
    service.setLatency(std::chrono::milliseconds(latency));
    double ratio = 0;
    for (auto _ : state) {
        service.clearRequests();
        QElapsedTimer timer;
        timer.start();
        await(store->refreshVisible());
        const double wall = double(timer.elapsed());
        state.counters["requests"] = double(service.requests().size());
        const double lists = double(store->boards()->lists().value(board).size());
        const double waited = latency * (3 + lists); // labels and members overlap
        ratio = waited > 0 ? wall / waited : 0;
        state.SetIterationTime(wall / 1000.0);
    }
    state.counters["wall_to_latency"] = ratio;
}
// Arg(0) shows what the sandbox and the client cost together without any latency.
BENCHMARK(BM_RefreshVisibleLargeSeed)->Arg(20)->Arg(0)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

// After a 429 in the middle of a refresh on the large seed, with the service's own limits and
// window (10 s): how long until the board is current again, counted from the refusal. The client
// sends nothing meanwhile and one refresh runs when the window has passed.
static void BM_CurrentAgainAfter429(benchmark::State &state)
{
    QTemporaryDir dir;
    sandbox::Options options;
    options.seed = sandbox::Seed::Large;
    options.rateLimits = sandbox::RateLimits{};
    sandbox::Emulator service(options);
    service.start();
    auto store = makeStore(service.baseUrl(), service.apiKey(), service.token(), dir);
    const QString board = store->boards()->boards().first().id;
    store->setActiveBoardID(board);
    await(store->refreshVisible());
    const QList<TrelloList> lists = store->boards()->lists().value(board);
    const std::string first = lists.first().id.toStdString();
    for (auto _ : state) {
        sandbox::Response limited = sandbox::Response::json(
            R"({"error":"API_TOKEN_LIMIT_EXCEEDED","message":"Rate limit exceeded"})", 429);
        limited.headers = {{"X-Rate-Limit-Api-Token-Interval-Ms", "10000"},
                           {"X-Rate-Limit-Api-Token-Max", "100"},
                           {"X-Rate-Limit-Api-Token-Remaining", "0"}};
        service.injectFault("GET", "/1/lists/" + lists[10].id.toStdString() + "/cards", limited);
        await(store->refreshVisible());
        QElapsedTimer sinceRefusal;
        sinceRefusal.start();
        std::string added;
        service.edit([&](sandbox::store::Store &data) {
            added = data.addCard(first, "New", {}, QDateTime::currentDateTimeUtc()).id;
        });
        // A showing meanwhile sends nothing: it gets the refresh that waits for the window.
        await(store->refreshVisible());
        if (!store->cards()->cards().record(QString::fromStdString(added))) {
            state.SkipWithError("the board is not current after the wait");
        }
        state.SetIterationTime(double(sinceRefusal.elapsed()) / 1000.0);
    }
}
BENCHMARK(BM_CurrentAgainAfter429)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

namespace {
double residentMB()
{
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly)) {
        return 0;
    }
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:")) {
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
        }
    }
    return 0;
}
} // namespace

// A day of browsing: the card editor opened and closed on 1,000 cards of the large seed, each
// loading its comments, checklists and attachments into models the views hold. Arg(1) lets go
// of each card's details when its editor closes, as the program does; Arg(0) keeps them, to
// show what that saves. Reports resident memory before and after.
static void BM_OpenAndCloseDetails1000Cards(benchmark::State &state)
{
    QTemporaryDir dir;
    sandbox::Options options;
    options.seed = sandbox::Seed::Large;
    options.rateLimits.reset(); // measures the client's own speed, not the service's limits
    sandbox::Emulator service(options);
    service.start();
    auto store = makeStore(service.baseUrl(), service.apiKey(), service.token(), dir);
    const QString board = store->boards()->boards().first().id;
    await(store->boards()->refreshLists(board));
    QStringList cards;
    for (const TrelloList &list : store->boards()->lists().value(board)) {
        await(store->cards()->refreshCards(list.id));
        for (const TrelloCard &card : store->cards()->cards().value(list.id)) {
            cards.append(card.id);
        }
    }
    const bool release = state.range(0) == 1;
    const auto openAndClose = [&](const QString &card) {
        store->comments()->commentsModel(card);
        store->checklists()->checklistsModel(card);
        store->attachments()->attachmentsModel(card);
        Operation comments = store->comments()->refreshComments(card);
        Operation checklists = store->checklists()->refreshChecklists(card);
        Operation attachments = store->attachments()->refreshAttachments(card);
        await(comments);
        await(checklists);
        await(attachments);
        if (release) {
            store->releaseCardDetails(card);
        }
        service.clearRequests(); // the sandbox's own log lives in this process too
    };
    // A few rounds first, so the allocator's pools are in place before the baseline.
    for (qsizetype i = 0; i < 50; ++i) {
        openAndClose(cards[i]);
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    malloc_trim(0);
    double before = 0;
    double after = 0;
    for (auto _ : state) {
        before = residentMB();
        for (qsizetype i = 50; i < 1050 && i < cards.size(); ++i) {
            openAndClose(cards[i]);
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        malloc_trim(0); // what the heap keeps for reuse is not held by anybody
        after = residentMB();
    }
    state.counters["rss_before_MB"] = before;
    state.counters["rss_after_MB"] = after;
    state.counters["growth_MB"] = after - before;
    state.SetLabel(release ? "released on close" : "kept");
}
BENCHMARK(BM_OpenAndCloseDetails1000Cards)->Arg(1)->Arg(0)->Iterations(1)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
