// SPDX-License-Identifier: MIT
#include "Routes.h"

#include <QJsonDocument>

using namespace Qt::StringLiterals;

namespace sandbox::routes {

void failText(int status, const std::string &text)
{
    throw Error{Response::text(text, status)};
}

void failJson(int status, const std::string &message, const std::string &code)
{
    const QJsonObject body{{u"message"_s, json::str(message)}, {u"error"_s, json::str(code)}};
    throw Error{Response::json(QJsonDocument(body).toJson(QJsonDocument::Compact).toStdString(),
                               status)};
}

void notFound()
{
    failText(404, "The requested resource was not found.");
}

Response ok(const QJsonObject &object)
{
    return Response::json(QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString());
}

Response ok(const QJsonArray &array)
{
    return Response::json(QJsonDocument(array).toJson(QJsonDocument::Compact).toStdString());
}

QJsonObject withLimits(QJsonObject object)
{
    object.insert(u"limits"_s, QJsonObject());
    return object;
}

Response deletedLimits()
{
    return Response::json(R"({"limits":{}})");
}

Response deletedValue()
{
    return Response::json(R"({"_value":null})");
}

std::optional<std::string> Call::param(const std::string &name) const
{
    for (const auto &[key, value] : params) {
        if (key == name) {
            return value;
        }
    }
    return std::nullopt;
}

bool Call::flag(const std::string &name, bool fallback) const
{
    const auto value = param(name);
    if (!value) {
        return fallback;
    }
    if (*value == "true") {
        return true;
    }
    if (*value == "false") {
        return false;
    }
    failText(400, "invalid value for " + name);
}

store::PosRequest position(const std::string &text)
{
    const store::PosRequest pos = store::parsePos(text);
    if (pos.kind == store::PosRequest::Invalid) {
        failJson(400, "Invalid position.", "ERROR");
    }
    return pos;
}

std::optional<std::optional<QDateTime>> parseDue(const std::string &text)
{
    const std::string value = trimmed(text);
    if (value == "null") {
        return std::optional<QDateTime>();
    }
    if (value.empty()) {
        return std::nullopt; // not known to clear: one report saw the service take it as a bad date
    }
    QString qtext = json::str(value);
    if (qtext.endsWith(u" UTC"_s)) {
        qtext = qtext.left(qtext.size() - 4).replace(u' ', u'T') + u'Z';
    }
    QDateTime parsed = QDateTime::fromString(qtext, Qt::ISODateWithMs);
    if (!parsed.isValid()) {
        parsed = QDateTime::fromString(qtext, Qt::ISODate);
    }
    if (!parsed.isValid()) {
        return std::nullopt;
    }
    if (parsed.timeSpec() == Qt::LocalTime) {
        parsed.setTimeSpec(Qt::UTC); // a zone-less time counts as UTC, not as our local time
    }
    return std::optional<QDateTime>(parsed.toUTC());
}

} // namespace sandbox::routes
