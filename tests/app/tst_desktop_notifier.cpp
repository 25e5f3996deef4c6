// SPDX-License-Identifier: MIT
// Desktop notifications through a real notification daemon (dunst, on the session's own bus
// and display), fed by the store polling the emulated service: one bubble per notification in
// its sentence, none told twice across a restart, many at once summed up in one, and opening
// a bubble asks for its card. Due reminders come the same way, with their "Mark complete".
#include "DesktopNotifier.h"
#include "../state/StoreHarness.h"
#include "sandbox/Emulator.h"
#include "sandbox/Store.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QScopeGuard>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStandardPaths>

using namespace Qt::StringLiterals;
using namespace harness;

class TestDesktopNotifier : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void toldOnceAcrossRestarts();
    void remindersAndTheirActions();
    void throughThePortal();

private:
    QProcess m_daemon;
    QTemporaryDir m_config;
};

namespace {
QString dunstctl(const QStringList &arguments)
{
    QProcess control;
    control.start(u"dunstctl"_s, arguments);
    control.waitForFinished(5000);
    return QString::fromUtf8(control.readAllStandardOutput());
}

// What the daemon has shown, as (summary, body), oldest first: every bubble is closed into its
// history first.
QList<QPair<QString, QString>> shown()
{
    dunstctl({u"close-all"_s});
    const QJsonObject history = QJsonDocument::fromJson(dunstctl({u"history"_s}).toUtf8()).object();
    QList<QPair<QString, QString>> out;
    for (const QJsonValue &entry : history.value(u"data"_s).toArray().first().toArray()) {
        const QJsonObject n = entry.toObject();
        out.prepend({n.value(u"summary"_s).toObject().value(u"data"_s).toString(),
                     n.value(u"body"_s).toObject().value(u"data"_s).toString()});
    }
    return out;
}

std::string notify(sandbox::Emulator &service, const char *cardName, const char *text)
{
    const std::string list = service.listId(service.boardId("Product Roadmap"), "Ideas");
    const std::string card = service.cardId(list, cardName);
    const std::string from = service.memberId("priyaraman");
    std::string id;
    service.edit([&](sandbox::store::Store &s) {
        id = s.addNotification(s.meId, from, "commentCard", card, text).id;
    });
    return id;
}
} // namespace

void TestDesktopNotifier::initTestCase()
{
    if (QStandardPaths::findExecutable(u"dunst"_s).isEmpty() || qEnvironmentVariableIsEmpty("DISPLAY")) {
        QSKIP("needs dunst and a display (scripts/install-deps.sh, scripts/desktop-session.sh)");
    }
    QDBusConnectionInterface *bus = QDBusConnection::sessionBus().interface();
    QVERIFY(bus);
    QVERIFY2(!bus->isServiceRegistered(u"org.freedesktop.Notifications"_s),
             "another notification daemon is on this bus");
    // The daemon's own settings, but its context menu picks "Mark complete" or "Mark as read" by
    // itself, as the user would in dmenu.
    QVERIFY(m_config.isValid());
    const QString chooser = m_config.filePath(u"choose.sh"_s);
    QFile script(chooser);
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\ngrep -m1 -E 'Mark complete|Mark as read'\n");
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QFile defaults(u"/etc/xdg/dunst/dunstrc"_s);
    QString settings = defaults.open(QIODevice::ReadOnly) ? QString::fromUtf8(defaults.readAll())
                                                          : u"[global]\n"_s;
    settings.remove(QRegularExpression(u"^\\s*dmenu\\s*=.*$"_s, QRegularExpression::MultilineOption));
    settings.replace(u"[global]"_s, u"[global]\n    dmenu = "_s + chooser);
    QFile config(m_config.filePath(u"dunstrc"_s));
    QVERIFY(config.open(QIODevice::WriteOnly));
    config.write(settings.toUtf8());
    config.close();
    m_daemon.start(u"dunst"_s, {u"-config"_s, config.fileName()});
    QTRY_VERIFY_WITH_TIMEOUT(bus->isServiceRegistered(u"org.freedesktop.Notifications"_s), 10000);
    shown(); // empties what is on screen
}

void TestDesktopNotifier::cleanupTestCase()
{
    if (m_daemon.state() != QProcess::NotRunning) {
        m_daemon.terminate();
        m_daemon.waitForFinished(5000);
    }
}

