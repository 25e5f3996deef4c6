// SPDX-License-Identifier: MIT
#pragma once

#include <QDateTime>
#include <QObject>
#include <QTimer>

#include <chrono>
#include <optional>

class ErrorLog;
class TrelloAPI;

// Whether the network reaches the service. A request that fails for want of a network puts
// the client offline (TrelloAPI): nothing more goes out, and the banner says what is shown and
// since when instead of the request's error. The way back is found by the system's own network
// information where it has some (NetworkManager's, on the system bus) and by a
// probe every 30 s, which also runs when the system says online but requests still fail. While
// the system says there is no network at all, nothing is probed (nothing wakes the program).
// Back online, or another network, and whoever shows the service's data is told once.
class Connectivity : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds defaultProbeInterval{30000};
    // What the system says of its network.
    enum class SystemNetwork { Unknown, None, Connected };

    Connectivity(TrelloAPI &api, ErrorLog &errors, QObject *parent = nullptr);

    bool isOffline() const;
    // What the panel shows was loaded now.
    void loaded() { m_loadedAt = QDateTime::currentDateTime(); }
    std::optional<QDateTime> loadedAt() const { return m_loadedAt; }
    // The banner's line while offline: what is shown and since when, or, for a change, that it
    // is not saved.
    QString offlineLine(bool change) const;

    // Follows NetworkManager, when it runs here.
    void watchSystem();
    std::chrono::milliseconds probeInterval() const { return m_probe.intervalAsDuration(); }
    void setProbeInterval(std::chrono::milliseconds interval); // for tests
    bool isProbing() const { return m_probe.isActive(); }
    // Asks now whether the service can be reached (while offline).
    void probeNow() { probe(); }

Q_SIGNALS:
    void offlineChanged(bool offline);
    // The service is reachable again, or the system changed networks while it was: what is
    // shown may be out of date.
    void networkChanged();

private Q_SLOTS:
    void networkManagerStateChanged(uint state);

private:
    void apiOfflineChanged(bool offline);
    void systemNetworkChanged(SystemNetwork network);
    void updateProbe();
    void probe();

    TrelloAPI &m_api;
    ErrorLog &m_errors;
    QTimer m_probe;
    bool m_probing = false;
    std::optional<SystemNetwork> m_system; // when known
    std::optional<QDateTime> m_loadedAt;
};
