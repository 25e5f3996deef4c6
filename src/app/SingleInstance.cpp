// SPDX-License-Identifier: MIT
#include "SingleInstance.h"

#include <QDataStream>
#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>

#include <algorithm>

namespace {
constexpr quint32 Magic = 0x53544156; // "STAV"
constexpr char Acknowledged = '!';

const QString ToggleOption = QStringLiteral("--toggle");
const QString ShowOption = QStringLiteral("--show");
const QString QuickAddOption = QStringLiteral("--quick-add");
const QString TokenOption = QStringLiteral("--activation-token=");

QString runtimeDirectory()
{
    // XDG_RUNTIME_DIR, or a private fallback that Qt creates with mode 0700.
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return dir.isEmpty() ? QDir::tempPath() : dir;
}
} // namespace

QStringList SingleInstance::Request::encode() const
{
    QStringList message = urls;
    if (action != Action::Open) {
        message.append(action == Action::Toggle     ? ToggleOption
                       : action == Action::QuickAdd ? QuickAddOption
                                                    : ShowOption);
    }
    if (!activationToken.isEmpty()) {
        message.append(TokenOption + activationToken);
    }
    return message;
}

SingleInstance::Request SingleInstance::Request::decode(const QStringList &message)
{
    Request request;
    for (const QString &argument : message) {
        if (argument == ToggleOption) {
            request.action = Action::Toggle;
        } else if (argument == QuickAddOption) {
            request.action = Action::QuickAdd;
        } else if (argument == ShowOption) {
            request.action = request.action == Action::Open ? Action::Show : request.action;
        } else if (argument.startsWith(TokenOption)) {
            const QString token = argument.mid(TokenOption.size());
            if (isActivationToken(token)) {
                request.activationToken = token;
            }
        } else if (!argument.startsWith(QLatin1Char('-'))) {
            request.urls.append(argument); // the shell takes only its own scheme
        }
    }
    return request;
}

bool SingleInstance::isActivationToken(const QString &token)
{
    constexpr qsizetype longest = 1024;
    return !token.isEmpty() && token.size() <= longest
           && std::all_of(token.cbegin(), token.cend(),
                          [](QChar c) { return c.unicode() > 0x20 && c.unicode() < 0x7f; });
}

SingleInstance::SingleInstance(const QString &name, QObject *parent)
    : QObject(parent),
      m_socketPath(QDir(runtimeDirectory()).filePath(name + QStringLiteral(".socket"))),
      m_lock(QDir(runtimeDirectory()).filePath(name + QStringLiteral(".lock")))
{
    m_lock.setStaleLockTime(0); // only a dead owner makes the lock stale, never its age
}

SingleInstance::~SingleInstance()
{
    if (m_server) {
        m_server->close();
    }
}

SingleInstance::Role SingleInstance::claim(const Request &request,
                                           std::chrono::milliseconds patience)
{
    // The lock decides who is first, so two starts at the same moment cannot both listen.
    // QLockFile takes over the lock of a program that died.
    if (m_lock.tryLock(0)) {
        listen();
        return Role::Primary;
    }
    return handOver(request, patience) ? Role::HandedOver : Role::Failed;
}

void SingleInstance::listen()
{
    QLocalServer::removeServer(m_socketPath); // a socket left behind by a crash
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] { receive(socket); });
            receive(socket);
        }
    });
    // Without the socket the program still runs; later starts then fail to hand over.
    m_server->listen(m_socketPath);
}

void SingleInstance::receive(QLocalSocket *socket)
{
    if (socket->bytesAvailable() > MaxMessageBytes) {
        socket->abort();
        return;
    }
    QDataStream stream(socket);
    stream.startTransaction();
    quint32 magic = 0;
    quint32 count = 0;
    stream >> magic >> count;
    // Read by hand: QDataStream would reserve room for as many strings as the count says,
    // which a garbled message puts in the billions.
    const bool garbled = stream.status() == QDataStream::Ok && (magic != Magic || count > MaxArguments);
    QStringList arguments;
    for (quint32 i = 0; !garbled && i < count && stream.status() == QDataStream::Ok; ++i) {
        QString argument;
        stream >> argument;
        arguments.append(argument);
    }
    if (garbled || stream.status() == QDataStream::ReadCorruptData) {
        socket->abort();
        return;
    }
    if (!stream.commitTransaction()) {
        return; // not all of it yet
    }
    socket->write(&Acknowledged, 1);
    socket->flush();
    socket->disconnectFromServer();
    Q_EMIT requested(Request::decode(arguments));
}

bool SingleInstance::handOver(const Request &request, std::chrono::milliseconds patience)
{
    QByteArray message;
    {
        QDataStream stream(&message, QIODevice::WriteOnly);
        stream << Magic << request.encode();
    }
    if (message.size() > MaxMessageBytes || request.encode().size() > qsizetype(MaxArguments)) {
        return false;
    }
    // The first program may be between taking the lock and listening: try again for a while.
    const QDeadlineTimer deadline(patience);
    while (!deadline.hasExpired()) {
        QLocalSocket socket;
        socket.connectToServer(m_socketPath);
        if (socket.waitForConnected(int(std::max<qint64>(deadline.remainingTime(), 1)))) {
            socket.write(message);
            if (!socket.waitForBytesWritten(int(std::max<qint64>(deadline.remainingTime(), 1)))) {
                return false;
            }
            while (socket.bytesAvailable() < 1
                   && socket.waitForReadyRead(int(std::max<qint64>(deadline.remainingTime(), 1)))) {
            }
            char answer = 0;
            return socket.read(&answer, 1) == 1 && answer == Acknowledged;
        }
        QThread::msleep(50);
    }
    return false;
}
