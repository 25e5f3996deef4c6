// SPDX-License-Identifier: MIT
// The store's core: fields, start-up, credentials, the board list and the operation machinery.
#include "AppState.h"

#include "platform/KeychainHelper.h"
#include "platform/LoginItem.h"

#include <QJSEngine>
#include <QNetworkAccessManager>
#include <QQmlEngine>

using namespace Qt::StringLiterals;

namespace {
QPointer<AppState> s_instance;
const auto ExpandedKey = u"MenuBarIsExpanded"_s;
} // namespace

AppState::Dependencies AppState::defaultDependencies()
{
    Dependencies dependencies;
    dependencies.credentials = std::make_unique<KeychainHelper>();
    dependencies.settings = std::make_unique<QSettings>();
    dependencies.loginItem = std::make_unique<LoginItem>();
    return dependencies;
}

AppState::AppState(Dependencies dependencies, QObject *parent)
    : QObject(parent),
      m_credentialStore(std::move(dependencies.credentials)),
      m_settings(std::move(dependencies.settings)),
      m_loginItem(std::move(dependencies.loginItem)),
      m_builtInAppKey(std::move(dependencies.builtInAppKey)),
      m_network(new QNetworkAccessManager(this)),
      m_api(new TrelloAPI(m_network, dependencies.baseURL, this)),
      m_boardsModel(KeyedListModel::forType<TrelloBoard>(this))
{
    if (!m_credentialStore) {
        m_credentialStore = std::make_unique<MemoryCredentialStore>();
    }
    if (!m_settings) {
        m_settings = std::make_unique<QSettings>();
    }
    m_launchAtLogin = m_loginItem && m_loginItem->isEnabled();
    m_isExpanded = m_settings->value(ExpandedKey, false).toBool();
    m_startup = operation(runStartup());
}

AppState::~AppState() = default;

AppState *AppState::create(QQmlEngine *engine, QJSEngine *)
{
    Q_ASSERT_X(s_instance, "AppState::create", "the program creates the store before QML");
    QJSEngine::setObjectOwnership(s_instance, QJSEngine::CppOwnership);
    s_instance->m_engine = engine;
    return s_instance;
}

void AppState::setInstance(AppState *instance)
{
    s_instance = instance;
}

QCoro::Task<> AppState::runStartup()
{
    // The keyring answers asynchronously; the window is up meanwhile.
    const QString key = (co_await m_credentialStore->read(KeychainHelper::ApiKeyAccount)).value_or(QString());
    const QString token = (co_await m_credentialStore->read(KeychainHelper::TokenAccount)).value_or(QString());
    if (m_apiKey.isEmpty() && m_token.isEmpty()) { // unless the user connected meanwhile
        m_apiKey = key;
        m_token = token;
        setCredentialsDraftKey(key);
        setCredentialsDraftToken(token);
        Q_EMIT credentialsChanged();
        m_api->setCredentials(key, token);
    }
    if (key.isEmpty() || token.isEmpty()) {
        co_return;
    }
    try {
        setMember(co_await m_api->validateCredentials());
    } catch (const std::exception &) {
        setMember(std::nullopt); // invalid stored credentials: the board refresh says why
    }
    co_await doRefreshBoards();
}

// Field plumbing

QVariant AppState::memberValue() const
{
    return m_member ? QVariant::fromValue(*m_member) : QVariant();
}

void AppState::setMember(std::optional<TrelloMember> member)
{
    if (m_member != member) {
        m_member = std::move(member);
        Q_EMIT memberChanged();
    }
}

void AppState::setBoards(QList<TrelloBoard> boards)
{
    m_boards = std::move(boards);
    m_boardsModel->replace(m_boards);
}

void AppState::setLoadingBoards(bool loading)
{
    if (m_isLoadingBoards != loading) {
        m_isLoadingBoards = loading;
        Q_EMIT isLoadingBoardsChanged();
    }
}

void AppState::setError(const std::optional<QString> &message)
{
    if (m_errorMessage != message) {
        m_errorMessage = message;
        Q_EMIT errorMessageChanged();
    }
}

void AppState::setErrorMessage(const QString &message)
{
    setError(message.isEmpty() ? std::nullopt : std::optional(message));
}

