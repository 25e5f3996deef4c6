// SPDX-License-Identifier: MIT
#pragma once

#include <QCoroTask>
#include <QJSEngine>
#include <QJSValue>
#include <QObject>
#include <QPointer>
#include <QVariant>
#include <QtQml/qqmlregistration.h>

#include <coroutine>
#include <memory>

namespace detail {
// Shared between every copy of one Operation: the result and who waits for it.
class OperationState : public QObject {
    Q_OBJECT
public:
    bool finished = false;
    QVariant result;
    QPointer<QJSEngine> engine;
    QList<QJSValue> callbacks;

    void finish(QVariant value);
Q_SIGNALS:
    void done();
};
} // namespace detail

// A store operation in flight. C++ awaits it (`co_await state.refreshBoards()`); QML chains
// on it (`AppState.createBoard(name).then(function () { form.reset() })`). The operation
// runs whether or not anybody waits for it.
class Operation {
    Q_GADGET
public:
    Operation() = default;

    template <typename T> Operation(QCoro::Task<T> &&task, QJSEngine *engine = nullptr)
        : m_state(std::make_shared<detail::OperationState>())
    {
        m_state->engine = engine;
        drive(std::move(task), m_state);
    }

    // Calls `callback` with the operation's result once it has finished (at once if it has).
    Q_INVOKABLE void then(const QJSValue &callback) const;

    bool isFinished() const { return !m_state || m_state->finished; }
    QVariant result() const { return m_state ? m_state->result : QVariant(); }

    struct Awaiter {
        std::shared_ptr<detail::OperationState> state;
        bool await_ready() const noexcept { return !state || state->finished; }
        void await_suspend(std::coroutine_handle<> waiting) const
        {
            QObject::connect(
                state.get(), &detail::OperationState::done, state.get(),
                [waiting] { waiting.resume(); }, Qt::SingleShotConnection);
        }
        QVariant await_resume() const { return state ? state->result : QVariant(); }
    };
    Awaiter operator co_await() const { return Awaiter{m_state}; }

private:
    template <typename T>
    static QCoro::Task<> drive(QCoro::Task<T> task, std::shared_ptr<detail::OperationState> state)
    {
        if constexpr (std::is_void_v<T>) {
            co_await std::move(task);
            state->finish(QVariant());
        } else {
            auto value = co_await std::move(task);
            state->finish(QVariant::fromValue(std::move(value)));
        }
    }

    std::shared_ptr<detail::OperationState> m_state;
};

Q_DECLARE_METATYPE(Operation)
