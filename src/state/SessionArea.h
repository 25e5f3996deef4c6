// SPDX-License-Identifier: MIT
#pragma once

#include "StoreContext.h"
#include "platform/CredentialStore.h"
#include "platform/LoginItem.h"

#include <QObject>
#include <QVariant>
#include <QtQml/qqmlregistration.h>

#include <functional>
#include <memory>
#include <optional>

// Who is signed in: the credentials and where they are kept, the settings form's drafts and
// status line, connecting through the browser, and starting at login.
class SessionArea : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Part of AppState")
    Q_PROPERTY(QString apiKey READ apiKey NOTIFY credentialsChanged)
    Q_PROPERTY(QString token READ token NOTIFY credentialsChanged)
    Q_PROPERTY(bool hasCredentials READ hasCredentials NOTIFY credentialsChanged)
    Q_PROPERTY(QVariant member READ memberValue NOTIFY memberChanged)
    Q_PROPERTY(QString credentialsDraftKey READ credentialsDraftKey WRITE setCredentialsDraftKey NOTIFY credentialsDraftKeyChanged)
    Q_PROPERTY(QString credentialsDraftToken READ credentialsDraftToken WRITE setCredentialsDraftToken NOTIFY credentialsDraftTokenChanged)
    Q_PROPERTY(QString credentialsStatus READ credentialsStatus NOTIFY credentialsStatusChanged)
    Q_PROPERTY(bool credentialsStatusIsError READ credentialsStatusIsError NOTIFY credentialsStatusChanged)
    Q_PROPERTY(bool isValidatingCredentials READ isValidatingCredentials NOTIFY isValidatingCredentialsChanged)
    Q_PROPERTY(bool launchAtLogin READ launchAtLogin NOTIFY launchAtLoginChanged)
    Q_PROPERTY(QString browserAuthKey READ browserAuthKeyText NOTIFY credentialsDraftKeyChanged)
    // The account of a callback that came while no authorization was under way, waiting for
    // the user to connect it or not (a TrelloMember), or undefined.
    Q_PROPERTY(QVariant callbackAccount READ callbackAccountValue NOTIFY callbackAccountChanged)
    // For the settings form: its layout depends on whether the program has its own key, and its
    // links lead to the service's authorization and developer key pages.
    Q_PROPERTY(bool hasBuiltInAppKey READ hasBuiltInAppKey CONSTANT)
    Q_PROPERTY(QString authorizePageURL READ authorizePageURL CONSTANT)
    Q_PROPERTY(QString developerKeyPageURL READ developerKeyPageURL CONSTANT)
