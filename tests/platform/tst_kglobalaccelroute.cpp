// SPDX-License-Identifier: MIT
// KDE's shortcut route against the real kglobalaccel5 on the bus and X server of a desktop
// session of the test's own, which keeps its keys in the session's throwaway HOME. Presses are real keys (xdotool); System
// Settings and Konsole are played by calls on the service's own D-Bus interface.
#include "platform/KGlobalAccelRoute.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

#include <memory>

using Refusal = ShortcutRoute::Refusal;

namespace {

constexpr auto Ctrl = Qt::ControlModifier;
constexpr auto Alt = Qt::AltModifier;

QStringList ourAction()
{
    return {KGlobalAccelRoute::ComponentUnique, KGlobalAccelRoute::ActionUnique,
            QStringLiteral("Stavelin"), QString()};
}

QDBusMessage callService(const QString &method, const QVariantList &arguments)
{
    QDBusMessage message = QDBusMessage::createMethodCall(
        KGlobalAccelRoute::Service, QStringLiteral("/kglobalaccel"),
        QStringLiteral("org.kde.KGlobalAccel"), method);
    message.setArguments(arguments);
    return QDBusConnection::sessionBus().call(message, QDBus::Block, 5000);
}

QVariant keys(QKeyCombination combination)
{
    return QVariant::fromValue(QList<int>{combination.toCombined()});
}

void xdotool(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral("xdotool"), arguments);
    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(process.exitCode(), 0);
}

} // namespace

class KGlobalAccelRouteTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void takenOnTheFirstStart();
    void pressesAndSystemSettingsChanges();
    void theNextRunKeepsTheUsersChoice();
    void cleanupTestCase();

public Q_SLOTS:
    // Every press the service reports, to whomever (not a test: QtTest runs private slots).
    void servicePressed() { ++m_servicePresses; }

private:
    int m_servicePresses = 0;
    QProcess m_daemon;
    std::unique_ptr<KGlobalAccelRoute> m_route;
};

