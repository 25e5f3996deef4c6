// SPDX-License-Identifier: MIT
#include "TrelloAPI.h"

#include <QCoroFuture>
#include <QCoroNetworkReply>
#include <QCoreApplication>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QStringDecoder>
#include <QCoreApplication>
#include <QtConcurrent/QtConcurrentRun>

#include <memory>

using namespace Qt::StringLiterals;

namespace {
// The outcome of a decode on a worker thread: exceptions do not cross QFuture cleanly.
template <typename T> struct Decoded {
    std::optional<T> value;
    QString error;
};

// The failures that say no network reaches the service at all, as opposed to a service that
// answers badly or slowly. A connection refused or a name that does not resolve happens before
// any exchange with the service; a temporary network failure or a failed network session is
// the network going away; Qt reports the remaining socket errors before a connection exists,
// "network unreachable" (no route) among them, as an unknown network error. Not among them: a
// time-out or a connection closed while the service answers (it is there, just slow or
// failing), TLS and proxy failures (something answered: retrying blindly would not mend it),
// and every HTTP status.
bool lacksNetwork(QNetworkReply::NetworkError error)
{
    switch (error) {
    case QNetworkReply::ConnectionRefusedError:
    case QNetworkReply::HostNotFoundError:
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::NetworkSessionFailedError:
    case QNetworkReply::UnknownNetworkError:
        return true;
    default:
        return false;
    }
}

template <typename T> Decoded<T> decodeCaught(const QByteArray &body)
{
    try {
        return {TrelloAPI::decode<T>(body), QString()};
    } catch (const TrelloAPIError &error) {
        return {std::nullopt, error.detail()};
    }
}
} // namespace

QUrl TrelloAPI::defaultBaseURL()
{
    const QByteArray fromEnvironment = qgetenv("STAVELIN_SERVICE_URL");
    return QUrl(fromEnvironment.isEmpty() ? QStringLiteral(STAVELIN_DEFAULT_SERVICE_URL)
                                          : QString::fromUtf8(fromEnvironment));
}

TrelloAPI::TrelloAPI(QNetworkAccessManager *network, QUrl baseURL, QObject *parent)
    : QObject(parent), m_network(network), m_baseURL(std::move(baseURL))
{
}

void TrelloAPI::setCredentials(const QString &apiKey, const QString &token)
{
    if (!m_budgetShared &&
        (apiKey != m_apiKey.value_or(QString()) || token != m_token.value_or(QString()))) {
        m_budget->reset(); // the limits counted were another token's
    }
    m_apiKey = apiKey;
    m_token = token;
}

template <typename T> T TrelloAPI::decode(const QByteArray &body)
{
    if (body.isEmpty()) {
        throw TrelloAPIError::decodingFailed(u"the answer is empty"_s);
    }
    try {
        return decodeJson<T>(body);
    } catch (const DecodeError &error) {
        throw TrelloAPIError::decodingFailed(error.message());
    }
}

QUrl TrelloAPI::makeURL(const QString &path, const QueryItems &extraQuery) const
{
    if (!m_apiKey || m_apiKey->isEmpty() || !m_token || m_token->isEmpty()) {
        throw TrelloAPIError::missingCredentials();
    }
    if (!m_baseURL.isValid() || m_baseURL.isRelative()) {
        throw TrelloAPIError::invalidURL();
    }
    QUrl url = m_baseURL;
    QString basePath = url.path(QUrl::FullyEncoded);
    if (!basePath.endsWith(u'/')) {
        basePath += u'/';
    }
    url.setPath(basePath + path, QUrl::TolerantMode);

    QueryItems items{{u"key"_s, *m_apiKey}, {u"token"_s, *m_token}};
    items.append(extraQuery);
    url.setQuery(QString::fromLatin1(formEncoded(items)), QUrl::StrictMode);
    if (!url.isValid()) {
        throw TrelloAPIError::invalidURL();
    }
    return url;
}

