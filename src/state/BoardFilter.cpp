// SPDX-License-Identifier: MIT
#include "BoardFilter.h"

#include "KeyedListModel.h"

#include <QLocale>

using namespace Qt::StringLiterals;

void BoardFilter::setText(const QString &text)
{
    if (text != m_text) {
        m_text = text;
        m_needle = QLocale().toLower(text.trimmed());
        bump();
    }
}

void BoardFilter::toggle(QStringList &list, const QString &value, bool on)
{
    if (value.isEmpty() || list.contains(value) == on) {
        return;
    }
    if (on) {
        list.append(value);
    } else {
        list.removeAll(value);
    }
    bump();
}

void BoardFilter::setLabel(const QString &id, bool on)
{
    toggle(m_labelIDs, id, on);
}

void BoardFilter::setMember(const QString &id, bool on)
{
    toggle(m_memberIDs, id, on);
}

void BoardFilter::setDue(const QString &kind, bool on)
{
    static const QStringList kinds{u"overdue"_s, u"week"_s, u"none"_s, u"complete"_s};
    if (kinds.contains(kind)) {
        toggle(m_dueKinds, kind, on);
    }
}

void BoardFilter::clear()
{
    setText(QString());
    clearPicked();
}

void BoardFilter::clearPicked()
{
    if (picked()) {
        m_labelIDs.clear();
        m_memberIDs.clear();
        m_dueKinds.clear();
        bump();
    }
}

void BoardFilter::bump()
{
    ++m_revision;
    Q_EMIT changed();
}

bool BoardFilter::accepts(const TrelloCard &card, const QDateTime &now) const
{
    if (!m_needle.isEmpty() && !QLocale().toLower(card.name).contains(m_needle)) {
        return false;
    }
    const auto anyOf = [](const QStringList &picked, const std::optional<QStringList> &held) {
        if (picked.isEmpty()) {
            return true;
        }
        return held && std::any_of(held->begin(), held->end(), [&](const QString &id) { return picked.contains(id); });
    };
    if (!anyOf(m_labelIDs, card.idLabels) || !anyOf(m_memberIDs, card.idMembers)) {
        return false;
    }
    if (m_dueKinds.isEmpty()) {
        return true;
    }
    const bool complete = card.dueComplete.value_or(false);
    const bool dated = card.due && card.due->isValid();
    // A due date exactly now is due in the coming week, not overdue; one exactly seven days
    // ahead is still in the week.
    const auto is = [&](const QString &kind) {
        if (kind == u"complete"_s) {
            return complete;
        }
        if (kind == u"none"_s) {
            return !dated;
        }
        if (!dated || complete) {
            return false;
        }
        if (kind == u"overdue"_s) {
            return *card.due < now;
        }
        return *card.due >= now && *card.due <= now.addDays(7);
    };
    return std::any_of(m_dueKinds.begin(), m_dueKinds.end(), is);
}

bool BoardFilter::accepts(const QVariant &card, const QDateTime &now) const
{
    if (card.metaType() != QMetaType::fromType<TrelloCard>()) {
        return true;
    }
    return accepts(*static_cast<const TrelloCard *>(card.constData()), now);
}

int BoardFilter::countIn(const KeyedListModel *cards, const QDateTime &now) const
{
    if (!cards) {
        return 0;
    }
    int count = 0;
    for (int row = 0; row < cards->count(); ++row) {
        count += accepts(cards->get(row), now) ? 1 : 0;
    }
    return count;
}
