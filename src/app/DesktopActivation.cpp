// SPDX-License-Identifier: MIT
#include "DesktopActivation.h"

#include "SingleInstance.h"

#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QDBusReply>

QString DesktopActivation::objectPath(const QString &applicationId)
{
    // As freedesktop.org desktops derive it: "/" + the id with "." as "/" and "-" as "_".
    QString path = QLatin1Char('/') + applicationId;
    path.replace(QLatin1Char('.'), QLatin1Char('/'));
    path.replace(QLatin1Char('-'), QLatin1Char('_'));
    return path;
}

DesktopActivation::DesktopActivation(QObject *parent)
    : QObject(parent), m_bus(QStringLiteral("not connected"))
{
}

DesktopActivation::~DesktopActivation()
{
    if (m_published) {
        m_bus.unregisterService(ApplicationId);
        m_bus.unregisterObject(objectPath(ApplicationId));
    }
}

bool DesktopActivation::publish(QDBusConnection bus, QString *error)
{
    const auto fail = [error](const QString &reason) {
        if (error) {
            *error = reason;
        }
        return false;
    };
    if (!bus.isConnected()) {
        return fail(QStringLiteral("no session bus: ") + bus.lastError().message());
    }
    // The object first: a call queued for the name while the program started is delivered the
    // moment the name is taken, and must find the object there.
    if (!bus.registerObject(objectPath(ApplicationId), this, QDBusConnection::ExportAllSlots)) {
        return fail(QStringLiteral("the object path is taken"));
    }
    const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply =
        bus.interface()->registerService(ApplicationId, QDBusConnectionInterface::DontQueueService,
                                         QDBusConnectionInterface::DontAllowReplacement);
    if (!reply.isValid() || reply.value() != QDBusConnectionInterface::ServiceRegistered) {
        bus.unregisterObject(objectPath(ApplicationId));
        return fail(reply.isValid() ? QStringLiteral("the name is taken") : reply.error().message());
    }
    m_bus = bus;
    m_published = true;
    return true;
}

QString DesktopActivation::activationToken(const QVariantMap &platformData)
{
    for (const char *key : {"activation-token", "desktop-startup-id"}) {
        const QString token = platformData.value(QLatin1String(key)).toString();
        if (SingleInstance::isActivationToken(token)) {
            return token;
        }
    }
    return {};
}

void DesktopActivation::Activate(const QVariantMap &platformData)
{
    Q_EMIT activated(activationToken(platformData));
}

void DesktopActivation::Open(const QStringList &uris, const QVariantMap &platformData)
{
    Q_EMIT opened(uris, activationToken(platformData));
}

void DesktopActivation::ActivateAction(const QString &actionName, const QVariantList &,
                                       const QVariantMap &platformData)
{
    if (actionName == QLatin1String("toggle")) {
        Q_EMIT toggleRequested(activationToken(platformData));
    } else if (actionName == QLatin1String("quick-add")) {
        Q_EMIT quickAddRequested(activationToken(platformData));
    } else if (actionName == QLatin1String("show")) {
        Q_EMIT activated(activationToken(platformData));
    } else if (calledFromDBus()) {
        sendErrorReply(QDBusError::NotSupported,
                       QStringLiteral("Stavelin has no action \"%1\".").arg(actionName));
    }
}
