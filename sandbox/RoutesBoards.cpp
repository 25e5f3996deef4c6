// SPDX-License-Identifier: MIT
// Members, boards and lists.
#include "Routes.h"

using namespace Qt::StringLiterals;

namespace sandbox::routes {

namespace {
const store::Member &memberNamed(Call &call, const std::string &who)
{
    if (who == "me") {
        return call.store.members.at(call.memberId);
    }
    for (const auto &[id, member] : call.store.members) {
        if (id == who || member.username == who) {
            return member;
        }
    }
    notFound();
}

Response getMember(Call &call)
{
    const auto &member = memberNamed(call, call.ids[0]);
    QJsonObject out = json::member(call.store, member);
    QJsonArray boards;
    for (const auto &[id, board] : call.store.boards) {
        if (std::count(board.memberIds.begin(), board.memberIds.end(), member.id)) {
            boards.append(json::str(id));
        }
    }
    out.insert(u"idBoards"_s, boards);
    return ok(json::pick(out, call.param("fields")));
}

Response getMemberBoards(Call &call)
{
    const auto &member = memberNamed(call, call.ids[0]);
    const std::string filter = call.param("filter").value_or("all");
    static const std::vector<std::string> kKnown{"all",     "open",         "closed", "starred",
                                                 "members", "organization", "public"};
    if (std::find(kKnown.begin(), kKnown.end(), filter) == kKnown.end()) {
        failText(400, "invalid value for filter");
    }
    QJsonArray out;
    for (const auto &[id, board] : call.store.boards) {
        const bool mine =
            std::count(board.memberIds.begin(), board.memberIds.end(), member.id) > 0;
        const bool wanted = (filter == "open" && !board.closed) ||
                            (filter == "closed" && board.closed) ||
                            (filter == "starred" && board.starred) ||
                            (filter != "open" && filter != "closed" && filter != "starred");
        if (mine && wanted) {
            out.append(json::pick(json::board(call.store, board), call.param("fields")));
        }
    }
    return ok(out);
}

// The open cards the member is on, on open lists of the open boards they are on: all the
// caller may see of them.
Response getMemberCards(Call &call)
{
    const auto &member = memberNamed(call, call.ids[0]);
    const std::string filter = call.param("filter").value_or("visible");
    static const std::vector<std::string> kKnown{"all",  "closed",   "complete", "incomplete",
                                                 "none", "open",     "visible"};
    if (std::find(kKnown.begin(), kKnown.end(), filter) == kKnown.end()) {
        failText(400, "invalid value for filter");
    }
    const auto on = [](const std::vector<std::string> &ids, const std::string &id) {
        return std::find(ids.begin(), ids.end(), id) != ids.end();
    };
    QJsonArray out;
    if (filter == "none") {
        return ok(out);
    }
    for (const auto &[id, card] : call.store.cards) {
        const store::Board &board = call.store.boards.at(card.idBoard);
        const store::List &list = call.store.lists.at(card.idList);
        if (!on(card.idMembers, member.id) || !on(board.memberIds, call.memberId) ||
            !on(board.memberIds, member.id)) {
            continue;
        }
        const bool wanted = filter == "all" || (filter == "closed" && card.closed) ||
                            (filter == "open" && !card.closed) ||
                            (filter == "complete" && card.dueComplete) ||
                            (filter == "incomplete" && !card.dueComplete) ||
                            (filter == "visible" && !card.closed && !list.closed && !board.closed);
        if (wanted) {
            out.append(json::pick(json::card(call.store, card), call.param("fields")));
        }
    }
    return ok(out);
}

Response getBoard(Call &call)
{
    const auto &board = need(call.store.boards, call.ids[0]);
    return ok(json::pick(json::board(call.store, board), call.param("fields")));
}

Response createBoard(Call &call)
{
    const std::string name = trimmed(call.param("name").value_or(""));
    if (name.empty()) {
        failJson(400, "invalid value for name", "ERROR");
    }
    auto &store = call.store;
    auto &board = store.addBoard(name, call.param("desc").value_or(""),
                                 QDateTime::currentDateTimeUtc());
    board.memberIds = {call.memberId};
    if (call.flag("defaultLabels", true)) {
        for (const char *color : {"green", "yellow", "orange", "red", "purple", "blue"}) {
            store.addLabel(board.id, "", std::string(color));
        }
    }
    if (call.flag("defaultLists", true)) {
        for (const char *name : {"To Do", "Doing", "Done"}) {
            store.addList(board.id, name, {store::PosRequest::Bottom, 0});
        }
    }
    return ok(withLimits(json::board(store, board)));
}

Response updateBoard(Call &call)
{
    auto &board = need(call.store.boards, call.ids[0]);
    if (const auto name = call.param("name")) {
        if (trimmed(*name).empty()) {
            failJson(400, "invalid value for name", "ERROR");
        }
        board.name = trimmed(*name);
    }
    if (const auto desc = call.param("desc")) {
        board.desc = *desc;
    }
    board.closed = call.flag("closed", board.closed);
    board.starred = call.flag("starred", board.starred);
    board.lastActivity = QDateTime::currentDateTimeUtc();
    return ok(json::board(call.store, board));
}

Response getBoardLists(Call &call)
{
    const auto &board = need(call.store.boards, call.ids[0]);
    const std::string filter = call.param("filter").value_or("open");
    if (filter != "open" && filter != "closed" && filter != "all" && filter != "none") {
        failText(400, "invalid value for filter");
    }
    QJsonArray out;
    if (filter != "none") {
        for (const auto *list : call.store.listsOf(board.id, filter != "closed", filter != "open")) {
            out.append(json::pick(json::list(*list), call.param("fields")));
        }
    }
    return ok(out);
}

Response getBoardLabels(Call &call)
{
    const auto &board = need(call.store.boards, call.ids[0]);
    const std::string limitText = call.param("limit").value_or("50");
    const int limit = std::atoi(limitText.c_str());
    if (limitText.empty() || limitText.find_first_not_of("0123456789") != std::string::npos ||
        limit > 1000) {
        failText(400, "invalid value for limit");
    }
    QJsonArray out;
    for (const auto &[id, label] : call.store.labels) {
        if (label.idBoard == board.id && out.size() < limit) {
            out.append(json::pick(json::label(call.store, label, true), call.param("fields")));
        }
    }
    return ok(out);
}

Response getBoardMembers(Call &call)
{
    const auto &board = need(call.store.boards, call.ids[0]);
    const std::string fields = call.param("fields").value_or("username,fullName");
    QJsonArray out;
    for (const auto &id : board.memberIds) {
        out.append(json::pick(json::member(call.store, call.store.members.at(id)), fields));
    }
    return ok(out);
}

Response getList(Call &call)
{
    return ok(json::pick(json::list(need(call.store.lists, call.ids[0])), call.param("fields")));
}

std::string listName(const std::optional<std::string> &name)
{
    const std::string value = trimmed(name.value_or(""));
    if (value.empty()) {
        failJson(400, "invalid value for name", "BAD_REQUEST_ERROR");
    }
    return value;
}

Response createList(Call &call)
{
    const std::string idBoard = call.param("idBoard").value_or("");
    if (!store::Store::isId(idBoard)) {
        failText(400, "invalid value for idBoard");
    }
    if (!call.store.boards.count(idBoard)) {
        failText(401, "unauthorized board list requested " + idBoard);
    }
    const std::string name = listName(call.param("name"));
    // Without a position the service puts a new list first; the client always says "bottom".
    const store::PosRequest pos = position(call.param("pos").value_or("top"));
    auto &list = call.store.addList(idBoard, name, pos);
    return ok(withLimits(json::list(list)));
}

Response updateList(Call &call)
{
    auto &list = need(call.store.lists, call.ids[0]);
    std::optional<std::string> name;
    if (call.param("name")) {
        name = listName(call.param("name"));
    }
    std::optional<store::PosRequest> pos;
    if (const auto text = call.param("pos")) {
        pos = position(*text);
    }
    const bool closed = call.flag("closed", list.closed);
    if (name) {
        list.name = *name;
    }
    const bool reopened = list.closed && !closed;
    list.closed = closed;
    if (pos || reopened) {
        call.store.placeList(list, pos.value_or(store::PosRequest{store::PosRequest::Number, list.pos}));
    }
    return ok(json::list(list));
}

Response closeList(Call &call)
{
    auto &list = need(call.store.lists, call.ids[0]);
    const auto value = call.param("value");
    if (value != "true" && value != "false") {
        failText(400, "invalid value for value");
    }
    const bool reopened = list.closed && *value == "false";
    list.closed = *value == "true";
    if (reopened) {
        call.store.placeList(list, {store::PosRequest::Number, list.pos});
    }
    return ok(json::list(list));
}
} // namespace

void addMemberAndBoardRoutes(std::vector<Route> &routes)
{
    routes.insert(routes.end(), {
        {"GET", {"members", "*"}, getMember},
        {"GET", {"members", "*", "boards"}, getMemberBoards},
        {"GET", {"members", "*", "cards"}, getMemberCards},
        {"POST", {"boards"}, createBoard},
        {"GET", {"boards", ":id"}, getBoard},
        {"PUT", {"boards", ":id"}, updateBoard},
        {"GET", {"boards", ":id", "lists"}, getBoardLists},
        {"GET", {"boards", ":id", "labels"}, getBoardLabels},
        {"GET", {"boards", ":id", "members"}, getBoardMembers},
        {"POST", {"lists"}, createList},
        {"GET", {"lists", ":id"}, getList},
        {"PUT", {"lists", ":id"}, updateList},
        {"PUT", {"lists", ":id", "closed"}, closeList},
    });
}

} // namespace sandbox::routes
