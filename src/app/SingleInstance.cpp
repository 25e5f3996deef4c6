// SPDX-License-Identifier: MIT
#include "SingleInstance.h"

#include <QDataStream>
#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>

namespace {
constexpr quint32 Magic = 0x53544156; // "STAV"
constexpr char Acknowledged = '!';

QString runtimeDirectory()
{
    // XDG_RUNTIME_DIR, or a private fallback that Qt creates with mode 0700.
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return dir.isEmpty() ? QDir::tempPath() : dir;
}
} // namespace

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

SingleInstance::Role SingleInstance::claim(const QStringList &arguments,
                                           std::chrono::milliseconds patience)
{
    // The lock decides who is first, so two starts at the same moment cannot both listen.
    // QLockFile takes over the lock of a program that died.
    if (m_lock.tryLock(0)) {
        listen();
        return Role::Primary;
    }
    return handOver(arguments, patience) ? Role::HandedOver : Role::Failed;
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
    QStringList arguments;
    stream >> magic >> arguments;
    if (!stream.commitTransaction()) {
        return; // not all of it yet
    }
    if (magic != Magic || stream.status() != QDataStream::Ok) {
        socket->abort();
        return;
    }
    socket->write(&Acknowledged, 1);
    socket->flush();
    socket->disconnectFromServer();
    Q_EMIT activated(arguments);
}

bool SingleInstance::handOver(const QStringList &arguments, std::chrono::milliseconds patience)
{
    QByteArray message;
    {
        QDataStream stream(&message, QIODevice::WriteOnly);
        stream << Magic << arguments;
    }
    if (message.size() > MaxMessageBytes) {
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
