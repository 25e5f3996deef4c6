// SPDX-License-Identifier: MIT
#pragma once

#include "model/Models.h"
#include "ErrorLog.h"

#include <QObject>
#include <QThread>

#include <chrono>

class TrelloAPI;

// The timed poll for new notifications, on a thread of its own with a client of its own (which
// counts in the main client's rate budget). A minute in which nothing arrived then never wakes
// the program's main thread: the hidden program sleeps between the desktop's own events. Only
// news, or a failure, is handed over. Every poll is skipped while the budget could not take
// `reserve` requests besides.
class BackgroundPoll : public QObject {
    Q_OBJECT
public:
    struct Failure {
        ErrorLog::Kind kind;
        QString description;
        bool offline = false; // no network reached the service
    };

    BackgroundPoll(TrelloAPI &main, int reserve, QObject *parent = nullptr);
    ~BackgroundPoll() override;

    // Polls every `interval`, from now on with the main client's credentials: for those newer
    // than `since` (all unread ones while it is empty). Answers carry `tag`.
    void start(std::chrono::milliseconds interval, const QString &since, quint64 tag);
    // What is known has changed: later polls ask from `since`, with the main client's
    // credentials as they are now, and their answers carry `tag`.
    void follow(const QString &since, quint64 tag);
    void stop();
    bool isRunning() const { return m_running; }

Q_SIGNALS:
    // Unread notifications newer than the poll's `since` (every unread one when `whole`).
    void answered(quint64 tag, bool whole, const QList<TrelloNotification> &news);
    void failed(quint64 tag, const BackgroundPoll::Failure &failure);

private:
    class Worker;

    TrelloAPI &m_main;
    QThread m_thread;
    Worker *m_worker = nullptr; // lives on m_thread, and ends with it
    bool m_running = false;
};