void TestDesktopNotifier::toldOnceAcrossRestarts()
{
    sandbox::Emulator service;
    QVERIFY(service.start() > 0);
    QTemporaryDir dir;
    const StoreOptions options{q(service.baseUrl()), q(service.apiKey()), q(service.token()),
                               dir.filePath(u"prefs.ini"_s)};
    const auto run = [&](std::unique_ptr<AppState> &state, std::unique_ptr<DesktopNotifier> &notifier) {
        state = makeStore(options, dir);
        notifier = std::make_unique<DesktopNotifier>(state->notifications(), state->preferences());
        state->notifications()->setInterval(std::chrono::milliseconds(100));
    };
    std::unique_ptr<AppState> state;
    std::unique_ptr<DesktopNotifier> notifier;

    // The three unread of the sample account, one bubble each, newest on top.
    run(state, notifier);
    QSignalSpy told(notifier.get(), &DesktopNotifier::told);
    QVERIFY(await(state->notifications()->poll()).ok);
    QTRY_COMPARE(told.count(), 3);
    auto bubbles = shown();
    QCOMPARE(bubbles.size(), 3);
    QCOMPARE(bubbles.last().first, u"Marco Bellini mentioned you on “Drag cards between lists”"_s);
    QCOMPARE(bubbles.last().second, u"@adalindqvist the drop indicator is ready for review."_s);
    QCOMPARE(bubbles.first().first, u"Tomás Ortega added you to “New kitchen tiles”"_s);

    // One the service adds comes with the next poll, once, with the comment as its body. The
    // daemon reads markup in bodies, so the text is escaped: it shows as it was written.
    notify(service, "Offline mode", "Ready for <review> & merge?");
    QTRY_COMPARE(told.count(), 4);
    QTest::qWait(400); // more polls, no more bubbles
    QCOMPARE(told.count(), 4);
    bubbles = shown();
    QCOMPARE(bubbles.size(), 4);
    QCOMPARE(bubbles.last(), qMakePair(u"Priya Raman commented on “Offline mode”"_s,
                                       u"Ready for &lt;review&gt; &amp; merge?"_s));
    // Only ids are kept, never what they said.
    QSettings kept(options.settingsFile, QSettings::IniFormat);
    QCOMPARE(kept.value(DesktopNotifier::ToldKey).toStringList().size(), 4);
    QVERIFY(!QString::fromUtf8([&] {
                QFile file(options.settingsFile);
                file.open(QIODevice::ReadOnly);
                return file.readAll();
            }()).contains(u"review"_s));

    // A restart: the same four are unread, none is told again.
    notifier.reset();
    state.reset();
    run(state, notifier);
    QSignalSpy toldAfter(notifier.get(), &DesktopNotifier::told);
    QVERIFY(await(state->notifications()->poll()).ok);
    QCOMPARE(state->notifications()->unreadCount(), 4);
    QTest::qWait(400);
    QCOMPARE(toldAfter.count(), 0);
    QCOMPARE(shown().size(), 4);

    // Four at once make one bubble, which opens the panel.
    for (const char *text : {"one", "two", "three", "four"}) {
        notify(service, "Dark theme for the panel", text);
    }
    QTRY_COMPARE(toldAfter.count(), 1);
    QVERIFY(toldAfter[0][1].toString().startsWith(u"4 new notification"_s)); // no translator here
    QSignalSpy panel(notifier.get(), &DesktopNotifier::panelRequested);
    dunstctl({u"action"_s, u"0"_s}); // the bubble's default action, as a click on it
    QTRY_COMPARE(panel.count(), 1);
    QTRY_COMPARE(dunstctl({u"count"_s, u"displayed"_s}).trimmed(), u"0"_s); // opened, it closes

    // Opening a bubble asks for its card and marks what was about it read.
    const std::string single = notify(service, "Keyboard shortcut cheat sheet", "Shall we?");
    QTRY_COMPARE(toldAfter.count(), 2);
    QSignalSpy card(notifier.get(), &DesktopNotifier::cardRequested);
    dunstctl({u"action"_s, u"0"_s});
    QTRY_COMPARE(card.count(), 1);
    const std::string board = service.boardId("Product Roadmap");
    QCOMPARE(card[0][0].toString(), q(board));
    QCOMPARE(card[0][1].toString(), q(service.listId(board, "Ideas")));
    QCOMPARE(card[0][2].toString(), q(service.cardId(service.listId(board, "Ideas"),
                                                      "Keyboard shortcut cheat sheet")));
    QTRY_VERIFY(std::none_of(state->notifications()->unread().begin(),
                             state->notifications()->unread().end(),
                             [&](const TrelloNotification &n) { return n.id == q(single); }));

    // Turned off, nothing is told, and what came meanwhile is not told once turned on again.
    notifier->setEnabled(false);
    notify(service, "Offline mode", "quiet");
    QTRY_COMPARE(state->notifications()->unreadCount(), 9);
    QTest::qWait(300);
    notifier->setEnabled(true);
    QTest::qWait(300);
    QCOMPARE(toldAfter.count(), 2);
}

