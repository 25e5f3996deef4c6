// SPDX-License-Identifier: MIT
#pragma once

#include <QAbstractListModel>
#include <QMetaType>
#include <QVariant>
#include <QtQml/qqmlregistration.h>

// One list of records (cards of a list, lists of a board, …) for the views. Replacing the
// contents applies the smallest set of changes keyed by record id — removals, moves,
// insertions and dataChanged — so a reload in which one card changed redraws one tile and
// columns keep their scroll position, hover and drag state.
//
// Roles are the record's properties, plus "record" for the whole value. Two are renamed
// because QML reserves the names: "id" is "recordId" and "data" is "commentData".
class KeyedListModel : public QAbstractListModel {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Models are owned by the store")
    Q_PROPERTY(int count READ count NOTIFY countChanged)
    Q_PROPERTY(bool loaded READ isLoaded NOTIFY loadedChanged)
public:
    explicit KeyedListModel(QMetaType recordType, QObject *parent = nullptr);

    template <typename T> static KeyedListModel *forType(QObject *parent = nullptr)
    {
        return new KeyedListModel(QMetaType::fromType<T>(), parent);
    }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QHash<int, QByteArray> roleNames() const override;

    int count() const { return static_cast<int>(m_rows.size()); }
    bool isLoaded() const { return m_loaded; }

    // The record at `row`, or undefined; and the row of a record id, or -1.
    Q_INVOKABLE QVariant get(int row) const;
    Q_INVOKABLE int indexOf(const QString &id) const;

    void replace(const QList<QVariant> &records);
    template <typename T> void replace(const QList<T> &records)
    {
        QList<QVariant> values;
        QList<QString> ids;
        values.reserve(records.size());
        ids.reserve(records.size());
        for (const T &record : records) {
            values.append(QVariant::fromValue(record));
            ids.append(record.id);
        }
        replace(values, ids);
    }
    // Back to "never loaded": no rows.
    void reset();

Q_SIGNALS:
    void countChanged();
    void loadedChanged();

private:
    QString idOf(const QVariant &record) const;
    void replace(const QList<QVariant> &records, const QList<QString> &ids);
    void updateRow(qsizetype row, const QVariant &record);
    void setLoaded(bool loaded);

    QMetaType m_type;
    const QMetaObject *m_meta = nullptr;
    int m_idProperty = -1;
    QHash<int, QByteArray> m_roleNames;
    QList<QVariant> m_rows;
    QList<QString> m_ids;
    bool m_loaded = false;
};
