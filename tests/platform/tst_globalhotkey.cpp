// SPDX-License-Identifier: MIT
// The global hot key on a real X server (the session's Xvfb), pressed with xdotool. A second
// X connection plays the other program that holds the combination.
#include "platform/GlobalHotKey.h"
#include "platform/X11GrabRoute.h"

#include <QGuiApplication>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

class GlobalHotKeyTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void firesOncePerPressOnTheMainThread();
    void refusedWhileAnotherClientHoldsIt();
    void destructionReleasesTheGrab();
    void twoRoutesSideBySide();
    void withoutX11Fails();

private:
    std::unique_ptr<GlobalHotKey> createCounting(QString *error = nullptr);

    int m_presses = 0;
    bool m_offMainThread = false;
    bool m_onX11 = false;
};

namespace {

void press(const QStringList &keys)
{
    QProcess xdotool;
    xdotool.start(QStringLiteral("xdotool"), QStringList{QStringLiteral("key")} + keys);
    QVERIFY(xdotool.waitForFinished(10000));
    QCOMPARE(xdotool.exitCode(), 0);
}

// Another program on its own connection, grabbing Ctrl+Alt+T (Alt is Mod1 on Xvfb).
class OtherClient {
public:
    OtherClient() : m_connection(xcb_connect(nullptr, nullptr))
    {
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
        xcb_key_symbols_t *symbols = xcb_key_symbols_alloc(m_connection);
        xcb_keycode_t *codes = xcb_key_symbols_get_keycode(symbols, 't');
        m_keycode = codes ? codes[0] : 0;
        std::free(codes);
        xcb_key_symbols_free(symbols);
    }
    ~OtherClient() { xcb_disconnect(m_connection); }

