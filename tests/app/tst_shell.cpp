// SPDX-License-Identifier: MIT
#include "AppDelegate.h"
#include "MemoryTrim.h"
#include "PanelPlacement.h"
#include "PanelWindow.h"
#include "ShortcutManager.h"
#include "SingleInstance.h"
#include "WheelRedirect.h"
#include "model/Json.h"
#include "platform/LoginItem.h"
#include "state/AppState.h"

#include <QDataStream>
#include <QLocalServer>
#include <QLocalSocket>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtConcurrent>
#include <QtQml/qqmlextensionplugin.h>
#include <QtTest>

Q_IMPORT_QML_PLUGIN(StavelinPlugin)

using namespace Qt::StringLiterals;

class TestShell : public QObject {
    Q_OBJECT
private slots:
    void placement_data();
    void placement();
    void wheelRedirect();
    void singleInstanceHandsOver();
    void singleInstanceTakesOverAfterCrash();
    void lateFocusLossKeepsShownPanel();
    void shortcutRoutesAndPreference();
    void trimEndsIdleDecodingThreads();
};

namespace {

// A route that answers as told, later (as a D-Bus service does) or at once (as the X11 grab).
class ScriptedRoute : public ShortcutRoute {
public:
    std::function<void(ScriptedRoute *, QKeyCombination)> onBind;
    bool released = false;
    QString name() const override { return u"scripted"_s; }
    void bind(QKeyCombination combination) override { onBind(this, combination); }
    void release() override { released = true; }
    void answer(QKeyCombination combination) { Q_EMIT bound(combination); }
    void refuse(Refusal why) { Q_EMIT refused(why, u"scripted refusal"_s); }
    void press() { Q_EMIT activated(u"token"_s); }
    void changeElsewhere(QKeyCombination combination) { Q_EMIT changedElsewhere(combination); }
};

} // namespace

void TestShell::placement_data()
{
    QTest::addColumn<QRect>("icon");
    QTest::addColumn<QPoint>("pointer"); // (-1,-1): none
    QTest::addColumn<QRect>("available");
    QTest::addColumn<QSize>("panel");
    QTest::addColumn<QPoint>("expected");

    const QRect screen(0, 0, 1280, 800);
    const QPoint none(-1, -1);
    QTest::newRow("under an icon at the top") << QRect(600, 1, 22, 22) << none << screen
                                             << QSize(420, 560) << QPoint(401, 27);
    QTest::newRow("top-right icon, narrow panel") << QRect(1001, 1, 22, 22) << none << screen
                                                 << QSize(420, 560) << QPoint(802, 27);
    QTest::newRow("top-right icon, wide panel pulled inside")
        << QRect(1001, 1, 22, 22) << none << screen << QSize(820, 560) << QPoint(452, 27);
    QTest::newRow("icon at the left edge") << QRect(2, 1, 22, 22) << none << screen
                                          << QSize(420, 560) << QPoint(8, 27);
    QTest::newRow("above an icon at the bottom") << QRect(600, 776, 22, 22) << none << screen
                                                << QSize(420, 560) << QPoint(401, 212);
    QTest::newRow("no icon geometry: the pointer") << QRect() << QPoint(100, 10) << screen
                                                  << QSize(420, 560) << QPoint(8, 15);
    QTest::newRow("no icon, no pointer: top-right")
        << QRect() << none << QRect(0, 30, 1280, 770) << QSize(420, 560) << QPoint(852, 38);
    QTest::newRow("screen narrower than the panel: left edge stays")
        << QRect(300, 1, 22, 22) << none << QRect(0, 0, 400, 800) << QSize(420, 560)
        << QPoint(8, 27);
    QTest::newRow("second screen") << QRect(2500, 1060, 22, 20) << none
                                   << QRect(1280, 0, 1920, 1080) << QSize(420, 560)
                                   << QPoint(2301, 496);
    QTest::newRow("no screen: unclamped") << QRect(10, 1, 22, 22) << none << QRect()
                                          << QSize(420, 560) << QPoint(-189, 27);
}

void TestShell::placement()
{
    QFETCH(QRect, icon);
    QFETCH(QPoint, pointer);
    QFETCH(QRect, available);
    QFETCH(QSize, panel);
    QFETCH(QPoint, expected);
    placement::Input input{icon, std::nullopt, available, panel};
    if (pointer != QPoint(-1, -1)) {
        input.pointer = pointer;
    }
    QCOMPARE(placement::panelPosition(input), expected);
}

