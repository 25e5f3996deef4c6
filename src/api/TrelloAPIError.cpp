// SPDX-License-Identifier: MIT
#include "TrelloAPIError.h"

#include <QUrl>

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

TrelloAPIError TrelloAPIError::missingCredentials()
{
    return TrelloAPIError(Kind::MissingCredentials, 0, QString());
}

TrelloAPIError TrelloAPIError::invalidURL()
{
    return TrelloAPIError(Kind::InvalidURL, 0, QString());
}

QString TrelloAPIError::errorDescription() const
{
    switch (m_kind) {
    case Kind::RequestFailed:
        return u"Trello API request failed ("_s + QString::number(m_status) + u"): "_s + m_detail;
    case Kind::DecodingFailed:
        return u"Failed to decode Trello response: "_s + m_detail;
    case Kind::Transport:
        return u"Network error: "_s + m_detail;
    case Kind::MissingCredentials:
        return u"Trello API key and token are required. Open Settings to configure."_s;
    case Kind::InvalidURL:
        return u"Failed to construct Trello API URL."_s;
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
    return TrelloAPIError(m_kind, m_status, detail);
}
