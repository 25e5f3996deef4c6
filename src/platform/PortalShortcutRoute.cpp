// SPDX-License-Identifier: MIT
#include "platform/PortalShortcutRoute.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusReply>
#include <QDBusVariant>
#include <QKeySequence>
#include <QRegularExpression>

#include <utility>

namespace {

const QString Path = QStringLiteral("/org/freedesktop/portal/desktop");
const QString Interface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
const QString RequestInterface = QStringLiteral("org.freedesktop.portal.Request");
const QString SessionInterface = QStringLiteral("org.freedesktop.portal.Session");

// The method calls themselves answer at once (the answer proper comes as a signal later).
constexpr int CallTimeoutMs = 5000;
constexpr int OfferedTimeoutMs = 1000;
constexpr int CloseTimeoutMs = 1000;

// One entry of the portal's a(sa{sv}) shortcut lists.
struct PortalShortcut {
    QString id;
    QVariantMap properties;
};

QDBusArgument &operator<<(QDBusArgument &argument, const PortalShortcut &shortcut)
{
    argument.beginStructure();
    argument << shortcut.id << shortcut.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument &operator>>(const QDBusArgument &argument, PortalShortcut &shortcut)
{
    argument.beginStructure();
    argument >> shortcut.id >> shortcut.properties;
    argument.endStructure();
    return argument;
}

// XKB names of the keys whose Qt name differs.
struct KeyName {
    Qt::Key key;
    const char *name;
};
constexpr KeyName KeyNames[] = {
    {Qt::Key_Space, "space"},         {Qt::Key_Return, "Return"},
    {Qt::Key_Enter, "KP_Enter"},      {Qt::Key_Escape, "Escape"},
    {Qt::Key_Tab, "Tab"},             {Qt::Key_Backspace, "BackSpace"},
    {Qt::Key_Delete, "Delete"},       {Qt::Key_Insert, "Insert"},
    {Qt::Key_Home, "Home"},           {Qt::Key_End, "End"},
    {Qt::Key_PageUp, "Page_Up"},      {Qt::Key_PageDown, "Page_Down"},
    {Qt::Key_Left, "Left"},           {Qt::Key_Right, "Right"},
    {Qt::Key_Up, "Up"},               {Qt::Key_Down, "Down"},
    {Qt::Key_Print, "Print"},         {Qt::Key_Pause, "Pause"},
    {Qt::Key_Minus, "minus"},         {Qt::Key_Equal, "equal"},
    {Qt::Key_Comma, "comma"},         {Qt::Key_Period, "period"},
    {Qt::Key_Slash, "slash"},         {Qt::Key_Backslash, "backslash"},
    {Qt::Key_Semicolon, "semicolon"}, {Qt::Key_Apostrophe, "apostrophe"},
    {Qt::Key_BracketLeft, "bracketleft"}, {Qt::Key_BracketRight, "bracketright"},
    {Qt::Key_QuoteLeft, "grave"},
};

// The properties of our shortcut in a list the portal sent.
QVariantMap shortcutProperties(const QVariant &value, const QString &id, bool *found)
{
    QList<PortalShortcut> shortcuts;
    if (value.canConvert<QDBusArgument>())
        value.value<QDBusArgument>() >> shortcuts;
    for (const PortalShortcut &shortcut : std::as_const(shortcuts)) {
        if (shortcut.id == id) {
            *found = true;
            return shortcut.properties;
        }
    }
    *found = false;
    return {};
}

// A handle the portal sent: a string by the documentation, an object path by some portals.
QString handle(const QVariant &value)
{
    if (value.metaType() == QMetaType::fromType<QDBusObjectPath>())
        return value.value<QDBusObjectPath>().path();
    return value.toString();
}

} // namespace

Q_DECLARE_METATYPE(PortalShortcut)

PortalShortcutRoute::PortalShortcutRoute(QDBusConnection bus, ShortcutAction action,
                                         QObject *parent)
    : ShortcutRoute(std::move(action), parent), m_bus(bus)
{
    qDBusRegisterMetaType<PortalShortcut>();
    qDBusRegisterMetaType<QList<PortalShortcut>>();
    m_bus.connect(Service, Path, Interface, QStringLiteral("Activated"), this,
                  SLOT(onActivated(QDBusMessage)));
    m_bus.connect(Service, Path, Interface, QStringLiteral("ShortcutsChanged"), this,
                  SLOT(onShortcutsChanged(QDBusMessage)));
}

PortalShortcutRoute::~PortalShortcutRoute()
{
    release();
    if (m_closing)
        m_closing->waitForFinished();
}

bool PortalShortcutRoute::offered(QDBusConnection bus)
{
    if (!bus.isConnected())
        return false;
    // An absent portal that the bus cannot start is told at once by the bus itself.
    QDBusMessage get = QDBusMessage::createMethodCall(
        Service, Path, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get.setArguments({Interface, QStringLiteral("version")});
    const QDBusMessage reply = bus.call(get, QDBus::Block, OfferedTimeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage;
}

QString PortalShortcutRoute::trigger(QKeyCombination combination)
{
    const Qt::Key key = combination.key();
    QString name;
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        name = QChar(u'a' + (key - Qt::Key_A));
    else if (key >= Qt::Key_0 && key <= Qt::Key_9)
        name = QChar(u'0' + (key - Qt::Key_0));
    else if (key >= Qt::Key_F1 && key <= Qt::Key_F35)
        name = QStringLiteral("F%1").arg(key - Qt::Key_F1 + 1);
    for (const KeyName &known : KeyNames) {
        if (known.key == key)
            name = QLatin1String(known.name);
    }
    if (name.isEmpty())
        return {};
    const Qt::KeyboardModifiers modifiers = combination.keyboardModifiers();
    QStringList parts;
    if (modifiers & Qt::ControlModifier)
        parts << QStringLiteral("CTRL");
    if (modifiers & Qt::AltModifier)
        parts << QStringLiteral("ALT");
    if (modifiers & Qt::ShiftModifier)
        parts << QStringLiteral("SHIFT");
    if (modifiers & Qt::MetaModifier)
        parts << QStringLiteral("LOGO");
    parts << name;
    return parts.join(QLatin1Char('+'));
}

QKeyCombination PortalShortcutRoute::parseTrigger(const QString &description)
{
    // GTK's "<Control><Alt>t" reads as "Control+Alt+t".
    QString text = description.trimmed();
    text.replace(QRegularExpression(QStringLiteral("<([A-Za-z0-9_]+)>")),
                 QStringLiteral("\\1+"));
    const QStringList parts = text.split(QLatin1Char('+'), Qt::SkipEmptyParts);
    if (parts.isEmpty())
        return {};
    Qt::KeyboardModifiers modifiers;
    for (qsizetype i = 0; i + 1 < parts.size(); ++i) {
        const QString part = parts.at(i).trimmed().toLower();
        if (part == u"ctrl" || part == u"control" || part == u"primary")
            modifiers |= Qt::ControlModifier;
        else if (part == u"alt" || part == u"mod1")
            modifiers |= Qt::AltModifier;
        else if (part == u"shift")
            modifiers |= Qt::ShiftModifier;
        else if (part == u"logo" || part == u"super" || part == u"meta" || part == u"mod4")
            modifiers |= Qt::MetaModifier;
        else
            return {};
    }
    const QString keyName = parts.constLast().trimmed();
    Qt::Key key = Qt::Key_unknown;
    for (const KeyName &known : KeyNames) {
        if (keyName.compare(QLatin1String(known.name), Qt::CaseInsensitive) == 0)
            key = known.key;
    }
    if (key == Qt::Key_unknown) {
        const QKeySequence sequence = QKeySequence::fromString(
            keyName.size() == 1 ? keyName.toUpper() : keyName, QKeySequence::PortableText);
        if (sequence.count() != 1 || sequence[0].keyboardModifiers() != Qt::NoModifier)
            return {};
        key = sequence[0].key();
    }
    if (key == Qt::Key_unknown)
        return {};
    return QKeyCombination(modifiers, key);
}

QString PortalShortcutRoute::objectPath(const QString &kind, const QString &token) const
{
    // Where the portal puts a request or session: the caller's unique name without the colon
    // and with its dots as underscores, then the caller's token.
    QString sender = m_bus.baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    return QStringLiteral("%1/%2/%3/%4").arg(Path, kind, sender, token);
}

void PortalShortcutRoute::await(Stage stage, const QString &requestPath)
{
    stopAwaiting();
    m_stage = stage;
    m_request = requestPath;
    m_bus.connect(Service, m_request, RequestInterface, QStringLiteral("Response"), this,
                  SLOT(onResponse(QDBusMessage)));
}

void PortalShortcutRoute::stopAwaiting()
{
    if (!m_request.isEmpty() && !m_orphans.contains(m_request)) {
        m_bus.disconnect(Service, m_request, RequestInterface, QStringLiteral("Response"), this,
                         SLOT(onResponse(QDBusMessage)));
    }
    m_request.clear();
    m_stage = Stage::Idle;
}

void PortalShortcutRoute::bind(QKeyCombination combination)
{
    release();
    m_combination = combination;
    if (!m_bus.isConnected()) {
        Q_EMIT refused(Refusal::Unavailable, QStringLiteral("there is no session bus"));
        return;
    }
    // Subscribed before the call, so that an answer given at once is not missed.
    const QString token = nextToken();
    const QString sessionToken = nextToken();
    await(Stage::CreatingSession, objectPath(QStringLiteral("request"), token));
    callPortal(QStringLiteral("CreateSession"),
               {QVariantMap{{QStringLiteral("handle_token"), token},
                            {QStringLiteral("session_handle_token"), sessionToken}}});
}

QString PortalShortcutRoute::nextToken()
{
    // Unique in the process, as the paths made of them are unique to the connection.
    static int tokens = 0;
    return QStringLiteral("stavelin%1").arg(++tokens);
}

void PortalShortcutRoute::callPortal(const QString &method, const QVariantList &arguments)
{
    QDBusMessage message = QDBusMessage::createMethodCall(Service, Path, Interface, method);
    message.setArguments(arguments);
    const quint64 generation = m_generation;
    const QString awaited = m_request;
    auto *watcher =
        new QDBusPendingCallWatcher(m_bus.asyncCall(message, CallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, watcher, generation, awaited] {
                watcher->deleteLater();
                if (generation != m_generation || awaited != m_request)
                    return;
                const QDBusPendingReply<QDBusObjectPath> reply = *watcher;
                if (reply.isError()) {
                    const QDBusError::ErrorType type = reply.error().type();
                    const bool absent = type == QDBusError::ServiceUnknown
                                        || type == QDBusError::UnknownInterface
                                        || type == QDBusError::UnknownMethod
                                        || type == QDBusError::UnknownObject;
                    stopAwaiting();
                    fail(absent ? Refusal::Unavailable : Refusal::Failed,
                         QStringLiteral("the desktop's shortcut portal did not answer: %1")
                             .arg(reply.error().message()));
                } else if (reply.value().path() != m_request) {
                    // Older portals put the request elsewhere; its answer cannot have come yet.
                    await(m_stage, reply.value().path());
                }
            });
}

void PortalShortcutRoute::bindInSession()
{
    const QString token = nextToken();
    await(Stage::Binding, objectPath(QStringLiteral("request"), token));
    QVariantMap properties{{QStringLiteral("description"),
                            action().text()}};
    const QString preferred = trigger(m_combination);
    if (!preferred.isEmpty())
        properties.insert(QStringLiteral("preferred_trigger"), preferred);
    const QList<PortalShortcut> shortcuts{{action().id, properties}};
    callPortal(QStringLiteral("BindShortcuts"),
               {QVariant::fromValue(QDBusObjectPath(m_session)), QVariant::fromValue(shortcuts),
                QString(), QVariantMap{{QStringLiteral("handle_token"), token}}});
}

void PortalShortcutRoute::onResponse(const QDBusMessage &message)
{
    const QString path = message.path();
    const uint response = message.arguments().value(0).toUInt();
    const QVariantMap results = qdbus_cast<QVariantMap>(message.arguments().value(1));
    if (m_orphans.removeOne(path)) {
        // A session asked for before release(): let go of it as soon as it exists.
        m_bus.disconnect(Service, path, RequestInterface, QStringLiteral("Response"), this,
                         SLOT(onResponse(QDBusMessage)));
        const QString session = handle(results.value(QStringLiteral("session_handle")));
        if (response == 0 && !session.isEmpty())
            closeSession(session);
        return;
    }
    if (path != m_request)
        return;
    const Stage stage = m_stage;
    stopAwaiting();
    if (response != 0) {
        fail(Refusal::Failed,
             response == 1 ? QStringLiteral("the shortcut was declined in the desktop's dialog")
                           : QStringLiteral("the desktop's shortcut portal refused the shortcut"));
        return;
    }
    if (stage == Stage::CreatingSession) {
        m_session = handle(results.value(QStringLiteral("session_handle")));
        if (m_session.isEmpty()) {
            fail(Refusal::Failed, QStringLiteral("the desktop's shortcut portal opened no session"));
            return;
        }
        bindInSession();
        return;
    }
    bool found = false;
    const QVariantMap properties =
        shortcutProperties(results.value(QStringLiteral("shortcuts")), action().id, &found);
    if (!found) {
        fail(Refusal::Failed, QStringLiteral("the desktop's shortcut portal did not keep the shortcut"));
        return;
    }
    // The user may have picked another combination in the portal's dialog.
    const QKeyCombination chosen =
        parseTrigger(properties.value(QStringLiteral("trigger_description")).toString());
    Q_EMIT bound(chosen.key() != Qt::Key_unknown ? chosen : m_combination);
}

void PortalShortcutRoute::fail(Refusal why, const QString &reason)
{
    if (!m_session.isEmpty())
        closeSession(std::exchange(m_session, QString()));
    Q_EMIT refused(why, reason);
}

void PortalShortcutRoute::closeSession(const QString &session)
{
    const QDBusMessage close = QDBusMessage::createMethodCall(Service, session, SessionInterface,
                                                              QStringLiteral("Close"));
    m_closing = m_bus.asyncCall(close, CloseTimeoutMs);
}

void PortalShortcutRoute::release()
{
    ++m_generation;
    if (m_stage == Stage::CreatingSession) {
        m_orphans << m_request;
        m_request.clear();
        m_stage = Stage::Idle;
    }
    stopAwaiting();
    if (!m_session.isEmpty())
        closeSession(std::exchange(m_session, QString()));
}

void PortalShortcutRoute::onActivated(const QDBusMessage &message)
{
    // (o session_handle, s shortcut_id, t timestamp, a{sv} options)
    const QVariantList arguments = message.arguments();
    if (m_session.isEmpty() || arguments.value(0).value<QDBusObjectPath>().path() != m_session
        || arguments.value(1).toString() != action().id)
        return;
    const QVariantMap options = qdbus_cast<QVariantMap>(arguments.value(3));
    Q_EMIT activated(options.value(QStringLiteral("activation_token")).toString());
}

void PortalShortcutRoute::onShortcutsChanged(const QDBusMessage &message)
{
    const QVariantList arguments = message.arguments();
    if (m_session.isEmpty() || m_stage != Stage::Idle
        || arguments.value(0).value<QDBusObjectPath>().path() != m_session)
        return;
    bool found = false;
    const QVariantMap properties = shortcutProperties(arguments.value(1), action().id, &found);
    if (!found) {
        Q_EMIT changedElsewhere(QKeyCombination());
        return;
    }
    // A description this cannot read leaves the combination unknown rather than wrong.
    const QKeyCombination changed =
        parseTrigger(properties.value(QStringLiteral("trigger_description")).toString());
    if (changed.key() != Qt::Key_unknown)
        Q_EMIT changedElsewhere(changed);
}