// A board-like strip: a sideways flickable holding two vertically scrolling columns.
void TestShell::wheelRedirect()
{
    QQmlEngine engine;
    QQmlComponent component(&engine);
    component.setData(R"(
        import QtQuick
        Flickable {
            width: 400; height: 300
            contentWidth: 1000; contentHeight: 300
            property alias column: column
            ListView {
                id: column
                width: 200; height: 300
                model: 50
                delegate: Rectangle { width: 200; height: 40 }
            }
        }
    )"_ba, QUrl(u"qrc:/strip.qml"_s));
    std::unique_ptr<QObject> object(component.create());
    QVERIFY2(object, qPrintable(component.errorString()));
    auto *strip = qobject_cast<QQuickItem *>(object.get());
    QQuickWindow window;
    strip->setParentItem(window.contentItem());

    const auto wheelAt = [&](QPointF at, QPoint angle, QPoint pixels = {}) {
        const QWheelEvent event(at, at, pixels, angle, Qt::NoButton, Qt::NoModifier,
                                Qt::NoScrollPhase, false);
        return wheel::redirect(&window, event, 3);
    };
    const QPointF emptyArea(300, 150);
    const QPointF overColumn(100, 150);

    // One notch down over the empty strip moves it right by three lines of 16 px.
    QVERIFY(wheelAt(emptyArea, QPoint(0, -120)));
    QCOMPARE(strip->property("contentX").toReal(), 48.0);
    // Over a column that scrolls itself the wheel is left alone.
    QVERIFY(!wheelAt(overColumn, QPoint(0, -120)));
    // Smooth devices and mainly sideways motion keep their own meaning.
    QVERIFY(!wheelAt(emptyArea, QPoint(0, -120), QPoint(0, -30)));
    QVERIFY(!wheelAt(emptyArea, QPoint(-120, -60)));
    // The ends stop the strip: left at 0, right at content width minus visible width.
    QVERIFY(wheelAt(emptyArea, QPoint(0, 240)));
    QCOMPARE(strip->property("contentX").toReal(), 0.0);
    for (int i = 0; i < 20; ++i) {
        wheelAt(emptyArea, QPoint(0, -120));
    }
    QCOMPARE(strip->property("contentX").toReal(), 600.0);
}

void TestShell::singleInstanceHandsOver()
{
    QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
    const QString name = u"stavelin-test"_s;
    SingleInstance first(name);
    QCOMPARE(first.claim({}), SingleInstance::Role::Primary);
    QVERIFY(QFileInfo(first.socketPath()).absolutePath() == runtime.path());
    QSignalSpy requested(&first, &SingleInstance::requested);
    const auto received = [&requested](int i) {
        return requested.at(i).first().value<SingleInstance::Request>();
    };

    // A second start blocks until it is answered, so it runs beside this event loop: URLs,
    // then a toggle with the token of its start.
    using Action = SingleInstance::Request::Action;
    const SingleInstance::Request open{Action::Open, {u"stavelin://auth#token=abc"_s, u"second"_s}, {}};
    const SingleInstance::Request toggle{Action::Toggle, {}, u"kwin-4f2a_TIME123"_s};
    for (const SingleInstance::Request &request : {open, toggle}) {
        QFuture<SingleInstance::Role> second = QtConcurrent::run([name, request] {
            return SingleInstance(name).claim(request);
        });
        QTRY_VERIFY(second.isFinished());
        QCOMPARE(second.result(), SingleInstance::Role::HandedOver);
    }
    QCOMPARE(requested.count(), 2);
    QVERIFY(received(0) == open);
    QVERIFY(received(1) == toggle);

    // What the running program makes of a message: unknown options and a token that is none
    // are dropped; a program from before --toggle reads it as arguments and shows its panel.
    const auto decoded = SingleInstance::Request::decode(
        {u"--show"_s, u"--bogus"_s, u"--activation-token=a b\n"_s, u"stavelin://x"_s});
    QVERIFY(decoded == (SingleInstance::Request{Action::Show, {u"stavelin://x"_s}, {}}));
    QVERIFY(SingleInstance::Request::decode(toggle.encode()) == toggle);
    const SingleInstance::Request quickAdd{Action::QuickAdd, {}, u"kwin-4f2a_TIME124"_s};
    QVERIFY(SingleInstance::Request::decode(quickAdd.encode()) == quickAdd);
    QVERIFY(!SingleInstance::isActivationToken(QString(2000, u'x')));

    // Garbled or oversized messages are cut off unanswered, and the program keeps serving.
    const auto send = [&first](const QByteArray &bytes) {
        QLocalSocket socket;
        socket.connectToServer(first.socketPath());
        socket.waitForConnected(2000);
        socket.write(bytes);
        socket.waitForBytesWritten(2000);
        // Answered ('!') or cut off, the connection ends at once; a reader waiting for the rest
        // of a garbled message would keep it open.
        const bool ended = QTest::qWaitFor(
            [&socket] { return socket.state() == QLocalSocket::UnconnectedState; }, 2000);
        return ended ? socket.readAll() : QByteArray("left open");
    };
    QByteArray garbled;
    QDataStream(&garbled, QIODevice::WriteOnly) << quint32(0x53544156) << quint32(0x7fffffff);
    QCOMPARE(send(garbled), QByteArray()); // a count QDataStream would reserve room for, then wait
    QCOMPARE(send(QByteArray(4, 'x') + QByteArray(16, '\0')), QByteArray());
    QCOMPARE(send(QByteArray(SingleInstance::MaxMessageBytes + 1, '\0')), QByteArray());
    QCOMPARE(requested.count(), 2);
    QByteArray plain; // as an older start sends it
    QDataStream(&plain, QIODevice::WriteOnly) << quint32(0x53544156) << QStringList{u"--toggle"_s};
    QCOMPARE(send(plain), QByteArray("!"));
    QCOMPARE(requested.count(), 3);
    QCOMPARE(received(2).action, Action::Toggle);
}

