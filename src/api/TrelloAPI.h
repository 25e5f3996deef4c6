// SPDX-License-Identifier: MIT
#pragma once

#include "RateBudget.h"
#include "TrelloAPIError.h"
#include "model/Models.h"

#include <QCoroTask>
#include <QNetworkAccessManager>
#include <QObject>
#include <QUrl>

#include <chrono>
#include <memory>
#include <optional>
#include <utility>

// The one client of the service's REST interface. Every operation is a coroutine that sends
// one request, with every parameter in the query (key and token first), or in a form body when
// a long text would make the URL too long, and either returns the decoded answer or throws
// TrelloAPIError. Several operations may be in flight at once; their answers arrive in any
// order. The client keeps within the service's rate limits (RateBudget): a request the service
// would refuse fails at once with a RateLimited error instead.
class TrelloAPI : public QObject {
    Q_OBJECT
public:
    using QueryItems = QList<std::pair<QString, QString>>;

    static constexpr std::chrono::milliseconds defaultTimeout{60000};

    // The build's REST base URL, or STAVELIN_SERVICE_URL when that is set (demo and tests).
    static QUrl defaultBaseURL();

    explicit TrelloAPI(QNetworkAccessManager *network, QUrl baseURL = defaultBaseURL(),
                       QObject *parent = nullptr);

    QUrl baseURL() const { return m_baseURL; }
    QNetworkAccessManager *network() const { return m_network; }
    void setCredentials(const QString &apiKey, const QString &token);
    QString apiKey() const { return m_apiKey.value_or(QString()); }
    QString token() const { return m_token.value_or(QString()); }
    std::chrono::milliseconds timeout() const { return m_timeout; }
    void setTimeout(std::chrono::milliseconds timeout) { m_timeout = timeout; }

    // How long until this many requests (so many of them to the member route) can go out
    // without the service refusing one; zero when they can go now.
    std::chrono::milliseconds budgetWait(int requests, int memberRouteRequests = 0)
    {
        return m_budget->waitFor(requests, memberRouteRequests);
    }
    // The budget this client counts its requests in. Another client (on another thread, for
    // the same account) can count in it too; it leaves the budget to this one's credentials.
    std::shared_ptr<RateBudget> budget() const { return m_budget; }
    void countIn(std::shared_ptr<RateBudget> budget)
    {
        m_budget = std::move(budget);
        m_budgetShared = true;
    }

    // No network reached the service lately: a request failed for that reason, and until
    // probe() or setOffline(false) says otherwise none goes out (each fails at once with an
    // Offline error instead).
    bool isOffline() const { return m_offline; }
    void setOffline(bool offline);
    // Whether the service can be reached now: one request without the credentials, which no
    // rate limit of theirs counts; any answer at all will do. Reached, the client is online.
    QCoro::Task<bool> probe();

    // Connection
    QCoro::Task<TrelloMember> validateCredentials();
    QCoro::Task<QList<TrelloBoard>> fetchBoards();

    // Boards and lists
    QCoro::Task<TrelloBoard> createBoard(const QString &name, const QString &desc = QString());
    QCoro::Task<> closeBoard(const QString &id);
    QCoro::Task<QList<TrelloList>> fetchLists(const QString &boardID);
    QCoro::Task<TrelloList> createList(const QString &boardID, const QString &name);
    QCoro::Task<TrelloList> renameList(const QString &id, const QString &name);
    QCoro::Task<> archiveList(const QString &id);
    QCoro::Task<TrelloList> moveList(const QString &id, double pos);

    // Cards, card labels and members
    QCoro::Task<QList<TrelloCard>> fetchCards(const QString &listID);
    QCoro::Task<TrelloCard> createCard(const QString &listID, const QString &name,
                                       const QString &desc = QString(),
                                       std::optional<QDateTime> due = std::nullopt);
    QCoro::Task<TrelloCard> updateCard(const QString &id, std::optional<QString> name,
                                       std::optional<QString> desc, std::optional<QDateTime> due,
                                       bool clearDue, std::optional<bool> dueComplete,
                                       std::optional<QString> moveToListID);
    // No position: to the end of the list, as the service has it.
    QCoro::Task<TrelloCard> moveCard(const QString &id, const QString &toListID,
                                     std::optional<double> pos);
    QCoro::Task<> archiveCard(const QString &id);
    QCoro::Task<> deleteCard(const QString &id);
    QCoro::Task<QList<TrelloLabel>> fetchBoardLabels(const QString &boardID);
    QCoro::Task<QList<TrelloMember>> fetchBoardMembers(const QString &boardID);
    QCoro::Task<> addLabel(const QString &cardID, const QString &labelID);
    QCoro::Task<> removeLabel(const QString &cardID, const QString &labelID);
    QCoro::Task<> addMember(const QString &cardID, const QString &memberID);
    QCoro::Task<> removeMember(const QString &cardID, const QString &memberID);

