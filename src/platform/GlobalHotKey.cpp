// SPDX-License-Identifier: MIT
#include "GlobalHotKey.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeySequence>
#include <QThread>

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>
#define XK_MISCELLANY
#define XK_LATIN1
#include <X11/keysymdef.h>

#include <algorithm>
#include <cstdlib>

namespace {

// The keysym of the keys we can grab: letters, digits and function keys.
xcb_keysym_t keysymFor(Qt::Key key)
{
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return XK_a + (key - Qt::Key_A);
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return XK_0 + (key - Qt::Key_0);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F35)
        return XK_F1 + (key - Qt::Key_F1);
    return XCB_NO_SYMBOL;
}

QList<xcb_keycode_t> keycodesFor(xcb_key_symbols_t *symbols, xcb_keysym_t keysym)
{
    QList<xcb_keycode_t> codes;
    if (xcb_keycode_t *found = xcb_key_symbols_get_keycode(symbols, keysym)) {
        for (xcb_keycode_t *code = found; *code != XCB_NO_SYMBOL; ++code) {
            if (!codes.contains(*code))
                codes.append(*code);
        }
        std::free(found);
    }
    return codes;
}

// Which modifier bits the keyboard gives Alt, Super and NumLock; these differ between setups.
struct ModifierBits {
    quint16 alt = XCB_MOD_MASK_1;
    quint16 super = XCB_MOD_MASK_4;
    quint16 numLock = 0;
};

ModifierBits modifierBits(xcb_connection_t *connection, xcb_key_symbols_t *symbols)
{
    ModifierBits bits;
    xcb_get_modifier_mapping_reply_t *reply =
        xcb_get_modifier_mapping_reply(connection, xcb_get_modifier_mapping(connection), nullptr);
    if (!reply)
        return bits;
    const xcb_keycode_t *codes = xcb_get_modifier_mapping_keycodes(reply);
    const int perModifier = reply->keycodes_per_modifier;
    auto bitOf = [&](xcb_keysym_t keysym) -> quint16 {
        const QList<xcb_keycode_t> wanted = keycodesFor(symbols, keysym);
        for (int modifier = 0; modifier < 8; ++modifier) {
            for (int i = 0; i < perModifier; ++i) {
                const xcb_keycode_t code = codes[modifier * perModifier + i];
                if (code != 0 && wanted.contains(code))
                    return quint16(1u << modifier);
            }
        }
        return 0;
    };
    if (const quint16 alt = bitOf(XK_Alt_L))
        bits.alt = alt;
    if (const quint16 super = bitOf(XK_Super_L))
        bits.super = super;
    bits.numLock = bitOf(XK_Num_Lock);
    std::free(reply);
    return bits;
}

bool fail(QString *error, const QString &reason, GlobalHotKey::Failure *failure = nullptr,
          GlobalHotKey::Failure kind = GlobalHotKey::Failure::Refused)
{
    if (error)
        *error = reason;
    if (failure)
        *failure = kind;
    return false;
}

} // namespace

GlobalHotKey::GlobalHotKey(QKeyCombination combination, Handler handler)
    : m_combination(combination), m_handler(std::move(handler))
{
}

