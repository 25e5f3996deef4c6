// SPDX-License-Identifier: MIT
#include "ShortcutManager.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QKeySequence>
#include <QSettings>
#include <QStandardPaths>

bool ShortcutManager::isNone(QKeyCombination combination)
{
    // A default QKeyCombination holds Key_unknown, not 0.
    return combination.key() == Qt::Key_unknown || combination.key() == Qt::Key(0);
}

ShortcutManager::ShortcutManager(Purpose purpose, QSettings *preferences,
                                 QList<RouteFactory> routes, QObject *parent)
    : QObject(parent), m_purpose(purpose), m_preferences(preferences),
      m_factories(std::move(routes))
{
}

QString ShortcutManager::preferenceKey() const
{
    return m_purpose == Purpose::QuickAdd ? QuickAddPreferenceKey : PreferenceKey;
}

QKeyCombination ShortcutManager::defaultCombination() const
{
    return m_purpose == Purpose::QuickAdd ? QuickAddDefault : DefaultCombination;
}

ShortcutManager::~ShortcutManager() = default;

std::optional<QKeyCombination> ShortcutManager::parse(const QString &text)
{
    if (text.isEmpty()) {
        return QKeyCombination();
    }
    const QKeySequence sequence = QKeySequence::fromString(text, QKeySequence::PortableText);
    if (sequence.count() != 1 || sequence[0].key() == Qt::Key_unknown) {
        return std::nullopt;
    }
    return sequence[0];
}

void ShortcutManager::start()
{
    QKeyCombination combination = defaultCombination();
    if (m_preferences && m_preferences->contains(preferenceKey())) {
        combination = parse(m_preferences->value(preferenceKey()).toString())
                          .value_or(defaultCombination());
    }
    m_combination = combination;
    bindFrom(0);
}

void ShortcutManager::choose(QKeyCombination combination)
{
    store(combination);
    release();
    m_combination = combination;
    bindFrom(0);
}

void ShortcutManager::release()
{
    if (ShortcutRoute *current = m_routeIndex >= 0 ? route(m_routeIndex) : nullptr) {
        current->release();
    }
    m_routeIndex = -1;
}

void ShortcutManager::store(QKeyCombination combination)
{
    if (!m_preferences) {
        return;
    }
    m_preferences->setValue(preferenceKey(),
                            isNone(combination)
                                ? QString()
                                : QKeySequence(combination).toString(QKeySequence::PortableText));
    m_preferences->sync();
}

ShortcutRoute *ShortcutManager::route(qsizetype index)
{
    if (std::size_t(index) >= m_routes.size()) {
        m_routes.resize(m_factories.size());
    }
    std::optional<std::unique_ptr<ShortcutRoute>> &slot = m_routes[std::size_t(index)];
    if (slot) {
        return slot->get();
    }
    slot = m_factories[index]();
    ShortcutRoute *made = slot->get();
    if (!made) {
        return nullptr;
    }
    // Only the route asked last is listened to; each route itself drops answers to a binding
    // it was asked for before the last. A route may answer from inside bind().
    const auto asked = [this, index] { return m_routeIndex == index; };
    connect(made, &ShortcutRoute::bound, this, [this, asked](QKeyCombination combination) {
        if (!asked()) {
            return;
        }
        if (combination != m_combination) {
            // KDE's service keeps the user's own choice; the portal's dialog lets them pick.
            m_combination = combination;
            store(combination);
        }
        setState(State::Working);
    });
    connect(made, &ShortcutRoute::refused, this,
            [this, asked, index](ShortcutRoute::Refusal why, const QString &reason) {
                if (!asked()) {
                    return;
                }
                // Taken says the most: the user has to choose another; Failed next.
                if (!m_worst || why == ShortcutRoute::Refusal::Taken
                    || (why == ShortcutRoute::Refusal::Failed
                        && *m_worst == ShortcutRoute::Refusal::Unavailable)) {
                    m_worst = why;
                }
                if (why != ShortcutRoute::Refusal::Unavailable || m_reason.isEmpty()) {
                    m_reason = reason;
                }
                bindFrom(index + 1);
            });
    connect(made, &ShortcutRoute::activated, this, [this, asked](const QString &token) {
        if (asked() && m_state == State::Working) {
            Q_EMIT activated(token);
        }
    });
    connect(made, &ShortcutRoute::changedElsewhere, this,
            [this, asked, index](QKeyCombination combination) {
                // A route that refused may still be told of a key the user set in the
                // desktop's settings (KDE keeps our action with no key when another program
                // held it): while no route holds one, that route holds this one now.
                const bool adopt = !asked() && m_state != State::Working && !isNone(combination);
                if (!asked() && !adopt) {
                    return;
                }
                m_routeIndex = index;
                m_combination = combination;
                store(combination);
                setState(isNone(combination) ? State::None : State::Working);
            });
    return made;
}

