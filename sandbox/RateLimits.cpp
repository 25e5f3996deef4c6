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
    return path.rfind("/1/members/", 0) == 0;
}

std::optional<Response> RateLimiter::admit(const std::string &path)
{
    const auto now = std::chrono::steady_clock::now();
    m_token.prune(now, m_limits.window);
    m_key.prune(now, m_limits.window);
    m_member.prune(now, m_limits.memberWindow);
    const bool member = isMemberRoute(path);
    const auto refuse = [](const char *body) {
        return std::optional<Response>(Response::json(body, 429));
    };
    if (m_token.remaining(m_limits.perToken) == 0) {
        return refuse(R"({"error":"API_TOKEN_LIMIT_EXCEEDED","message":"Rate limit exceeded"})");
    }
    if (m_key.remaining(m_limits.perKey) == 0) {
        return refuse(R"({"error":"API_KEY_LIMIT_EXCEEDED","message":"Rate limit exceeded"})");
    }
    if (member && m_member.remaining(m_limits.perMemberRoute) == 0) {
        return refuse(
            R"({"message":"Exceeded rate limit to /1/member","error":"RATE_LIMIT_EXCEEDED"})");
    }
    m_token.accepted.push_back(now);
    m_key.accepted.push_back(now);
    if (member) {
        m_member.accepted.push_back(now);
    }
    return std::nullopt;
}

std::vector<std::pair<std::string, std::string>> RateLimiter::headers(const std::string &path) const
{
    const std::string window = std::to_string(m_limits.window.count());
    std::vector<std::pair<std::string, std::string>> out{
        {"X-Rate-Limit-Api-Key-Interval-Ms", window},
        {"X-Rate-Limit-Api-Key-Max", std::to_string(m_limits.perKey)},
        {"X-Rate-Limit-Api-Key-Remaining", std::to_string(m_key.remaining(m_limits.perKey))},
        {"X-Rate-Limit-Api-Token-Interval-Ms", window},
        {"X-Rate-Limit-Api-Token-Max", std::to_string(m_limits.perToken)},
        {"X-Rate-Limit-Api-Token-Remaining", std::to_string(m_token.remaining(m_limits.perToken))},
    };
    if (isMemberRoute(path)) {
        out.insert(out.end(), {{"X-Rate-Limit-Member-Interval-Ms",
                                std::to_string(m_limits.memberWindow.count())},
                               {"X-Rate-Limit-Member-Max", std::to_string(m_limits.perMemberRoute)},
                               {"X-Rate-Limit-Member-Remaining",
                                std::to_string(m_member.remaining(m_limits.perMemberRoute))}});
    }
    return out;
}

} // namespace sandbox
