// SPDX-License-Identifier: MIT
#include "platform/KGlobalAccelRoute.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusReply>
#include <QDBusServiceWatcher>
#include <QKeySequence>

#include <utility>

namespace {

const QString Path = QStringLiteral("/kglobalaccel");
const QString Interface = QStringLiteral("org.kde.KGlobalAccel");
const QString ComponentInterface = QStringLiteral("org.kde.kglobalaccel.Component");

// The service's setShortcut flags (KF5 kglobalaccel). Without NoAutoloading the service
// answers with the keys it keeps for an action it already knows, ignoring the ones given.
constexpr uint SetPresent = 2;
constexpr uint NoAutoloading = 4;
constexpr uint IsDefault = 8;

// The release is waited for when the program ends.
constexpr int ReleaseTimeoutMs = 1000;

// A held-down combination repeats its press every few tens of milliseconds until released.
constexpr qint64 RepeatGapMs = 1000;

QKeyCombination firstKey(const QList<int> &keys)
{
    for (int key : keys) {
        if (key != 0)
            return QKeyCombination::fromCombined(key);
    }
    return {};
}

QString text(QKeyCombination combination)
{
    return QKeySequence(combination).toString(QKeySequence::NativeText);
}

} // namespace

KGlobalAccelRoute::KGlobalAccelRoute(QDBusConnection bus, ShortcutAction action, QObject *parent)
    : ShortcutRoute(std::move(action), parent), m_bus(bus)
{
    qDBusRegisterMetaType<QList<int>>();
    // Any path: the component's object is named by the service.
    m_bus.connect(Service, QString(), ComponentInterface, QStringLiteral("globalShortcutPressed"),
                  this, SLOT(onPressed(QString, QString, qlonglong)));
    m_bus.connect(Service, QString(), ComponentInterface, QStringLiteral("globalShortcutReleased"),
                  this, SLOT(onReleased(QString, QString, qlonglong)));
    // A service started again (after a crash) reads the keys from its file, which it writes
    // half a second after a change, but listens for nobody's until asked to. The route's
    // combination is the one in effect: a change made elsewhere has come as a signal.
    auto *watcher = new QDBusServiceWatcher(Service, m_bus,
                                            QDBusServiceWatcher::WatchForRegistration, this);
    connect(watcher, &QDBusServiceWatcher::serviceRegistered, this, [this] {
        if (!m_bound)
            return;
        call(QStringLiteral("doRegister"), {actionId()});
        call(QStringLiteral("setShortcut"),
             {actionId(), QVariant::fromValue(QList<int>{m_combination.toCombined()}),
              SetPresent | NoAutoloading});
    });
    for (const QString &change : {QStringLiteral("yourShortcutsChanged"),
                                  QStringLiteral("yourShortcutGotChanged")}) {
        m_bus.connect(Service, Path, Interface, change, this, SLOT(onChanged(QDBusMessage)));
    }
}

KGlobalAccelRoute::~KGlobalAccelRoute()
{
    release();
    if (m_releasing)
        m_releasing->waitForFinished();
}

bool KGlobalAccelRoute::offered(QDBusConnection bus)
{
    if (!bus.isConnected())
        return false;
    QDBusConnectionInterface *daemon = bus.interface();
    if (daemon->isServiceRegistered(Service))
        return true;
    // The program may start before the session's shortcut service; on KDE the bus starts it
    // on the first call. Elsewhere an installed but idle service would hear nobody's keys.
    const QStringList desktops =
        qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(QLatin1Char(':'));
    if (!desktops.contains(QStringLiteral("KDE"), Qt::CaseInsensitive))
        return false;
    const QDBusReply<QStringList> activatable = daemon->activatableServiceNames();
    return activatable.isValid() && activatable.value().contains(Service);
}

QStringList KGlobalAccelRoute::actionId() const
{
    return {ComponentUnique, action().id, QStringLiteral("Stavelin"), action().text()};
}

QDBusPendingCall KGlobalAccelRoute::call(const QString &method, const QVariantList &arguments,
                                         int timeoutMs)
{
    QDBusMessage message = QDBusMessage::createMethodCall(Service, Path, Interface, method);
    message.setArguments(arguments);
    return m_bus.asyncCall(message, timeoutMs);
}

