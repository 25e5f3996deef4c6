// SPDX-License-Identifier: MIT
// Cards and the labels and members on them.
#include "Routes.h"

using namespace Qt::StringLiterals;

namespace sandbox::routes {

namespace {
Response getListCards(Call &call)
{
    const auto &list = need(call.store.lists, call.ids[0]);
    const std::string filter = call.param("filter").value_or("open");
    if (filter != "open" && filter != "closed" && filter != "all" && filter != "none" &&
        filter != "visible") {
        failText(400, "invalid value for filter");
    }
    QJsonArray out;
    if (filter != "none") {
        const bool open = filter != "closed";
        const bool closed = filter == "closed" || filter == "all";
        for (const auto *card : call.store.cardsOf(list.id, open, closed)) {
            out.append(json::pick(json::card(call.store, *card), call.param("fields")));
        }
    }
    return ok(out);
}

Response getCard(Call &call)
{
    const auto &card = need(call.store.cards, call.ids[0]);
    return ok(json::pick(json::card(call.store, card), call.param("fields")));
}

std::optional<QDateTime> dueParam(const std::string &text)
{
    const auto due = parseDue(text);
    if (!due) {
        failText(400, "invalid value for due");
    }
    return *due;
}

Response createCard(Call &call)
{
    auto &store = call.store;
    const std::string idList = call.param("idList").value_or("");
    if (!store::Store::isId(idList) || !store.lists.count(idList)) {
        failText(400, "invalid value for idList");
    }
    const store::PosRequest pos = position(call.param("pos").value_or("bottom"));
    std::optional<QDateTime> due;
    if (const auto text = call.param("due")) {
        due = dueParam(*text);
    }
    const bool dueComplete = call.flag("dueComplete", false);
    auto &card =
        store.addCard(idList, call.param("name").value_or(""), pos, QDateTime::currentDateTimeUtc());
    card.desc = call.param("desc").value_or("");
    card.due = due;
    card.dueComplete = dueComplete;
    QJsonObject out = withLimits(json::card(store, card));
    out.insert(u"attachments"_s, QJsonArray());
    out.insert(u"stickers"_s, QJsonArray());
    return ok(out);
}

Response updateCard(Call &call)
{
    auto &store = call.store;
    auto &card = need(store.cards, call.ids[0]);
    // Everything is checked before anything changes, so a refused update leaves no trace.
    const auto name = call.param("name");
    if (name && trimmed(*name).empty()) {
        failText(400, "invalid value for name");
    }
    std::optional<std::optional<QDateTime>> due;
    if (const auto text = call.param("due")) {
        due = dueParam(*text);
    }
    const bool dueComplete = call.flag("dueComplete", card.dueComplete);
    const bool closed = call.flag("closed", card.closed);
    const store::List *target = nullptr;
    if (const auto idList = call.param("idList")) {
        const auto it = store.lists.find(*idList);
        if (!store::Store::isId(*idList) || it == store.lists.end()) {
            failText(400, "invalid value for idList");
        }
        target = &it->second;
    }
    std::optional<store::PosRequest> pos;
    if (const auto text = call.param("pos")) {
        pos = position(*text);
    }

    if (name) {
        card.name = *name;
    }
    if (const auto desc = call.param("desc")) {
        card.desc = *desc;
    }
    if (due) {
        card.due = *due;
        if (!card.due) {
            card.dueReminder.reset(); // a reminder of no date
        }
    }
    card.dueComplete = dueComplete;
    bool replace = pos.has_value() || (card.closed && !closed);
    card.closed = closed;
    if (target && target->id != card.idList) {
        replace = true;
        card.idList = target->id;
        if (target->idBoard != card.idBoard) {
            // Labels belong to a board; they do not follow the card to another one.
            card.idBoard = target->idBoard;
            card.idShort = store.boards.at(card.idBoard).nextIdShort++;
            std::erase_if(card.idLabels, [&](const std::string &id) {
                return store.labels.at(id).idBoard != card.idBoard;
            });
        }
    }
    if (replace && !card.closed) {
        store.placeCard(card, pos.value_or(store::PosRequest{store::PosRequest::Number, card.pos}));
    } else if (pos && pos->kind == store::PosRequest::Number) {
        card.pos = pos->value;
    }
    store.touch(card);
    return ok(json::card(store, card));
}

Response deleteCard(Call &call)
{
    need(call.store.cards, call.ids[0]);
    call.store.removeCard(call.ids[0]);
    return deletedLimits();
}

// Ids given as parameters must be well-formed before they are looked up.
std::string idParam(Call &call, const std::string &name)
{
    const std::string value = call.param(name).value_or("");
    if (!store::Store::isId(value)) {
        failJson(400, "Invalid objectId", "ERROR");
    }
    return value;
}

Response addLabel(Call &call)
{
    auto &card = need(call.store.cards, call.ids[0]);
    const std::string id = idParam(call, "value");
    const auto label = call.store.labels.find(id);
    if (label == call.store.labels.end() || label->second.idBoard != card.idBoard) {
        failText(400, "invalid value for value");
    }
    if (std::count(card.idLabels.begin(), card.idLabels.end(), id)) {
        failText(400, "that label is already on the card");
    }
    card.idLabels.push_back(id);
    call.store.touch(card);
    QJsonArray out;
    for (const auto &labelId : card.idLabels) {
        out.append(json::str(labelId));
    }
    return ok(out);
}

Response removeLabel(Call &call)
{
    auto &card = need(call.store.cards, call.ids[0]);
    need(call.store.labels, call.ids[1]);
    if (!std::erase(card.idLabels, call.ids[1])) {
        failText(400, "that label is not on the card");
    }
    call.store.touch(card);
    return deletedValue();
}

QJsonArray cardMembers(const Call &call, const store::Card &card)
{
    QJsonArray out;
    for (const auto &id : card.idMembers) {
        out.append(json::pick(json::member(call.store, call.store.members.at(id)),
                              "username,fullName,initials,avatarHash,avatarUrl,activityBlocked,"
                              "idMemberReferrer,nonPublic,nonPublicAvailable"));
    }
    return out;
}

Response addMember(Call &call)
{
    auto &card = need(call.store.cards, call.ids[0]);
    const std::string id = idParam(call, "value");
    const auto &board = call.store.boards.at(card.idBoard);
    if (!call.store.members.count(id) ||
        !std::count(board.memberIds.begin(), board.memberIds.end(), id)) {
        failText(400, "invalid value for value");
    }
    if (std::count(card.idMembers.begin(), card.idMembers.end(), id)) {
        failText(400, "member is already on the card");
    }
    card.idMembers.push_back(id);
    call.store.touch(card);
    return ok(cardMembers(call, card));
}

Response removeMember(Call &call)
{
    auto &card = need(call.store.cards, call.ids[0]);
    need(call.store.members, call.ids[1]);
    if (!std::erase(card.idMembers, call.ids[1])) {
        failText(400, "member is not on the card");
    }
    call.store.touch(card);
    return ok(cardMembers(call, card));
}
} // namespace

void addCardRoutes(std::vector<Route> &routes)
{
    routes.insert(routes.end(), {
        {"GET", {"lists", ":id", "cards"}, getListCards},
        {"POST", {"cards"}, createCard},
        {"GET", {"cards", ":id"}, getCard},
        {"PUT", {"cards", ":id"}, updateCard},
        {"DELETE", {"cards", ":id"}, deleteCard},
        {"POST", {"cards", ":id", "idLabels"}, addLabel},
        {"DELETE", {"cards", ":id", "idLabels", ":id"}, removeLabel},
        {"POST", {"cards", ":id", "idMembers"}, addMember},
        {"DELETE", {"cards", ":id", "idMembers", ":id"}, removeMember},
    });
}

} // namespace sandbox::routes
