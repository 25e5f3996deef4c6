// SPDX-License-Identifier: MIT
#pragma once

#include "StoreContext.h"

#include <QObject>
#include <QTimer>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

class BoardsArea;

// Cards found on every board by their name or description, for the board list's search field.
// The service's search limit is stricter than the rest and unpublished, so one request goes out
// per pause in typing; an answer to an older query is dropped when it arrives after a newer one
// was asked; after a refusal for the rate limit the query is asked again once the pause is over.
class SearchArea : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Part of AppState")
    Q_PROPERTY(QString query READ query NOTIFY queryChanged)
    // {id, name, idBoard, idList, boardName, listName, due, dueComplete} per card found.
    Q_PROPERTY(QVariantList results READ results NOTIFY resultsChanged)
    Q_PROPERTY(bool isSearching READ isSearching NOTIFY isSearchingChanged)
    // The one line saying the cards could not be searched; empty when they could.
    Q_PROPERTY(QString error READ error NOTIFY errorChanged)
public:
    static constexpr int minimumLength = 2;
    static constexpr int cardsLimit = 50;
    static constexpr std::chrono::milliseconds pause{350};

    SearchArea(StoreContext &context, const BoardsArea &boards, QObject *parent = nullptr);

    QString query() const { return m_query; }
    QVariantList results() const { return m_results; }
    bool isSearching() const { return m_isSearching; }
    QString error() const { return m_error; }

    // The field's text changed: a search follows after a pause in typing, when it is long enough;
    // a shorter text clears the results at once.
    Q_INVOKABLE void setQuery(const QString &text);
    // Searches for the query now, without waiting for the pause.
    Q_INVOKABLE Operation searchNow();
    // Everything goes (the account left).
    void clear();

Q_SIGNALS:
    void queryChanged();
    void resultsChanged();
    void isSearchingChanged();
    void errorChanged();

private:
    QCoro::Task<> doSearch(QString query, quint64 generation);
    void setResults(QVariantList results);
    void setError(const QString &error);
    void setSearching(bool searching);

    StoreContext &m_context;
    const BoardsArea &m_boards;
    QTimer m_pause;
    QTimer m_retry;
    QString m_query;
    quint64 m_generation = 0; // bumped by every query asked: answers to older ones are dropped
    QVariantList m_results;
    QString m_error;
    bool m_isSearching = false;
    quint64 m_toldEpisode = 0; // the stretch of rate limiting said last
};
