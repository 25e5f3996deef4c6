// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM, SIGINT and SIGHUP (a logout, `kill`, Ctrl+C in a terminal) into a signal on
// the main thread, so the program can end as Quit does: the event loop returns, and everything
// is taken down in order instead of dying in the middle of a request. A second such signal
// ends the program at once, as without this.
class TerminationSignals : public QObject
{
    Q_OBJECT
public:
    explicit TerminationSignals(QObject *parent = nullptr);
    ~TerminationSignals() override;

signals:
    void received(int signalNumber);

private:
    QSocketNotifier *m_notifier = nullptr;
};
