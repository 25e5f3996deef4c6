// SPDX-License-Identifier: MIT
#include "OpenCard.h"

#include "AppState.h"

#include <QQmlEngine>

using namespace Qt::StringLiterals;

namespace {
// Editors open on each card. A card reopened quickly gets its new editor before the old one is
// gone; the old one must not then take the details away from under the new one's views.
QHash<QString, int> &openEditors()
{
    static QHash<QString, int> counts;
    return counts;
}
} // namespace

OpenCard::OpenCard(QObject *parent) : OpenCard(AppState::instance(), parent) {}

OpenCard::OpenCard(AppState *store, QObject *parent) : QObject(parent), m_store(store) {}

OpenCard::~OpenCard()
{
    // The comments, checklists and attachments go with the last editor on the card; the tile
    // keeps its badges.
    if (m_cardID.isEmpty()) {
        return;
    }
    if (--openEditors()[m_cardID] > 0) {
        return;
    }
    openEditors().remove(m_cardID);
    if (m_store) {
        m_store->releaseCardDetails(m_cardID);
    }
}

void OpenCard::setCardID(const QString &id)
{
    if (!m_cardID.isEmpty() || id.isEmpty()) {
        return;
    }
    m_cardID = id;
    ++openEditors()[m_cardID];
    Q_EMIT cardIDChanged();
}

void OpenCard::takeCard(const QVariant &value)
{
    if (value.metaType() != QMetaType::fromType<TrelloCard>()) {
        return;
    }
    const TrelloCard card = value.value<TrelloCard>();
    setCardID(card.id);
    m_boardID = card.idBoard;
    m_name = card.name;
    m_desc = card.desc.value_or(QString());
    m_listID = card.idList;
    m_dueEnabled = card.due.has_value();
    m_due = card.due.value_or(QDateTime::currentDateTime().addDays(1));
    m_dueComplete = card.dueComplete.value_or(false);
    Q_EMIT nameChanged();
    Q_EMIT descChanged();
    Q_EMIT listIDChanged();
    Q_EMIT dueEnabledChanged();
    Q_EMIT dueChanged();
    Q_EMIT dueCompleteChanged();
}

void OpenCard::loadSections()
{
    if (!m_store || m_cardID.isEmpty()) {
        return;
    }
    m_store->loadCardDetails(m_cardID);
    if (!m_boardID.isEmpty() && (!m_store->boards()->labels().contains(m_boardID) ||
                                 !m_store->boards()->members().contains(m_boardID))) {
        m_store->boards()->loadBoardMeta(m_boardID);
    }
}

void OpenCard::setSaving(bool saving)
{
    if (m_isSaving != saving) {
        m_isSaving = saving;
        Q_EMIT isSavingChanged();
    }
}

Operation OpenCard::save()
{
    const TrelloCard *current = m_store ? m_store->cards()->cards().record(m_cardID) : nullptr;
    const QString title = m_name.trimmed();
    if (!current || title.isEmpty() || m_isSaving) {
        return Operation::finished(Outcome::failure(QString()));
    }
    QVariantMap patch;
    if (title != current->name) {
        patch.insert(u"name"_s, title);
    }
    if (m_desc != current->desc.value_or(QString())) {
        patch.insert(u"desc"_s, m_desc);
    }
    if (m_dueEnabled) {
        patch.insert(u"due"_s, m_due);
        patch.insert(u"dueComplete"_s, m_dueComplete);
    } else if (current->due) {
        patch.insert(u"due"_s, QVariant::fromValue(nullptr));
    }
    if (m_listID != current->idList) {
        patch.insert(u"idList"_s, m_listID);
    }
    setSaving(true);
    Operation saving = m_store->cards()->updateCard(m_cardID, patch);
    return Operation(endSaving(std::move(saving)), qmlEngine(this));
}

QCoro::Task<Outcome> OpenCard::endSaving(Operation saving)
{
    const QPointer<OpenCard> self(this);
    const Outcome outcome = co_await saving;
    if (self) {
        self->setSaving(false);
    }
    co_return outcome;
}
