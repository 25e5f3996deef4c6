// SPDX-License-Identifier: MIT
#pragma once

#include "KeyedListModel.h"

#include <QHash>
#include <QList>
#include <QPointer>
#include <QString>

#include <algorithm>
#include <optional>

// Records keyed by parent id (a board's lists, a list's cards, …), mirrored into one
// KeyedListModel per parent for the views, with a reverse index from a record's id to its
// parent. A parent without an entry has not been loaded; its model, if a view already asked
// for it, is empty and not `loaded`.
//
// Every entry has a generation. A load takes a ticket when it starts; its answer is stored only
// if nothing changed the entry since (a move, a create, a newer load), so a slow answer never
// undoes a newer change.
template <typename T> class KeyedCollection {
    struct Entry {
        QList<T> records;
        quint64 generation = 0;
        int loads = 0;       // loads in flight for this parent
        bool present = false; // loaded (an entry can outlive its records while loads run)
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
            ++entry.loads;
            m_generation = ++entry.generation;
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

        // Stores the answer unless the entry changed since the load began. True when stored.
        bool finish(QList<T> records)
        {
            const auto it = m_collection->m_entries.find(m_parent);
            if (it == m_collection->m_entries.end() || it->generation != m_generation) {
                return false;
            }
            m_collection->set(m_parent, std::move(records));
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
        QStringList ids;
        for (auto it = m_entries.begin(); it != m_entries.end(); ++it) {
            if (it->present) {
                ids.append(it.key());
            }
        }
        return ids;
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

    // Every write below counts as a change to the entry: loads begun earlier are dropped.
    void set(const QString &parent, QList<T> records)
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
    }
    // Edits a record in place, wherever it is. False when it is not held.
    template <typename Edit> bool update(const QString &id, Edit edit)
    {
        const std::optional<QString> parent = parentOf(id);
        const QList<T> *current = parent ? find(*parent) : nullptr;
        if (!current) {
            return false;
        }
        QList<T> records = *current;
        for (T &record : records) {
            if (record.id == id) {
                edit(record);
                set(*parent, std::move(records));
                return true;
            }
        }
        return false;
    }
    bool replace(const QString &id, const T &replacement)
    {
        return update(id, [&replacement](T &record) { record = replacement; });
    }
    // Puts a record among its parent's records by ascending position (after those at the same
    // position), replacing a copy already there. One insertion when the list is in order.
    void insertByPos(const QString &parent, const T &record)
    {
        QList<T> records = without(value(parent), record.id);
        const auto byPos = [](const T &a, const T &b) { return a.pos < b.pos; };
        if (std::is_sorted(records.begin(), records.end(), byPos)) {
            records.insert(std::upper_bound(records.begin(), records.end(), record, byPos), record);
        } else {
            records.append(record);
            std::stable_sort(records.begin(), records.end(), byPos);
        }
        set(parent, std::move(records));
    }
    // Removes one record from wherever it is. False when it is not held.
    bool removeRecord(const QString &id)
    {
        const std::optional<QString> parent = parentOf(id);
        const QList<T> *records = parent ? find(*parent) : nullptr;
        if (!records) {
            return false;
        }
        set(*parent, without(*records, id));
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
                ++it->generation;
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
    void endLoad(const QString &parent)
    {
        const auto it = m_entries.find(parent);
        if (it != m_entries.end() && --it->loads == 0 && !it->present) {
            m_entries.erase(it);
        }
    }

    QObject *m_owner;
    QHash<QString, Entry> m_entries;
    QHash<QString, QString> m_parentOf;
    QHash<QString, KeyedListModel *> m_models;
};
