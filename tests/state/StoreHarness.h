// SPDX-License-Identifier: MIT
#pragma once

// Builds stores for tests: memory credentials, preferences in a temporary file, a login item
// in a temporary folder, and the service at a loopback server's address.

#include "platform/CredentialStore.h"
#include "platform/KeychainHelper.h"
#include "state/AppState.h"

#include <QCoroTask>
#include <QCoroTimer>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace harness {

inline QString q(const std::string &text)
{
    return QString::fromStdString(text);
}

// Waits for an Operation and gives back its outcome.
inline Outcome await(Operation op)
{
    return QCoro::waitFor([](Operation o) -> QCoro::Task<Outcome> {
        co_return co_await o;
    }(std::move(op)));
}

struct StoreOptions {
    QString baseUrl;
    QString key;
    QString token;
    QString settingsFile; // shared between two stores to test a restart
    std::shared_ptr<CredentialStore> credentials; // a memory store when absent
    std::chrono::milliseconds timeout = TrelloAPI::defaultTimeout;
    std::optional<QString> builtInAppKey; // the build's own when absent
    QNetworkAccessManager *network = nullptr; // the store's own when absent
};

// A credential store that answers late, as a real keyring does (D-Bus round trips, an unlock
// prompt): saves slowly, removals quickly, so jobs that are not kept in order overtake each
// other. Optionally refuses every save.
class LateCredentialStore : public CredentialStore {
public:
    explicit LateCredentialStore(bool refuseSaves = false) : m_refuseSaves(refuseSaves) {}

    QCoro::Task<std::optional<QString>> read(const QString &account) override
    {
        co_await QCoro::sleepFor(std::chrono::milliseconds(60));
        co_return co_await m_values.read(account);
    }
    QCoro::Task<bool> save(const QString &account, const QString &value) override
    {
        co_await QCoro::sleepFor(std::chrono::milliseconds(150));
        if (m_refuseSaves) {
            co_return false;
        }
        co_return co_await m_values.save(account, value);
    }
    QCoro::Task<> remove(const QString &account) override
    {
        co_await QCoro::sleepFor(std::chrono::milliseconds(10));
        co_await m_values.remove(account);
    }

private:
    MemoryCredentialStore m_values;
    bool m_refuseSaves;
};

inline std::unique_ptr<AppState> makeStore(const StoreOptions &options, const QTemporaryDir &dir)
{
    AppState::Dependencies deps;
    std::shared_ptr<CredentialStore> credentials =
        options.credentials ? options.credentials : std::make_shared<MemoryCredentialStore>();
    if (!options.key.isEmpty()) {
        QCoro::waitFor(credentials->save(KeychainHelper::ApiKeyAccount, options.key));
    }
    if (!options.token.isEmpty()) {
        QCoro::waitFor(credentials->save(KeychainHelper::TokenAccount, options.token));
    }
    deps.credentials = std::move(credentials);
    const QString settings =
        options.settingsFile.isEmpty() ? dir.filePath(QStringLiteral("prefs.ini")) : options.settingsFile;
    deps.settings = std::make_unique<QSettings>(settings, QSettings::IniFormat);
    deps.loginItem = std::make_unique<LoginItem>(dir.filePath(QStringLiteral("autostart")),
                                                 QStringLiteral("/usr/bin/stavelin"));
    deps.baseURL = QUrl(options.baseUrl);
    deps.requestTimeout = options.timeout;
    deps.network = options.network;
    if (options.builtInAppKey) {
        deps.builtInAppKey = *options.builtInAppKey;
    }
    auto state = std::make_unique<AppState>(std::move(deps));
    await(state->startup());
    return state;
}

template <typename T> QStringList ids(const QList<T> &records)
{
    QStringList result;
    for (const T &record : records) {
        result.append(record.id);
    }
    return result;
}

} // namespace harness
