// SPDX-License-Identifier: MIT
#include "JsonReader.h"

#include "Models.h"

#include <cmath>

namespace {
QString typeName(const JsonValue &value)
{
    if (!value.exists()) {
        return QStringLiteral("nothing");
    }
    switch (value.type()) {
    case JsonTape::Type::Null:
        return QStringLiteral("null");
    case JsonTape::Type::Bool:
        return QStringLiteral("a boolean");
    case JsonTape::Type::Number:
        return QStringLiteral("a number");
    case JsonTape::Type::String:
        return QStringLiteral("a string");
    case JsonTape::Type::Array:
        return QStringLiteral("an array");
    case JsonTape::Type::Object:
        return QStringLiteral("an object");
    }
    return QStringLiteral("nothing");
}
} // namespace

JsonReader::JsonReader(const JsonValue &value, const char *record) : m_record(record)
{
    if (!value.exists() || !value.isObject()) {
        throw DecodeError(QLatin1StringView(record) +
                          QStringLiteral(": expected an object, found ") + typeName(value));
    }
    m_object = value;
}

QString JsonReader::fieldName(QLatin1StringView key) const
{
    return QLatin1StringView(m_record) + QLatin1Char('.') + key;
}

void JsonReader::fail(QLatin1StringView key, const QString &problem) const
{
    throw DecodeError(fieldName(key) + QStringLiteral(": ") + problem);
}

JsonValue JsonReader::requiredValue(QLatin1StringView key) const
{
    const JsonValue value = m_object.member(key);
    if (!value.exists()) {
        fail(key, QStringLiteral("required key is missing"));
    }
    if (value.isNull()) {
        fail(key, QStringLiteral("required value is null"));
    }
    return value;
}

std::optional<JsonValue> JsonReader::optionalValue(QLatin1StringView key) const
{
    const JsonValue value = m_object.member(key);
    if (!value.exists() || value.isNull()) {
        return std::nullopt;
    }
    return value;
}

namespace {
QString expectString(const JsonReader &reader, QLatin1StringView key, const JsonValue &value)
{
    if (!value.isString()) {
        reader.fail(key, QStringLiteral("expected a string, found ") + typeName(value));
    }
    return value.toString();
}

bool expectBool(const JsonReader &reader, QLatin1StringView key, const JsonValue &value)
{
    if (!value.isBool()) {
        reader.fail(key, QStringLiteral("expected a boolean, found ") + typeName(value));
    }
    return value.toBool();
}

QDateTime expectDate(const JsonReader &reader, QLatin1StringView key, const JsonValue &value)
{
    const QString text = expectString(reader, key, value);
    try {
        return parseServiceDate(text);
    } catch (const DecodeError &error) {
        reader.fail(key, error.message());
    }
}
} // namespace

QString JsonReader::requiredString(QLatin1StringView key) const
{
    return expectString(*this, key, requiredValue(key));
}

std::optional<QString> JsonReader::optionalString(QLatin1StringView key) const
{
    const auto value = optionalValue(key);
    return value ? std::optional(expectString(*this, key, *value)) : std::nullopt;
}

bool JsonReader::requiredBool(QLatin1StringView key) const
{
    return expectBool(*this, key, requiredValue(key));
}

std::optional<bool> JsonReader::optionalBool(QLatin1StringView key) const
{
    const auto value = optionalValue(key);
    return value ? std::optional(expectBool(*this, key, *value)) : std::nullopt;
}

double JsonReader::requiredDouble(QLatin1StringView key) const
{
    const JsonValue value = requiredValue(key);
    if (!value.isNumber()) {
        fail(key, QStringLiteral("expected a number, found ") + typeName(value));
    }
    return value.toNumber();
}

qint64 JsonReader::requiredInteger(QLatin1StringView key) const
{
    const JsonValue value = requiredValue(key);
    if (!value.isNumber()) {
        fail(key, QStringLiteral("expected an integer, found ") + typeName(value));
    }
    const double number = value.toNumber();
    if (std::trunc(number) != number || std::abs(number) > 9.0e18) {
        fail(key, QStringLiteral("expected an integer, found ") + QString::number(number));
    }
    return qint64(number);
}

QDateTime JsonReader::requiredDate(QLatin1StringView key) const
{
    return expectDate(*this, key, requiredValue(key));
}

std::optional<QDateTime> JsonReader::optionalDate(QLatin1StringView key) const
{
    const auto value = optionalValue(key);
    return value ? std::optional(expectDate(*this, key, *value)) : std::nullopt;
}

std::optional<QStringList> JsonReader::optionalStringList(QLatin1StringView key) const
{
    const auto value = optionalValue(key);
    if (!value) {
        return std::nullopt;
    }
    if (!value->isArray()) {
        fail(key, QStringLiteral("expected an array, found ") + typeName(*value));
    }
    QStringList result;
    result.reserve(value->size());
    for (const JsonValue element : *value) {
        result.append(expectString(*this, key, element));
    }
    return result;
}
