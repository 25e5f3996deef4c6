// SPDX-License-Identifier: MIT
#include "RequestText.h"

#include <QUuid>

#include <charconv>
#include <cmath>

using namespace Qt::StringLiterals;

namespace RequestText {

QString position(double pos)
{
    if (!std::isfinite(pos)) {
        return QString::number(pos);
    }
    char buffer[400];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, pos, std::chars_format::fixed);
    QString text = QString::fromLatin1(buffer, result.ptr - buffer);
    if (!text.contains(u'.')) {
        text += u".0"_s;
    }
    return text;
}

QString date(const QDateTime &instant)
{
    return instant.toUTC().toString(u"yyyy-MM-ddTHH:mm:ss'Z'"_s);
}

QString newBoundary()
{
    return u"stavelin-"_s + QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
}

namespace {
// A header value of ours must not end its line early: every control character (CR and LF
// above all) becomes a space.
QString headerSafe(QString text)
{
    for (QChar &c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f) {
            c = u' ';
        }
    }
    return text;
}
} // namespace

QByteArray multipartBody(const QString &boundary, const QString &fileName,
                         const QString &mimeType, const QByteArray &fileData)
{
    // Inside the quoted file name a double quote would end it and a backslash may escape the
    // next character, depending on the server; neither goes out.
    QString safeName = headerSafe(fileName);
    safeName.replace(u'"', u'\'');
    safeName.replace(u'\\', u'_');
    QString safeType = headerSafe(mimeType);
    while (safeType.startsWith(u' ')) {
        safeType.remove(0, 1);
    }
    while (safeType.endsWith(u' ')) {
        safeType.chop(1);
    }
    if (safeType.isEmpty()) {
        safeType = u"application/octet-stream"_s;
    }
    const QByteArray head = (u"--"_s + boundary + u"\r\n"_s +
                             u"Content-Disposition: form-data; name=\"file\"; filename=\""_s +
                             safeName + u"\"\r\n"_s + u"Content-Type: "_s + safeType +
                             u"\r\n\r\n"_s)
                                .toUtf8();
    const QByteArray tail = (u"\r\n--"_s + boundary + u"--\r\n"_s).toUtf8();
    QByteArray body;
    body.reserve(head.size() + fileData.size() + tail.size());
    body += head;
    body += fileData;
    body += tail;
    return body;
}

} // namespace RequestText