void TestShell::singleInstanceTakesOverAfterCrash()
{
    QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
    const QString name = u"stavelin-crashed"_s;
    // What a killed program leaves: the socket file without anyone listening, no lock owner.
    {
        QLocalServer leftover;
        leftover.setSocketOptions(QLocalServer::UserAccessOption);
        QVERIFY(leftover.listen(runtime.filePath(name + u".socket"_s)));
    }
    QFile stale(runtime.filePath(name + u".socket"_s));
    QVERIFY(stale.open(QIODevice::WriteOnly)); // a plain file where the socket was
    stale.close();
    QFile lock(runtime.filePath(name + u".lock"_s)); // held by a process that is gone
    QVERIFY(lock.open(QIODevice::WriteOnly));
    lock.write("2000000000\ntst_shell\n" + QSysInfo::machineHostName().toUtf8() + "\n");
    lock.close();

    SingleInstance next(name);
    QCOMPARE(next.claim({}, std::chrono::milliseconds(300)), SingleInstance::Role::Primary);
    QFuture<SingleInstance::Role> later = QtConcurrent::run([name] {
        return SingleInstance(name).claim({}, std::chrono::milliseconds(2000));
    });
    QTRY_VERIFY(later.isFinished());
    QCOMPARE(later.result(), SingleInstance::Role::HandedOver);
}

// The notice that the focus left the panel as it hid can come after the panel is shown again
// (a callback right after the hot key hid it). The shown panel must not take it for its own;
// once it has had the focus, losing it hides the panel as ever.
void TestShell::lateFocusLossKeepsShownPanel()
{
    QTemporaryDir dir;
    AppState::Dependencies dependencies;
    dependencies.settings = std::make_unique<QSettings>(dir.filePath(u"prefs.ini"_s), QSettings::IniFormat);
    dependencies.loginItem = std::make_unique<LoginItem>(dir.filePath(u"autostart"_s), u"/usr/bin/stavelin"_s);
    dependencies.baseURL = QUrl(u"http://127.0.0.1:9/1"_s); // signed out: nothing is asked
    AppState state(std::move(dependencies));
    AppState::setInstance(&state);
    QQmlEngine engine;
    engine.addImportPath(u"qrc:/"_s);
    {
        AppDelegate delegate(&state, &engine);
        delegate.start();
        delegate.showPanel();
        PanelWindow *panel = delegate.panel();
        Q_EMIT qApp->applicationStateChanged(Qt::ApplicationInactive);
        QVERIFY(panel->isVisible());

        QVERIFY(QTest::qWaitForWindowActive(panel));
        Q_EMIT qApp->applicationStateChanged(Qt::ApplicationInactive);
        QVERIFY(!panel->isVisible());
    }
    AppState::setInstance(nullptr);
}

