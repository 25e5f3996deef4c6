// SPDX-License-Identifier: MIT
// Search over the cards the member can see.
#include "Routes.h"

#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace sandbox::routes {

namespace {
// The words of a text, lower-cased: runs of letters and digits.
QStringList wordsOf(const std::string &text)
{
    static const QRegularExpression kSeparators(u"[^\\p{L}\\p{N}]+"_s);
    return json::str(text).toLower().split(kSeparators, Qt::SkipEmptyParts);
}

// Every term is a word of the card's name or description, or with `partial` the start of one.
bool matches(const QStringList &terms, const store::Card &card, bool partial)
{
    const QStringList words = wordsOf(card.name) + wordsOf(card.desc);
    return std::all_of(terms.begin(), terms.end(), [&](const QString &term) {
        return std::any_of(words.begin(), words.end(), [&](const QString &word) {
            return partial ? word.startsWith(term) : word == term;
        });
    });
}

Response search(Call &call)
{
    const std::string query = call.param("query").value_or("");
    if (query.empty() || query.size() > 16384) {
        failText(400, "invalid value for query");
    }
    int limit = 10;
    if (const auto text = call.param("cards_limit")) {
        bool numeric = false;
        limit = json::str(*text).toInt(&numeric);
        if (!numeric || limit < 0 || limit > 1000) {
            failText(400, "invalid value for cards_limit");
        }
    }
    const std::string types = call.param("modelTypes").value_or("all");
    const bool wantCards = types == "all" || types.find("cards") != std::string::npos;
    const bool partial = call.flag("partial", false);
    const bool withBoard = call.flag("card_board", false);
    const bool withList = call.flag("card_list", false);
    const QStringList terms = wordsOf(query);

    auto &store = call.store;
    QJsonArray cards;
    for (const auto &[id, card] : store.cards) {
        if (!wantCards || terms.isEmpty() || cards.size() >= limit || card.closed) {
            continue;
        }
        const auto &board = store.boards.at(card.idBoard);
        const auto &list = store.lists.at(card.idList);
        if (board.closed || list.closed ||
            !std::count(board.memberIds.begin(), board.memberIds.end(), call.memberId) ||
            !matches(terms, card, partial)) {
            continue;
        }
        QJsonObject out = json::pick(json::card(store, card), call.param("card_fields"));
        if (withBoard) {
            out.insert(u"board"_s, json::pick(json::board(store, board), call.param("board_fields")));
        }
        if (withList) {
            out.insert(u"list"_s, json::list(list));
        }
        cards.append(out);
    }
    QJsonArray termsOut;
    for (const QString &term : terms) {
        termsOut.append(QJsonObject{{u"text"_s, term}});
    }
    QJsonObject answer{
        {u"options"_s, QJsonObject{{u"terms"_s, termsOut},
                                   {u"modifiers"_s, QJsonArray()},
                                   {u"modelTypes"_s, QJsonArray{u"cards"_s}},
                                   {u"partial"_s, partial}}},
    };
    if (wantCards) {
        answer.insert(u"cards"_s, cards);
    }
    return ok(answer);
}
} // namespace

void addSearchRoutes(std::vector<Route> &routes)
{
    routes.push_back({"GET", {"search"}, search});
}

} // namespace sandbox::routes
