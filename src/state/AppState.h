// SPDX-License-Identifier: MIT
#pragma once

#include "AttachmentsArea.h"
#include "BoardsArea.h"
#include "CardsArea.h"
#include "ChecklistsArea.h"
#include "CommentsArea.h"
#include "Connectivity.h"
#include "SearchArea.h"
#include "NotificationsArea.h"
#include "RemindersArea.h"
#include "ErrorLog.h"
#include "Operation.h"
#include "SessionArea.h"
#include "StoreContext.h"

#include <QObject>
#include <QSettings>
#include <QTimer>
#include <QtQml/qqmlregistration.h>

#include <memory>
#include <optional>

class QNetworkAccessManager;
class QQmlEngine;

// The one store the views see: a thin root over its areas — the session, the boards and their
// lists, the cards, a card's comments, checklists and attachments, and the error log — plus the few things that belong to
// the panel as a whole. Every user action is an operation of an area; each returns an
// Operation that C++ can co_await and QML can chain with .then(context, outcome => …).
//
// Coroutines here keep the result of a co_await in a variable before testing it: g++ 12
// miscompiles some co_await expressions inside an if condition (the awaiting coroutine is
// resumed through a garbage handle), and a conditional expression choosing between two tasks.
class AppState : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    Q_PROPERTY(SessionArea *session READ session CONSTANT)
    Q_PROPERTY(BoardsArea *boards READ boards CONSTANT)
    Q_PROPERTY(CardsArea *cards READ cards CONSTANT)
    Q_PROPERTY(CommentsArea *comments READ comments CONSTANT)
    Q_PROPERTY(ChecklistsArea *checklists READ checklists CONSTANT)
    Q_PROPERTY(AttachmentsArea *attachments READ attachments CONSTANT)
    Q_PROPERTY(SearchArea *search READ search CONSTANT)
    Q_PROPERTY(NotificationsArea *notifications READ notifications CONSTANT)
    Q_PROPERTY(RemindersArea *reminders READ reminders CONSTANT)
    Q_PROPERTY(ErrorLog *errors READ errors CONSTANT)
    // The banner's line: the latest failure until the next success; "" dismisses it.
    Q_PROPERTY(QString errorMessage READ errorMessage WRITE setErrorMessage NOTIFY errorMessageChanged)
    Q_PROPERTY(bool isExpanded READ isExpanded WRITE setExpanded NOTIFY isExpandedChanged)
    Q_PROPERTY(QString activeBoardID READ activeBoardID WRITE setActiveBoardID NOTIFY activeBoardIDChanged)
    // No network reaches the service: nothing is sent, and the banner says since when the panel
    // shows what it shows.
    Q_PROPERTY(bool offline READ isOffline NOTIFY offlineChanged)