QByteArray TrelloAPI::formEncoded(const QueryItems &items)
{
    // Every name and value is percent-encoded on its own, so "&", "=", "#", "+" and spaces
    // reach the service as part of the one value they belong to.
    QByteArray out;
    for (const auto &[name, value] : items) {
        if (!out.isEmpty()) {
            out += '&';
        }
        out += QUrl::toPercentEncoding(name) + '=' + QUrl::toPercentEncoding(value);
    }
    return out;
}

QUrl TrelloAPI::placeParameters(Request &request) const
{
    const QUrl url = makeURL(request.path, request.query);
    // The service's edge refuses URLs over about 8.2 KB (414). A long description or comment
    // goes in a form body instead, which the service reads the same way. The key and token
    // (about 110 bytes together) stay in the query, where they have always been.
    const bool canCarryForm =
        (request.method == "POST" || request.method == "PUT") && request.body.isEmpty();
    if (!canCarryForm || url.toEncoded().size() <= maxURLBytes) {
        return url;
    }
    request.body = formEncoded(request.query);
    request.contentType = "application/x-www-form-urlencoded";
    return makeURL(request.path, {});
}

void TrelloAPI::setOffline(bool offline)
{
    if (m_offline != offline) {
        m_offline = offline;
        Q_EMIT offlineChanged(offline);
    }
}

QCoro::Task<bool> TrelloAPI::probe()
{
    // The service's front door, without the key and token: whatever it answers (a 404 will
    // do) shows that the network reaches it. A short time-out: a probe is asked again anyway.
    QNetworkRequest networkRequest(m_baseURL);
    networkRequest.setTransferTimeout(int(std::min<qint64>(m_timeout.count(), 15000)));
    networkRequest.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                                QNetworkRequest::AlwaysNetwork);
    networkRequest.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    std::unique_ptr<QNetworkReply, void (*)(QNetworkReply *)> reply(
        m_network->head(networkRequest), [](QNetworkReply *r) { r->deleteLater(); });
    co_await reply.get();
    const bool reached = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid();
    if (reached) {
        setOffline(false);
    }
    co_return reached;
}

TrelloAPIError TrelloAPI::refused(const RateBudget::Pause &pause, int status, const QString &body)
{
    if (pause.episode != 0 && pause.episode != m_announcedEpisode) {
        m_announcedEpisode = pause.episode;
        Q_EMIT rateLimited(pause.left(RateBudget::Clock::now()).count());
    }
    return TrelloAPIError::rateLimited(pause.left(RateBudget::Clock::now()), pause.episode, status,
                                       body);
}

