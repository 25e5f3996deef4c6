// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>

#include <simdjson.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

class JsonElement;

// Strings that many records of one answer share, such as the board's and the list's ids or a
// label's name and colour, converted once per answer: the records then share one QString's
// data instead of each holding its own copy.
class JsonStringPool {
public:
    QString take(std::string_view text);

private:
    struct Entry {
        std::string_view text;
        QString string;
    };
    // Bounds the work and memory for an answer full of distinct values.
    static constexpr std::size_t maxEntries = 8192;
    static constexpr std::size_t maxLength = 64;
    std::vector<Entry> m_entries; // open addressing; empty text marks a free slot
    std::size_t m_used = 0;
};

// One parsed answer. simdjson checks the whole text before any record is read: the grammar,
// UTF-8, control characters in strings, escapes, numbers and the nesting depth, in values we
// never read as much as in those we do. It lays the text out on a tape with the strings already
// unescaped; records then take what they need from there, and strings become QStrings only
// for the fields a record keeps.
class JsonDocument {
public:
    // Throws DecodeError saying what is wrong when the text is not JSON.
    explicit JsonDocument(const QByteArray &text);
    ~JsonDocument();
    JsonDocument(const JsonDocument &) = delete;
    JsonDocument &operator=(const JsonDocument &) = delete;

    JsonElement root() const;
    JsonStringPool &strings() const { return m_strings; }

    // Frees the buffers this thread's parser keeps, as if it had never read an answer.
    static void releaseThreadParser();

private:
    // Answers reuse their thread's parser, whose buffers (about two and a half times the
    // largest text it has read) are kept for the next answer: allocating and first touching
    // them costs as much as the parse itself. They go when the thread ends; the worker
    // threads that decode large answers end after 30 s without work. A document parsed while
    // another one holds that parser gets a parser of its own.
    std::unique_ptr<simdjson::dom::parser> m_ownParser;
    bool *m_sharedInUse = nullptr; // the thread's parser, taken by this document
    simdjson::dom::element m_root;
    mutable JsonStringPool m_strings;
};

// One value of a document: cheap to copy, valid while the document lives. A default-constructed
// element stands for a missing key.
class JsonElement {
public:
    enum class Type : std::uint8_t { Null, Bool, Number, String, Array, Object };

    JsonElement() = default;
    JsonElement(simdjson::dom::element element, const JsonDocument *document)
        : m_element(element), m_document(document)
    {
    }

    bool exists() const { return m_document != nullptr; }
    Type type() const
    {
        switch (m_element.type()) {
        case simdjson::dom::element_type::ARRAY:
            return Type::Array;
        case simdjson::dom::element_type::OBJECT:
            return Type::Object;
        case simdjson::dom::element_type::INT64:
        case simdjson::dom::element_type::UINT64:
        case simdjson::dom::element_type::DOUBLE:
            return Type::Number;
        case simdjson::dom::element_type::STRING:
            return Type::String;
        case simdjson::dom::element_type::BOOL:
            return Type::Bool;
        case simdjson::dom::element_type::NULL_VALUE:
            break;
        }
        return Type::Null;
    }
    bool isNull() const { return m_element.is_null(); }
    bool isBool() const { return m_element.is_bool(); }
    bool isNumber() const { return m_element.is_number(); }
    bool isString() const { return m_element.is_string(); }
    bool isArray() const { return m_element.is_array(); }
    bool isObject() const { return m_element.is_object(); }

    // The accessors below expect the matching type; check it first.
    bool toBool() const { return get<bool>(); }
    double toNumber() const { return get<double>(); }
    // A number written as an integer within qint64, exactly; std::nullopt for any other.
    std::optional<qint64> toExactInteger() const
    {
        if (m_element.is_int64()) {
            return get<std::int64_t>();
        }
        return std::nullopt;
    }
    // The string's text, unescaped, as valid UTF-8 (simdjson has checked it).
    std::string_view toUtf8() const { return get<std::string_view>(); }
    QString toString() const
    {
        const std::string_view text = toUtf8();
        return QString::fromUtf8(text.data(), qsizetype(text.size()));
    }
    // The same for a string many records of the answer are likely to hold.
    QString toSharedString() const { return m_document->strings().take(toUtf8()); }

    // Array: number of elements.
    qsizetype size() const { return qsizetype(get<simdjson::dom::array>().size()); }
    // Array: calls f with each element, in order.
    template <typename F> void forEachElement(F f) const
    {
        for (const simdjson::dom::element element : get<simdjson::dom::array>()) {
            f(JsonElement(element, m_document));
        }
    }
    // Object: calls f with each key (unescaped UTF-8) and value, in the order written.
    template <typename F> void forEachMember(F f) const
    {
        for (const simdjson::dom::key_value_pair member : get<simdjson::dom::object>()) {
            f(member.key, JsonElement(member.value, m_document));
        }
    }

private:
    template <typename T> T get() const
    {
        T value{};
        [[maybe_unused]] const simdjson::error_code error = m_element.get(value);
        Q_ASSERT(!error);
        return value;
    }

    simdjson::dom::element m_element;
    const JsonDocument *m_document = nullptr;
};
