// SPDX-License-Identifier: MIT
// The member's notifications against the emulated service: polled at once and then with
// `since`, joined, paused while the rate budget is short, and marked read for good.
#include "StoreHarness.h"
#include "sandbox/Emulator.h"
#include "sandbox/Store.h"

#include <QAbstractEventDispatcher>
#include <QSignalSpy>

#include <thread>

using namespace Qt::StringLiterals;
using namespace harness;
using Clock = std::chrono::steady_clock;

class TestNotifications : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void pollsWithSince();
    void pausedWhileBudgetIsShort();
    void quietPollsLetTheMainThreadSleep();
    void markedReadStaysRead();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<sandbox::Emulator> m_service;
};

namespace {
// The notification requests the service received since `from`, by their `since` (empty for a
// whole poll).
QStringList polls(const sandbox::Emulator &service, Clock::time_point from = Clock::time_point::min())
{
    QStringList out;
    for (const auto &r : service.requests()) {
        if (r.receivedAt >= from && r.path == "/1/members/me/notifications") {
            out.append(q(r.queryValue("since").value_or("")));
        }
    }
    return out;
}

std::string notify(sandbox::Emulator &service, const char *cardName, const char *text)
{
    std::string id;
    const std::string list = service.listId(service.boardId("Product Roadmap"), "Ideas");
    const std::string card = service.cardId(list, cardName);
    const std::string from = service.memberId("priyaraman");
    service.edit([&](sandbox::store::Store &s) {
        id = s.addNotification(s.meId, from, "commentCard", card, text).id;
    });
    return id;
}
} // namespace

void TestNotifications::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_service = std::make_unique<sandbox::Emulator>();
    QVERIFY(m_service->start() > 0);
}

void TestNotifications::cleanup()
{
    m_service.reset();
    m_dir.reset();
}

void TestNotifications::pollsWithSince()
{
    sandbox::Emulator &service = *m_service;
    // The poll at start is still under way when the store has started: a showing then joins it
    // rather than asking again.
    service.delayAnswers("GET", "/1/members/me/notifications", std::chrono::milliseconds(400));
    auto state = makeStore({q(service.baseUrl()), q(service.apiKey()), q(service.token()), {}}, *m_dir);
    NotificationsArea &area = *state->notifications();
    QSignalSpy arrived(&area, &NotificationsArea::arrived);
    QCOMPARE(area.unreadCount(), 0);
    QVERIFY(await(area.poll()).ok);
    QCOMPARE(polls(service), QStringList{QString()});
    QCOMPARE(area.unreadCount(), 3);
    QCOMPARE(arrived.count(), 1);
    QCOMPARE(arrived[0][0].value<QList<TrelloNotification>>().size(), 3);
    const QString newest = area.unread().first().id;
    QCOMPARE(area.notificationValues().first().toMap().value(u"sentence"_s).toString(),
             u"Marco Bellini mentioned you on “Drag cards between lists”"_s);

    // Every interval only what is newer than the newest known is asked for.
    area.setInterval(std::chrono::milliseconds(100));
    const std::string added = notify(service, "Offline mode", "Any news?");
    QTRY_COMPARE(area.unreadCount(), 4);
    QCOMPARE(area.unread().first().id, q(added));
    QCOMPARE(polls(service).mid(1, 1), QStringList{newest});
    QTRY_VERIFY(polls(service).size() >= 4);
    QCOMPARE(polls(service).last(), q(added));
    QCOMPARE(arrived.count(), 2); // told once, however often it comes back

    // A showing asks for all of them, and lets go of what was read elsewhere.
    service.edit([&](sandbox::store::Store &s) { s.notifications.at(added).unread = false; });
    QVERIFY(await(area.poll()).ok);
    QCOMPARE(area.unreadCount(), 3);
    QCOMPARE(arrived.count(), 2);

    // The account leaves: nothing held, nothing polled.
    state->session()->clearCredentials();
    QTRY_COMPARE(area.unreadCount(), 0);
    const auto gone = Clock::now();
    QTest::qWait(350);
    QVERIFY(polls(service, gone).isEmpty());
}

