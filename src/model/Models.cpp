// SPDX-License-Identifier: MIT
#include "Models.h"

#include "RecordReader.h"

using namespace Qt::StringLiterals;

namespace {
QLatin1StringView key(const char *name)
{
    return QLatin1StringView(name);
}

// One code unit of the text, or 0 past its end; the date is ASCII whatever the encoding.
char16_t unitAt(QStringView text, qsizetype pos)
{
    return pos < text.size() ? text[pos].unicode() : u'\0';
}

char16_t unitAt(std::string_view text, qsizetype pos)
{
    return std::size_t(pos) < text.size() ? char16_t(static_cast<unsigned char>(text[pos])) : u'\0';
}

// Reads a run of exactly `count` ASCII digits at `pos`; -1 when they are not all digits.
template <typename Text> int digits(Text text, qsizetype pos, int count)
{
    int value = 0;
    for (int i = 0; i < count; ++i) {
        const char16_t c = unitAt(text, pos + i);
        if (c < u'0' || c > u'9') {
            return -1;
        }
        value = value * 10 + (c - u'0');
    }
    return value;
}

template <typename Text> bool charAt(Text text, qsizetype pos, char16_t expected)
{
    return unitAt(text, pos) == expected;
}

// yyyy-MM-ddTHH:mm:ss[.f+](Z|±HH:MM), parsed by hand: it is on the hot path of every card.
template <typename Text> std::optional<QDateTime> parseDate(Text text)
{
    const int year = digits(text, 0, 4);
    const int month = digits(text, 5, 2);
    const int day = digits(text, 8, 2);
    const int hour = digits(text, 11, 2);
    const int minute = digits(text, 14, 2);
    const int second = digits(text, 17, 2);
    if (year < 0 || month < 0 || day < 0 || hour < 0 || minute < 0 || second < 0 ||
        !charAt(text, 4, u'-') || !charAt(text, 7, u'-') || !charAt(text, 10, u'T') ||
        !charAt(text, 13, u':') || !charAt(text, 16, u':')) {
        return std::nullopt;
    }
    qsizetype pos = 19;
    int millis = 0;
    if (charAt(text, pos, u'.')) {
        ++pos;
        int fractionDigits = 0;
        for (char16_t c = unitAt(text, pos); c >= u'0' && c <= u'9'; c = unitAt(text, ++pos)) {
            if (fractionDigits < 3) {
                millis = millis * 10 + (c - u'0');
            }
            ++fractionDigits;
        }
        if (fractionDigits == 0) {
            return std::nullopt;
        }
        for (int i = fractionDigits; i < 3; ++i) {
            millis *= 10;
        }
    }
    int offsetSeconds = 0;
    if (charAt(text, pos, u'Z')) {
        ++pos;
    } else if (charAt(text, pos, u'+') || charAt(text, pos, u'-')) {
        const int sign = charAt(text, pos, u'-') ? -1 : 1;
        const int offsetHours = digits(text, pos + 1, 2);
        const int offsetMinutes = digits(text, pos + 4, 2);
        if (offsetHours < 0 || offsetMinutes < 0 || !charAt(text, pos + 3, u':') ||
            offsetHours > 23 || offsetMinutes > 59) {
            return std::nullopt;
        }
        offsetSeconds = sign * (offsetHours * 3600 + offsetMinutes * 60);
        pos += 6;
    } else {
        return std::nullopt;
    }
    if (pos != qsizetype(text.size())) {
        return std::nullopt;
    }
    const QDate date(year, month, day);
    const QTime time(hour, minute, second, millis);
    if (!date.isValid() || !time.isValid()) {
        return std::nullopt;
    }
    return QDateTime(date, time, Qt::UTC).addSecs(-offsetSeconds);
}
} // namespace

QDateTime parseServiceDate(const QString &text)
{
    if (const auto date = parseDate(QStringView(text))) {
        return *date;
    }
    throw DecodeError(u"Unrecognized date format: "_s + text);
}

QDateTime parseServiceDate(std::string_view utf8)
{
    if (const auto date = parseDate(utf8)) {
        return *date;
    }
    throw DecodeError(u"Unrecognized date format: "_s +
                      QString::fromUtf8(utf8.data(), qsizetype(utf8.size())));
}

