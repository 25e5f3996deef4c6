// SPDX-License-Identifier: MIT
// The authorization callback's parser, given any text as the address. Beyond not crashing:
// - a token it finds, sent again percent-encoded between other items, comes back unchanged;
// - the input taken as a token, sent that way, comes back unchanged too.
#include "CallbackUrl.h"

#include <QByteArray>
#include <QUrl>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

using namespace Qt::StringLiterals;

namespace {
void roundTrip(const QString &token)
{
    const QString url = u"stavelin://auth#state=a%26b&token="_s +
                        QString::fromLatin1(QUrl::toPercentEncoding(token)) + u"&error="_s;
    const std::optional<QString> back = CallbackUrl::token(url);
    if (!CallbackUrl::isOurs(url) || back != token) {
        std::fprintf(stderr, "token did not survive the callback:\n  sent %s\n  got  %s\n",
                     qUtf8Printable(token), back ? qUtf8Printable(*back) : "(none)");
        std::abort();
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    (void)CallbackUrl::isOurs(text);
    if (const std::optional<QString> token = CallbackUrl::token(text)) {
        roundTrip(*token);
    }
    if (!text.isEmpty()) {
        roundTrip(text);
    }
    return 0;
}
