// SPDX-License-Identifier: MIT
#include "Connectivity.h"

#include "ErrorLog.h"
#include "api/TrelloAPI.h"

#include <QCoroTask>
#include <QLocale>
#include <QNetworkInformation>
#include <QRegularExpression>

using namespace Qt::StringLiterals;

using Reachability = QNetworkInformation::Reachability;

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
    // NetworkManager's backend only: it reads the network over D-Bus, which the program has
    // open anyway. GLib's would load GIO with its modules and a thread of theirs (about 3 MB and
    // some milliseconds at every start) for what the probe finds as well.
    if (!QNetworkInformation::instance() &&
        !QNetworkInformation::loadBackendByName(u"networkmanager")) {
        return; // no backend here: the probe alone finds the way back
    }
    if (!QNetworkInformation::instance()->supports(QNetworkInformation::Feature::Reachability)) {
        return;
    }
    QNetworkInformation *system = QNetworkInformation::instance();
    m_system = int(system->reachability());
    connect(system, &QNetworkInformation::reachabilityChanged, this,
            [this](Reachability now) { systemReachabilityChanged(int(now)); });
    updateProbe();
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

void Connectivity::systemReachabilityChanged(int reachability)
{
    m_system = reachability;
    updateProbe();
    if (reachability == int(Reachability::Disconnected) || reachability == int(Reachability::Unknown)) {
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
    const bool wanted = m_api.isOffline() && m_system != int(Reachability::Disconnected);
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
