// SPDX-License-Identifier: MIT
#pragma once

#include "platform/ShortcutRoute.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusObjectPath>
#include <QStringList>
#include <QVariantMap>

#include <optional>

// The desktop portal's GlobalShortcuts interface (GNOME 48 and later, Plasma 6.1 and later,
// Hyprland). A session holds one of the program's shortcuts (the panel's "toggle", or "quick-add"); the combination is only
// proposed (the portal's own dialog may let the user pick another, which bound() then names).
// Every exchange is asynchronous: a call returns a request whose Response signal brings the
// answer, possibly after the user has answered a dialog.
class PortalShortcutRoute : public ShortcutRoute {
    Q_OBJECT
public:
    static inline const QString Service = QStringLiteral("org.freedesktop.portal.Desktop");
    // The panel's shortcut; quick add's is "quick-add", in a session of its own.
    static inline const QString ShortcutId = QStringLiteral("toggle");

    explicit PortalShortcutRoute(QDBusConnection bus,
                                 ShortcutAction action = ShortcutAction::toggle(),
                                 QObject *parent = nullptr);
    // Closes the session and waits for the portal to take that in (normally milliseconds, at
    // most a second): a message still queued when the program ends is never sent.
    ~PortalShortcutRoute() override;

    // Whether the portal serves GlobalShortcuts on this bus: its "version" property is read,
    // waiting at most a second (the bus may have to start the portal first).
    static bool offered(QDBusConnection bus);

    // The shortcuts format the portal takes: "CTRL+ALT+t" (modifiers, then the key's XKB
    // name). Empty for a key without a known name.
    static QString trigger(QKeyCombination combination);
    // Reads what a portal says about a shortcut, loosely: "CTRL+ALT+t", "Ctrl+Alt+T",
    // "<Control><Alt>t". An empty combination when it cannot be read.
    static QKeyCombination parseTrigger(const QString &description);

    QString name() const override { return QStringLiteral("portal"); }
    void bind(QKeyCombination combination) override;
    void release() override;

private Q_SLOTS:
    void onResponse(const QDBusMessage &message);
    void onActivated(const QDBusMessage &message);
    void onShortcutsChanged(const QDBusMessage &message);

private:
    enum class Stage { Idle, CreatingSession, Binding };

    QString objectPath(const QString &kind, const QString &token) const;
    void await(Stage stage, const QString &requestPath);
    void stopAwaiting();
    void callPortal(const QString &method, const QVariantList &arguments);
    static QString nextToken();
    void bindInSession();
    void fail(Refusal why, const QString &reason);
    void closeSession(const QString &session);

    QDBusConnection m_bus;
    std::optional<QDBusPendingCall> m_closing;
    Stage m_stage = Stage::Idle;
    QString m_request;      // the request object whose Response is awaited
    QString m_session;      // the session handle, once created
    QStringList m_orphans;  // requests for sessions let go of before they were made
    QKeyCombination m_combination;
    quint64 m_generation = 0;
};
