// SPDX-License-Identifier: MIT
#pragma once

#include "model/Models.h"

#include <QObject>
#include <QUrl>
#include <QVariant>
#include <QtQml/qqmlregistration.h>

class QQmlEngine;
class QJSEngine;

// How a member is shown: the name, the tooltip, the initials and colour of the avatar circle,
// and the address of the avatar picture.
namespace members {

// The full name when it is there and not empty, else the username.
QString displayName(const TrelloMember &member);
// The full name when it is there (even empty), else the username.
QString tooltip(const TrelloMember &member);
// Two letters of the display name: the first letters of its first two words (split at plain
// spaces only), or its first two letters when it has one word; whole user-perceived
// characters, upper-cased.
QString initials(const TrelloMember &member);
// The avatar palette index (0–7) for a member id: a 64-bit h = h * 31 + code point over the id,
// wrapping, whose magnitude modulo 8 picks the colour.
int colorIndex(const QString &memberId);
// The picture in the service's size for `pixels` (50, or 170 for large or dense screens);
// empty when the member has none or the address does not parse.
QUrl pictureURL(const TrelloMember &member, double pixels);

} // namespace members

class Members : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
public:
    explicit Members(QObject *parent = nullptr) : QObject(parent) {}

    Q_INVOKABLE QString displayName(const QVariant &member) const;
    Q_INVOKABLE QString tooltip(const QVariant &member) const;
    Q_INVOKABLE QString initials(const QVariant &member) const;
    Q_INVOKABLE int colorIndex(const QString &memberId) const { return members::colorIndex(memberId); }
    Q_INVOKABLE QUrl pictureURL(const QVariant &member, double pixels) const;
};
