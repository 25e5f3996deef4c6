// SPDX-License-Identifier: MIT
// Credentials: reading them at start, connecting with a typed pair or through the browser,
// disconnecting, and the login item.
#include "SessionArea.h"

#include "CallbackUrl.h"
#include "SerialCredentialStore.h"
#include "platform/KeychainHelper.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace {
const QString CallbackScheme = QString::fromUtf16(CallbackUrl::Scheme);

QString connectedText(const TrelloMember &member)
{
    return QCoreApplication::translate("SessionArea", "Connected as %1.")
        .arg(member.fullName.value_or(member.username));
}

// One query component, percent-encoded. Commas, colons and slashes stay readable, as the
// service's own examples write them; everything that could end or split the item is encoded.
QString queryComponent(const QString &text)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(text, ",:/"));
}
} // namespace

bool StoreContext::hasCredentials() const
{
    return m_session && m_session->hasCredentials();
}

bool StoreContext::isLostAccess(const std::exception &error, bool *cardOnly)
{
    const auto *apiError = dynamic_cast<const TrelloAPIError *>(&error);
    if (!apiError || apiError->kind() != TrelloAPIError::Kind::RequestFailed || apiError->status() != 401) {
        return false;
    }
    const QString said = apiError->detail().trimmed();
    *cardOnly = said == u"unauthorized card permission requested"_s;
    return *cardOnly || said == u"unauthorized permission requested"_s;
}

SessionArea::SessionArea(StoreContext &context, std::shared_ptr<CredentialStore> credentials,
                         std::unique_ptr<LoginItem> loginItem, QString builtInAppKey,
                         QObject *parent)
    : QObject(parent),
      m_context(context),
      m_credentials(std::make_shared<SerialCredentialStore>(
          credentials ? std::move(credentials) : std::make_shared<MemoryCredentialStore>())),
      m_loginItem(std::move(loginItem)),
      m_builtInAppKey(std::move(builtInAppKey))
{
    m_launchAtLogin = m_loginItem && m_loginItem->isEnabled();
}

SessionArea::~SessionArea() = default;

QString SessionArea::keyringFailureText()
{
    return tr("The keyring did not store the credentials: they are used until Stavelin quits.");
}

QCoro::Task<> SessionArea::startup()
{
    const quint64 connection = m_connection;
    // The keyring answers asynchronously; the window is up meanwhile.
    const std::optional<QString> storedKey = co_await m_credentials->read(KeychainHelper::ApiKeyAccount);
    const std::optional<QString> storedToken = co_await m_credentials->read(KeychainHelper::TokenAccount);
    if (connection != m_connection) {
        co_return; // the user connected or disconnected meanwhile: that pair wins
    }
    const QString key = storedKey.value_or(QString());
    const QString token = storedToken.value_or(QString());
    m_apiKey = key;
    m_token = token;
    setCredentialsDraftKey(key);
    setCredentialsDraftToken(token);
    m_context.api().setCredentials(key, token);
    Q_EMIT credentialsChanged();
    if (!hasCredentials()) {
        co_return;
    }
    std::optional<TrelloMember> member;
    try {
        member = co_await m_context.api().validateCredentials();
    } catch (const std::exception &) {
        // Invalid stored credentials: the board refresh that follows says why.
    }
    if (connection != m_connection) {
        co_return;
    }
    setMember(member);
    if (m_afterConnect) {
        co_await m_afterConnect();
    }
}

QCoro::Task<> SessionArea::confirm()
{
    const quint64 connection = m_connection;
    if (!hasCredentials() || m_member) {
        co_return;
    }
    // A failure ends the operation; the member stays unknown, as at start.
    const TrelloMember member = co_await m_context.api().validateCredentials();
    if (connection != m_connection) {
        co_return;
    }
    setMember(member);
    if (m_afterConnect) {
        co_await m_afterConnect();
    }
}

QVariant SessionArea::memberValue() const
{
    return m_member ? QVariant::fromValue(*m_member) : QVariant();
}

void SessionArea::setMember(std::optional<TrelloMember> member)
{
    if (m_member != member) {
        m_member = std::move(member);
        Q_EMIT memberChanged();
    }
}

void SessionArea::setCredentialsDraftKey(const QString &key)
{
    if (m_draftKey != key) {
        m_draftKey = key;
        Q_EMIT credentialsDraftKeyChanged();
    }
}

void SessionArea::setCredentialsDraftToken(const QString &token)
{
    if (m_draftToken != token) {
        m_draftToken = token;
        Q_EMIT credentialsDraftTokenChanged();
    }
}

void SessionArea::setStatus(const std::optional<QString> &status, bool isError)
{
    if (m_status != status || m_statusIsError != isError) {
        m_status = status;
        m_statusIsError = isError;
        Q_EMIT credentialsStatusChanged();
    }
}

void SessionArea::setValidating(bool validating)
{
    // Counted: of two overlapping connects, the flag clears when the last one ends.
    m_validating += validating ? 1 : -1;
    const bool now = m_validating > 0;
    if (m_isValidating != now) {
        m_isValidating = now;
        Q_EMIT isValidatingCredentialsChanged();
    }
}

