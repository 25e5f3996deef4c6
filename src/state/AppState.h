// SPDX-License-Identifier: MIT
#pragma once

#include "KeyedCollection.h"
#include "Operation.h"
#include "api/TrelloAPI.h"
#include "platform/CredentialStore.h"
#include "platform/LoginItem.h"

#include <QObject>
#include <QPointer>
#include <QSet>
#include <QSettings>
#include <QtQml/qqmlregistration.h>

#include <memory>
#include <optional>

class QQmlEngine;
class QJSEngine;

// The one store: credentials, the signed-in member, the boards and everything loaded beneath
// them, what is loading, and the last error. Every user action is an operation here; each
// returns an Operation that C++ can co_await and QML can chain with .then(). Operations never
// throw: a failure lands in errorMessage as one line, and the next success clears it.
class AppState : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    Q_PROPERTY(QString apiKey READ apiKey NOTIFY credentialsChanged)
    Q_PROPERTY(QString token READ token NOTIFY credentialsChanged)
    Q_PROPERTY(bool hasCredentials READ hasCredentials NOTIFY credentialsChanged)
    Q_PROPERTY(QVariant member READ memberValue NOTIFY memberChanged)
    Q_PROPERTY(KeyedListModel *boards READ boardsModel CONSTANT)
    Q_PROPERTY(bool isLoadingBoards READ isLoadingBoards NOTIFY isLoadingBoardsChanged)
    Q_PROPERTY(QStringList loadingLists READ loadingLists NOTIFY loadingListsChanged)
    Q_PROPERTY(QStringList loadingCards READ loadingCards NOTIFY loadingCardsChanged)
    Q_PROPERTY(QStringList loadingComments READ loadingComments NOTIFY loadingCommentsChanged)
    Q_PROPERTY(QStringList loadingChecklists READ loadingChecklists NOTIFY loadingChecklistsChanged)
    Q_PROPERTY(QStringList loadingAttachments READ loadingAttachments NOTIFY loadingAttachmentsChanged)
    Q_PROPERTY(QString errorMessage READ errorMessage WRITE setErrorMessage NOTIFY errorMessageChanged)
    Q_PROPERTY(QString credentialsDraftKey READ credentialsDraftKey WRITE setCredentialsDraftKey NOTIFY credentialsDraftKeyChanged)
    Q_PROPERTY(QString credentialsDraftToken READ credentialsDraftToken WRITE setCredentialsDraftToken NOTIFY credentialsDraftTokenChanged)
    Q_PROPERTY(QString credentialsStatus READ credentialsStatus NOTIFY credentialsStatusChanged)
    Q_PROPERTY(bool credentialsStatusIsError READ credentialsStatusIsError NOTIFY credentialsStatusChanged)
    Q_PROPERTY(bool isValidatingCredentials READ isValidatingCredentials NOTIFY isValidatingCredentialsChanged)
    Q_PROPERTY(bool launchAtLogin READ launchAtLogin NOTIFY launchAtLoginChanged)
    Q_PROPERTY(bool isExpanded READ isExpanded WRITE setExpanded NOTIFY isExpandedChanged)
    Q_PROPERTY(QString activeBoardID READ activeBoardID WRITE setActiveBoardID NOTIFY activeBoardIDChanged)
    Q_PROPERTY(QString browserAuthKey READ browserAuthKeyText NOTIFY credentialsDraftKeyChanged)
    // For the settings form: its layout depends on whether the program has its own key, and its
    // links lead to the service's authorization and developer key pages.
    Q_PROPERTY(bool hasBuiltInAppKey READ hasBuiltInAppKey CONSTANT)
    Q_PROPERTY(QString authorizePageURL READ authorizePageURL CONSTANT)
    Q_PROPERTY(QString developerKeyPageURL READ developerKeyPageURL CONSTANT)
