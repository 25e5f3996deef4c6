// SPDX-License-Identifier: MIT
#pragma once

#include "ShortcutRoute.h"

#include <memory>

class GlobalHotKey;

// The shortcut as a passive grab on the X server's root window (GlobalHotKey). Answers at
// once, from inside bind(). Unavailable without an X11 display.
class X11GrabRoute : public ShortcutRoute {
    Q_OBJECT
public:
    explicit X11GrabRoute(ShortcutAction action = ShortcutAction::toggle(),
                          QObject *parent = nullptr);
    ~X11GrabRoute() override;

    QString name() const override { return QStringLiteral("x11"); }
    void bind(QKeyCombination combination) override;
    void release() override;

private:
    std::unique_ptr<GlobalHotKey> m_grab;
};
