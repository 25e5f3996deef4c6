// SPDX-License-Identifier: MIT
#include "Operation.h"

#include <QJSEngine>

namespace detail {
void OperationState::finish(QVariant value)
{
    finished = true;
    result = std::move(value);
    const QList<QJSValue> waiting = std::exchange(callbacks, {});
    for (QJSValue callback : waiting) {
        callback.call({engine ? engine->toScriptValue(result) : QJSValue()});
    }
    Q_EMIT done();
}
} // namespace detail

void Operation::then(const QJSValue &callback) const
{
    if (!callback.isCallable()) {
        return;
    }
    if (isFinished()) {
        QJSValue copy = callback;
        copy.call({m_state && m_state->engine ? m_state->engine->toScriptValue(m_state->result)
                                              : QJSValue()});
        return;
    }
    m_state->callbacks.append(callback);
}