public:
    // What the store needs from outside; tests and the demo pass their own.
    struct Dependencies {
        std::unique_ptr<CredentialStore> credentials; // the keyring by default
        std::unique_ptr<QSettings> settings;           // the user's preferences by default
        std::unique_ptr<LoginItem> loginItem;          // XDG autostart by default
        QUrl baseURL = TrelloAPI::defaultBaseURL();
        QString builtInAppKey = QStringLiteral(STAVELIN_APP_KEY);
    };
    static Dependencies defaultDependencies();

    // No default argument: Qt 6.4 builds a QML singleton with the default constructor when there
    // is one, ignoring create(), and QML would get a second store of its own.
    explicit AppState(Dependencies dependencies, QObject *parent = nullptr);
    ~AppState() override;

    // The QML singleton is the instance the program created.
    static AppState *create(QQmlEngine *engine, QJSEngine *);
    static void setInstance(AppState *instance);

    // The start-up task (reads the keyring, validates, loads the boards).
    Operation startup() const { return m_startup; }

    // Plain fields
    QString apiKey() const { return m_apiKey; }
    QString token() const { return m_token; }
    bool hasCredentials() const { return !m_apiKey.isEmpty() && !m_token.isEmpty(); }
    const std::optional<TrelloMember> &member() const { return m_member; }
    QVariant memberValue() const;
    const QList<TrelloBoard> &boards() const { return m_boards; }
    KeyedListModel *boardsModel() const { return m_boardsModel; }
    bool isLoadingBoards() const { return m_isLoadingBoards; }
    QString errorMessage() const { return m_errorMessage.value_or(QString()); }
    const std::optional<QString> &error() const { return m_errorMessage; }
    void setErrorMessage(const QString &message); // empty = absent (the banner's Dismiss)
    QString credentialsDraftKey() const { return m_draftKey; }
    void setCredentialsDraftKey(const QString &key);
    QString credentialsDraftToken() const { return m_draftToken; }
    void setCredentialsDraftToken(const QString &token);
    QString credentialsStatus() const { return m_credentialsStatus.value_or(QString()); }
    bool credentialsStatusIsError() const { return m_credentialsStatusIsError; }
    bool isValidatingCredentials() const { return m_isValidatingCredentials; }
    bool launchAtLogin() const { return m_launchAtLogin; }
    bool isExpanded() const { return m_isExpanded; }
    void setExpanded(bool expanded);
    QString activeBoardID() const { return m_activeBoardID.value_or(QString()); }
    void setActiveBoardID(const QString &id); // empty = none
    std::optional<QString> pendingAuthKey() const { return m_pendingAuthKey; }
    TrelloAPI &api() { return *m_api; }

    // Keyed data (a parent without an entry has not been loaded)
    const KeyedCollection<TrelloList> &lists() const { return m_lists; }
    const KeyedCollection<TrelloCard> &cards() const { return m_cards; }
    const KeyedCollection<TrelloComment> &comments() const { return m_comments; }
    const KeyedCollection<TrelloReaction> &reactions() const { return m_reactions; }
    const KeyedCollection<TrelloChecklist> &checklists() const { return m_checklists; }
    const KeyedCollection<TrelloAttachment> &attachments() const { return m_attachments; }
    const KeyedCollection<TrelloLabel> &boardLabels() const { return m_boardLabels; }
    const KeyedCollection<TrelloMember> &boardMembers() const { return m_boardMembers; }

    // The same for the views: one model per parent id, kept up to date with minimal changes.
    Q_INVOKABLE KeyedListModel *listsModel(const QString &boardID);
    Q_INVOKABLE KeyedListModel *cardsModel(const QString &listID);
    Q_INVOKABLE KeyedListModel *commentsModel(const QString &cardID);
    Q_INVOKABLE KeyedListModel *reactionsModel(const QString &commentID);
    Q_INVOKABLE KeyedListModel *checklistsModel(const QString &cardID);
    Q_INVOKABLE KeyedListModel *attachmentsModel(const QString &cardID);
    Q_INVOKABLE KeyedListModel *boardLabelsModel(const QString &boardID);
    Q_INVOKABLE KeyedListModel *boardMembersModel(const QString &boardID);

    enum class Loading { Lists, Cards, Comments, Checklists, Attachments };
    bool isLoading(Loading set, const QString &id) const;
    QStringList loadingLists() const { return loadingList(Loading::Lists); }
    QStringList loadingCards() const { return loadingList(Loading::Cards); }
    QStringList loadingComments() const { return loadingList(Loading::Comments); }
    QStringList loadingChecklists() const { return loadingList(Loading::Checklists); }
    QStringList loadingAttachments() const { return loadingList(Loading::Attachments); }

    // Credentials
    Q_INVOKABLE Operation refreshBoards();
    Q_INVOKABLE Operation saveDraftCredentials();
    Q_INVOKABLE Operation saveCredentials(const QString &apiKey, const QString &token);
    Q_INVOKABLE void clearCredentials();

    // Browser authorization and the login item
    std::optional<QString> browserAuthKey() const;
    QString browserAuthKeyText() const { return browserAuthKey().value_or(QString()); }
    bool hasBuiltInAppKey() const { return !m_builtInAppKey.isEmpty(); }
    static QString authorizePageURL() { return QStringLiteral(STAVELIN_AUTHORIZE_URL); }
    static QString developerKeyPageURL()
    {
        return QStringLiteral("https://" STAVELIN_WEB_ADDRESS "/power-ups/admin");
    }
    Q_INVOKABLE void beginBrowserAuth();
    // The authorization page for a key, with its query in the service's order.
    static QUrl authorizationURL(const QString &key);
    // Takes the address as text: QUrl folds the scheme to lower case, and only the program's
    // own scheme, spelled exactly, is accepted.
    Q_INVOKABLE Operation handleAuthCallback(const QString &url);
    Operation finishAuth(const QString &token);
    Q_INVOKABLE void setLaunchAtLogin(bool enabled);

    // Boards and lists
    Q_INVOKABLE Operation refreshVisible();
    Q_INVOKABLE Operation refreshLists(const QString &boardID);
    Q_INVOKABLE Operation refreshCards(const QString &listID);
    Q_INVOKABLE Operation loadBoardMeta(const QString &boardID);
    Q_INVOKABLE Operation createBoard(const QString &name, const QString &desc = QString());
    Q_INVOKABLE Operation archiveBoard(const QString &id);
    Q_INVOKABLE Operation createList(const QString &boardID, const QString &name);
    Q_INVOKABLE Operation renameList(const QString &id, const QString &boardID, const QString &name);
    Q_INVOKABLE Operation archiveList(const QString &id, const QString &boardID);
    Q_INVOKABLE Operation moveList(const QString &id, const QString &boardID,
                                   const QString &beforeListID = QString());

    // Cards. Optional arguments are QVariants: undefined (invalid) means "not given".
    Q_INVOKABLE Operation createCard(const QString &listID, const QString &name,
                                     const QString &desc = QString(), const QVariant &due = {});
    // Result: the card as the service returned it, or undefined on failure.
    Q_INVOKABLE Operation updateCard(const QString &id, const QString &listID,
                                     const QVariant &name = {}, const QVariant &desc = {},
                                     const QVariant &due = {}, bool clearDue = false,
                                     const QVariant &dueComplete = {},
                                     const QVariant &moveToListID = {});
    Q_INVOKABLE Operation moveCard(const QString &id, const QString &toListID,
                                   const QString &beforeCardID = QString());
    Q_INVOKABLE Operation archiveCard(const QString &id, const QString &listID);
    Q_INVOKABLE Operation deleteCard(const QString &id, const QString &listID);
    Q_INVOKABLE Operation setCardLabel(const QString &cardID, const QVariant &label, bool isOn);
    Q_INVOKABLE Operation setCardMember(const QString &cardID, const QString &memberID, bool isOn);

    // Comments and reactions
    Q_INVOKABLE Operation refreshComments(const QString &cardID);
    Q_INVOKABLE Operation addComment(const QString &cardID, const QString &text);
    Q_INVOKABLE Operation editComment(const QString &cardID, const QString &commentID,
                                      const QString &text);
    Q_INVOKABLE Operation deleteComment(const QString &cardID, const QString &commentID);
    Q_INVOKABLE Operation toggleReaction(const QString &commentID, const QString &shortName,
                                         const QString &native);

    // Checklists and attachments
    Q_INVOKABLE Operation refreshChecklists(const QString &cardID);
    Q_INVOKABLE Operation createChecklist(const QString &cardID, const QString &name);
    Q_INVOKABLE Operation deleteChecklist(const QString &id, const QString &cardID);
    Q_INVOKABLE Operation addCheckItem(const QString &checklistID, const QString &cardID,
                                       const QString &name);
    Q_INVOKABLE Operation renameCheckItem(const QString &cardID, const QString &checklistID,
                                          const QString &checkItemID, const QString &name);
    Q_INVOKABLE Operation toggleCheckItem(const QString &cardID, const QString &checklistID,
                                          const QVariant &item);
    Q_INVOKABLE Operation deleteCheckItem(const QString &checklistID, const QString &checkItemID,
                                          const QString &cardID);
    void applyCheckItemState(const QString &cardID, const QString &checklistID,
                             const QString &checkItemID, bool complete);
    Q_INVOKABLE Operation refreshAttachments(const QString &cardID);
    Q_INVOKABLE Operation addAttachment(const QString &cardID, const QString &url,
                                        const QString &name = QString());
    Q_INVOKABLE Operation uploadAttachment(const QString &cardID, const QUrl &fileURL);
    Q_INVOKABLE Operation deleteAttachment(const QString &cardID, const QString &attachmentID);
    // Files above this size are refused before they are read (the service takes 250 MB).
    static constexpr qint64 maxUploadBytes = 250LL * 1024 * 1024;
    // The MIME type for a file name, by its extension only.
    static QString mimeTypeForFileName(const QString &fileName);

    // The one-line text for an error.
    static QString describe(const std::exception &error);
    // The store's board order: starred first, then by lower-cased name, stable.
    static QList<TrelloBoard> sortBoards(QList<TrelloBoard> boards);
    // Sorts by ascending pos, stably.
    template <typename T> static void sortByPos(QList<T> &records)
    {
        std::stable_sort(records.begin(), records.end(),
                         [](const T &a, const T &b) { return a.pos < b.pos; });
    }

