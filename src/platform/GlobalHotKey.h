// SPDX-License-Identifier: MIT
#pragma once

#include <QAbstractNativeEventFilter>
#include <QKeyCombination>
#include <QList>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

// One system-wide key combination. On X11 it is a passive grab on the root window, taken
// with every state of the lock keys (CapsLock, NumLock) so that they do not stand in the way.
// The handler runs on the main thread, from the event loop, once per press (held-down key
// repeats are ignored). Destroying the object releases the grab and drops any press not yet
// handled.
class GlobalHotKey : private QAbstractNativeEventFilter {
public:
    using Handler = std::function<void()>;

    static constexpr QKeyCombination DefaultCombination{Qt::ControlModifier | Qt::AltModifier,
                                                        Qt::Key_T};

    // Why a combination could not be had.
    enum class Failure {
        NoX11,    // no X11 display (Wayland, offscreen)
        Unusable, // a key we do not grab, or one the keyboard does not have
        Taken,    // another program holds it
        Refused,  // the X server refused the grab for another reason
    };

    // Nothing when the combination cannot be had. `error`, when given, then receives a
    // one-line reason, and `failure` the kind.
    static std::unique_ptr<GlobalHotKey> create(QKeyCombination combination, Handler handler,
                                                QString *error = nullptr,
                                                Failure *failure = nullptr);
    ~GlobalHotKey() override;

    GlobalHotKey(const GlobalHotKey &) = delete;
    GlobalHotKey &operator=(const GlobalHotKey &) = delete;

    QKeyCombination combination() const { return m_combination; }

private:
    struct Grab {
        quint32 root;
        quint8 keycode;
        quint16 modifiers;
    };

    GlobalHotKey(QKeyCombination combination, Handler handler);
    // The hot keys this program holds now, on the main thread.
    static QList<const GlobalHotKey *> &held();
    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;

    QKeyCombination m_combination;
    Handler m_handler;
    void *m_connection = nullptr; // xcb_connection_t, owned by Qt
    QList<Grab> m_grabs;
    QList<quint8> m_keycodes;
    quint16 m_modifiers = 0;   // the combination's own modifier bits
    quint16 m_lockMasks = 0;   // CapsLock and NumLock bits, ignored when matching
    bool m_down = false;       // the key is held: further presses are auto-repeat
    quint32 m_releaseTime = 0; // of the last release, to tell repeats from new presses
    QObject m_context;         // queued handler calls die with it
};
