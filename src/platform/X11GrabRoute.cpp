// SPDX-License-Identifier: MIT
#include "X11GrabRoute.h"

#include "GlobalHotKey.h"

X11GrabRoute::X11GrabRoute(ShortcutAction action, QObject *parent)
    : ShortcutRoute(std::move(action), parent)
{
}

X11GrabRoute::~X11GrabRoute() = default;

void X11GrabRoute::bind(QKeyCombination combination)
{
    m_grab.reset(); // the old grab first: the new combination may share its key
    QString error;
    GlobalHotKey::Failure failure = GlobalHotKey::Failure::Refused;
    m_grab = GlobalHotKey::create(combination, [this] { Q_EMIT activated(QString()); }, &error,
                                  &failure);
    if (m_grab) {
        Q_EMIT bound(combination);
        return;
    }
    switch (failure) {
    case GlobalHotKey::Failure::NoX11:
        Q_EMIT refused(Refusal::Unavailable, error);
        break;
    case GlobalHotKey::Failure::Taken:
        Q_EMIT refused(Refusal::Taken, error);
        break;
    case GlobalHotKey::Failure::Unusable:
    case GlobalHotKey::Failure::Refused:
        Q_EMIT refused(Refusal::Failed, error);
        break;
    }
}

void X11GrabRoute::release()
{
    m_grab.reset();
}
