// SPDX-License-Identifier: MIT
#pragma once

#include <QSortFilterProxyModel>
#include <QtQml/qqmlregistration.h>

// The board list's search: the boards of the source model whose name, or description when
// they have one, contains the query, in the source's order. The query counts without the
// white space and line breaks around it, and in any letter case of the user's locale. Rows
// follow every change of the source (insertions, removals, moves, changed records), and so
// does `count`.
class BoardFilterModel : public QSortFilterProxyModel {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QString query READ query WRITE setQuery NOTIFY queryChanged)
    Q_PROPERTY(int count READ count NOTIFY countChanged)
public:
    explicit BoardFilterModel(QObject *parent = nullptr);

    QString query() const { return m_query; }
    void setQuery(const QString &query);
    int count() const { return rowCount(); }

    // The board record at `row`, or undefined.
    Q_INVOKABLE QVariant get(int row) const;

Q_SIGNALS:
    void queryChanged();
    void countChanged();

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;

private:
    void findRoles();
    void updateCount();

    QString m_query;
    QString m_needle; // the trimmed query in lower case; empty lets every board through
    int m_nameRole = -1;
    int m_descRole = -1;
    int m_recordRole = -1;
    int m_count = 0;
};
