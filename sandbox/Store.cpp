// SPDX-License-Identifier: MIT
#include "Store.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace sandbox::store {

namespace {
std::string hex(uint64_t value, int digits)
{
    static const char *const kDigits = "0123456789abcdef";
    std::string out(static_cast<size_t>(digits), '0');
    for (int i = digits - 1; i >= 0; --i) {
        out[static_cast<size_t>(i)] = kDigits[value & 0xf];
        value >>= 4;
    }
    return out;
}

std::string initialsOf(const std::string &fullName)
{
    std::string out;
    bool start = true;
    for (const char c : fullName) {
        if (c == ' ') {
            start = true;
        } else if (start) {
            out.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
            start = false;
        }
    }
    return out.substr(0, 3);
}
} // namespace

PosRequest parsePos(const std::string &text)
{
    if (text == "top") {
        return {PosRequest::Top, 0};
    }
    if (text == "bottom" || text.empty()) {
        return {PosRequest::Bottom, 0};
    }
    char *end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size() || !std::isfinite(value) || value <= 0) {
        return {PosRequest::Invalid, 0};
    }
    return {PosRequest::Number, value};
}

Store::Store() : m_random(std::random_device{}())
{
    m_process = hex(m_random(), 10);
}

std::string Store::newId(const QDateTime &created)
{
    const auto seconds = static_cast<uint64_t>(std::max<qint64>(created.toSecsSinceEpoch(), 0));
    return hex(seconds, 8) + m_process + hex(++m_counter, 6);
}

std::string Store::newShortLink()
{
    static const char kAlphabet[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::string out;
    for (int i = 0; i < 8; ++i) {
        out.push_back(kAlphabet[m_random() % (sizeof kAlphabet - 1)]);
    }
    return out;
}

QDateTime Store::idTime(const std::string &id)
{
    return QDateTime::fromSecsSinceEpoch(std::stoll(id.substr(0, 8), nullptr, 16), Qt::UTC);
}

bool Store::isId(const std::string &text)
{
    return text.size() == 24 && std::all_of(text.begin(), text.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
           });
}

std::string Store::urlSlug(const std::string &name) const
{
    std::string slug;
    for (const char c : name) {
        const auto u = static_cast<unsigned char>(c);
        if (std::isalnum(u) && u < 128) {
            slug.push_back(static_cast<char>(std::tolower(u)));
        } else if (!slug.empty() && slug.back() != '-') {
            slug.push_back('-');
        }
    }
    while (!slug.empty() && slug.back() == '-') {
        slug.pop_back();
    }
    return slug;
}

void Store::touch(Card &card)
{
    card.lastActivity = QDateTime::currentDateTimeUtc();
    if (auto it = boards.find(card.idBoard); it != boards.end()) {
        it->second.lastActivity = card.lastActivity;
    }
}

template <typename Map, typename InContainer>
double Store::resolve(const Map &map, const PosRequest &pos, InContainer inContainer,
                      const std::string &self) const
{
    if (pos.kind == PosRequest::Number) {
        return pos.value;
    }
    std::optional<double> lowest;
    std::optional<double> highest;
    for (const auto &[id, item] : map) {
        if (id == self || !inContainer(item)) {
            continue;
        }
        lowest = std::min(lowest.value_or(item.pos), item.pos);
        highest = std::max(highest.value_or(item.pos), item.pos);
    }
    if (pos.kind == PosRequest::Top) {
        return lowest ? *lowest / 2 : kStep;
    }
    return highest ? *highest + kStep : kStep;
}

template <typename Map, typename InContainer> void Store::settle(Map &map, InContainer inContainer)
{
    using Item = typename Map::mapped_type;
    std::vector<Item *> items;
    for (auto &[id, item] : map) {
        if (inContainer(item)) {
            items.push_back(&item);
        }
    }
    std::sort(items.begin(), items.end(), byPos<Item>);
    bool crowded = false;
    for (size_t i = 1; i < items.size() && !crowded; ++i) {
        crowded = items[i]->pos - items[i - 1]->pos < kMinGap;
    }
    if (crowded) {
        for (size_t i = 0; i < items.size(); ++i) {
            items[i]->pos = kStep * static_cast<double>(i + 1);
        }
    }
}

