// SPDX-License-Identifier: MIT
#pragma once

#include "platform/ColorScheme.h"

#include <QObject>
#include <QPalette>

// Keeps the application palette on the desktop's light or dark preference while the program
// runs: our palettes for an explicit preference, the platform's own palette otherwise (no
// portal, or "no preference"). Theme and the widgets follow the application palette; the
// stock Qt Quick controls do not (Qt 6.4's style keeps the palette it started with), so every
// Qt Quick window gets the palette too, now and when it is first shown.
class Appearance : public QObject {
    Q_OBJECT
public:
    explicit Appearance(QObject *parent = nullptr);
    // Starts watching; the first answer comes asynchronously.
    void start();

    // The palette for a preference, given the platform's own.
    static QPalette paletteFor(ColorSchemeWatcher::Preference preference,
                               const QPalette &platform);
    // Gives a Qt Quick window (and so every control in it) every colour of `palette`.
    static void applyToWindow(QObject *quickWindow, const QPalette &palette);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

signals:
    void applied(ColorSchemeWatcher::Preference preference);

private:
    void apply(ColorSchemeWatcher::Preference preference);

    ColorSchemeWatcher m_watcher;
    QPalette m_platform;
    bool m_applied = false; // our palette is in force and new windows need it
};
