// SPDX-License-Identifier: MIT
// The keyring helper when there is no usable keyring: run on a session bus that offers no
// secret service and without a display (see CMakeLists.txt). Failures must come back quickly,
// as failures, and never as a plain-text copy on disk; a keyring that does not answer must
// be given up on after the time-out without anything going wrong when it answers later.
#include "platform/KeychainHelper.h"

#include <QDirIterator>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

class KeychainUnavailableTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void noSecretServiceFailsFast();
    void unresponsiveServiceTimesOut();

private:
    QStringList filesUnderHome() const;

    QTemporaryDir m_home;
    const QString m_service = QStringLiteral("com.fennelworks.StavelinTrello.UnavailableTest");
};

void KeychainUnavailableTest::initTestCase()
{
    QVERIFY(m_home.isValid());
    QVERIFY2(qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS") &&
                 !qEnvironmentVariableIsSet("DISPLAY"),
             "run on the bare bus without DISPLAY, as CMakeLists.txt does");
    // Anything the keyring library might fall back to writing would land here.
    for (const char *name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"})
        qputenv(name, m_home.path().toUtf8());
}

QStringList KeychainUnavailableTest::filesUnderHome() const
{
    QStringList files;
    QDirIterator it(m_home.path(), QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next();
    return files;
}

void KeychainUnavailableTest::noSecretServiceFailsFast()
{
    KeychainHelper helper(m_service, std::chrono::seconds(20));
    QElapsedTimer clock;
    clock.start();
    QVERIFY(!QCoro::waitFor(helper.save(KeychainHelper::TokenAccount, QStringLiteral("s3cret"))));
    QCOMPARE(QCoro::waitFor(helper.read(KeychainHelper::TokenAccount)), std::nullopt);
    QCoro::waitFor(helper.remove(KeychainHelper::TokenAccount));
    QVERIFY2(clock.elapsed() < 5000, "failures should not wait for the time-out");
    QCOMPARE(filesUnderHome(), QStringList());
}

void KeychainUnavailableTest::unresponsiveServiceTimesOut()
{
    QProcess service;
    service.start(QFINDTESTDATA("slow-secret-service.py"), {QStringLiteral("0.75")});
    QVERIFY(service.waitForReadyRead(10000));
    QCOMPARE(service.readAllStandardOutput().trimmed(), QByteArray("ready"));

    {
        KeychainHelper helper(m_service, std::chrono::milliseconds(200));
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(QCoro::waitFor(helper.read(KeychainHelper::ApiKeyAccount)), std::nullopt);
        QVERIFY2(clock.elapsed() >= 150, "the service's late answer should not have been awaited");
        QVERIFY(clock.elapsed() < 1100);

        // The removal is given up on, and the write not even tried.
        clock.restart();
        QVERIFY(!QCoro::waitFor(helper.save(KeychainHelper::ApiKeyAccount, QStringLiteral("k"))));
        QVERIFY(clock.elapsed() < 1100);
    }
    // The helper is gone; the abandoned jobs finish now and must clean up after themselves.
    QTest::qWait(4000);
    QCOMPARE(filesUnderHome(), QStringList());

    // With the service gone, a new job fails at once: nothing abandoned still holds the queue.
    service.kill();
    service.waitForFinished();
    KeychainHelper helper(m_service, std::chrono::seconds(20));
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(QCoro::waitFor(helper.read(KeychainHelper::ApiKeyAccount)), std::nullopt);
    QVERIFY(clock.elapsed() < 5000);
}

QTEST_GUILESS_MAIN(KeychainUnavailableTest)
#include "tst_keychain_unavailable.moc"
