// SPDX-License-Identifier: MIT
#include "SearchArea.h"

#include "BoardsArea.h"

using namespace Qt::StringLiterals;

SearchArea::SearchArea(StoreContext &context, const BoardsArea &boards, QObject *parent)
    : QObject(parent), m_context(context), m_boards(boards)
{
    m_pause.setSingleShot(true);
    m_pause.setInterval(pause);
    connect(&m_pause, &QTimer::timeout, this, [this] { searchNow(); });
    m_retry.setSingleShot(true);
    connect(&m_retry, &QTimer::timeout, this, [this] { searchNow(); });
}

void SearchArea::setQuery(const QString &text)
{
    const QString query = text.simplified();
    if (query == m_query) {
        return;
    }
    m_query = query;
    Q_EMIT queryChanged();
    ++m_generation; // whatever is on its way answers another query now
    m_retry.stop();
    if (query.size() < minimumLength) {
        m_pause.stop();
        setSearching(false);
        setResults({});
        setError(QString());
        return;
    }
    m_pause.start();
}

Operation SearchArea::searchNow()
{
    m_pause.stop();
    m_retry.stop();
    if (m_query.size() < minimumLength) {
        return Operation::finished(Outcome{});
    }
    return m_context.run(u"searchCards"_s, doSearch(m_query, ++m_generation));
}

void SearchArea::clear()
{
    m_pause.stop();
    m_retry.stop();
    ++m_generation;
    m_query.clear();
    Q_EMIT queryChanged();
    setSearching(false);
    setResults({});
    setError(QString());
}

QCoro::Task<> SearchArea::doSearch(QString query, quint64 generation)
{
    setSearching(true);
    TrelloSearchResult found;
    try {
        found = co_await m_context.api().searchCards(query, cardsLimit);
    } catch (const std::exception &error) {
        if (generation != m_generation) {
            co_return; // a newer query is on its way and will say how it went
        }
        setSearching(false);
        setResults({}); // they were found for another text
        QString line = tr("Cards could not be searched: %1").arg(ErrorLog::describe(error));
        const auto *apiError = dynamic_cast<const TrelloAPIError *>(&error);
        const bool limited = apiError && apiError->kind() == TrelloAPIError::Kind::RateLimited;
        if (limited) {
            // Asked again once the service takes requests, unless the query changes first; a
            // little after the pause, which is counted in whole milliseconds.
            const auto wait = apiError->retryIn() + std::chrono::milliseconds(100);
            m_retry.start(wait);
            line = tr("Cards could not be searched yet: the service asks to wait. Trying again in "
                      "%n second(s).", nullptr, int((wait.count() + 999) / 1000));
        }
        setError(line);
        // Said once per stretch of refusals, however often it is retried meanwhile.
        if (limited && apiError->episode() == m_toldEpisode) {
            throw ReportedFailure(line);
        }
        if (limited) {
            m_toldEpisode = apiError->episode();
        }
        // Logged, not put in the banner: the line stands in the results, the boards still show.
        throw ReportedFailure(m_context.errors().note(ErrorLog::kindOf(error), u"searchCards"_s, line));
    }
    if (generation != m_generation) {
        co_return; // the answer to a query the user has typed past
    }
    QVariantList results;
    for (const TrelloSearchCard &card : found.cards) {
        if (card.closed) {
            continue;
        }
        QString boardName = card.boardName.value_or(QString());
        if (!card.boardName) {
            for (const TrelloBoard &board : m_boards.boards()) {
                if (board.id == card.idBoard) {
                    boardName = board.name;
                }
            }
        }
        results.append(QVariantMap{
            {u"id"_s, card.id},
            {u"name"_s, card.name},
            {u"idBoard"_s, card.idBoard},
            {u"idList"_s, card.idList},
            {u"boardName"_s, boardName},
            {u"listName"_s, card.listName.value_or(QString())},
            {u"due"_s, card.due ? QVariant(*card.due) : QVariant()},
            {u"dueComplete"_s, card.dueComplete.value_or(false)},
        });
    }
    setSearching(false);
    setError(QString());
    setResults(std::move(results));
}

void SearchArea::setResults(QVariantList results)
{
    if (results != m_results) {
        m_results = std::move(results);
        Q_EMIT resultsChanged();
    }
}

void SearchArea::setError(const QString &error)
{
    if (error != m_error) {
        m_error = error;
        Q_EMIT errorChanged();
    }
}

void SearchArea::setSearching(bool searching)
{
    if (searching != m_isSearching) {
        m_isSearching = searching;
        Q_EMIT isSearchingChanged();
    }
}
