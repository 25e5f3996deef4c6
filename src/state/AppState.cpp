// SPDX-License-Identifier: MIT
#include "AppState.h"

#include <QJSEngine>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QQmlEngine>

#include <QCoroTimer>

using namespace Qt::StringLiterals;

namespace {
QPointer<AppState> s_instance;
const auto ExpandedKey = u"MenuBarIsExpanded"_s;
} // namespace

AppState::AppState(Dependencies dependencies, QObject *parent)
    : QObject(parent),
      m_settings(dependencies.settings ? std::move(dependencies.settings)
                                       : std::make_unique<QSettings>()),
      m_network(dependencies.network ? dependencies.network : new QNetworkAccessManager(this)),
      m_api(new TrelloAPI(m_network, dependencies.baseURL, this)),
      m_errors(new ErrorLog(this)),
      m_context(m_api, m_errors)
{
    m_api->setTimeout(dependencies.requestTimeout);
    m_connectivity = new Connectivity(*m_api, *m_errors, this);
    m_context.setConnectivity(m_connectivity);
    m_session = new SessionArea(m_context, std::move(dependencies.credentials),
                                std::move(dependencies.loginItem),
                                std::move(dependencies.builtInAppKey), this);
    m_context.setSession(m_session);
    m_boards = new BoardsArea(m_context, this);
    m_cards = new CardsArea(m_context, this);
    m_comments = new CommentsArea(m_context, this);
    m_checklists = new ChecklistsArea(m_context, this);
    m_attachments = new AttachmentsArea(m_context, this);
    m_search = new SearchArea(m_context, *m_boards, this);
    m_notifications = new NotificationsArea(m_context, *m_session, this);
    m_reminders = new RemindersArea(m_context, *m_session, *m_boards, m_settings.get(), this);
    // The areas know nothing of each other; what one does to another is wired here.
    connect(m_boards, &BoardsArea::listReleased, m_cards, &CardsArea::releaseList);
    connect(m_cards, &CardsArea::cardReleased, this, &AppState::releaseCardDetails);
    connect(m_checklists, &ChecklistsArea::checklistBadgeChanged, m_cards, &CardsArea::setChecklistBadge);
    connect(m_comments, &CommentsArea::commentCountChanged, m_cards, &CardsArea::adjustCommentBadge);
    connect(m_cards, &CardsArea::cardUpdated, m_reminders, &RemindersArea::noteCard);

    connect(m_errors, &ErrorLog::errorMessageChanged, this, &AppState::errorMessageChanged);
    m_session->setAfterConnect([this] { return m_boards->loadBoards(); });
    connect(m_session, &SessionArea::disconnected, this, [this] {
        // A board of the account that left must not come back with the next one.
        setActiveBoardID(QString());
        m_search->clear();
        m_comments->clear();
        m_checklists->clear();
        m_attachments->clear();
        m_cards->clear();
        m_boards->clear();
    });

    m_context.setLostAccessHandler(
        [this](const StoreContext::Subject &subject, bool cardOnly) { return loseAccess(subject, cardOnly); });

    // The service began refusing requests: once it takes them again, the panel is brought up to
    // date by one refresh.
    connect(m_api, &TrelloAPI::rateLimited, this, [this] {
        if (m_session->hasCredentials() && !(m_pendingRefresh && !m_pendingRefresh->isFinished())) {
            refreshLater(m_refresh);
        }
    });

    // Out of reach, nothing is sent, timed polls included; back, what is shown catches up.
    connect(m_connectivity, &Connectivity::offlineChanged, this, [this](bool offline) {
        m_notifications->setPaused(offline);
        Q_EMIT offlineChanged();
    });
    connect(m_connectivity, &Connectivity::networkChanged, this, &AppState::catchUp);
    m_catchUp.setSingleShot(true);
    m_catchUp.setInterval(catchUpDelay);
    connect(&m_catchUp, &QTimer::timeout, this, &AppState::startCatchUp);

    m_isExpanded = m_settings->value(ExpandedKey, false).toBool();
    m_startup = m_context.run(u"startup"_s, m_session->startup());
}

// Requests still out are ended before the areas go: each ends as a failed request would, so
// whatever waits on one finishes with the areas still there (instead of waiting for ever).
AppState::~AppState()
{
    for (QNetworkReply *reply : m_network->findChildren<QNetworkReply *>()) {
        reply->abort();
    }
}

