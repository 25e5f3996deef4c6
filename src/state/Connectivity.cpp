// SPDX-License-Identifier: MIT
#include "Connectivity.h"

#include "ErrorLog.h"
#include "api/TrelloAPI.h"

#include <QCoroTask>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QLocale>
#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace {
const QString networkManager = u"org.freedesktop.NetworkManager"_s;
const QString networkManagerPath = u"/org/freedesktop/NetworkManager"_s;

// What NetworkManager's state (NMState) says of the network.
Connectivity::SystemNetwork fromNetworkManager(uint state)
{
    switch (state) {
    case 10: // asleep
    case 20: // disconnected
        return Connectivity::SystemNetwork::None;
    case 50: // connected, local only
    case 60: // connected, site only
    case 70: // connected, global
        return Connectivity::SystemNetwork::Connected;
    default: // unknown, disconnecting, connecting
        return Connectivity::SystemNetwork::Unknown;
    }
}
} // namespace

Connectivity::Connectivity(TrelloAPI &api, ErrorLog &errors, QObject *parent)
    : QObject(parent), m_api(api), m_errors(errors)
{
    m_probe.setInterval(defaultProbeInterval);
    // Half a minute, give or take: the desktop may fold this wake-up into others.
    m_probe.setTimerType(Qt::VeryCoarseTimer);
    connect(&m_probe, &QTimer::timeout, this, &Connectivity::probe);
    connect(&m_api, &TrelloAPI::offlineChanged, this, &Connectivity::apiOfflineChanged);
    m_errors.setOfflineWording([this](bool change) { return offlineLine(change); });
}

bool Connectivity::isOffline() const
{
    return m_api.isOffline();
}

QString Connectivity::offlineLine(bool change) const
{
    if (change) {
        return tr("Offline — the change can't be saved until the network is back");
    }
    if (!m_loadedAt) {
        return tr("Offline — nothing could be loaded yet");
    }
    // The locale's short time, to the minute (some locales' short format has the seconds too).
    const QLocale locale;
    QString format = locale.timeFormat(QLocale::ShortFormat);
    format.remove(QRegularExpression(u"[:.]ss"_s));
    return tr("Offline — showing what was loaded at %1").arg(locale.toString(m_loadedAt->time(), format));
}

void Connectivity::watchSystem()
{
    // NetworkManager, asked over D-Bus directly. Qt's network information would do the same
    // through its plugin, but it loads every backend it has to find that one, GLib's among
    // them, and with it GIO, its modules and a thread of theirs (about 1 MB kept for good).
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) {
        return; // the probe alone finds the way back
    }
    // (Connected to the name, so that only its owner is heard.)
    bus.connect(networkManager, networkManagerPath, networkManager, u"StateChanged"_s, this,
                SLOT(networkManagerStateChanged(uint)));
    QDBusMessage get = QDBusMessage::createMethodCall(networkManager, networkManagerPath,
                                                      u"org.freedesktop.DBus.Properties"_s, u"Get"_s);
    get << networkManager << u"State"_s;
    auto *asked = new QDBusPendingCallWatcher(bus.asyncCall(get), this);
    connect(asked, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *call) {
        call->deleteLater();
        const QDBusPendingReply<QDBusVariant> reply = *call;
        if (reply.isValid() && !m_system) { // (a change told meanwhile is newer)
            m_system = fromNetworkManager(reply.value().variant().toUInt());
            updateProbe();
        }
    });
}

void Connectivity::networkManagerStateChanged(uint state)
{
    systemNetworkChanged(fromNetworkManager(state));
}

void Connectivity::setProbeInterval(std::chrono::milliseconds interval)
{
    m_probe.setTimerType(interval < std::chrono::seconds(20) ? Qt::CoarseTimer : Qt::VeryCoarseTimer);
    m_probe.setInterval(interval);
}

void Connectivity::apiOfflineChanged(bool offline)
{
    updateProbe();
    if (!offline) {
        // The line said offline; what follows says how the next requests fare.
        const std::optional<QString> &shown = m_errors.message();
        if (shown && (*shown == offlineLine(false) || *shown == offlineLine(true))) {
            m_errors.clear();
        }
    }
    Q_EMIT offlineChanged(offline);
    if (!offline) {
        Q_EMIT networkChanged();
    }
}

void Connectivity::systemNetworkChanged(SystemNetwork network)
{
    m_system = network;
    updateProbe();
    if (network != SystemNetwork::Connected) {
        return; // requests find out for themselves, and the probe waits for a network
    }
    if (m_api.isOffline()) {
        probe(); // reachable, it tells networkChanged
    } else {
        Q_EMIT networkChanged();
    }
}

void Connectivity::updateProbe()
{
    const bool wanted = m_api.isOffline() && m_system != SystemNetwork::None;
    if (wanted && !m_probe.isActive()) {
        m_probe.start();
    } else if (!wanted) {
        m_probe.stop();
    }
}

void Connectivity::probe()
{
    if (m_probing || !m_api.isOffline()) {
        return;
    }
    m_probing = true;
    // Reached, the client goes online and apiOfflineChanged tells the rest.
    QCoro::connect(m_api.probe(), this, [this](bool) { m_probing = false; });
}
