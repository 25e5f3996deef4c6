// SPDX-License-Identifier: MIT
#include "LoginItem.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

const QByteArray Marker = "X-Stavelin-LoginItem";

// One argument of an Exec line: quoted when it holds anything the launcher would split on or
// interpret, with the characters that stay special inside quotes escaped.
QString execArgument(const QString &argument)
{
    static const QString reserved = QStringLiteral(" \t\"'\\><~|&;$*?#()`=%");
    bool plain = !argument.isEmpty();
    for (QChar c : argument) {
        if (reserved.contains(c)) {
            plain = false;
            break;
        }
    }
    QString out = argument;
    out.replace(QLatin1Char('%'), QStringLiteral("%%"));
    if (plain)
        return out;
    QString quoted;
    for (QChar c : std::as_const(out)) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
            c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

// A desktop entry value: backslashes are an escape there too, so they double once more.
QString entryValue(const QString &text)
{
    QString out = text;
    out.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    return out;
}

bool hasControlCharacters(const QString &text)
{
    for (QChar c : text) {
        if (c.category() == QChar::Other_Control)
            return true;
    }
    return false;
}

// The keys of the [Desktop Entry] group, as raw values.
QHash<QByteArray, QByteArray> readEntry(const QString &path)
{
    QHash<QByteArray, QByteArray> keys;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return keys;
    bool inEntry = false;
    const QList<QByteArray> lines = file.readAll().split('\n');
    for (const QByteArray &raw : lines) {
        const QByteArray line = raw.trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        if (line.startsWith('[')) {
            inEntry = line == "[Desktop Entry]";
            continue;
        }
        const qsizetype eq = line.indexOf('=');
        if (inEntry && eq > 0 && !keys.contains(line.left(eq).trimmed()))
            keys.insert(line.left(eq).trimmed(), line.mid(eq + 1).trimmed());
    }
    return keys;
}

} // namespace

LoginItem::LoginItem(QString autostartDir, QString executable)
    : m_directory(std::move(autostartDir)), m_executable(std::move(executable))
{
}

QString LoginItem::defaultDirectory()
{
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty() || !QDir::isAbsolutePath(config))
        config = QDir::homePath() + QStringLiteral("/.config");
    return config + QStringLiteral("/autostart");
}

QString LoginItem::filePath() const
{
    return m_directory + QLatin1Char('/') + FileName;
}

bool LoginItem::isEnabled() const
{
    const auto keys = readEntry(filePath());
    const bool ours = keys.value(Marker) == "true" ||
                      (!keys.value("Exec").isEmpty() &&
                       keys.value("Exec") == entryValue(execArgument(m_executable)).toUtf8());
    return ours && keys.value("Type") == "Application" && keys.value("Hidden") != "true" &&
           keys.value("X-GNOME-Autostart-enabled") != "false";
}

std::optional<QString> LoginItem::setEnabled(bool enabled)
{
    return enabled ? writeEntry() : removeEntry();
}

std::optional<QString> LoginItem::writeEntry()
{
    // A path the entry cannot carry (a line break would start a new key) is refused rather
    // than written half-way.
    if (!QDir::isAbsolutePath(m_executable) || hasControlCharacters(m_executable))
        return QCoreApplication::translate("LoginItem", "the program's path cannot be used in an autostart entry");
    if (!QDir().mkpath(m_directory))
        return QCoreApplication::translate("LoginItem", "cannot create the folder %1").arg(m_directory);

    const QString entry = QStringLiteral("[Desktop Entry]\n"
                                         "Type=Application\n"
                                         "Name=Stavelin\n"
                                         "Comment=Trello boards in the system tray\n"
                                         "Exec=%1\n"
                                         "Terminal=false\n"
                                         "X-GNOME-Autostart-enabled=true\n")
                              .arg(entryValue(execArgument(m_executable))) +
                          QString::fromLatin1(Marker) + QStringLiteral("=true\n");

    // Written to the side and renamed, so a failure never leaves a half-written entry.
    QSaveFile file(filePath());
    if (!file.open(QIODevice::WriteOnly) || file.write(entry.toUtf8()) < 0 || !file.commit())
        return QCoreApplication::translate("LoginItem", "cannot write %1: %2").arg(filePath(), file.errorString());
    return std::nullopt;
}

std::optional<QString> LoginItem::removeEntry()
{
    const QFileInfo info(filePath());
    if (!info.exists() && !info.isSymLink())
        return std::nullopt;
    QFile file(filePath());
    if (!file.remove())
        return QCoreApplication::translate("LoginItem", "cannot remove %1: %2").arg(filePath(), file.errorString());
    return std::nullopt;
}
