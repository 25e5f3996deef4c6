// SPDX-License-Identifier: MIT
#include "RateLimits.h"

#include <algorithm>

namespace sandbox {

void RateLimiter::Window::prune(std::chrono::steady_clock::time_point now,
                                std::chrono::milliseconds length)
{
    while (!accepted.empty() && now - accepted.front() >= length) {
        accepted.pop_front();
    }
}

bool RateLimiter::isMemberRoute(const std::string &path)
{
    const std::string prefix = "/1/members/";
    if (path.rfind(prefix, 0) != 0) {
        return false;
    }
    const size_t slash = path.find('/', prefix.size());
    return path.size() > prefix.size() &&
           (slash == std::string::npos || slash + 1 == path.size());
}

std::optional<Response> RateLimiter::admit(const std::string &path, const std::string &token,
                                           const std::string &memberId)
{
    const auto now = std::chrono::steady_clock::now();
    Window &tokenWindow = m_tokens[token];
    Window &memberWindow = m_members[memberId];
    Window &routeWindow = m_memberRoute[token];
    tokenWindow.prune(now, m_limits.window);
    m_key.prune(now, m_limits.window);
    memberWindow.prune(now, m_limits.window);
    routeWindow.prune(now, m_limits.memberRouteWindow);
    const bool memberRoute = isMemberRoute(path);
    const auto refuse = [](const char *body) {
        return std::optional<Response>(Response::json(body, 429));
    };
    if (tokenWindow.remaining(m_limits.perToken) == 0) {
        return refuse(R"({"error":"API_TOKEN_LIMIT_EXCEEDED","message":"Rate limit exceeded"})");
    }
    if (keyRemaining() == 0) {
        return refuse(R"({"error":"API_KEY_LIMIT_EXCEEDED","message":"Rate limit exceeded"})");
    }
    if (memberWindow.remaining(m_limits.perMember) == 0) {
        // Only the code is on record; the message follows the token's and key's.
        return refuse(R"({"error":"MEMBER_LIMIT_EXCEEDED","message":"Rate limit exceeded"})");
    }
    if (memberRoute && routeWindow.remaining(m_limits.perMemberRoute) == 0) {
        return refuse(
            R"({"message":"Exceeded rate limit to /1/member","error":"RATE_LIMIT_EXCEEDED"})");
    }
    tokenWindow.accepted.push_back(now);
    m_key.accepted.push_back(now);
    memberWindow.accepted.push_back(now);
    if (memberRoute) {
        routeWindow.accepted.push_back(now);
    }
    return std::nullopt;
}

std::vector<std::pair<std::string, std::string>> RateLimiter::headers(const std::string &token,
                                                                      const std::string &memberId)
{
    // The member route's long limit has no headers of its own: the service's Member ones are
    // the short per-member limit, on every route.
    const std::string window = std::to_string(m_limits.window.count());
    return {
        {"X-Rate-Limit-Api-Key-Interval-Ms", window},
        {"X-Rate-Limit-Api-Key-Max", std::to_string(m_limits.perKey)},
        {"X-Rate-Limit-Api-Key-Remaining", std::to_string(keyRemaining())},
        {"X-Rate-Limit-Api-Token-Interval-Ms", window},
        {"X-Rate-Limit-Api-Token-Max", std::to_string(m_limits.perToken)},
        {"X-Rate-Limit-Api-Token-Remaining",
         std::to_string(m_tokens[token].remaining(m_limits.perToken))},
        {"X-Rate-Limit-Member-Interval-Ms", window},
        {"X-Rate-Limit-Member-Max", std::to_string(m_limits.perMember)},
        {"X-Rate-Limit-Member-Remaining",
         std::to_string(m_members[memberId].remaining(m_limits.perMember))},
    };
}

} // namespace sandbox
