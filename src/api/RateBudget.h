// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <chrono>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>

// How many requests the service still takes from this token, so that the client never sends one
// it would refuse. The service limits requests per token, per API key and per member in a short
// window, and those to the member route itself (/1/members/{id}, not the routes nested under
// it) in a long one. Its X-Rate-Limit-* headers say the figures of the first three and what is
// left; the member route's limit is known from the service's guide only. Each limit is followed
// on its own:
//
// - the requests sent, by time, in its window (a request leaves the count one window plus a
//   margin after it was sent, later than the service lets it go);
// - what the service says is used, when that is more than we sent (another program with the
//   same token, or an earlier run), counted as sent at the moment we heard it;
// - after a 429, or when the count is full, a pause: no request for that limit goes out until
//   its window has passed.
//
// A short limit the service never told us about holds nothing back but its pauses after a 429.
class RateBudget {
public:
    using Clock = std::chrono::steady_clock;
    using Header = std::function<QByteArray(const QByteArray &name)>;

    enum Scope { Token, Key, Member, MemberRoute };
    // One stretch of refused requests: when sending may start again, and which stretch it is.
    struct Pause {
        Clock::time_point until;
        quint64 episode = 0;
        std::chrono::milliseconds left(Clock::time_point now) const;
    };

    // How much later than the service we let a request leave the count.
    static constexpr std::chrono::milliseconds margin{500};

    // A pause when the request may not go out now (and then it must not be sent).
    std::optional<Pause> check(const QString &path, Clock::time_point now = Clock::now());
    void sent(const QString &path, Clock::time_point now = Clock::now());
    // Reads an answer's headers and status; a pause when it was a 429.
    std::optional<Pause> answered(const QString &path, const Header &header, int status,
                                  const QByteArray &body, Clock::time_point now = Clock::now());
    // How long until `requests` requests, `memberRouteRequests` of them to the member route, can
    // go out without one being refused; zero when they can go now.
    std::chrono::milliseconds waitFor(int requests, int memberRouteRequests,
                                      Clock::time_point now = Clock::now());
    // Another token or key: what was known is about someone else.
    void reset();

    // Is the path (relative to the base URL) the member route, such as "members/me", and not
    // one nested under it, such as "members/me/boards"?
    static bool isMemberRoute(const QString &path);

private:
    struct Limit {
        int max = 0; // 0: not known
        std::chrono::milliseconds window;
        std::deque<Clock::time_point> counted;
        std::optional<Pause> pause;

        void prune(Clock::time_point now);
        Clock::time_point freeAt(int requests) const; // when that many more requests fit
    };

    std::optional<Pause> pauseFor(Scope scope, Clock::time_point until, Clock::time_point now);
    static std::optional<Scope> refusedScope(const QByteArray &body);

    // The notification poll's client, on a thread of its own, counts in the same budget.
    mutable std::mutex m_mutex;
    std::array<Limit, 4> m_limits = defaults();
    quint64 m_episodes = 0;

    static std::array<Limit, 4> defaults();
};
