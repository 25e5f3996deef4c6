// SPDX-License-Identifier: MIT
#include "CallbackUrl.h"

#include <QUrl>

namespace CallbackUrl {

bool isOurs(QStringView url)
{
    const qsizetype colon = url.indexOf(u':');
    return colon > 0 && url.left(colon) == QStringView(Scheme);
}

std::optional<QString> token(const QString &url)
{
    // Still encoded: a "%26" in a value must not split it.
    const QString fragment = QUrl(url).fragment(QUrl::FullyEncoded);
    std::optional<QString> found;
    for (const QStringView piece : QStringView(fragment).split(u'&', Qt::SkipEmptyParts)) {
        const qsizetype equals = piece.indexOf(u'=');
        if (equals <= 0 || equals == piece.size() - 1) {
            continue; // no name or no value: split in two, one of the parts would be empty
        }
        const QString name = QUrl::fromPercentEncoding(piece.left(equals).toLatin1());
        if (name == u"token") {
            found = QUrl::fromPercentEncoding(piece.mid(equals + 1).toLatin1());
        }
    }
    return found;
}

} // namespace CallbackUrl
