// SPDX-License-Identifier: MIT
#pragma once

#include "ErrorLog.h"
#include "Operation.h"
#include "api/TrelloAPI.h"

#include <QCoreApplication>
#include <QHash>
#include <QPointer>
#include <QSet>
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
    bool hasCredentials() const;

    // What an operation works on, by the ids it was called with ("board", "list", "card",
    // "comment", "checklist"): where a refusal for lost access points.
    using Subject = QHash<QString, QString>;
    // Told when the service refuses an operation because the member lost access to its board
    // or card; gives the one line to say instead (and drops what is gone), or nothing.
    using LostAccess = std::function<std::optional<QString>(const Subject &subject, bool cardOnly)>;
    void setLostAccessHandler(LostAccess handler) { m_lostAccess = std::move(handler); }

    // Starts an operation. Whatever the task throws ends it with ok false and its one-line
    // text, recorded in the error log under the operation's name and shown in the banner.
    template <typename T> Operation run(const QString &name, QCoro::Task<T> &&task) const
    {
        // The ids requireIds just checked for this operation, if it was called first.
        Subject subject = m_subjectName == name ? m_subject : Subject();
        m_subjectName.clear();
        m_subject.clear();
        return Operation(guard(m_errors, &m_lostAccess, name, std::move(subject), std::move(task)),
                         m_engine);
    }
    // An operation refused before anything was sent.
    Operation refuse(const QString &name, const QString &message) const
    {
        m_errors->record(ErrorLog::Kind::Invalid, name, message);
        return Operation::finished(Outcome::failure(message), m_engine);
    }
    // Refuses an operation called with an empty id: a request to a path with an empty segment
    // would reach some other endpoint of the service.
    std::optional<Operation> requireIds(const QString &name,
                                        std::initializer_list<std::pair<const char *, QString>> ids) const
    {
        m_subjectName = name;
        m_subject.clear();
        for (const auto &[what, id] : ids) {
            if (id.trimmed().isEmpty()) {
                return refuse(name, QCoreApplication::translate("StoreContext",
                                                                  "Nothing was sent: the %1 id is missing.")
                                        .arg(QString::fromLatin1(what)));
            }
            m_subject.insert(QString::fromLatin1(what), id);
        }
        return std::nullopt;
    }
    // The service's words for a member who is no longer on the board (or may not see the
    // card) behind a request.
    static bool isLostAccess(const std::exception &error, bool *cardOnly);

private:
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
    mutable QString m_subjectName;
    mutable Subject m_subject;
    TrelloAPI *m_api;
    ErrorLog *m_errors;
    const SessionArea *m_session = nullptr;
    QPointer<QJSEngine> m_engine;
};

// The ids whose fetch is running, for the views' loading indicators. An id is in the set exactly
// while a Mark for it lives, so every path through a fetch clears it.
class LoadingSet {
public:
    explicit LoadingSet(std::function<void()> changed) : m_changed(std::move(changed)) {}

    bool contains(const QString &id) const { return m_ids.contains(id); }
    QStringList sorted() const
    {
        QStringList ids = m_ids.values();
        ids.sort();
        return ids;
    }

    class Mark {
    public:
        Mark(LoadingSet &set, QString id) : m_set(&set), m_id(std::move(id)) { m_set->add(m_id); }
        ~Mark()
        {
            if (m_set) {
                m_set->drop(m_id);
            }
        }
        Mark(const Mark &) = delete;
        Mark &operator=(const Mark &) = delete;

    private:
        LoadingSet *m_set;
        QString m_id;
    };

private:
    void add(const QString &id)
    {
        if (++m_counts[id] == 1) {
            m_ids.insert(id);
            m_changed();
        }
    }
    void drop(const QString &id)
    {
        if (--m_counts[id] == 0) {
            m_counts.remove(id);
            m_ids.remove(id);
            m_changed();
        }
    }

    std::function<void()> m_changed;
    QSet<QString> m_ids;
    QHash<QString, int> m_counts;
};
