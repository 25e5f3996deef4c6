// SPDX-License-Identifier: MIT
// Connecting through the service's authorization page in the browser, and starting at login.
#include "AppState.h"

#include <QDesktopServices>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace {
const QString CallbackScheme = u"stavelin"_s;

QString connectedText(const TrelloMember &member)
{
    return u"Connected as "_s + member.fullName.value_or(member.username) + u"."_s;
}

// One query component, percent-encoded. Commas, colons and slashes stay readable, as the
// service's own examples write them; everything that could end or split the item is encoded.
QString queryComponent(const QString &text)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(text, ",:/"));
}
} // namespace

std::optional<QString> AppState::browserAuthKey() const
{
    if (!m_builtInAppKey.isEmpty()) {
        return m_builtInAppKey;
    }
    const QString typed = m_draftKey.trimmed();
    return typed.isEmpty() ? std::nullopt : std::optional(typed);
}

QUrl AppState::authorizationURL(const QString &key)
{
    const std::pair<QString, QString> items[] = {
        {u"expiration"_s, u"never"_s},
        {u"name"_s, u"Stavelin"_s},
        {u"scope"_s, u"read,write"_s},
        {u"response_type"_s, u"token"_s},
        {u"callback_method"_s, u"fragment"_s},
        {u"return_url"_s, CallbackScheme + u"://auth"_s},
        {u"key"_s, key},
    };
    QStringList query;
    for (const auto &[name, value] : items) {
        query.append(queryComponent(name) + u'=' + queryComponent(value));
    }
    QUrl url(QStringLiteral(STAVELIN_AUTHORIZE_URL));
    url.setQuery(query.join(u'&'), QUrl::StrictMode);
    return url;
}

void AppState::beginBrowserAuth()
{
    const std::optional<QString> key = browserAuthKey();
    if (!key) {
        setCredentialsStatus(u"No API key available \u2014 enter one below."_s, true);
        return;
    }
    m_pendingAuthKey = key;
    const QUrl page = authorizationURL(*key);
    if (!page.isValid()) {
        return;
    }
    // The browser takes it from here; the token comes back through handleAuthCallback.
    Q_EMIT browserAuthWillOpen();
    QDesktopServices::openUrl(page);
}

Operation AppState::handleAuthCallback(const QString &url)
{
    return operation(doHandleAuthCallback(url));
}

QCoro::Task<> AppState::doHandleAuthCallback(QString url)
{
    // The scheme as written: "STAVELIN:" is not ours.
    const qsizetype colon = url.indexOf(u':');
    if (colon <= 0 || QStringView(url).left(colon) != CallbackScheme) {
        co_return;
    }
    // Host and path are not checked; the token travels in the fragment, never in the query.
    const QString fragment = QUrl(url).fragment(QUrl::FullyDecoded);
    std::optional<QString> token;
    for (const QString &piece : fragment.split(u'&', Qt::SkipEmptyParts)) {
        const qsizetype equals = piece.indexOf(u'=');
        if (equals <= 0 || equals == piece.size() - 1) {
            continue; // no name or no value: split in two, one of the parts would be empty
        }
        if (QStringView(piece).left(equals) == u"token") {
            token = piece.mid(equals + 1); // a later token item wins; "=" inside is kept
        }
    }
    if (!token) {
        setCredentialsStatus(u"Trello authorization was cancelled or failed."_s, true);
        setError(u"Trello authorization did not return a token."_s);
        co_return;
    }
    co_await doFinishAuth(*token);
}

Operation AppState::finishAuth(const QString &token)
{
    return operation(doFinishAuth(token));
}

QCoro::Task<> AppState::doFinishAuth(QString token)
{
    const QString key = m_pendingAuthKey ? *m_pendingAuthKey : browserAuthKey().value_or(m_apiKey);
    m_pendingAuthKey.reset();
    if (key.isEmpty()) {
        co_return;
    }
    setValidating(true);
    co_await doSaveCredentials(key, token);
    setCredentialsDraftKey(key);
    setCredentialsDraftToken(token);
    if (m_member) {
        setCredentialsStatus(connectedText(*m_member), false);
        Q_EMIT authDidComplete();
    } else if (m_errorMessage) {
        setCredentialsStatus(m_errorMessage, true);
    }
    setValidating(false);
}

void AppState::setLaunchAtLogin(bool enabled)
{
    if (!m_loginItem) {
        setLaunchAtLoginValue(false);
        setError(u"Could not update login item: login items are not available here"_s);
        return;
    }
    if (const std::optional<QString> failure = m_loginItem->setEnabled(enabled)) {
        // Whatever we asked for, show what the system now has.
        setLaunchAtLoginValue(m_loginItem->isEnabled());
        setError(u"Could not update login item: "_s + *failure);
        return;
    }
    setLaunchAtLoginValue(enabled);
}
