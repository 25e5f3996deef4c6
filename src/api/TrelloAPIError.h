// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringList>

#include <exception>

// Every way a request to the service can fail. The message is what the user sees, so it is
// built to never carry the API key or the token (see redacted()).
class TrelloAPIError : public std::exception {
public:
    enum class Kind { RequestFailed, DecodingFailed, Transport, MissingCredentials, InvalidURL };

    static TrelloAPIError requestFailed(int status, const QString &body);
    static TrelloAPIError decodingFailed(const QString &description);
    static TrelloAPIError transport(const QString &description);
    static TrelloAPIError missingCredentials();
    static TrelloAPIError invalidURL();

    Kind kind() const { return m_kind; }
    int status() const { return m_status; }
    // The response body for RequestFailed, the underlying description for the other kinds.
    const QString &detail() const { return m_detail; }
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
};
