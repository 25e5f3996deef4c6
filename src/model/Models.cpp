// SPDX-License-Identifier: MIT
#include "Models.h"

#include "JsonReader.h"

using namespace Qt::StringLiterals;

namespace {
QLatin1StringView key(const char *name)
{
    return QLatin1StringView(name);
}

// Reads a run of exactly `count` ASCII digits at `pos`; -1 when they are not all digits.
int digits(const QString &text, qsizetype pos, int count)
{
    if (pos + count > text.size()) {
        return -1;
    }
    int value = 0;
    for (int i = 0; i < count; ++i) {
        const char16_t c = text.at(pos + i).unicode();
        if (c < u'0' || c > u'9') {
            return -1;
        }
        value = value * 10 + (c - u'0');
    }
    return value;
}

bool charAt(const QString &text, qsizetype pos, char16_t expected)
{
    return pos < text.size() && text.at(pos).unicode() == expected;
}
} // namespace

QDateTime parseServiceDate(const QString &text)
{
    // yyyy-MM-ddTHH:mm:ss[.f+](Z|±HH:MM), parsed by hand: it is on the hot path of every card.
    const auto fail = [&text]() -> QDateTime {
        throw DecodeError(u"Unrecognized date format: "_s + text);
    };
    const int year = digits(text, 0, 4);
    const int month = digits(text, 5, 2);
    const int day = digits(text, 8, 2);
    const int hour = digits(text, 11, 2);
    const int minute = digits(text, 14, 2);
    const int second = digits(text, 17, 2);
    if (year < 0 || month < 0 || day < 0 || hour < 0 || minute < 0 || second < 0 ||
        !charAt(text, 4, u'-') || !charAt(text, 7, u'-') || !charAt(text, 10, u'T') ||
        !charAt(text, 13, u':') || !charAt(text, 16, u':')) {
        return fail();
    }
    qsizetype pos = 19;
    int millis = 0;
    if (charAt(text, pos, u'.')) {
        ++pos;
        int fractionDigits = 0;
        while (pos < text.size() && text.at(pos).isDigit() && text.at(pos).unicode() < 128) {
            if (fractionDigits < 3) {
                millis = millis * 10 + (text.at(pos).unicode() - u'0');
            }
            ++fractionDigits;
            ++pos;
        }
        if (fractionDigits == 0) {
            return fail();
        }
        for (int i = fractionDigits; i < 3; ++i) {
            millis *= 10;
        }
    }
    int offsetSeconds = 0;
    if (charAt(text, pos, u'Z')) {
        ++pos;
    } else if (charAt(text, pos, u'+') || charAt(text, pos, u'-')) {
        const int sign = text.at(pos) == u'-' ? -1 : 1;
        const int offsetHours = digits(text, pos + 1, 2);
        const int offsetMinutes = digits(text, pos + 4, 2);
        if (offsetHours < 0 || offsetMinutes < 0 || !charAt(text, pos + 3, u':') ||
            offsetHours > 23 || offsetMinutes > 59) {
            return fail();
        }
        offsetSeconds = sign * (offsetHours * 3600 + offsetMinutes * 60);
        pos += 6;
    } else {
        return fail();
    }
    if (pos != text.size()) {
        return fail();
    }
    const QDate date(year, month, day);
    const QTime time(hour, minute, second, millis);
    if (!date.isValid() || !time.isValid()) {
        return fail();
    }
    return QDateTime(date, time, Qt::UTC).addSecs(-offsetSeconds);
}

TrelloMember TrelloMember::fromJson(const JsonValue &json)
{
    const JsonReader r(json, "TrelloMember");
    TrelloMember m;
    m.id = r.requiredString(key("id"));
    m.username = r.requiredString(key("username"));
    m.fullName = r.optionalString(key("fullName"));
    m.avatarUrl = r.optionalString(key("avatarUrl"));
    return m;
}

BoardPrefs BoardPrefs::fromJson(const JsonValue &json)
{
    const JsonReader r(json, "BoardPrefs");
    BoardPrefs p;
    p.backgroundColor = r.optionalString(key("backgroundColor"));
    p.backgroundTopColor = r.optionalString(key("backgroundTopColor"));
    return p;
}