// The routes are asked in order, each made only when the one before could not bind; the
// state says the most telling refusal; the user's choice (none included) outlives a restart.
void TestShell::shortcutRoutesAndPreference()
{
    QTemporaryDir dir;
    QSettings preferences(dir.filePath(u"prefs.ini"_s), QSettings::IniFormat);
    const QKeyCombination ctrlAltK(Qt::ControlModifier | Qt::AltModifier, Qt::Key_K);
    QList<ShortcutRoute::Refusal> refusals; // what the routes before the last say, in order
    int made = 0;
    QPointer<ScriptedRoute> last;
    QPointer<ScriptedRoute> first;
    auto factory = [&](qsizetype index) {
        return [&, index]() -> std::unique_ptr<ShortcutRoute> {
            ++made;
            auto route = std::make_unique<ScriptedRoute>();
            route->onBind = [&, index](ScriptedRoute *self, QKeyCombination) {
                if (index < refusals.size()) {
                    self->refuse(refusals[index]); // from inside bind(), as the grab does
                }
            };
            last = route.get();
            if (index == 0) {
                first = route.get();
            }
            return route;
        };
    };
    const auto manager = [&] {
        return std::make_unique<ShortcutManager>(&preferences,
                                                 QList<ShortcutManager::RouteFactory>{
                                                     factory(0), factory(1), factory(2)});
    };

    // The first two refuse, the third answers later; nothing beyond it is made.
    refusals = {ShortcutRoute::Refusal::Unavailable, ShortcutRoute::Refusal::Taken};
    auto shortcut = manager();
    shortcut->start();
    QTRY_COMPARE(made, 3);
    QCOMPARE(shortcut->state(), ShortcutManager::State::Binding);
    QCOMPARE(shortcut->combination(), ShortcutManager::DefaultCombination);
    last->answer(ShortcutManager::DefaultCombination);
    QTRY_COMPARE(shortcut->state(), ShortcutManager::State::Working);
    QSignalSpy activated(shortcut.get(), &ShortcutManager::activated);
    last->press();
    QTRY_COMPARE(activated.count(), 1);
    QCOMPARE(activated.first().first().toString(), u"token"_s);

    // A new choice lets go of the binding and asks the same routes again: they are kept for
    // the run (KDE's service takes its kept keys only at a route's first binding).
    shortcut->choose(ctrlAltK);
    QVERIFY(last->released);
    QCOMPARE(made, 3);
    QCOMPARE(shortcut->state(), ShortcutManager::State::Binding);
    last->answer(ctrlAltK);
    QTRY_COMPARE(shortcut->state(), ShortcutManager::State::Working);
    QCOMPARE(preferences.value(ShortcutManager::PreferenceKey).toString(), u"Ctrl+Alt+K"_s);

    // Changed in the desktop's settings: followed and kept.
    const QKeyCombination ctrlAltJ(Qt::ControlModifier | Qt::AltModifier, Qt::Key_J);
    last->changeElsewhere(ctrlAltJ);
    QTRY_COMPARE(shortcut->combination(), ctrlAltJ);
    QCOMPARE(preferences.value(ShortcutManager::PreferenceKey).toString(), u"Ctrl+Alt+J"_s);

    // Every route refuses: Taken says more than Failed, which says more than Unavailable.
    using R = ShortcutRoute::Refusal;
    const QList<std::pair<QList<R>, ShortcutManager::State>> outcomes{
        {{R::Unavailable, R::Unavailable, R::Unavailable}, ShortcutManager::State::Unsupported},
        {{R::Failed, R::Unavailable, R::Unavailable}, ShortcutManager::State::Failed},
        {{R::Unavailable, R::Taken, R::Failed}, ShortcutManager::State::Taken},
    };
    for (const auto &[said, state] : outcomes) {
        refusals = said;
        shortcut = manager(); // a restart: the stored choice is asked for
        QSignalSpy refused(shortcut.get(), &ShortcutManager::refused);
        shortcut->start();
        QTRY_COMPARE(refused.count(), 1);
        QCOMPARE(shortcut->state(), state);
        QCOMPARE(shortcut->combination(), ctrlAltJ);
        QVERIFY(shortcut->statusText().contains(u"Ctrl+Alt+J"_s) || state == ShortcutManager::State::Unsupported);
    }
    // The user sets a key in the desktop's settings for the route that found it taken: it
    // holds, and its presses count.
    first->changeElsewhere(ctrlAltK);
    QCOMPARE(shortcut->state(), ShortcutManager::State::Working);
    QCOMPARE(shortcut->combination(), ctrlAltK);
    first->press();
    QCOMPARE(activated.count(), 1); // the spy on the old manager: none of this one's
    QSignalSpy pressed(shortcut.get(), &ShortcutManager::activated);
    first->press();
    QCOMPARE(pressed.count(), 1);

    // None chosen: no route asked, and none it stays after a restart (not the default).
    refusals.clear();
    shortcut->choose(QKeyCombination());
    QCOMPARE(shortcut->state(), ShortcutManager::State::None);
    made = 0;
    shortcut = manager();
    shortcut->start();
    QCOMPARE(shortcut->state(), ShortcutManager::State::None);
    QCOMPARE(made, 0);

    // Quick add's shortcut beside it: its own default and preference, and its own command to
    // bind where no route works.
    refusals = {R::Unavailable, R::Unavailable, R::Unavailable};
    ShortcutManager quickAdd(ShortcutManager::Purpose::QuickAdd, &preferences,
                             {factory(0), factory(1), factory(2)});
    quickAdd.start();
    QCOMPARE(quickAdd.combination(), ShortcutManager::QuickAddDefault);
    QCOMPARE(quickAdd.state(), ShortcutManager::State::Unsupported);
    QVERIFY(quickAdd.command().endsWith(u" --quick-add"_s));
    quickAdd.choose(ctrlAltK);
    QCOMPARE(preferences.value(ShortcutManager::QuickAddPreferenceKey).toString(), u"Ctrl+Alt+K"_s);
    QCOMPARE(preferences.value(ShortcutManager::PreferenceKey).toString(), QString());

    // The two never share a combination: the second is refused before any route is asked, and
    // Settings says which holds it. Once the first lets go of it, it can be had.
    refusals.clear(); // the routes take their time
    shortcut->choose(ctrlAltJ);
    QCOMPARE(shortcut->state(), ShortcutManager::State::Binding);
    quickAdd.setSibling(shortcut.get());
    QSignalSpy quickRefused(&quickAdd, &ShortcutManager::refused);
    quickAdd.choose(ctrlAltJ);
    QCOMPARE(quickAdd.state(), ShortcutManager::State::Taken);
    QCOMPARE(quickRefused.count(), 1);
    QVERIFY(quickAdd.statusText().contains(u"already shows and hides"_s));
    shortcut->choose(ctrlAltK);
    quickAdd.choose(ctrlAltJ);
    QCOMPARE(quickAdd.state(), ShortcutManager::State::Binding);
}

