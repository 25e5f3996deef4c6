// SPDX-License-Identifier: MIT
#pragma once

#include "CredentialStore.h"

#include <chrono>

// The desktop keyring (Secret Service, KWallet, macOS Keychain …) through QtKeychain. Each item
// is keyed by the service name and an account; the value is the text's UTF-8 bytes.
//
// A keyring can hang (an unlock prompt nobody answers), so every job has its own time-out and a
// job that runs out counts as failed. Jobs are never owned by this object: a job that finishes
// after its caller gave up, or after this object is gone, just deletes itself.
class KeychainHelper : public CredentialStore {
public:
    static inline const QString DefaultService = QStringLiteral("com.fennelworks.StavelinTrello");
    static inline const QString ApiKeyAccount = QStringLiteral("trello.apiKey");
    static inline const QString TokenAccount = QStringLiteral("trello.token");
    static constexpr std::chrono::milliseconds DefaultTimeout{5000};

    explicit KeychainHelper(QString service = DefaultService,
                            std::chrono::milliseconds timeout = DefaultTimeout);

    QString service() const { return m_service; }
    std::chrono::milliseconds timeout() const { return m_timeout; }

    QCoro::Task<std::optional<QString>> read(const QString &account) override;
    QCoro::Task<bool> save(const QString &account, const QString &value) override;
    QCoro::Task<> remove(const QString &account) override;

private:
    QString m_service;
    std::chrono::milliseconds m_timeout;
};
