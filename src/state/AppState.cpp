// SPDX-License-Identifier: MIT
#include "AppState.h"

#include <QJSEngine>
#include <QNetworkAccessManager>
#include <QQmlEngine>

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
    m_session = new SessionArea(m_context, std::move(dependencies.credentials),
                                std::move(dependencies.loginItem),
                                std::move(dependencies.builtInAppKey), this);
    m_context.setSession(m_session);
    m_boards = new BoardsArea(m_context, this);
    m_cards = new CardsArea(m_context, this);
    m_details = new DetailsArea(m_context, m_cards, this);
    m_boards->setCards(m_cards);
    m_cards->setDetails(m_details);

    connect(m_errors, &ErrorLog::errorMessageChanged, this, &AppState::errorMessageChanged);
    m_session->setAfterConnect([this] { return m_boards->loadBoards(); });
    connect(m_session, &SessionArea::disconnected, this, [this] {
        // A board of the account that left must not come back with the next one.
        setActiveBoardID(QString());
        m_details->clear();
        m_cards->clear();
        m_boards->clear();
    });

    m_isExpanded = m_settings->value(ExpandedKey, false).toBool();
    m_startup = m_context.run(u"startup"_s, m_session->startup());
}

AppState::~AppState() = default;

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

Operation AppState::refreshVisible()
{
    return m_context.run(u"refreshVisible"_s, doRefreshVisible());
}

QCoro::Task<> AppState::doRefreshVisible()
{
    if (!m_session->hasCredentials()) {
        co_return;
    }
    // Each step reports its own failure and the refresh goes on with the next; the outcome is
    // the first failure.
    std::optional<QString> firstFailure;
    const auto note = [this, &firstFailure](const std::exception &error) {
        const QString line = m_errors->record(u"refreshVisible"_s, error);
        if (!firstFailure) {
            firstFailure = line;
        }
    };
    try {
        co_await m_boards->loadBoards();
    } catch (const std::exception &error) {
        note(error);
    }
    if (m_activeBoardID) {
        const QString boardID = *m_activeBoardID;
        try {
            co_await m_boards->loadLists(boardID);
        } catch (const std::exception &error) {
            note(error);
        }
        try {
            co_await m_boards->loadMeta(boardID);
        } catch (const std::exception &error) {
            note(error);
        }
        // One list after another: a board with many lists must not flood the service.
        for (const TrelloList &list : m_boards->lists().value(boardID)) {
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
