// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QLatin1StringView>
#include <QString>

#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

// A strict JSON parser made for decoding the service's answers quickly. The text is checked
// once (RFC 8259 grammar, valid UTF-8, nesting depth) and laid out as a flat tape of nodes that
// point back into it; strings become QStrings only when a record asks for one, and the many
// keys we never read cost nothing beyond the scan. A 10,000-card answer parses several times
// faster than through QJsonDocument, which builds a full tree of every value first.
class JsonTape {
public:
    enum class Type : std::uint8_t { Null, Bool, Number, String, Array, Object };

    struct Node {
        Type type;
        bool flag;           // Bool: the value; String: contains escapes
        std::uint32_t end;   // index one past this node's subtree
        std::uint32_t count; // Array/Object: number of elements/members
        union {
            struct {
                std::uint32_t offset; // first byte after the opening quote
                std::uint32_t length; // bytes up to the closing quote
            } string;
            double number;
        };
    };

    struct ParseError {
        QString reason;
        qsizetype offset;
    };

    // Parses the whole text; returns std::nullopt and fills error when it is not JSON.
    static std::optional<JsonTape> parse(const QByteArray &text, ParseError *error);

    const QByteArray &text() const { return m_text; }
    const Node &node(std::uint32_t index) const { return m_nodes[index]; }

private:
    friend class JsonTapeParser;
    QByteArray m_text;
    std::vector<Node> m_nodes;
};

// One value in a tape: cheap to copy, valid while the tape lives. A default-constructed value
// stands for a missing key.
class JsonValue {
public:
    JsonValue() = default;
    JsonValue(const JsonTape *tape, std::uint32_t index) : m_tape(tape), m_index(index) {}

    bool exists() const { return m_tape != nullptr; }
    JsonTape::Type type() const { return node().type; }
    bool isNull() const { return type() == JsonTape::Type::Null; }
    bool isBool() const { return type() == JsonTape::Type::Bool; }
    bool isNumber() const { return type() == JsonTape::Type::Number; }
    bool isString() const { return type() == JsonTape::Type::String; }
    bool isArray() const { return type() == JsonTape::Type::Array; }
    bool isObject() const { return type() == JsonTape::Type::Object; }

    bool toBool() const { return node().flag; }
    double toNumber() const { return node().number; }
    QString toString() const;
    // Array/Object: number of elements/members.
    std::uint32_t size() const { return node().count; }

    // Object members, in the order written. A key given twice reads as its last value.
    JsonValue member(QLatin1StringView key) const
    {
        JsonValue found;
        const std::uint32_t end = node().end;
        for (std::uint32_t index = m_index + 1; index < end;) {
            const JsonTape::Node &name = m_tape->node(index);
            // Lengths rarely match, so most keys are passed over without touching their text.
            if (name.flag ? escapedKeyEquals(index, key)
                          : name.string.length == std::uint32_t(key.size()) &&
                                std::memcmp(m_tape->text().constData() + name.string.offset,
                                            key.data(), name.string.length) == 0) {
                found = JsonValue(m_tape, index + 1);
            }
            index = m_tape->node(index + 1).end;
        }
        return found;
    }

    // Walks the elements of an array, or the values of an object.
    class Iterator {
    public:
        Iterator(const JsonTape *tape, std::uint32_t index, bool object)
            : m_tape(tape), m_index(index), m_object(object)
        {
        }
        JsonValue operator*() const { return {m_tape, m_index + (m_object ? 1u : 0u)}; }
        JsonValue key() const { return {m_tape, m_index}; }
        Iterator &operator++()
        {
            m_index = m_tape->node(m_index + (m_object ? 1u : 0u)).end;
            return *this;
        }
        bool operator!=(const Iterator &other) const { return m_index != other.m_index; }

    private:
        const JsonTape *m_tape;
        std::uint32_t m_index;
        bool m_object;
    };
    Iterator begin() const { return {m_tape, m_index + 1, isObject()}; }
    Iterator end() const { return {m_tape, node().end, isObject()}; }

private:
    const JsonTape::Node &node() const { return m_tape->node(m_index); }
    bool escapedKeyEquals(std::uint32_t index, QLatin1StringView wanted) const;

    const JsonTape *m_tape = nullptr;
    std::uint32_t m_index = 0;
};