void SessionArea::setLaunchAtLoginValue(bool enabled)
{
    if (m_launchAtLogin != enabled) {
        m_launchAtLogin = enabled;
        Q_EMIT launchAtLoginChanged();
    }
}

QCoro::Task<std::optional<TrelloMember>> SessionArea::connect(QString apiKey, QString token)
{
    const quint64 connection = ++m_connection;
    dropCallbackAccount(); // the user chose a pair: an earlier question is answered
    m_apiKey = apiKey;
    m_token = token;
    // The client has the pair before the keyring is asked: a refresh that starts while the
    // keyring is busy must not go out with the old pair, or none.
    m_context.api().setCredentials(apiKey, token);
    Q_EMIT credentialsChanged();

    // Both saves are queued at once, so a disconnect that comes meanwhile queues behind both.
    auto keySaved = m_credentials->save(KeychainHelper::ApiKeyAccount, apiKey);
    auto tokenSaved = m_credentials->save(KeychainHelper::TokenAccount, token);
    const bool keyStored = co_await std::move(keySaved);
    const bool tokenStored = co_await std::move(tokenSaved);
    if (connection != m_connection) {
        co_return std::nullopt;
    }
    m_keyringFailed = !keyStored || !tokenStored;
    if (m_keyringFailed) {
        m_context.errors().record(ErrorLog::Kind::Keyring, u"saveCredentials"_s, keyringFailureText());
    }

    std::optional<TrelloMember> member;
    try {
        member = co_await m_context.api().validateCredentials();
    } catch (const std::exception &) {
        if (connection == m_connection) {
            setMember(std::nullopt); // nobody is signed in with a refused pair
        }
        throw;
    }
    if (connection != m_connection) {
        co_return std::nullopt;
    }
    setMember(member);
    if (!m_keyringFailed) {
        m_context.errors().clear();
    }
    if (m_afterConnect) {
        co_await m_afterConnect();
    }
    co_return member;
}

QCoro::Task<> SessionArea::connectWithStatus(QString operation, QString apiKey, QString token,
                                             bool fromBrowser)
{
    setValidating(true);
    std::optional<TrelloMember> member;
    std::optional<QString> failure;
    try {
        member = co_await connect(apiKey, token);
    } catch (const std::exception &error) {
        failure = m_context.errors().record(operation, error);
    }
    setValidating(false);
    if (fromBrowser && (failure || member)) { // the form shows the pair in use, accepted or not
        setCredentialsDraftKey(apiKey);
        setCredentialsDraftToken(token);
    }
    if (failure) {
        setStatus(failure, true);
        throw ReportedFailure(*failure);
    }
    if (!member) {
        co_return; // a later connect or a disconnect took over; it sets the status
    }
    if (m_keyringFailed) {
        setStatus(tr("Connected as %1. The keyring did not store the credentials: they are used "
                     "until Stavelin quits.")
                      .arg(member->fullName.value_or(member->username)),
                  true);
    } else {
        setStatus(connectedText(*member), false);
    }
    if (fromBrowser) {
        Q_EMIT authDidComplete();
    }
}

Operation SessionArea::saveDraftCredentials()
{
    const QString key = m_draftKey.trimmed();
    const QString token = m_draftToken.trimmed();
    if (key.isEmpty() || token.isEmpty()) {
        return Operation::finished(Outcome::failure(tr("Enter an API key and a token.")));
    }
    return m_context.run(u"saveDraftCredentials"_s,
                         connectWithStatus(u"saveDraftCredentials"_s, key, token, false));
}

Operation SessionArea::saveCredentials(const QString &apiKey, const QString &token)
{
    return m_context.run(u"saveCredentials"_s, [](SessionArea *self, QString key,
                                                  QString token) -> QCoro::Task<> {
        co_await self->connect(key, token);
    }(this, apiKey, token));
}

void SessionArea::clearCredentials()
{
    ++m_connection;
    dropCallbackAccount();
    m_apiKey.clear();
    m_token.clear();
    m_context.api().setCredentials(QString(), QString());
    Q_EMIT credentialsChanged();
    setMember(std::nullopt);
    setCredentialsDraftKey(QString());
    setCredentialsDraftToken(QString());
    setStatus(tr("Disconnected."), false);
    Q_EMIT disconnected();
    // Queued behind any save still running, so the keyring ends up empty.
    m_credentials->remove(KeychainHelper::ApiKeyAccount);
    m_credentials->remove(KeychainHelper::TokenAccount);
}

// Browser authorization

std::optional<QString> SessionArea::browserAuthKey() const
{
    if (!m_builtInAppKey.isEmpty()) {
        return m_builtInAppKey;
    }
    const QString typed = m_draftKey.trimmed();
    return typed.isEmpty() ? std::nullopt : std::optional(typed);
}

QUrl SessionArea::authorizationURL(const QString &key)
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