QCoro::Task<QByteArray> TrelloAPI::perform(Request request)
{
    const QUrl url = placeParameters(request);
    // Remember the pair this request carries: the credentials may change while it is out.
    const QStringList secrets{*m_apiKey, *m_token};
    // Nothing goes out that the service would refuse for its rate limits.
    const bool change = request.method != "GET";
    if (m_offline) {
        throw TrelloAPIError::offline(
            change, QCoreApplication::translate("TrelloAPIError", "No network reaches the service."));
    }
    if (const std::optional<RateBudget::Pause> pause = m_budget->check(request.path)) {
        throw refused(*pause);
    }

    QNetworkRequest networkRequest(url);
    networkRequest.setTransferTimeout(static_cast<int>(m_timeout.count()));
    networkRequest.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                                QNetworkRequest::AlwaysNetwork);
    networkRequest.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    if (!request.contentType.isEmpty()) {
        networkRequest.setHeader(QNetworkRequest::ContentTypeHeader, request.contentType);
    }

    m_budget->sent(request.path);
    std::unique_ptr<QNetworkReply, void (*)(QNetworkReply *)> reply(
        m_network->sendCustomRequest(networkRequest, request.method, request.body),
        [](QNetworkReply *r) { r->deleteLater(); });
    // Qt starts the transfer from a queued call, so the request would wait until the caller
    // returns to the event loop: when a view asks for data and then builds itself, that
    // is a few milliseconds. Started here, the request is on its way meanwhile.
    QCoreApplication::sendPostedEvents(reply.get(), QEvent::MetaCall);
    co_await reply.get();

    // A network-level error (connection, socket, TLS, proxy, time-out) means the transfer
    // itself broke, even when a status line had already arrived; so does any error under a
    // 2xx status. Either way the body may be cut short and must not pass for an answer.
    const QNetworkReply::NetworkError error = reply->error();
    const QVariant statusAttribute = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const int status = statusAttribute.toInt();
    // An aborted reply (a time-out) is closed: there is nothing to read.
    QByteArray body = reply->isOpen() ? reply->readAll() : QByteArray();
    std::optional<RateBudget::Pause> pause;
    if (statusAttribute.isValid()) {
        // Credentials changed meanwhile: the answer speaks of the old pair's limits.
        if (m_apiKey == secrets[0] && m_token == secrets[1]) {
            pause = m_budget->answered(
                request.path, [&reply](const QByteArray &name) { return reply->rawHeader(name); },
                status, body);
        }
    }
    const bool transferFailed =
        (error > QNetworkReply::NoError && error < QNetworkReply::ContentAccessDenied) ||
        (error != QNetworkReply::NoError && status >= 200 && status <= 299);
    if (transferFailed || !statusAttribute.isValid()) {
        if (error == QNetworkReply::NoError) {
            throw TrelloAPIError::requestFailed(
                -1, QCoreApplication::translate("TrelloAPIError", "No HTTP response"));
        }
        QString description;
        if (error == QNetworkReply::OperationCanceledError ||
            error == QNetworkReply::TimeoutError) {
            description = QCoreApplication::translate("TrelloAPIError", "The request timed out.");
        } else {
            // Qt's texts may quote the URL, which carries the credentials: show it without
            // its query, and mask the secrets in case they appear some other way.
            description = reply->errorString();
            const QString bare = url.toString(QUrl::RemoveQuery);
            description.replace(url.toString(QUrl::FullyEncoded), bare);
            description.replace(url.toString(), bare);
        }
        if (lacksNetwork(error)) {
            setOffline(true);
            throw TrelloAPIError::offline(change, description).redacted(secrets);
        }
        throw TrelloAPIError::transport(description).redacted(secrets);
    }

    // Qt takes a connection closed before the rest of a body for the body's end when it sees
    // the close first, even under a Content-Length that promised more. An answer cut short
    // must not pass for a whole one: an operation without a result would report success. (A
    // compressed answer's length counts the compressed bytes; cut short, it fails to inflate.)
    bool announced = false;
    const qint64 length = reply->rawHeader("Content-Length").toLongLong(&announced);
    if (announced && body.size() < length && reply->rawHeader("Content-Encoding").isEmpty()) {
        throw TrelloAPIError::transport(
            QCoreApplication::translate("TrelloAPIError",
                                        "The connection closed before the whole answer arrived."));
    }

    if (status >= 200 && status <= 299) {
        co_return body;
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(body);
    if (utf8.hasError()) {
        text = u"<binary>"_s;
    }
    if (status == 429) {
        // The service's own pause when the credentials changed meanwhile: a short one.
        throw refused(pause.value_or(RateBudget::Pause{RateBudget::Clock::now(), 0}), status, text)
            .redacted(secrets);
    }
    throw TrelloAPIError::requestFailed(status, text).redacted(secrets);
}

template <typename T> QCoro::Task<T> TrelloAPI::fetch(Request request)
{
    // Decoding errors quote the answer's text, and an answer may echo the credentials.
    const QStringList secrets{m_apiKey.value_or(QString()), m_token.value_or(QString())};
    const QByteArray body = co_await perform(std::move(request));
    Decoded<T> decoded;
    if (body.size() < offThreadDecodeThreshold) {
        decoded = decodeCaught<T>(body);
    } else {
        decoded = co_await QtConcurrent::run(&decodeCaught<T>, body);
    }
    if (!decoded.value) {
        throw TrelloAPIError::decodingFailed(decoded.error).redacted(secrets);
    }
    co_return std::move(*decoded.value);
}

