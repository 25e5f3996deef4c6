// SPDX-License-Identifier: MIT
#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QObject>
#include <QStringList>
#include <QVariantList>
#include <QVariantMap>

// The freedesktop.org application interface (org.freedesktop.Application) on the session bus,
// under the well-known name that is also the desktop entry's id. The entry says
// DBusActivatable=true, so a desktop that opens a stavelin: address sends it here in a message
// (starting the program first through the D-Bus service file when it is not running) instead
// of running the Exec line with the address, token and all, on a command line that every
// local user can read.
class DesktopActivation : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Application")
public:
    // The desktop entry's id without ".desktop", and the object path derived from it.
    static inline const QString ApplicationId = QStringLiteral("com.fennelworks.StavelinTrello");
    static QString objectPath(const QString &applicationId);

    explicit DesktopActivation(QObject *parent = nullptr);
    ~DesktopActivation() override;

    // Serves the interface on the bus and takes the name. False, with the reason, when there
    // is no bus or the name belongs to someone else; the program then works without it.
    bool publish(QDBusConnection bus, QString *error = nullptr);

    // The permission to take the focus that platform_data brings: the XDG activation token,
    // else the X11 startup id; empty when there is none or it is not one.
    static QString activationToken(const QVariantMap &platformData);

public Q_SLOTS:
    // The interface's methods. The actions are those of the desktop entry: "toggle" shows or
    // hides the panel, "show" shows it, "quick-add" opens quick add; any other is refused.
    void Activate(const QVariantMap &platformData);
    void Open(const QStringList &uris, const QVariantMap &platformData);
    void ActivateAction(const QString &actionName, const QVariantList &parameter,
                        const QVariantMap &platformData);

Q_SIGNALS:
    // Not part of the interface (only slots are exported): what the shell acts on, each with
    // the activation token of the request.
    void activated(const QString &activationToken);
    void opened(const QStringList &uris, const QString &activationToken);
    void toggleRequested(const QString &activationToken);
    void quickAddRequested(const QString &activationToken);

private:
    QDBusConnection m_bus;
    bool m_published = false;
};
