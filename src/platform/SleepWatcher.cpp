// SPDX-License-Identifier: MIT
#include "SleepWatcher.h"

#include <QDBusConnection>

using namespace Qt::StringLiterals;

SleepWatcher::SleepWatcher(QObject *parent) : QObject(parent)
{
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) {
        return;
    }
    // Only logind's own word counts: the sender is the name's owner, not anyone on the bus.
    m_watching = bus.connect(u"org.freedesktop.login1"_s, u"/org/freedesktop/login1"_s,
                             u"org.freedesktop.login1.Manager"_s, u"PrepareForSleep"_s, this,
                             SLOT(prepareForSleep(bool)));
}

void SleepWatcher::prepareForSleep(bool sleeping)
{
    if (sleeping) {
        Q_EMIT aboutToSleep();
    } else {
        Q_EMIT resumed();
    }
}
