// SPDX-License-Identifier: MIT
#include "BoardFilterModel.h"

#include <QLocale>

BoardFilterModel::BoardFilterModel(QObject *parent) : QSortFilterProxyModel(parent)
{
    connect(this, &QAbstractProxyModel::sourceModelChanged, this, [this] {
        findRoles();
        invalidateFilter();
        updateCount();
    });
    for (auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved}) {
        connect(this, signal, this, &BoardFilterModel::updateCount);
    }
    connect(this, &QAbstractItemModel::modelReset, this, &BoardFilterModel::updateCount);
    connect(this, &QAbstractItemModel::layoutChanged, this, &BoardFilterModel::updateCount);
}

void BoardFilterModel::setQuery(const QString &query)
{
    if (query == m_query) {
        return;
    }
    m_query = query;
    const QString needle = QLocale().toLower(query.trimmed());
    if (needle != m_needle) {
        m_needle = needle;
        invalidateFilter();
    }
    Q_EMIT queryChanged();
}

QVariant BoardFilterModel::get(int row) const
{
    if (row < 0 || row >= rowCount() || m_recordRole < 0) {
        return QVariant();
    }
    return index(row, 0).data(m_recordRole);
}

void BoardFilterModel::findRoles()
{
    m_nameRole = m_descRole = m_recordRole = -1;
    if (!sourceModel()) {
        return;
    }
    const QHash<int, QByteArray> roles = sourceModel()->roleNames();
    for (auto role = roles.cbegin(); role != roles.cend(); ++role) {
        if (role.value() == "name") {
            m_nameRole = role.key();
        } else if (role.value() == "desc") {
            m_descRole = role.key();
        } else if (role.value() == "record") {
            m_recordRole = role.key();
        }
    }
}

bool BoardFilterModel::filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const
{
    if (m_needle.isEmpty()) {
        return true;
    }
    const QModelIndex board = sourceModel()->index(sourceRow, 0, sourceParent);
    const QLocale locale;
    const auto contains = [&](int role) {
        const QVariant text = role >= 0 ? board.data(role) : QVariant();
        // A board without a description reads as null here, never as the text "null".
        return text.typeId() == QMetaType::QString
               && locale.toLower(text.toString()).contains(m_needle);
    };
    return contains(m_nameRole) || contains(m_descRole);
}

void BoardFilterModel::updateCount()
{
    if (rowCount() != m_count) {
        m_count = rowCount();
        Q_EMIT countChanged();
    }
}
