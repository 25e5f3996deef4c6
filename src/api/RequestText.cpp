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

QByteArray multipartBody(const QString &boundary, const QString &fileName,
                         const QString &mimeType, const QByteArray &fileData)
{
    QString safeName = fileName;
    safeName.replace(u'"', u'\'');
    const QByteArray head = (u"--"_s + boundary + u"\r\n"_s +
                             u"Content-Disposition: form-data; name=\"file\"; filename=\""_s +
                             safeName + u"\"\r\n"_s + u"Content-Type: "_s + mimeType +
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
