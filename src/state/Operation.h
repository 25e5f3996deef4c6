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

// How an operation ended: ok, or the one line that says why not; and its value, if it has one.
struct Outcome {
    bool ok = true;
    QString error;
    QVariant value;

    static Outcome failure(QString message) { return Outcome{false, std::move(message), {}}; }
};

namespace detail {
// Shared between every copy of one Operation: the outcome and who waits for it.
class OperationState : public QObject {
    Q_OBJECT
public:
    struct Callback {
        QPointer<QObject> context;
        QJSValue function;
    };

    bool finished = false;
    Outcome outcome;
    QPointer<QJSEngine> engine;
    QList<Callback> callbacks;

    void finish(Outcome result);
    void call(const Callback &callback) const;
Q_SIGNALS:
    void done();
};
} // namespace detail

// A store operation in flight. C++ awaits it (`const Outcome o = co_await cards.createCard(…)`);
// QML chains on it, tied to an object that must still exist when the answer comes:
//
//   AppState.boards.createBoard(name, desc).then(form, function (outcome) { … })
//
// The callback gets {ok, error, value}; it is dropped if `form` has been destroyed meanwhile.
// The operation runs whether or not anybody waits for it, and always finishes.
class Operation {
    Q_GADGET
public:
    Operation() = default;
    Operation(QCoro::Task<Outcome> &&task, QJSEngine *engine = nullptr);

    // An operation that has already ended so.
    static Operation finished(Outcome outcome, QJSEngine *engine = nullptr);

    Q_INVOKABLE void then(QObject *context, const QJSValue &callback) const;

    bool isFinished() const { return !m_state || m_state->finished; }
    Outcome outcome() const { return m_state ? m_state->outcome : Outcome(); }

    struct Awaiter {
        std::shared_ptr<detail::OperationState> state;
        bool await_ready() const noexcept { return !state || state->finished; }
        void await_suspend(std::coroutine_handle<> waiting) const
        {
            QObject::connect(
                state.get(), &detail::OperationState::done, state.get(),
                [waiting] { waiting.resume(); }, Qt::SingleShotConnection);
        }
        Outcome await_resume() const { return state ? state->outcome : Outcome(); }
    };
    Awaiter operator co_await() const { return Awaiter{m_state}; }

private:
    static QCoro::Task<> drive(QCoro::Task<Outcome> task,
                               std::shared_ptr<detail::OperationState> state);

    std::shared_ptr<detail::OperationState> m_state;
};

Q_DECLARE_METATYPE(Operation)
