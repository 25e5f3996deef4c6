// SPDX-License-Identifier: MIT
#include "KeyedListModel.h"

#include <QMetaProperty>

namespace {
constexpr int RecordRole = Qt::UserRole;
constexpr int FirstPropertyRole = Qt::UserRole + 1;
} // namespace

KeyedListModel::KeyedListModel(QMetaType recordType, QObject *parent)
    : QAbstractListModel(parent), m_type(recordType), m_meta(recordType.metaObject())
{
    Q_ASSERT(m_meta);
    m_roleNames.insert(RecordRole, "record");
    for (int i = 0; i < m_meta->propertyCount(); ++i) {
        QByteArray name = m_meta->property(i).name();
        if (name == "id") {
            m_idProperty = i;
            name = "recordId";
        } else if (name == "data") {
            name = "commentData";
        }
        m_roleNames.insert(FirstPropertyRole + i, name);
    }
    Q_ASSERT(m_idProperty >= 0);
}

int KeyedListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : count();
}

QVariant KeyedListModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) {
        return QVariant();
    }
    const QVariant &record = m_rows.at(index.row());
    if (role == RecordRole) {
        return record;
    }
    const int property = role - FirstPropertyRole;
    if (property < 0 || property >= m_meta->propertyCount()) {
        return QVariant();
    }
    return m_meta->property(property).readOnGadget(record.constData());
}

QHash<int, QByteArray> KeyedListModel::roleNames() const
{
    return m_roleNames;
}

QVariant KeyedListModel::get(int row) const
{
    return row >= 0 && row < m_rows.size() ? m_rows.at(row) : QVariant();
}

int KeyedListModel::indexOf(const QString &id) const
{
    return static_cast<int>(m_ids.indexOf(id));
}

QString KeyedListModel::idOf(const QVariant &record) const
{
    return m_meta->property(m_idProperty).readOnGadget(record.constData()).toString();
}

void KeyedListModel::setLoaded(bool loaded)
{
    if (m_loaded != loaded) {
        m_loaded = loaded;
        Q_EMIT loadedChanged();
    }
}

void KeyedListModel::reset()
{
    if (!m_rows.isEmpty()) {
        beginRemoveRows(QModelIndex(), 0, count() - 1);
        m_rows.clear();
        m_ids.clear();
        endRemoveRows();
        Q_EMIT countChanged();
    }
    setLoaded(false);
}

void KeyedListModel::updateRow(qsizetype row, const QVariant &record)
{
    if (!(m_rows.at(row) == record)) {
        m_rows[row] = record;
        const QModelIndex changed = index(int(row));
        Q_EMIT dataChanged(changed, changed);
    }
}

void KeyedListModel::replace(const QList<QVariant> &records)
{
    QList<QString> ids;
    ids.reserve(records.size());
    for (const QVariant &record : records) {
        ids.append(idOf(record));
    }
    replace(records, ids);
}

void KeyedListModel::replace(const QList<QVariant> &records, const QList<QString> &newIds)
{
    Q_ASSERT(records.size() == newIds.size());
    if (newIds == m_ids && m_loaded) {
        // The usual reload: same records in the same order, a few of them changed.
        for (qsizetype row = 0; row < records.size(); ++row) {
            updateRow(row, records.at(row));
        }
        return;
    }
    const int oldCount = count();
    QHash<QString, int> wanted; // how many rows with each id the new contents hold
    for (const QString &id : newIds) {
        ++wanted[id];
    }

    // 1. Remove rows whose id is gone (or that are surplus duplicates), back to front,
    //    in contiguous runs.
    {
        QHash<QString, int> kept;
        QList<bool> keep(m_rows.size());
        for (qsizetype row = 0; row < m_ids.size(); ++row) {
            const QString &id = m_ids.at(row);
            keep[row] = kept[id] < wanted.value(id);
            if (keep[row]) {
                ++kept[id];
            }
        }
        for (qsizetype row = m_rows.size() - 1; row >= 0;) {
            if (keep.at(row)) {
                --row;
                continue;
            }
            qsizetype first = row;
            while (first > 0 && !keep.at(first - 1)) {
                --first;
            }
            beginRemoveRows(QModelIndex(), int(first), int(row));
            m_rows.remove(first, row - first + 1);
            m_ids.remove(first, row - first + 1);
            endRemoveRows();
            row = first - 1;
        }
    }

    if (m_rows.isEmpty() && !records.isEmpty()) {
        // A first load: one insertion, not thousands.
        beginInsertRows(QModelIndex(), 0, int(records.size() - 1));
        m_rows = records;
        m_ids = newIds;
        endInsertRows();
    }

    // 2. Walk the new order: a row that is already there but further down moves up; a
    //    record that is not there yet is inserted. Rows above `target` are final.
    for (qsizetype target = 0; target < records.size(); ++target) {
        const QString &id = newIds.at(target);
        if (target < m_ids.size() && m_ids.at(target) == id) {
            updateRow(target, records.at(target));
            continue;
        }
        const qsizetype found = m_ids.indexOf(id, target + 1);
        if (found >= 0) {
            beginMoveRows(QModelIndex(), int(found), int(found), QModelIndex(), int(target));
            m_rows.move(found, target);
            m_ids.move(found, target);
            endMoveRows();
            updateRow(target, records.at(target));
        } else {
            beginInsertRows(QModelIndex(), int(target), int(target));
            m_rows.insert(target, records.at(target));
            m_ids.insert(target, id);
            endInsertRows();
        }
    }
    Q_ASSERT(m_rows.size() == records.size());
    if (count() != oldCount) {
        Q_EMIT countChanged();
    }
    setLoaded(true);
}
