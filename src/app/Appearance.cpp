// SPDX-License-Identifier: MIT
#include "Appearance.h"

#include "views/Theme.h"

#include <QEvent>
#include <QGuiApplication>
#include <QQuickWindow>

Appearance::Appearance(QObject *parent)
    : QObject(parent), m_platform(QGuiApplication::palette())
{
    connect(&m_watcher, &ColorSchemeWatcher::preferenceChanged, this, &Appearance::apply);
    QCoreApplication::instance()->installEventFilter(this);
}

void Appearance::start()
{
    m_watcher.start();
}

QPalette Appearance::paletteFor(ColorSchemeWatcher::Preference preference,
                                const QPalette &platform)
{
    switch (preference) {
    case ColorSchemeWatcher::Preference::Dark:
        return theme::darkPalette();
    case ColorSchemeWatcher::Preference::Light:
        return theme::lightPalette();
    case ColorSchemeWatcher::Preference::Unknown:
    case ColorSchemeWatcher::Preference::NoPreference:
        break;
    }
    return platform;
}

void Appearance::applyToWindow(QObject *quickWindow, const QPalette &palette)
{
    // Through the meta-object: the palette type of Qt Quick is not public API.
    auto *target = quickWindow->property("palette").value<QObject *>();
    if (!target)
        return;
    static const struct {
        const char *name;
        QPalette::ColorGroup group;
    } groups[] = {{"active", QPalette::Active},
                  {"inactive", QPalette::Inactive},
                  {"disabled", QPalette::Disabled}};
    static const struct {
        const char *name;
        QPalette::ColorRole role;
    } roles[] = {
        {"alternateBase", QPalette::AlternateBase}, {"base", QPalette::Base},
        {"brightText", QPalette::BrightText},       {"button", QPalette::Button},
        {"buttonText", QPalette::ButtonText},       {"dark", QPalette::Dark},
        {"highlight", QPalette::Highlight},         {"highlightedText", QPalette::HighlightedText},
        {"light", QPalette::Light},                 {"link", QPalette::Link},
        {"linkVisited", QPalette::LinkVisited},     {"mid", QPalette::Mid},
        {"midlight", QPalette::Midlight},           {"placeholderText", QPalette::PlaceholderText},
        {"shadow", QPalette::Shadow},               {"text", QPalette::Text},
        {"toolTipBase", QPalette::ToolTipBase},     {"toolTipText", QPalette::ToolTipText},
        {"window", QPalette::Window},               {"windowText", QPalette::WindowText},
    };
    for (const auto &group : groups) {
        auto *colors = target->property(group.name).value<QObject *>();
        if (!colors)
            continue;
        for (const auto &role : roles)
            colors->setProperty(role.name, palette.color(group.group, role.role));
    }
}

bool Appearance::eventFilter(QObject *watched, QEvent *event)
{
    if (m_applied && event->type() == QEvent::Show && qobject_cast<QQuickWindow *>(watched))
        applyToWindow(watched, QGuiApplication::palette());
    return QObject::eventFilter(watched, event);
}

void Appearance::apply(ColorSchemeWatcher::Preference preference)
{
    const QPalette palette = paletteFor(preference, m_platform);
    QGuiApplication::setPalette(palette);
    m_applied = true;
    for (QWindow *window : QGuiApplication::allWindows()) {
        if (qobject_cast<QQuickWindow *>(window))
            applyToWindow(window, palette);
    }
    emit applied(preference);
}
