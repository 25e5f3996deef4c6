// SPDX-License-Identifier: MIT
// What the client tests share: a loopback server, a client pointed at it, and a way to wait for
// an operation that turns its outcome (value or error text) into something a test can compare.
#pragma once

#include "api/TrelloAPI.h"
#include "sandbox/LoopbackServer.h"

#include <QCoroTask>
#include <QNetworkAccessManager>
#include <QString>
#include <QUrl>

#include <memory>
#include <optional>

namespace harness {

// Shaped like the real ones: a 32-hex key and a 76-character token.
inline const QString apiKey = QStringLiteral("3f9d0c7a5e1b48d2a6c4e8f07b19d5c3");
inline const QString token = QStringLiteral(
    "ATTA9b2e4c6d8f0a1b3c5d7e9f1a2b4c6d8e0f1a3b5c7d9e1f2a4b6c8d0e2f4a6b8c0d2e4f6A1B2C3D4");

template <typename T> struct Outcome {
    std::optional<T> value;
    QString error; // the user-visible message; empty on success
    bool ok() const { return error.isEmpty(); }
};
template <> struct Outcome<void> {
    QString error;
    bool ok() const { return error.isEmpty(); }
};

// QCoro::waitFor never returns when the awaited task throws, so failures are caught inside.
template <typename T> QCoro::Task<Outcome<T>> settle(QCoro::Task<T> task)
{
    Outcome<T> outcome;
    try {
        if constexpr (std::is_void_v<T>) {
            co_await std::move(task);
        } else {
            outcome.value = co_await std::move(task);
        }
    } catch (const TrelloAPIError &error) {
        outcome.error = error.errorDescription();
    } catch (...) {
        outcome.error = QStringLiteral("<not a TrelloAPIError>");
    }
    co_return outcome;
}

template <typename T> Outcome<T> await(QCoro::Task<T> task)
{
    return QCoro::waitFor(settle(std::move(task)));
}

inline QString qs(const std::string &utf8)
{
    return QString::fromStdString(utf8);
}

// A started server and a client with credentials, torn down in reverse order.
struct Rig {
    std::unique_ptr<sandbox::LoopbackServer> server = std::make_unique<sandbox::LoopbackServer>();
    std::unique_ptr<QNetworkAccessManager> network = std::make_unique<QNetworkAccessManager>();
    std::unique_ptr<TrelloAPI> api;

    explicit Rig(const QString &basePath = QStringLiteral("/1"))
    {
        server->start();
        QUrl base;
        base.setScheme(QStringLiteral("http"));
        base.setHost(QStringLiteral("127.0.0.1"));
        base.setPort(server->port());
        base.setPath(basePath);
        api = std::make_unique<TrelloAPI>(network.get(), base);
        api->setCredentials(apiKey, token);
    }
    ~Rig()
    {
        // Closing the client's keep-alive connections first lets the server stop at once.
        api.reset();
        network.reset();
        server->stop();
    }
};

} // namespace harness