// A timed poll waits while the budget could not take a showing besides; the panel's requests
// are never refused for it, and polling comes back once the window has passed.
void TestNotifications::pausedWhileBudgetIsShort()
{
    sandbox::Emulator &service = *m_service;
    sandbox::RateLimits limits;
    limits.perToken = NotificationsArea::budgetReserve + 10;
    limits.window = std::chrono::milliseconds(1000);
    service.setRateLimits(limits);
    auto state = makeStore({q(service.baseUrl()), q(service.apiKey()), q(service.token()), {}}, *m_dir);
    NotificationsArea &area = *state->notifications();
    QVERIFY(await(area.poll()).ok);
    QTest::qWait(1600); // the start-up's requests leave the window
    area.setInterval(std::chrono::milliseconds(50));
    QTRY_VERIFY(polls(service).size() >= 3);

    // The panel spends most of the window.
    const QString board = q(service.boardId("Product Roadmap"));
    for (int i = 0; i < 15; ++i) {
        QVERIFY(QCoro::waitFor(state->api().fetchLists(board)).size() == 5);
    }
    const auto spent = Clock::now();
    QTest::qWait(700);
    QVERIFY(polls(service, spent).isEmpty());
    // A showing's own poll still goes.
    QVERIFY(await(area.poll()).ok);
    QCOMPARE(polls(service, spent).size(), 1);
    // Once the window has passed, the minute's polls go again.
    QTRY_VERIFY_WITH_TIMEOUT(polls(service, spent).size() >= 3, 3000);
    for (const auto &r : service.requests()) {
        QCOMPARE(r.status, 200);
    }
    area.setInterval(std::chrono::hours(1));
    QVERIFY(await(area.poll()).ok); // nothing left on its way when the store goes
}

// The timed polls go out from their own thread: a poll that brings nothing new never wakes the
// main thread (the hidden program sleeps through them); one that brings news hands it over.
void TestNotifications::quietPollsLetTheMainThreadSleep()
{
    sandbox::Emulator &service = *m_service;
    auto state = makeStore({q(service.baseUrl()), q(service.apiKey()), q(service.token()), {}}, *m_dir);
    NotificationsArea &area = *state->notifications();
    QVERIFY(await(area.poll()).ok);
    area.setInterval(std::chrono::milliseconds(30));
    QTRY_VERIFY(polls(service).size() >= 2);

    // Polls go on while the main thread is busy elsewhere...
    auto from = Clock::now();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    QVERIFY2(polls(service, from).size() >= 3, qPrintable(polls(service, from).join(u',')));
    // ... and while it waits for events, none of them wakes it.
    QAbstractEventDispatcher *dispatcher = QAbstractEventDispatcher::instance();
    int wakes = 0;
    const auto counting = connect(dispatcher, &QAbstractEventDispatcher::awake, [&] { ++wakes; });
    from = Clock::now();
    QEventLoop idle;
    QTimer::singleShot(600, &idle, &QEventLoop::quit);
    idle.exec();
    disconnect(counting);
    QVERIFY(polls(service, from).size() >= 5);
    QVERIFY2(wakes <= 3, qPrintable(QString::number(wakes)));
    QCOMPARE(area.unreadCount(), 3);

    // News still arrive, once.
    QSignalSpy arrived(&area, &NotificationsArea::arrived);
    const std::string added = notify(service, "Offline mode", "Any news?");
    QTRY_COMPARE(area.unreadCount(), 4);
    QTest::qWait(150);
    QCOMPARE(arrived.count(), 1);
    QCOMPARE(area.unread().first().id, q(added));
    area.setInterval(std::chrono::hours(1));
}

// Marking read is for good: the panel's list, the service, and a poll whose answer was made
// before the mark all agree.
void TestNotifications::markedReadStaysRead()
{
    sandbox::Emulator &service = *m_service;
    auto state = makeStore({q(service.baseUrl()), q(service.apiKey()), q(service.token()), {}}, *m_dir);
    NotificationsArea &area = *state->notifications();
    QVERIFY(await(area.poll()).ok);
    const QList<TrelloNotification> held = area.unread();
    QCOMPARE(held.size(), 3);
    const auto unreadOnService = [&] {
        int count = 0;
        service.edit([&](sandbox::store::Store &s) {
            for (const auto &[id, n] : s.notifications) {
                count += n.unread && n.idMember == s.meId;
            }
        });
        return count;
    };

    // An answer made before the mark arrives after it.
    service.delayAnswers("GET", "/1/members/me/notifications", std::chrono::milliseconds(300));
    const Operation slowPoll = area.poll();
    QTest::qWait(50);
    QVERIFY(await(area.markRead(held[0].id)).ok);
    QCOMPARE(area.unreadCount(), 2);
    QVERIFY(await(slowPoll).ok);
    QCOMPARE(area.unreadCount(), 2);
    QCOMPARE(unreadOnService(), 2);

    QVERIFY(await(area.markCardRead(held[1].data.card->id)).ok);
    QCOMPARE(ids(area.unread()), QStringList{held[2].id});
    const std::string later = notify(service, "Offline mode", "One more");
    QVERIFY(await(area.markAllRead()).ok);
    QCOMPARE(area.unreadCount(), 0);
    // "All" is what was held: one that came meanwhile, unseen, stays unread.
    QCOMPARE(unreadOnService(), 1);
    QVERIFY(await(area.poll()).ok);
    QCOMPARE(ids(area.unread()), QStringList{q(later)});
}

QTEST_GUILESS_MAIN(TestNotifications)
#include "tst_notifications.moc"
