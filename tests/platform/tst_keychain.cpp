// SPDX-License-Identifier: MIT
// The keyring helper against a real gnome-keyring on a private session bus (run through
// scripts/desktop-session.sh --keyring-only). What the helper stores is checked with
// secret-tool, so a round trip that never reached the keyring cannot pass.
#include "platform/KeychainHelper.h"

#include <QProcess>
#include <QTest>

class KeychainTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanup();
    void roundTrip_data();
    void roundTrip();
    void overwriteKeepsOneItem();
    void missingAndRemoved();
    void unreadableBytesAreAbsent();

private:
    const QString m_service = QStringLiteral("com.fennelworks.StavelinTrello.KeychainTest");
    KeychainHelper m_helper{m_service, std::chrono::seconds(10)};
};

namespace {

struct Tool {
    int exitCode;
    QByteArray out;
};

Tool secretTool(const QStringList &arguments, const QByteArray &input = {})
{
    QProcess process;
    process.start(QStringLiteral("secret-tool"), arguments);
    process.write(input);
    process.closeWriteChannel();
    process.waitForFinished(10000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput()};
}

} // namespace

void KeychainTest::initTestCase()
{
    QVERIFY2(qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS"),
             "run through scripts/desktop-session.sh --keyring-only");
}

void KeychainTest::cleanup()
{
    for (const char *account : {"a", "b", "bad"})
        QCoro::waitFor(m_helper.remove(QString::fromLatin1(account)));
}

void KeychainTest::roundTrip_data()
{
    QTest::addColumn<QString>("value");
    QTest::newRow("plain") << QStringLiteral("4f2a9c0e-token");
    QTest::newRow("empty") << QString();
    QTest::newRow("non-ASCII") << QStringLiteral("pässwörd ✓ 日本 🔑 \"'\\ $x");
}

void KeychainTest::roundTrip()
{
    QFETCH(QString, value);
    QVERIFY(QCoro::waitFor(m_helper.save(QStringLiteral("a"), value)));

    const std::optional<QString> read = QCoro::waitFor(m_helper.read(QStringLiteral("a")));
    QVERIFY(read.has_value()); // an empty value is still a value
    QCOMPARE(*read, value);

    const Tool lookup = secretTool({QStringLiteral("lookup"), QStringLiteral("server"), m_service,
                                    QStringLiteral("user"), QStringLiteral("a")});
    QCOMPARE(lookup.exitCode, 0);
    QCOMPARE(lookup.out, value.toUtf8());
}

void KeychainTest::overwriteKeepsOneItem()
{
    QVERIFY(QCoro::waitFor(m_helper.save(QStringLiteral("a"), QStringLiteral("first"))));
    QVERIFY(QCoro::waitFor(m_helper.save(QStringLiteral("b"), QStringLiteral("other"))));
    QVERIFY(QCoro::waitFor(m_helper.save(QStringLiteral("a"), QStringLiteral("second"))));

    QCOMPARE(QCoro::waitFor(m_helper.read(QStringLiteral("a"))), QStringLiteral("second"));
    QCOMPARE(QCoro::waitFor(m_helper.read(QStringLiteral("b"))), QStringLiteral("other"));
    const Tool search =
        secretTool({QStringLiteral("search"), QStringLiteral("--all"), QStringLiteral("server"),
                    m_service, QStringLiteral("user"), QStringLiteral("a")});
    QCOMPARE(search.exitCode, 0);
    // secret-tool prints one "[/path]" header per item.
    QCOMPARE(search.out.count("\n["), 0);
    QVERIFY(search.out.startsWith('['));
}

void KeychainTest::missingAndRemoved()
{
    QCOMPARE(QCoro::waitFor(m_helper.read(QStringLiteral("a"))), std::nullopt);
    QCoro::waitFor(m_helper.remove(QStringLiteral("a"))); // missing: nothing happens
    QCOMPARE(QCoro::waitFor(m_helper.read(QStringLiteral("a"))), std::nullopt);

    QVERIFY(QCoro::waitFor(m_helper.save(QStringLiteral("a"), QStringLiteral("x"))));
    QCoro::waitFor(m_helper.remove(QStringLiteral("a")));
    QCOMPARE(QCoro::waitFor(m_helper.read(QStringLiteral("a"))), std::nullopt);
    QCOMPARE(secretTool({QStringLiteral("lookup"), QStringLiteral("server"), m_service,
                         QStringLiteral("user"), QStringLiteral("a")})
                 .exitCode,
             1);
    // Another program's item under the same account name is left alone.
    QCOMPARE(secretTool({QStringLiteral("store"), QStringLiteral("--label=other"),
                         QStringLiteral("server"), m_service + QStringLiteral(".Other"),
                         QStringLiteral("user"), QStringLiteral("a")},
                        "kept")
                 .exitCode,
             0);
    QCoro::waitFor(m_helper.remove(QStringLiteral("a")));
    QCOMPARE(secretTool({QStringLiteral("lookup"), QStringLiteral("server"),
                         m_service + QStringLiteral(".Other"), QStringLiteral("user"),
                         QStringLiteral("a")})
                 .out,
             QByteArray("kept"));
}

void KeychainTest::unreadableBytesAreAbsent()
{
    // Bytes that are not UTF-8 must not come back as a mangled token.
    QCOMPARE(
        secretTool({QStringLiteral("store"), QStringLiteral("--label=bad"),
                    QStringLiteral("server"), m_service, QStringLiteral("user"),
                    QStringLiteral("bad"), QStringLiteral("type"), QStringLiteral("plaintext")},
                   "tok\xff\xfe")
            .exitCode,
        0);
    QCOMPARE(QCoro::waitFor(m_helper.read(QStringLiteral("bad"))), std::nullopt);
}

QTEST_GUILESS_MAIN(KeychainTest)
#include "tst_keychain.moc"
