// SPDX-License-Identifier: MIT
#pragma once

#include "Store.h"

#include <QJsonArray>
#include <QJsonObject>

#include <string>

// The records in the shapes the service sends: every key present, nulls written as null,
// dates in UTC with milliseconds.
namespace sandbox::json {

QString str(const std::string &text);
QJsonValue date(const QDateTime &instant);
QJsonValue optionalDate(const std::optional<QDateTime> &instant);

// `fields=a,b` keeps the id and the named keys; an absent parameter or "all" keeps everything.
QJsonObject pick(const QJsonObject &object, const std::optional<std::string> &fields);

QJsonObject member(const store::Store &store, const store::Member &member);
QJsonObject boardPrefs(const store::Store &store, const store::Board &board);
QJsonObject board(const store::Store &store, const store::Board &board);
QJsonObject label(const store::Store &store, const store::Label &label, bool withUses);
QJsonObject list(const store::List &list);
QJsonObject badges(const store::Store &store, const store::Card &card);
QJsonObject card(const store::Store &store, const store::Card &card);
QJsonObject checkItem(const store::CheckItem &item);
QJsonObject checklist(const store::Store &store, const store::Checklist &checklist,
                      const std::optional<std::string> &itemFields, bool withItems);
QJsonObject comment(const store::Store &store, const store::Comment &comment);
QJsonObject reaction(const store::Store &store, const store::Reaction &reaction, bool withMember);
QJsonObject attachment(const store::Store &store, const store::Attachment &attachment);

// The emoji the service knows by short name, as reactions carry them.
struct Emoji {
    const char *shortName;
    const char *unified;
    const char *native;
    const char *name;
};
// By its primary short name ("+1"); an alias ("thumbsup") finds nothing, as at the service.
const Emoji *findEmoji(const std::string &shortName);
// By the emoji's code point text ("1F44D") or its characters.
const Emoji *findEmojiByCode(const std::string &unified, const std::string &native);

// Where an uploaded file is served back, on this server.
std::string downloadUrl(const store::Store &store, const store::Attachment &attachment);
// Where a member's avatar images live; the sizes are appended as "/50.png" and so on.
std::string avatarUrl(const store::Store &store, const store::Member &member);

} // namespace sandbox::json
