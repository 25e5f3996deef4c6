// SPDX-License-Identifier: MIT
// Comments (the service's comment actions) and their emoji reactions.
#include "Routes.h"

using namespace Qt::StringLiterals;

namespace sandbox::routes {

namespace {
int limitParam(const Call &call, int fallback)
{
    const auto text = call.param("limit");
    if (!text) {
        return fallback;
    }
    if (text->empty() || text->find_first_not_of("0123456789") != std::string::npos ||
        text->size() > 4 || std::stoi(*text) > 1000) {
        failText(400, "invalid value for limit");
    }
    return std::stoi(*text);
}

Response getCardActions(Call &call)
{
    const auto &card = need(call.store.cards, call.ids[0]);
    const std::string filter = call.param("filter").value_or("commentCard,updateCard:idList");
    const bool comments = filter == "all" || QString::fromStdString(filter)
                                                 .split(u',')
                                                 .contains(u"commentCard"_s);
    const int limit = limitParam(call, 50);
    std::vector<const store::Comment *> found;
    if (comments) {
        for (const auto &[id, comment] : call.store.comments) {
            if (comment.idCard == card.id) {
                found.push_back(&comment);
            }
        }
    }
    // Newest first; ids carry the creation time, so they break ties the same way.
    std::sort(found.begin(), found.end(), [](const auto *a, const auto *b) {
        return a->date != b->date ? a->date > b->date : a->id > b->id;
    });
    QJsonArray out;
    for (const auto *comment : found) {
        if (out.size() >= limit) {
            break;
        }
        out.append(json::comment(call.store, *comment));
    }
    return ok(out);
}

QJsonObject withDisplay(const Call &call, const store::Comment &comment)
{
    QJsonObject out = json::comment(call.store, comment);
    out.insert(u"display"_s,
               QJsonObject{{u"translationKey"_s, u"action_comment_on_card"_s},
                           {u"entities"_s, QJsonObject()}});
    out.insert(u"entities"_s, QJsonArray());
    return out;
}

Response addComment(Call &call)
{
    auto &card = need(call.store.cards, call.ids[0]);
    const std::string text = call.param("text").value_or("");
    if (trimmed(text).empty()) {
        failText(400, "invalid value for text");
    }
    const auto &comment = call.store.addComment(card.id, call.memberId, text,
                                                QDateTime::currentDateTimeUtc());
    call.store.touch(card);
    return ok(withDisplay(call, comment));
}

Response getAction(Call &call)
{
    return ok(withDisplay(call, need(call.store.comments, call.ids[0])));
}

Response editComment(Call &call)
{
    auto &comment = need(call.store.comments, call.ids[0]);
    const std::string text =
        call.param("value").value_or(call.param("text").value_or(""));
    if (trimmed(text).empty()) {
        failText(400, "invalid value for value");
    }
    if (comment.idMember != call.memberId) {
        failText(401, "unauthorized permission requested");
    }
    comment.text = text;
    comment.edited = QDateTime::currentDateTimeUtc();
    return ok(json::comment(call.store, comment));
}

Response deleteComment(Call &call)
{
    need(call.store.comments, call.ids[0]);
    call.store.removeComment(call.ids[0]);
    return deletedValue();
}

Response getReactions(Call &call)
{
    const auto &comment = need(call.store.comments, call.ids[0]);
    const bool withMember = call.flag("member", true);
    const bool withEmoji = call.flag("emoji", true);
    QJsonArray out;
    for (const auto &[id, reaction] : call.store.reactions) {
        if (reaction.idAction != comment.id) {
            continue;
        }
        QJsonObject item = json::reaction(call.store, reaction, withMember);
        if (!withEmoji) {
            item.remove(u"emoji"_s);
        }
        out.append(item);
    }
    return ok(out);
}

Response addReaction(Call &call)
{
    const auto &comment = need(call.store.comments, call.ids[0]);
    std::string shortName = call.param("shortName").value_or("");
    if (shortName.empty()) {
        // The other ways of naming an emoji that the service accepts.
        const json::Emoji *emoji = json::findEmojiByCode(call.param("unified").value_or(""),
                                                         call.param("native").value_or(""));
        shortName = emoji ? emoji->shortName : "";
    }
    const json::Emoji *named = json::findEmoji(shortName);
    if (!named) {
        failText(400, "invalid value for shortName");
    }
    std::vector<std::string> distinct;
    for (const auto &[id, reaction] : call.store.reactions) {
        if (reaction.idAction != comment.id) {
            continue;
        }
        if (reaction.idMember == call.memberId && reaction.shortName == shortName) {
            // Reacting twice with the same emoji changes nothing.
            return ok(json::reaction(call.store, reaction, true));
        }
        if (std::find(distinct.begin(), distinct.end(), reaction.shortName) == distinct.end()) {
            distinct.push_back(reaction.shortName);
        }
    }
    if (distinct.size() >= 17 &&
        std::find(distinct.begin(), distinct.end(), shortName) == distinct.end()) {
        failJson(400, "Reactions limit exceeded", "REACTIONS_LIMIT_EXCEEDED");
    }
    const auto &reaction = call.store.addReaction(comment.id, call.memberId, shortName);
    return ok(json::reaction(call.store, reaction, true));
}

Response removeReaction(Call &call)
{
    const auto &comment = need(call.store.comments, call.ids[0]);
    const auto &reaction = need(call.store.reactions, call.ids[1]);
    if (reaction.idAction != comment.id) {
        notFound();
    }
    call.store.reactions.erase(call.ids[1]);
    return ok(QJsonObject());
}
} // namespace

void addCommentRoutes(std::vector<Route> &routes)
{
    routes.insert(routes.end(), {
        {"GET", {"cards", ":id", "actions"}, getCardActions},
        {"POST", {"cards", ":id", "actions", "comments"}, addComment},
        {"GET", {"actions", ":id"}, getAction},
        {"PUT", {"actions", ":id"}, editComment},
        {"PUT", {"actions", ":id", "text"}, editComment},
        {"DELETE", {"actions", ":id"}, deleteComment},
        {"GET", {"actions", ":id", "reactions"}, getReactions},
        {"POST", {"actions", ":id", "reactions"}, addReaction},
        {"DELETE", {"actions", ":id", "reactions", ":id"}, removeReaction},
    });
}

} // namespace sandbox::routes
