// SPDX-License-Identifier: MIT
#pragma once

#include "LoopbackServer.h"

#include <chrono>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace sandbox {

// The service's request limits, with its own figures: per token, per API key and per member in
// one short window, and on the member route itself (/1/members/{id}, not the routes nested
// under it) in a long one.
struct RateLimits {
    int perToken = 100;
    int perKey = 300;
    int perMember = 200;
    std::chrono::milliseconds window{10000};
    int perMemberRoute = 100;
    std::chrono::milliseconds memberRouteWindow{900000};
    // Requests of the key's other users in every window: a key built into a program is shared
    // by all who run it, so one user never has the key's whole budget.
    int keySpentByOthers = 0;
};

// Counts the requests each limit accepted in a sliding window. A request over any limit is
// answered 429 with the service's JSON body and counts against nothing. Every answer it sees
// carries the X-Rate-Limit-* headers as the service sends them. Not thread-safe: the emulator
// holds its lock around every use.
class RateLimiter {
public:
    explicit RateLimiter(RateLimits limits) : m_limits(limits) {}

    // Counts a request that passed the credential check; the 429 answer when it is over a limit.
    std::optional<Response> admit(const std::string &path, const std::string &token,
                                  const std::string &memberId);
    // The headers for the answer to the request just admitted (or refused).
    std::vector<std::pair<std::string, std::string>> headers(const std::string &token,
                                                             const std::string &memberId);

    // /1/members/{id} itself: the route with the long limit.
    static bool isMemberRoute(const std::string &path);

private:
    struct Window {
        std::deque<std::chrono::steady_clock::time_point> accepted;
        void prune(std::chrono::steady_clock::time_point now, std::chrono::milliseconds length);
        int remaining(int max) const
        {
            return std::max(0, max - static_cast<int>(accepted.size()));
        }
    };

    int keyRemaining() const { return m_key.remaining(m_limits.perKey - m_limits.keySpentByOthers); }

    RateLimits m_limits;
    Window m_key;
    std::map<std::string, Window> m_tokens;
    std::map<std::string, Window> m_members;
    std::map<std::string, Window> m_memberRoute; // by token
};

} // namespace sandbox
