// SPDX-License-Identifier: MIT
#pragma once

#include "platform/CredentialStore.h"

#include <QTimer>

#include <coroutine>
#include <deque>
#include <memory>

// Runs the jobs of another credential store strictly one after another, in the order they were
// asked for. The keyring answers in its own time; without this a disconnect that comes while a
// save is still running could finish first, and the late save would bring the pair back (or a
// late delete would remove a newer one).
class SerialCredentialStore : public CredentialStore {
public:
    explicit SerialCredentialStore(std::shared_ptr<CredentialStore> inner) : m_inner(std::move(inner)) {}

    QCoro::Task<std::optional<QString>> read(const QString &account) override
    {
        Turn turn = co_await next();
        co_return co_await m_inner->read(account);
    }
    QCoro::Task<bool> save(const QString &account, const QString &value) override
    {
        Turn turn = co_await next();
        co_return co_await m_inner->save(account, value);
    }
    QCoro::Task<> remove(const QString &account) override
    {
        Turn turn = co_await next();
        co_await m_inner->remove(account);
    }

private:
    struct Queue {
        bool busy = false;
        std::deque<std::coroutine_handle<>> waiting;
    };
    // A job's turn; the next job starts when it ends.
    class Turn {
    public:
        explicit Turn(std::shared_ptr<Queue> queue) : m_queue(std::move(queue)) {}
        Turn(Turn &&other) noexcept : m_queue(std::move(other.m_queue)) {}
        Turn(const Turn &) = delete;
        ~Turn()
        {
            if (!m_queue) {
                return;
            }
            if (m_queue->waiting.empty()) {
                m_queue->busy = false;
                return;
            }
            // Stays busy: the turn passes straight to the next job, on a fresh stack.
            const std::coroutine_handle<> next = m_queue->waiting.front();
            m_queue->waiting.pop_front();
            QTimer::singleShot(0, [next] { next.resume(); });
        }

    private:
        std::shared_ptr<Queue> m_queue;
    };
    struct Awaiter {
        std::shared_ptr<Queue> queue;
        bool await_ready()
        {
            if (queue->busy) {
                return false;
            }
            queue->busy = true;
            return true;
        }
        void await_suspend(std::coroutine_handle<> waiting) { queue->waiting.push_back(waiting); }
        Turn await_resume() { return Turn(queue); }
    };
    Awaiter next() { return Awaiter{m_queue}; }

    std::shared_ptr<CredentialStore> m_inner;
    std::shared_ptr<Queue> m_queue = std::make_shared<Queue>();
};
