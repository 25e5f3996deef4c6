// SPDX-License-Identifier: MIT
// Record decoding: the first byte picks the record type (one record or an array of them) and
// whether the text comes with the parser's padding after it; the rest is the answer's text.
// Any outcome but a record or a DecodeError is a fault.
#include "model/DecodeError.h"
#include "model/Json.h"
#include "model/Models.h"

#include <cstddef>
#include <cstdint>

namespace {
template <typename T> void decodeBoth(const QByteArray &text, bool array)
{
    if (array) {
        (void)decodeJson<QList<T>>(text);
    } else {
        (void)decodeJson<T>(text);
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0) {
        return 0;
    }
    const unsigned pick = data[0];
    const char *text = reinterpret_cast<const char *>(data + 1);
    const auto length = qsizetype(size - 1);
    QByteArray answer;
    if (pick & 0x80) {
        // As an answer read from the network usually arrives: room to spare behind the text.
        answer.reserve(length + qsizetype(simdjson::SIMDJSON_PADDING));
        answer.append(text, length);
    } else {
        answer = QByteArray(text, length);
    }
    const bool array = pick & 0x40;
    try {
        switch (pick & 0x0f) {
        case 0: decodeBoth<TrelloMember>(answer, array); break;
        case 1: decodeBoth<TrelloBoard>(answer, array); break;
        case 2: decodeBoth<TrelloList>(answer, array); break;
        case 3: decodeBoth<TrelloLabel>(answer, array); break;
        case 4: decodeBoth<TrelloCard>(answer, array); break;
        case 5: decodeBoth<TrelloComment>(answer, array); break;
        case 6: decodeBoth<TrelloReaction>(answer, array); break;
        case 7: decodeBoth<TrelloChecklist>(answer, array); break;
        case 8: decodeBoth<TrelloAttachment>(answer, array); break;
        case 9: {
            // A check item alone, as the answer to ticking one off.
            const JsonDocument document(answer);
            (void)TrelloCheckItem::fromJson(document.root(), QStringLiteral("fallback"));
            break;
        }
        default:
            (void)parseServiceDate(std::string_view(text, std::size_t(length)));
            break;
        }
    } catch (const DecodeError &) {
    }
    return 0;
}