// Reminders in their sentence, with the board as the body: "Mark complete" reaches the service,
// opening one asks for its card, and more than three at once come as one that opens the panel.
void TestDesktopNotifier::remindersAndTheirActions()
{
    sandbox::Emulator service;
    QVERIFY(service.start() > 0);
    const std::string board = service.boardId("Product Roadmap");
    const std::string nextUp = service.listId(board, "Next Up");
    const std::string crash = service.cardId(nextUp, "Fix crash when token expires");
    const std::string drag = service.cardId(nextUp, "Drag cards between lists");
    const QDateTime t0 = QDateTime::fromSecsSinceEpoch(QDateTime::currentSecsSinceEpoch(), Qt::UTC);
    service.edit([&](sandbox::store::Store &s) {
        for (auto &[id, card] : s.cards) {
            card.dueReminder.reset();
        }
        s.cards.at(crash).due = t0.addSecs(120);
        s.cards.at(crash).dueReminder = 1;
        s.cards.at(drag).due = t0.addSecs(180);
        s.cards.at(drag).dueReminder = 1;
    });
    QTemporaryDir dir;
    auto state = makeStore({q(service.baseUrl()), q(service.apiKey()), q(service.token()), {}}, dir);
    DesktopNotifier notifier(state->notifications(), state->preferences());
    notifier.setEnabled(false); // the sample's notifications stay out of the way
    notifier.watchReminders(state->reminders(), state->cards());
    RemindersArea *area = state->reminders();
    QVERIFY(await(area->fetch()).ok);
    QSignalSpy told(&notifier, &DesktopNotifier::told);
    const auto at = [](const QDateTime &time) {
        const qint64 offset = QDateTime::currentDateTimeUtc().msecsTo(time);
        return [offset] { return QDateTime::currentDateTimeUtc().addMSecs(offset); };
    };
    const auto hhmm = [](const QDateTime &time) {
        return QLocale().toString(time.toLocalTime().time(), u"HH:mm"_s);
    };
    const qsizetype before = shown().size();

    area->setClock(at(t0.addSecs(61)));
    QTRY_COMPARE(told.count(), 1);
    QTRY_COMPARE(dunstctl({u"count"_s, u"displayed"_s}).trimmed(), u"1"_s);
    dunstctl({u"context"_s});
    QTRY_VERIFY_WITH_TIMEOUT([&] {
        bool complete = false;
        service.edit([&](sandbox::store::Store &s) { complete = s.cards.at(crash).dueComplete; });
        return complete;
    }(), 10000);
    auto bubbles = shown();
    QCOMPARE(bubbles.size(), before + 1);
    QVERIFY2(bubbles.last().first.startsWith(u"“Fix crash when token expires” is due "_s) &&
                 bubbles.last().first.contains(hhmm(t0.addSecs(120))),
             qPrintable(bubbles.last().first));
    QCOMPARE(bubbles.last().second, u"Product Roadmap"_s);

    area->setClock(at(t0.addSecs(121)));
    QTRY_COMPARE(told.count(), 2);
    QSignalSpy card(&notifier, &DesktopNotifier::cardRequested);
    QTRY_COMPARE(dunstctl({u"count"_s, u"displayed"_s}).trimmed(), u"1"_s);
    // A daemon on Wayland sends the activation token for a bubble just before its action (this
    // dunst sends none, so the test hands it in as the daemon's signal would); the card's
    // request carries it, for the panel to take the focus with.
    const uint bubble = told[1][0].toUInt();
    QVERIFY(QMetaObject::invokeMethod(&notifier, "onActivationToken", Q_ARG(uint, bubble + 1),
                                      Q_ARG(QString, u"another bubble's"_s)));
    QVERIFY(QMetaObject::invokeMethod(&notifier, "onActivationToken", Q_ARG(uint, bubble),
                                      Q_ARG(QString, u"token-for-the-card"_s)));
    dunstctl({u"action"_s, u"0"_s});
    QTRY_COMPARE(card.count(), 1);
    QCOMPARE(card[0][0].toString(), q(board));
    QCOMPARE(card[0][1].toString(), q(nextUp));
    QCOMPARE(card[0][2].toString(), q(drag));
    QCOMPARE(card[0][3].toString(), u"token-for-the-card"_s);

    // Four at once: the card reminded before, with a new due date, and three more.
    const std::string scheduled = service.listId(service.boardId("Home Renovation"), "Scheduled");
    const std::vector<std::string> four{
        drag, service.cardId(service.listId(board, "In Progress"), "Attachments upload"),
        service.cardId(scheduled, "New kitchen tiles"),
        service.cardId(service.listId(board, "Shipped"), "Sign in with the browser")};
    service.edit([&](sandbox::store::Store &s) {
        for (const std::string &id : four) {
            s.cards.at(id).due = t0.addSecs(600);
            s.cards.at(id).dueReminder = 5;
            s.cards.at(id).dueComplete = false;
        }
    });
    QVERIFY(await(area->fetch()).ok);
    QSignalSpy panel(&notifier, &DesktopNotifier::openPanelRequested);
    area->setClock(at(t0.addSecs(301)));
    QTRY_COMPARE(told.count(), 3);
    QVERIFY(told[2][1].toString().startsWith(u"4 card"_s)); // no translator here
    QTRY_COMPARE(dunstctl({u"count"_s, u"displayed"_s}).trimmed(), u"1"_s);
    dunstctl({u"action"_s, u"0"_s});
    QTRY_COMPARE(panel.count(), 1);
    QCOMPARE(card.count(), 1);
}

