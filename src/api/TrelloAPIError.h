// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringList>

#include <chrono>
#include <exception>

// Every way a request to the service can fail. The message is what the user sees, so it is
// built to never carry the API key or the token (see redacted()).
class TrelloAPIError : public std::exception {
public:
    enum class Kind {
        RequestFailed,
        DecodingFailed,
        Transport,
        MissingCredentials,
        InvalidURL,
        RateLimited,
        // No network reaches the service: the request failed for that reason, or was held
        // back because an earlier one did (see TrelloAPI::isOffline()).
        Offline
    };

    static TrelloAPIError requestFailed(int status, const QString &body);
    static TrelloAPIError decodingFailed(const QString &description);
    static TrelloAPIError transport(const QString &description);
    static TrelloAPIError missingCredentials();
    static TrelloAPIError invalidURL();
    // The service refused the request for its rate limit (status 429, the body as detail), or
    // the client held it back because the service would have (status 0). `episode` names the
    // stretch of refusals it belongs to, so that they can be told once.
    // No network: `change` when the request would have changed something (anything but a GET).
    static TrelloAPIError offline(bool change, const QString &description);
    static TrelloAPIError rateLimited(std::chrono::milliseconds retryIn, quint64 episode,
                                      int status = 0, const QString &body = QString());

    Kind kind() const { return m_kind; }
    int status() const { return m_status; }
    // The response body for RequestFailed, the underlying description for the other kinds.
    const QString &detail() const { return m_detail; }
    // For RateLimited: how long until requests go out again, and which stretch of refusals.
    std::chrono::milliseconds retryIn() const { return m_retryIn; }
    quint64 episode() const { return m_episode; }
    // For Offline: the request would have changed something, which is not saved.
    bool isChange() const { return m_change; }
    QString errorDescription() const;
    const char *what() const noexcept override { return "Trello API error"; }

    // A copy in which every occurrence of the given secrets (plain and percent-encoded) is
    // masked. Transport texts from the network stack can quote the request URL, and a
    // service's error page may echo it; both carry the credentials.
    TrelloAPIError redacted(const QStringList &secrets) const;

private:
    TrelloAPIError(Kind kind, int status, QString detail)
        : m_kind(kind), m_status(status), m_detail(std::move(detail)) {}

    Kind m_kind;
    int m_status = 0;
    QString m_detail;
    std::chrono::milliseconds m_retryIn{0};
    quint64 m_episode = 0;
    bool m_change = false;
};
