// SPDX-License-Identifier: MIT
#pragma once

#include "KeyedListModel.h"

#include <QHash>
#include <QList>
#include <QString>

#include <map>

// Records keyed by parent id (a board's lists, a list's cards, …), each entry replaced whole,
// mirrored into one KeyedListModel per parent for the views. A parent without an entry has
// not been loaded; its model, if a view already asked for it, is empty and not `loaded`.
template <typename T> class KeyedCollection {
public:
    explicit KeyedCollection(QObject *owner) : m_owner(owner) {}

    const std::map<QString, QList<T>> &entries() const { return m_entries; }
    bool contains(const QString &parent) const { return m_entries.contains(parent); }
    const QList<T> *find(const QString &parent) const
    {
        const auto it = m_entries.find(parent);
        return it == m_entries.end() ? nullptr : &it->second;
    }
    QList<T> value(const QString &parent) const
    {
        const QList<T> *records = find(parent);
        return records ? *records : QList<T>();
    }

    void set(const QString &parent, QList<T> records)
    {
        if (KeyedListModel *model = m_models.value(parent)) {
            model->replace(records);
        }
        m_entries.insert_or_assign(parent, std::move(records));
    }
    void remove(const QString &parent)
    {
        m_entries.erase(parent);
        if (KeyedListModel *model = m_models.value(parent)) {
            model->reset();
        }
    }
    void clear()
    {
        m_entries.clear();
        for (KeyedListModel *model : std::as_const(m_models)) {
            model->reset();
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

private:
    QObject *m_owner;
    std::map<QString, QList<T>> m_entries;
    QHash<QString, KeyedListModel *> m_models;
};
