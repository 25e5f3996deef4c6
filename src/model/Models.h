// SPDX-License-Identifier: MIT
#pragma once

// The service's objects as plain values. Field names are the service's JSON keys. Optional
// fields are std::optional; QML reads them through QVariant properties, where an absent value
// reads as undefined.

#include "DecodeError.h"

#include <QDateTime>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <optional>
#include <string_view>

class JsonElement;

namespace detail {
template <typename T> QVariant optionalVariant(const std::optional<T> &value)
{
    return value ? QVariant::fromValue(*value) : QVariant();
}
} // namespace detail

#define STAVELIN_OPTIONAL_READER(name)                                                             \
    QVariant name##Value() const { return detail::optionalVariant(name); }

struct TrelloMember {
    Q_GADGET
    Q_PROPERTY(QString id MEMBER id CONSTANT)
    Q_PROPERTY(QString username MEMBER username CONSTANT)
    Q_PROPERTY(QVariant fullName READ fullNameValue CONSTANT)
    Q_PROPERTY(QVariant avatarUrl READ avatarUrlValue CONSTANT)
public:
    QString id;
    QString username;
    std::optional<QString> fullName;
    std::optional<QString> avatarUrl;

    STAVELIN_OPTIONAL_READER(fullName)
    STAVELIN_OPTIONAL_READER(avatarUrl)
    static TrelloMember fromJson(const JsonElement &json);
    bool operator==(const TrelloMember &) const = default;
};

struct BoardPrefs {
    Q_GADGET
    Q_PROPERTY(QVariant backgroundColor READ backgroundColorValue CONSTANT)
    Q_PROPERTY(QVariant backgroundTopColor READ backgroundTopColorValue CONSTANT)
public:
    std::optional<QString> backgroundColor;
    std::optional<QString> backgroundTopColor;

    STAVELIN_OPTIONAL_READER(backgroundColor)
    STAVELIN_OPTIONAL_READER(backgroundTopColor)
    static BoardPrefs fromJson(const JsonElement &json);
    bool operator==(const BoardPrefs &) const = default;
};

struct TrelloBoard {
    Q_GADGET
    Q_PROPERTY(QString id MEMBER id CONSTANT)
    Q_PROPERTY(QString name MEMBER name CONSTANT)
    Q_PROPERTY(QVariant desc READ descValue CONSTANT)
    Q_PROPERTY(bool closed MEMBER closed CONSTANT)
    Q_PROPERTY(QVariant starred READ starredValue CONSTANT)
    Q_PROPERTY(QVariant url READ urlValue CONSTANT)
    Q_PROPERTY(QVariant shortUrl READ shortUrlValue CONSTANT)
    Q_PROPERTY(QVariant prefs READ prefsValue CONSTANT)
public:
    QString id;
    QString name;
    std::optional<QString> desc;
    bool closed = false;
    std::optional<bool> starred;
    std::optional<QString> url;
    std::optional<QString> shortUrl;
    std::optional<BoardPrefs> prefs;

    STAVELIN_OPTIONAL_READER(desc)
    STAVELIN_OPTIONAL_READER(starred)
    STAVELIN_OPTIONAL_READER(url)
    STAVELIN_OPTIONAL_READER(shortUrl)
    STAVELIN_OPTIONAL_READER(prefs)
    static TrelloBoard fromJson(const JsonElement &json);
    bool operator==(const TrelloBoard &) const = default;
};

struct TrelloList {
    Q_GADGET
    Q_PROPERTY(QString id MEMBER id CONSTANT)
    Q_PROPERTY(QString name MEMBER name CONSTANT)
    Q_PROPERTY(bool closed MEMBER closed CONSTANT)
    Q_PROPERTY(QString idBoard MEMBER idBoard CONSTANT)
    Q_PROPERTY(double pos MEMBER pos CONSTANT)
public:
    QString id;
    QString name;
    bool closed = false;
    QString idBoard;
    double pos = 0;

    static TrelloList fromJson(const JsonElement &json);
    bool operator==(const TrelloList &) const = default;
};

struct CardBadges {
    Q_GADGET
    Q_PROPERTY(qint64 checkItems MEMBER checkItems CONSTANT)
    Q_PROPERTY(qint64 checkItemsChecked MEMBER checkItemsChecked CONSTANT)
    Q_PROPERTY(qint64 comments MEMBER comments CONSTANT)
public:
    qint64 checkItems = 0;
    qint64 checkItemsChecked = 0;
    qint64 comments = 0;

    static CardBadges fromJson(const JsonElement &json);
    bool operator==(const CardBadges &) const = default;
};

struct TrelloLabel {
    Q_GADGET
    Q_PROPERTY(QString id MEMBER id CONSTANT)
    Q_PROPERTY(QVariant name READ nameValue CONSTANT)
    Q_PROPERTY(QVariant color READ colorValue CONSTANT)
public:
    QString id;
    std::optional<QString> name;
    std::optional<QString> color;

    STAVELIN_OPTIONAL_READER(name)
    STAVELIN_OPTIONAL_READER(color)
    static TrelloLabel fromJson(const JsonElement &json);
    bool operator==(const TrelloLabel &) const = default;
};

