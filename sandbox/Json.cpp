// SPDX-License-Identifier: MIT
#include "Json.h"

#include <QUrl>

#include <array>

using namespace Qt::StringLiterals;

namespace sandbox::json {

namespace {
const std::array kEmoji{
    Emoji{"+1", "1F44D", "\xF0\x9F\x91\x8D", "THUMBS UP SIGN"},
    Emoji{"-1", "1F44E", "\xF0\x9F\x91\x8E", "THUMBS DOWN SIGN"},
    Emoji{"heart", "2764-FE0F", "\xE2\x9D\xA4\xEF\xB8\x8F", "HEAVY BLACK HEART"},
    Emoji{"joy", "1F602", "\xF0\x9F\x98\x82", "FACE WITH TEARS OF JOY"},
    Emoji{"tada", "1F389", "\xF0\x9F\x8E\x89", "PARTY POPPER"},
    Emoji{"eyes", "1F440", "\xF0\x9F\x91\x80", "EYES"},
    Emoji{"smile", "1F604", "\xF0\x9F\x98\x84", "SMILING FACE WITH OPEN MOUTH AND SMILING EYES"},
    Emoji{"white_check_mark", "2705", "\xE2\x9C\x85", "WHITE HEAVY CHECK MARK"},
    Emoji{"rocket", "1F680", "\xF0\x9F\x9A\x80", "ROCKET"},
    Emoji{"fire", "1F525", "\xF0\x9F\x94\xA5", "FIRE"},
    Emoji{"pray", "1F64F", "\xF0\x9F\x99\x8F", "PERSON WITH FOLDED HANDS"},
    Emoji{"clap", "1F44F", "\xF0\x9F\x91\x8F", "CLAPPING HANDS SIGN"},
    Emoji{"100", "1F4AF", "\xF0\x9F\x92\xAF", "HUNDRED POINTS SYMBOL"},
    Emoji{"thinking_face", "1F914", "\xF0\x9F\xA4\x94", "THINKING FACE"},
    Emoji{"raised_hands", "1F64C", "\xF0\x9F\x99\x8C",
          "PERSON RAISING BOTH HANDS IN CELEBRATION"},
    Emoji{"sweat_smile", "1F605", "\xF0\x9F\x98\x85", "SMILING FACE WITH OPEN MOUTH AND COLD SWEAT"},
};

const char *const kLabelColors[] = {
    "green", "yellow", "orange", "red", "purple", "blue", "sky", "lime", "pink", "black"};

std::string origin(const store::Store &store)
{
    const std::string &base = store.baseUrl;
    return base.size() > 2 && base.ends_with("/1") ? base.substr(0, base.size() - 2) : base;
}

QJsonObject emptyObject()
{
    return QJsonObject();
}
} // namespace

QString str(const std::string &text)
{
    return QString::fromStdString(text);
}

QJsonValue date(const QDateTime &instant)
{
    return instant.toUTC().toString(Qt::ISODateWithMs);
}

QJsonValue optionalDate(const std::optional<QDateTime> &instant)
{
    return instant ? date(*instant) : QJsonValue(QJsonValue::Null);
}

QJsonObject pick(const QJsonObject &object, const std::optional<std::string> &fields)
{
    if (!fields || *fields == "all") {
        return object;
    }
    QJsonObject out{{u"id"_s, object.value(u"id"_s)}};
    for (const QString &name : str(*fields).split(u',', Qt::SkipEmptyParts)) {
        const QString key = name.trimmed();
        if (object.contains(key)) {
            out.insert(key, object.value(key));
        }
    }
    return out;
}

const Emoji *findEmoji(const std::string &shortName)
{
    // Primary short names only: the service refuses aliases such as "thumbsup".
    for (const Emoji &emoji : kEmoji) {
        if (shortName == emoji.shortName) {
            return &emoji;
        }
    }
    return nullptr;
}

const Emoji *findEmojiByCode(const std::string &unified, const std::string &native)
{
    for (const Emoji &emoji : kEmoji) {
        if ((!unified.empty() && unified == emoji.unified) ||
            (!native.empty() && native == emoji.native)) {
            return &emoji;
        }
    }
    return nullptr;
}

std::string avatarUrl(const store::Store &store, const store::Member &member)
{
    return origin(store) + "/avatars/" + member.id + "/" + member.avatarHash.value_or("");
}

std::string downloadUrl(const store::Store &store, const store::Attachment &attachment)
{
    const QByteArray file = QUrl::toPercentEncoding(str(attachment.fileName));
    return store.baseUrl + "/cards/" + attachment.idCard + "/attachments/" + attachment.id +
           "/download/" + file.toStdString();
}

QJsonObject member(const store::Store &store, const store::Member &m)
{
    const bool avatar = m.avatarHash.has_value();
    return {
        {u"id"_s, str(m.id)},
        {u"username"_s, str(m.username)},
        {u"fullName"_s, str(m.fullName)},
        {u"initials"_s, str(m.initials)},
        {u"avatarHash"_s, avatar ? QJsonValue(str(*m.avatarHash)) : QJsonValue()},
        {u"avatarUrl"_s, avatar ? QJsonValue(str(avatarUrl(store, m))) : QJsonValue()},
        {u"avatarSource"_s, avatar ? u"upload"_s : u"none"_s},
        {u"activityBlocked"_s, false},
        {u"idMemberReferrer"_s, QJsonValue()},
        {u"nonPublic"_s, emptyObject()},
        {u"nonPublicAvailable"_s, true},
        {u"confirmed"_s, true},
        {u"memberType"_s, u"normal"_s},
        {u"url"_s, str("https://trello.com/" + m.username)},
        // The service really sends this counter as a string.
        {u"ixUpdate"_s, u"481"_s},
    };
}

QJsonObject boardPrefs(const store::Store &store, const store::Board &b)
{
    const store::BoardPrefs &p = b.prefs;
    QJsonObject prefs{
        {u"permissionLevel"_s, u"private"_s},
        {u"hideVotes"_s, false},
        {u"voting"_s, u"disabled"_s},
        {u"comments"_s, u"members"_s},
        {u"invitations"_s, u"members"_s},
        {u"selfJoin"_s, true},
        {u"cardCovers"_s, true},
        {u"showCompleteStatus"_s, true},
        {u"cardCounts"_s, false},
        {u"isTemplate"_s, false},
        {u"cardAging"_s, u"regular"_s},
        {u"calendarFeedEnabled"_s, false},
        {u"hiddenPluginBoardButtons"_s, QJsonArray()},
        {u"switcherViews"_s,
         QJsonArray{QJsonObject{{u"viewType"_s, u"Board"_s}, {u"enabled"_s, true}}}},
        {u"autoArchive"_s, QJsonValue()},
        {u"background"_s, str(p.background)},
        {u"backgroundDarkColor"_s, QJsonValue()},
        {u"backgroundDarkImage"_s, QJsonValue()},
        {u"backgroundTile"_s, false},
        {u"backgroundBrightness"_s, str(p.brightness)},
        {u"sharedSourceUrl"_s, QJsonValue()},
        {u"backgroundTopColor"_s, str(p.topColor)},
        {u"backgroundBottomColor"_s, str(p.bottomColor)},
        {u"canBePublic"_s, true},
        {u"canBeEnterprise"_s, true},
        {u"canBeOrg"_s, true},
        {u"canBePrivate"_s, true},
        {u"canInvite"_s, true},
    };
    if (p.photo) {
        const std::string base = origin(store) + "/backgrounds/" + b.id;
        prefs.insert(u"backgroundColor"_s, QJsonValue());
        prefs.insert(u"backgroundImage"_s, str(base + "/1920x1080.png"));
        QJsonArray scaled;
        for (const auto &[w, h] : {std::pair{480, 270}, {960, 540}, {1920, 1080}}) {
            scaled.append(QJsonObject{
                {u"width"_s, w},
                {u"height"_s, h},
                {u"url"_s, str(base + "/" + std::to_string(w) + "x" + std::to_string(h) + ".png")}});
        }
        prefs.insert(u"backgroundImageScaled"_s, scaled);
    } else {
        prefs.insert(u"backgroundColor"_s, str(p.topColor));
        prefs.insert(u"backgroundImage"_s, QJsonValue());
        prefs.insert(u"backgroundImageScaled"_s, QJsonValue());
    }
    return prefs;
}

QJsonObject board(const store::Store &store, const store::Board &b)
{
    QJsonObject labelNames;
    for (const char *color : kLabelColors) {
        for (const char *suffix : {"", "_dark", "_light"}) {
            labelNames.insert(str(std::string(color) + suffix), u""_s);
        }
    }
    for (const auto &[id, l] : store.labels) {
        if (l.idBoard == b.id && l.color && labelNames.contains(str(*l.color))) {
            labelNames.insert(str(*l.color), str(l.name));
        }
    }
    const std::string shortUrl = "https://trello.com/b/" + b.shortLink;
    return {
        {u"id"_s, str(b.id)},
        {u"name"_s, str(b.name)},
        {u"desc"_s, str(b.desc)},
        {u"descData"_s, QJsonValue()},
        {u"closed"_s, b.closed},
        {u"starred"_s, b.starred},
        {u"idOrganization"_s, QJsonValue()},
        {u"idEnterprise"_s, QJsonValue()},
        {u"idMemberCreator"_s, str(store.meId)},
        {u"pinned"_s, false},
        {u"url"_s, str(shortUrl + "/" + store.urlSlug(b.name))},
        {u"shortUrl"_s, str(shortUrl)},
        {u"shortLink"_s, str(b.shortLink)},
        {u"prefs"_s, boardPrefs(store, b)},
        {u"labelNames"_s, labelNames},
        {u"dateLastActivity"_s, date(b.lastActivity)},
    };
}

QJsonObject label(const store::Store &store, const store::Label &l, bool withUses)
{
    QJsonObject out{
        {u"id"_s, str(l.id)},
        {u"idBoard"_s, str(l.idBoard)},
        {u"name"_s, str(l.name)},
        {u"color"_s, l.color ? QJsonValue(str(*l.color)) : QJsonValue()},
    };
    if (withUses) {
        int uses = 0;
        for (const auto &[id, card] : store.cards) {
            uses += std::count(card.idLabels.begin(), card.idLabels.end(), l.id) > 0 ? 1 : 0;
        }
        out.insert(u"uses"_s, uses);
    }
    return out;
}

QJsonObject list(const store::List &l)
{
    return {
        {u"id"_s, str(l.id)},
        {u"name"_s, str(l.name)},
        {u"closed"_s, l.closed},
        {u"color"_s, QJsonValue()},
        {u"idBoard"_s, str(l.idBoard)},
        {u"pos"_s, l.pos},
        {u"subscribed"_s, false},
        {u"softLimit"_s, QJsonValue()},
        {u"type"_s, QJsonValue()},
        {u"datasource"_s, QJsonObject{{u"filter"_s, false}}},
    };
}

QJsonObject badges(const store::Store &store, const store::Card &c)
{
    int items = 0;
    int checked = 0;
    for (const auto *checklist : store.checklistsOf(c.id)) {
        for (const auto *item : store.itemsOf(checklist->id)) {
            ++items;
            checked += item->complete ? 1 : 0;
        }
    }
    int comments = 0;
    for (const auto &[id, comment] : store.comments) {
        comments += comment.idCard == c.id ? 1 : 0;
    }
    int attachments = 0;
    for (const auto &[id, attachment] : store.attachments) {
        attachments += attachment.idCard == c.id ? 1 : 0;
    }
    return {
        {u"attachmentsByType"_s,
         QJsonObject{{u"trello"_s, QJsonObject{{u"board"_s, 0}, {u"card"_s, 0}}}}},
        {u"location"_s, false},
        {u"votes"_s, 0},
        {u"viewingMemberVoted"_s, false},
        {u"subscribed"_s, false},
        {u"fogbugz"_s, u""_s},
        {u"checkItems"_s, items},
        {u"checkItemsChecked"_s, checked},
        {u"checkItemsEarliestDue"_s, QJsonValue()},
        {u"comments"_s, comments},
        {u"attachments"_s, attachments},
        {u"description"_s, !c.desc.empty()},
        {u"due"_s, optionalDate(c.due)},
        {u"dueComplete"_s, c.dueComplete},
        {u"start"_s, QJsonValue()},
        {u"externalSource"_s, QJsonValue()},
        {u"lastUpdatedByAi"_s, false},
        {u"maliciousAttachments"_s, 0},
    };
}

QJsonObject card(const store::Store &store, const store::Card &c)
{
    QJsonArray labels;
    QJsonArray idLabels;
    for (const auto &id : c.idLabels) {
        if (const auto it = store.labels.find(id); it != store.labels.end()) {
            labels.append(label(store, it->second, false));
            idLabels.append(str(id));
        }
    }
    QJsonArray idMembers;
    for (const auto &id : c.idMembers) {
        idMembers.append(str(id));
    }
    QJsonArray idChecklists;
    for (const auto *checklist : store.checklistsOf(c.id)) {
        idChecklists.append(str(checklist->id));
    }
    const std::string shortUrl = "https://trello.com/c/" + c.shortLink;
    return {
        {u"id"_s, str(c.id)},
        {u"name"_s, str(c.name)},
        {u"desc"_s, str(c.desc)},
        {u"descData"_s, QJsonObject{{u"emoji"_s, emptyObject()}}},
        {u"closed"_s, c.closed},
        {u"idBoard"_s, str(c.idBoard)},
        {u"idList"_s, str(c.idList)},
        {u"idShort"_s, c.idShort},
        {u"idAttachmentCover"_s, QJsonValue()},
        {u"idChecklists"_s, idChecklists},
        {u"idLabels"_s, idLabels},
        {u"idMembers"_s, idMembers},
        {u"idMembersVoted"_s, QJsonArray()},
        {u"manualCoverAttachment"_s, false},
        {u"shortLink"_s, str(c.shortLink)},
        {u"shortUrl"_s, str(shortUrl)},
        {u"url"_s, str(shortUrl + "/" + std::to_string(c.idShort) + "-" + store.urlSlug(c.name))},
        {u"dateLastActivity"_s, date(c.lastActivity)},
        {u"due"_s, optionalDate(c.due)},
        {u"dueReminder"_s, c.dueReminder ? QJsonValue(*c.dueReminder) : QJsonValue()},
        {u"dueComplete"_s, c.dueComplete},
        {u"email"_s, QJsonValue()},
        {u"start"_s, QJsonValue()},
        {u"subscribed"_s, false},
        {u"isTemplate"_s, false},
        {u"cardRole"_s, QJsonValue()},
        {u"pinned"_s, false},
        {u"pos"_s, c.pos},
        {u"labels"_s, labels},
        {u"badges"_s, badges(store, c)},
        {u"checkItemStates"_s, QJsonArray()},
        {u"cover"_s,
         QJsonObject{{u"idAttachment"_s, QJsonValue()},
                     {u"color"_s, QJsonValue()},
                     {u"idUploadedBackground"_s, QJsonValue()},
                     {u"size"_s, u"normal"_s},
                     {u"brightness"_s, u"dark"_s},
                     {u"idPlugin"_s, QJsonValue()}}},
    };
}

QJsonObject checkItem(const store::CheckItem &i)
{
    return {
        {u"id"_s, str(i.id)},
        {u"idChecklist"_s, str(i.idChecklist)},
        {u"name"_s, str(i.name)},
        {u"nameData"_s, QJsonObject{{u"emoji"_s, emptyObject()}}},
        {u"type"_s, QJsonValue()},
        {u"pos"_s, i.pos},
        {u"state"_s, i.complete ? u"complete"_s : u"incomplete"_s},
        {u"creationMethod"_s, QJsonValue()},
        {u"due"_s, QJsonValue()},
        {u"dueReminder"_s, QJsonValue()},
        {u"idMember"_s, QJsonValue()},
    };
}

QJsonObject checklist(const store::Store &store, const store::Checklist &c,
                      const std::optional<std::string> &itemFields, bool withItems)
{
    QJsonArray items;
    if (withItems) {
        // In creation order, not by position, as the service answers nested items; ids begin
        // with the creation time and then count up.
        auto ordered = store.itemsOf(c.id);
        std::sort(ordered.begin(), ordered.end(), [](const auto *a, const auto *b) { return a->id < b->id; });
        for (const auto *item : ordered) {
            items.append(pick(checkItem(*item), itemFields));
        }
    }
    return {
        {u"id"_s, str(c.id)},
        {u"name"_s, str(c.name)},
        {u"idCard"_s, str(c.idCard)},
        {u"idBoard"_s, str(c.idBoard)},
        {u"pos"_s, c.pos},
        {u"checkItems"_s, items},
    };
}

QJsonObject comment(const store::Store &store, const store::Comment &c)
{
    const store::Card &card = store.cards.at(c.idCard);
    const store::Board &board = store.boards.at(card.idBoard);
    const auto list = store.lists.find(card.idList);
    QJsonObject data{
        {u"text"_s, str(c.text)},
        {u"textData"_s, QJsonObject{{u"emoji"_s, emptyObject()}}},
        {u"card"_s,
         QJsonObject{{u"id"_s, str(card.id)},
                     {u"name"_s, str(card.name)},
                     {u"idShort"_s, card.idShort},
                     {u"shortLink"_s, str(card.shortLink)}}},
        {u"board"_s,
         QJsonObject{{u"id"_s, str(board.id)},
                     {u"name"_s, str(board.name)},
                     {u"shortLink"_s, str(board.shortLink)}}},
    };
    if (list != store.lists.end()) {
        data.insert(u"list"_s, QJsonObject{{u"id"_s, str(list->second.id)},
                                           {u"name"_s, str(list->second.name)}});
    }
    if (c.edited) {
        data.insert(u"dateLastEdited"_s, date(*c.edited));
    }
    const auto limit = [](int disableAt, int warnAt) {
        return QJsonObject{
            {u"status"_s, u"ok"_s}, {u"disableAt"_s, disableAt}, {u"warnAt"_s, warnAt}};
    };
    QJsonObject out{
        {u"id"_s, str(c.id)},
        {u"idMemberCreator"_s, str(c.idMember)},
        {u"type"_s, u"commentCard"_s},
        {u"date"_s, date(c.date)},
        {u"appCreator"_s, QJsonValue()},
        {u"data"_s, data},
        {u"limits"_s,
         QJsonObject{{u"reactions"_s,
                      QJsonObject{{u"perAction"_s, limit(900, 720)},
                                  {u"uniquePerAction"_s, limit(17, 14)}}}}},
    };
    if (c.author == store::Comment::Author::IdOnly) {
        out.insert(u"memberCreator"_s, QJsonObject{{u"id"_s, str(c.idMember)}});
    } else if (const auto author = store.members.find(c.idMember);
               c.author == store::Comment::Author::Full && author != store.members.end()) {
        out.insert(u"memberCreator"_s, member(store, author->second));
    }
    return out;
}

QJsonObject reaction(const store::Store &store, const store::Reaction &r, bool withMember)
{
    const Emoji *emoji = findEmoji(r.shortName);
    QJsonObject out{
        {u"id"_s, str(r.id)},
        {u"idMember"_s, str(r.idMember)},
        {u"idModel"_s, str(r.idAction)},
        {u"idEmoji"_s, str(emoji ? emoji->unified : "")},
        {u"emoji"_s,
         QJsonObject{{u"unified"_s, str(emoji ? emoji->unified : "")},
                     {u"native"_s, QString::fromUtf8(emoji ? emoji->native : "")},
                     {u"name"_s, str(emoji ? emoji->name : "")},
                     {u"skinVariation"_s, QJsonValue()},
                     {u"shortName"_s, str(r.shortName)}}},
    };
    if (const auto m = store.members.find(r.idMember); withMember && m != store.members.end()) {
        out.insert(u"member"_s, member(store, m->second));
    }
    return out;
}

QJsonObject attachment(const store::Store &store, const store::Attachment &a)
{
    return {
        {u"id"_s, str(a.id)},
        {u"bytes"_s, a.isUpload ? QJsonValue(static_cast<qint64>(a.bytes.size())) : QJsonValue()},
        {u"date"_s, date(a.date)},
        {u"edgeColor"_s, QJsonValue()},
        {u"idMember"_s, str(a.idMember)},
        {u"isUpload"_s, a.isUpload},
        {u"mimeType"_s, str(a.mimeType)},
        {u"name"_s, str(a.name)},
        {u"previews"_s, QJsonArray()},
        {u"url"_s, str(a.isUpload ? downloadUrl(store, a) : a.url)},
        {u"pos"_s, a.pos},
        {u"fileName"_s, a.isUpload ? QJsonValue(str(a.fileName)) : QJsonValue()},
    };
}

} // namespace sandbox::json
