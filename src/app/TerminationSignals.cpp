// SPDX-License-Identifier: MIT
#include "TerminationSignals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int Watched[] = {SIGTERM, SIGINT, SIGHUP};
// The write end is all a handler may touch; there is one watcher per program.
int s_sockets[2] = {-1, -1};

void onSignal(int signalNumber)
{
    const int saved = errno;
    const auto byte = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] const ssize_t written = ::write(s_sockets[0], &byte, 1);
    errno = saved;
}

} // namespace

TerminationSignals::TerminationSignals(QObject *parent)
    : QObject(parent)
{
    // Without the socket pair the defaults stay.
    if (s_sockets[0] != -1
        || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, s_sockets) != 0) {
        return;
    }
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    // Once: a second signal finds the default again and ends the program at once.
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    for (const int signalNumber : Watched) {
        ::sigaction(signalNumber, &action, nullptr);
    }
    m_notifier = new QSocketNotifier(s_sockets[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        unsigned char byte = 0;
        while (::read(s_sockets[1], &byte, 1) == 1) {
            emit received(byte);
        }
    });
}

TerminationSignals::~TerminationSignals()
{
    if (m_notifier == nullptr) {
        return;
    }
    for (const int signalNumber : Watched) {
        ::signal(signalNumber, SIG_DFL);
    }
    delete m_notifier;
    ::close(s_sockets[0]);
    ::close(s_sockets[1]);
    s_sockets[0] = s_sockets[1] = -1;
}
