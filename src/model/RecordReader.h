// SPDX-License-Identifier: MIT
#pragma once

#include "DecodeError.h"
#include "Json.h"

#include <QDateTime>
#include <QLatin1StringView>
#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <optional>
#include <string_view>
#include <type_traits>

// The keys one record type reads, with a small open-addressed index over them: a record's
// object is walked once and each member sorted into its field in a step or two, however many
// keys the service sends that we never read.
class FieldTable {
public:
    static constexpr int maxFields = 16;

    FieldTable(std::initializer_list<const char *> names);

    // The field's index, or -1 for a key the record does not read.
    int indexOf(std::string_view key) const
    {
        if (key.empty()) {
            return -1;
        }
        for (unsigned slot = hash(key);; slot = (slot + 1) & (slotCount - 1)) {
            const int index = m_slots[slot];
            if (index < 0 || (m_names[index].size() == key.size() &&
                              sameBytes(m_names[index].data(), key.data(), key.size()))) {
                return index;
            }
        }
    }
    QLatin1StringView name(int index) const
    {
        return QLatin1StringView(m_names[index].data(), qsizetype(m_names[index].size()));
    }

private:
    // memcmp for the short keys of the service's objects, without a library call.
    static bool sameBytes(const char *a, const char *b, std::size_t size)
    {
        const auto load8 = [](const char *p) {
            std::uint64_t v;
            std::memcpy(&v, p, 8);
            return v;
        };
        const auto load4 = [](const char *p) {
            std::uint32_t v;
            std::memcpy(&v, p, 4);
            return v;
        };
        if (size >= 8) {
            for (std::size_t i = 0; i + 8 < size; i += 8) {
                if (load8(a + i) != load8(b + i)) {
                    return false;
                }
            }
            return load8(a + size - 8) == load8(b + size - 8);
        }
        if (size >= 4) {
            return load4(a) == load4(b) && load4(a + size - 4) == load4(b + size - 4);
        }
        for (std::size_t i = 0; i < size; ++i) {
            if (a[i] != b[i]) {
                return false;
            }
        }
        return true;
    }

    static constexpr unsigned slotCount = 64; // at least four times maxFields: short probes
    static unsigned hash(std::string_view key)
    {
        return (unsigned(key.size()) * 31u +
                unsigned(static_cast<unsigned char>(key.front())) * 7u +
                unsigned(static_cast<unsigned char>(key.back()))) &
               (slotCount - 1);
    }

    std::array<signed char, slotCount> m_slots;
    std::array<std::string_view, maxFields> m_names;
};

static_assert(std::is_trivially_copyable_v<JsonElement> &&
              std::is_trivially_destructible_v<JsonElement>);

// Whether a string field tends to hold the same text in many records of one answer (the ids of
// the board, the list, labels and members; a label's name and colour): such strings are
// converted once per answer and shared.
enum class Text : bool { Distinct, Shared };

// Reads the fields of one JSON object strictly: a required field must be present, non-null
// and of the right type; an optional one may be missing or null but not of another type. The
// object is walked once on construction; a key given twice reads as its last value.
class RecordReader {
public:
    RecordReader(const JsonElement &value, const char *record, const FieldTable &fields);

    QString requiredString(QLatin1StringView key, Text text = Text::Distinct) const;
    std::optional<QString> optionalString(QLatin1StringView key, Text text = Text::Distinct) const;
    bool requiredBool(QLatin1StringView key) const;
    std::optional<bool> optionalBool(QLatin1StringView key) const;
    double requiredDouble(QLatin1StringView key) const;
    qint64 requiredInteger(QLatin1StringView key) const;
    std::optional<qint64> optionalInteger(QLatin1StringView key) const;
    QDateTime requiredDate(QLatin1StringView key) const;
    std::optional<QDateTime> optionalDate(QLatin1StringView key) const;
    std::optional<QStringList> optionalStringList(QLatin1StringView key,
                                                  Text text = Text::Distinct) const;
    JsonElement requiredValue(QLatin1StringView key) const;
    std::optional<JsonElement> optionalValue(QLatin1StringView key) const;
    bool contains(QLatin1StringView key) const { return member(key).exists(); }

    // Decodes a nested record; an error inside names the outer field too.
    template <typename T, typename Decode>
    T nested(QLatin1StringView key, const JsonElement &value, Decode decode) const
    {
        try {
            return decode(value);
        } catch (const DecodeError &error) {
            throw error.within(fieldName(key) + QStringLiteral(": "));
        }
    }

    [[noreturn]] void fail(QLatin1StringView key, const QString &problem) const;

private:
    const JsonElement &member(QLatin1StringView key) const;
    QString fieldName(QLatin1StringView key) const;

    // Only the members found are written: records are many, and most fields are few.
    union {
        JsonElement m_members[FieldTable::maxFields];
    };
    std::uint32_t m_found = 0; // bit i: m_members[i] holds field i
    const FieldTable &m_fields;
    const char *m_record;
};

// Decodes every element of a JSON array; the first bad element fails the whole array.
template <typename T, typename Decode> QList<T> decodeEach(const JsonElement &json, Decode decode)
{
    if (!json.exists() || !json.isArray()) {
        throw DecodeError(QStringLiteral("expected an array"));
    }
    QList<T> result;
    result.reserve(json.size());
    qsizetype index = 0;
    json.forEachElement([&](const JsonElement &element) {
        try {
            result.append(decode(element));
        } catch (const DecodeError &error) {
            throw error.within(QStringLiteral("[%1] ").arg(index));
        }
        ++index;
    });
    return result;
}
