// SPDX-License-Identifier: MIT
#pragma once

#include <QDateTime>

#include <algorithm>
#include <cstdint>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

// The emulated account: plain records keyed by id, and the rules the service applies when
// they are created and moved (ids, short links, positions). Not thread-safe: the emulator
// holds one lock around every use.
namespace sandbox::store {

// New containers start at this step and `bottom` adds it to the last position.
inline constexpr double kStep = 16384;
// Neighbours closer than this make the whole container renumber to multiples of the step. The
// service renumbers at a threshold of its own and answers a move with the position it stored;
// a whole unit makes that happen after some fifteen halvings, where clients meet it.
inline constexpr double kMinGap = 1.0;

struct Member {
    std::string id;
    std::string username;
    std::string fullName;
    std::string initials;
    std::optional<std::string> avatarHash; // no avatar when absent
};

struct BoardPrefs {
    std::string background;        // a preset name, or the id of a photo
    bool photo = false;
    std::string topColor;          // upper-case hex for presets, sampled lower-case for photos
    std::string bottomColor;
    std::string brightness = "dark";
};

struct Board {
    std::string id;
    std::string name;
    std::string desc;
    std::string shortLink;
    bool closed = false;
    bool starred = false;
    BoardPrefs prefs;
    std::vector<std::string> memberIds;
    int nextIdShort = 1;
    QDateTime lastActivity;
};

struct Label {
    std::string id;
    std::string idBoard;
    std::string name;
    std::optional<std::string> color; // colourless when absent
};

struct List {
    std::string id;
    std::string idBoard;
    std::string name;
    bool closed = false;
    double pos = 0;
};

struct Card {
    std::string id;
    std::string idBoard;
    std::string idList;
    std::string name;
    std::string desc;
    std::string shortLink;
    int idShort = 0;
    bool closed = false;
    double pos = 0;
    std::optional<QDateTime> due;
    bool dueComplete = false;
    std::optional<int> dueReminder; // minutes before `due`; none answers null
    std::vector<std::string> idLabels;
    std::vector<std::string> idMembers;
    QDateTime lastActivity;
};

struct Checklist {
    std::string id;
    std::string idCard;
    std::string idBoard;
    std::string name;
    double pos = 0;
};

struct CheckItem {
    std::string id;
    std::string idChecklist;
    std::string name;
    bool complete = false;
    double pos = 0;
};

struct Comment {
    std::string id;
    std::string idCard;
    std::string idMember;
    std::string text;
    QDateTime date;
    std::optional<QDateTime> edited;
    // How the answer names the author: the service sends a bare `{ "id" }`, or no author at
    // all, for some comments (a member who left, an integration).
    enum class Author { Full, IdOnly, Missing } author = Author::Full;
};

struct Reaction {
    std::string id;
    std::string idAction;
    std::string idMember;
    std::string shortName;
};

struct Attachment {
    std::string id;
    std::string idCard;
    std::string idMember;
    std::string name;
    std::string url;
    std::string mimeType;
    std::string fileName;
    bool isUpload = false;
    std::string bytes; // the uploaded file; empty for links
    QDateTime date;
    double pos = 0;
};

// Something that happened for a member: a mention, a comment on a card they watch, a card they
// were added to. The card and its board and list are named by id; the answer gives their
// current names.
struct Notification {
    std::string id;
    std::string idMember;        // whom it is for
    std::string idMemberCreator; // who did it
    std::string type;            // the service's name for it: "mentionedOnCard", "commentCard" …
    std::string idCard;          // may be empty, as for "addedToBoard"
    std::string idBoard;
    std::string text; // a comment's words
    bool unread = true;
    QDateTime date;
};

// What a position parameter asks for; `invalid` covers negatives, NaN and words we do not know.
struct PosRequest {
    enum Kind { Top, Bottom, Number, Invalid } kind = Bottom;
    double value = 0;
};
PosRequest parsePos(const std::string &text);

class Store {
public:
    Store();