void Store::placeList(List &list, const PosRequest &pos)
{
    const auto same = [&](const List &l) { return l.idBoard == list.idBoard && !l.closed; };
    list.pos = resolve(lists, pos, same, list.id);
    settle(lists, same);
}

void Store::placeCard(Card &card, const PosRequest &pos)
{
    const auto same = [&](const Card &c) { return c.idList == card.idList && !c.closed; };
    card.pos = resolve(cards, pos, same, card.id);
    settle(cards, same);
}

void Store::placeCheckItem(CheckItem &item, const PosRequest &pos)
{
    const auto same = [&](const CheckItem &i) { return i.idChecklist == item.idChecklist; };
    item.pos = resolve(checkItems, pos, same, item.id);
    settle(checkItems, same);
}

Member &Store::addMember(const std::string &username, const std::string &fullName, bool avatar)
{
    Member member;
    member.id = newId(QDateTime::currentDateTimeUtc().addDays(-900));
    member.username = username;
    member.fullName = fullName;
    member.initials = initialsOf(fullName);
    if (avatar) {
        member.avatarHash = hex(m_random(), 16) + hex(m_random(), 16);
    }
    return members[member.id] = member;
}

Board &Store::addBoard(const std::string &name, const std::string &desc, const QDateTime &created)
{
    Board board;
    board.id = newId(created);
    board.name = name;
    board.desc = desc;
    board.shortLink = newShortLink();
    board.prefs = {"blue", false, "#0079BF", "#0079BF", "dark"};
    board.memberIds = {meId};
    board.lastActivity = created;
    return boards[board.id] = board;
}

Label &Store::addLabel(const std::string &boardId, const std::string &name,
                       std::optional<std::string> color)
{
    Label label{newId(idTime(boardId)), boardId, name, std::move(color)};
    return labels[label.id] = label;
}

List &Store::addList(const std::string &boardId, const std::string &name, const PosRequest &pos)
{
    List list{newId(), boardId, name, false, 0};
    List &stored = lists[list.id] = list;
    placeList(stored, pos);
    return stored;
}

Card &Store::addCard(const std::string &listId, const std::string &name, const PosRequest &pos,
                     const QDateTime &created)
{
    const List &list = lists.at(listId);
    Board &board = boards.at(list.idBoard);
    Card card;
    card.id = newId(created);
    card.idBoard = list.idBoard;
    card.idList = listId;
    card.name = name;
    card.shortLink = newShortLink();
    card.idShort = board.nextIdShort++;
    card.lastActivity = created;
    Card &stored = cards[card.id] = card;
    placeCard(stored, pos);
    return stored;
}

Checklist &Store::addChecklist(const std::string &cardId, const std::string &name)
{
    const Card &card = cards.at(cardId);
    Checklist checklist{newId(), cardId, card.idBoard, name, 0};
    double last = 0;
    for (const auto &[id, other] : checklists) {
        if (other.idCard == cardId) {
            last = std::max(last, other.pos);
        }
    }
    checklist.pos = last + kStep;
    return checklists[checklist.id] = checklist;
}

CheckItem &Store::addCheckItem(const std::string &checklistId, const std::string &name,
                               const PosRequest &pos)
{
    CheckItem item{newId(), checklistId, name, false, 0};
    CheckItem &stored = checkItems[item.id] = item;
    placeCheckItem(stored, pos);
    return stored;
}

Comment &Store::addComment(const std::string &cardId, const std::string &memberId,
                           const std::string &text, const QDateTime &date)
{
    Comment comment{newId(date), cardId, memberId, text, date, std::nullopt};
    return comments[comment.id] = comment;
}

