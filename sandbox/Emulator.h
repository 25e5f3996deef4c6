// SPDX-License-Identifier: MIT
#pragma once

#include "LoopbackServer.h"
#include "RateLimits.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <regex>
#include <string>
#include <utility>
#include <vector>

namespace sandbox {

namespace store {
class Store;
}
namespace routes {
struct Route;
}

enum class Seed {
    Sample, // a lived-in account: six boards, several members, comments, checklists, files
    Empty,  // a member with no boards
    Large,  // one board of 30 lists x 200 cards, for benchmarks
};

// The pair the sandbox accepts unless told otherwise. Shaped like real ones; good for nothing else.
inline constexpr const char *kDemoKey = "5a1d0e7c3b9f4e2a8c6d0b1f7e3a9c45";
inline constexpr const char *kDemoToken =
    "ATTA5a9e3c7d1b0f4e8a2c6d9b3f7e1a5c0d4b8f2e6a9c3d7b1f5e0a4c8d2b6f9e3a7C1D53E0";

struct Options {
    Seed seed = Seed::Sample;
    std::string apiKey = kDemoKey;
    std::string token = kDemoToken;
    std::chrono::milliseconds latency{0};
    // The service's limits, on as they are at the service. None: no limits and no
    // X-Rate-Limit headers, for a test that needs many requests at once and says why.
    std::optional<RateLimits> rateLimits = RateLimits{};
    // The demo's service runs inside the program: its threads then yield to the program's.
    bool backgroundPriority = false;
    // The record of requests keeps what each carried (query, headers, body), for tests.
    bool recordsRequestDetails = true;
    // Off: no record at all, for a long run that nobody counts the requests of.
    bool recordsRequests = true;
};

// An in-memory stand-in for the service's REST interface, served over HTTP on 127.0.0.1.
// Requests are answered on several threads at once; one lock guards all of the data.
class Emulator {
public:
    explicit Emulator(Options options = {});
    ~Emulator();
    Emulator(const Emulator &) = delete;
    Emulator &operator=(const Emulator &) = delete;

    // Loopback only; port 0 picks a free one. Returns the port, or -1.
    int start(int port = 0);
    void stop();
    int port() const;
    std::string baseUrl() const; // "http://127.0.0.1:<port>/1"
    const std::string &apiKey() const { return m_options.apiKey; }
    const std::string &token() const { return m_options.token; }

    void setLatency(std::chrono::milliseconds latency);
    // The service's three limits from now on (none: no limits), with fresh windows.
    void setRateLimits(std::optional<RateLimits> limits);
    // The service's limits with this many requests per token and window; 0 = no limits.
    void setRateLimit(int requestsPerToken);
    // From now on the token is refused with 401 "invalid token", as after the user revokes it.
    void revokeToken();
    // Takes the member ("me" for the signed-in one) off the board, as its admin would: from
    // then on the board, its lists and cards answer 401 to that member, and it leaves the
    // member's boards.
    void revokeBoardAccess(const std::string &boardId, const std::string &username = "me");
    // A second account: requests with this token (and the same key) act as the seed's member
    // of that username. False when the seed has no such member.
    bool acceptToken(const std::string &token, const std::string &username);

    // The next `times` requests whose method and path match get `response` instead of their
    // real answer (0 = every one until cleared). The method "*" matches any; the pattern must
    // match the whole path, such as "/1/cards/.*". Faults apply before the credentials are
    // checked and change no data.
    void injectFault(const std::string &method, const std::string &pathPattern, Response response,
                     int times = 1);
    void clearFaults();
    // The next `times` matching requests get their real answer, made at once but sent only
    // after `delay`: an answer that was right when made and arrives after later changes.
    void delayAnswers(const std::string &method, const std::string &pathPattern,
                      std::chrono::milliseconds delay, int times = 1);

    // Answers a request in this process, as the server would but without the network, the
    // latency or the record of requests: for the fuzz target.
    Response answer(const RecordedRequest &request) { return handle(request); }

    // Every request as it arrived. Kept in memory for tests; nothing is ever printed.
    std::vector<RecordedRequest> requests() const;
    void clearRequests();

    // Look-ups for tests by name (empty string when absent).
    std::string memberId(const std::string &username) const; // "me" for the signed-in member
    std::string boardId(const std::string &boardName) const;
    std::string listId(const std::string &boardId, const std::string &listName) const;
    std::string cardId(const std::string &listId, const std::string &cardName) const;
    // Positions of a list's open cards and of a board's open lists, in position order.
    std::vector<std::pair<std::string, double>> cardPositions(const std::string &listId) const;
    std::vector<std::pair<std::string, double>> listPositions(const std::string &boardId) const;
    // Changes the emulated account directly, as the user would in the browser: no request, so
    // nothing counts against the limits.
    void edit(const std::function<void(store::Store &)> &change);

private:
    struct Fault {
        std::string method;
        std::regex pattern;
        Response response;
        int remaining;            // 0 = unlimited
        bool realAnswer = false;  // only delay the real answer by response.delay
    };

    Response handle(const RecordedRequest &request);
    Response dispatch(const RecordedRequest &request);
    std::optional<Fault> takeFault(const RecordedRequest &request);
    Response testRoute(const RecordedRequest &request, const std::string &name);
    void checkAccess(const std::vector<std::string> &path, const std::vector<std::string> &ids,
                     const std::vector<std::pair<std::string, std::string>> &params,
                     const std::string &memberId) const;

    Options m_options;
    std::unique_ptr<LoopbackServer> m_server;
    std::atomic<long long> m_latencyMs{0};
    std::unique_ptr<std::vector<routes::Route>> m_routes;

    mutable std::mutex m_mutex; // guards everything below
    std::unique_ptr<store::Store> m_store;
    std::vector<Fault> m_faults;
    std::optional<RateLimiter> m_limiter;
    bool m_tokenRevoked = false;
    std::vector<std::pair<std::string, std::string>> m_otherTokens; // token, member id
};

} // namespace sandbox