struct TrelloCard {
    Q_GADGET
    Q_PROPERTY(QString id MEMBER id CONSTANT)
    Q_PROPERTY(QString name MEMBER name CONSTANT)
    Q_PROPERTY(QVariant desc READ descValue CONSTANT)
    Q_PROPERTY(bool closed MEMBER closed CONSTANT)
    Q_PROPERTY(QString idList MEMBER idList CONSTANT)
    Q_PROPERTY(QString idBoard MEMBER idBoard CONSTANT)
    Q_PROPERTY(QVariant due READ dueValue CONSTANT)
    Q_PROPERTY(QVariant dueComplete READ dueCompleteValue CONSTANT)
    Q_PROPERTY(QVariant url READ urlValue CONSTANT)
    Q_PROPERTY(QVariant shortUrl READ shortUrlValue CONSTANT)
    Q_PROPERTY(double pos MEMBER pos CONSTANT)
    Q_PROPERTY(QVariant labels READ labelsValue CONSTANT)
    Q_PROPERTY(QVariant idLabels READ idLabelsValue CONSTANT)
    Q_PROPERTY(QVariant idMembers READ idMembersValue CONSTANT)
    Q_PROPERTY(QVariant badges READ badgesValue CONSTANT)
public:
    QString id;
    QString name;
    std::optional<QString> desc;
    bool closed = false;
    QString idList;
    QString idBoard;
    std::optional<QDateTime> due;
    std::optional<bool> dueComplete;
    std::optional<QString> url;
    std::optional<QString> shortUrl;
    double pos = 0;
    std::optional<QList<TrelloLabel>> labels;
    std::optional<QStringList> idLabels;
    std::optional<QStringList> idMembers;
    std::optional<CardBadges> badges;

    STAVELIN_OPTIONAL_READER(desc)
    STAVELIN_OPTIONAL_READER(due)
    STAVELIN_OPTIONAL_READER(dueComplete)
    STAVELIN_OPTIONAL_READER(url)
    STAVELIN_OPTIONAL_READER(shortUrl)
    STAVELIN_OPTIONAL_READER(labels)
    STAVELIN_OPTIONAL_READER(idLabels)
    STAVELIN_OPTIONAL_READER(idMembers)
    STAVELIN_OPTIONAL_READER(badges)
    static TrelloCard fromJson(const JsonElement &json);
    bool operator==(const TrelloCard &) const = default;
};

struct CommentData {
    Q_GADGET
    Q_PROPERTY(QString text MEMBER text CONSTANT)
public:
    QString text;

    static CommentData fromJson(const JsonElement &json);
    bool operator==(const CommentData &) const = default;
};

struct TrelloComment {
    Q_GADGET
    Q_PROPERTY(QString id MEMBER id CONSTANT)
    Q_PROPERTY(QDateTime date MEMBER date CONSTANT)
    Q_PROPERTY(QVariant memberCreator READ memberCreatorValue CONSTANT)
    Q_PROPERTY(CommentData data MEMBER data CONSTANT)
public:
    QString id;
    QDateTime date;
    std::optional<TrelloMember> memberCreator;
    CommentData data;

    STAVELIN_OPTIONAL_READER(memberCreator)
    static TrelloComment fromJson(const JsonElement &json);
    bool operator==(const TrelloComment &) const = default;
};

struct ReactionEmoji {
    Q_GADGET
    Q_PROPERTY(QVariant native READ nativeValue CONSTANT)
    Q_PROPERTY(QVariant name READ nameValue CONSTANT)
    Q_PROPERTY(QVariant shortName READ shortNameValue CONSTANT)
public:
    std::optional<QString> native;
    std::optional<QString> name;
    std::optional<QString> shortName;

    STAVELIN_OPTIONAL_READER(native)
    STAVELIN_OPTIONAL_READER(name)
    STAVELIN_OPTIONAL_READER(shortName)
    static ReactionEmoji fromJson(const JsonElement &json);
    bool operator==(const ReactionEmoji &) const = default;
};

struct TrelloReaction {
    Q_GADGET
    Q_PROPERTY(QString id MEMBER id CONSTANT)
    Q_PROPERTY(QString idMember MEMBER idMember CONSTANT)
    Q_PROPERTY(QVariant emoji READ emojiValue CONSTANT)
public:
    QString id;
    QString idMember;
    std::optional<ReactionEmoji> emoji;

    STAVELIN_OPTIONAL_READER(emoji)
    static TrelloReaction fromJson(const JsonElement &json);
    bool operator==(const TrelloReaction &) const = default;
};

struct TrelloCheckItem {
    Q_GADGET
    Q_PROPERTY(QString id MEMBER id CONSTANT)
    Q_PROPERTY(QString name MEMBER name CONSTANT)
    Q_PROPERTY(QString state MEMBER state CONSTANT)
    Q_PROPERTY(QString idChecklist MEMBER idChecklist CONSTANT)
    Q_PROPERTY(double pos MEMBER pos CONSTANT)
public:
    QString id;
    QString name;
    QString state;
    QString idChecklist;
    double pos = 0;

