// SPDX-License-Identifier: MIT
#include "JsonReader.h"

#include "Models.h"

#include <cmath>

namespace {
QString typeName(const QJsonValue &value)
{
    switch (value.type()) {
    case QJsonValue::Null:
        return QStringLiteral("null");
    case QJsonValue::Bool:
        return QStringLiteral("a boolean");
    case QJsonValue::Double:
        return QStringLiteral("a number");
    case QJsonValue::String:
        return QStringLiteral("a string");
    case QJsonValue::Array:
        return QStringLiteral("an array");
    case QJsonValue::Object:
        return QStringLiteral("an object");
    case QJsonValue::Undefined:
        break;
    }
    return QStringLiteral("nothing");
}
} // namespace

JsonReader::JsonReader(const QJsonValue &value, const char *record) : m_record(record)
{
    if (!value.isObject()) {
        throw DecodeError(QLatin1StringView(record) + QStringLiteral(": expected an object, found ") +
                          typeName(value));
    }
    m_object = value.toObject();
}

QString JsonReader::fieldName(QLatin1StringView key) const
{
    return QLatin1StringView(m_record) + QLatin1Char('.') + key;
}

void JsonReader::fail(QLatin1StringView key, const QString &problem) const
{
    throw DecodeError(fieldName(key) + QStringLiteral(": ") + problem);
}

QJsonValue JsonReader::requiredValue(QLatin1StringView key) const
{
    const auto it = m_object.constFind(key);
    if (it == m_object.constEnd()) {
        fail(key, QStringLiteral("required key is missing"));
    }
    if (it->isNull()) {
        fail(key, QStringLiteral("required value is null"));
    }
    return *it;
}

std::optional<QJsonValue> JsonReader::optionalValue(QLatin1StringView key) const
{
    const auto it = m_object.constFind(key);
    if (it == m_object.constEnd() || it->isNull()) {
        return std::nullopt;
    }
    return *it;
}

namespace {
QString expectString(const JsonReader &reader, QLatin1StringView key, const QJsonValue &value)
{
    if (!value.isString()) {
        reader.fail(key, QStringLiteral("expected a string, found ") + typeName(value));
    }
    return value.toString();
}

bool expectBool(const JsonReader &reader, QLatin1StringView key, const QJsonValue &value)
{
    if (!value.isBool()) {
        reader.fail(key, QStringLiteral("expected a boolean, found ") + typeName(value));
    }
    return value.toBool();
}

QDateTime expectDate(const JsonReader &reader, QLatin1StringView key, const QJsonValue &value)
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
    const QJsonValue value = requiredValue(key);
    if (!value.isDouble()) {
        fail(key, QStringLiteral("expected a number, found ") + typeName(value));
    }
    return value.toDouble();
}

qint64 JsonReader::requiredInteger(QLatin1StringView key) const
{
    const QJsonValue value = requiredValue(key);
    if (!value.isDouble()) {
        fail(key, QStringLiteral("expected an integer, found ") + typeName(value));
    }
    const double number = value.toDouble();
    if (std::trunc(number) != number || std::abs(number) > 9.0e18) {
        fail(key, QStringLiteral("expected an integer, found ") + QString::number(number));
    }
    return value.toInteger();
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
    const QJsonArray array = value->toArray();
    QStringList result;
    result.reserve(array.size());
    for (const QJsonValue &element : array) {
        result.append(expectString(*this, key, element));
    }
    return result;
}