void AppState::setCredentialsDraftKey(const QString &key)
{
    if (m_draftKey != key) {
        m_draftKey = key;
        Q_EMIT credentialsDraftKeyChanged();
    }
}

void AppState::setCredentialsDraftToken(const QString &token)
{
    if (m_draftToken != token) {
        m_draftToken = token;
        Q_EMIT credentialsDraftTokenChanged();
    }
}

void AppState::setCredentialsStatus(const std::optional<QString> &status, bool isError)
{
    if (m_credentialsStatus != status || m_credentialsStatusIsError != isError) {
        m_credentialsStatus = status;
        m_credentialsStatusIsError = isError;
        Q_EMIT credentialsStatusChanged();
    }
}

void AppState::setValidating(bool validating)
{
    if (m_isValidatingCredentials != validating) {
        m_isValidatingCredentials = validating;
        Q_EMIT isValidatingCredentialsChanged();
    }
}

void AppState::setLaunchAtLoginValue(bool enabled)
{
    if (m_launchAtLogin != enabled) {
        m_launchAtLogin = enabled;
        Q_EMIT launchAtLoginChanged();
    }
}

void AppState::setExpanded(bool expanded)
{
    // Stored at once, even when unchanged: nothing is saved at exit.
    m_settings->setValue(ExpandedKey, expanded);
    m_settings->sync();
    if (m_isExpanded != expanded) {
        m_isExpanded = expanded;
        Q_EMIT isExpandedChanged();
    }
}

void AppState::setActiveBoardID(const QString &id)
{
    const std::optional<QString> value = id.isEmpty() ? std::nullopt : std::optional(id);
    if (m_activeBoardID != value) {
        m_activeBoardID = value;
        Q_EMIT activeBoardIDChanged();
    }
}

// Loading sets

AppState::LoadingMark::LoadingMark(AppState *state, Loading set, QString id)
    : m_state(state), m_set(set), m_id(std::move(id))
{
    m_state->setLoading(m_set, m_id, true);
}

AppState::LoadingMark::~LoadingMark()
{
    if (m_state) {
        m_state->setLoading(m_set, m_id, false);
    }
}

void AppState::setLoading(Loading set, const QString &id, bool loading)
{
    QSet<QString> &ids = m_loading[static_cast<int>(set)];
    const bool changed = loading ? !ids.contains(id) : ids.contains(id);
    if (!changed) {
        return;
    }
    if (loading) {
        ids.insert(id);
    } else {
        ids.remove(id);
    }
    switch (set) {
    case Loading::Lists:
        Q_EMIT loadingListsChanged();
        break;
    case Loading::Cards:
        Q_EMIT loadingCardsChanged();
        break;
    case Loading::Comments:
        Q_EMIT loadingCommentsChanged();
        break;
    case Loading::Checklists:
        Q_EMIT loadingChecklistsChanged();
        break;
    case Loading::Attachments:
        Q_EMIT loadingAttachmentsChanged();
        break;
    }
}

bool AppState::isLoading(Loading set, const QString &id) const
{
    return m_loading[static_cast<int>(set)].contains(id);
}

QStringList AppState::loadingList(Loading set) const
{
    QStringList ids = m_loading[static_cast<int>(set)].values();
    ids.sort();
    return ids;
}

// Models for the views

KeyedListModel *AppState::listsModel(const QString &boardID) { return m_lists.model(boardID); }
KeyedListModel *AppState::cardsModel(const QString &listID) { return m_cards.model(listID); }
KeyedListModel *AppState::commentsModel(const QString &cardID) { return m_comments.model(cardID); }
KeyedListModel *AppState::reactionsModel(const QString &commentID)
{
    return m_reactions.model(commentID);
}
KeyedListModel *AppState::checklistsModel(const QString &cardID)
{
    return m_checklists.model(cardID);
}
KeyedListModel *AppState::attachmentsModel(const QString &cardID)
{
    return m_attachments.model(cardID);
}
KeyedListModel *AppState::boardLabelsModel(const QString &boardID)
{
    return m_boardLabels.model(boardID);
}
KeyedListModel *AppState::boardMembersModel(const QString &boardID)
{
    return m_boardMembers.model(boardID);
}

// The operation machinery

