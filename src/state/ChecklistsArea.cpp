// SPDX-License-Identifier: MIT
// A card's checklists and their items, and the badge that counts them on the card's tile.
#include "ChecklistsArea.h"

#include "Positions.h"

using namespace Qt::StringLiterals;

namespace {
const QString CompleteState = u"complete"_s;
const QString IncompleteState = u"incomplete"_s;

// The checklists by position, and so the items inside: the service answers those in the order
// they were made. Equal positions go by id, so every view and count agrees.
void arrange(QList<TrelloChecklist> &checklists)
{
    sortByPos(checklists);
    for (TrelloChecklist &checklist : checklists) {
        std::sort(checklist.checkItems.begin(), checklist.checkItems.end(),
                  [](const TrelloCheckItem &a, const TrelloCheckItem &b) {
                      return a.pos != b.pos ? a.pos < b.pos : a.id < b.id;
                  });
    }
}
} // namespace

ChecklistsArea::ChecklistsArea(StoreContext &context, QObject *parent)
    : QObject(parent), m_context(context)
{
    m_checklists.setLoadingHandler([this] { Q_EMIT loadingChecklistsChanged(); });
}

void ChecklistsArea::loadMissing(const QString &cardID)
{
    if (!m_checklists.contains(cardID) && !m_checklists.isLoading(cardID)) {
        refreshChecklists(cardID);
    }
}

void ChecklistsArea::recomputeBadge(const QString &cardID)
{
    qint64 total = 0;
    qint64 done = 0;
    for (const TrelloChecklist &checklist : m_checklists.value(cardID)) {
        for (const TrelloCheckItem &item : checklist.checkItems) {
            ++total;
            done += item.state == CompleteState ? 1 : 0;
        }
    }
    Q_EMIT checklistBadgeChanged(cardID, total, done);
}

template <typename Edit>
bool ChecklistsArea::editCheckItem(const QString &cardID, const QString &checkItemID, Edit edit)
{
    for (const TrelloChecklist &checklist : m_checklists.value(cardID)) {
        for (const TrelloCheckItem &item : checklist.checkItems) {
            if (item.id == checkItemID) {
                // A change to its checklist, so a reload under way keeps it.
                return m_checklists.update(checklist.id, [checkItemID, edit](TrelloChecklist &list) {
                    for (TrelloCheckItem &each : list.checkItems) {
                        if (each.id == checkItemID) {
                            edit(each);
                        }
                    }
                });
            }
        }
    }
    return false;
}

Operation ChecklistsArea::refreshChecklists(const QString &cardID)
{
    return m_context.operation(u"refreshChecklists"_s, {{"card", cardID}}, [this, cardID] { return loadChecklists(cardID); });
}

QCoro::Task<> ChecklistsArea::loadChecklists(QString cardID)
{
    const bool stored = co_await m_context.load(m_checklists, cardID, &TrelloAPI::fetchChecklists, arrange);
    if (stored) {
        recomputeBadge(cardID);
    }
}

Operation ChecklistsArea::createChecklist(const QString &cardID, const QString &name)
{
    return m_context.operation(u"createChecklist"_s, {{"card", cardID}}, [this, cardID, name]() -> QCoro::Task<> {
        co_await m_context.api().createChecklist(cardID, name);
        // The new checklist arrives with the reload, in its place among the others.
        co_await StoreContext::reloadAfterChange(loadChecklists(cardID));
    });
}

Operation ChecklistsArea::deleteChecklist(const QString &id)
{
    return m_context.operation(u"deleteChecklist"_s, {{"checklist", id}}, [this, id]() -> QCoro::Task<> {
        co_await m_context.api().deleteChecklist(id);
        if (const std::optional<QString> cardID = m_checklists.parentOf(id)) {
            m_checklists.removeRecord(id);
            recomputeBadge(*cardID);
        }
    });
}

Operation ChecklistsArea::addCheckItem(const QString &checklistID, const QString &name)
{
    return m_context.operation(u"addCheckItem"_s, {{"checklist", checklistID}}, [this, checklistID, name]() -> QCoro::Task<> {
        co_await m_context.api().addCheckItem(checklistID, name);
        if (const std::optional<QString> cardID = m_checklists.parentOf(checklistID)) {
            co_await StoreContext::reloadAfterChange(loadChecklists(*cardID));
        }
    });
}

Operation ChecklistsArea::renameCheckItem(const QString &cardID, const QString &checkItemID, const QString &name)
{
    return m_context.operation(u"renameCheckItem"_s, {{"card", cardID}, {"item", checkItemID}}, [=, this]() -> QCoro::Task<> {
        co_await m_context.api().renameCheckItem(cardID, checkItemID, name);
        editCheckItem(cardID, checkItemID, [name](TrelloCheckItem &item) { item.name = name; });
    });
}

Operation ChecklistsArea::toggleCheckItem(const QString &cardID, const QVariant &item)
{
    if (!cardID.trimmed().isEmpty() && (item.metaType() != QMetaType::fromType<TrelloCheckItem>() ||
                                        item.value<TrelloCheckItem>().id.isEmpty())) {
        return m_context.refuse(u"toggleCheckItem"_s,
                                tr("Nothing was sent: that is not a checklist item."));
    }
    const QString checkItemID = item.value<TrelloCheckItem>().id;
    // Anything but "complete" counts as not done, so ticking it sends complete.
    const bool complete = item.value<TrelloCheckItem>().state != CompleteState;
    return m_context.operation(u"toggleCheckItem"_s, {{"card", cardID}}, [=, this]() -> QCoro::Task<> {
        const auto show = [this, cardID, checkItemID](bool done) {
            if (editCheckItem(cardID, checkItemID, [done](TrelloCheckItem &each) {
                    each.state = done ? CompleteState : IncompleteState;
                })) {
                recomputeBadge(cardID);
            }
        };
        // The tick shows at once; a refusal puts back the state this tick started from.
        show(complete);
        auto sending = StoreContext::sendOrUndo(m_context.api().setCheckItemState(cardID, checkItemID, complete),
                                                [show, complete] { show(!complete); });
        co_await std::move(sending);
    });
}

Operation ChecklistsArea::deleteCheckItem(const QString &checklistID, const QString &checkItemID)
{
    return m_context.operation(u"deleteCheckItem"_s, {{"checklist", checklistID}, {"item", checkItemID}},
                               [this, checklistID, checkItemID]() -> QCoro::Task<> {
        co_await m_context.api().deleteCheckItem(checklistID, checkItemID);
        if (const std::optional<QString> cardID = m_checklists.parentOf(checklistID)) {
            m_checklists.update(checklistID, [checkItemID](TrelloChecklist &checklist) {
                checklist.checkItems.removeIf(
                    [&checkItemID](const TrelloCheckItem &each) { return each.id == checkItemID; });
            });
            recomputeBadge(*cardID);
        }
    });
}