Q_SIGNALS:
    void credentialsChanged();
    void memberChanged();
    void isLoadingBoardsChanged();
    void loadingListsChanged();
    void loadingCardsChanged();
    void loadingCommentsChanged();
    void loadingChecklistsChanged();
    void loadingAttachmentsChanged();
    void errorMessageChanged();
    void credentialsDraftKeyChanged();
    void credentialsDraftTokenChanged();
    void credentialsStatusChanged();
    void isValidatingCredentialsChanged();
    void launchAtLoginChanged();
    void isExpandedChanged();
    void activeBoardIDChanged();
    // Fires once each time a browser authorization succeeds.
    void authDidComplete();
    // Fires just before the authorization page opens, so the desktop shell can make sure the
    // browser will find its way back (a build run from its tree registers its URL scheme).
    void browserAuthWillOpen();

private:
    // Marks an id as loading for as long as it lives: every path through a fetch clears it.
    class LoadingMark {
    public:
        LoadingMark(AppState *state, Loading set, QString id);
        ~LoadingMark();
        LoadingMark(const LoadingMark &) = delete;
        LoadingMark &operator=(const LoadingMark &) = delete;

    private:
        QPointer<AppState> m_state;
        Loading m_set;
        QString m_id;
    };

    // Awaits one client call. On failure writes errorMessage and gives nothing back; success
    // leaves errorMessage to the caller, since not every operation clears it.
    // Keep the result in a variable before testing it: g++ 12 miscompiles some co_await
    // expressions inside an if condition (the awaiting coroutine is resumed through a garbage
    // handle), and a conditional expression choosing between two tasks.
    template <typename T> QCoro::Task<std::optional<T>> attempt(QCoro::Task<T> call)
    {
        try {
            co_return co_await std::move(call);
        } catch (const std::exception &error) {
            setError(describe(error));
        }
        co_return std::nullopt;
    }
    QCoro::Task<bool> attempt(QCoro::Task<> call);
    // Loads one parent's records the way every keyed load goes: silent without credentials,
    // the parent in its loading set while the request runs, the answer put in order and
    // stored whole, errorMessage cleared. True when something was stored.
    template <typename T>
    QCoro::Task<bool> loadInto(KeyedCollection<T> &collection, Loading set, QString parent,
                               QCoro::Task<QList<T>> (TrelloAPI::*fetch)(const QString &),
                               void (*order)(QList<T> &))
    {
        if (!hasCredentials()) {
            co_return false;
        }
        LoadingMark loading(this, set, parent);
        auto records = co_await attempt((m_api->*fetch)(parent));
        if (!records) {
            co_return false;
        }
        order(*records);
        collection.set(parent, std::move(*records));
        clearError();
        co_return true;
    }
    template <typename T> Operation operation(QCoro::Task<T> &&task)
    {
        return Operation(std::move(task), m_engine);
    }

    void setError(const std::optional<QString> &message);
    void clearError() { setError(std::nullopt); }
    void setMember(std::optional<TrelloMember> member);
    void setBoards(QList<TrelloBoard> boards);
    void setLoadingBoards(bool loading);
    void setCredentialsStatus(const std::optional<QString> &status, bool isError);
    void setValidating(bool validating);
    void setLaunchAtLoginValue(bool enabled);
    void setLoading(Loading set, const QString &id, bool loading);
    QStringList loadingList(Loading set) const;

    QCoro::Task<> runStartup();
    QCoro::Task<> doRefreshBoards();
    QCoro::Task<> doSaveDraftCredentials();
    QCoro::Task<> doSaveCredentials(QString apiKey, QString token);
    QCoro::Task<> doHandleAuthCallback(QString url);
    QCoro::Task<> doFinishAuth(QString token);
    QCoro::Task<> doRefreshVisible();
    QCoro::Task<> doRefreshLists(QString boardID);
    QCoro::Task<> doRefreshCards(QString listID);
    QCoro::Task<> doLoadBoardMeta(QString boardID);
    QCoro::Task<> doCreateBoard(QString name, QString desc);
    QCoro::Task<> doArchiveBoard(QString id);
    QCoro::Task<> doCreateList(QString boardID, QString name);
    QCoro::Task<> doRenameList(QString id, QString boardID, QString name);
    QCoro::Task<> doArchiveList(QString id, QString boardID);
    QCoro::Task<> doMoveList(QString id, QString boardID, QString beforeListID);
    QCoro::Task<> doCreateCard(QString listID, QString name, QString desc,
                               std::optional<QDateTime> due);
    QCoro::Task<QVariant> doUpdateCard(QString id, QString listID, std::optional<QString> name,
                                       std::optional<QString> desc, std::optional<QDateTime> due,
                                       bool clearDue, std::optional<bool> dueComplete,
                                       std::optional<QString> moveToListID);
    QCoro::Task<> doMoveCard(QString id, QString toListID, QString beforeCardID);
    QCoro::Task<> doRemoveCard(QString id, QString listID, bool deleteIt);
    QCoro::Task<> doSetCardLabel(QString cardID, TrelloLabel label, bool isOn);
    QCoro::Task<> doSetCardMember(QString cardID, QString memberID, bool isOn);
    QCoro::Task<> doRefreshComments(QString cardID);
    QCoro::Task<> loadReactions(QStringList commentIDs);
    QCoro::Task<> doAddComment(QString cardID, QString text);
    QCoro::Task<> doEditComment(QString cardID, QString commentID, QString text);
    QCoro::Task<> doDeleteComment(QString cardID, QString commentID);
    QCoro::Task<> doToggleReaction(QString commentID, QString shortName, QString native);
    QCoro::Task<> doRefreshChecklists(QString cardID);
    QCoro::Task<> doCreateChecklist(QString cardID, QString name);
    QCoro::Task<> doDeleteChecklist(QString id, QString cardID);
    QCoro::Task<> doAddCheckItem(QString checklistID, QString cardID, QString name);
    QCoro::Task<> doRenameCheckItem(QString cardID, QString checklistID, QString checkItemID,
                                    QString name);
    QCoro::Task<> doToggleCheckItem(QString cardID, QString checklistID, TrelloCheckItem item);
    QCoro::Task<> doDeleteCheckItem(QString checklistID, QString checkItemID, QString cardID);
    QCoro::Task<> doRefreshAttachments(QString cardID);
    QCoro::Task<> doAddAttachment(QString cardID, QString url, QString name);
    QCoro::Task<> doUploadAttachment(QString cardID, QUrl fileURL);
    QCoro::Task<> doDeleteAttachment(QString cardID, QString attachmentID);

    // Card helpers shared by the card, comment and checklist operations.
    template <typename Edit> void updateCardInPlace(const QString &cardID, Edit edit);
    void recomputeBadge(const QString &cardID);
    void adjustCommentBadge(const QString &cardID, qint64 delta);
    void insertCardSorted(const QString &listID, const TrelloCard &card);

    std::unique_ptr<CredentialStore> m_credentialStore;
    std::unique_ptr<QSettings> m_settings;
    std::unique_ptr<LoginItem> m_loginItem;
    QString m_builtInAppKey;
    QNetworkAccessManager *m_network;
    TrelloAPI *m_api;
    QPointer<QJSEngine> m_engine;
    Operation m_startup;

    QString m_apiKey;
    QString m_token;
    std::optional<TrelloMember> m_member;
    QList<TrelloBoard> m_boards;
    KeyedListModel *m_boardsModel;
    KeyedCollection<TrelloList> m_lists{this};
    KeyedCollection<TrelloCard> m_cards{this};
    KeyedCollection<TrelloComment> m_comments{this};
    KeyedCollection<TrelloReaction> m_reactions{this};
    KeyedCollection<TrelloChecklist> m_checklists{this};
    KeyedCollection<TrelloAttachment> m_attachments{this};
    KeyedCollection<TrelloLabel> m_boardLabels{this};
    KeyedCollection<TrelloMember> m_boardMembers{this};
    bool m_isLoadingBoards = false;
    QSet<QString> m_loading[5];
    std::optional<QString> m_errorMessage;
    QString m_draftKey;
    QString m_draftToken;
    std::optional<QString> m_credentialsStatus;
    bool m_credentialsStatusIsError = false;
    bool m_isValidatingCredentials = false;
    bool m_launchAtLogin = false;
    bool m_isExpanded = false;
    std::optional<QString> m_activeBoardID;
    std::optional<QString> m_pendingAuthKey;
};
