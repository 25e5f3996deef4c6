// SPDX-License-Identifier: MIT
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>

class AppDelegate;
class AppState;
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

private:
    void readCommands();
    void run(const QString &command);

    AppDelegate *m_delegate;
    AppState *m_state;
    Shell *m_shell;
    QSocketNotifier *m_notifier;
    QByteArray m_buffer;
    // "frames start" … "frames stop": the panel's frame times in between (benchmarks).
    QMetaObject::Connection m_frames;
    QElapsedTimer m_frameClock;
    QList<double> m_frameTimes;
};
