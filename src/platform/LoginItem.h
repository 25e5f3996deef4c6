// SPDX-License-Identifier: MIT
#pragma once

#include <QCoreApplication>
#include <QString>

#include <optional>

// Starting the program at login through an XDG autostart entry. Enabled means our entry is
// there and not switched off (Hidden=true, or GNOME's X-GNOME-Autostart-enabled=false).
// All calls are synchronous and cheap: one small file.
class LoginItem {
public:
    static inline const QString FileName = QStringLiteral("com.fennelworks.StavelinTrello.desktop");

    explicit LoginItem(QString autostartDir = defaultDirectory(),
                       QString executable = QCoreApplication::applicationFilePath());

    // $XDG_CONFIG_HOME/autostart, or ~/.config/autostart when that is unset or not absolute.
    static QString defaultDirectory();

    QString filePath() const;
    bool isEnabled() const;
    // Writes or removes the entry. Nothing on success, else a one-line description.
    std::optional<QString> setEnabled(bool enabled);

private:
    std::optional<QString> writeEntry();
    std::optional<QString> removeEntry();

    QString m_directory;
    QString m_executable;
};