QCoro::Task<> TrelloAPI::send(Request request)
{
    co_await perform(std::move(request));
}

QCoro::Task<TrelloMember> TrelloAPI::validateCredentials()
{
    return fetch<TrelloMember>(
        {"GET", u"members/me"_s, {{u"fields"_s, u"username,fullName,avatarUrl"_s}}, {}, {}});
}

QCoro::Task<QList<TrelloBoard>> TrelloAPI::fetchBoards()
{
    return fetch<QList<TrelloBoard>>(
        {"GET",
         u"members/me/boards"_s,
         {{u"filter"_s, u"open"_s},
          {u"fields"_s, u"name,desc,closed,starred,url,shortUrl,prefs"_s}},
         {},
         {}});
}

// The endpoint operations live in Endpoints.cpp; they need these instantiations.
template QCoro::Task<TrelloBoard> TrelloAPI::fetch<TrelloBoard>(Request);
template QCoro::Task<TrelloList> TrelloAPI::fetch<TrelloList>(Request);
template QCoro::Task<TrelloCard> TrelloAPI::fetch<TrelloCard>(Request);
template QCoro::Task<TrelloComment> TrelloAPI::fetch<TrelloComment>(Request);
template QCoro::Task<QList<TrelloList>> TrelloAPI::fetch<QList<TrelloList>>(Request);
template QCoro::Task<QList<TrelloCard>> TrelloAPI::fetch<QList<TrelloCard>>(Request);
template QCoro::Task<QList<TrelloLabel>> TrelloAPI::fetch<QList<TrelloLabel>>(Request);
template QCoro::Task<QList<TrelloMember>> TrelloAPI::fetch<QList<TrelloMember>>(Request);
template QCoro::Task<QList<TrelloComment>> TrelloAPI::fetch<QList<TrelloComment>>(Request);
template QCoro::Task<QList<TrelloReaction>> TrelloAPI::fetch<QList<TrelloReaction>>(Request);
template QCoro::Task<QList<TrelloChecklist>> TrelloAPI::fetch<QList<TrelloChecklist>>(Request);
template QCoro::Task<QList<TrelloAttachment>> TrelloAPI::fetch<QList<TrelloAttachment>>(Request);
template QCoro::Task<TrelloSearchResult> TrelloAPI::fetch<TrelloSearchResult>(Request);
template QCoro::Task<QList<TrelloNotification>> TrelloAPI::fetch<QList<TrelloNotification>>(Request);
template QCoro::Task<QList<TrelloMemberCard>> TrelloAPI::fetch<QList<TrelloMemberCard>>(Request);
template TrelloCard TrelloAPI::decode<TrelloCard>(const QByteArray &);
template QList<TrelloCard> TrelloAPI::decode<QList<TrelloCard>>(const QByteArray &);
template QList<TrelloBoard> TrelloAPI::decode<QList<TrelloBoard>>(const QByteArray &);
template QList<TrelloChecklist> TrelloAPI::decode<QList<TrelloChecklist>>(const QByteArray &);
template QList<TrelloComment> TrelloAPI::decode<QList<TrelloComment>>(const QByteArray &);
template QList<TrelloReaction> TrelloAPI::decode<QList<TrelloReaction>>(const QByteArray &);
template QList<TrelloAttachment> TrelloAPI::decode<QList<TrelloAttachment>>(const QByteArray &);
template QList<TrelloList> TrelloAPI::decode<QList<TrelloList>>(const QByteArray &);
template QList<TrelloLabel> TrelloAPI::decode<QList<TrelloLabel>>(const QByteArray &);
template QList<TrelloMember> TrelloAPI::decode<QList<TrelloMember>>(const QByteArray &);
template TrelloMember TrelloAPI::decode<TrelloMember>(const QByteArray &);
template QList<TrelloNotification> TrelloAPI::decode<QList<TrelloNotification>>(const QByteArray &);
template QList<TrelloMemberCard> TrelloAPI::decode<QList<TrelloMemberCard>>(const QByteArray &);