TrelloMember TrelloMember::fromJson(const JsonElement &json)
{
    static const FieldTable fields{"id", "username", "fullName", "avatarUrl"};
    const RecordReader r(json, "TrelloMember", fields);
    TrelloMember m;
    // Shared: the same few members write most comments.
    m.id = r.requiredString(key("id"), Text::Shared);
    m.username = r.requiredString(key("username"), Text::Shared);
    m.fullName = r.optionalString(key("fullName"), Text::Shared);
    m.avatarUrl = r.optionalString(key("avatarUrl"), Text::Shared);
    return m;
}

BoardPrefs BoardPrefs::fromJson(const JsonElement &json)
{
    static const FieldTable fields{"backgroundColor", "backgroundTopColor"};
    const RecordReader r(json, "BoardPrefs", fields);
    BoardPrefs p;
    p.backgroundColor = r.optionalString(key("backgroundColor"), Text::Shared);
    p.backgroundTopColor = r.optionalString(key("backgroundTopColor"), Text::Shared);
    return p;
}

TrelloBoard TrelloBoard::fromJson(const JsonElement &json)
{
    static const FieldTable fields{"id",      "name", "desc",     "closed",
                                   "starred", "url",  "shortUrl", "prefs"};
    const RecordReader r(json, "TrelloBoard", fields);
    TrelloBoard b;
    b.id = r.requiredString(key("id"));
    b.name = r.requiredString(key("name"));
    b.desc = r.optionalString(key("desc"));
    b.closed = r.requiredBool(key("closed"));
    b.starred = r.optionalBool(key("starred"));
    b.url = r.optionalString(key("url"));
    b.shortUrl = r.optionalString(key("shortUrl"));
    if (const auto prefs = r.optionalValue(key("prefs"))) {
        b.prefs = r.nested<BoardPrefs>(key("prefs"), *prefs, &BoardPrefs::fromJson);
    }
    return b;
}

TrelloList TrelloList::fromJson(const JsonElement &json)
{
    static const FieldTable fields{"id", "name", "closed", "idBoard", "pos"};
    const RecordReader r(json, "TrelloList", fields);
    TrelloList l;
    l.id = r.requiredString(key("id"));
    l.name = r.requiredString(key("name"));
    l.closed = r.requiredBool(key("closed"));
    l.idBoard = r.requiredString(key("idBoard"), Text::Shared);
    l.pos = r.requiredDouble(key("pos"));
    return l;
}

CardBadges CardBadges::fromJson(const JsonElement &json)
{
    static const FieldTable fields{"checkItems", "checkItemsChecked", "comments"};
    const RecordReader r(json, "CardBadges", fields);
    CardBadges b;
    b.checkItems = r.requiredInteger(key("checkItems"));
    b.checkItemsChecked = r.requiredInteger(key("checkItemsChecked"));
    b.comments = r.requiredInteger(key("comments"));
    return b;
}

TrelloLabel TrelloLabel::fromJson(const JsonElement &json)
{
    static const FieldTable fields{"id", "name", "color"};
    const RecordReader r(json, "TrelloLabel", fields);
    TrelloLabel l;
    l.id = r.requiredString(key("id"), Text::Shared);
    l.name = r.optionalString(key("name"), Text::Shared);
    l.color = r.optionalString(key("color"), Text::Shared);
    return l;
}

