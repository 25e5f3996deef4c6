// SPDX-License-Identifier: MIT
#include "Mentions.h"

#include "Members.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace mentions {

namespace {
// User names are at most this long; a longer run before the cursor is no mention.
constexpr qsizetype MaxUsernameLength = 64;
} // namespace

bool isUsernameCharacter(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
           c == u'_';
}

bool canStartAfter(QChar before)
{
    // Not ada@example.com, not a@@b, not a path or a version (v1.@x, /@x).
    return before.isNull() || !(before.isLetterOrNumber() || before == u'_' || before == u'@' ||
                                before == u'.' || before == u'/' || before == u'\\');
}

qsizetype typedAt(const QString &text, qsizetype cursor)
{
    // A field may tell of its new cursor before its new text: past the end is the end.
    cursor = std::min(cursor, text.size());
    if (cursor < 1) {
        return -1;
    }
    qsizetype at = cursor - 1;
    while (at >= 0 && cursor - at <= MaxUsernameLength && isUsernameCharacter(text.at(at))) {
        --at;
    }
    if (at < 0 || text.at(at) != u'@') {
        return -1;
    }
    return canStartAfter(at > 0 ? text.at(at - 1) : QChar()) ? at : -1;
}

int fit(const TrelloMember &member, const QString &typed)
{
    if (typed.isEmpty() || member.username.startsWith(typed, Qt::CaseInsensitive)) {
        return 2;
    }
    const QString name = member.fullName.value_or(QString());
    const QStringList words = name.split(u' ', Qt::SkipEmptyParts);
    for (qsizetype i = 0; i < words.size(); ++i) {
        if (words[i].startsWith(typed, Qt::CaseInsensitive)) {
            return i == 0 ? 2 : 1;
        }
    }
    return 0;
}

QList<Mention> find(const QString &text, const QHash<QString, QString> &known, QChar before)
{
    QList<Mention> found;
    if (known.isEmpty()) {
        return found;
    }
    for (qsizetype at = text.indexOf(u'@'); at >= 0; at = text.indexOf(u'@', at + 1)) {
        if (!canStartAfter(at > 0 ? text.at(at - 1) : before)) {
            continue;
        }
        qsizetype end = at + 1;
        while (end < text.size() && isUsernameCharacter(text.at(end))) {
            ++end;
        }
        const QString username = text.mid(at + 1, end - at - 1).toLower();
        if (!username.isEmpty() && known.contains(username)) {
            found.append({at, end - at, username});
            at = end - 1;
        }
    }
    return found;
}

QList<TrelloMember> membersOf(const QAbstractItemModel *model)
{
    QList<TrelloMember> out;
    if (!model) {
        return out;
    }
    const int role = model->roleNames().key("record", -1);
    if (role < 0) {
        return out;
    }
    const int rows = model->rowCount();
    out.reserve(rows);
    for (int row = 0; row < rows; ++row) {
        const QVariant record = model->data(model->index(row, 0), role);
        if (record.metaType() == QMetaType::fromType<TrelloMember>()) {
            out.append(record.value<TrelloMember>());
        }
    }
    return out;
}

} // namespace mentions

MentionCompleter::MentionCompleter(QObject *parent) : QAbstractListModel(parent) {}

int MentionCompleter::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

QVariant MentionCompleter::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size()) {
        return {};
    }
    const TrelloMember &member = m_rows.at(index.row());
    switch (role) {
    case UsernameRole:
        return member.username;
    case Qt::DisplayRole:
    case NameRole:
        return members::displayName(member);
    case RecordRole:
        return QVariant::fromValue(member);
    default:
        return {};
    }
}

QHash<int, QByteArray> MentionCompleter::roleNames() const
{
    return {{UsernameRole, "username"}, {NameRole, "name"}, {RecordRole, "record"}};
}

void MentionCompleter::setMembers(QAbstractItemModel *members)
{
    if (members == m_members) {
        return;
    }
    for (const auto &connection : std::as_const(m_connections)) {
        disconnect(connection);
    }
    m_connections.clear();
    m_members = members;
    if (members) {
        const auto changed = [this] { refilter(); };
        m_connections = {
            connect(members, &QAbstractItemModel::rowsInserted, this, changed),
            connect(members, &QAbstractItemModel::rowsRemoved, this, changed),
            connect(members, &QAbstractItemModel::rowsMoved, this, changed),
            connect(members, &QAbstractItemModel::modelReset, this, changed),
            connect(members, &QAbstractItemModel::dataChanged, this, changed),
            connect(members, &QAbstractItemModel::layoutChanged, this, changed),
        };
    }
    Q_EMIT membersChanged();
    refilter();
}

void MentionCompleter::setText(const QString &text)
{
    if (text == m_text) {
        return;
    }
    m_text = text;
    Q_EMIT textChanged();
    updateTyped();
}

void MentionCompleter::setCursorPosition(int position)
{
    if (position == m_cursor) {
        return;
    }
    m_cursor = position;
    Q_EMIT cursorPositionChanged();
    updateTyped();
}

void MentionCompleter::setCurrentIndex(int index)
{
    index = m_rows.isEmpty() ? 0 : std::clamp(index, 0, int(m_rows.size()) - 1);
    if (index != m_current) {
        m_current = index;
        Q_EMIT currentIndexChanged();
    }
}

void MentionCompleter::move(int step)
{
    if (m_rows.isEmpty()) {
        return;
    }
    const int size = int(m_rows.size());
    setCurrentIndex(((m_current + step) % size + size) % size);
}

QString MentionCompleter::completion(int row) const
{
    return row >= 0 && row < m_rows.size() ? u"@"_s + m_rows.at(row).username + u' ' : QString();
}

void MentionCompleter::updateTyped()
{
    const qsizetype at = mentions::typedAt(m_text, m_cursor);
    const QString typed = at >= 0 ? m_text.mid(at + 1, m_cursor - at - 1) : QString();
    if (at == m_at && typed == m_typed) {
        return;
    }
    m_at = at;
    m_typed = typed;
    Q_EMIT typedChanged();
    refilter();
}

void MentionCompleter::refilter()
{
    QList<TrelloMember> rows;
    if (m_at >= 0) {
        QList<TrelloMember> weaker;
        for (const TrelloMember &member : mentions::membersOf(m_members)) {
            switch (mentions::fit(member, m_typed)) {
            case 2:
                rows.append(member);
                break;
            case 1:
                weaker.append(member);
                break;
            default:
                break;
            }
        }
        rows += weaker;
    }
    const bool countChanges = rows.size() != m_rows.size();
    if (rows != m_rows) {
        beginResetModel();
        m_rows = std::move(rows);
        endResetModel();
    }
    if (countChanges) {
        Q_EMIT countChanged();
    }
    if (m_current != 0) {
        m_current = 0;
        Q_EMIT currentIndexChanged();
    }
}