Notification &Store::addNotification(const std::string &memberId, const std::string &creatorId,
                                     const std::string &type, const std::string &cardId,
                                     const std::string &text, const QDateTime &date,
                                     const std::string &boardId)
{
    Notification notification{newId(date), memberId, creatorId, type, cardId, boardId, text,
                              true, date};
    if (const auto card = cards.find(cardId); card != cards.end()) {
        notification.idBoard = card->second.idBoard;
    }
    return notifications[notification.id] = notification;
}

Reaction &Store::addReaction(const std::string &actionId, const std::string &memberId,
                             const std::string &shortName)
{
    Reaction reaction{newId(), actionId, memberId, shortName};
    return reactions[reaction.id] = reaction;
}

Attachment &Store::addAttachment(const std::string &cardId, const std::string &name,
                                 const std::string &url, const std::string &mimeType)
{
    Attachment attachment;
    attachment.id = newId();
    attachment.idCard = cardId;
    attachment.idMember = meId;
    attachment.name = name;
    attachment.url = url;
    attachment.mimeType = mimeType;
    attachment.date = QDateTime::currentDateTimeUtc();
    double last = 0;
    for (const auto &[id, other] : attachments) {
        if (other.idCard == cardId) {
            last = std::max(last, other.pos);
        }
    }
    attachment.pos = last + kStep;
    return attachments[attachment.id] = attachment;
}

void Store::removeChecklist(const std::string &checklistId)
{
    std::erase_if(checkItems, [&](const auto &entry) {
        return entry.second.idChecklist == checklistId;
    });
    checklists.erase(checklistId);
}

void Store::removeComment(const std::string &commentId)
{
    std::erase_if(reactions, [&](const auto &entry) { return entry.second.idAction == commentId; });
    comments.erase(commentId);
}

void Store::removeCard(const std::string &cardId)
{
    std::vector<std::string> doomed;
    for (const auto &[id, checklist] : checklists) {
        if (checklist.idCard == cardId) {
            doomed.push_back(id);
        }
    }
    for (const auto &id : doomed) {
        removeChecklist(id);
    }
    doomed.clear();
    for (const auto &[id, comment] : comments) {
        if (comment.idCard == cardId) {
            doomed.push_back(id);
        }
    }
    for (const auto &id : doomed) {
        removeComment(id);
    }
    std::erase_if(attachments, [&](const auto &entry) { return entry.second.idCard == cardId; });
    cards.erase(cardId);
}

std::vector<const List *> Store::listsOf(const std::string &boardId, bool open, bool closed) const
{
    std::vector<const List *> out;
    for (const auto &[id, list] : lists) {
        if (list.idBoard == boardId && (list.closed ? closed : open)) {
            out.push_back(&list);
        }
    }
    std::sort(out.begin(), out.end(), byPos<List>);
    return out;
}

std::vector<const Card *> Store::cardsOf(const std::string &listId, bool open, bool closed) const
{
    std::vector<const Card *> out;
    for (const auto &[id, card] : cards) {
        if (card.idList == listId && (card.closed ? closed : open)) {
            out.push_back(&card);
        }
    }
    std::sort(out.begin(), out.end(), byPos<Card>);
    return out;
}

std::vector<const Checklist *> Store::checklistsOf(const std::string &cardId) const
{
    std::vector<const Checklist *> out;
    for (const auto &[id, checklist] : checklists) {
        if (checklist.idCard == cardId) {
            out.push_back(&checklist);
        }
    }
    std::sort(out.begin(), out.end(), byPos<Checklist>);
    return out;
}

std::vector<const CheckItem *> Store::itemsOf(const std::string &checklistId) const
{
    std::vector<const CheckItem *> out;
    for (const auto &[id, item] : checkItems) {
        if (item.idChecklist == checklistId) {
            out.push_back(&item);
        }
    }
    std::sort(out.begin(), out.end(), byPos<CheckItem>);
    return out;
}

} // namespace sandbox::store
