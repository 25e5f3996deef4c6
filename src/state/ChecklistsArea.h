// SPDX-License-Identifier: MIT
#pragma once

#include "KeyedCollection.h"
#include "StoreContext.h"

#include <QObject>
#include <QtQml/qqmlregistration.h>

// A card's checklists and their items.
class ChecklistsArea : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Part of AppState")
    Q_PROPERTY(QStringList loadingChecklists READ loadingChecklists NOTIFY loadingChecklistsChanged)
public:
    ChecklistsArea(StoreContext &context, QObject *parent = nullptr);

    const KeyedCollection<TrelloChecklist> &checklists() const { return m_checklists; }
    QStringList loadingChecklists() const { return m_checklists.loadingParents(); }

    Q_INVOKABLE KeyedListModel *checklistsModel(const QString &cardID) { return m_checklists.model(cardID); }

    Q_INVOKABLE Operation refreshChecklists(const QString &cardID);
    Q_INVOKABLE Operation createChecklist(const QString &cardID, const QString &name);
    Q_INVOKABLE Operation deleteChecklist(const QString &id);
    Q_INVOKABLE Operation addCheckItem(const QString &checklistID, const QString &name);
    Q_INVOKABLE Operation renameCheckItem(const QString &cardID, const QString &checkItemID,
                                          const QString &name);
    Q_INVOKABLE Operation toggleCheckItem(const QString &cardID, const QVariant &item);
    Q_INVOKABLE Operation deleteCheckItem(const QString &checklistID, const QString &checkItemID);

    // The card's checklists, unless they are held or being loaded.
    void loadMissing(const QString &cardID);
    // The card's editor closed, or the card went: its checklists go.
    void release(const QString &cardID) { m_checklists.remove(cardID); }
    void clear() { m_checklists.clear(); }

Q_SIGNALS:
    void loadingChecklistsChanged();
    // What the card's tile counts: its check items, all and done.
    void checklistBadgeChanged(const QString &cardID, qint64 total, qint64 done);

private:
    QCoro::Task<> loadChecklists(QString cardID);
    // Edits one check item of a card in place; false when it is not held.
    template <typename Edit> bool editCheckItem(const QString &cardID, const QString &checkItemID, Edit edit);
    void recomputeBadge(const QString &cardID);

    StoreContext &m_context;
    KeyedCollection<TrelloChecklist> m_checklists{this};
};