TrelloCard TrelloCard::fromJson(const JsonElement &json)
{
    static const FieldTable fields{"id",      "name",   "desc",        "closed",    "idList",
                                   "idBoard", "due",    "dueComplete", "url",       "shortUrl",
                                   "pos",     "labels", "idLabels",    "idMembers", "badges"};
    const RecordReader r(json, "TrelloCard", fields);
    TrelloCard c;
    c.id = r.requiredString(key("id"));
    c.name = r.requiredString(key("name"));
    c.desc = r.optionalString(key("desc"));
    c.closed = r.requiredBool(key("closed"));
    c.idList = r.requiredString(key("idList"), Text::Shared);
    c.idBoard = r.requiredString(key("idBoard"), Text::Shared);
    c.due = r.optionalDate(key("due"));
    c.dueComplete = r.optionalBool(key("dueComplete"));
    c.url = r.optionalString(key("url"));
    c.shortUrl = r.optionalString(key("shortUrl"));
    c.pos = r.requiredDouble(key("pos"));
    if (const auto labels = r.optionalValue(key("labels"))) {
        c.labels = r.nested<QList<TrelloLabel>>(key("labels"), *labels, [](const JsonElement &v) {
            return decodeEach<TrelloLabel>(v, &TrelloLabel::fromJson);
        });
    }
    c.idLabels = r.optionalStringList(key("idLabels"), Text::Shared);
    c.idMembers = r.optionalStringList(key("idMembers"), Text::Shared);
    if (const auto badges = r.optionalValue(key("badges"))) {
        c.badges = r.nested<CardBadges>(key("badges"), *badges, &CardBadges::fromJson);
    }
    return c;
}

CommentData CommentData::fromJson(const JsonElement &json)
{
    static const FieldTable fields{"text"};
    const RecordReader r(json, "CommentData", fields);
    return CommentData{r.requiredString(key("text"))};
}

TrelloComment TrelloComment::fromJson(const JsonElement &json)
{
    static const FieldTable fields{"id", "date", "memberCreator", "data"};
    const RecordReader r(json, "TrelloComment", fields);
    TrelloComment c;
    c.id = r.requiredString(key("id"));
    // The answer to an edit may come without a date (the store keeps the one it had); a
    // listed comment without one counts as the oldest.
    c.date = r.optionalDate(key("date")).value_or(QDateTime());
    // The service sends some authors as a bare { "id" } (a member who left, an integration):
    // an author object without the member's required fields counts as no author, so one such
    // comment does not fail the card's others.
    if (const auto creator = r.optionalValue(key("memberCreator"))) {
        try {
            c.memberCreator =
                r.nested<TrelloMember>(key("memberCreator"), *creator, &TrelloMember::fromJson);
        } catch (const DecodeError &) {
            if (!creator->isObject()) {
                throw;
            }
        }
    }
    c.data =
        r.nested<CommentData>(key("data"), r.requiredValue(key("data")), &CommentData::fromJson);
    return c;
}

ReactionEmoji ReactionEmoji::fromJson(const JsonElement &json)
{
    static const FieldTable fields{"native", "name", "shortName"};
    const RecordReader r(json, "ReactionEmoji", fields);
    ReactionEmoji e;
    e.native = r.optionalString(key("native"), Text::Shared);
    e.name = r.optionalString(key("name"), Text::Shared);
    e.shortName = r.optionalString(key("shortName"), Text::Shared);
    return e;
}

TrelloReaction TrelloReaction::fromJson(const JsonElement &json)
{
    static const FieldTable fields{"id", "idMember", "emoji"};
    const RecordReader r(json, "TrelloReaction", fields);
    TrelloReaction t;
    t.id = r.requiredString(key("id"));
    t.idMember = r.requiredString(key("idMember"), Text::Shared);
    if (const auto emoji = r.optionalValue(key("emoji"))) {
        t.emoji = r.nested<ReactionEmoji>(key("emoji"), *emoji, &ReactionEmoji::fromJson);
    }
    return t;
}

TrelloCheckItem TrelloCheckItem::fromJson(const JsonElement &json, const QString &checklistFallback)
{
    static const FieldTable fields{"id", "name", "state", "idChecklist", "pos"};
    const RecordReader r(json, "TrelloCheckItem", fields);
    TrelloCheckItem i;
    i.id = r.requiredString(key("id"));
    i.name = r.requiredString(key("name"));
    i.state = r.requiredString(key("state"), Text::Shared);
    const bool hasChecklist = r.contains(key("idChecklist"));
    i.idChecklist = (hasChecklist || checklistFallback.isEmpty())
                        ? r.requiredString(key("idChecklist"), Text::Shared)
                        : checklistFallback;
    i.pos = r.requiredDouble(key("pos"));
    return i;
}