public:
    // What the store needs from outside. The program builds these in main(); tests and the
    // demo hand in their own.
    struct Dependencies {
        std::shared_ptr<CredentialStore> credentials; // kept in memory when absent
        std::unique_ptr<QSettings> settings;          // the user's preferences when absent
        std::unique_ptr<LoginItem> loginItem;         // none: the login item cannot be changed
        QNetworkAccessManager *network = nullptr;     // a store of its own when absent
        QUrl baseURL = TrelloAPI::defaultBaseURL();
        std::chrono::milliseconds requestTimeout = TrelloAPI::defaultTimeout;
        QString builtInAppKey = QStringLiteral(STAVELIN_APP_KEY);
    };

    // No default argument: Qt 6.4 builds a QML singleton with the default constructor when there
    // is one, ignoring create(), and QML would get a second store of its own.
    explicit AppState(Dependencies dependencies, QObject *parent = nullptr);
    ~AppState() override;

    // The QML singleton is the instance the program created.
    static AppState *create(QQmlEngine *engine, QJSEngine *);
    static void setInstance(AppState *instance);
    static AppState *instance();

    // The start-up task (reads the keyring, validates, loads the boards).
    Operation startup() const { return m_startup; }

    SessionArea *session() const { return m_session; }
    BoardsArea *boards() const { return m_boards; }
    CardsArea *cards() const { return m_cards; }
    CommentsArea *comments() const { return m_comments; }
    ChecklistsArea *checklists() const { return m_checklists; }
    AttachmentsArea *attachments() const { return m_attachments; }
    SearchArea *search() const { return m_search; }
    NotificationsArea *notifications() const { return m_notifications; }
    RemindersArea *reminders() const { return m_reminders; }
    ErrorLog *errors() const { return m_errors; }
    Connectivity *connectivity() const { return m_connectivity; }
    bool isOffline() const { return m_connectivity->isOffline(); }
    TrelloAPI &api() { return *m_api; }

    QString errorMessage() const { return m_errors->errorMessage(); }
    void setErrorMessage(const QString &message) { m_errors->setErrorMessage(message); }
    bool isExpanded() const { return m_isExpanded; }
    // The preferences store, for the shell's own preferences (the shortcut).
    QSettings *preferences() const { return m_settings.get(); }
    void setExpanded(bool expanded);
    QString activeBoardID() const { return m_activeBoardID.value_or(QString()); }
    void setActiveBoardID(const QString &id); // empty = none

    // What the card editor shows of a card that the store neither holds nor is loading:
    // comments, checklists and attachments, loaded side by side.
    Q_INVOKABLE void loadCardDetails(const QString &cardID);
    // The card's editor closed, or the card went: what was loaded beneath it is let go.
    Q_INVOKABLE void releaseCardDetails(const QString &cardID);

    // What the panel shows, as every showing refreshes it: the boards and, when a board is
    // open, its lists, its labels and members, and the cards of each list one after another.
    // A refresh of the same board still running is joined, not repeated. When the service's
    // rate limit would refuse part of it, nothing is sent now and one refresh runs as soon as
    // the limit allows (every showing meanwhile gets that one). Offline, nothing is sent, and
    // the service is probed at once.
    Q_INVOKABLE Operation refreshVisible();
    // The requests one refresh sends, by what is held now: the boards, and for an open board its
    // lists, labels, members and the cards of each list.
    int refreshCost() const;

    // What is shown may be out of date (the network changed, the computer woke up): one refresh
    // of what is shown and one poll of the notifications, each joined with one under way, a
    // moment later so that the news of one change arriving from several sides is one catch-up.
    // While offline, the service is probed at once instead; reached, it catches up.
    void catchUp();
    static constexpr std::chrono::milliseconds catchUpDelay{1000};

Q_SIGNALS:
    void errorMessageChanged();
    void isExpandedChanged();
    void activeBoardIDChanged();
    void offlineChanged();
    // A catch-up has started: its refresh and poll, for whoever waits on them.
    void caughtUp(Operation refresh, Operation poll);

private:
    std::optional<QString> loseAccess(const StoreContext::Subject &subject, bool cardOnly);
    QCoro::Task<> doRefreshVisible(std::optional<QString> boardID);
    // Starts a refresh after `after` has ended, once the rate limit allows one.
    Operation refreshLater(std::optional<Operation> after);
    QCoro::Task<> waitThenRefresh(std::optional<Operation> after, std::chrono::milliseconds wait);
    void startCatchUp();

    std::unique_ptr<QSettings> m_settings;
    QNetworkAccessManager *m_network;
    TrelloAPI *m_api;
    ErrorLog *m_errors;
    StoreContext m_context;
    SessionArea *m_session;
    BoardsArea *m_boards;
    CardsArea *m_cards;
    CommentsArea *m_comments;
    ChecklistsArea *m_checklists;
    AttachmentsArea *m_attachments;
    SearchArea *m_search;
    NotificationsArea *m_notifications;
    RemindersArea *m_reminders;
    Connectivity *m_connectivity;
    QTimer m_catchUp;
    Operation m_startup;
    bool m_isExpanded = false;
    std::optional<QString> m_activeBoardID;
    std::optional<Operation> m_refresh;        // the refresh sending now
    std::optional<QString> m_refreshBoard;     // the board it refreshes
    std::optional<Operation> m_pendingRefresh; // the one that starts when it may
};
