// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

namespace RequestText {

// The shortest decimal text that reads back as the same double, in plain digits (positions
// near 2^47 must not go out in exponent form) and with at least one fractional digit.
QString position(double pos);

// An instant as the service takes it: UTC, no fractional seconds, "Z".
QString date(const QDateTime &instant);

// "stavelin-" and a fresh upper-case UUID.
QString newBoundary();

// The one-part multipart/form-data body of a file upload. The file name goes into the part's
// header with control characters as spaces, '"' as "'" and '\\' as '_'; an empty or blank
// type as application/octet-stream.
QByteArray multipartBody(const QString &boundary, const QString &fileName,
                         const QString &mimeType, const QByteArray &fileData);

} // namespace RequestText
