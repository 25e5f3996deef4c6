// SPDX-License-Identifier: MIT
// One small declaration per endpoint: method, path and query items in the order the service
// expects them. Transport, status handling and decoding are in TrelloAPI.cpp.
#include "RequestText.h"
#include "TrelloAPI.h"

#include <algorithm>

using namespace Qt::StringLiterals;

// Boards and lists

QCoro::Task<TrelloBoard> TrelloAPI::createBoard(const QString &name, const QString &desc)
{
    QueryItems query{{u"name"_s, name}};
    if (!desc.isEmpty()) {
        query.append({u"desc"_s, desc});
    }
    query.append({u"defaultLists"_s, u"true"_s});
    return fetch<TrelloBoard>({"POST", u"boards/"_s, query, {}, {}});
}

QCoro::Task<> TrelloAPI::closeBoard(const QString &id)
{
    return send({"PUT", u"boards/"_s + id, {{u"closed"_s, u"true"_s}}, {}, {}});
}

QCoro::Task<QList<TrelloList>> TrelloAPI::fetchLists(const QString &boardID)
{
    return fetch<QList<TrelloList>>(
        {"GET",
         u"boards/"_s + boardID + u"/lists"_s,
         {{u"filter"_s, u"open"_s}, {u"fields"_s, u"name,closed,idBoard,pos"_s}},
         {},
         {}});
}

QCoro::Task<TrelloList> TrelloAPI::createList(const QString &boardID, const QString &name)
{
    return fetch<TrelloList>(
        {"POST",
         u"lists"_s,
         {{u"name"_s, name}, {u"idBoard"_s, boardID}, {u"pos"_s, u"bottom"_s}},
         {},
         {}});
}

QCoro::Task<TrelloList> TrelloAPI::renameList(const QString &id, const QString &name)
{
    return fetch<TrelloList>({"PUT", u"lists/"_s + id, {{u"name"_s, name}}, {}, {}});
}

QCoro::Task<> TrelloAPI::archiveList(const QString &id)
{
    return send({"PUT", u"lists/"_s + id + u"/closed"_s, {{u"value"_s, u"true"_s}}, {}, {}});
}

QCoro::Task<TrelloList> TrelloAPI::moveList(const QString &id, double pos)
{
    return fetch<TrelloList>(
        {"PUT", u"lists/"_s + id, {{u"pos"_s, RequestText::position(pos)}}, {}, {}});
}

// Cards, card labels and card members

QCoro::Task<QList<TrelloCard>> TrelloAPI::fetchCards(const QString &listID)
{
    return fetch<QList<TrelloCard>>(
        {"GET",
         u"lists/"_s + listID + u"/cards"_s,
         {{u"fields"_s, u"name,desc,closed,idList,idBoard,due,dueComplete,url,shortUrl,pos,labels,"
                        u"idLabels,idMembers,badges"_s}},
         {},
         {}});
}

QCoro::Task<TrelloCard> TrelloAPI::createCard(const QString &listID, const QString &name,
                                              const QString &desc, std::optional<QDateTime> due)
{
    QueryItems query{{u"idList"_s, listID}, {u"name"_s, name}, {u"pos"_s, u"bottom"_s}};
    if (!desc.isEmpty()) {
        query.append({u"desc"_s, desc});
    }
    if (due) {
        query.append({u"due"_s, RequestText::date(*due)});
    }
    return fetch<TrelloCard>({"POST", u"cards"_s, query, {}, {}});
}

