// SPDX-License-Identifier: MIT
#pragma once

#include "model/Models.h"

#include <QDateTime>
#include <QObject>
#include <QStringList>
#include <QtQml/qqmlregistration.h>

class KeyedListModel;

// What a board's screen shows of its cards: the text typed in its filter field, and the labels,
// members and due states picked in its filter menu. The store keeps one per board for as long as
// the program runs, so leaving a board and coming back finds it as it was.
//
// How the parts combine: within a group, any one picked is enough (a card with either of two
// picked labels shows); across groups, every group with something picked must match, and so
// must the text. An empty group, or empty text, lets every card through.
class BoardFilter : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QString text READ text WRITE setText NOTIFY changed)
    Q_PROPERTY(QStringList labelIDs READ labelIDs NOTIFY changed)
    Q_PROPERTY(QStringList memberIDs READ memberIDs NOTIFY changed)
    // Of "overdue", "week" (due in the next seven days), "none" (no due date) and "complete".
    Q_PROPERTY(QStringList dueKinds READ dueKinds NOTIFY changed)
    // Something is picked in the menu (the text aside).
    Q_PROPERTY(bool picked READ picked NOTIFY changed)
    // Bumped at every change, for bindings that ask accepts().
    Q_PROPERTY(int revision READ revision NOTIFY changed)
public:
    explicit BoardFilter(QObject *parent = nullptr) : QObject(parent) {}

    QString text() const { return m_text; }
    void setText(const QString &text);
    QStringList labelIDs() const { return m_labelIDs; }
    QStringList memberIDs() const { return m_memberIDs; }
    QStringList dueKinds() const { return m_dueKinds; }
    bool picked() const { return !m_labelIDs.isEmpty() || !m_memberIDs.isEmpty() || !m_dueKinds.isEmpty(); }
    int revision() const { return m_revision; }

    // Each puts the one id (or due kind) in or takes it out.
    Q_INVOKABLE void setLabel(const QString &id, bool on);
    Q_INVOKABLE void setMember(const QString &id, bool on);
    Q_INVOKABLE void setDue(const QString &kind, bool on);
    // Everything picked in the menu off; and that with the text too.
    Q_INVOKABLE void clearPicked();
    Q_INVOKABLE void clear();

    bool accepts(const TrelloCard &card, const QDateTime &now) const;
    // A card as the models hold it (a TrelloCard in a variant); anything else is let through.
    Q_INVOKABLE bool accepts(const QVariant &card, const QDateTime &now) const;
    // How many of the model's cards pass.
    Q_INVOKABLE int countIn(const KeyedListModel *cards, const QDateTime &now) const;

Q_SIGNALS:
    void changed();

private:
    void toggle(QStringList &list, const QString &value, bool on);
    void bump();

    QString m_text;
    QString m_needle; // the trimmed text in lower case
    QStringList m_labelIDs;
    QStringList m_memberIDs;
    QStringList m_dueKinds;
    int m_revision = 0;
};
