// SPDX-License-Identifier: MIT
#include "AppDelegate.h"
#include "PanelPlacement.h"
#include "PanelWindow.h"
#include "SingleInstance.h"
#include "WheelRedirect.h"
#include "platform/LoginItem.h"
#include "state/AppState.h"

#include <QLocalServer>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
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
};

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
    QSignalSpy activated(&first, &SingleInstance::activated);

    // The second start blocks until it is answered, so it runs beside this event loop.
    const QStringList urls{u"stavelin://auth#token=abc"_s, u"second"_s};
    QFuture<SingleInstance::Role> second = QtConcurrent::run([name, urls] {
        SingleInstance other(name);
        return other.claim(urls);
    });
    QTRY_VERIFY(second.isFinished());
    QCOMPARE(second.result(), SingleInstance::Role::HandedOver);
    QCOMPARE(activated.count(), 1);
    QCOMPARE(activated.first().first().toStringList(), urls);
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

QTEST_MAIN(TestShell)
#include "tst_shell.moc"
