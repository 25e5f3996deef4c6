// SPDX-License-Identifier: MIT
// Checklists and their items.
#include "Routes.h"

using namespace Qt::StringLiterals;

namespace sandbox::routes {

namespace {
QJsonObject checklistAnswer(const Call &call, const store::Checklist &checklist)
{
    const std::string items = call.param("checkItems").value_or("all");
    if (items != "all" && items != "none") {
        failText(400, "invalid value for checkItems");
    }
    const QJsonObject full =
        json::checklist(call.store, checklist, call.param("checkItem_fields"), items == "all");
    QJsonObject out = json::pick(full, call.param("fields"));
    if (items == "all") {
        out.insert(u"checkItems"_s, full.value(u"checkItems"_s)); // asked for separately
    }
    return out;
}

Response getCardChecklists(Call &call)
{
    const auto &card = need(call.store.cards, call.ids[0]);
    QJsonArray out;
    for (const auto *checklist : call.store.checklistsOf(card.id)) {
        out.append(checklistAnswer(call, *checklist));
    }
    return ok(out);
}

Response getChecklist(Call &call)
{
    return ok(checklistAnswer(call, need(call.store.checklists, call.ids[0])));
}

Response createChecklist(Call &call)
{
    const std::string idCard = call.param("idCard").value_or("");
    if (!store::Store::isId(idCard) || !call.store.cards.count(idCard)) {
        failText(400, "invalid value for idCard");
    }
    std::string name = trimmed(call.param("name").value_or(""));
    if (name.empty()) {
        name = "Checklist";
    }
    auto &checklist = call.store.addChecklist(idCard, name);
    if (const auto pos = call.param("pos")) {
        const store::PosRequest request = position(*pos);
        if (request.kind == store::PosRequest::Number) {
            checklist.pos = request.value;
        }
    }
    call.store.touch(call.store.cards.at(idCard));
    return ok(withLimits(json::checklist(call.store, checklist, std::nullopt, true)));
}

Response deleteChecklist(Call &call)
{
    const auto &checklist = need(call.store.checklists, call.ids[0]);
    const std::string cardId = checklist.idCard;
    call.store.removeChecklist(call.ids[0]);
    call.store.touch(call.store.cards.at(cardId));
    return deletedLimits();
}

Response addCheckItem(Call &call)
{
    const auto &checklist = need(call.store.checklists, call.ids[0]);
    const std::string name = trimmed(call.param("name").value_or(""));
    if (name.empty()) {
        failText(400, "invalid value for name");
    }
    const store::PosRequest pos = position(call.param("pos").value_or("bottom"));
    const bool checked = call.flag("checked", false);
    auto &item = call.store.addCheckItem(checklist.id, name, pos);
    item.complete = checked;
    call.store.touch(call.store.cards.at(checklist.idCard));
    QJsonObject out = withLimits(json::checkItem(item));
    out.remove(u"type"_s);
    out.remove(u"creationMethod"_s);
    return ok(out);
}

Response updateCheckItem(Call &call)
{
    auto &card = need(call.store.cards, call.ids[0]);
    auto &item = need(call.store.checkItems, call.ids[1]);
    if (call.store.checklists.at(item.idChecklist).idCard != card.id) {
        notFound();
    }
    const auto name = call.param("name");
    if (name && trimmed(*name).empty()) {
        failText(400, "invalid value for name");
    }
    const auto state = call.param("state");
    if (state && *state != "complete" && *state != "incomplete" && *state != "true" &&
        *state != "false") {
        failText(400, "invalid value for state");
    }
    std::optional<store::PosRequest> pos;
    if (const auto text = call.param("pos")) {
        pos = position(*text);
    }
    if (name) {
        item.name = trimmed(*name);
    }
    if (state) {
        item.complete = *state == "complete" || *state == "true";
    }
    if (pos) {
        call.store.placeCheckItem(item, *pos);
    }
    call.store.touch(card);
    return ok(json::checkItem(item));
}

Response deleteCheckItem(Call &call)
{
    const auto &checklist = need(call.store.checklists, call.ids[0]);
    const auto &item = need(call.store.checkItems, call.ids[1]);
    if (item.idChecklist != checklist.id) {
        notFound();
    }
    call.store.checkItems.erase(call.ids[1]);
    call.store.touch(call.store.cards.at(checklist.idCard));
    return deletedLimits();
}
} // namespace

void addChecklistRoutes(std::vector<Route> &routes)
{
    routes.insert(routes.end(), {
        {"GET", {"cards", ":id", "checklists"}, getCardChecklists},
        {"POST", {"checklists"}, createChecklist},
        {"GET", {"checklists", ":id"}, getChecklist},
        {"DELETE", {"checklists", ":id"}, deleteChecklist},
        {"POST", {"checklists", ":id", "checkItems"}, addCheckItem},
        {"PUT", {"cards", ":id", "checkItem", ":id"}, updateCheckItem},
        {"DELETE", {"checklists", ":id", "checkItems", ":id"}, deleteCheckItem},
    });
}

} // namespace sandbox::routes
