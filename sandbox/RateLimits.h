// SPDX-License-Identifier: MIT
#pragma once

#include "LoopbackServer.h"

#include <chrono>
#include <deque>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace sandbox {

// The service's request limits: per token and per API key in one short window, and on the
// member routes (/1/members/...) in a long one. The figures default to the service's own.
struct RateLimits {
    int perToken = 100;
    int perKey = 300;
    std::chrono::milliseconds window{10000};
    int perMemberRoute = 100;
    std::chrono::milliseconds memberWindow{900000};
};

// Counts the requests each limit accepted in a sliding window. A request over any limit is
// answered 429 with the service's JSON body and counts against nothing. Every answer it sees
// carries the X-Rate-Limit-* headers as the service sends them. Not thread-safe: the emulator
// holds its lock around every use.
class RateLimiter {
public:
    explicit RateLimiter(RateLimits limits) : m_limits(limits) {}

    // Counts a request that passed the credential check; the 429 answer when it is over a limit.
    std::optional<Response> admit(const std::string &path);
    // The headers for the answer to the request just admitted (or refused).
    std::vector<std::pair<std::string, std::string>> headers(const std::string &path) const;

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

    RateLimits m_limits;
    Window m_token;
    Window m_key;
    Window m_member;
};

} // namespace sandbox
