// SPDX-License-Identifier: MIT
#include "TrelloAPIError.h"

#include <QCoreApplication>
#include <QUrl>

#include <algorithm>

using namespace Qt::StringLiterals;

TrelloAPIError TrelloAPIError::requestFailed(int status, const QString &body)
{
    return TrelloAPIError(Kind::RequestFailed, status, body);
}

TrelloAPIError TrelloAPIError::decodingFailed(const QString &description)
{
    return TrelloAPIError(Kind::DecodingFailed, 0, description);
}

TrelloAPIError TrelloAPIError::transport(const QString &description)
{
    return TrelloAPIError(Kind::Transport, 0, description);
}

TrelloAPIError TrelloAPIError::offline(bool change, const QString &description)
{
    TrelloAPIError error(Kind::Offline, 0, description);
    error.m_change = change;
    return error;
}

TrelloAPIError TrelloAPIError::missingCredentials()
{
    return TrelloAPIError(Kind::MissingCredentials, 0, QString());
}

TrelloAPIError TrelloAPIError::invalidURL()
{
    return TrelloAPIError(Kind::InvalidURL, 0, QString());
}

TrelloAPIError TrelloAPIError::rateLimited(std::chrono::milliseconds retryIn, quint64 episode,
                                           int status, const QString &body)
{
    TrelloAPIError error(Kind::RateLimited, status, body);
    error.m_retryIn = retryIn;
    error.m_episode = episode;
    return error;
}

QString TrelloAPIError::errorDescription() const
{
    // The service's own words (m_detail) stay as they came.
    switch (m_kind) {
    case Kind::RequestFailed:
        return QCoreApplication::translate("TrelloAPIError", "Trello API request failed (%1): %2")
            .arg(QString::number(m_status), m_detail);
    case Kind::DecodingFailed:
        return QCoreApplication::translate("TrelloAPIError", "Failed to decode Trello response: %1")
            .arg(m_detail);
    case Kind::Transport:
    case Kind::Offline:
        return QCoreApplication::translate("TrelloAPIError", "Network error: %1").arg(m_detail);
    case Kind::MissingCredentials:
        return QCoreApplication::translate(
            "TrelloAPIError", "Trello API key and token are required. Open Settings to configure.");
    case Kind::InvalidURL:
        return QCoreApplication::translate("TrelloAPIError", "Failed to construct Trello API URL.");
    case Kind::RateLimited: {
        // Whole seconds, rounded up: "in 0 s" would be wrong while anything is left.
        const qint64 seconds = std::max<qint64>(1, (m_retryIn.count() + 999) / 1000);
        return QCoreApplication::translate("TrelloAPIError",
                                           "The service is limiting requests; trying again in %1 s")
            .arg(seconds);
    }
    }
    return QString();
}

TrelloAPIError TrelloAPIError::redacted(const QStringList &secrets) const
{
    QString detail = m_detail;
    for (const QString &secret : secrets) {
        if (secret.isEmpty()) {
            continue;
        }
        const QString encoded = QString::fromLatin1(QUrl::toPercentEncoding(secret));
        detail.replace(secret, u"[redacted]"_s);
        if (encoded != secret) {
            detail.replace(encoded, u"[redacted]"_s, Qt::CaseInsensitive);
        }
    }
    TrelloAPIError copy = *this;
    copy.m_detail = detail;
    return copy;
}
