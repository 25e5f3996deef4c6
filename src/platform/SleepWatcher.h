// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>

// Tells when the computer goes to sleep and wakes up again, as logind announces it on the
// system bus (org.freedesktop.login1.Manager.PrepareForSleep). Without a system bus or logind,
// it tells nothing. Nothing is polled: the program sleeps along until the signal comes.
class SleepWatcher : public QObject {
    Q_OBJECT
public:
    explicit SleepWatcher(QObject *parent = nullptr);

    // Whether the subscription to logind's signal was taken.
    bool isWatching() const { return m_watching; }

Q_SIGNALS:
    void aboutToSleep();
    void resumed();

private Q_SLOTS:
    void prepareForSleep(bool sleeping);

private:
    bool m_watching = false;
};
