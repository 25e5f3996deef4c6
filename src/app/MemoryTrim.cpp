// SPDX-License-Identifier: MIT
#include "MemoryTrim.h"

#include <QGuiApplication>
#include <QJSEngine>
#include <QPixmapCache>
#include <QQuickWindow>
#include <QThreadPool>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

MemoryTrim::MemoryTrim(QJSEngine *engine, QObject *parent)
    : QObject(parent)
    , m_engine(engine)
{
    // Long enough for the deferred deletions of a closed screen to have run, short enough to
    // be over before anyone looks at the figures.
    m_timer.setInterval(800);
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &MemoryTrim::trimNow);
}

void MemoryTrim::request()
{
    m_timer.start();
}

void MemoryTrim::trimNow()
{
    m_timer.stop();
    if (m_engine) {
        m_engine->collectGarbage();
    }
    // Qt's two picture caches each keep a 30-second timer running for as long as they hold
    // anything (the tray icon's sizes, a closed screen's images), which would wake the hidden
    // program twice a minute for ever. What they held is drawn again when next needed.
    QPixmapCache::clear();
    for (QWindow *window : QGuiApplication::topLevelWindows()) {
        if (auto *quick = qobject_cast<QQuickWindow *>(window); quick && !quick->isVisible()) {
            quick->releaseResources(); // the scene's cached images and textures
        }
    }
    // The worker threads that decoded large answers keep their JSON parser's buffers (two and
    // a half times the largest answer each, megabytes after a large board) until they end, 30 s
    // after their last work. Idle now, they end at once; busy, this returns at once and leaves
    // them be.
    QThreadPool::globalInstance()->waitForDone(0);
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}
