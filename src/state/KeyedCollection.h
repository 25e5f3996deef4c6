// SPDX-License-Identifier: MIT
#pragma once

#include "KeyedListModel.h"

#include <QHash>
#include <QList>
#include <QPointer>
#include <QString>

#include <algorithm>
#include <functional>
#include <optional>

// Records keyed by parent id (a board's lists, a list's cards, …), mirrored into one
// KeyedListModel per parent for the views, with a reverse index from a record's id to its
// parent. A parent without an entry has not been loaded; its model, if a view already asked
// for it, is empty and not `loaded`.
//
// Every entry has a generation. A load takes a ticket when it starts. Changes to single records
// made while it runs (a create, a move, an edit, a removal) are kept in a journal and applied
// again on top of its answer, so a slow answer neither undoes a newer change nor is thrown away
// for it. The answer is dropped only when a newer load's answer or a wholesale replacement
// (a rollback, the parent's release) came after the load began.
template <typename T> class KeyedCollection {
    using Change = std::function<void(QList<T> &)>;
    struct Entry {
        QList<T> records;
        quint64 generation = 0;
        quint64 replaced = 0;   // generation of the last wholesale replacement
        quint64 loadedFrom = 0; // the start of the load whose answer was stored last
        int loads = 0;          // loads in flight for this parent
        bool present = false;   // loaded (an entry can outlive its records while loads run)
        // While loads run: the record changes made since, by generation.
        QList<std::pair<quint64, Change>> journal;
    };

public:
    explicit KeyedCollection(QObject *owner) : m_owner(owner) {}
    KeyedCollection(const KeyedCollection &) = delete;
    KeyedCollection &operator=(const KeyedCollection &) = delete;
    ~KeyedCollection()
    {
        for (KeyedListModel *model : std::as_const(m_models)) {
            delete model;
        }
    }

    // A load in flight. Ends (and frees what it held) when destroyed.
    class Load {
    public:
        Load(KeyedCollection *collection, QString parent)
            : m_collection(collection), m_parent(std::move(parent))
        {
            Entry &entry = m_collection->m_entries[m_parent];
            m_generation = ++entry.generation;
            if (++entry.loads == 1 && m_collection->m_loadingChanged) {
                m_collection->m_loadingChanged();
            }
        }
        ~Load()
        {
            if (m_collection) {
                m_collection->endLoad(m_parent);
            }
        }
        Load(const Load &) = delete;
        Load &operator=(const Load &) = delete;
        Load(Load &&other) noexcept
            : m_collection(std::exchange(other.m_collection, nullptr)),
              m_parent(std::move(other.m_parent)), m_generation(other.m_generation)
        {
        }

        // Stores the answer, with the record changes made since the load began applied on top.
        // False when a newer answer or a wholesale replacement has the say.
        bool finish(QList<T> records)
        {
            const auto it = m_collection->m_entries.find(m_parent);
            if (it == m_collection->m_entries.end() || it->replaced >= m_generation ||
                it->loadedFrom > m_generation) {
                return false;
            }
            for (const auto &[generation, change] : std::as_const(it->journal)) {
                if (generation > m_generation) {
                    change(records);
                }
            }
            it->loadedFrom = m_generation;
            m_collection->store(m_parent, std::move(records));
            return true;
        }

    private:
        KeyedCollection *m_collection;
        QString m_parent;
        quint64 m_generation = 0;
    };
    Load beginLoad(const QString &parent) { return Load(this, parent); }

    bool contains(const QString &parent) const
    {
        const auto it = m_entries.find(parent);
        return it != m_entries.end() && it->present;
    }
    // Called with the parent after each change of its records, once the views have followed.
    void setChangeHandler(std::function<void(const QString &)> handler) { m_changed = std::move(handler); }
    // Called when a parent's first load begins or its last one ends.
    void setLoadingHandler(std::function<void()> handler) { m_loadingChanged = std::move(handler); }
    // A load for the parent is under way.
    bool isLoading(const QString &parent) const
    {
        const auto it = m_entries.find(parent);
        return it != m_entries.end() && it->loads > 0;
    }
    // The parents being loaded, sorted, for the views' loading indicators.
    QStringList loadingParents() const
    {
        QStringList ids = parentsWhere([](const Entry &entry) { return entry.loads > 0; });
        ids.sort();
        return ids;
    }
    const QList<T> *find(const QString &parent) const
    {
        const auto it = m_entries.find(parent);
        return it != m_entries.end() && it->present ? &it->records : nullptr;
    }
    QList<T> value(const QString &parent) const
    {
        const QList<T> *records = find(parent);
        return records ? *records : QList<T>();
    }
    QStringList parents() const
    {
        return parentsWhere([](const Entry &entry) { return entry.present; });
    }
    // The parent holding a record, by the record's id.
    std::optional<QString> parentOf(const QString &id) const
    {
        const auto it = m_parentOf.find(id);
        return it == m_parentOf.end() ? std::nullopt : std::optional(*it);
    }
    const T *record(const QString &id) const
    {
        const std::optional<QString> parent = parentOf(id);
        const QList<T> *records = parent ? find(*parent) : nullptr;
        if (!records) {
            return nullptr;
        }
        const auto it = std::find_if(records->begin(), records->end(),
                                     [&id](const T &record) { return record.id == id; });
        return it == records->end() ? nullptr : &*it;
    }

    // A wholesale replacement: loads begun earlier are dropped.
    void set(const QString &parent, QList<T> records)
    {
        store(parent, std::move(records));
        Entry &entry = m_entries[parent];
        entry.replaced = entry.generation;
    }
    // Some parents' records, as they are now: taken before and after a change shown ahead of the
    // service's answer, so that a refusal can put back each parent nothing else changed since.
    using Snapshot = QList<std::pair<QString, QList<T>>>;
    Snapshot snapshot(const QStringList &parents) const
    {
        Snapshot taken;
        for (const QString &parent : parents) {
            taken.append({parent, value(parent)});
        }
        return taken;
    }
    void restore(const Snapshot &before, const Snapshot &after)
    {
        for (qsizetype i = 0; i < before.size() && i < after.size(); ++i) {
            if (value(after[i].first) == after[i].second) {
                set(before[i].first, before[i].second);
            }
        }
    }
    // The writes below change single records; a load running meanwhile applies them again to its
    // answer. Edits are kept until then, so they must not refer to anything of the caller's.
    template <typename Edit> bool update(const QString &id, Edit edit)
    {
        const std::optional<QString> parent = parentOf(id);
        const QList<T> *current = parent ? find(*parent) : nullptr;
        if (!current || std::none_of(current->begin(), current->end(),
                                     [&id](const T &record) { return record.id == id; })) {
            return false;
        }
        change(*parent, [id, edit](QList<T> &records) {
            for (T &record : records) {
                if (record.id == id) {
                    edit(record);
                }
            }
        });
        return true;
    }
    bool replace(const QString &id, T replacement)
    {
        return update(id, [replacement](T &record) { record = replacement; });
    }
    // Puts a record among its parent's records by ascending position (after those at the same
    // position), replacing a copy already there. One insertion when the list is in order.
    void insertByPos(const QString &parent, T record)
    {
        change(parent, [record](QList<T> &records) {
            records.removeIf([&record](const T &r) { return r.id == record.id; });
            const auto byPos = [](const T &a, const T &b) { return a.pos < b.pos; };
            if (std::is_sorted(records.begin(), records.end(), byPos)) {
                records.insert(std::upper_bound(records.begin(), records.end(), record, byPos), record);
            } else {
                records.append(record);
                std::stable_sort(records.begin(), records.end(), byPos);
            }
        });
    }
    // Puts a record first, replacing a copy already there.
    void prepend(const QString &parent, T record)
    {
        change(parent, [record](QList<T> &records) {
            records.removeIf([&record](const T &r) { return r.id == record.id; });
            records.prepend(record);
        });
    }
    // Removes one record from wherever it is. False when it is not held.
    bool removeRecord(const QString &id)
    {
        const std::optional<QString> parent = parentOf(id);
        if (!parent || !find(*parent)) {
            return false;
        }
        change(*parent, [id](QList<T> &records) {
            records.removeIf([&id](const T &record) { return record.id == id; });
        });
        return true;
    }

    // The parent is gone (or out of sight for good): its records and its model go too.
    void remove(const QString &parent)
    {
        const auto it = m_entries.find(parent);
        if (it != m_entries.end()) {
            for (const T &old : std::as_const(it->records)) {
                const auto index = m_parentOf.find(old.id);
                if (index != m_parentOf.end() && *index == parent) {
                    m_parentOf.erase(index);
                }
            }
            if (it->loads > 0) {
                // Kept as a marker until its loads end, so their answers are dropped.
                it->records.clear();
                it->present = false;
                it->journal.clear();
                it->replaced = ++it->generation;
            } else {
                m_entries.erase(it);
            }
        }
        if (KeyedListModel *model = m_models.take(parent)) {
            model->reset();
            model->deleteLater();
        }
    }
    void clear()
    {
        for (const QString &parent : m_entries.keys()) {
            remove(parent);
        }
        for (const QString &parent : m_models.keys()) {
            remove(parent);
        }
    }

    KeyedListModel *model(const QString &parent)
    {
        KeyedListModel *&model = m_models[parent];
        if (!model) {
            model = KeyedListModel::forType<T>(m_owner);
            if (const QList<T> *records = find(parent)) {
                model->replace(*records);
            }
        }
        return model;
    }

    static QList<T> without(const QList<T> &records, const QString &id)
    {
        QList<T> rest;
        rest.reserve(records.size());
        std::copy_if(records.begin(), records.end(), std::back_inserter(rest),
                     [&id](const T &record) { return record.id != id; });
        return rest;
    }

private:
    template <typename Test> QStringList parentsWhere(Test test) const
    {
        QStringList ids;
        for (auto it = m_entries.begin(); it != m_entries.end(); ++it) {
            if (test(*it)) {
                ids.append(it.key());
            }
        }
        return ids;
    }
    // Applies a record change now, and keeps it for the loads under way.
    void change(const QString &parent, Change apply)
    {
        QList<T> records = value(parent);
        apply(records);
        store(parent, std::move(records));
        Entry &entry = m_entries[parent];
        if (entry.loads > 0) {
            entry.journal.append({entry.generation, std::move(apply)});
        }
    }
    void store(const QString &parent, QList<T> records)
    {
        Entry &entry = m_entries[parent];
        for (const T &old : std::as_const(entry.records)) {
            const auto it = m_parentOf.find(old.id);
            if (it != m_parentOf.end() && *it == parent) {
                m_parentOf.erase(it);
            }
        }
        for (const T &record : std::as_const(records)) {
            m_parentOf.insert(record.id, parent);
        }
        entry.records = std::move(records);
        entry.present = true;
        ++entry.generation;
        // Last: the views react at once and may load something else, which can move entries.
        if (KeyedListModel *model = m_models.value(parent)) {
            model->replace(QList<T>(entry.records));
        }
        if (m_changed) {
            m_changed(parent);
        }
    }
    void endLoad(const QString &parent)
    {
        const auto it = m_entries.find(parent);
        if (it == m_entries.end() || --it->loads > 0) {
            return;
        }
        it->journal.clear();
        if (!it->present) {
            m_entries.erase(it);
        }
        if (m_loadingChanged) {
            m_loadingChanged();
        }
    }

    QObject *m_owner;
    std::function<void(const QString &)> m_changed;
    std::function<void()> m_loadingChanged;
    QHash<QString, Entry> m_entries;
    QHash<QString, QString> m_parentOf;
    QHash<QString, KeyedListModel *> m_models;
};
