// SPDX-License-Identifier: MIT
#pragma once

#include <QDBusMessage>
#include <QObject>

// The desktop's light or dark preference and its changes while the program runs, as the XDG
// settings portal tells them (`org.freedesktop.appearance` `color-scheme`). GNOME, KDE and most
// current desktops answer there; without a portal the preference stays Unknown and the
// program keeps the platform's palette.
class ColorSchemeWatcher : public QObject {
    Q_OBJECT
public:
    enum class Preference {
        Unknown,      // no portal answered (yet)
        NoPreference, // the desktop leaves it to the program: follow the platform's palette
        Dark,
        Light,
    };
    Q_ENUM(Preference)

    explicit ColorSchemeWatcher(QObject *parent = nullptr);

    // Subscribes to changes and asks for the current value, without blocking: the portal may
    // first have to be started by the bus. preferenceChanged follows when it answers.
    void start();
    Preference preference() const { return m_preference; }

    // The portal's value (uint 0, 1 or 2, possibly wrapped in one or two D-Bus variants).
    static Preference fromPortalValue(const QVariant &value);

signals:
    void preferenceChanged(ColorSchemeWatcher::Preference preference);

private slots:
    void onSettingChanged(const QDBusMessage &message);

private:
    void setPreference(Preference preference);

    Preference m_preference = Preference::Unknown;
    bool m_changeSeen = false; // a change signal is newer than a slow first answer
};