QCoro::Task<TrelloCard> TrelloAPI::updateCard(const QString &id, std::optional<QString> name,
                                              std::optional<QString> desc,
                                              std::optional<QDateTime> due, bool clearDue,
                                              std::optional<bool> dueComplete,
                                              std::optional<QString> moveToListID)
{
    QueryItems query;
    if (name) {
        query.append({u"name"_s, *name});
    }
    if (desc) {
        query.append({u"desc"_s, *desc});
    }
    if (clearDue) {
        query.append({u"due"_s, u"null"_s}); // the documented way; an empty value may be refused
    } else if (due) {
        query.append({u"due"_s, RequestText::date(*due)});
    }
    if (dueComplete) {
        query.append({u"dueComplete"_s, *dueComplete ? u"true"_s : u"false"_s});
    }
    if (moveToListID) {
        query.append({u"idList"_s, *moveToListID});
    }
    return fetch<TrelloCard>({"PUT", u"cards/"_s + id, query, {}, {}});
}

QCoro::Task<TrelloCard> TrelloAPI::moveCard(const QString &id, const QString &toListID,
                                            std::optional<double> pos)
{
    return fetch<TrelloCard>(
        {"PUT",
         u"cards/"_s + id,
         {{u"idList"_s, toListID}, {u"pos"_s, pos ? RequestText::position(*pos) : u"bottom"_s}},
         {},
         {}});
}

QCoro::Task<> TrelloAPI::archiveCard(const QString &id)
{
    return send({"PUT", u"cards/"_s + id, {{u"closed"_s, u"true"_s}}, {}, {}});
}

QCoro::Task<> TrelloAPI::deleteCard(const QString &id)
{
    return send({"DELETE", u"cards/"_s + id, {}, {}, {}});
}

QCoro::Task<QList<TrelloLabel>> TrelloAPI::fetchBoardLabels(const QString &boardID)
{
    return fetch<QList<TrelloLabel>>(
        {"GET",
         u"boards/"_s + boardID + u"/labels"_s,
         {{u"fields"_s, u"name,color"_s}, {u"limit"_s, u"1000"_s}},
         {},
         {}});
}

QCoro::Task<QList<TrelloMember>> TrelloAPI::fetchBoardMembers(const QString &boardID)
{
    return fetch<QList<TrelloMember>>({"GET",
                                       u"boards/"_s + boardID + u"/members"_s,
                                       {{u"fields"_s, u"username,fullName,avatarUrl"_s}},
                                       {},
                                       {}});
}

QCoro::Task<> TrelloAPI::addLabel(const QString &cardID, const QString &labelID)
{
    return send({"POST", u"cards/"_s + cardID + u"/idLabels"_s, {{u"value"_s, labelID}}, {}, {}});
}

QCoro::Task<> TrelloAPI::removeLabel(const QString &cardID, const QString &labelID)
{
    return send({"DELETE", u"cards/"_s + cardID + u"/idLabels/"_s + labelID, {}, {}, {}});
}

QCoro::Task<> TrelloAPI::addMember(const QString &cardID, const QString &memberID)
{
    return send({"POST", u"cards/"_s + cardID + u"/idMembers"_s, {{u"value"_s, memberID}}, {}, {}});
}

QCoro::Task<> TrelloAPI::removeMember(const QString &cardID, const QString &memberID)
{
    return send({"DELETE", u"cards/"_s + cardID + u"/idMembers/"_s + memberID, {}, {}, {}});
}

// Comments and reactions

QCoro::Task<QList<TrelloComment>> TrelloAPI::fetchComments(const QString &cardID)
{
    return fetch<QList<TrelloComment>>(
        {"GET",
         u"cards/"_s + cardID + u"/actions"_s,
         {{u"filter"_s, u"commentCard"_s}, {u"limit"_s, u"100"_s}},
         {},
         {}});
}

QCoro::Task<TrelloComment> TrelloAPI::addComment(const QString &cardID, const QString &text)
{
    return fetch<TrelloComment>(
        {"POST", u"cards/"_s + cardID + u"/actions/comments"_s, {{u"text"_s, text}}, {}, {}});
}

QCoro::Task<TrelloComment> TrelloAPI::editComment(const QString &actionID, const QString &text)
{
    return fetch<TrelloComment>(
        {"PUT", u"actions/"_s + actionID + u"/text"_s, {{u"value"_s, text}}, {}, {}});
}

