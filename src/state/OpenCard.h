// SPDX-License-Identifier: MIT
#pragma once

#include "Operation.h"

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QVariant>
#include <QtQml/qqmlregistration.h>

class AppState;

// One card as its editor holds it: the edits to its title, description, list, due date and
// completion, the one update that saves them, the loads of what its sections show, and, when
// the editor closes, letting go of those. It carries the id of the card it edits from the
// moment it opens, whatever the views around it show later.
class OpenCard : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QString cardID READ cardID WRITE setCardID NOTIFY cardIDChanged)
    Q_PROPERTY(QString name MEMBER m_name NOTIFY nameChanged)
    Q_PROPERTY(QString desc MEMBER m_desc NOTIFY descChanged)
    Q_PROPERTY(QString listID MEMBER m_listID NOTIFY listIDChanged)
    Q_PROPERTY(bool dueEnabled MEMBER m_dueEnabled NOTIFY dueEnabledChanged)
    Q_PROPERTY(QDateTime due MEMBER m_due NOTIFY dueChanged)
    Q_PROPERTY(bool dueComplete MEMBER m_dueComplete NOTIFY dueCompleteChanged)
    Q_PROPERTY(bool isSaving READ isSaving NOTIFY isSavingChanged)
public:
    explicit OpenCard(QObject *parent = nullptr);
    explicit OpenCard(AppState *store, QObject *parent = nullptr);
    ~OpenCard() override;

    QString cardID() const { return m_cardID; }
    // Set once, as the editor opens; later changes are ignored.
    void setCardID(const QString &id);
    bool isSaving() const { return m_isSaving; }

    // The edits start from the card as the store holds it (a TrelloCard).
    Q_INVOKABLE void takeCard(const QVariant &card);
    // What the sections show and the store does not hold yet, loaded side by side.
    Q_INVOKABLE void loadSections();
    // One update with what differs from the card as the store holds it now; the due date and
    // completion go along whenever a due date is set. Value: the card as the service returned it.
    Q_INVOKABLE Operation save();

Q_SIGNALS:
    void cardIDChanged();
    void nameChanged();
    void descChanged();
    void listIDChanged();
    void dueEnabledChanged();
    void dueChanged();
    void dueCompleteChanged();
    void isSavingChanged();

private:
    void setSaving(bool saving);
    QCoro::Task<Outcome> endSaving(Operation saving);

    QPointer<AppState> m_store;
    QString m_cardID;
    QString m_boardID;
    QString m_name;
    QString m_desc;
    QString m_listID;
    bool m_dueEnabled = false;
    QDateTime m_due;
    bool m_dueComplete = false;
    bool m_isSaving = false;
};
