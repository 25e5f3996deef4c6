// SPDX-License-Identifier: MIT
#pragma once

#include "platform/ShortcutRoute.h"

#include <QKeyCombination>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QSettings;

// One system-wide shortcut: the one that shows and hides the panel, or the one that opens
// quick add. The user's choice (a preference of its own; Ctrl+Alt+T and Ctrl+Alt+N until they
// choose), had through the first route the desktop offers, and what became of it, in words
// for Settings and the tray's tooltip.
//
// The routes are asked in order, each made only when the one before could not bind, so a
// desktop where the first works never talks to the others' services. A route once made is
// kept for the run: KDE's service takes the keys it kept only at a route's first binding,
// and a later choice made here must replace them.
class ShortcutManager : public QObject {
    Q_OBJECT
public:
    enum class State {
        None,        // the user chose to have no shortcut
        Binding,     // a route has been asked and has not answered yet
        Working,     // bound: pressing it toggles the panel
        Taken,       // another program holds it
        Failed,      // the routes offered could not bind it (a key no route takes, an error)
        Unsupported, // the desktop offers no route: the user binds `toggleCommand` instead
    };
    Q_ENUM(State)

    // What the shortcut does; each has its own preference, default and command.
    enum class Purpose { TogglePanel, QuickAdd };

    // Makes a route, or nothing when the desktop does not offer it (cheap checks only).
    using RouteFactory = std::function<std::unique_ptr<ShortcutRoute>()>;

    static constexpr QKeyCombination DefaultCombination{Qt::ControlModifier | Qt::AltModifier,
                                                        Qt::Key_T};
    // The preference: the combination in portable text ("Ctrl+Alt+K"), empty for none.
    static inline const QString PreferenceKey = QStringLiteral("GlobalShortcut");
    static constexpr QKeyCombination QuickAddDefault{Qt::ControlModifier | Qt::AltModifier,
                                                     Qt::Key_N};
    static inline const QString QuickAddPreferenceKey = QStringLiteral("QuickAddShortcut");

    ShortcutManager(QSettings *preferences, QList<RouteFactory> routes, QObject *parent = nullptr)
        : ShortcutManager(Purpose::TogglePanel, preferences, std::move(routes), parent)
    {
    }
    ShortcutManager(Purpose purpose, QSettings *preferences, QList<RouteFactory> routes,
                    QObject *parent = nullptr);

    Purpose purpose() const { return m_purpose; }
    // The program's other shortcut: a combination it holds is not asked for here (the routes
    // would refuse it anyway, or silently share it), and Settings says why.
    void setSibling(const ShortcutManager *sibling) { m_sibling = sibling; }
    QString preferenceKey() const;
    QKeyCombination defaultCombination() const;
    ~ShortcutManager() override;

    // Binds the stored combination (or the default).
    void start();
    // The user's choice, stored at once and bound. An empty combination lets go of the shortcut.
    void choose(QKeyCombination combination);
    // Lets go of the binding (at quit: a portal session is closed rather than left to time out).
    void release();

    QKeyCombination combination() const { return m_combination; }
    State state() const { return m_state; }
    // The route that holds it ("x11", "kglobalaccel", "portal"), or empty.
    QString routeName() const;
    // Why the last route refused, as it said it (not translated): for the log.
    QString reason() const { return m_reason; }

    // The combination as the desktop writes it ("Ctrl+Alt+T"); empty for none.
    QString combinationText() const;
    // One translated sentence on the state, for Settings.
    QString statusText() const;
    // The tray icon's tooltip: the program's name, with the shortcut or what went wrong.
    QString toolTip() const;
    // What to bind in the desktop's own keyboard settings when no route works.
    static QString toggleCommand() { return commandWith(QStringLiteral("--toggle")); }
    static QString quickAddCommand() { return commandWith(QStringLiteral("--quick-add")); }
    QString command() const
    {
        return m_purpose == Purpose::QuickAdd ? quickAddCommand() : toggleCommand();
    }

    // No shortcut: an empty combination.
    static bool isNone(QKeyCombination combination);
    // Reads a stored combination: nothing when absent or unreadable (then the default holds).
    static std::optional<QKeyCombination> parse(const QString &text);

Q_SIGNALS:
    void activated(const QString &activationToken);
    // The combination, the state or the route changed.
    void changed();
    // A route refused the combination after all were asked (for the log).
    void refused(State state, const QString &reason);

private:
    static QString commandWith(const QString &option);
    void bindFrom(qsizetype index);
    ShortcutRoute *route(qsizetype index);
    void setState(State state);
    void store(QKeyCombination combination);

    Purpose m_purpose;
    QPointer<const ShortcutManager> m_sibling;
    QSettings *m_preferences;
    QList<RouteFactory> m_factories;
    // Made as they are first needed; none for a route the desktop does not offer.
    std::vector<std::optional<std::unique_ptr<ShortcutRoute>>> m_routes;
    qsizetype m_routeIndex = -1; // the one asked last, or the one that holds it
    QKeyCombination m_combination;
    State m_state = State::None;
    std::optional<ShortcutRoute::Refusal> m_worst; // of the routes asked for this combination
    QString m_reason;
    bool m_heldBySibling = false; // refused because the other shortcut has this combination
};