QString AppState::describe(const std::exception &error)
{
    if (const auto *apiError = dynamic_cast<const TrelloAPIError *>(&error)) {
        return apiError->errorDescription();
    }
    return QString::fromUtf8(error.what());
}

QCoro::Task<bool> AppState::attempt(QCoro::Task<> call)
{
    try {
        co_await std::move(call);
        co_return true;
    } catch (const std::exception &error) {
        setError(describe(error));
    }
    co_return false;
}

// Boards and credentials

QList<TrelloBoard> AppState::sortBoards(QList<TrelloBoard> boards)
{
    // Full Unicode lower-casing, then plain code-point order: no locale, no numeric collation.
    QList<std::pair<QString, qsizetype>> keys;
    keys.reserve(boards.size());
    for (qsizetype i = 0; i < boards.size(); ++i) {
        keys.append({boards[i].name.toLower(), i});
    }
    std::stable_sort(keys.begin(), keys.end(), [&boards](const auto &a, const auto &b) {
        const bool starredA = boards[a.second].starred.value_or(false);
        const bool starredB = boards[b.second].starred.value_or(false);
        if (starredA != starredB) {
            return starredA;
        }
        return QStringView(a.first).compare(QStringView(b.first), Qt::CaseSensitive) < 0;
    });
    QList<TrelloBoard> sorted;
    sorted.reserve(boards.size());
    for (const auto &key : keys) {
        sorted.append(std::move(boards[key.second]));
    }
    return sorted;
}

Operation AppState::refreshBoards()
{
    return operation(doRefreshBoards());
}

QCoro::Task<> AppState::doRefreshBoards()
{
    if (!hasCredentials()) {
        co_return;
    }
    setLoadingBoards(true);
    const auto boards = co_await attempt(m_api->fetchBoards());
    if (boards) {
        setBoards(sortBoards(*boards));
        clearError();
    }
    setLoadingBoards(false);
}

Operation AppState::saveDraftCredentials()
{
    return operation(doSaveDraftCredentials());
}

QCoro::Task<> AppState::doSaveDraftCredentials()
{
    const QString key = m_draftKey.trimmed();
    const QString token = m_draftToken.trimmed();
    if (key.isEmpty() || token.isEmpty()) {
        co_return;
    }
    setValidating(true);
    co_await doSaveCredentials(key, token);
    if (m_member) {
        setCredentialsStatus(u"Connected as "_s + m_member->fullName.value_or(m_member->username) +
                                 u"."_s,
                             false);
    } else if (m_errorMessage) {
        setCredentialsStatus(m_errorMessage, true);
    }
    setValidating(false);
}

Operation AppState::saveCredentials(const QString &apiKey, const QString &token)
{
    return operation(doSaveCredentials(apiKey, token));
}

QCoro::Task<> AppState::doSaveCredentials(QString apiKey, QString token)
{
    m_apiKey = apiKey;
    m_token = token;
    Q_EMIT credentialsChanged();
    // Stored before validation; a keyring that refuses is noticed only at the next launch.
    co_await m_credentialStore->save(KeychainHelper::ApiKeyAccount, apiKey);
    co_await m_credentialStore->save(KeychainHelper::TokenAccount, token);
    // The pair may have changed while the keyring was busy: the latest call wins.
    if (m_apiKey != apiKey || m_token != token) {
        co_return;
    }
    m_api->setCredentials(apiKey, token);
    const auto member = co_await attempt(m_api->validateCredentials());
    if (!member) {
        co_return;
    }
    setMember(*member);
    clearError();
    co_await doRefreshBoards();
}

void AppState::clearCredentials()
{
    m_apiKey.clear();
    m_token.clear();
    Q_EMIT credentialsChanged();
    setMember(std::nullopt);
    setBoards({});
    m_lists.clear();
    m_cards.clear();
    m_comments.clear();
    m_reactions.clear();
    m_checklists.clear();
    m_attachments.clear();
    m_boardLabels.clear();
    m_boardMembers.clear();
    setCredentialsDraftKey(QString());
    setCredentialsDraftToken(QString());
    setCredentialsStatus(u"Disconnected."_s, false);
    setActiveBoardID(QString());
    m_credentialStore->remove(KeychainHelper::ApiKeyAccount);
    m_credentialStore->remove(KeychainHelper::TokenAccount);
    m_api->setCredentials(QString(), QString());
}