// The member was taken off a board, or a card went to a board they cannot see: that board (or
// card) leaves what is shown, everything else stays, and the session stays signed in.
std::optional<QString> AppState::loseAccess(const StoreContext::Subject &subject, bool cardOnly)
{
    QString card = subject.value(u"card"_s);
    if (card.isEmpty() && subject.contains(u"comment"_s)) {
        card = m_comments->comments().parentOf(subject.value(u"comment"_s)).value_or(QString());
    }
    if (card.isEmpty() && subject.contains(u"checklist"_s)) {
        card = m_checklists->checklists().parentOf(subject.value(u"checklist"_s)).value_or(QString());
    }
    const TrelloCard *held = card.isEmpty() ? nullptr : m_cards->cards().record(card);
    const QString gone = tr("You no longer have access to “%1”.");
    if (cardOnly && held) {
        const QString line = gone.arg(held->name);
        m_cards->dropCard(card);
        return line;
    }
    QString board = subject.value(u"board"_s);
    if (board.isEmpty() && subject.contains(u"list"_s)) {
        board = m_boards->lists().parentOf(subject.value(u"list"_s)).value_or(QString());
    }
    if (board.isEmpty() && held) {
        board = held->idBoard;
    }
    for (const TrelloBoard &known : m_boards->boards()) {
        if (known.id == board) {
            const QString line = gone.arg(known.name);
            if (activeBoardID() == board) {
                setActiveBoardID(QString());
            }
            m_boards->dropBoard(board);
            return line;
        }
    }
    return std::nullopt;
}

void AppState::loadCardDetails(const QString &cardID)
{
    m_comments->loadMissing(cardID);
    m_checklists->loadMissing(cardID);
    m_attachments->loadMissing(cardID);
}

void AppState::releaseCardDetails(const QString &cardID)
{
    m_comments->release(cardID);
    m_checklists->release(cardID);
    m_attachments->release(cardID);
}

AppState *AppState::create(QQmlEngine *engine, QJSEngine *)
{
    Q_ASSERT_X(s_instance, "AppState::create", "the program creates the store before QML");
    QJSEngine::setObjectOwnership(s_instance, QJSEngine::CppOwnership);
    s_instance->m_context.setEngine(engine);
    return s_instance;
}

void AppState::setInstance(AppState *instance)
{
    s_instance = instance;
}