public:
    SessionArea(StoreContext &context, std::shared_ptr<CredentialStore> credentials,
                std::unique_ptr<LoginItem> loginItem, QString builtInAppKey,
                QObject *parent = nullptr);
    ~SessionArea() override;

    // What a successful connect loads next (the board list).
    void setAfterConnect(std::function<QCoro::Task<>()> afterConnect)
    {
        m_afterConnect = std::move(afterConnect);
    }
    // Reads the keyring, validates and loads the boards.
    QCoro::Task<> startup();
    // The pair in use, not yet confirmed by the service (it was out of reach at start): asks
    // it again, and confirmed, the account is signed in and its boards load.
    QCoro::Task<> confirm();

    QString apiKey() const { return m_apiKey; }
    QString token() const { return m_token; }
    bool hasCredentials() const { return !m_apiKey.isEmpty() && !m_token.isEmpty(); }
    const std::optional<TrelloMember> &member() const { return m_member; }
    QVariant memberValue() const;
    QString credentialsDraftKey() const { return m_draftKey; }
    void setCredentialsDraftKey(const QString &key);
    QString credentialsDraftToken() const { return m_draftToken; }
    void setCredentialsDraftToken(const QString &token);
    QString credentialsStatus() const { return m_status.value_or(QString()); }
    bool credentialsStatusIsError() const { return m_statusIsError; }
    bool isValidatingCredentials() const { return m_isValidating; }
    bool launchAtLogin() const { return m_launchAtLogin; }
    std::optional<QString> pendingAuthKey() const { return m_pendingAuthKey; }
    std::optional<TrelloMember> callbackAccount() const;
    QVariant callbackAccountValue() const;

    std::optional<QString> browserAuthKey() const;
    QString browserAuthKeyText() const { return browserAuthKey().value_or(QString()); }
    bool hasBuiltInAppKey() const { return !m_builtInAppKey.isEmpty(); }
    static QString authorizePageURL() { return QStringLiteral(STAVELIN_AUTHORIZE_URL); }
    static QString developerKeyPageURL()
    {
        return QStringLiteral("https://" STAVELIN_WEB_ADDRESS "/power-ups/admin");
    }
    // The authorization page for a key, with its query in the service's order.
    static QUrl authorizationURL(const QString &key);

    Q_INVOKABLE Operation saveDraftCredentials();
    Q_INVOKABLE Operation saveCredentials(const QString &apiKey, const QString &token);
    Q_INVOKABLE void clearCredentials();
    Q_INVOKABLE void beginBrowserAuth();
    // Takes the address as text: QUrl folds the scheme to lower case, and only the program's
    // own scheme, spelled exactly, is accepted.
    Q_INVOKABLE Operation handleAuthCallback(const QString &url);
    Operation finishAuth(const QString &token);
    // The user's answer about the callback's account: only Connect stores and uses it.
    Q_INVOKABLE Operation confirmCallbackAccount();
    Q_INVOKABLE void cancelCallbackAccount();
    Q_INVOKABLE void setLaunchAtLogin(bool enabled);

    // Said when the keyring does not take the credentials.
    static QString keyringFailureText();

Q_SIGNALS:
    void credentialsChanged();
    void memberChanged();
    void credentialsDraftKeyChanged();
    void credentialsDraftTokenChanged();
    void credentialsStatusChanged();
    void isValidatingCredentialsChanged();
    void launchAtLoginChanged();
    // Fires once each time a browser authorization succeeds.
    void authDidComplete();
    // Fires just before the authorization page opens, so the desktop shell can make sure the
    // browser will find its way back (a build run from its tree registers its URL scheme).
    void browserAuthWillOpen();
    // The user disconnected: everything of the account that left must go.
    void disconnected();
    void callbackAccountChanged();

private:
    // Uses a pair at once, stores it and validates it. The member when it was accepted, nothing
    // when a later connect or a disconnect took over meanwhile; throws when it was refused.
    QCoro::Task<std::optional<TrelloMember>> connect(QString apiKey, QString token);
    QCoro::Task<> connectWithStatus(QString operation, QString apiKey, QString token,
                                    bool fromBrowser);
    QCoro::Task<> doHandleAuthCallback(QString url);
    QCoro::Task<> doFinishAuth(QString token);
    QCoro::Task<> askToConnect(QString token);
    void dropCallbackAccount();

    void setMember(std::optional<TrelloMember> member);
    void setStatus(const std::optional<QString> &status, bool isError);
    void setValidating(bool validating);
    void setLaunchAtLoginValue(bool enabled);

    StoreContext &m_context;
    std::shared_ptr<CredentialStore> m_credentials;
    std::unique_ptr<LoginItem> m_loginItem;
    QString m_builtInAppKey;
    std::function<QCoro::Task<>()> m_afterConnect;

    QString m_apiKey;
    QString m_token;
    quint64 m_connection = 0; // counts connects and disconnects: the latest one wins
    bool m_keyringFailed = false;
    std::optional<TrelloMember> m_member;
    QString m_draftKey;
    QString m_draftToken;
    std::optional<QString> m_status;
    bool m_statusIsError = false;
    int m_validating = 0;
    bool m_isValidating = false;
    bool m_launchAtLogin = false;
    std::optional<QString> m_pendingAuthKey;

    // A callback's pair waiting for the user's word, and the account it belongs to.
    struct CallbackAccount {
        QString apiKey;
        QString token;
        TrelloMember member;
    };
    std::optional<CallbackAccount> m_callbackAccount;
    quint64 m_callbacks = 0; // counts unasked-for callbacks: only the latest one asks
};
