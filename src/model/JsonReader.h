// SPDX-License-Identifier: MIT
#pragma once

#include "DecodeError.h"
#include "JsonTape.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// Reads the fields of one JSON object strictly: a required field must be present, non-null
// and of the right type; an optional one may be missing or null but not of another type.
class JsonReader {
public:
    JsonReader(const JsonValue &value, const char *record);

    QString requiredString(QLatin1StringView key) const;
    std::optional<QString> optionalString(QLatin1StringView key) const;
    bool requiredBool(QLatin1StringView key) const;
    std::optional<bool> optionalBool(QLatin1StringView key) const;
    double requiredDouble(QLatin1StringView key) const;
    qint64 requiredInteger(QLatin1StringView key) const;
    QDateTime requiredDate(QLatin1StringView key) const;
    std::optional<QDateTime> optionalDate(QLatin1StringView key) const;
    std::optional<QStringList> optionalStringList(QLatin1StringView key) const;
    JsonValue requiredValue(QLatin1StringView key) const;
    std::optional<JsonValue> optionalValue(QLatin1StringView key) const;
    bool contains(QLatin1StringView key) const { return m_object.member(key).exists(); }

    // Decodes a nested record; an error inside names the outer field too.
    template <typename T, typename Decode>
    T nested(QLatin1StringView key, const JsonValue &value, Decode decode) const
    {
        try {
            return decode(value);
        } catch (const DecodeError &error) {
            throw error.within(fieldName(key) + QStringLiteral(": "));
        }
    }

    [[noreturn]] void fail(QLatin1StringView key, const QString &problem) const;

private:
    QString fieldName(QLatin1StringView key) const;

    JsonValue m_object;
    const char *m_record;
};

// Decodes every element of a JSON array; the first bad element fails the whole array.
template <typename T, typename Decode> QList<T> decodeEach(const JsonValue &json, Decode decode)
{
    if (!json.isArray()) {
        throw DecodeError(QStringLiteral("expected an array"));
    }
    QList<T> result;
    result.reserve(json.size());
    qsizetype index = 0;
    for (const JsonValue element : json) {
        try {
            result.append(decode(element));
        } catch (const DecodeError &error) {
            throw error.within(QStringLiteral("[%1] ").arg(index));
        }
        ++index;
    }
    return result;
}