    // Comments and reactions
    QCoro::Task<QList<TrelloComment>> fetchComments(const QString &cardID);
    QCoro::Task<TrelloComment> addComment(const QString &cardID, const QString &text);
    QCoro::Task<TrelloComment> editComment(const QString &actionID, const QString &text);
    QCoro::Task<> deleteComment(const QString &actionID);
    QCoro::Task<QList<TrelloReaction>> fetchReactions(const QString &actionID);
    QCoro::Task<> addReaction(const QString &actionID, const QString &shortName);
    QCoro::Task<> removeReaction(const QString &actionID, const QString &reactionID);

    // Checklists and attachments
    QCoro::Task<QList<TrelloChecklist>> fetchChecklists(const QString &cardID);
    QCoro::Task<> createChecklist(const QString &cardID, const QString &name);
    QCoro::Task<> deleteChecklist(const QString &id);
    QCoro::Task<> addCheckItem(const QString &checklistID, const QString &name);
    QCoro::Task<> renameCheckItem(const QString &cardID, const QString &checkItemID,
                                  const QString &name);
    QCoro::Task<> setCheckItemState(const QString &cardID, const QString &checkItemID,
                                    bool complete);
    QCoro::Task<> deleteCheckItem(const QString &checklistID, const QString &checkItemID);
    QCoro::Task<QList<TrelloAttachment>> fetchAttachments(const QString &cardID);
    QCoro::Task<> addAttachment(const QString &cardID, const QString &url,
                                const QString &name = QString());
    QCoro::Task<> uploadAttachment(const QString &cardID, const QByteArray &fileData,
                                   const QString &filename, const QString &mimeType);
    QCoro::Task<> deleteAttachment(const QString &cardID, const QString &attachmentID);

    // Search: the open cards of every board the member sees whose name or description has
    // words starting with the query's words, at most `limit` of them, with their board and list.
    QCoro::Task<TrelloSearchResult> searchCards(const QString &query, int limit);

    // Notifications. The member's unread ones, newest first, at most `limit` (the service takes
    // up to 1000); with `since` (a notification's id) only those newer than it. Each carries its
    // creator.
    static constexpr int notificationsLimit = 1000;
    QCoro::Task<QList<TrelloNotification>> fetchNotifications(const QString &since, int limit);
    QCoro::Task<> markNotificationRead(const QString &id);
    // Several at once; with no ids, every one of the member's.
    QCoro::Task<> markNotificationsRead(const QStringList &ids);
    // The notifications about one card.
    QCoro::Task<> markCardNotificationsRead(const QString &cardID);

    // Due reminders: the open cards the member is on, on the boards they see, with their due
    // date, completion and reminder.
    QCoro::Task<QList<TrelloMemberCard>> fetchMemberCards();

    // Answers at least this large are decoded on a worker thread so the UI stays responsive.
    static constexpr qsizetype offThreadDecodeThreshold = 128 * 1024;

    // Decodes an answer into T (a record or a list of records), throwing decodingFailed.
    template <typename T> static T decode(const QByteArray &body);

Q_SIGNALS:
    // The service began refusing requests (or would have): none goes out for this long.
    // Once per stretch of refusals, however many requests it turns away.
    void rateLimited(qint64 retryInMs);
    void offlineChanged(bool offline);

private:
    struct Request {
        QByteArray method;
        QString path;
        QueryItems query;
        QByteArray body;
        QByteArray contentType;
    };

    // The service's edge refuses longer URLs with 414 (it lets 8,000 bytes pass, not 8,200).
    static constexpr qsizetype maxURLBytes = 8000;

    QUrl makeURL(const QString &path, const QueryItems &extraQuery) const;
    // The request's URL; a POST or PUT whose URL would be too long carries its parameters in a
    // form body instead.
    QUrl placeParameters(Request &request) const;
    static QByteArray formEncoded(const QueryItems &items);
    QCoro::Task<QByteArray> perform(Request request);
    template <typename T> QCoro::Task<T> fetch(Request request);
    QCoro::Task<> send(Request request);
    // The error for a refused request; announces the stretch of refusals when it is new.
    TrelloAPIError refused(const RateBudget::Pause &pause, int status = 0,
                           const QString &body = QString());

    QNetworkAccessManager *m_network;
    QUrl m_baseURL;
    std::optional<QString> m_apiKey;
    std::optional<QString> m_token;
    std::chrono::milliseconds m_timeout = defaultTimeout;
    std::shared_ptr<RateBudget> m_budget = std::make_shared<RateBudget>();
    bool m_budgetShared = false;
    quint64 m_announcedEpisode = 0;
    bool m_offline = false;
};
