// SPDX-License-Identifier: MIT
#pragma once

#include "Json.h"
#include "LoopbackServer.h"
#include "Store.h"
#include "Text.h"

#include <QJsonArray>
#include <QJsonObject>

#include <optional>
#include <string>
#include <vector>

// The REST routes of the emulated service, by area. A handler runs with the store locked,
// reads its parameters from a Call and either returns the answer or throws an Error carrying
// the service's own error answer.
namespace sandbox::routes {

struct Error {
    Response response;
};

[[noreturn]] void failText(int status, const std::string &text);
[[noreturn]] void failJson(int status, const std::string &message, const std::string &code);
[[noreturn]] void notFound();

Response ok(const QJsonObject &object);
Response ok(const QJsonArray &array);
QJsonObject withLimits(QJsonObject object);
// The two bodies the service answers deletions with.
Response deletedLimits();
Response deletedValue();

struct Call {
    const RecordedRequest &request;
    store::Store &store;
    std::vector<std::string> ids; // the path's parameters, in order
    std::vector<std::pair<std::string, std::string>> params; // query, then form or JSON body
    std::string memberId;                                    // the token's owner

    std::optional<std::string> param(const std::string &name) const;
    bool flag(const std::string &name, bool fallback) const; // "true"/"false", else 400
};

using Handler = Response (*)(Call &);
struct Route {
    std::string method;
    // Literal segments, ":id" for an object id, "*" for any text (a member name, a file name).
    std::vector<std::string> pattern;
    Handler handler;
};

void addMemberAndBoardRoutes(std::vector<Route> &routes);
void addCardRoutes(std::vector<Route> &routes);
void addCommentRoutes(std::vector<Route> &routes);
void addChecklistRoutes(std::vector<Route> &routes);
void addAttachmentRoutes(std::vector<Route> &routes);
void addSearchRoutes(std::vector<Route> &routes);
void addNotificationRoutes(std::vector<Route> &routes);

// Finds a record by a path id, answering 404 the service's way when it is gone.
template <typename T> T &need(std::map<std::string, T> &map, const std::string &id)
{
    const auto it = map.find(id);
    if (it == map.end()) {
        notFound();
    }
    return it->second;
}

// A position parameter, or the JSON "Invalid position." answer.
store::PosRequest position(const std::string &text);
// Dates the way the service reads them: ISO 8601 with or without fraction and zone, or
// "yyyy-MM-dd HH:mm:ss UTC". "null" clears (an empty inner optional); a bad date and an empty
// text give nullopt.
std::optional<std::optional<QDateTime>> parseDue(const std::string &text);

} // namespace sandbox::routes
