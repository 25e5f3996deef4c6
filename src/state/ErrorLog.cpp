// SPDX-License-Identifier: MIT
#include "ErrorLog.h"

#include "api/TrelloAPIError.h"

#include <QMetaEnum>
#include <QVariantMap>

using namespace Qt::StringLiterals;

void ErrorLog::setErrorMessage(const QString &message)
{
    show(message.isEmpty() ? std::nullopt : std::optional(message));
}

void ErrorLog::show(const std::optional<QString> &message)
{
    if (m_message != message) {
        m_message = message;
        Q_EMIT errorMessageChanged();
    }
}

QString ErrorLog::record(Kind kind, const QString &operation, const QString &message)
{
    const QString line = note(kind, operation, message);
    show(line);
    return line;
}

QString ErrorLog::note(Kind kind, const QString &operation, const QString &message)
{
    // One line, always: a service's error page may run over several.
    QString line = message.simplified();
    if (line.isEmpty()) {
        line = tr("The operation failed.");
    }
    m_entries.push_back(Entry{kind, operation, line, QDateTime::currentDateTimeUtc()});
    while (m_entries.size() > capacity) {
        m_entries.pop_front();
    }
    Q_EMIT entriesChanged();
    return line;
}

QString ErrorLog::record(const QString &operation, const std::exception &error)
{
    const auto *apiError = dynamic_cast<const TrelloAPIError *>(&error);
    if (apiError && apiError->kind() == TrelloAPIError::Kind::RateLimited &&
        apiError->episode() != 0) {
        if (apiError->episode() == m_rateEpisode) {
            return m_rateLine;
        }
        m_rateEpisode = apiError->episode();
        m_rateLine = record(Kind::RateLimited, operation, describe(error));
        return m_rateLine;
    }
    if (apiError && apiError->kind() == TrelloAPIError::Kind::Offline && m_offlineWording) {
        const QString line = m_offlineWording(apiError->isChange());
        if (!m_entries.empty() && m_entries.back().kind == Kind::Network &&
            m_entries.back().message == line) {
            show(line); // one entry for a stretch of requests held back
            return line;
        }
        return record(Kind::Network, operation, line);
    }
    return record(kindOf(error), operation, describe(error));
}

QString ErrorLog::describe(const std::exception &error)
{
    if (const auto *apiError = dynamic_cast<const TrelloAPIError *>(&error)) {
        return apiError->errorDescription();
    }
    if (const auto *reported = dynamic_cast<const ReportedFailure *>(&error)) {
        return reported->message;
    }
    return QString::fromUtf8(error.what());
}

ErrorLog::Kind ErrorLog::kindOf(const std::exception &error)
{
    const auto *apiError = dynamic_cast<const TrelloAPIError *>(&error);
    if (!apiError) {
        return Kind::Local;
    }
    switch (apiError->kind()) {
    case TrelloAPIError::Kind::DecodingFailed:
        return Kind::Decoding;
    case TrelloAPIError::Kind::Transport:
    case TrelloAPIError::Kind::Offline:
        return Kind::Network;
    case TrelloAPIError::Kind::MissingCredentials:
        return Kind::Authorization;
    case TrelloAPIError::Kind::InvalidURL:
        return Kind::Invalid;
    case TrelloAPIError::Kind::RateLimited:
        return Kind::RateLimited;
    case TrelloAPIError::Kind::RequestFailed:
        break;
    }
    switch (apiError->status()) {
    case 401:
    case 403:
        return Kind::Authorization;
    case 404:
        return Kind::NotFound;
    case 429:
        return Kind::RateLimited;
    default:
        // 5xx and anything else unexpected: the service is not answering as it should.
        return apiError->status() >= 400 && apiError->status() < 500 ? Kind::Invalid : Kind::Network;
    }
}

QVariantList ErrorLog::entryValues() const
{
    const QMetaEnum kinds = QMetaEnum::fromType<Kind>();
    QVariantList values;
    for (const Entry &entry : m_entries) {
        values.append(QVariantMap{{u"kind"_s, QString::fromLatin1(kinds.valueToKey(int(entry.kind)))},
                                  {u"operation"_s, entry.operation},
                                  {u"message"_s, entry.message},
                                  {u"time"_s, entry.time}});
    }
    return values;
}