QTEST_GUILESS_MAIN(TestDesktopNotifier)
// Sandboxed, the bubbles go through the desktop portal (the real one, which hands them to the
// daemon): the sentence and body arrive, and "Mark as read" comes back through the portal and
// reaches the service.
void TestDesktopNotifier::throughThePortal()
{
    qputenv("STAVELIN_NOTIFICATION_PORTAL", "1");
    const auto unset = qScopeGuard([] { qunsetenv("STAVELIN_NOTIFICATION_PORTAL"); });
    QVERIFY(DesktopNotifier::throughPortal());
    sandbox::Emulator service;
    QVERIFY(service.start() > 0);
    QTemporaryDir dir;
    const StoreOptions options{q(service.baseUrl()), q(service.apiKey()), q(service.token()),
                               dir.filePath(u"prefs.ini"_s)};
    std::unique_ptr<AppState> state = makeStore(options, dir);
    QVERIFY(await(state->notifications()->poll()).ok);
    const qsizetype earlier = shown().size(); // the cases before this one's
    DesktopNotifier notifier(state->notifications(), state->preferences());
    QSignalSpy told(&notifier, &DesktopNotifier::told);
    QTRY_COMPARE_WITH_TIMEOUT(told.count(), 3, 10000);
    QTRY_COMPARE(dunstctl({u"count"_s, u"displayed"_s}).trimmed(), u"3"_s);
    QCOMPARE(shown().size(), earlier + 3);

    const std::string id = notify(service, "Offline mode", "Through the portal");
    QVERIFY(await(state->notifications()->poll()).ok);
    QTRY_COMPARE(told.count(), 4);
    QTRY_COMPARE(dunstctl({u"count"_s, u"displayed"_s}).trimmed(), u"1"_s);
    dunstctl({u"context"_s}); // its menu, where "Mark as read" is picked
    QTRY_VERIFY_WITH_TIMEOUT(std::none_of(state->notifications()->unread().begin(),
                                          state->notifications()->unread().end(),
                                          [&](const TrelloNotification &n) { return n.id == q(id); }),
                             10000);
    const auto bubbles = shown();
    QCOMPARE(bubbles.size(), earlier + 4);
    QCOMPARE(bubbles.last(), qMakePair(u"Priya Raman commented on “Offline mode”"_s,
                                       u"Through the portal"_s));
    // The portal's bubbles reach the daemon without the name and category the program gives its
    // own: this one did not go to the daemon directly.
    const QJsonObject newest = QJsonDocument::fromJson(dunstctl({u"history"_s}).toUtf8())
                                   .object().value(u"data"_s).toArray().first().toArray().first().toObject();
    QCOMPARE(newest.value(u"appname"_s).toObject().value(u"data"_s).toString(), QString());
}

#include "tst_desktop_notifier.moc"
