// SPDX-License-Identifier: MIT
#include "RateBudget.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

using namespace Qt::StringLiterals;
using std::chrono::milliseconds;

namespace {
// The headers' prefixes, by scope; the member route has none.
constexpr const char *HeaderPrefix[] = {"X-Rate-Limit-Api-Token-", "X-Rate-Limit-Api-Key-",
                                        "X-Rate-Limit-Member-", nullptr};
constexpr RateBudget::Scope AllScopes[] = {RateBudget::Token, RateBudget::Key, RateBudget::Member,
                                           RateBudget::MemberRoute};

milliseconds roundedUp(RateBudget::Clock::duration duration)
{
    const auto rounded = std::chrono::ceil<milliseconds>(duration);
    return std::max(rounded, milliseconds(0));
}
} // namespace

std::array<RateBudget::Limit, 4> RateBudget::defaults()
{
    // The service's documented windows, until its headers say otherwise; the member route's
    // figures come from its guide alone.
    std::array<Limit, 4> limits;
    limits[Token].window = milliseconds(10000);
    limits[Key].window = milliseconds(10000);
    limits[Member].window = milliseconds(10000);
    limits[MemberRoute].window = milliseconds(900000);
    limits[MemberRoute].max = 100;
    return limits;
}

milliseconds RateBudget::Pause::left(Clock::time_point now) const
{
    return roundedUp(until - now);
}

bool RateBudget::isMemberRoute(const QString &path)
{
    if (!path.startsWith(u"members/"_s)) {
        return false;
    }
    const qsizetype slash = path.indexOf(u'/', 8);
    return path.size() > 8 && (slash < 0 || slash == path.size() - 1);
}

void RateBudget::Limit::prune(Clock::time_point now)
{
    while (!counted.empty() && counted.front() + window + margin <= now) {
        counted.pop_front();
    }
    if (pause && pause->until <= now) {
        pause.reset();
    }
}

RateBudget::Clock::time_point RateBudget::Limit::freeAt(int requests) const
{
    // The count must drop to max - requests: that many of the oldest have to leave it first.
    const qsizetype leaving =
        std::min<qsizetype>(qsizetype(counted.size()) + requests - max, qsizetype(counted.size()));
    if (leaving <= 0) {
        return Clock::time_point::min();
    }
    return counted[std::size_t(leaving - 1)] + window + margin;
}

void RateBudget::reset()
{
    const std::lock_guard lock(m_mutex);
    m_limits = defaults();
}

std::optional<RateBudget::Pause> RateBudget::pauseFor(Scope scope, Clock::time_point until,
                                                      Clock::time_point now)
{
    Limit &limit = m_limits[scope];
    if (limit.pause && limit.pause->until > now) {
        // Still the same stretch: answers to requests that were already out when it began.
        limit.pause->until = std::max(limit.pause->until, until);
    } else {
        limit.pause = Pause{until, ++m_episodes};
    }
    return limit.pause;
}

std::optional<RateBudget::Pause> RateBudget::check(const QString &path, Clock::time_point now)
{
    const std::lock_guard lock(m_mutex);
    const bool memberRoute = isMemberRoute(path);
    std::optional<Pause> paused;
    for (const Scope scope : AllScopes) {
        if (scope == MemberRoute && !memberRoute) {
            continue;
        }
        Limit &limit = m_limits[scope];
        limit.prune(now);
        if (limit.pause && (!paused || limit.pause->until > paused->until)) {
            paused = limit.pause;
        }
    }
    if (paused) {
        return paused;
    }
    for (const Scope scope : AllScopes) {
        const Limit &limit = m_limits[scope];
        if ((scope != MemberRoute || memberRoute) && limit.max > 0 &&
            int(limit.counted.size()) >= limit.max) {
            return pauseFor(scope, limit.freeAt(1), now);
        }
    }
    return std::nullopt;
}

void RateBudget::sent(const QString &path, Clock::time_point now)
{
    const std::lock_guard lock(m_mutex);
    const bool memberRoute = isMemberRoute(path);
    for (const Scope scope : AllScopes) {
        if (scope != MemberRoute || memberRoute) {
            m_limits[scope].prune(now);
            m_limits[scope].counted.push_back(now);
        }
    }
}

std::optional<RateBudget::Scope> RateBudget::refusedScope(const QByteArray &body)
{
    const QString code = QJsonDocument::fromJson(body).object().value(u"error"_s).toString();
    if (code == u"API_KEY_LIMIT_EXCEEDED"_s) {
        return Key;
    }
    if (code.startsWith(u"API_TOKEN_"_s)) {
        return Token;
    }
    if (code == u"MEMBER_LIMIT_EXCEEDED"_s) {
        return Member;
    }
    if (code == u"RATE_LIMIT_EXCEEDED"_s) { // "Exceeded rate limit to /1/member"
        return MemberRoute;
    }
    return std::nullopt;
}

std::optional<RateBudget::Pause> RateBudget::answered(const QString &path, const Header &header,
                                                      int status, const QByteArray &body,
                                                      Clock::time_point now)
{
    const std::lock_guard lock(m_mutex);
    const bool memberRoute = isMemberRoute(path);
    std::optional<Scope> exhausted;
    for (const Scope scope : {Token, Key, Member}) {
        const QByteArray prefix(HeaderPrefix[scope]);
        bool hasMax = false;
        bool hasRemaining = false;
        bool hasWindow = false;
        const int max = header(prefix + "Max").trimmed().toInt(&hasMax);
        const int remaining = header(prefix + "Remaining").trimmed().toInt(&hasRemaining);
        const qint64 window = header(prefix + "Interval-Ms").trimmed().toLongLong(&hasWindow);
        if (!hasMax || max <= 0) {
            continue;
        }
        Limit &limit = m_limits[scope];
        limit.max = max;
        if (hasWindow && window > 0) {
            limit.window = milliseconds(window);
        }
        if (!hasRemaining) {
            continue;
        }
        limit.prune(now);
        // More used than we sent: someone else's requests, which we can only date from now.
        const qsizetype used = std::clamp(max - remaining, 0, max);
        while (qsizetype(limit.counted.size()) < used) {
            limit.counted.push_back(now);
        }
        if (remaining <= 0 && !exhausted) {
            exhausted = scope;
        }
    }
    if (status != 429) {
        return std::nullopt;
    }
    // The body names the limit; else the headers; else it counts as the token's.
    std::optional<Scope> scope = refusedScope(body);
    if (!scope || (*scope == MemberRoute && !memberRoute)) {
        scope = exhausted.value_or(Token);
    }
    return pauseFor(*scope, now + m_limits[*scope].window + margin, now);
}

milliseconds RateBudget::waitFor(int requests, int memberRouteRequests, Clock::time_point now)
{
    const std::lock_guard lock(m_mutex);
    Clock::time_point ready = now;
    for (const Scope scope : AllScopes) {
        const int cost = scope == MemberRoute ? memberRouteRequests : requests;
        if (cost <= 0) {
            continue;
        }
        Limit &limit = m_limits[scope];
        limit.prune(now);
        if (limit.pause) {
            ready = std::max(ready, limit.pause->until);
        }
        if (limit.max > 0) {
            // A cost above the whole budget waits for all of it.
            ready = std::max(ready, limit.freeAt(std::min(cost, limit.max)));
        }
    }
    return roundedUp(ready - now);
}
