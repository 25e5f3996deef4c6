// SPDX-License-Identifier: MIT
#include "Operation.h"

#include <QCoreApplication>
#include <QJSEngine>

namespace detail {
void OperationState::finish(Outcome result)
{
    finished = true;
    outcome = std::move(result);
    const QList<Callback> waiting = std::exchange(callbacks, {});
    for (const Callback &callback : waiting) {
        call(callback);
    }
    Q_EMIT done();
}

void OperationState::call(const Callback &callback) const
{
    // The form that asked may be gone (its screen closed while the request ran).
    if (!callback.context || !engine) {
        return;
    }
    QJSValue value = engine->newObject();
    value.setProperty(QStringLiteral("ok"), outcome.ok);
    value.setProperty(QStringLiteral("error"), outcome.error);
    value.setProperty(QStringLiteral("value"), engine->toScriptValue(outcome.value));
    QJSValue function = callback.function;
    function.call({value});
}
} // namespace detail

Operation::Operation(QCoro::Task<Outcome> &&task, QJSEngine *engine)
    : m_state(std::make_shared<detail::OperationState>())
{
    m_state->engine = engine;
    drive(std::move(task), m_state);
}

Operation Operation::finished(Outcome outcome, QJSEngine *engine)
{
    Operation operation;
    operation.m_state = std::make_shared<detail::OperationState>();
    operation.m_state->engine = engine;
    operation.m_state->finish(std::move(outcome));
    return operation;
}

QCoro::Task<> Operation::drive(QCoro::Task<Outcome> task,
                               std::shared_ptr<detail::OperationState> state)
{
    // The task catches every failure itself (see StoreContext::run); this is the last line, so
    // that no caller is ever left waiting.
    Outcome outcome;
    try {
        outcome = co_await std::move(task);
    } catch (const std::exception &error) {
        outcome = Outcome::failure(QString::fromUtf8(error.what()));
    } catch (...) {
        outcome = Outcome::failure(QCoreApplication::translate("ErrorLog", "The operation failed."));
    }
    state->finish(std::move(outcome));
}

void Operation::then(QObject *context, const QJSValue &callback) const
{
    if (!callback.isCallable() || !m_state) {
        return;
    }
    const detail::OperationState::Callback entry{context, callback};
    if (m_state->finished) {
        m_state->call(entry);
        return;
    }
    m_state->callbacks.append(entry);
}