QCoro::Task<> TrelloAPI::deleteComment(const QString &actionID)
{
    return send({"DELETE", u"actions/"_s + actionID, {}, {}, {}});
}

QCoro::Task<QList<TrelloReaction>> TrelloAPI::fetchReactions(const QString &actionID)
{
    return fetch<QList<TrelloReaction>>(
        {"GET",
         u"actions/"_s + actionID + u"/reactions"_s,
         {{u"emoji"_s, u"true"_s}, {u"member"_s, u"false"_s}},
         {},
         {}});
}

QCoro::Task<> TrelloAPI::addReaction(const QString &actionID, const QString &shortName)
{
    return send({"POST",
                 u"actions/"_s + actionID + u"/reactions"_s,
                 {{u"shortName"_s, shortName}},
                 {},
                 {}});
}

QCoro::Task<> TrelloAPI::removeReaction(const QString &actionID, const QString &reactionID)
{
    return send({"DELETE", u"actions/"_s + actionID + u"/reactions/"_s + reactionID, {}, {}, {}});
}

// Checklists and attachments

QCoro::Task<QList<TrelloChecklist>> TrelloAPI::fetchChecklists(const QString &cardID)
{
    return fetch<QList<TrelloChecklist>>({"GET",
                                          u"cards/"_s + cardID + u"/checklists"_s,
                                          {{u"checkItems"_s, u"all"_s},
                                           {u"checkItem_fields"_s, u"name,state,pos"_s},
                                           {u"fields"_s, u"name,idCard,pos"_s}},
                                          {},
                                          {}});
}

QCoro::Task<> TrelloAPI::createChecklist(const QString &cardID, const QString &name)
{
    return send({"POST", u"checklists"_s, {{u"idCard"_s, cardID}, {u"name"_s, name}}, {}, {}});
}

QCoro::Task<> TrelloAPI::deleteChecklist(const QString &id)
{
    return send({"DELETE", u"checklists/"_s + id, {}, {}, {}});
}

QCoro::Task<> TrelloAPI::addCheckItem(const QString &checklistID, const QString &name)
{
    return send(
        {"POST", u"checklists/"_s + checklistID + u"/checkItems"_s, {{u"name"_s, name}}, {}, {}});
}

QCoro::Task<> TrelloAPI::renameCheckItem(const QString &cardID, const QString &checkItemID,
                                         const QString &name)
{
    return send({"PUT",
                 u"cards/"_s + cardID + u"/checkItem/"_s + checkItemID,
                 {{u"name"_s, name}},
                 {},
                 {}});
}

QCoro::Task<> TrelloAPI::setCheckItemState(const QString &cardID, const QString &checkItemID,
                                           bool complete)
{
    return send({"PUT",
                 u"cards/"_s + cardID + u"/checkItem/"_s + checkItemID,
                 {{u"state"_s, complete ? u"complete"_s : u"incomplete"_s}},
                 {},
                 {}});
}

QCoro::Task<> TrelloAPI::deleteCheckItem(const QString &checklistID, const QString &checkItemID)
{
    return send(
        {"DELETE", u"checklists/"_s + checklistID + u"/checkItems/"_s + checkItemID, {}, {}, {}});
}

QCoro::Task<QList<TrelloAttachment>> TrelloAPI::fetchAttachments(const QString &cardID)
{
    return fetch<QList<TrelloAttachment>>({"GET",
                                           u"cards/"_s + cardID + u"/attachments"_s,
                                           {{u"fields"_s, u"name,url,date,isUpload"_s}},
                                           {},
                                           {}});
}

QCoro::Task<> TrelloAPI::addAttachment(const QString &cardID, const QString &url,
                                       const QString &name)
{
    QueryItems query{{u"url"_s, url}};
    if (!name.isEmpty()) {
        query.append({u"name"_s, name});
    }
    return send({"POST", u"cards/"_s + cardID + u"/attachments"_s, query, {}, {}});
}

