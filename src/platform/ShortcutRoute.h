// SPDX-License-Identifier: MIT
#pragma once

#include <QKeyCombination>
#include <QObject>
#include <QString>

// Which of the program's shortcuts a route holds: its name with the desktop's services
// ("toggle", "quick-add"), which System Settings and the portal keep the keys under, and what
// it does, in words the desktop's shortcut settings show.
struct ShortcutAction {
    QString id;
    const char *description; // untranslated; translated in the context "ShortcutRoute"

    QString text() const;
    static ShortcutAction toggle();
    static ShortcutAction quickAdd();
};

// One way of having a system-wide shortcut: the grab on the X server, KDE's shortcut service
// (kglobalaccel), or the GlobalShortcuts portal. The shortcut manager asks the routes in turn
// and keeps the first that binds; each route says whether the desktop offers it at all, and
// whether the combination was had.
//
// Every answer is a signal and may come from inside the call that asked (a grab) or later (a
// D-Bus service). All signals arrive on the main thread.
class ShortcutRoute : public QObject {
    Q_OBJECT
public:
    enum class Refusal {
        Unavailable, // the desktop does not offer this route (no X server, no such service)
        Taken,       // offered, but another program holds the combination
        Failed,      // offered, but it answered with an error or not at all
    };
    Q_ENUM(Refusal)

    explicit ShortcutRoute(ShortcutAction action = ShortcutAction::toggle(),
                           QObject *parent = nullptr)
        : QObject(parent), m_action(std::move(action))
    {
    }

    const ShortcutAction &action() const { return m_action; }

    // A short, untranslated name for logs and test traces: "x11", "kglobalaccel", "portal".
    virtual QString name() const = 0;

    // Asks for the combination. Answers once, with bound() or refused(). Asking again replaces
    // the binding: the old combination is let go of first.
    virtual void bind(QKeyCombination combination) = 0;

    // Lets go of the binding, if any (the portal's session is closed). No answer.
    virtual void release() = 0;

Q_SIGNALS:
    // The binding holds with this combination, which may differ from the one asked for: KDE's
    // service keeps the user's own choice from System Settings, and the portal's dialog lets
    // the user pick another.
    void bound(QKeyCombination combination);
    void refused(ShortcutRoute::Refusal why, const QString &reason);
    // One press (key repeats excluded). The token lets a Wayland window take the focus; empty
    // when the route brings none.
    void activated(const QString &activationToken);
    // The user changed or removed (an empty combination) the binding in the desktop's own
    // settings; the route already holds the new one.
    void changedElsewhere(QKeyCombination combination);

private:
    ShortcutAction m_action;
};
