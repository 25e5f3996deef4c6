// SPDX-License-Identifier: MIT
#include "Members.h"

#include <QTextBoundaryFinder>

using namespace Qt::StringLiterals;

namespace members {

QString displayName(const TrelloMember &member)
{
    return member.fullName && !member.fullName->isEmpty() ? *member.fullName : member.username;
}

QString tooltip(const TrelloMember &member)
{
    return member.fullName.value_or(member.username);
}

namespace {
// The first `count` user-perceived characters of `text`.
QString leadingGraphemes(const QString &text, int count)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype end = 0;
    for (int i = 0; i < count; ++i) {
        const qsizetype next = finder.toNextBoundary();
        if (next < 0) {
            break;
        }
        end = next;
    }
    return text.left(end);
}
} // namespace

QString initials(const TrelloMember &member)
{
    const QString name = displayName(member);
    const QStringList words = name.split(u' ', Qt::SkipEmptyParts);
    if (words.size() < 2) {
        return leadingGraphemes(name, 2).toUpper();
    }
    return (leadingGraphemes(words[0], 1) + leadingGraphemes(words[1], 1)).toUpper();
}

int colorIndex(const QString &memberId)
{
    quint64 h = 0; // unsigned arithmetic wraps exactly as the signed hash is meant to
    for (const char32_t scalar : memberId.toUcs4()) {
        h = h * 31u + scalar;
    }
    const auto signedHash = static_cast<qint64>(h);
    const quint64 magnitude = signedHash < 0 ? quint64(0) - h : h;
    return int(magnitude % 8u);
}

QUrl pictureURL(const TrelloMember &member, double pixels)
{
    if (!member.avatarUrl || member.avatarUrl->isEmpty()) {
        return {};
    }
    const QString size = pixels > 50 ? u"/170.png"_s : u"/50.png"_s;
    const QUrl url(*member.avatarUrl + size, QUrl::StrictMode);
    return url.isValid() && !url.scheme().isEmpty() ? url : QUrl();
}

} // namespace members

namespace {
std::optional<TrelloMember> asMember(const QVariant &value)
{
    if (value.metaType() == QMetaType::fromType<TrelloMember>()) {
        return value.value<TrelloMember>();
    }
    // A member made in QML: the same fields in an object.
    const QVariantMap fields = value.toMap();
    if (fields.isEmpty()) {
        return std::nullopt;
    }
    TrelloMember member;
    member.id = fields.value(u"id"_s).toString();
    member.username = fields.value(u"username"_s).toString();
    if (fields.contains(u"fullName"_s) && !fields.value(u"fullName"_s).isNull()) {
        member.fullName = fields.value(u"fullName"_s).toString();
    }
    if (fields.contains(u"avatarUrl"_s) && !fields.value(u"avatarUrl"_s).isNull()) {
        member.avatarUrl = fields.value(u"avatarUrl"_s).toString();
    }
    return member;
}
} // namespace

QString Members::displayName(const QVariant &member) const
{
    const auto m = asMember(member);
    return m ? members::displayName(*m) : QString();
}

QString Members::tooltip(const QVariant &member) const
{
    const auto m = asMember(member);
    return m ? members::tooltip(*m) : QString();
}

QString Members::initials(const QVariant &member) const
{
    const auto m = asMember(member);
    return m ? members::initials(*m) : QString();
}

QUrl Members::pictureURL(const QVariant &member, double pixels) const
{
    const auto m = asMember(member);
    return m ? members::pictureURL(*m, pixels) : QUrl();
}