TrelloChecklist TrelloChecklist::fromJson(const JsonElement &json)
{
    static const FieldTable fields{"id", "name", "idCard", "pos", "checkItems"};
    const RecordReader r(json, "TrelloChecklist", fields);
    TrelloChecklist c;
    c.id = r.requiredString(key("id"));
    c.name = r.requiredString(key("name"));
    c.idCard = r.requiredString(key("idCard"), Text::Shared);
    c.pos = r.requiredDouble(key("pos"));
    const QString checklistID = c.id;
    c.checkItems = r.nested<QList<TrelloCheckItem>>(
        key("checkItems"), r.requiredValue(key("checkItems")), [&](const JsonElement &v) {
            return decodeEach<TrelloCheckItem>(v, [&](const JsonElement &item) {
                return TrelloCheckItem::fromJson(item, checklistID);
            });
        });
    return c;
}

TrelloAttachment TrelloAttachment::fromJson(const JsonElement &json)
{
    static const FieldTable fields{"id", "name", "url", "date", "isUpload"};
    const RecordReader r(json, "TrelloAttachment", fields);
    TrelloAttachment a;
    a.id = r.requiredString(key("id"));
    a.name = r.requiredString(key("name"));
    a.url = r.requiredString(key("url"));
    a.date = r.optionalDate(key("date"));
    a.isUpload = r.optionalBool(key("isUpload"));
    return a;
}

namespace {
// The parent board or list nested in a search answer's card: its id and name are read.
struct SearchParent {
    QString id;
    QString name;

    static SearchParent fromJson(const JsonElement &json)
    {
        static const FieldTable fields{"id", "name"};
        const RecordReader r(json, "SearchParent", fields);
        return {r.requiredString(key("id")), r.requiredString(key("name"))};
    }
};
} // namespace

TrelloSearchCard TrelloSearchCard::fromJson(const JsonElement &json)
{
    static const FieldTable fields{"id",  "name",        "desc",  "closed", "idBoard",
                                   "idList", "due", "dueComplete", "board", "list"};
    const RecordReader r(json, "TrelloSearchCard", fields);
    TrelloSearchCard c;
    c.id = r.requiredString(key("id"));
    c.name = r.requiredString(key("name"));
    c.desc = r.optionalString(key("desc"));
    c.closed = r.optionalBool(key("closed")).value_or(false);
    c.idBoard = r.requiredString(key("idBoard"), Text::Shared);
    c.idList = r.requiredString(key("idList"), Text::Shared);
    c.due = r.optionalDate(key("due"));
    c.dueComplete = r.optionalBool(key("dueComplete"));
    // A parent of another board or list than the card's own is not believed.
    if (const auto board = r.optionalValue(key("board"))) {
        const auto parent = r.nested<SearchParent>(key("board"), *board, &SearchParent::fromJson);
        if (parent.id == c.idBoard) {
            c.boardName = parent.name;
        }
    }
    if (const auto list = r.optionalValue(key("list"))) {
        const auto parent = r.nested<SearchParent>(key("list"), *list, &SearchParent::fromJson);
        if (parent.id == c.idList) {
            c.listName = parent.name;
        }
    }
    return c;
}

TrelloSearchResult TrelloSearchResult::fromJson(const JsonElement &json)
{
    static const FieldTable fields{"cards"};
    const RecordReader r(json, "TrelloSearchResult", fields);
    TrelloSearchResult result;
    if (const auto cards = r.optionalValue(key("cards"))) {
        result.cards = r.nested<QList<TrelloSearchCard>>(key("cards"), *cards, [](const JsonElement &v) {
            return decodeEach<TrelloSearchCard>(v, &TrelloSearchCard::fromJson);
        });
    }
    return result;
}

NotificationRef NotificationRef::fromJson(const JsonElement &json)
{
    static const FieldTable fields{"id", "name", "shortLink"};
    const RecordReader r(json, "NotificationRef", fields);
    NotificationRef ref;
    ref.id = r.requiredString(key("id"), Text::Shared);
    ref.name = r.optionalString(key("name"), Text::Shared);
    ref.shortLink = r.optionalString(key("shortLink"), Text::Shared);
    return ref;
}