void KGlobalAccelRoute::bind(QKeyCombination combination)
{
    ++m_generation;
    m_bound = false;
    if (!m_bus.isConnected()) {
        Q_EMIT refused(Refusal::Unavailable, QStringLiteral("there is no session bus"));
        return;
    }
    // The service handles one caller's messages in order, so only the last answer matters.
    call(QStringLiteral("doRegister"), {actionId()});
    // The default is what System Settings' "Default" button restores.
    call(QStringLiteral("setShortcut"),
         {actionId(), QVariant::fromValue(QList<int>{combination.toCombined()}), IsDefault});
    const bool autoload = std::exchange(m_autoload, false);
    setKeys(combination, autoload);
}

void KGlobalAccelRoute::setKeys(QKeyCombination combination, bool autoload)
{
    const quint64 generation = m_generation;
    const uint flags = SetPresent | (autoload ? 0 : NoAutoloading);
    auto *watcher = new QDBusPendingCallWatcher(
        call(QStringLiteral("setShortcut"),
             {actionId(), QVariant::fromValue(QList<int>{combination.toCombined()}), flags}),
        this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, watcher, generation, combination, autoload] {
                watcher->deleteLater();
                if (generation != m_generation)
                    return;
                const QDBusPendingReply<QList<int>> reply = *watcher;
                if (reply.isError()) {
                    const bool absent = reply.error().type() == QDBusError::ServiceUnknown;
                    Q_EMIT refused(absent ? Refusal::Unavailable : Refusal::Failed,
                                   QStringLiteral("KDE's shortcut service did not answer: %1")
                                       .arg(reply.error().message()));
                    return;
                }
                const QKeyCombination held = firstKey(reply.value());
                if (autoload && held != QKeyCombination()) {
                    // The kept keys: the asked ones, or the user's own from System Settings.
                    m_bound = true;
                    m_combination = held;
                    Q_EMIT bound(held);
                } else if (autoload) {
                    // Kept without a key, or refused: ask for the combination itself.
                    setKeys(combination, false);
                } else if (held == combination) {
                    m_bound = true;
                    m_combination = combination;
                    Q_EMIT bound(combination);
                } else {
                    // The service sets an empty key in place of one another action holds.
                    Q_EMIT refused(Refusal::Taken,
                                   QStringLiteral("%1 is given to another program in KDE's shortcut settings")
                                       .arg(text(combination)));
                }
            });
}

void KGlobalAccelRoute::release()
{
    ++m_generation;
    if (!std::exchange(m_bound, false) || !m_bus.isConnected())
        return;
    // Inactive, not unregistered: the service keeps the keys (and the user's choice in System
    // Settings) but no longer listens for them.
    m_releasing = call(QStringLiteral("setInactive"), {actionId()}, ReleaseTimeoutMs);
}

void KGlobalAccelRoute::onPressed(const QString &component, const QString &name, qlonglong)
{
    if (!m_bound || component != ComponentUnique || name != action().id)
        return;
    // A held-down key repeats its press until released. Should the release never come, a gap
    // between presses still tells a new one.
    const bool repeat = m_held && m_lastPress.isValid() && m_lastPress.elapsed() < RepeatGapMs;
    m_held = true;
    m_lastPress.start();
    if (!repeat)
        Q_EMIT activated(QString());
}

void KGlobalAccelRoute::onReleased(const QString &component, const QString &name, qlonglong)
{
    if (component == ComponentUnique && name == action().id)
        m_held = false;
}

void KGlobalAccelRoute::onChanged(const QDBusMessage &message)
{
    // yourShortcutsChanged(as actionId, a(ai) sequences), since KF5 5.90; the older
    // yourShortcutGotChanged(as actionId, ai keys). A service may send both.
    const QVariantList arguments = message.arguments();
    const QStringList changedId = arguments.value(0).toStringList();
    if (!m_bound || changedId.value(0) != ComponentUnique || changedId.value(1) != action().id)
        return;
    QList<int> keys;
    if (message.signature() == u"asai") {
        keys = qdbus_cast<QList<int>>(arguments.value(1));
    } else {
        // Each sequence is up to four combinations pressed one after another; only the
        // first can be a system-wide shortcut here.
        const QDBusArgument sequences = arguments.value(1).value<QDBusArgument>();
        sequences.beginArray();
        while (!sequences.atEnd()) {
            QList<int> sequence;
            sequences.beginStructure();
            sequences >> sequence;
            sequences.endStructure();
            keys << sequence.value(0);
        }
        sequences.endArray();
    }
    const QKeyCombination combination = firstKey(keys);
    if (combination != std::exchange(m_combination, combination))
        Q_EMIT changedElsewhere(combination);
}