TrelloBoard TrelloBoard::fromJson(const JsonValue &json)
{
    const JsonReader r(json, "TrelloBoard");
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

TrelloList TrelloList::fromJson(const JsonValue &json)
{
    const JsonReader r(json, "TrelloList");
    TrelloList l;
    l.id = r.requiredString(key("id"));
    l.name = r.requiredString(key("name"));
    l.closed = r.requiredBool(key("closed"));
    l.idBoard = r.requiredString(key("idBoard"));
    l.pos = r.requiredDouble(key("pos"));
    return l;
}

CardBadges CardBadges::fromJson(const JsonValue &json)
{
    const JsonReader r(json, "CardBadges");
    CardBadges b;
    b.checkItems = r.requiredInteger(key("checkItems"));
    b.checkItemsChecked = r.requiredInteger(key("checkItemsChecked"));
    b.comments = r.requiredInteger(key("comments"));
    return b;
}

TrelloLabel TrelloLabel::fromJson(const JsonValue &json)
{
    const JsonReader r(json, "TrelloLabel");
    TrelloLabel l;
    l.id = r.requiredString(key("id"));
    l.name = r.optionalString(key("name"));
    l.color = r.optionalString(key("color"));
    return l;
}

TrelloCard TrelloCard::fromJson(const JsonValue &json)
{
    const JsonReader r(json, "TrelloCard");
    TrelloCard c;
    c.id = r.requiredString(key("id"));
    c.name = r.requiredString(key("name"));
    c.desc = r.optionalString(key("desc"));
    c.closed = r.requiredBool(key("closed"));
    c.idList = r.requiredString(key("idList"));
    c.idBoard = r.requiredString(key("idBoard"));
    c.due = r.optionalDate(key("due"));
    c.dueComplete = r.optionalBool(key("dueComplete"));
    c.url = r.optionalString(key("url"));
    c.shortUrl = r.optionalString(key("shortUrl"));
    c.pos = r.requiredDouble(key("pos"));
    if (const auto labels = r.optionalValue(key("labels"))) {
        c.labels = r.nested<QList<TrelloLabel>>(key("labels"), *labels, [](const JsonValue &v) {
            return decodeEach<TrelloLabel>(v, &TrelloLabel::fromJson);
        });
    }
    c.idLabels = r.optionalStringList(key("idLabels"));
    c.idMembers = r.optionalStringList(key("idMembers"));
    if (const auto badges = r.optionalValue(key("badges"))) {
        c.badges = r.nested<CardBadges>(key("badges"), *badges, &CardBadges::fromJson);
    }
    return c;
}

CommentData CommentData::fromJson(const JsonValue &json)
{
    const JsonReader r(json, "CommentData");
    return CommentData{r.requiredString(key("text"))};
}

TrelloComment TrelloComment::fromJson(const JsonValue &json)
{
    const JsonReader r(json, "TrelloComment");
    TrelloComment c;
    c.id = r.requiredString(key("id"));
    c.date = r.requiredDate(key("date"));
    if (const auto creator = r.optionalValue(key("memberCreator"))) {
        c.memberCreator =
            r.nested<TrelloMember>(key("memberCreator"), *creator, &TrelloMember::fromJson);
    }
    c.data =
        r.nested<CommentData>(key("data"), r.requiredValue(key("data")), &CommentData::fromJson);
    return c;
}

ReactionEmoji ReactionEmoji::fromJson(const JsonValue &json)
{
    const JsonReader r(json, "ReactionEmoji");
    ReactionEmoji e;
    e.native = r.optionalString(key("native"));
    e.name = r.optionalString(key("name"));
    e.shortName = r.optionalString(key("shortName"));
    return e;
}

TrelloReaction TrelloReaction::fromJson(const JsonValue &json)
{
    const JsonReader r(json, "TrelloReaction");
    TrelloReaction t;
    t.id = r.requiredString(key("id"));
    t.idMember = r.requiredString(key("idMember"));
    if (const auto emoji = r.optionalValue(key("emoji"))) {
        t.emoji = r.nested<ReactionEmoji>(key("emoji"), *emoji, &ReactionEmoji::fromJson);
    }
    return t;
}

TrelloCheckItem TrelloCheckItem::fromJson(const JsonValue &json, const QString &checklistFallback)
{
    const JsonReader r(json, "TrelloCheckItem");
    TrelloCheckItem i;
    i.id = r.requiredString(key("id"));
    i.name = r.requiredString(key("name"));
    i.state = r.requiredString(key("state"));
    const bool hasChecklist = r.contains(key("idChecklist"));
    i.idChecklist = (hasChecklist || checklistFallback.isEmpty())
                        ? r.requiredString(key("idChecklist"))
                        : checklistFallback;
    i.pos = r.requiredDouble(key("pos"));
    return i;
}

TrelloChecklist TrelloChecklist::fromJson(const JsonValue &json)
{
    const JsonReader r(json, "TrelloChecklist");
    TrelloChecklist c;
    c.id = r.requiredString(key("id"));
    c.name = r.requiredString(key("name"));
    c.idCard = r.requiredString(key("idCard"));
    c.pos = r.requiredDouble(key("pos"));
    const QString checklistID = c.id;
    c.checkItems = r.nested<QList<TrelloCheckItem>>(
        key("checkItems"), r.requiredValue(key("checkItems")), [&](const JsonValue &v) {
            return decodeEach<TrelloCheckItem>(v, [&](const JsonValue &item) {
                return TrelloCheckItem::fromJson(item, checklistID);
            });
        });
    return c;
}

TrelloAttachment TrelloAttachment::fromJson(const JsonValue &json)
{
    const JsonReader r(json, "TrelloAttachment");
    TrelloAttachment a;
    a.id = r.requiredString(key("id"));
    a.name = r.requiredString(key("name"));
    a.url = r.requiredString(key("url"));
    a.date = r.optionalDate(key("date"));
    a.isUpload = r.optionalBool(key("isUpload"));
    return a;
}

template <typename T> QList<T> decodeArray(const JsonValue &json)
{
    return decodeEach<T>(json, [](const JsonValue &v) { return T::fromJson(v); });
}

template QList<TrelloBoard> decodeArray<TrelloBoard>(const JsonValue &);
template QList<TrelloList> decodeArray<TrelloList>(const JsonValue &);
template QList<TrelloCard> decodeArray<TrelloCard>(const JsonValue &);
template QList<TrelloLabel> decodeArray<TrelloLabel>(const JsonValue &);
template QList<TrelloMember> decodeArray<TrelloMember>(const JsonValue &);
template QList<TrelloComment> decodeArray<TrelloComment>(const JsonValue &);
template QList<TrelloReaction> decodeArray<TrelloReaction>(const JsonValue &);
template QList<TrelloChecklist> decodeArray<TrelloChecklist>(const JsonValue &);
template QList<TrelloAttachment> decodeArray<TrelloAttachment>(const JsonValue &);