NotificationData NotificationData::fromJson(const JsonElement &json)
{
    static const FieldTable fields{"card", "board", "list", "text"};
    const RecordReader r(json, "NotificationData", fields);
    NotificationData d;
    for (const auto &[name, target] : {std::pair{"card", &d.card}, std::pair{"board", &d.board},
                                       std::pair{"list", &d.list}}) {
        if (const auto value = r.optionalValue(key(name))) {
            *target = r.nested<NotificationRef>(key(name), *value, &NotificationRef::fromJson);
        }
    }
    d.text = r.optionalString(key("text"));
    return d;
}

TrelloNotification TrelloNotification::fromJson(const JsonElement &json)
{
    static const FieldTable fields{"id",   "unread",          "type",         "date",
                                   "data", "idMemberCreator", "memberCreator"};
    const RecordReader r(json, "TrelloNotification", fields);
    TrelloNotification n;
    n.id = r.requiredString(key("id"));
    n.unread = r.requiredBool(key("unread"));
    n.type = r.requiredString(key("type"), Text::Shared);
    n.date = r.requiredDate(key("date"));
    if (const auto data = r.optionalValue(key("data"))) {
        n.data = r.nested<NotificationData>(key("data"), *data, &NotificationData::fromJson);
    }
    n.idMemberCreator = r.optionalString(key("idMemberCreator"), Text::Shared);
    // As with comments: a creator named by a bare { "id" } (a member who left, an integration)
    // counts as none, so one such notification does not fail the others.
    if (const auto creator = r.optionalValue(key("memberCreator"))) {
        try {
            n.memberCreator =
                r.nested<TrelloMember>(key("memberCreator"), *creator, &TrelloMember::fromJson);
        } catch (const DecodeError &) {
            if (!creator->isObject()) {
                throw;
            }
        }
    }
    return n;
}

TrelloMemberCard TrelloMemberCard::fromJson(const JsonElement &json)
{
    static const FieldTable fields{"id",          "name",    "due",    "dueComplete",
                                   "dueReminder", "idBoard", "idList", "url"};
    const RecordReader r(json, "TrelloMemberCard", fields);
    TrelloMemberCard c;
    c.id = r.requiredString(key("id"));
    c.name = r.requiredString(key("name"));
    c.due = r.optionalDate(key("due"));
    c.dueComplete = r.optionalBool(key("dueComplete"));
    c.dueReminder = r.optionalInteger(key("dueReminder"));
    c.idBoard = r.requiredString(key("idBoard"), Text::Shared);
    c.idList = r.requiredString(key("idList"), Text::Shared);
    c.url = r.optionalString(key("url"));
    return c;
}

template <typename T> QList<T> decodeArray(const JsonElement &json)
{
    return decodeEach<T>(json, &T::fromJson);
}

namespace {
template <typename T> struct RecordDecoder {
    static T decode(const JsonElement &json) { return T::fromJson(json); }
};
template <typename T> struct RecordDecoder<QList<T>> {
    static QList<T> decode(const JsonElement &json) { return decodeArray<T>(json); }
};
} // namespace

template <typename T> T decodeJson(const QByteArray &text)
{
    const JsonDocument document(text);
    return RecordDecoder<T>::decode(document.root());
}

#define STAVELIN_DECODERS(T)                                                                       \
    template QList<T> decodeArray<T>(const JsonElement &);                                         \
    template T decodeJson<T>(const QByteArray &);                                                  \
    template QList<T> decodeJson<QList<T>>(const QByteArray &);
STAVELIN_DECODERS(TrelloBoard)
STAVELIN_DECODERS(TrelloList)
STAVELIN_DECODERS(TrelloCard)
STAVELIN_DECODERS(TrelloLabel)
STAVELIN_DECODERS(TrelloMember)
STAVELIN_DECODERS(TrelloComment)
STAVELIN_DECODERS(TrelloReaction)
STAVELIN_DECODERS(TrelloChecklist)
STAVELIN_DECODERS(TrelloAttachment)
STAVELIN_DECODERS(TrelloNotification)
STAVELIN_DECODERS(TrelloMemberCard)
#undef STAVELIN_DECODERS
template TrelloSearchResult decodeJson<TrelloSearchResult>(const QByteArray &);