std::unique_ptr<GlobalHotKey> GlobalHotKey::create(QKeyCombination combination, Handler handler,
                                                   QString *error, Failure *failure)
{
    const QString name = QKeySequence(combination).toString(QKeySequence::NativeText);
    auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance());
    if (!app) {
        fail(error, QStringLiteral("global hot keys need a graphical session"), failure,
             Failure::NoX11);
        return nullptr;
    }
    if (QThread::currentThread() != app->thread()) {
        fail(error, QStringLiteral("the global hot key must be set up on the main thread"), failure);
        return nullptr;
    }
    // Offscreen hands out the X11 interface with no connection behind it.
    auto *x11 = app->nativeInterface<QNativeInterface::QX11Application>();
    auto *connection = x11 ? x11->connection() : nullptr;
    if (!connection) {
        fail(error, QStringLiteral("global hot keys need an X11 session"), failure, Failure::NoX11);
        return nullptr;
    }
    const xcb_keysym_t keysym = keysymFor(combination.key());
    if (keysym == XCB_NO_SYMBOL) {
        fail(error, QStringLiteral("%1 cannot be used as a global hot key").arg(name), failure,
             Failure::Unusable);
        return nullptr;
    }

    xcb_key_symbols_t *symbols = xcb_key_symbols_alloc(connection);
    const QList<xcb_keycode_t> keycodes = keycodesFor(symbols, keysym);
    const ModifierBits bits = modifierBits(connection, symbols);
    xcb_key_symbols_free(symbols);
    if (keycodes.isEmpty()) {
        fail(error, QStringLiteral("the keyboard has no key for %1").arg(name), failure,
             Failure::Unusable);
        return nullptr;
    }

    std::unique_ptr<GlobalHotKey> hotKey(new GlobalHotKey(combination, std::move(handler)));
    const Qt::KeyboardModifiers wanted = combination.keyboardModifiers();
    quint16 modifiers = 0;
    if (wanted & Qt::ShiftModifier)
        modifiers |= XCB_MOD_MASK_SHIFT;
    if (wanted & Qt::ControlModifier)
        modifiers |= XCB_MOD_MASK_CONTROL;
    if (wanted & Qt::AltModifier)
        modifiers |= bits.alt;
    if (wanted & Qt::MetaModifier)
        modifiers |= bits.super;
    hotKey->m_connection = connection;
    hotKey->m_keycodes = keycodes;
    hotKey->m_modifiers = modifiers;
    hotKey->m_lockMasks = quint16(XCB_MOD_MASK_LOCK | bits.numLock);

    // The X server lets a client grab again what it holds already, without a word: a second
    // hot key of this program on the same combination would silently share, and later take
    // away, the first one's grabs.
    for (const GlobalHotKey *other : std::as_const(held())) {
        const bool sameKey = std::any_of(keycodes.cbegin(), keycodes.cend(), [other](xcb_keycode_t code) {
            return other->m_keycodes.contains(code);
        });
        if (sameKey && other->m_modifiers == modifiers) {
            fail(error, QStringLiteral("%1 is already in use by another shortcut of this program").arg(name),
                 failure, Failure::Taken);
            return nullptr;
        }
    }

    QList<quint16> variants{modifiers};
    for (quint16 lock :
         {quint16(XCB_MOD_MASK_LOCK), bits.numLock, quint16(XCB_MOD_MASK_LOCK | bits.numLock)}) {
        if (!variants.contains(quint16(modifiers | lock)))
            variants.append(quint16(modifiers | lock));
    }

    // Every grab is checked before going on: another client holding any variant means the
    // combination is not ours, and whatever was taken already is given back.
    bool taken = false;
    int refusal = 0;
    for (auto roots = xcb_setup_roots_iterator(xcb_get_setup(connection)); roots.rem && !refusal;
         xcb_screen_next(&roots)) {
        for (xcb_keycode_t code : keycodes) {
            for (quint16 variant : std::as_const(variants)) {
                // owner_events off: with it on, a press while one of our own windows has
                // the focus goes to that window instead of the root, and never fires.
                const xcb_void_cookie_t cookie =
                    xcb_grab_key_checked(connection, 0, roots.data->root, variant, code,
                                         XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
                if (xcb_generic_error_t *failure = xcb_request_check(connection, cookie)) {
                    refusal = failure->error_code;
                    taken = refusal == XCB_ACCESS;
                    std::free(failure);
                    break;
                }
                hotKey->m_grabs.append(Grab{roots.data->root, code, variant});
            }
            if (refusal)
                break;
        }
    }
    if (refusal) {
        // The destructor gives back the grabs made so far.
        fail(error, taken ? QStringLiteral("%1 is already in use by another program").arg(name)
                          : QStringLiteral("the X server refused to grab %1 (error %2)")
                                .arg(name)
                                .arg(refusal),
             failure, taken ? Failure::Taken : Failure::Refused);
        return nullptr;
    }
    app->installNativeEventFilter(hotKey.get());
    held().append(hotKey.get());
    return hotKey;
}

QList<const GlobalHotKey *> &GlobalHotKey::held()
{
    static QList<const GlobalHotKey *> hotKeys;
    return hotKeys;
}

GlobalHotKey::~GlobalHotKey()
{
    held().removeAll(this);
    // Without the application its X connection is gone, and the grabs with it.
    if (!QCoreApplication::instance() || !m_connection)
        return;
    QCoreApplication::instance()->removeNativeEventFilter(this);
    auto *connection = static_cast<xcb_connection_t *>(m_connection);
    for (const Grab &grab : std::as_const(m_grabs))
        xcb_ungrab_key(connection, grab.keycode, grab.root, grab.modifiers);
    xcb_flush(connection);
}

bool GlobalHotKey::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *)
{
    if (eventType != "xcb_generic_event_t")
        return false;
    auto *event = static_cast<xcb_generic_event_t *>(message);
    const quint8 type = event->response_type & ~0x80;
    if (type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE)
        return false;
    auto *key = reinterpret_cast<xcb_key_press_event_t *>(event);
    if (!m_keycodes.contains(key->detail))
        return false;
    bool onGrabbedRoot = false;
    for (const Grab &grab : std::as_const(m_grabs))
        onGrabbedRoot = onGrabbedRoot || grab.root == key->event;
    if (!onGrabbedRoot)
        return false;

    if (type == XCB_KEY_RELEASE) {
        // The grab keeps the keyboard until the key comes up, so this always arrives. Another
        // grab of the same key with other modifiers (the other shortcut) gets its own.
        if (!m_down)
            return false;
        m_down = false;
        m_releaseTime = key->time;
        return true;
    }
    // Only the key modifier bits count; mouse buttons and lock keys do not.
    const quint16 state = key->state & 0xff & ~m_lockMasks;
    if (state != m_modifiers)
        return false;
    // Auto-repeat while held: either presses without releases, or release-press pairs that
    // carry the same time stamp.
    if (m_down || (m_releaseTime != 0 && key->time == m_releaseTime)) {
        m_down = true;
        return true;
    }
    m_down = true;
    // Run from the event loop rather than inside event processing; the context object drops
    // the call if this object goes away first.
    QMetaObject::invokeMethod(
        &m_context,
        [this] {
            const Handler handler = m_handler; // the handler may well destroy this object
            handler();
        },
        Qt::QueuedConnection);
    return true;
}
