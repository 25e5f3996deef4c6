// SPDX-License-Identifier: MIT
#pragma once

#include <QLockFile>
#include <QObject>
#include <QStringList>

#include <chrono>

class QLocalServer;
class QLocalSocket;

// One running program per user (and per mode). The first start holds a lock file and listens
// on a local socket that only this user can reach, both in the user's runtime directory. A
// later start hands its arguments (callback URLs) to the first one over that socket, waits for
// the answer, and exits: the browser's URL opener waits for it.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    enum class Role {
        Primary,    // this is the running program now
        HandedOver, // another one took the arguments; exit
        Failed,     // another one holds the lock but does not answer
    };

    explicit SingleInstance(const QString &name, QObject *parent = nullptr);
    ~SingleInstance() override;

    Role claim(const QStringList &arguments,
               std::chrono::milliseconds patience = std::chrono::seconds(3));
    QString socketPath() const { return m_socketPath; }

    // What one start may hand over; anything larger is dropped.
    static constexpr qint64 MaxMessageBytes = 64 * 1024;

Q_SIGNALS:
    // Another start of the program, with its arguments (possibly none).
    void activated(const QStringList &arguments);

private:
    void listen();
    void receive(QLocalSocket *socket);
    bool handOver(const QStringList &arguments, std::chrono::milliseconds patience);

    QString m_socketPath;
    QLockFile m_lock;
    QLocalServer *m_server = nullptr;
};
