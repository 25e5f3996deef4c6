// SPDX-License-Identifier: MIT
// What the service client costs: decoding a big card list, and one request end to end against
// the loopback server (URL building, sending, status handling, decoding a small answer).
#include "api/LargeAnswers.h"
#include "api/TrelloAPI.h"
#include "model/Json.h"
#include "sandbox/LoopbackServer.h"

#include <QCoreApplication>
#include <QCoroNetworkReply>
#include <QCoroTask>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>

#include <benchmark/benchmark.h>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QByteArray &cardsAnswer(int count)
{
    static const QByteArray large = largeanswers::cardsAnswer(10000);
    static const QByteArray small = largeanswers::cardsAnswer(20);
    return count == 10000 ? large : small;
}

const QByteArray &memberAnswer()
{
    static const QByteArray body = R"({"id":"5e679b808e6e8828784b30e1","username":"ada",
        "fullName":"Ada L","avatarUrl":null,"initials":"AL","ixUpdate":"481"})";
    return body;
}

// simdjson's parser keeps its buffers for the thread's next answer, so big answers are
// measured both ways: warm, as for answers in quick succession, and first, as for the first
// answer a thread reads, when the buffers are allocated and first touched.
enum class Parser { Warm, First };

template <typename T> T decode(Parser parser, const QByteArray &body)
{
    if (parser == Parser::First) {
        JsonDocument::releaseThreadParser();
    }
    return TrelloAPI::decode<T>(body);
}

// The whole decode: JSON text to TrelloCard records, strictly checked.
void BM_DecodeCards(benchmark::State &state, Parser parser, int count)
{
    const QByteArray &body = cardsAnswer(count);
    for (auto _ : state) {
        auto cards = decode<QList<TrelloCard>>(parser, body);
        benchmark::DoNotOptimize(cards);
    }
    state.SetBytesProcessed(state.iterations() * body.size());
    state.counters["answer_MB"] = double(body.size()) / 1e6;
}
BENCHMARK_CAPTURE(BM_DecodeCards, 10k, Parser::Warm, 10000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DecodeCards, first_10k, Parser::First, 10000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DecodeCards, 20, Parser::Warm, 20)->Unit(benchmark::kMicrosecond);

// The answer to members/me, the smallest one, sent on every start.
void BM_DecodeMember(benchmark::State &state)
{
    const QByteArray &body = memberAnswer();
    for (auto _ : state) {
        auto member = TrelloAPI::decode<TrelloMember>(body);
        benchmark::DoNotOptimize(member);
    }
    state.SetBytesProcessed(state.iterations() * body.size());
}
BENCHMARK(BM_DecodeMember)->Unit(benchmark::kMicrosecond);

// The JSON syntax pass alone, the floor under the decodes above.
void BM_ParseOnly(benchmark::State &state, Parser parser)
{
    const QByteArray &body = cardsAnswer(10000);
    for (auto _ : state) {
        if (parser == Parser::First) {
            JsonDocument::releaseThreadParser();
        }
        const JsonDocument document(body);
        benchmark::DoNotOptimize(document.root());
    }
    state.SetBytesProcessed(state.iterations() * body.size());
}
BENCHMARK_CAPTURE(BM_ParseOnly, 10k, Parser::Warm)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ParseOnly, first_10k, Parser::First)->Unit(benchmark::kMillisecond);

// For comparison: Qt's own parser, which builds a full tree before any record is made.
void BM_QJsonDocumentParse10k(benchmark::State &state)
{
    const QByteArray &body = cardsAnswer(10000);
    for (auto _ : state) {
        auto document = QJsonDocument::fromJson(body);
        benchmark::DoNotOptimize(document);
    }
    state.SetBytesProcessed(state.iterations() * body.size());
}
BENCHMARK(BM_QJsonDocumentParse10k)->Unit(benchmark::kMillisecond);

