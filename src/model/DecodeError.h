// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <exception>

// A record that does not match the service's shape. The message names the record and the
// field, with the path to it for nested records and array elements.
class DecodeError : public std::exception {
public:
    explicit DecodeError(QString message) : m_message(std::move(message)) {}
    const QString &message() const { return m_message; }
    const char *what() const noexcept override { return "Trello record decoding failed"; }
    // Returns a copy whose message is prefixed with the place the error happened in.
    DecodeError within(const QString &where) const { return DecodeError(where + m_message); }

private:
    QString m_message;
};
