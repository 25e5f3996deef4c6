// SPDX-License-Identifier: MIT
#pragma once

#include "platform/ShortcutRoute.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QElapsedTimer>
#include <QList>
#include <QStringList>

#include <optional>

// KDE Plasma's shortcut service (kglobalaccel), spoken to over D-Bus. The program is one
// component there, named by its desktop entry so that System Settings → Shortcuts shows its
// name and icon, with one action, "toggle". Works on X11 and on Wayland alike.
//
// The service keeps every component's keys in ~/.config/kglobalshortcutsrc, also while the
// program is not running, and the user may change them in System Settings at any time:
// - The first bind() of a run takes what the service kept for the action ("autoloading"):
//   a combination the user chose in System Settings while the program was not running wins
//   over the one asked for, and bound() names it. Only when the service keeps no key for the
//   action (never registered, or left without one) is the asked combination set.
// - Every later bind() is a new choice made in the program and replaces the kept one.
// - A change made in System Settings while the program runs comes as changedElsewhere().
// - release() marks the action inactive: the service stops listening for the keys but keeps
//   them, so the user's choice survives, and no other program can take them meanwhile.
//
// Nothing here waits for the service but the destructor: every call is asynchronous, with a
// short timeout. A service started again (after a crash) is given the binding again.
class KGlobalAccelRoute : public ShortcutRoute {
    Q_OBJECT
public:
    static inline const QString Service = QStringLiteral("org.kde.kglobalaccel");
    static inline const QString ComponentUnique = QStringLiteral("com.fennelworks.StavelinTrello");
    // The panel's action; quick add has its own beside it in the same component.
    static inline const QString ActionUnique = QStringLiteral("toggle");

    explicit KGlobalAccelRoute(QDBusConnection bus,
                               ShortcutAction action = ShortcutAction::toggle(),
                               QObject *parent = nullptr);
    // Releases, and waits for the service to take the release in (normally milliseconds, at
    // most a second): a message still queued when the program ends is never sent.
    ~KGlobalAccelRoute() override;

    // Whether the service runs on this bus, or is about to: it can be started by the bus and
    // the desktop is KDE's. Asks only the bus itself (no call that could wait on the service).
    static bool offered(QDBusConnection bus);

    QString name() const override { return QStringLiteral("kglobalaccel"); }
    void bind(QKeyCombination combination) override;
    void release() override;

private Q_SLOTS:
    void onPressed(const QString &component, const QString &name, qlonglong timestamp);
    void onReleased(const QString &component, const QString &name, qlonglong timestamp);
    void onChanged(const QDBusMessage &message);

private:
    // The service answers within milliseconds; a stalled one must not leave the state unknown.
    static constexpr int CallTimeoutMs = 5000;

    QStringList actionId() const;
    QDBusPendingCall call(const QString &method, const QVariantList &arguments,
                          int timeoutMs = CallTimeoutMs);
    void setKeys(QKeyCombination combination, bool autoload);

    QDBusConnection m_bus;
    std::optional<QDBusPendingCall> m_releasing;
    quint64 m_generation = 0;   // answers to an older bind() or to one released are dropped
    bool m_autoload = true;     // only the run's first bind() takes the kept keys
    bool m_bound = false;
    QKeyCombination m_combination; // in effect while bound
    bool m_held = false;        // pressed and not yet released: further presses are repeats
    QElapsedTimer m_lastPress;
};
