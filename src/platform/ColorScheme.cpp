// SPDX-License-Identifier: MIT
#include "ColorScheme.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>

using namespace Qt::StringLiterals;

namespace {
const auto kService = u"org.freedesktop.portal.Desktop"_s;
const auto kPath = u"/org/freedesktop/portal/desktop"_s;
const auto kInterface = u"org.freedesktop.portal.Settings"_s;
const auto kGroup = u"org.freedesktop.appearance"_s;
const auto kKey = u"color-scheme"_s;
} // namespace

ColorSchemeWatcher::ColorSchemeWatcher(QObject *parent) : QObject(parent) {}

void ColorSchemeWatcher::start()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    // The slot takes the whole message: Qt 6.4 does not match a QDBusVariant slot argument
    // to the signal's `v`, and the connection would silently not be made.
    bus.connect(kService, kPath, kInterface, u"SettingChanged"_s, this,
                SLOT(onSettingChanged(QDBusMessage)));

    // `Read` is the call every portal version has (`ReadOne` came later); it wraps the value
    // in one variant more.
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, u"Read"_s);
    call << kGroup << kKey;
    auto *pending = new QDBusPendingCallWatcher(bus.asyncCall(call, 10000), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *w) {
        w->deleteLater();
        const QDBusPendingReply<QVariant> reply = *w;
        // A portal without the setting answers with an error: nothing to follow then.
        if (reply.isError() || m_changeSeen)
            return;
        setPreference(fromPortalValue(reply.value()));
    });
}

ColorSchemeWatcher::Preference ColorSchemeWatcher::fromPortalValue(const QVariant &value)
{
    QVariant inner = value;
    for (int depth = 0; depth < 3 && inner.canConvert<QDBusVariant>() &&
                        inner.metaType() == QMetaType::fromType<QDBusVariant>();
         ++depth)
        inner = inner.value<QDBusVariant>().variant();
    if (inner.metaType() != QMetaType::fromType<uint>() &&
        inner.metaType() != QMetaType::fromType<int>())
        return Preference::NoPreference;
    switch (inner.toUInt()) {
    case 1:
        return Preference::Dark;
    case 2:
        return Preference::Light;
    default:
        return Preference::NoPreference;
    }
}

void ColorSchemeWatcher::onSettingChanged(const QDBusMessage &message)
{
    const QList<QVariant> arguments = message.arguments();
    if (arguments.size() != 3 || arguments.at(0).toString() != kGroup ||
        arguments.at(1).toString() != kKey)
        return;
    m_changeSeen = true;
    setPreference(fromPortalValue(arguments.at(2)));
}

void ColorSchemeWatcher::setPreference(Preference preference)
{
    if (preference == m_preference)
        return;
    m_preference = preference;
    emit preferenceChanged(preference);
}
