// SPDX-License-Identifier: MIT
#pragma once

// Builds stores for tests: memory credentials, preferences in a temporary file, a login item
// in a temporary folder, and the service at a loopback server's address.

#include "platform/CredentialStore.h"
#include "platform/KeychainHelper.h"
#include "state/AppState.h"

#include <QCoroTask>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace harness {

inline QString q(const std::string &text)
{
    return QString::fromStdString(text);
}

// Waits for an Operation (or anything awaitable) and gives back its result.
template <typename Awaitable> QVariant await(Awaitable op)
{
    return QCoro::waitFor([](Awaitable o) -> QCoro::Task<QVariant> {
        co_return co_await o;
    }(std::move(op)));
}

struct StoreOptions {
    QString baseUrl;
    QString key;
    QString token;
    QString settingsFile; // shared between two stores to test a restart
};

inline std::unique_ptr<AppState> makeStore(const StoreOptions &options, const QTemporaryDir &dir)
{
    AppState::Dependencies deps;
    auto credentials = std::make_unique<MemoryCredentialStore>();
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
