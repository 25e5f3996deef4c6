// SPDX-License-Identifier: MIT
#include "JsonTape.h"

#include <charconv>
#include <cstring>
#include <limits>

using namespace Qt::StringLiterals;

namespace {
// Deeper than any answer the service sends, shallow enough for the stack.
constexpr int maxDepth = 256;

int hexDigit(char c)
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

bool isContinuation(unsigned char c)
{
    return (c & 0xC0) == 0x80;
}

// Length of the well-formed UTF-8 sequence of two or more bytes at p, or 0 if it is not one
// (overlong forms, surrogates and code points past U+10FFFF are refused).
int utf8Sequence(const unsigned char *p, const unsigned char *end)
{
    const unsigned char c = p[0];
    const auto left = end - p;
    if (c >= 0xC2 && c <= 0xDF) {
        return left >= 2 && isContinuation(p[1]) ? 2 : 0;
    }
    if (c >= 0xE0 && c <= 0xEF) {
        if (left < 3 || !isContinuation(p[1]) || !isContinuation(p[2]) ||
            (c == 0xE0 && p[1] < 0xA0) || (c == 0xED && p[1] > 0x9F)) {
            return 0;
        }
        return 3;
    }
    if (c >= 0xF0 && c <= 0xF4) {
        if (left < 4 || !isContinuation(p[1]) || !isContinuation(p[2]) || !isContinuation(p[3]) ||
            (c == 0xF0 && p[1] < 0x90) || (c == 0xF4 && p[1] > 0x8F)) {
            return 0;
        }
        return 4;
    }
    return 0;
}
} // namespace

class JsonTapeParser {
public:
    explicit JsonTapeParser(JsonTape &tape)
        : m_nodes(tape.m_nodes),
          m_begin(reinterpret_cast<const unsigned char *>(tape.m_text.constData())), m_p(m_begin),
          m_end(m_begin + tape.m_text.size())
    {
        m_nodes.reserve(std::size_t(tape.m_text.size() / 16) + 16);
    }

    bool document()
    {
        skipSpace();
        if (!value(0)) {
            return false;
        }
        skipSpace();
        return m_p == m_end || fail(u"unexpected text after the value"_s);
    }

    QString m_reason;
    qsizetype offset() const { return m_p - m_begin; }

private:
    bool fail(QString reason)
    {
        m_reason = std::move(reason);
        return false;
    }

    void skipSpace()
    {
        while (m_p != m_end && (*m_p == ' ' || *m_p == '\n' || *m_p == '\r' || *m_p == '\t')) {
            ++m_p;
        }
    }

    std::uint32_t push(JsonTape::Type type)
    {
        JsonTape::Node node;
        node.type = type;
        node.flag = false;
        node.end = std::uint32_t(m_nodes.size() + 1);
        node.count = 0;
        node.number = 0;
        m_nodes.push_back(node);
        return std::uint32_t(m_nodes.size() - 1);
    }

    bool value(int depth)
    {
        if (m_p == m_end) {
            return fail(u"unexpected end of the text"_s);
        }
        switch (*m_p) {
        case '{':
            return container(depth, JsonTape::Type::Object, '}');
        case '[':
            return container(depth, JsonTape::Type::Array, ']');
        case '"':
            return string();
        case 't':
            return literal("true", JsonTape::Type::Bool, true);
        case 'f':
            return literal("false", JsonTape::Type::Bool, false);
        case 'n':
            return literal("null", JsonTape::Type::Null, false);
        default:
            return number();
        }
    }

    bool literal(const char *word, JsonTape::Type type, bool flag)
    {
        const auto length = std::strlen(word);
        if (std::size_t(m_end - m_p) < length || std::memcmp(m_p, word, length) != 0) {
            return fail(u"unexpected character"_s);
        }
        m_p += length;
        m_nodes[push(type)].flag = flag;
        return true;
    }

    bool container(int depth, JsonTape::Type type, char close)
    {
        if (depth >= maxDepth) {
            return fail(u"nested too deeply"_s);
        }
        const std::uint32_t index = push(type);
        const bool object = type == JsonTape::Type::Object;
        ++m_p;
        skipSpace();
        std::uint32_t count = 0;
        if (m_p != m_end && *m_p == close) {
            ++m_p;
        } else {
            while (true) {
                if (object) {
                    if (m_p == m_end || *m_p != '"') {
                        return fail(u"expected a key"_s);
                    }
                    if (!string()) {
                        return false;
                    }
                    skipSpace();
                    if (m_p == m_end || *m_p != ':') {
                        return fail(u"expected ':'"_s);
                    }
                    ++m_p;
                    skipSpace();
                }
                if (!value(depth + 1)) {
                    return false;
                }
                ++count;
                skipSpace();
                if (m_p != m_end && *m_p == ',') {
                    ++m_p;
                    skipSpace();
                    continue;
                }
                if (m_p != m_end && *m_p == close) {
                    ++m_p;
                    break;
                }
                return fail(object ? u"expected ',' or '}'"_s : u"expected ',' or ']'"_s);
            }
        }
        m_nodes[index].count = count;
        m_nodes[index].end = std::uint32_t(m_nodes.size());
        return true;
    }

