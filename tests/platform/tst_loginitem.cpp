// SPDX-License-Identifier: MIT
// The login item as an XDG autostart entry in a throwaway config folder. The Exec line is
// read back by GLib, which is what desktop sessions use to start autostart entries.
#include "platform/LoginItem.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

class LoginItemTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void defaultDirectoryFollowsXdg();
    void registerAndUnregister();
    void statusReadsTheEntry_data();
    void statusReadsTheEntry();
    void failuresAreDescribed();

private:
    QString autostartDir() const { return m_config->path() + QStringLiteral("/autostart"); }
    void writeEntry(const QByteArray &contents) const;

    std::unique_ptr<QTemporaryDir> m_config;
};

namespace {

// Starts the entry the way a GLib-based session starts autostart entries. The program there
// is a script that writes down the path it was started as.
QString launchedAs(const QString &entryPath, const QString &record)
{
    QFile::remove(record);
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral("-c"),
                  QStringLiteral("import sys\n"
                                 "from gi.repository import Gio\n"
                                 "Gio.DesktopAppInfo.new_from_filename(sys.argv[1]).launch()\n"),
                  entryPath});
    python.waitForFinished(10000);
    QFile file(record);
    for (int i = 0; i < 100 && file.size() == 0; ++i)
        QTest::qWait(50);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// An executable script at `path` that records how it was started.
void makeRecorder(const QString &path, const QString &record)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile script(path);
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\nprintf '%s' \"$0\" > '" + record.toUtf8() + "'\n");
    script.close();
    QVERIFY(script.setPermissions(script.permissions() | QFileDevice::ExeOwner));
}

} // namespace

void LoginItemTest::init()
{
    m_config = std::make_unique<QTemporaryDir>();
    QVERIFY(m_config->isValid());
}

void LoginItemTest::writeEntry(const QByteArray &contents) const
{
    QDir().mkpath(autostartDir());
    QFile file(autostartDir() + QLatin1Char('/') + LoginItem::FileName);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(contents);
}

void LoginItemTest::defaultDirectoryFollowsXdg()
{
    qputenv("XDG_CONFIG_HOME", m_config->path().toUtf8());
    QCOMPARE(LoginItem::defaultDirectory(), autostartDir());
    qputenv("XDG_CONFIG_HOME", "relative/config"); // not absolute: ignored
    QCOMPARE(LoginItem::defaultDirectory(),
             QDir::homePath() + QStringLiteral("/.config/autostart"));
    qunsetenv("XDG_CONFIG_HOME");
    QCOMPARE(LoginItem::defaultDirectory(),
             QDir::homePath() + QStringLiteral("/.config/autostart"));
}

void LoginItemTest::registerAndUnregister()
{
    // A path a shell or the launcher would otherwise take apart or expand.
    const QString program = m_config->path() + QStringLiteral("/My Apps/stave$lin \"x\" `a`\\b");
    const QString otherBuild = m_config->path() + QStringLiteral("/build/stavelin");
    const QString record = m_config->path() + QStringLiteral("/launched");
    makeRecorder(program, record);
    makeRecorder(otherBuild, record);
    LoginItem item(autostartDir(), program);
    QVERIFY(!item.isEnabled());

    QCOMPARE(item.setEnabled(true), std::nullopt); // creates the folder too
    QVERIFY(item.isEnabled());
    QCOMPARE(launchedAs(item.filePath(), record), program);

    // Another build of the program takes the entry over.
    LoginItem other(autostartDir(), otherBuild);
    QCOMPARE(other.setEnabled(true), std::nullopt);
    QCOMPARE(launchedAs(item.filePath(), record), otherBuild);

    QCOMPARE(item.setEnabled(false), std::nullopt);
    QVERIFY(!QFile::exists(item.filePath()));
    QVERIFY(!item.isEnabled());
    QCOMPARE(item.setEnabled(false), std::nullopt); // already gone is fine
}

void LoginItemTest::statusReadsTheEntry_data()
{
    QTest::addColumn<QByteArray>("entry");
    QTest::addColumn<bool>("enabled");
    const QByteArray head = "[Desktop Entry]\nType=Application\nName=Stavelin\n";
    QTest::newRow("ours by marker")
        << head + "Exec=/elsewhere/stavelin\nX-Stavelin-LoginItem=true\n"
        << true;
    QTest::newRow("ours by Exec") << head + "Exec=/opt/stavelin/bin/stavelin\n" << true;
    QTest::newRow("hidden") << head + "Exec=/x\nX-Stavelin-LoginItem=true\nHidden=true\n" << false;
    QTest::newRow("switched off in GNOME")
        << head + "Exec=/x\nX-Stavelin-LoginItem=true\nX-GNOME-Autostart-enabled=false\n"
        << false;
    QTest::newRow("someone else's") << head + "Exec=/usr/bin/other\n" << false;
    QTest::newRow("marker in another group")
        << head + "Exec=/x\n[Desktop Action a]\nX-Stavelin-LoginItem=true\n"
        << false;
}

void LoginItemTest::statusReadsTheEntry()
{
    QFETCH(QByteArray, entry);
    QFETCH(bool, enabled);
    writeEntry(entry);
    QCOMPARE(LoginItem(autostartDir(), QStringLiteral("/opt/stavelin/bin/stavelin")).isEnabled(),
             enabled);
}

void LoginItemTest::failuresAreDescribed()
{
    // Tests run as root, where permissions stop nothing: a folder below a plain file can
    // never be created.
    QFile blocker(m_config->path() + QStringLiteral("/file"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    LoginItem blocked(blocker.fileName() + QStringLiteral("/autostart"),
                      QStringLiteral("/usr/bin/stavelin"));
    const std::optional<QString> failure = blocked.setEnabled(true);
    QVERIFY(failure.has_value());
    QVERIFY(!failure->isEmpty() && !failure->contains(QLatin1Char('\n')));
    QVERIFY(!blocked.isEnabled());

    // A line break in the path would smuggle keys into the entry.
    LoginItem smuggled(autostartDir(), QStringLiteral("/tmp/x\nHidden=false\nExec=/bin/evil"));
    QVERIFY(smuggled.setEnabled(true).has_value());
    QVERIFY(!QFile::exists(smuggled.filePath()));

    // Removal that fails: something that is not a file sits where the entry goes.
    QVERIFY(QDir().mkpath(autostartDir() + QLatin1Char('/') + LoginItem::FileName +
                          QStringLiteral("/inside")));
    LoginItem stuck(autostartDir(), QStringLiteral("/usr/bin/stavelin"));
    QVERIFY(stuck.setEnabled(false).has_value());
    QVERIFY(stuck.setEnabled(true).has_value());
}

QTEST_GUILESS_MAIN(LoginItemTest)
#include "tst_loginitem.moc"