    // Where uploaded files are served from, e.g. "http://127.0.0.1:4321/1".
    std::string baseUrl;
    std::string meId;

    std::map<std::string, Member> members;
    std::map<std::string, Board> boards;
    std::map<std::string, Label> labels;
    std::map<std::string, List> lists;
    std::map<std::string, Card> cards;
    std::map<std::string, Checklist> checklists;
    std::map<std::string, CheckItem> checkItems;
    std::map<std::string, Comment> comments;
    std::map<std::string, Reaction> reactions;
    std::map<std::string, Attachment> attachments;
    std::map<std::string, Notification> notifications; // ids grow with their dates

    // 24 hex digits: the creation time in seconds, then a per-process random part and a counter.
    std::string newId(const QDateTime &created = QDateTime::currentDateTimeUtc());
    std::string newShortLink();
    static QDateTime idTime(const std::string &id);
    static bool isId(const std::string &text);

    // Creation with the service's defaults; positions go to the bottom of their container.
    Member &addMember(const std::string &username, const std::string &fullName, bool avatar);
    Board &addBoard(const std::string &name, const std::string &desc, const QDateTime &created);
    Label &addLabel(const std::string &boardId, const std::string &name,
                    std::optional<std::string> color);
    List &addList(const std::string &boardId, const std::string &name, const PosRequest &pos);
    Card &addCard(const std::string &listId, const std::string &name, const PosRequest &pos,
                  const QDateTime &created);
    Checklist &addChecklist(const std::string &cardId, const std::string &name);
    CheckItem &addCheckItem(const std::string &checklistId, const std::string &name,
                            const PosRequest &pos);
    Comment &addComment(const std::string &cardId, const std::string &memberId,
                        const std::string &text, const QDateTime &date);
    Reaction &addReaction(const std::string &actionId, const std::string &memberId,
                          const std::string &shortName);
    Attachment &addAttachment(const std::string &cardId, const std::string &name,
                              const std::string &url, const std::string &mimeType);

    // For `memberId`, about a card (its board and list follow it) or, with no card, a board.
    Notification &addNotification(const std::string &memberId, const std::string &creatorId,
                                  const std::string &type, const std::string &cardId,
                                  const std::string &text,
                                  const QDateTime &date = QDateTime::currentDateTimeUtc(),
                                  const std::string &boardId = std::string());

    // Moves to a requested position, then renumbers the container if it became crowded.
    void placeList(List &list, const PosRequest &pos);
    void placeCard(Card &card, const PosRequest &pos);
    void placeCheckItem(CheckItem &item, const PosRequest &pos);

    // Deletions take everything that hangs off the object with them.
    void removeCard(const std::string &cardId);
    void removeChecklist(const std::string &checklistId);
    void removeComment(const std::string &commentId);

    // Open items in position order.
    std::vector<const List *> listsOf(const std::string &boardId, bool open, bool closed) const;
    std::vector<const Card *> cardsOf(const std::string &listId, bool open, bool closed) const;
    std::vector<const Checklist *> checklistsOf(const std::string &cardId) const;
    std::vector<const CheckItem *> itemsOf(const std::string &checklistId) const;

    std::string urlSlug(const std::string &name) const;
    void touch(Card &card);

private:
    template <typename Map, typename InContainer>
    double resolve(const Map &map, const PosRequest &pos, InContainer inContainer,
                   const std::string &self) const;
    template <typename Map, typename InContainer>
    static void settle(Map &map, InContainer inContainer);

    std::mt19937_64 m_random;
    std::string m_process; // 10 hex digits, fixed for the life of the store
    uint32_t m_counter = 0;
};

// Sort order of every positioned container: by position, ties by id.
template <typename T> bool byPos(const T *a, const T *b)
{
    return a->pos < b->pos || (a->pos == b->pos && a->id < b->id);
}

} // namespace sandbox::store