QCoro::Task<> TrelloAPI::uploadAttachment(const QString &cardID, const QByteArray &fileData,
                                          const QString &filename, const QString &mimeType)
{
    // Credentials are checked before the (possibly large) body is built.
    if (!m_apiKey || m_apiKey->isEmpty() || !m_token || m_token->isEmpty()) {
        throw TrelloAPIError::missingCredentials();
    }
    const QString boundary = RequestText::newBoundary();
    Request request;
    request.method = QByteArrayLiteral("POST");
    request.path = u"cards/"_s + cardID + u"/attachments"_s;
    request.query = {{u"name"_s, filename}, {u"mimeType"_s, mimeType}};
    request.body = RequestText::multipartBody(boundary, filename, mimeType, fileData);
    request.contentType = (u"multipart/form-data; boundary="_s + boundary).toUtf8();
    co_await send(std::move(request));
}

QCoro::Task<> TrelloAPI::deleteAttachment(const QString &cardID, const QString &attachmentID)
{
    return send({"DELETE", u"cards/"_s + cardID + u"/attachments/"_s + attachmentID, {}, {}, {}});
}

// Search

QCoro::Task<TrelloSearchResult> TrelloAPI::searchCards(const QString &query, int limit)
{
    return fetch<TrelloSearchResult>(
        {"GET",
         u"search"_s,
         {{u"query"_s, query},
          {u"modelTypes"_s, u"cards"_s},
          {u"card_fields"_s, u"name,desc,due,dueComplete,idBoard,idList,closed"_s},
          {u"cards_limit"_s, QString::number(limit)},
          {u"partial"_s, u"true"_s},
          {u"card_board"_s, u"true"_s},
          {u"board_fields"_s, u"name"_s},
          {u"card_list"_s, u"true"_s}},
         {},
         {}});
}

// Notifications

QCoro::Task<QList<TrelloNotification>> TrelloAPI::fetchNotifications(const QString &since,
                                                                     int limit)
{
    QueryItems query{{u"read_filter"_s, u"unread"_s},
                     {u"limit"_s, QString::number(std::clamp(limit, 1, notificationsLimit))}};
    if (!since.isEmpty()) {
        query.append({u"since"_s, since});
    }
    query.append({u"memberCreator"_s, u"true"_s});
    query.append({u"memberCreator_fields"_s, u"username,fullName,avatarUrl"_s});
    query.append({u"fields"_s, u"unread,type,date,data,idMemberCreator"_s});
    return fetch<QList<TrelloNotification>>({"GET", u"members/me/notifications"_s, query, {}, {}});
}

QCoro::Task<> TrelloAPI::markNotificationRead(const QString &id)
{
    return send({"PUT", u"notifications/"_s + id, {{u"unread"_s, u"false"_s}}, {}, {}});
}

QCoro::Task<> TrelloAPI::markNotificationsRead(const QStringList &ids)
{
    QueryItems query{{u"read"_s, u"true"_s}};
    if (!ids.isEmpty()) {
        query.append({u"ids"_s, ids.join(u',')});
    }
    return send({"POST", u"notifications/all/read"_s, query, {}, {}});
}

QCoro::Task<> TrelloAPI::markCardNotificationsRead(const QString &cardID)
{
    return send({"POST", u"cards/"_s + cardID + u"/markAssociatedNotificationsRead"_s, {}, {}, {}});
}

// Due reminders

QCoro::Task<QList<TrelloMemberCard>> TrelloAPI::fetchMemberCards()
{
    return fetch<QList<TrelloMemberCard>>(
        {"GET",
         u"members/me/cards"_s,
         {{u"filter"_s, u"visible"_s},
          {u"fields"_s, u"name,due,dueComplete,dueReminder,idBoard,idList,url"_s}},
         {},
         {}});
}
