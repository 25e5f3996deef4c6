// SPDX-License-Identifier: MIT
#include "UrlSchemeRegistration.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>

namespace urlscheme {

bool runsFromBuildTree()
{
#ifdef STAVELIN_BUILD_DIR
    const QString buildDir = QFileInfo(QStringLiteral(STAVELIN_BUILD_DIR)).canonicalFilePath();
    const QString binary = QFileInfo(QCoreApplication::applicationFilePath()).canonicalFilePath();
    return !buildDir.isEmpty() && binary.startsWith(buildDir + QLatin1Char('/'));
#else
    return false;
#endif
}

QString desktopEntry(const QString &executable)
{
    // Desktop entries quote arguments with double quotes; xdg-open's generic mode splits on
    // white space only, so a path without spaces stays unquoted.
    QString exec = executable;
    if (exec.contains(QLatin1Char(' ')) || exec.contains(QLatin1Char('"'))) {
        exec.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
        exec.replace(QLatin1Char('"'), QStringLiteral("\\\""));
        exec = QLatin1Char('"') + exec + QLatin1Char('"');
    }
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=Stavelin (build tree)\n"
                          "Exec=%1 %u\n"
                          "Icon=com.fennelworks.StavelinTrello\n"
                          "MimeType=x-scheme-handler/stavelin;\n"
                          "NoDisplay=true\n")
        .arg(exec);
}

bool registerBuildTreeHandler(const QString &applicationsDir)
{
    if (!runsFromBuildTree()) {
        return true;
    }
    const QString dir = applicationsDir.isEmpty()
        ? QStandardPaths::writableLocation(QStandardPaths::ApplicationsLocation)
        : applicationsDir;
    if (dir.isEmpty() || !QDir().mkpath(dir)) {
        return false;
    }
    const QString path = QDir(dir).filePath(DevEntryName);
    const QByteArray text = desktopEntry(QCoreApplication::applicationFilePath()).toUtf8();
    QFile existing(path);
    if (!existing.open(QIODevice::ReadOnly) || existing.readAll() != text) {
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit()) {
            return false;
        }
    }
    // xdg-mime writes mimeapps.list; run it detached so the click on "Connect" never waits.
    QProcess::startDetached(QStringLiteral("xdg-mime"),
                            {QStringLiteral("default"), DevEntryName,
                             QStringLiteral("x-scheme-handler/") + Scheme});
    return true;
}

} // namespace urlscheme
