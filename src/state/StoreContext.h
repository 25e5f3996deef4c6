// SPDX-License-Identifier: MIT
#pragma once

#include "Connectivity.h"
#include "ErrorLog.h"
#include "KeyedCollection.h"
#include "Operation.h"
#include "api/TrelloAPI.h"

#include <QCoreApplication>
#include <QHash>
#include <QPointer>
#include <QStringList>

#include <functional>
#include <optional>
#include <initializer_list>
#include <utility>

class SessionArea;

// What every area of the store shares: the client, the error log, the QML engine for the
// operations' callbacks, and the session (who is signed in).
class StoreContext {
public:
    StoreContext(TrelloAPI *api, ErrorLog *errors) : m_api(api), m_errors(errors) {}

    TrelloAPI &api() const { return *m_api; }
    ErrorLog &errors() const { return *m_errors; }
    const SessionArea &session() const { return *m_session; }
    void setSession(const SessionArea *session) { m_session = session; }
    void setEngine(QJSEngine *engine) { m_engine = engine; }
    void setConnectivity(Connectivity *connectivity) { m_connectivity = connectivity; }
    bool hasCredentials() const;

    // What an operation works on, by the ids it was called with ("board", "list", "card",
    // "comment", "checklist"): where a refusal for lost access points.
    using Subject = QHash<QString, QString>;
    // Told when the service refuses an operation because the member lost access to its board
    // or card; gives the one line to say instead (and drops what is gone), or nothing.
    using LostAccess = std::function<std::optional<QString>(const Subject &subject, bool cardOnly)>;
    void setLostAccessHandler(LostAccess handler) { m_lostAccess = std::move(handler); }

    using Ids = std::initializer_list<std::pair<const char *, QString>>;

    // Starts an operation. Whatever the task throws ends it with ok false and its one-line
    // text, recorded in the error log under the operation's name and shown in the banner.
    template <typename T> Operation run(const QString &name, QCoro::Task<T> &&task) const
    {
        return Operation(guard(m_errors, &m_lostAccess, name, Subject(), std::move(task)), m_engine);
    }
    // An area's operation on the ids it names. An empty id refuses it before anything is sent:
    // a request to a path with an empty segment would reach some other endpoint of the service.
    // Otherwise `body` (a coroutine, kept alive until it ends) runs at once; failures end the
    // operation as in run(), and a success clears the banner's line while somebody is signed in.
    template <typename Body> Operation operation(const QString &name, Ids ids, Body body) const
    {
        Subject subject;
        for (const auto &[what, id] : ids) {
            if (id.trimmed().isEmpty()) {
                return refuse(name, QCoreApplication::translate("StoreContext",
                                                                "Nothing was sent: the %1 id is missing.")
                                        .arg(QString::fromLatin1(what)));
            }
            subject.insert(QString::fromLatin1(what), id);
        }
        return Operation(guard(m_errors, &m_lostAccess, name, std::move(subject), keep(this, std::move(body))),
                         m_engine);
    }
    // An operation with nothing to do: it has ended well, and says nothing.
    Operation nothingToDo() const { return Operation::finished(Outcome{}, m_engine); }
    // An operation refused before anything was sent.
    Operation refuse(const QString &name, const QString &message) const
    {
        m_errors->record(ErrorLog::Kind::Invalid, name, message);
        return Operation::finished(Outcome::failure(message), m_engine);
    }
    // The service's words for a member who is no longer on the board (or may not see the
    // card) behind a request.
    static bool isLostAccess(const std::exception &error, bool *cardOnly);

    // Loads the records under one parent: fetches them with `fetch` (a TrelloAPI member), puts
    // them in order with `arrange` and stores them, with the changes made meanwhile on top (the
    // parent counts as loading meanwhile). True when stored; false when nobody is signed in
    // (nothing is sent) or a newer answer has the say.
    template <typename T, typename Arrange>
    QCoro::Task<bool> load(KeyedCollection<T> &into, QString parent,
                           QCoro::Task<QList<T>> (TrelloAPI::*fetch)(const QString &),
                           Arrange arrange) const
    {
        if (!hasCredentials()) {
            co_return false;
        }
        auto ticket = into.beginLoad(parent);
        QCoro::Task<QList<T>> request = (m_api->*fetch)(parent);
        QList<T> records = co_await std::move(request);
        arrange(records);
        const bool stored = ticket.finish(std::move(records));
        loaded();
        co_return stored;
    }

    // What is shown was loaded now (the time an offline panel tells), and the banner's line
    // of an earlier failure goes.
    void loaded() const
    {
        if (m_connectivity) {
            m_connectivity->loaded();
        }
        m_errors->clear();
    }

    // Sends a change that is shown already. When the service refuses it, `undo` puts back what
    // was shown before and `repair` (if any) reloads what it touched; the repair's own failure
    // says nothing (it most likely has the same cause), and the refusal ends the operation.
    template <typename T>
    static QCoro::Task<T> sendOrUndo(QCoro::Task<T> request, std::function<void()> undo,
                                     std::function<QCoro::Task<>()> repair = {})
    {
        std::exception_ptr failure;
        try {
            if constexpr (std::is_void_v<T>) {
                co_await std::move(request);
                co_return;
            } else {
                T value = co_await std::move(request);
                co_return value;
            }
        } catch (...) {
            failure = std::current_exception();
        }
        undo();
        if (repair) {
            try {
                QCoro::Task<> repairing = repair();
                co_await std::move(repairing);
            } catch (...) {
            }
        }
        std::rethrow_exception(failure);
    }

    // A reload after a change that is made: its failure does not make the change a failure.
    static QCoro::Task<> reloadAfterChange(QCoro::Task<> reload)
    {
        try {
            co_await std::move(reload);
        } catch (const std::exception &) {
        }
    }

private:
    // Runs the body, which lives in this frame until it ends.
    template <typename Body>
    static auto keep(const StoreContext *context, Body body) -> decltype(body())
    {
        auto task = body();
        if constexpr (std::is_void_v<typename decltype(task)::value_type>) {
            co_await std::move(task);
            context->clearOnSuccess();
        } else {
            auto value = co_await std::move(task);
            context->clearOnSuccess();
            co_return value;
        }
    }
    void clearOnSuccess() const
    {
        if (hasCredentials()) {
            m_errors->clear();
        }
    }

    template <typename T>
    static QCoro::Task<Outcome> guard(ErrorLog *errors, const LostAccess *lostAccess, QString name,
                                      Subject subject, QCoro::Task<T> task)
    {
        try {
            if constexpr (std::is_void_v<T>) {
                co_await std::move(task);
                co_return Outcome{};
            } else {
                auto value = co_await std::move(task);
                co_return Outcome{true, {}, QVariant::fromValue(std::move(value))};
            }
        } catch (const ReportedFailure &failure) {
            co_return Outcome::failure(failure.message);
        } catch (const std::exception &error) {
            bool cardOnly = false;
            if (*lostAccess && isLostAccess(error, &cardOnly)) {
                if (const std::optional<QString> line = (*lostAccess)(subject, cardOnly)) {
                    co_return Outcome::failure(
                        errors->record(ErrorLog::Kind::Authorization, name, *line));
                }
            }
            co_return Outcome::failure(errors->record(name, error));
        }
    }

    LostAccess m_lostAccess;
    TrelloAPI *m_api;
    ErrorLog *m_errors;
    Connectivity *m_connectivity = nullptr;
    const SessionArea *m_session = nullptr;
    QPointer<QJSEngine> m_engine;
};

