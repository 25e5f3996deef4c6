// SPDX-License-Identifier: MIT
#include "Json.h"

#include "DecodeError.h"

using namespace Qt::StringLiterals;

namespace {
struct ThreadParser {
    simdjson::dom::parser parser;
    bool inUse = false;
};

ThreadParser &threadParser()
{
    thread_local ThreadParser shared;
    return shared;
}

QString describe(simdjson::error_code error)
{
    switch (error) {
    case simdjson::UTF8_ERROR:
        return u"invalid UTF-8"_s;
    case simdjson::UNESCAPED_CHARS:
        return u"control character in a string"_s;
    case simdjson::UNCLOSED_STRING:
        return u"unterminated string"_s;
    case simdjson::STRING_ERROR:
        return u"invalid escape in a string"_s;
    case simdjson::NUMBER_ERROR:
        return u"invalid number, or one out of range"_s;
    case simdjson::T_ATOM_ERROR:
    case simdjson::F_ATOM_ERROR:
    case simdjson::N_ATOM_ERROR:
        return u"unexpected character"_s;
    case simdjson::DEPTH_ERROR:
        return u"nested too deeply"_s;
    case simdjson::TAPE_ERROR:
        return u"misplaced or missing brackets, commas, colons or keys"_s;
    case simdjson::CAPACITY:
        return u"the text is too large"_s;
    case simdjson::MEMALLOC:
        return u"out of memory"_s;
    default:
        return QString::fromUtf8(simdjson::error_message(error));
    }
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// The UTF-16 unit of the \uXXXX escape at p (which has at least six bytes), or -1.
int escapedUnit(const char *p)
{
    if (p[0] != '\\' || p[1] != 'u') {
        return -1;
    }
    int unit = 0;
    for (int i = 2; i < 6; ++i) {
        const int digit = hexValue(p[i]);
        if (digit < 0) {
            return -1;
        }
        unit = unit << 4 | digit;
    }
    return unit;
}

// simdjson refuses two things that are valid JSON and that the service, which writes its
// answers with JavaScript, can send: integers past 64 bits (JavaScript writes numbers below
// 1e21 without an exponent) and a \u escape of half a surrogate pair (a JavaScript string may
// hold one). The text again, with such integers written as decimals and such escapes as
// U+FFFD; std::nullopt when it has neither.
std::optional<QByteArray> relaxed(const QByteArray &text)
{
    QByteArray out;
    out.reserve(text.size() + text.size() / 8 + qsizetype(simdjson::SIMDJSON_PADDING));
    bool changed = false;
    const char *p = text.constData();
    const char *const end = p + text.size();
    const char *copied = p; // text before this is in out
    const auto isDigit = [end](const char *q) {
        return q < end && *q >= '0' && *q <= '9';
    };
    while (p < end) {
        if (*p == '"') {
            for (++p; p < end && *p != '"';) {
                if (*p != '\\' || end - p < 2) {
                    ++p;
                    continue;
                }
                const int unit = end - p >= 6 ? escapedUnit(p) : -1;
                if (unit < 0xD800 || unit > 0xDFFF) {
                    p += 2; // any other escape; its second byte never ends the string
                    continue;
                }
                const int next = end - p >= 12 ? escapedUnit(p + 6) : -1;
                if (unit < 0xDC00 && next >= 0xDC00 && next <= 0xDFFF) {
                    p += 12; // a whole pair
                    continue;
                }
                out.append(copied, p - copied).append("\\ufffd");
                p += 6;
                copied = p;
                changed = true;
            }
            if (p < end) {
                ++p; // the closing quote
            }
        } else if (*p == '-' || isDigit(p)) {
            const char *const digits = *p == '-' ? p + 1 : p;
            for (p = digits; isDigit(p); ++p) {
            }
            const qsizetype count = p - digits;
            bool plain = true;
            if (p < end && *p == '.') {
                plain = false;
                for (++p; isDigit(p); ++p) {
                }
            }
            if (p < end && (*p == 'e' || *p == 'E')) {
                plain = false;
                for (p += (p + 1 < end && (p[1] == '+' || p[1] == '-')) ? 2 : 1; isDigit(p); ++p) {
                }
            }
            if (plain && count >= 19) {
                out.append(copied, p - copied).append(".0");
                copied = p;
                changed = true;
            }
        } else {
            ++p;
        }
    }
    if (!changed) {
        return std::nullopt;
    }
    out.append(copied, end - copied);
    return out;
}
} // namespace

JsonDocument::JsonDocument(const QByteArray &text)
{
    ThreadParser &shared = threadParser();
    if (shared.inUse) {
        m_ownParser = std::make_unique<simdjson::dom::parser>();
    } else {
        shared.inUse = true;
        m_sharedInUse = &shared.inUse;
    }
    simdjson::dom::parser &parser = m_ownParser ? *m_ownParser : shared.parser;
    // simdjson reads up to SIMDJSON_PADDING bytes past the end. An answer read from the
    // network usually has that much room left in its buffer; only otherwise is it copied.
    const bool padded = text.capacity() - text.size() >= qsizetype(simdjson::SIMDJSON_PADDING);
    simdjson::error_code error =
        parser.parse(text.constData(), std::size_t(text.size()), !padded).get(m_root);
    if (error == simdjson::NUMBER_ERROR || error == simdjson::STRING_ERROR) {
        if (const std::optional<QByteArray> retry = relaxed(text)) {
            const bool retryPadded =
                retry->capacity() - retry->size() >= qsizetype(simdjson::SIMDJSON_PADDING);
            // The parsed document holds copies of the strings; retry may go once it is read.
            if (!parser.parse(retry->constData(), std::size_t(retry->size()), !retryPadded)
                     .get(m_root)) {
                error = simdjson::SUCCESS;
            }
        }
    }
    if (error) {
        if (m_sharedInUse) {
            *m_sharedInUse = false;
        }
        throw DecodeError(u"the answer is not valid JSON ("_s + describe(error) + u')');
    }
}

JsonDocument::~JsonDocument()
{
    if (m_sharedInUse) {
        *m_sharedInUse = false;
    }
}

void JsonDocument::releaseThreadParser()
{
    ThreadParser &shared = threadParser();
    if (!shared.inUse) {
        shared.parser = simdjson::dom::parser();
    }
}

JsonElement JsonDocument::root() const
{
    return JsonElement(m_root, this);
}

QString JsonStringPool::take(std::string_view text)
{
    if (text.empty() || text.size() > maxLength) {
        return QString::fromUtf8(text.data(), qsizetype(text.size()));
    }
    // At most half full, so that a probe soon meets a free slot; once it holds maxEntries
    // strings, those are still shared but no others are added.
    if (m_used * 2 >= m_entries.size() && m_used < maxEntries) {
        std::vector<Entry> old(std::max<std::size_t>(16, m_entries.size() * 2));
        old.swap(m_entries);
        for (Entry &entry : old) {
            if (!entry.text.empty()) {
                std::size_t slot = std::hash<std::string_view>()(entry.text);
                while (!m_entries[slot &= m_entries.size() - 1].text.empty()) {
                    ++slot;
                }
                m_entries[slot] = std::move(entry);
            }
        }
    }
    std::size_t slot = std::hash<std::string_view>()(text);
    while (true) {
        Entry &entry = m_entries[slot &= m_entries.size() - 1];
        if (entry.text.empty()) {
            if (m_used >= maxEntries) {
                return QString::fromUtf8(text.data(), qsizetype(text.size()));
            }
            entry.text = text;
            entry.string = QString::fromUtf8(text.data(), qsizetype(text.size()));
            ++m_used;
            return entry.string;
        }
        if (entry.text == text) {
            return entry.string;
        }
        ++slot;
    }
}