void KGlobalAccelRouteTest::initTestCase()
{
    qDBusRegisterMetaType<QList<int>>();
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        QSKIP("needs an X server (scripts/desktop-session.sh)");
    QDBusConnection bus = QDBusConnection::sessionBus();
    QVERIFY(bus.isConnected());
    // Installed and startable by the bus, but not running and not on KDE: not offered.
    qunsetenv("XDG_CURRENT_DESKTOP");
    QVERIFY(!bus.interface()->isServiceRegistered(KGlobalAccelRoute::Service));
    QVERIFY(!KGlobalAccelRoute::offered(bus));

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    m_daemon.setProcessEnvironment(environment);
    m_daemon.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_daemon.start(QStringLiteral("kglobalaccel5"), QStringList());
    QVERIFY(m_daemon.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(bus.interface()->isServiceRegistered(KGlobalAccelRoute::Service),
                             10000);
    QVERIFY(KGlobalAccelRoute::offered(bus));
    m_route = std::make_unique<KGlobalAccelRoute>(bus);
    QVERIFY(bus.connect(KGlobalAccelRoute::Service, QString(),
                        QStringLiteral("org.kde.kglobalaccel.Component"),
                        QStringLiteral("globalShortcutPressed"), this, SLOT(servicePressed())));
}

void KGlobalAccelRouteTest::takenOnTheFirstStart()
{
    // Konsole's desktop entry claims Ctrl+Alt+T.
    const QStringList konsole{QStringLiteral("org.kde.konsole.desktop"),
                              QStringLiteral("_launch"), QStringLiteral("Konsole"),
                              QStringLiteral("Konsole")};
    callService(QStringLiteral("doRegister"), {konsole});
    callService(QStringLiteral("setShortcut"), {konsole, keys(Ctrl | Alt | Qt::Key_T), 2u | 4u});

    QSignalSpy bound(m_route.get(), &ShortcutRoute::bound);
    QSignalSpy refused(m_route.get(), &ShortcutRoute::refused);
    m_route->bind(Ctrl | Alt | Qt::Key_T);
    QVERIFY(refused.wait(5000));
    QCOMPARE(refused.first().at(0).value<Refusal>(), Refusal::Taken);
    QVERIFY(bound.isEmpty());
}

void KGlobalAccelRouteTest::pressesAndSystemSettingsChanges()
{
    QSignalSpy bound(m_route.get(), &ShortcutRoute::bound);
    QSignalSpy activated(m_route.get(), &ShortcutRoute::activated);
    QSignalSpy changed(m_route.get(), &ShortcutRoute::changedElsewhere);
    m_route->bind(Ctrl | Alt | Qt::Key_K);
    QVERIFY(bound.wait(5000));
    QCOMPARE(bound.first().at(0).value<QKeyCombination>(), Ctrl | Alt | Qt::Key_K);

    // Held down for a while, the key repeats; that is still one press.
    xdotool({QStringLiteral("keydown"), QStringLiteral("ctrl+alt+k")});
    QTest::qWait(700);
    xdotool({QStringLiteral("keyup"), QStringLiteral("ctrl+alt+k")});
    QTRY_COMPARE(activated.size(), 1);
    QTest::qWait(300);
    QCOMPARE(activated.size(), 1);
    QCOMPARE(activated.first().at(0).toString(), QString());

    // System Settings changes the combination.
    callService(QStringLiteral("setForeignShortcut"), {ourAction(), keys(Ctrl | Alt | Qt::Key_J)});
    QVERIFY(changed.wait(5000));
    QCOMPARE(changed.first().at(0).value<QKeyCombination>(), Ctrl | Alt | Qt::Key_J);
    xdotool({QStringLiteral("key"), QStringLiteral("ctrl+alt+k"), QStringLiteral("ctrl+alt+j")});
    QTRY_COMPARE(activated.size(), 2);
    QTest::qWait(300);
    QCOMPARE(activated.size(), 2);

    // Released, the service stops listening, but keeps the user's choice.
    m_route->release();
    QTest::qWait(300);
    const int presses = m_servicePresses;
    QVERIFY(presses > 0);
    xdotool({QStringLiteral("key"), QStringLiteral("ctrl+alt+j")});
    QTest::qWait(500);
    QCOMPARE(activated.size(), 2);
    QCOMPARE(m_servicePresses, presses);
    const QDBusMessage kept = callService(QStringLiteral("shortcut"), {ourAction()});
    QCOMPARE(qdbus_cast<QList<int>>(kept.arguments().value(0)),
             QList<int>{(Ctrl | Alt | Qt::Key_J).toCombined()});
}

void KGlobalAccelRouteTest::theNextRunKeepsTheUsersChoice()
{
    // The next start asks for the combination it had stored; the service keeps the user's.
    m_route = std::make_unique<KGlobalAccelRoute>(QDBusConnection::sessionBus());
    QSignalSpy bound(m_route.get(), &ShortcutRoute::bound);
    QSignalSpy activated(m_route.get(), &ShortcutRoute::activated);
    m_route->bind(Ctrl | Alt | Qt::Key_K);
    QVERIFY(bound.wait(5000));
    QCOMPARE(bound.takeFirst().at(0).value<QKeyCombination>(), Ctrl | Alt | Qt::Key_J);

    // A choice made in the program then replaces it.
    m_route->bind(Ctrl | Alt | Qt::Key_L);
    QVERIFY(bound.wait(5000));
    QCOMPARE(bound.takeFirst().at(0).value<QKeyCombination>(), Ctrl | Alt | Qt::Key_L);
    xdotool({QStringLiteral("key"), QStringLiteral("ctrl+alt+j"), QStringLiteral("ctrl+alt+l")});
    QTRY_COMPARE(activated.size(), 1);
    QTest::qWait(300);
    QCOMPARE(activated.size(), 1);

    // The service is started again (a crash, before it wrote the change down): the route
    // registers again.
    m_daemon.terminate();
    QVERIFY(m_daemon.waitForFinished(5000));
    m_daemon.start();
    QTRY_VERIFY_WITH_TIMEOUT(QDBusConnection::sessionBus().interface()->isServiceRegistered(
                                 KGlobalAccelRoute::Service), 10000);
    QTest::qWait(300);
    xdotool({QStringLiteral("key"), QStringLiteral("ctrl+alt+l")});
    QTRY_COMPARE(activated.size(), 2);
    QVERIFY(QFile::exists(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
                          + QStringLiteral("/kglobalshortcutsrc")));
}

void KGlobalAccelRouteTest::cleanupTestCase()
{
    m_route.reset();
    m_daemon.terminate();
    m_daemon.waitForFinished(5000);
}

int main(int argc, char **argv)
{
    if (QStandardPaths::findExecutable(QStringLiteral("kglobalaccel5")).isEmpty()) {
        qInfo("SKIP: kglobalaccel5 is not installed (scripts/install-deps.sh installs it)");
        return 77;
    }
    QCoreApplication app(argc, argv);
    KGlobalAccelRouteTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_kglobalaccelroute.moc"