void SessionArea::beginBrowserAuth()
{
    const std::optional<QString> key = browserAuthKey();
    if (!key) {
        setStatus(tr("No API key available — enter one below."), true);
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

Operation SessionArea::handleAuthCallback(const QString &url)
{
    return m_context.run(u"handleAuthCallback"_s, doHandleAuthCallback(url));
}

QCoro::Task<> SessionArea::doHandleAuthCallback(QString url)
{
    if (!CallbackUrl::isOurs(url)) {
        throw ReportedFailure(tr("Not a Stavelin callback address."));
    }
    const std::optional<QString> token = CallbackUrl::token(url);
    if (!token) {
        setStatus(tr("Trello authorization was cancelled or failed."), true);
        throw ReportedFailure(m_context.errors().record(
            ErrorLog::Kind::Authorization, u"handleAuthCallback"_s,
            tr("Trello authorization did not return a token.")));
    }
    if (m_pendingAuthKey) {
        co_await doFinishAuth(*token); // the answer to the authorization the user started
    } else {
        co_await askToConnect(*token);
    }
}

// Any web page can send the browser to the callback address, with a token of an account of
// its choosing. A callback that nobody here asked for (none is under way; after a restart,
// say) therefore connects nothing by itself: the token is checked without being used or
// stored, and the panel asks whether to connect that account.
QCoro::Task<> SessionArea::askToConnect(QString token)
{
    const QString key = browserAuthKey().value_or(m_apiKey);
    if (key.isEmpty()) {
        throw ReportedFailure(m_context.errors().record(
            ErrorLog::Kind::Authorization, u"handleAuthCallback"_s,
            tr("No API key to go with the token from the browser.")));
    }
    const quint64 callback = ++m_callbacks;
    // A client of its own: the pair in use stays in use, for every request meanwhile too.
    TrelloAPI probe(m_context.api().network(), m_context.api().baseURL());
    probe.setTimeout(m_context.api().timeout());
    probe.setCredentials(key, token);
    setValidating(true);
    std::optional<TrelloMember> member;
    std::optional<QString> failure;
    try {
        member = co_await probe.validateCredentials();
    } catch (const std::exception &error) {
        // Unless a later callback or connect took over meanwhile, say why nothing is asked.
        if (callback == m_callbacks) {
            failure = m_context.errors().record(u"handleAuthCallback"_s, error);
        }
    }
    setValidating(false);
    if (callback != m_callbacks) {
        co_return;
    }
    if (failure) {
        setStatus(failure, true);
        throw ReportedFailure(*failure);
    }
    m_callbackAccount = CallbackAccount{key, token, *member};
    Q_EMIT callbackAccountChanged();
}

std::optional<TrelloMember> SessionArea::callbackAccount() const
{
    return m_callbackAccount ? std::optional(m_callbackAccount->member) : std::nullopt;
}

QVariant SessionArea::callbackAccountValue() const
{
    return m_callbackAccount ? QVariant::fromValue(m_callbackAccount->member) : QVariant();
}

void SessionArea::dropCallbackAccount()
{
    ++m_callbacks; // and a check still under way asks nothing when it ends
    if (m_callbackAccount) {
        m_callbackAccount.reset();
        Q_EMIT callbackAccountChanged();
    }
}

Operation SessionArea::confirmCallbackAccount()
{
    if (!m_callbackAccount) {
        return m_context.refuse(u"confirmCallbackAccount"_s,
                                tr("No account from the browser is waiting to be connected."));
    }
    const CallbackAccount account = *m_callbackAccount;
    return m_context.run(u"confirmCallbackAccount"_s,
                         connectWithStatus(u"confirmCallbackAccount"_s, account.apiKey,
                                           account.token, true));
}

void SessionArea::cancelCallbackAccount()
{
    if (m_callbackAccount) {
        m_callbackAccount.reset();
        Q_EMIT callbackAccountChanged();
    }
}

Operation SessionArea::finishAuth(const QString &token)
{
    return m_context.run(u"finishAuth"_s, doFinishAuth(token));
}

QCoro::Task<> SessionArea::doFinishAuth(QString token)
{
    const QString key = m_pendingAuthKey ? *m_pendingAuthKey : browserAuthKey().value_or(m_apiKey);
    m_pendingAuthKey.reset();
    if (key.isEmpty()) {
        throw ReportedFailure(m_context.errors().record(
            ErrorLog::Kind::Authorization, u"finishAuth"_s,
            tr("No API key to go with the token from the browser.")));
    }
    co_await connectWithStatus(u"finishAuth"_s, key, token, true);
}

void SessionArea::setLaunchAtLogin(bool enabled)
{
    if (!m_loginItem) {
        setLaunchAtLoginValue(false);
        m_context.errors().record(ErrorLog::Kind::Local, u"setLaunchAtLogin"_s,
                                  tr("Could not update login item: login items are not available here"));
        return;
    }
    if (const std::optional<QString> failure = m_loginItem->setEnabled(enabled)) {
        // Whatever we asked for, show what the system now has.
        setLaunchAtLoginValue(m_loginItem->isEnabled());
        m_context.errors().record(ErrorLog::Kind::Local, u"setLaunchAtLogin"_s,
                                  tr("Could not update login item: %1").arg(*failure));
        return;
    }
    setLaunchAtLoginValue(enabled);
}
