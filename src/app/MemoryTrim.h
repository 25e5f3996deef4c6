// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>

class QJSEngine;

// Gives memory back to the system once a burst of work is over. A large board leaves tens of
// megabytes of freed records, delegates and JavaScript objects behind when its screen closes;
// glibc keeps freed heap pages in its arenas, so without this the program's footprint only ever
// rose to its highest point and stayed there. A short while after the last request (the board
// screen gone, the panel hidden, the start-up loads done) the QML engine collects its garbage
// and the allocator returns its free pages, and Qt's picture caches let go of what nothing
// shows.
class MemoryTrim : public QObject {
    Q_OBJECT
public:
    explicit MemoryTrim(QJSEngine *engine, QObject *parent = nullptr);

    // Trims after `delay` of quiet; a new request in the meantime starts the wait again.
    void request();
    // What a trim does, at once.
    void trimNow();

    void setDelay(int milliseconds) { m_timer.setInterval(milliseconds); }

private:
    QPointer<QJSEngine> m_engine;
    QTimer m_timer;
};
