// SPDX-License-Identifier: MIT
// The member's notifications: listing them and marking them read.
#include "Routes.h"

#include <QStringList>

using namespace Qt::StringLiterals;

namespace sandbox::routes {

namespace {
// The notifications route answers for the token's own member only.
void needSelf(const Call &call, const std::string &who)
{
    const auto me = call.store.members.find(call.memberId);
    if (who != "me" && who != call.memberId &&
        (me == call.store.members.end() || who != me->second.username)) {
        failText(401, "unauthorized permission requested");
    }
}

QJsonObject notificationJson(const Call &call, const store::Notification &n)
{
    const store::Store &store = call.store;
    QJsonObject data;
    if (const auto card = store.cards.find(n.idCard); card != store.cards.end()) {
        const store::Card &c = card->second;
        data.insert(u"card"_s, QJsonObject{{u"id"_s, json::str(c.id)},
                                           {u"name"_s, json::str(c.name)},
                                           {u"idShort"_s, c.idShort},
                                           {u"shortLink"_s, json::str(c.shortLink)}});
        if (const auto list = store.lists.find(c.idList); list != store.lists.end()) {
            data.insert(u"list"_s, QJsonObject{{u"id"_s, json::str(list->first)},
                                               {u"name"_s, json::str(list->second.name)}});
        }
    }
    if (const auto board = store.boards.find(n.idBoard); board != store.boards.end()) {
        data.insert(u"board"_s, QJsonObject{{u"id"_s, json::str(board->first)},
                                            {u"name"_s, json::str(board->second.name)},
                                            {u"shortLink"_s, json::str(board->second.shortLink)}});
    }
    if (!n.text.empty()) {
        data.insert(u"text"_s, json::str(n.text));
    }
    QJsonObject out{
        {u"id"_s, json::str(n.id)},
        {u"unread"_s, n.unread},
        {u"type"_s, json::str(n.type)},
        {u"date"_s, json::date(n.date)},
        {u"dateRead"_s, QJsonValue()},
        {u"data"_s, data},
        {u"idMemberCreator"_s, json::str(n.idMemberCreator)},
        {u"idAction"_s, QJsonValue()},
        {u"reactions"_s, QJsonArray()},
    };
    out = json::pick(out, call.param("fields"));
    if (call.flag("memberCreator", true)) {
        if (const auto creator = store.members.find(n.idMemberCreator);
            creator != store.members.end()) {
            out.insert(u"memberCreator"_s, json::pick(json::member(store, creator->second),
                                                      call.param("memberCreator_fields")));
        }
    }
    return out;
}

Response getNotifications(Call &call)
{
    needSelf(call, call.ids[0]);
    const std::string filter = call.param("read_filter").value_or("all");
    if (filter != "all" && filter != "read" && filter != "unread") {
        failText(400, "invalid value for read_filter");
    }
    int limit = 50;
    if (const auto text = call.param("limit")) {
        bool numeric = false;
        limit = json::str(*text).toInt(&numeric);
        if (!numeric || limit < 1 || limit > 1000) {
            failText(400, "invalid value for limit");
        }
    }
    const std::string since = call.param("since").value_or("");
    if (!since.empty() && !store::Store::isId(since)) {
        failText(400, "invalid value for since");
    }
    QJsonArray out;
    // Newest first; ids grow with their dates.
    for (auto it = call.store.notifications.rbegin();
         it != call.store.notifications.rend() && out.size() < limit; ++it) {
        const store::Notification &n = it->second;
        if (n.idMember != call.memberId || (!since.empty() && n.id <= since) ||
            (filter == "unread" && !n.unread) || (filter == "read" && n.unread)) {
            continue;
        }
        out.append(notificationJson(call, n));
    }
    return ok(out);
}

store::Notification &ownNotification(Call &call, const std::string &id)
{
    store::Notification &n = need(call.store.notifications, id);
    if (n.idMember != call.memberId) {
        failText(401, "unauthorized permission requested");
    }
    return n;
}

Response updateNotification(Call &call)
{
    store::Notification &n = ownNotification(call, call.ids[0]);
    if (call.param("unread")) {
        n.unread = call.flag("unread", n.unread);
    }
    return ok(notificationJson(call, n));
}

// Marks the listed ones (all of the member's without `ids`) read, or unread with read=false.
Response markAllRead(Call &call)
{
    const bool read = call.flag("read", true);
    const std::string ids = call.param("ids").value_or("");
    if (ids.empty()) {
        for (auto &[id, n] : call.store.notifications) {
            if (n.idMember == call.memberId) {
                n.unread = !read;
            }
        }
        return ok(QJsonArray());
    }
    std::vector<store::Notification *> chosen;
    for (const QString &id : json::str(ids).split(u',')) {
        if (!store::Store::isId(id.toStdString())) {
            failText(400, "invalid value for ids");
        }
        chosen.push_back(&ownNotification(call, id.toStdString()));
    }
    for (store::Notification *n : chosen) {
        n->unread = !read;
    }
    return ok(QJsonArray());
}

Response markCardNotificationsRead(Call &call)
{
    need(call.store.cards, call.ids[0]);
    for (auto &[id, n] : call.store.notifications) {
        if (n.idMember == call.memberId && n.idCard == call.ids[0]) {
            n.unread = false;
        }
    }
    return ok(QJsonArray());
}
} // namespace

void addNotificationRoutes(std::vector<Route> &routes)
{
    routes.insert(routes.end(), {
        {"GET", {"members", "*", "notifications"}, getNotifications},
        {"PUT", {"notifications", ":id"}, updateNotification},
        {"POST", {"notifications", "all", "read"}, markAllRead},
        {"POST", {"cards", ":id", "markAssociatedNotificationsRead"}, markCardNotificationsRead},
    });
}

} // namespace sandbox::routes
