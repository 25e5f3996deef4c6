// SPDX-License-Identifier: MIT
#pragma once

#include <QDateTime>
#include <QObject>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

#include <deque>
#include <exception>
#include <functional>
#include <optional>

// What failed lately. The banner shows one line, `errorMessage`: the latest failure's text
// until the next success clears it or the user dismisses it. Each failure is also kept as a
// typed entry (what kind, which operation, when) in a short log, newest last.
class ErrorLog : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The store owns its error log")
    Q_PROPERTY(QString errorMessage READ errorMessage WRITE setErrorMessage NOTIFY errorMessageChanged)
    Q_PROPERTY(QVariantList entries READ entryValues NOTIFY entriesChanged)
public:
    enum class Kind { Authorization, Network, RateLimited, NotFound, Invalid, Decoding, Keyring, Local, Shortcut };
    Q_ENUM(Kind)

    struct Entry {
        Kind kind;
        QString operation;
        QString message;
        QDateTime time;
    };

    // How many entries are kept.
    static constexpr std::size_t capacity = 50;

    explicit ErrorLog(QObject *parent = nullptr) : QObject(parent) {}

    QString errorMessage() const { return m_message.value_or(QString()); }
    const std::optional<QString> &message() const { return m_message; }
    // The banner's Dismiss: empty clears the line (the log keeps its entries).
    void setErrorMessage(const QString &message);

    // Records a failure and shows it; gives back the line shown. Requests refused in one stretch
    // of rate limiting are told once: the first is recorded and shown, the rest only answered.
    QString record(Kind kind, const QString &operation, const QString &message);
    // Records a failure without showing it: the shell says it where it belongs (the shortcut's
    // state is in Settings and the tray's tooltip, not in a banner over the boards).
    QString note(Kind kind, const QString &operation, const QString &message);
    QString record(const QString &operation, const std::exception &error);
    // Puts a line back without a new entry (after a repair that itself succeeded).
    void show(const std::optional<QString> &message);
    void clear() { show(std::nullopt); }

    const std::deque<Entry> &entries() const { return m_entries; }
    QVariantList entryValues() const;

    // What to say instead of a request's error when no network reaches the service; `change`
    // for a request that would have changed something. Failures for want of a network are
    // recorded once while that line is the newest entry.
    void setOfflineWording(std::function<QString(bool change)> wording) { m_offlineWording = std::move(wording); }

    // The one-line text for an error, and its kind.
    static QString describe(const std::exception &error);
    static Kind kindOf(const std::exception &error);

Q_SIGNALS:
    void errorMessageChanged();
    void entriesChanged();

private:
    std::optional<QString> m_message;
    std::deque<Entry> m_entries;
    quint64 m_rateEpisode = 0; // the stretch of rate limiting told last
    QString m_rateLine;
    std::function<QString(bool change)> m_offlineWording;
};

// A failure that has been recorded already: the operation ends with it, without a second entry.
struct ReportedFailure : std::exception {
    explicit ReportedFailure(QString text) : message(std::move(text)) {}
    const char *what() const noexcept override { return "reported failure"; }
    QString message;
};