    bool grab(quint16 extraModifiers = 0)
    {
        const quint16 modifiers = XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 | extraModifiers;
        xcb_generic_error_t *error = xcb_request_check(
            m_connection, xcb_grab_key_checked(m_connection, 1, m_root, modifiers, m_keycode,
                                               XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
        std::free(error);
        return !error;
    }

private:
    xcb_connection_t *m_connection;
    xcb_window_t m_root = 0;
    xcb_keycode_t m_keycode = 0;
};

} // namespace

void GlobalHotKeyTest::initTestCase()
{
    m_onX11 = QGuiApplication::platformName() == QStringLiteral("xcb");
}

std::unique_ptr<GlobalHotKey> GlobalHotKeyTest::createCounting(QString *error)
{
    return GlobalHotKey::create(
        GlobalHotKey::DefaultCombination,
        [this] {
            ++m_presses;
            m_offMainThread = m_offMainThread || QThread::currentThread() != qApp->thread();
        },
        error);
}

void GlobalHotKeyTest::firesOncePerPressOnTheMainThread()
{
    if (!m_onX11)
        QSKIP("needs an X display");
    QString error;
    auto hotKey = createCounting(&error);
    QVERIFY2(hotKey, qPrintable(error));
    m_presses = 0;

    press({QStringLiteral("ctrl+alt+t")});
    QTRY_COMPARE(m_presses, 1);

    // Lock keys on do not get in the way.
    press({QStringLiteral("Num_Lock"), QStringLiteral("ctrl+alt+t"), QStringLiteral("Num_Lock")});
    QTRY_COMPARE(m_presses, 2);
    press({QStringLiteral("Caps_Lock"), QStringLiteral("Num_Lock"), QStringLiteral("ctrl+alt+t"),
           QStringLiteral("Num_Lock"), QStringLiteral("Caps_Lock")});
    QTRY_COMPARE(m_presses, 3);

    // Other combinations do nothing; the final real press shows they have all been seen.
    press({QStringLiteral("ctrl+t"), QStringLiteral("alt+t"), QStringLiteral("ctrl+alt+shift+t"),
           QStringLiteral("t"), QStringLiteral("ctrl+alt+t")});
    QTRY_COMPARE(m_presses, 4);

    // Held down past the server's auto-repeat delay: the repeats are not new presses.
    QProcess::execute(
        QStringLiteral("sh"),
        {QStringLiteral("-c"), QStringLiteral("xdotool keydown ctrl+alt+t; sleep 1.2; "
                                              "xdotool keyup t keyup alt keyup ctrl")});
    press({QStringLiteral("ctrl+alt+t")});
    QTRY_COMPARE(m_presses, 6);
    QTest::qWait(200);
    QCOMPARE(m_presses, 6);
    QVERIFY(!m_offMainThread);
}

void GlobalHotKeyTest::refusedWhileAnotherClientHoldsIt()
{
    if (!m_onX11)
        QSKIP("needs an X display");
    // Only one of the lock-key variants taken is enough to refuse, with nothing left behind.
    auto other = std::make_unique<OtherClient>();
    QVERIFY(other->grab(XCB_MOD_MASK_2));
    QString error;
    QVERIFY(!createCounting(&error));
    QVERIFY(error.contains(QStringLiteral("already in use")));
    other.reset();

    // Our own grab of the plain variant was given back.
    OtherClient probe;
    QVERIFY(probe.grab());
}

void GlobalHotKeyTest::destructionReleasesTheGrab()
{
    if (!m_onX11)
        QSKIP("needs an X display");
    auto hotKey = createCounting();
    QVERIFY(hotKey);
    {
        OtherClient other;
        QVERIFY(!other.grab());
        QVERIFY(!other.grab(XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2));
    }
    m_presses = 0;
    hotKey.reset();
    press({QStringLiteral("ctrl+alt+t")});
    QTest::qWait(300);
    QCOMPARE(m_presses, 0);

    OtherClient other;
    QVERIFY(other.grab());
    QVERIFY(other.grab(XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2));
}

// The panel's shortcut and quick add's, each on a route of its own: a press reaches only its
// own, also when the two share a key and differ in a modifier (each sees its own release, so
// neither takes the other's next press for a held-down repeat); rebinding one leaves the
// other alone, and one cannot take what the other holds.
void GlobalHotKeyTest::twoRoutesSideBySide()
{
    if (!m_onX11)
        QSKIP("needs an X display");
    X11GrabRoute panel(ShortcutAction::toggle());
    X11GrabRoute quickAdd(ShortcutAction::quickAdd());
    QCOMPARE(quickAdd.action().id, QStringLiteral("quick-add"));
    QSignalSpy panelBound(&panel, &ShortcutRoute::bound);
    QSignalSpy quickBound(&quickAdd, &ShortcutRoute::bound);
    QSignalSpy quickRefused(&quickAdd, &ShortcutRoute::refused);
    QSignalSpy panelPresses(&panel, &ShortcutRoute::activated);
    QSignalSpy quickPresses(&quickAdd, &ShortcutRoute::activated);
    const QKeyCombination ctrlAltT(Qt::ControlModifier | Qt::AltModifier, Qt::Key_T);
    const QKeyCombination ctrlAltN(Qt::ControlModifier | Qt::AltModifier, Qt::Key_N);
    const QKeyCombination ctrlAltShiftT(Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier,
                                        Qt::Key_T);
    panel.bind(ctrlAltT);
    quickAdd.bind(ctrlAltN);
    QCOMPARE(panelBound.count(), 1);
    QCOMPARE(quickBound.count(), 1);

    press({QStringLiteral("ctrl+alt+n"), QStringLiteral("ctrl+alt+t"), QStringLiteral("ctrl+alt+n")});
    QTRY_COMPARE(quickPresses.count(), 2);
    QTRY_COMPARE(panelPresses.count(), 1);

    // The same key: alternate presses go to each in turn, none lost as a repeat.
    quickAdd.bind(ctrlAltShiftT);
    QCOMPARE(quickBound.count(), 2);
    press({QStringLiteral("ctrl+alt+shift+t"), QStringLiteral("ctrl+alt+t"),
           QStringLiteral("ctrl+alt+shift+t"), QStringLiteral("ctrl+alt+t")});
    QTRY_COMPARE(quickPresses.count(), 4);
    QTRY_COMPARE(panelPresses.count(), 3);
    // Ctrl+Alt+N is free again.
    press({QStringLiteral("ctrl+alt+n")});
    QTest::qWait(200);
    QCOMPARE(quickPresses.count(), 4);

    // The panel's combination is held: refused, as another program's would be.
    quickAdd.bind(ctrlAltT);
    QCOMPARE(quickRefused.count(), 1);
    QCOMPARE(quickRefused.first().first().value<ShortcutRoute::Refusal>(), ShortcutRoute::Refusal::Taken);
    press({QStringLiteral("ctrl+alt+t")});
    QTRY_COMPARE(panelPresses.count(), 4);
    QCOMPARE(quickPresses.count(), 4);
}

void GlobalHotKeyTest::withoutX11Fails()
{
    if (m_onX11) {
        // Run this one test again in a process of its own on the offscreen platform.
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("withoutX11Fails")});
        QVERIFY(child.waitForFinished(30000));
        QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0,
                 child.readAllStandardOutput().constData());
        return;
    }
    QString error;
    QVERIFY(!createCounting(&error));
    QVERIFY(!error.isEmpty());
}

int main(int argc, char **argv)
{
    // Without a display Qt cannot start on xcb at all; run what does not need one.
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    GlobalHotKeyTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_globalhotkey.moc"
