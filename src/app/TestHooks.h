// SPDX-License-Identifier: MIT
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include <functional>

class AppDelegate;
class AppState;
class QQuickItem;
class QSocketNotifier;
class Shell;

// What the end-to-end tests and the start-up benchmark watch and drive, switched on by the
// environment variable STAVELIN_TEST_HOOKS=1 and silent otherwise. The program then writes
// one line per event to stderr ("stavelin: panel shown 430,28 420x560 in 3.1 ms") and takes
// commands on stdin ("expand", "collapse", "open-board NAME"). No line ever carries a URL, a
// key or a token.
namespace hooks {

bool enabled();
// Milliseconds since the start: since STAVELIN_TEST_T0_NS (wall clock, set by whoever starts
// the program) when given, else since main() began.
double elapsedMs();
void markStart();
void trace(const QString &line);
// The first visible item of that name beneath `item`, breadth first, through the visual tree:
// views' delegates are not QObject children of the view.
QQuickItem *findVisible(QQuickItem *item, const QString &name);

} // namespace hooks

// The trace lines of the shell, from the signals of the delegate and the store. Connect it
// before the delegate starts, or the first lines are missed.
class TestTraces : public QObject {
    Q_OBJECT
public:
    TestTraces(AppDelegate *delegate, AppState *state, QObject *parent = nullptr);

private:
    QElapsedTimer m_showClock; // since the last show request
};

// The commands on stdin. A board opens through the views, as a click on its row would.
class TestCommands : public QObject {
    Q_OBJECT
public:
    TestCommands(AppDelegate *delegate, AppState *state, Shell *shell, QObject *parent = nullptr);

    // "refuse-next METHOD PATTERN STATUS TEXT": the demo's service answers the next matching
    // request so (set in the demo only).
    using Refuser = std::function<void(const QString &method, const QString &pathPattern,
                                       int status, const QString &text)>;
    void setRefuser(Refuser refuser) { m_refuser = std::move(refuser); }

private:
    void readCommands();
    void run(const QString &command);
    // "board drawn": the first frame with the board's lists and the cards of every column in
    // view, once it was selected.
    void watchBoardDrawn(const QString &boardID);
    bool boardShown(const QString &boardID) const;

    AppDelegate *m_delegate;
    AppState *m_state;
    Shell *m_shell;
    QSocketNotifier *m_notifier;
    QByteArray m_buffer;
    // "frames start" … "frames stop": the panel's frame times in between (benchmarks).
    QMetaObject::Connection m_frames;
    QElapsedTimer m_frameClock;
    QList<double> m_frameTimes;
    QMetaObject::Connection m_boardLaidOut;
    QMetaObject::Connection m_boardSwapped;
    bool m_boardReady = false;
    Refuser m_refuser;
};