    // A checklist's nested items may leave out idChecklist; they then belong to that
    // checklist, whose id is passed as the fallback.
    static TrelloCheckItem fromJson(const JsonElement &json,
                                    const QString &checklistFallback = QString());
    bool operator==(const TrelloCheckItem &) const = default;
};

struct TrelloChecklist {
    Q_GADGET
    Q_PROPERTY(QString id MEMBER id CONSTANT)
    Q_PROPERTY(QString name MEMBER name CONSTANT)
    Q_PROPERTY(QString idCard MEMBER idCard CONSTANT)
    Q_PROPERTY(double pos MEMBER pos CONSTANT)
    Q_PROPERTY(QList<TrelloCheckItem> checkItems MEMBER checkItems CONSTANT)
public:
    QString id;
    QString name;
    QString idCard;
    double pos = 0;
    QList<TrelloCheckItem> checkItems;

    static TrelloChecklist fromJson(const JsonElement &json);
    bool operator==(const TrelloChecklist &) const = default;
};

struct TrelloAttachment {
    Q_GADGET
    Q_PROPERTY(QString id MEMBER id CONSTANT)
    Q_PROPERTY(QString name MEMBER name CONSTANT)
    Q_PROPERTY(QString url MEMBER url CONSTANT)
    Q_PROPERTY(QVariant date READ dateValue CONSTANT)
    Q_PROPERTY(QVariant isUpload READ isUploadValue CONSTANT)
public:
    QString id;
    QString name;
    QString url;
    std::optional<QDateTime> date;
    std::optional<bool> isUpload;

    STAVELIN_OPTIONAL_READER(date)
    STAVELIN_OPTIONAL_READER(isUpload)
    static TrelloAttachment fromJson(const JsonElement &json);
    bool operator==(const TrelloAttachment &) const = default;
};

// A search answer's card, with the names of its board and list when the answer carries them
// (a card whose board is missing there still shows, with what is known).
struct TrelloSearchCard {
    QString id;
    QString name;
    std::optional<QString> desc;
    bool closed = false;
    QString idBoard;
    QString idList;
    std::optional<QDateTime> due;
    std::optional<bool> dueComplete;
    std::optional<QString> boardName;
    std::optional<QString> listName;

    static TrelloSearchCard fromJson(const JsonElement &json);
    bool operator==(const TrelloSearchCard &) const = default;
};

// The answer of GET /search: only its cards are read (a missing "cards" is none).
struct TrelloSearchResult {
    QList<TrelloSearchCard> cards;

    static TrelloSearchResult fromJson(const JsonElement &json);
    bool operator==(const TrelloSearchResult &) const = default;
};

// What a notification is about, as its data names it: an id and, mostly, a name.
struct NotificationRef {
    QString id;
    std::optional<QString> name;
    std::optional<QString> shortLink;

    static NotificationRef fromJson(const JsonElement &json);
    bool operator==(const NotificationRef &) const = default;
};

// The parts of a notification's data the program shows; the rest of it is not read.
struct NotificationData {
    std::optional<NotificationRef> card;
    std::optional<NotificationRef> board;
    std::optional<NotificationRef> list;
    std::optional<QString> text; // a comment's or mention's words

    static NotificationData fromJson(const JsonElement &json);
    bool operator==(const NotificationData &) const = default;
};

// One of the member's notifications. The type is kept as the service names it, known or not
// ("mentionedOnCard", "commentCard", "addedToCard", …): a type this program has no sentence
// for still shows, with its text.
struct TrelloNotification {
    QString id;
    bool unread = true;
    QString type;
    QDateTime date;
    NotificationData data;
    std::optional<QString> idMemberCreator;
    std::optional<TrelloMember> memberCreator;

    static TrelloNotification fromJson(const JsonElement &json);
    bool operator==(const TrelloNotification &) const = default;
};

// One of the member's cards as their card list gives it (`members/me/cards`): only what due
// reminders need. `dueReminder` is in minutes before `due`; the service says "none" with -1,
// null or by leaving it out.
struct TrelloMemberCard {
    QString id;
    QString name;
    std::optional<QDateTime> due;
    std::optional<bool> dueComplete;
    std::optional<qint64> dueReminder;
    QString idBoard;
    QString idList;
    std::optional<QString> url;

    static TrelloMemberCard fromJson(const JsonElement &json);
    bool operator==(const TrelloMemberCard &) const = default;
};

#undef STAVELIN_OPTIONAL_READER

// Decodes a JSON array of records; one bad element fails the whole array.
template <typename T> QList<T> decodeArray(const JsonElement &json);

// Parses an answer and decodes it into T, a record or a QList of records. Throws DecodeError
// when the text is not JSON or not of T's shape.
template <typename T> T decodeJson(const QByteArray &text);

// Parses the service's ISO 8601 instants ("2024-03-05T14:07:09.123Z", with or without the
// fractional part, "Z" or a "+hh:mm" offset). Anything else, date-only text included, throws
// DecodeError with "Unrecognized date format: " and the text.
QDateTime parseServiceDate(const QString &text);
QDateTime parseServiceDate(std::string_view utf8);