    bool string()
    {
        ++m_p;
        const unsigned char *start = m_p;
        bool escaped = false;
        while (true) {
            // Plain ASCII is by far the commonest; take it in one tight loop.
            while (m_p != m_end && *m_p >= 0x20 && *m_p < 0x80 && *m_p != '"' && *m_p != '\\') {
                ++m_p;
            }
            if (m_p == m_end) {
                return fail(u"unterminated string"_s);
            }
            const unsigned char c = *m_p;
            if (c == '"') {
                break;
            }
            if (c == '\\') {
                escaped = true;
                if (++m_p == m_end) {
                    return fail(u"unterminated string"_s);
                }
                if (*m_p == 'u') {
                    if (m_end - m_p < 5 || hexDigit(char(m_p[1])) < 0 ||
                        hexDigit(char(m_p[2])) < 0 || hexDigit(char(m_p[3])) < 0 ||
                        hexDigit(char(m_p[4])) < 0) {
                        return fail(u"invalid \\u escape"_s);
                    }
                    m_p += 5;
                } else if (std::strchr("\"\\/bfnrt", *m_p) && *m_p) {
                    ++m_p;
                } else {
                    return fail(u"invalid escape"_s);
                }
                continue;
            }
            if (c < 0x20) {
                return fail(u"control character in a string"_s);
            }
            const int length = utf8Sequence(m_p, m_end);
            if (length == 0) {
                return fail(u"invalid UTF-8 in a string"_s);
            }
            m_p += length;
        }
        const std::uint32_t index = push(JsonTape::Type::String);
        m_nodes[index].flag = escaped;
        m_nodes[index].string.offset = std::uint32_t(start - m_begin);
        m_nodes[index].string.length = std::uint32_t(m_p - start);
        ++m_p;
        return true;
    }

    bool number()
    {
        const unsigned char *start = m_p;
        const auto digits = [this] {
            const unsigned char *from = m_p;
            while (m_p != m_end && *m_p >= '0' && *m_p <= '9') {
                ++m_p;
            }
            return m_p != from;
        };
        if (*m_p == '-') {
            ++m_p;
        }
        if (m_p != m_end && *m_p == '0') {
            ++m_p;
        } else if (m_p == m_end || *m_p < '1' || *m_p > '9' || !digits()) {
            return fail(u"unexpected character"_s);
        }
        if (m_p != m_end && *m_p == '.') {
            ++m_p;
            if (!digits()) {
                return fail(u"invalid number"_s);
            }
        }
        if (m_p != m_end && (*m_p == 'e' || *m_p == 'E')) {
            ++m_p;
            if (m_p != m_end && (*m_p == '+' || *m_p == '-')) {
                ++m_p;
            }
            if (!digits()) {
                return fail(u"invalid number"_s);
            }
        }
        double number = 0;
        const auto result = std::from_chars(reinterpret_cast<const char *>(start),
                                            reinterpret_cast<const char *>(m_p), number);
        if (result.ec != std::errc()) {
            m_p = start;
            return fail(u"number out of range"_s);
        }
        m_nodes[push(JsonTape::Type::Number)].number = number;
        return true;
    }

    std::vector<JsonTape::Node> &m_nodes;
    const unsigned char *m_begin;
    const unsigned char *m_p;
    const unsigned char *m_end;
};

std::optional<JsonTape> JsonTape::parse(const QByteArray &text, ParseError *error)
{
    JsonTape tape;
    if (text.size() >= qsizetype(std::numeric_limits<std::uint32_t>::max())) {
        if (error) {
            *error = {u"the text is too large"_s, 0};
        }
        return std::nullopt;
    }
    tape.m_text = text;
    JsonTapeParser parser(tape);
    if (!parser.document()) {
        if (error) {
            *error = {parser.m_reason, parser.offset()};
        }
        return std::nullopt;
    }
    return tape;
}

QString JsonValue::toString() const
{
    const JsonTape::Node &n = node();
    const char *begin = m_tape->text().constData() + n.string.offset;
    if (!n.flag) {
        return QString::fromUtf8(begin, n.string.length);
    }
    QString out;
    out.reserve(n.string.length);
    const char *end = begin + n.string.length;
    const char *run = begin;
    for (const char *p = begin; p != end;) {
        if (*p != '\\') {
            ++p;
            continue;
        }
        out += QString::fromUtf8(run, p - run);
        const char c = p[1];
        p += 2;
        switch (c) {
        case 'b':
            out += u'\b';
            break;
        case 'f':
            out += u'\f';
            break;
        case 'n':
            out += u'\n';
            break;
        case 'r':
            out += u'\r';
            break;
        case 't':
            out += u'\t';
            break;
        case 'u':
            out += QChar(char16_t(hexDigit(p[0]) << 12 | hexDigit(p[1]) << 8 | hexDigit(p[2]) << 4 |
                                  hexDigit(p[3])));
            p += 4;
            break;
        default: // '"', '\\', '/'
            out += QLatin1Char(c);
        }
        run = p;
    }
    out += QString::fromUtf8(run, end - run);
    return out;
}

bool JsonValue::escapedKeyEquals(std::uint32_t index, QLatin1StringView wanted) const
{
    return JsonValue(m_tape, index).toString() == wanted;
}
