// SPDX-License-Identifier: MIT
#pragma once

#include "model/Models.h"

#include <QAbstractListModel>
#include <QHash>
#include <QPointer>
#include <QtQml/qqmlregistration.h>

// @mentions: finding the one being typed, the members it may name, and the mentions of a text.
namespace mentions {

// A letter a–z (either case), a digit or an underscore: what user names are made of.
bool isUsernameCharacter(QChar c);
// Whether an @ after `before` starts a mention: not inside a word, an e-mail address or a
// run of @ (the start of the text passes a null QChar).
bool canStartAfter(QChar before);

// The position of the @ of the mention that ends at `cursor` (its @ and the user name
// characters typed after it, up to the cursor), or -1 when the cursor is in none. A cursor
// past the end counts as at the end.
qsizetype typedAt(const QString &text, qsizetype cursor);

// How well a member fits what was typed after the @, in any letter case: 2 when their user
// name or full name starts with it, 1 when another word of the full name does, 0 not at all.
// Nothing typed fits everyone.
int fit(const TrelloMember &member, const QString &typed);

struct Mention {
    qsizetype start = 0;  // the @
    qsizetype length = 0; // the @ and the user name
    QString username;     // lower case
};
// The mentions of the members in `known` (lower-case user name → shown name) in a plain text;
// `before` is the character that came before the text (it decides whether a leading @ starts
// a mention).
QList<Mention> find(const QString &text, const QHash<QString, QString> &known, QChar before = {});

// The members of a model with a "record" role holding each TrelloMember (a KeyedListModel).
QList<TrelloMember> membersOf(const QAbstractItemModel *model);

} // namespace mentions

// The board's members a mention being typed may name, best fit first (in the board's order
// within each fit): the view binds a text field's text and cursor to it, and shows the list
// while `typedAt` is not -1 and it has rows.
class MentionCompleter : public QAbstractListModel {
    Q_OBJECT
    QML_ELEMENT
    // The members to offer: a model with a "record" role holding each TrelloMember.
    Q_PROPERTY(QAbstractItemModel *members READ members WRITE setMembers NOTIFY membersChanged)
    Q_PROPERTY(QString text READ text WRITE setText NOTIFY textChanged)
    Q_PROPERTY(int cursorPosition READ cursorPosition WRITE setCursorPosition NOTIFY cursorPositionChanged)
    // Where the @ of the mention being typed is, or -1; and what follows it up to the cursor.
    Q_PROPERTY(int typedAt READ typedAt NOTIFY typedChanged)
    Q_PROPERTY(QString typed READ typed NOTIFY typedChanged)
    Q_PROPERTY(int count READ count NOTIFY countChanged)
    // The row Return would take: the first after every change of what is offered.
    Q_PROPERTY(int currentIndex READ currentIndex WRITE setCurrentIndex NOTIFY currentIndexChanged)
public:
    enum Role { UsernameRole = Qt::UserRole + 1, NameRole, RecordRole };

    explicit MentionCompleter(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QHash<int, QByteArray> roleNames() const override;

    QAbstractItemModel *members() const { return m_members; }
    void setMembers(QAbstractItemModel *members);
    QString text() const { return m_text; }
    void setText(const QString &text);
    int cursorPosition() const { return m_cursor; }
    void setCursorPosition(int position);
    int typedAt() const { return int(m_at); }
    QString typed() const { return m_typed; }
    int count() const { return int(m_rows.size()); }
    int currentIndex() const { return m_current; }
    void setCurrentIndex(int index);

    // The current row moves by `step`, round the ends.
    Q_INVOKABLE void move(int step);
    // What replaces the typed mention when `row` is chosen: "@username ".
    Q_INVOKABLE QString completion(int row) const;

Q_SIGNALS:
    void membersChanged();
    void textChanged();
    void cursorPositionChanged();
    void typedChanged();
    void countChanged();
    void currentIndexChanged();

private:
    void updateTyped();
    void refilter();

    QPointer<QAbstractItemModel> m_members;
    QList<QMetaObject::Connection> m_connections;
    QString m_text;
    int m_cursor = 0;
    qsizetype m_at = -1;
    QString m_typed;
    QList<TrelloMember> m_rows;
    int m_current = 0;
};
