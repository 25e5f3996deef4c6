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
// later start hands its request (callback URLs, or --toggle / --show / --quick-add) to the first one over
// that socket, waits for the answer, and exits: the browser's URL opener waits for it.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    // What a later start asks of the running program.
    struct Request {
        enum class Action { Open, Show, Toggle, QuickAdd };
        Action action = Action::Open; // Open: the URLs, and the panel shows
        QStringList urls;
        // The desktop's permission to take the focus (XDG activation token or startup id),
        // from the start's environment; empty when it had none.
        QString activationToken;

        // On the socket a request is a list of arguments as on a command line, so a program
        // from before --toggle existed still shows its panel for one and drops the rest.
        QStringList encode() const;
        // Unknown options and anything but a token in the token's place are dropped.
        static Request decode(const QStringList &message);
        bool operator==(const Request &) const = default;
    };
    // Whether the text can be an activation token or startup id, as desktops hand them out:
    // printable ASCII, not long. Nothing else is passed on to the window system.
    static bool isActivationToken(const QString &token);
    enum class Role {
        Primary,    // this is the running program now
        HandedOver, // another one took the arguments; exit
        Failed,     // another one holds the lock but does not answer
    };

    explicit SingleInstance(const QString &name, QObject *parent = nullptr);
    ~SingleInstance() override;

    Role claim(const Request &request,
               std::chrono::milliseconds patience = std::chrono::seconds(3));
    QString socketPath() const { return m_socketPath; }

    // What one start may hand over; anything larger is dropped.
    static constexpr qint64 MaxMessageBytes = 64 * 1024;
    static constexpr quint32 MaxArguments = 256;

Q_SIGNALS:
    // Another start of the program, with what it asks for.
    void requested(const SingleInstance::Request &request);

private:
    void listen();
    void receive(QLocalSocket *socket);
    bool handOver(const Request &request, std::chrono::milliseconds patience);

    QString m_socketPath;
    QLockFile m_lock;
    QLocalServer *m_server = nullptr;
};
