// SPDX-License-Identifier: MIT
#include "RecordReader.h"

#include "Models.h"

#include <cmath>

using namespace Qt::StringLiterals;

FieldTable::FieldTable(std::initializer_list<const char *> names)
{
    Q_ASSERT(names.size() <= std::size_t(maxFields));
    m_slots.fill(-1);
    int index = 0;
    for (const char *name : names) {
        m_names[index] = name;
        unsigned slot = hash(m_names[index]);
        while (m_slots[slot] >= 0) {
            slot = (slot + 1) & (slotCount - 1);
        }
        m_slots[slot] = static_cast<signed char>(index);
        ++index;
    }
}

namespace {
QString typeName(const JsonElement &value)
{
    if (!value.exists()) {
        return u"nothing"_s;
    }
    switch (value.type()) {
    case JsonElement::Type::Null:
        return u"null"_s;
    case JsonElement::Type::Bool:
        return u"a boolean"_s;
    case JsonElement::Type::Number:
        return u"a number"_s;
    case JsonElement::Type::String:
        return u"a string"_s;
    case JsonElement::Type::Array:
        return u"an array"_s;
    case JsonElement::Type::Object:
        return u"an object"_s;
    }
    return u"nothing"_s;
}
} // namespace

RecordReader::RecordReader(const JsonElement &value, const char *record, const FieldTable &fields)
    : m_fields(fields), m_record(record)
{
    if (!value.exists() || !value.isObject()) {
        throw DecodeError(QLatin1StringView(record) + u": expected an object, found "_s +
                          typeName(value));
    }
    value.forEachMember([this](std::string_view key, const JsonElement &member) {
        const int index = m_fields.indexOf(key);
        if (index >= 0) {
            m_members[index] = member;
            m_found |= 1u << index;
        }
    });
}

const JsonElement &RecordReader::member(QLatin1StringView key) const
{
    const int index = m_fields.indexOf(std::string_view(key.data(), std::size_t(key.size())));
    Q_ASSERT_X(index >= 0, m_record, "a key missing from the record's field table");
    static const JsonElement missing;
    return index >= 0 && (m_found & (1u << index)) ? m_members[index] : missing;
}

QString RecordReader::fieldName(QLatin1StringView key) const
{
    return QLatin1StringView(m_record) + u'.' + key;
}

void RecordReader::fail(QLatin1StringView key, const QString &problem) const
{
    throw DecodeError(fieldName(key) + u": "_s + problem);
}

JsonElement RecordReader::requiredValue(QLatin1StringView key) const
{
    const JsonElement &value = member(key);
    if (!value.exists()) {
        fail(key, u"required key is missing"_s);
    }
    if (value.isNull()) {
        fail(key, u"required value is null"_s);
    }
    return value;
}

std::optional<JsonElement> RecordReader::optionalValue(QLatin1StringView key) const
{
    const JsonElement &value = member(key);
    if (!value.exists() || value.isNull()) {
        return std::nullopt;
    }
    return value;
}

namespace {
QString expectString(const RecordReader &reader, QLatin1StringView key, const JsonElement &value,
                     Text text = Text::Distinct)
{
    if (!value.isString()) {
        reader.fail(key, u"expected a string, found "_s + typeName(value));
    }
    return text == Text::Shared ? value.toSharedString() : value.toString();
}

bool expectBool(const RecordReader &reader, QLatin1StringView key, const JsonElement &value)
{
    if (!value.isBool()) {
        reader.fail(key, u"expected a boolean, found "_s + typeName(value));
    }
    return value.toBool();
}

QDateTime expectDate(const RecordReader &reader, QLatin1StringView key, const JsonElement &value)
{
    if (!value.isString()) {
        reader.fail(key, u"expected a string, found "_s + typeName(value));
    }
    try {
        return parseServiceDate(value.toUtf8());
    } catch (const DecodeError &error) {
        reader.fail(key, error.message());
    }
}
qint64 expectInteger(const RecordReader &reader, QLatin1StringView key, const JsonElement &value)
{
    if (!value.isNumber()) {
        reader.fail(key, u"expected an integer, found "_s + typeName(value));
    }
    if (const std::optional<qint64> exact = value.toExactInteger()) {
        return *exact;
    }
    // Written with a fraction or an exponent, or past qint64: fine if it is a whole number.
    const double number = value.toNumber();
    if (std::trunc(number) != number || std::abs(number) > 9.0e18) {
        reader.fail(key, u"expected an integer, found "_s + QString::number(number));
    }
    return qint64(number);
}
} // namespace

QString RecordReader::requiredString(QLatin1StringView key, Text text) const
{
    return expectString(*this, key, requiredValue(key), text);
}

std::optional<QString> RecordReader::optionalString(QLatin1StringView key, Text text) const
{
    const auto value = optionalValue(key);
    return value ? std::optional(expectString(*this, key, *value, text)) : std::nullopt;
}

bool RecordReader::requiredBool(QLatin1StringView key) const
{
    return expectBool(*this, key, requiredValue(key));
}

std::optional<bool> RecordReader::optionalBool(QLatin1StringView key) const
{
    const auto value = optionalValue(key);
    return value ? std::optional(expectBool(*this, key, *value)) : std::nullopt;
}

double RecordReader::requiredDouble(QLatin1StringView key) const
{
    const JsonElement value = requiredValue(key);
    if (!value.isNumber()) {
        fail(key, u"expected a number, found "_s + typeName(value));
    }
    return value.toNumber();
}

qint64 RecordReader::requiredInteger(QLatin1StringView key) const
{
    return expectInteger(*this, key, requiredValue(key));
}

std::optional<qint64> RecordReader::optionalInteger(QLatin1StringView key) const
{
    const auto value = optionalValue(key);
    return value ? std::optional(expectInteger(*this, key, *value)) : std::nullopt;
}

QDateTime RecordReader::requiredDate(QLatin1StringView key) const
{
    return expectDate(*this, key, requiredValue(key));
}

std::optional<QDateTime> RecordReader::optionalDate(QLatin1StringView key) const
{
    const auto value = optionalValue(key);
    return value ? std::optional(expectDate(*this, key, *value)) : std::nullopt;
}

std::optional<QStringList> RecordReader::optionalStringList(QLatin1StringView key, Text text) const
{
    const auto value = optionalValue(key);
    if (!value) {
        return std::nullopt;
    }
    if (!value->isArray()) {
        fail(key, u"expected an array, found "_s + typeName(*value));
    }
    QStringList result;
    result.reserve(value->size());
    value->forEachElement([&](const JsonElement &element) {
        result.append(expectString(*this, key, element, text));
    });
    return result;
}