// A worker thread that decoded a large answer keeps its parser's buffers while it lives: a
// trim ends the idle ones at once (they would otherwise live 30 s more), and leaves a busy one.
void TestShell::trimEndsIdleDecodingThreads()
{
    static std::atomic<int> ended;
    struct EndsWithThread {
        ~EndsWithThread() { ++ended; }
    };
    const auto decode = [] {
        thread_local EndsWithThread sentinel;
        Q_UNUSED(sentinel);
        QByteArray text = "[";
        for (int i = 0; i < 5000; ++i) {
            text += R"({"id":"5f00000000000000000000)" + QByteArray::number(10 + i % 90) + R"(","name":"card"},)";
        }
        text.back() = ']';
        return JsonDocument(text).root().size();
    };
    MemoryTrim trim(nullptr);
    ended = 0;
    QFuture<qsizetype> decoded = QtConcurrent::run(decode);
    QTRY_VERIFY(decoded.isFinished()); // (result() would run it here if it had not started)
    QCOMPARE(decoded.result(), 5000);

    // Busy: left alone.
    QSemaphore release;
    QFuture<void> busy = QtConcurrent::run([&release] { release.acquire(); });
    trim.trimNow();
    QCOMPARE(ended.load(), 0);
    release.release();
    QTRY_VERIFY(busy.isFinished()); // (its thread counts as busy a moment longer)

    QTRY_VERIFY((trim.trimNow(), ended.load() == 1));
}

QTEST_MAIN(TestShell)
#include "tst_shell.moc"
