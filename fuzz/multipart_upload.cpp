// SPDX-License-Identifier: MIT
// The upload body the client builds, read back by the sandbox's multipart parser. The input is
// "<file name>\0<type>\0<file bytes>"; the parser must find exactly one part named "file" with
// the name and type as the client promises to send them and the bytes unchanged. The input is
// then also given to the parser as a body of its own, which must not crash it.
#include "api/RequestText.h"
#include "sandbox/Multipart.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

using namespace Qt::StringLiterals;

namespace {
// What the client promises for a header value: control characters as spaces.
QString headerSafe(QString text)
{
    for (QChar &c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f) {
            c = u' ';
        }
    }
    return text;
}

[[noreturn]] void fail(const char *what, const std::string &body)
{
    std::fprintf(stderr, "multipart round trip: %s\n--- body ---\n%s\n", what, body.c_str());
    std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string input(reinterpret_cast<const char *>(data), size);
    const size_t first = input.find('\0');
    const size_t second = first == std::string::npos ? first : input.find('\0', first + 1);
    const std::string nameBytes = input.substr(0, first);
    const std::string typeBytes =
        first == std::string::npos ? std::string() : input.substr(first + 1, second - first - 1);
    const std::string fileBytes =
        second == std::string::npos ? std::string() : input.substr(second + 1);
    const QString fileName = QString::fromStdString(nameBytes);
    const QString mimeType = QString::fromStdString(typeBytes);

    // As the upload request sends it.
    const QString boundary = RequestText::newBoundary();
    const QByteArray body = RequestText::multipartBody(boundary, fileName, mimeType,
                                                       QByteArray::fromStdString(fileBytes));
    const std::string contentType = "multipart/form-data; boundary=" + boundary.toStdString();
    const std::string bodyText = body.toStdString();

    const auto parsedBoundary = sandbox::multipartBoundary(contentType);
    if (parsedBoundary != boundary.toStdString()) {
        fail("boundary not read back", contentType);
    }
    const auto parts = sandbox::parseMultipart(bodyText, *parsedBoundary);
    if (!parts || parts->size() != 1) {
        fail("not exactly one part", bodyText);
    }
    const sandbox::FormPart &part = parts->front();
    QString expectedName = headerSafe(fileName);
    expectedName.replace(u'"', u'\'').replace(u'\\', u'_');
    QString expectedType = headerSafe(mimeType);
    while (expectedType.startsWith(u' ')) {
        expectedType.remove(0, 1);
    }
    while (expectedType.endsWith(u' ')) {
        expectedType.chop(1);
    }
    if (expectedType.isEmpty()) {
        expectedType = u"application/octet-stream"_s;
    }
    if (part.name != "file" || !part.fileName || *part.fileName != expectedName.toStdString()) {
        fail("part or file name changed", bodyText);
    }
    if (part.contentType != expectedType.toStdString()) {
        fail("type changed", bodyText);
    }
    if (part.data != fileBytes) {
        fail("file bytes changed", bodyText);
    }

    // The parser on its own, with the body and a boundary of the input's choosing.
    (void)sandbox::multipartBoundary(nameBytes);
    (void)sandbox::parseMultipart(fileBytes, typeBytes.empty() ? "B" : typeBytes);
    return 0;
}