void ShortcutManager::bindFrom(qsizetype index)
{
    if (index == 0) {
        m_worst.reset();
        m_reason.clear();
    }
    m_routeIndex = -1;
    if (isNone(m_combination)) {
        setState(State::None);
        return;
    }
    m_heldBySibling = index == 0 && m_sibling && m_sibling->combination() == m_combination
                      && m_sibling->state() != State::Taken && m_sibling->state() != State::Failed;
    if (m_heldBySibling) {
        m_reason = QStringLiteral("it is the program's other shortcut");
        setState(State::Taken);
        Q_EMIT refused(State::Taken, m_reason);
        return;
    }
    for (; index < m_factories.size(); ++index) {
        if (ShortcutRoute *next = route(index)) {
            m_routeIndex = index;
            setState(State::Binding);
            next->bind(m_combination);
            return;
        }
    }
    const State state = !m_worst                                    ? State::Unsupported
                        : *m_worst == ShortcutRoute::Refusal::Taken  ? State::Taken
                        : *m_worst == ShortcutRoute::Refusal::Failed ? State::Failed
                                                                     : State::Unsupported;
    setState(state);
    Q_EMIT refused(state, m_reason);
}

void ShortcutManager::setState(State state)
{
    m_state = state;
    Q_EMIT changed();
}

QString ShortcutManager::routeName() const
{
    const bool held = m_state == State::Working && m_routeIndex >= 0
                      && std::size_t(m_routeIndex) < m_routes.size() && m_routes[m_routeIndex]
                      && *m_routes[m_routeIndex];
    return held ? (*m_routes[m_routeIndex])->name() : QString();
}

QString ShortcutManager::combinationText() const
{
    return isNone(m_combination)
               ? QString()
               : QKeySequence(m_combination).toString(QKeySequence::NativeText);
}

QString ShortcutManager::statusText() const
{
    const QString name = combinationText();
    const bool quickAdd = m_purpose == Purpose::QuickAdd;
    switch (m_state) {
    case State::None:
        return quickAdd ? tr("No shortcut for adding cards.")
                        : tr("No shortcut: the tray icon shows and hides the window.");
    case State::Binding:
        return tr("Setting up %1…").arg(name);
    case State::Working:
        return quickAdd ? tr("Press %1 anywhere to add a card.").arg(name)
                        : tr("Press %1 anywhere to show or hide the window.").arg(name);
    case State::Taken:
        if (m_heldBySibling) {
            return quickAdd ? tr("%1 already shows and hides the window. Choose another shortcut.").arg(name)
                            : tr("%1 already opens quick add. Choose another shortcut.").arg(name);
        }
        return tr("%1 is used by another program. Choose another shortcut.").arg(name);
    case State::Failed:
        return tr("%1 cannot be used as a shortcut here. Choose another shortcut.").arg(name);
    case State::Unsupported:
        return tr("This desktop does not let programs set a shortcut. Bind this command to a "
                  "shortcut in the desktop's keyboard settings:");
    }
    return {};
}

QString ShortcutManager::toolTip() const
{
    const QString program = QStringLiteral("Stavelin");
    switch (m_state) {
    case State::Working:
        return tr("%1 (%2)").arg(program, combinationText());
    case State::Taken:
    case State::Failed:
        return program + QLatin1Char('\n') + statusText();
    case State::None:
    case State::Binding:
    case State::Unsupported:
        break;
    }
    return program;
}

QString ShortcutManager::commandWith(const QString &option)
{
    // The name alone where the desktop will find this very program by it; otherwise the path
    // (a build tree, /opt). The demo's panel is reached with its own option.
    const QString self = QCoreApplication::applicationFilePath();
    const QString name = QFileInfo(self).fileName();
    const QString found = QStandardPaths::findExecutable(name);
    QString command = !found.isEmpty() && QFileInfo(found).canonicalFilePath() == QFileInfo(self).canonicalFilePath()
                          ? name
                          : self;
    if (command.contains(QLatin1Char(' '))) {
        command = QLatin1Char('"') + command + QLatin1Char('"');
    }
    if (QCoreApplication::arguments().contains(QStringLiteral("--demo"))) {
        command += QStringLiteral(" --demo");
    }
    return command + QLatin1Char(' ') + option;
}