// A server and a client for the round trips; lives for the whole run.
struct Loopback {
    sandbox::LoopbackServer server;
    QNetworkAccessManager network;
    std::unique_ptr<TrelloAPI> api;

    Loopback()
    {
        server.route("GET", "/1/members/me",
                     sandbox::Response::json(R"({"id":"5e679b808e6e8828784b30e1","username":"ada",
                         "fullName":"Ada L","avatarUrl":null,"initials":"AL","ixUpdate":"481"})"));
        server.route("GET", "/1/lists/.*/cards",
                     sandbox::Response::json(largeanswers::cardsAnswer(20).toStdString()));
        server.start();
        api = std::make_unique<TrelloAPI>(&network, QUrl(QString::fromStdString(server.baseUrl())));
        api->setCredentials(u"3f9d0c7a5e1b48d2a6c4e8f07b19d5c3"_s,
                            u"ATTA9b2e4c6d8f0a1b3c5d7e9f1a2b4c6d8e0f1a3b5c7d9e1f2a4b6c8d0e2f4a6b8c"
                            u"0d2e4f6A1B2C3D4"_s);
    }
    ~Loopback()
    {
        api.reset();
        server.stop();
    }
};
// Made in main(), once the application object exists, and gone before it.
Loopback *loopbackInstance = nullptr;

QCoro::Task<bool> validateOnce(TrelloAPI &api)
{
    try {
        const TrelloMember member = co_await api.validateCredentials();
        co_return member.username == u"ada";
    } catch (const TrelloAPIError &) {
        co_return false;
    }
}

QCoro::Task<bool> fetchCardsOnce(TrelloAPI &api)
{
    try {
        const auto cards = co_await api.fetchCards(u"65f0c0de00000000000000aa"_s);
        co_return cards.size() == 20;
    } catch (const TrelloAPIError &) {
        co_return false;
    }
}

// The same GET through the bare network manager: what a request costs without our client.
QCoro::Task<bool> rawGetOnce(QNetworkAccessManager &network, const QUrl &url)
{
    std::unique_ptr<QNetworkReply, void (*)(QNetworkReply *)> reply(
        network.get(QNetworkRequest(url)), [](QNetworkReply *r) { r->deleteLater(); });
    co_await reply.get();
    co_return reply->error() == QNetworkReply::NoError && !reply->readAll().isEmpty();
}

void BM_ValidateCredentialsRoundTrip(benchmark::State &state)
{
    Loopback &loopback = *loopbackInstance;
    for (auto _ : state) {
        if (!QCoro::waitFor(validateOnce(*loopback.api))) {
            state.SkipWithError("request failed");
            break;
        }
    }
}
BENCHMARK(BM_ValidateCredentialsRoundTrip)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_FetchCards20RoundTrip(benchmark::State &state)
{
    Loopback &loopback = *loopbackInstance;
    for (auto _ : state) {
        if (!QCoro::waitFor(fetchCardsOnce(*loopback.api))) {
            state.SkipWithError("request failed");
            break;
        }
    }
}
BENCHMARK(BM_FetchCards20RoundTrip)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_RawNetworkRoundTrip(benchmark::State &state)
{
    Loopback &loopback = *loopbackInstance;
    const QUrl url(QString::fromStdString(loopback.server.baseUrl()) +
                   u"/members/me?key=k&token=t&fields=username,fullName,avatarUrl"_s);
    for (auto _ : state) {
        if (!QCoro::waitFor(rawGetOnce(loopback.network, url))) {
            state.SkipWithError("request failed");
            break;
        }
    }
}
BENCHMARK(BM_RawNetworkRoundTrip)->Unit(benchmark::kMicrosecond)->UseRealTime();

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    {
        Loopback loopback;
        loopbackInstance = &loopback;
        benchmark::RunSpecifiedBenchmarks();
        loopbackInstance = nullptr;
    }
    benchmark::Shutdown();
    return 0;
}
