// SPDX-License-Identifier: MIT
#pragma once

// A store connected to a scripted loopback server as the member "ann", with one card loaded
// so that its badges can be watched, and small builders for the service's JSON answers.

#include "StoreHarness.h"
#include "sandbox/LoopbackServer.h"

#include <QAbstractItemModelTester>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <regex>
#include <string>
#include <vector>

namespace harness {

using namespace Qt::StringLiterals;

inline const QString MemberID = QStringLiteral("5f00000000000000000000aa");
inline const QString ListID = QStringLiteral("list1");
inline const QString CardID = QStringLiteral("card1");

inline std::string json(const QJsonValue &value)
{
    return value.isArray() ? QJsonDocument(value.toArray()).toJson(QJsonDocument::Compact).toStdString()
                           : QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact).toStdString();
}

inline QJsonObject memberJson(const QString &id, const QString &username, const QString &fullName)
{
    return {{u"id"_s, id}, {u"username"_s, username}, {u"fullName"_s, fullName}};
}

inline QJsonObject cardJson(const QString &id, qint64 checkItems, qint64 checked, qint64 comments)
{
    return {{u"id"_s, id},          {u"name"_s, u"A card"_s}, {u"closed"_s, false},
            {u"idList"_s, ListID},  {u"idBoard"_s, u"board1"_s}, {u"pos"_s, 65536},
            {u"badges"_s, QJsonObject{{u"checkItems"_s, checkItems},
                                       {u"checkItemsChecked"_s, checked},
                                       {u"comments"_s, comments}}}};
}

inline QJsonObject commentJson(const QString &id, const QString &date, const QString &text)
{
    return {{u"id"_s, id},
            {u"date"_s, date},
            {u"type"_s, u"commentCard"_s},
            {u"data"_s, QJsonObject{{u"text"_s, text}}},
            {u"memberCreator"_s, memberJson(MemberID, u"ann"_s, u"Ann"_s)}};
}

inline QJsonObject reactionJson(const QString &id, const QString &member, const QString &native,
                                const QString &shortName)
{
    return {{u"id"_s, id},
            {u"idMember"_s, member},
            {u"emoji"_s, QJsonObject{{u"native"_s, native}, {u"shortName"_s, shortName}}}};
}

inline QJsonObject checkItemJson(const QString &id, const QString &state, double pos)
{
    return {{u"id"_s, id}, {u"name"_s, QString(u"Item "_s + id)}, {u"state"_s, state}, {u"pos"_s, pos}};
}

inline QJsonObject checklistJson(const QString &id, double pos, const QJsonArray &items)
{
    return {{u"id"_s, id},         {u"name"_s, QString(u"List "_s + id)}, {u"idCard"_s, CardID},
            {u"pos"_s, pos},       {u"checkItems"_s, items}};
}

inline QJsonObject attachmentJson(const QString &id, const QString &date)
{
    QJsonObject out{{u"id"_s, id},
                    {u"name"_s, QString(u"file "_s + id)},
                    {u"url"_s, QString(u"https://example.com/"_s + id)},
                    {u"isUpload"_s, false}};
    out.insert(u"date"_s, date.isEmpty() ? QJsonValue() : QJsonValue(date));
    return out;
}

struct ScriptedCard {
    sandbox::LoopbackServer server;
    QTemporaryDir dir;
    std::unique_ptr<AppState> state;

    // Connected as ann with CardID loaded in ListID and the given badges.
    explicit ScriptedCard(qint64 checkItems = 0, qint64 checked = 0, qint64 comments = 0,
                          bool signedIn = true)
    {
        server.start();
        if (signedIn) {
            server.route("GET", "/1/members/me", sandbox::Response::json(json(memberJson(MemberID, u"ann"_s, u"Ann"_s))));
        } else {
            server.route("GET", "/1/members/me", sandbox::Response::text("invalid token", 401));
        }
        server.route("GET", "/1/members/me/boards", sandbox::Response::json("[]"));
        server.route("GET", "/1/lists/" + ListID.toStdString() + "/cards",
                     sandbox::Response::json(json(QJsonArray{cardJson(CardID, checkItems, checked, comments)})));
        state = makeStore({q(server.baseUrl()), u"0123456789abcdef0123456789abcdef"_s,
                           u"ATTA0123456789abcdef0123456789abcdef0123456789abcdef"_s, {}},
                          dir);
        await(state->cards()->refreshCards(ListID));
        server.clearRequests();
    }

    CardBadges badges() const
    {
        const QList<TrelloCard> cards = state->cards()->cards().value(ListID);
        return cards.isEmpty() ? CardBadges{-1, -1, -1} : cards.first().badges.value_or(CardBadges{});
    }

    std::vector<sandbox::RecordedRequest> requests(const std::string &method,
                                                   const std::string &pathPattern) const
    {
        std::vector<sandbox::RecordedRequest> found;
        const std::regex pattern(pathPattern);
        for (auto &request : server.requests()) {
            if (request.method == method && std::regex_match(request.path, pattern)) {
                found.push_back(request);
            }
        }
        std::sort(found.begin(), found.end(),
                  [](const auto &a, const auto &b) { return a.receivedAt < b.receivedAt; });
        return found;
    }
};

} // namespace harness
