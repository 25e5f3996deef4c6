// SPDX-License-Identifier: MIT
#include "BackgroundPoll.h"

#include "api/TrelloAPI.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTimer>

using namespace Qt::StringLiterals;

// Lives on the poll's thread: everything it owns is made and destroyed there.
class BackgroundPoll::Worker : public QObject {
public:
    // Takes what it needs of the main client here, on the main thread: that client may be gone
    // before this thread has run at all.
    Worker(BackgroundPoll *owner, const TrelloAPI &main, int reserve)
        : m_owner(owner), m_budget(main.budget()), m_reserve(reserve), m_baseURL(main.baseURL()),
          m_timeout(main.timeout()), m_timer(this)
    {
        // A minute or so: the system may fold this wake-up into others.
        m_timer.setTimerType(Qt::VeryCoarseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, this, [this] { poll(); });
    }

    // On the thread, once it runs.
    void setUp()
    {
        m_network = new QNetworkAccessManager(this);
        m_api = new TrelloAPI(m_network, m_baseURL, this);
        m_api->setTimeout(m_timeout);
        m_api->countIn(m_budget);
    }

    void start(std::chrono::milliseconds interval, const QString &apiKey, const QString &token,
               const QString &since, quint64 tag)
    {
        m_api->setOffline(false); // the main client says it is reachable again
        follow(apiKey, token, since, tag);
        m_timer.setTimerType(interval < std::chrono::seconds(20) ? Qt::CoarseTimer : Qt::VeryCoarseTimer);
        m_timer.start(interval);
    }

    void follow(const QString &apiKey, const QString &token, const QString &since, quint64 tag)
    {
        m_api->setCredentials(apiKey, token);
        m_since = since;
        m_tag = tag;
    }

    void stop()
    {
        m_timer.stop();
        ++m_tag; // an answer on its way is not wanted
        abortAll();
    }

    // The requests under way end (their coroutines with them) before the thread does.
    void abortAll()
    {
        if (m_network) {
            for (QNetworkReply *reply : m_network->findChildren<QNetworkReply *>()) {
                reply->abort();
            }
        }
    }

private:
    void poll()
    {
        if (m_busy || m_api->budgetWait(m_reserve) > std::chrono::milliseconds(0)) {
            return; // the panel's requests come first
        }
        m_busy = true;
        QCoro::connect(fetch(m_since, m_tag), this, [this] { m_busy = false; });
    }

    QCoro::Task<> fetch(QString since, quint64 tag)
    {
        QList<TrelloNotification> answer;
        try {
            answer = co_await m_api->fetchNotifications(since, pollLimit);
        } catch (const std::exception &error) {
            if (tag == m_tag) {
                Failure failure{ErrorLog::kindOf(error), ErrorLog::describe(error), m_api->isOffline()};
                // Offline, nothing more goes out from here until the main client says so.
                if (failure.offline) {
                    m_timer.stop();
                }
                QMetaObject::invokeMethod(m_owner, [owner = m_owner, tag, failure] {
                    Q_EMIT owner->failed(tag, failure);
                }, Qt::QueuedConnection);
            }
            co_return;
        }
        answer.removeIf([](const TrelloNotification &n) { return !n.unread; });
        if (tag != m_tag || answer.isEmpty()) {
            co_return; // nothing new: the main thread sleeps on
        }
        for (const TrelloNotification &n : std::as_const(answer)) {
            if (n.id > m_since) {
                m_since = n.id;
            }
        }
        const bool whole = since.isEmpty();
        QMetaObject::invokeMethod(m_owner, [owner = m_owner, tag, whole, answer] {
            Q_EMIT owner->answered(tag, whole, answer);
        }, Qt::QueuedConnection);
    }

    static constexpr int pollLimit = 100;

    BackgroundPoll *m_owner;
    const std::shared_ptr<RateBudget> m_budget;
    const int m_reserve;
    const QUrl m_baseURL;
    const std::chrono::milliseconds m_timeout;
    QNetworkAccessManager *m_network = nullptr;
    TrelloAPI *m_api = nullptr;
    QTimer m_timer;
    QString m_since;
    quint64 m_tag = 0;
    bool m_busy = false;
};

BackgroundPoll::BackgroundPoll(TrelloAPI &main, int reserve, QObject *parent)
    : QObject(parent), m_main(main)
{
    m_thread.setObjectName(u"Notification poll"_s);
    m_worker = new Worker(this, main, reserve);
    m_worker->moveToThread(&m_thread);
    // The worker ends with its thread, on it: what it has under way is aborted (its coroutines
    // end) and its client destroyed where it lives. This does not need the main thread's
    // event loop, which may be gone already when the store goes.
    connect(&m_thread, &QThread::finished, m_worker, [worker = m_worker] {
        worker->stop();
        delete worker;
    }, Qt::DirectConnection);
    m_thread.start(QThread::LowPriority);
    QMetaObject::invokeMethod(m_worker, [worker = m_worker] { worker->setUp(); },
                              Qt::QueuedConnection);
}

BackgroundPoll::~BackgroundPoll()
{
    m_thread.quit();
    m_thread.wait();
}

void BackgroundPoll::start(std::chrono::milliseconds interval, const QString &since, quint64 tag)
{
    m_running = true;
    QMetaObject::invokeMethod(m_worker, [worker = m_worker, interval, key = m_main.apiKey(),
                                         token = m_main.token(), since, tag] {
        worker->start(interval, key, token, since, tag);
    }, Qt::QueuedConnection);
}

void BackgroundPoll::follow(const QString &since, quint64 tag)
{
    QMetaObject::invokeMethod(m_worker, [worker = m_worker, key = m_main.apiKey(),
                                         token = m_main.token(), since, tag] {
        worker->follow(key, token, since, tag);
    }, Qt::QueuedConnection);
}

void BackgroundPoll::stop()
{
    if (!m_running) {
        return;
    }
    m_running = false;
    QMetaObject::invokeMethod(m_worker, [worker = m_worker] { worker->stop(); },
                              Qt::QueuedConnection);
}
