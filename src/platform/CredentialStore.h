// SPDX-License-Identifier: MIT
#pragma once

#include <QCoroTask>
#include <QHash>
#include <QString>

#include <optional>

// Where the API key and the token live between runs. The store talks to this interface so
// that the demo and the tests can keep credentials in memory instead of the desktop keyring.
class CredentialStore {
public:
    virtual ~CredentialStore() = default;

    // The stored text, or nothing: a missing item and every kind of failure look the same.
    virtual QCoro::Task<std::optional<QString>> read(const QString &account) = 0;
    // Replaces whatever is stored under the account. False when the value was not stored.
    virtual QCoro::Task<bool> save(const QString &account, const QString &value) = 0;
    // Removes the item; a missing item, or a store that refuses, is not reported.
    virtual QCoro::Task<> remove(const QString &account) = 0;
};

// Keeps values for the life of the object only.
class MemoryCredentialStore : public CredentialStore {
public:
    QCoro::Task<std::optional<QString>> read(const QString &account) override
    {
        const auto it = m_values.constFind(account);
        co_return it == m_values.cend() ? std::nullopt : std::optional<QString>(*it);
    }

    QCoro::Task<bool> save(const QString &account, const QString &value) override
    {
        m_values.insert(account, value);
        co_return true;
    }

    QCoro::Task<> remove(const QString &account) override
    {
        m_values.remove(account);
        co_return;
    }

private:
    QHash<QString, QString> m_values;
};