AppState *AppState::instance()
{
    return s_instance;
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

int AppState::refreshCost() const
{
    if (!m_activeBoardID) {
        return 1;
    }
    // The boards, the lists, the labels and the members, then one request per list.
    return 4 + int(m_boards->lists().value(*m_activeBoardID).size());
}

Operation AppState::refreshVisible()
{
    // Out of reach, a showing asks at once whether the service is back (the system's word on
    // the network may be wrong); the refresh itself is held back, and says so. Reached, what
    // is shown catches up.
    if (m_connectivity->isOffline()) {
        m_connectivity->probeNow();
    }
    // A refresh still to start covers this showing: it refreshes what is open when it starts.
    if (m_pendingRefresh && !m_pendingRefresh->isFinished()) {
        return *m_pendingRefresh;
    }
    if (m_refresh && !m_refresh->isFinished()) {
        if (m_refreshBoard == m_activeBoardID) {
            return *m_refresh; // it is sending these very requests
        }
        return refreshLater(m_refresh);
    }
    if (m_session->hasCredentials() &&
        m_api->budgetWait(refreshCost()) > std::chrono::milliseconds(0)) {
        return refreshLater(std::nullopt);
    }
    m_refreshBoard = m_activeBoardID;
    m_refresh = m_context.run(u"refreshVisible"_s, doRefreshVisible(m_refreshBoard));
    return *m_refresh;
}

void AppState::catchUp()
{
    if (m_connectivity->isOffline()) {
        m_connectivity->probeNow(); // reached, it catches up
        return;
    }
    if (!m_catchUp.isActive()) {
        m_catchUp.start(); // not restarted: news that keeps coming must not put it off for ever
    }
}

void AppState::startCatchUp()
{
    if (!m_session->hasCredentials() || m_connectivity->isOffline()) {
        return;
    }
    if (!m_session->member()) {
        // Started out of reach: the account was never confirmed, and with it the notifications
        // wait. Confirmed now, the boards load and the notifications are polled.
        Operation confirm = m_context.run(u"startup"_s, m_session->confirm());
        Q_EMIT caughtUp(confirm, m_notifications->poll());
        return;
    }
    Operation refresh = refreshVisible();
    Q_EMIT caughtUp(refresh, m_notifications->poll());
    // A sleep stopped the reminders' timer with the clock: their times are worked out afresh.
    m_reminders->fetch();
}

Operation AppState::refreshLater(std::optional<Operation> after)
{
    if (after && after->isFinished()) {
        after.reset();
    }
    // Without a refresh to wait for, there is a wait for the budget (at least a moment), so the
    // task is suspended before it is stored here.
    const auto wait = std::max(m_api->budgetWait(refreshCost()), std::chrono::milliseconds(1));
    m_pendingRefresh = m_context.run(u"refreshVisible"_s, waitThenRefresh(std::move(after), wait));
    return *m_pendingRefresh;
}

QCoro::Task<> AppState::waitThenRefresh(std::optional<Operation> after,
                                        std::chrono::milliseconds wait)
{
    const QPointer<AppState> self(this);
    if (after) {
        co_await *after;
        // On from the event loop, not from inside the end of the one before: a refresh that
        // ends at once must not start the next one within itself.
        wait = std::chrono::milliseconds(1);
    }
    co_await QCoro::sleepFor(wait);
    // Timers may fire a little early, and requests may have gone out meanwhile: ask again.
    for (;;) {
        if (!self) {
            co_return; // the store is gone
        }
        const auto more = m_api->budgetWait(refreshCost());
        if (more <= std::chrono::milliseconds(0)) {
            break;
        }
        co_await QCoro::sleepFor(more);
    }
    // Sending now: later showings join it like any running refresh.
    m_refresh = std::move(m_pendingRefresh);
    m_pendingRefresh.reset();
    m_refreshBoard = m_activeBoardID;
    co_await doRefreshVisible(m_refreshBoard);
}

// The board is the one open when the refresh began: a showing that joins it counts on that.
QCoro::Task<> AppState::doRefreshVisible(std::optional<QString> boardID)
{
    if (!m_session->hasCredentials()) {
        co_return;
    }
    // Each step reports its own failure and the refresh goes on with the next; the outcome is
    // the first failure. Once the service limits requests the rest would only be refused.
    std::optional<QString> firstFailure;
    bool limited = false;
    const auto note = [this, &firstFailure, &limited, &boardID](const std::exception &error) {
        // Taken off the open board: it goes, and there is nothing more of it to refresh.
        bool cardOnly = false;
        std::optional<QString> lost;
        if (boardID && StoreContext::isLostAccess(error, &cardOnly)) {
            lost = loseAccess({{u"board"_s, *boardID}}, false);
        }
        const QString line = lost ? m_errors->record(ErrorLog::Kind::Authorization, u"refreshVisible"_s, *lost)
                                  : m_errors->record(u"refreshVisible"_s, error);
        if (!firstFailure) {
            firstFailure = line;
        }
        // Out of reach, the rest would be held back all the same.
        const auto *apiError = dynamic_cast<const TrelloAPIError *>(&error);
        limited = lost || ErrorLog::kindOf(error) == ErrorLog::Kind::RateLimited ||
                  (apiError && apiError->kind() == TrelloAPIError::Kind::Offline);
    };
    // The board list comes from a route nested under the member's, which the member route's
    // long limit does not count.
    try {
        co_await m_boards->loadBoards();
    } catch (const std::exception &error) {
        note(error);
    }
    if (boardID && !limited) {
        try {
            co_await m_boards->loadLists(*boardID);
        } catch (const std::exception &error) {
            note(error);
        }
        if (!limited) {
            try {
                co_await m_boards->loadMeta(*boardID);
            } catch (const std::exception &error) {
                note(error);
            }
        }
        // One list after another: a board with many lists must not flood the service.
        for (const TrelloList &list : m_boards->lists().value(*boardID)) {
            if (limited) {
                break;
            }
            try {
                co_await m_cards->loadCards(list.id);
            } catch (const std::exception &error) {
                note(error);
            }
        }
    }
    if (firstFailure) {
        // The banner keeps the latest line, as each step would have left it.
        throw ReportedFailure(*firstFailure);
    }
}
