// SPDX-License-Identifier: MIT
// The GlobalShortcuts portal route against the stand-in portal (portal-shortcuts-standin.py)
// on a bus of its own that can start nothing, so neither the real portal nor a leftover
// answers in its place.
#include "platform/PortalShortcutRoute.h"

#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusReply>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

using Refusal = ShortcutRoute::Refusal;

class PortalShortcutsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void offeredOnlyWithThePortal();
    void bindsPressesFollowsAndCloses();
    void declinedInTheDialogIsRefused();
    void cleanupTestCase();

private:
    QStringList standIn(const QString &method, const QVariantList &arguments = {});
    QJsonObject lastCall(const QString &name);

    QProcess m_standIn;
};

QStringList PortalShortcutsTest::standIn(const QString &method, const QVariantList &arguments)
{
    // A plain call: a QDBusInterface would introspect, and Qt keeps the meta-object it builds
    // from that past the end (a leak report in the checked build).
    QDBusMessage call = QDBusMessage::createMethodCall(
        PortalShortcutRoute::Service, QStringLiteral("/org/freedesktop/portal/desktop"),
        QStringLiteral("com.fennelworks.StavelinTest.PortalStandIn"), method);
    call.setArguments(arguments);
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block);
    if (reply.type() != QDBusMessage::ReplyMessage)
        qWarning() << method << reply.errorMessage();
    return reply.arguments().value(0).toStringList();
}

QJsonObject PortalShortcutsTest::lastCall(const QString &name)
{
    QJsonObject last;
    for (const QString &line : standIn(QStringLiteral("Calls"))) {
        const QJsonObject call = QJsonDocument::fromJson(line.toUtf8()).object();
        if (call.value(QStringLiteral("call")).toString() == name)
            last = call;
    }
    return last;
}

void PortalShortcutsTest::offeredOnlyWithThePortal()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    QVERIFY(bus.isConnected());
    QElapsedTimer clock;
    clock.start();
    QVERIFY(!PortalShortcutRoute::offered(bus));
    QVERIFY2(clock.elapsed() < 200, "start-up must not wait for an absent portal");

    m_standIn.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_standIn.start(QFINDTESTDATA("portal-shortcuts-standin.py"), QStringList());
    QTRY_VERIFY_WITH_TIMEOUT(bus.interface()->isServiceRegistered(PortalShortcutRoute::Service),
                             10000);
    QVERIFY(PortalShortcutRoute::offered(bus));
}

void PortalShortcutsTest::bindsPressesFollowsAndCloses()
{
    PortalShortcutRoute route(QDBusConnection::sessionBus());
    QSignalSpy bound(&route, &ShortcutRoute::bound);
    QSignalSpy refused(&route, &ShortcutRoute::refused);
    QSignalSpy activated(&route, &ShortcutRoute::activated);
    QSignalSpy changed(&route, &ShortcutRoute::changedElsewhere);

    route.bind(QKeyCombination(Qt::ControlModifier | Qt::AltModifier, Qt::Key_T));
    QVERIFY(bound.wait(5000));
    QCOMPARE(bound.takeFirst().at(0).value<QKeyCombination>(),
             QKeyCombination(Qt::ControlModifier | Qt::AltModifier, Qt::Key_T));
    const QJsonObject created = lastCall(QStringLiteral("CreateSession"));
    QVERIFY(!created.value(QStringLiteral("options"))[QStringLiteral("session_handle_token")]
                 .toString().isEmpty());
    const QJsonObject binding = lastCall(QStringLiteral("BindShortcuts"));
    const QString session = binding.value(QStringLiteral("session")).toString();
    QCOMPARE(standIn(QStringLiteral("Sessions")), QStringList{session});
    const QJsonArray shortcut = binding.value(QStringLiteral("shortcuts"))[0].toArray();
    QCOMPARE(shortcut.at(0).toString(), QStringLiteral("toggle"));
    QCOMPARE(shortcut.at(1)[QStringLiteral("preferred_trigger")].toString(),
             QStringLiteral("CTRL+ALT+t"));
    QVERIFY(!shortcut.at(1)[QStringLiteral("description")].toString().isEmpty());

    // A press brings the token a Wayland window needs to take the focus.
    standIn(QStringLiteral("Press"), {QStringLiteral("toggle"), QStringLiteral("token-1")});
    QVERIFY(activated.wait(5000));
    QCOMPARE(activated.takeFirst().at(0).toString(), QStringLiteral("token-1"));

    // Changed in the desktop's settings, described for people.
    standIn(QStringLiteral("ChangeTrigger"), {QStringLiteral("toggle"), QStringLiteral("Ctrl+Shift+F5")});
    QVERIFY(changed.wait(5000));
    QCOMPARE(changed.takeFirst().at(0).value<QKeyCombination>(),
             QKeyCombination(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_F5));

    // Bound again, the user picks another combination in the portal's dialog; the first
    // session is let go of.
    standIn(QStringLiteral("SetTriggerDescription"), {QStringLiteral("<Control><Alt>k")});
    route.bind(QKeyCombination(Qt::MetaModifier, Qt::Key_Space));
    QVERIFY(bound.wait(5000));
    QCOMPARE(bound.takeFirst().at(0).value<QKeyCombination>(),
             QKeyCombination(Qt::ControlModifier | Qt::AltModifier, Qt::Key_K));
    QCOMPARE(lastCall(QStringLiteral("BindShortcuts"))[QStringLiteral("shortcuts")][0][1]
                 [QStringLiteral("preferred_trigger")].toString(),
             QStringLiteral("LOGO+space"));
    QCOMPARE(lastCall(QStringLiteral("Close"))[QStringLiteral("session")].toString(), session);
    const QStringList sessions = standIn(QStringLiteral("Sessions"));
    QCOMPARE(sessions.size(), 1);

    route.release();
    QTRY_COMPARE_WITH_TIMEOUT(standIn(QStringLiteral("Sessions")), QStringList(), 5000);
    QCOMPARE(lastCall(QStringLiteral("Close"))[QStringLiteral("session")].toString(),
             sessions.first());
    standIn(QStringLiteral("Press"), {QStringLiteral("toggle"), QStringLiteral("token-2")});
    QVERIFY(!activated.wait(300));
    QVERIFY(refused.isEmpty());
    standIn(QStringLiteral("SetTriggerDescription"), {QString()});
}

void PortalShortcutsTest::declinedInTheDialogIsRefused()
{
    PortalShortcutRoute route(QDBusConnection::sessionBus());
    QSignalSpy bound(&route, &ShortcutRoute::bound);
    QSignalSpy refused(&route, &ShortcutRoute::refused);
    standIn(QStringLiteral("SetResponse"), {1u});
    route.bind(QKeyCombination(Qt::ControlModifier | Qt::AltModifier, Qt::Key_T));
    QVERIFY(refused.wait(5000));
    QCOMPARE(refused.first().at(0).value<Refusal>(), Refusal::Failed);
    QVERIFY(!refused.first().at(1).toString().isEmpty());
    QVERIFY(bound.isEmpty());
    // No session is left behind.
    QTRY_COMPARE_WITH_TIMEOUT(standIn(QStringLiteral("Sessions")), QStringList(), 5000);
    standIn(QStringLiteral("SetResponse"), {0u});
}

void PortalShortcutsTest::cleanupTestCase()
{
    m_standIn.terminate();
    m_standIn.waitForFinished(5000);
}

QTEST_GUILESS_MAIN(PortalShortcutsTest)
#include "tst_portalshortcuts.moc"
