// SPDX-License-Identifier: MIT
// Due reminders worked out from the member's cards on the emulated service, with the clock
// injected: once per card and due date, across refetches and a restart; none for a completed
// card or one without a reminder; a new due date reminds again; turned off, nothing is fetched.
#include "StoreHarness.h"
#include "sandbox/Emulator.h"
#include "sandbox/Store.h"

#include <QSignalSpy>

using namespace Qt::StringLiterals;
using namespace harness;

class TestReminders : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void remindsOncePerDueDate();
    void switchedOffFetchesNothing();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<sandbox::Emulator> m_service;
};

namespace {
// A clock that reads `at` now and goes on in real time from there.
RemindersArea::Clock clockAt(const QDateTime &at)
{
    const qint64 offset = QDateTime::currentDateTimeUtc().msecsTo(at);
    return [offset] { return QDateTime::currentDateTimeUtc().addMSecs(offset); };
}

int fetches(const sandbox::Emulator &service)
{
    int count = 0;
    for (const auto &r : service.requests()) {
        count += r.path == "/1/members/me/cards";
    }
    return count;
}

QList<DueReminder> remindedAt(const QSignalSpy &spy, qsizetype i)
{
    return spy.at(i).at(0).value<QList<DueReminder>>();
}
} // namespace

void TestReminders::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_service = std::make_unique<sandbox::Emulator>();
    QVERIFY(m_service->start() > 0);
}

void TestReminders::cleanup()
{
    m_service.reset();
    m_dir.reset();
}

void TestReminders::remindsOncePerDueDate()
{
    sandbox::Emulator &service = *m_service;
    const std::string board = service.boardId("Product Roadmap");
    const std::string next = service.listId(board, "Next Up");
    const std::string drag = service.cardId(next, "Drag cards between lists");
    const std::string crash = service.cardId(next, "Fix crash when token expires");
    const std::string tiles =
        service.cardId(service.listId(service.boardId("Home Renovation"), "Scheduled"), "New kitchen tiles");
    // All three are the member's: one due in two minutes with a reminder a minute before, one
    // the same but complete, one due sooner without a reminder. No other card reminds.
    const QDateTime t0 = QDateTime::fromSecsSinceEpoch(QDateTime::currentSecsSinceEpoch(), Qt::UTC);
    service.edit([&](sandbox::store::Store &s) {
        for (auto &[id, card] : s.cards) {
            card.dueReminder.reset();
        }
        s.cards.at(drag).due = t0.addSecs(120);
        s.cards.at(drag).dueReminder = 1;
        s.cards.at(crash).due = t0.addSecs(120);
        s.cards.at(crash).dueReminder = 1;
        s.cards.at(crash).dueComplete = true;
        s.cards.at(tiles).due = t0.addSecs(90);
    });
    const StoreOptions options{q(service.baseUrl()), q(service.apiKey()), q(service.token()),
                               m_dir->filePath(u"prefs.ini"_s)};
    auto state = makeStore(options, *m_dir);
    RemindersArea *area = state->reminders();
    QSignalSpy reminded(area, &RemindersArea::reminded);
    area->setClock(clockAt(t0));
    QVERIFY(await(area->fetch()).ok);
    QCOMPARE(area->cards().size(), 2);
    QCOMPARE(area->nextReminder(), std::optional(t0.addSecs(60)));
    QCOMPARE(reminded.count(), 0);

    // The alarm goes off at the reminder's time: one reminder, for the card not complete.
    area->setClock(clockAt(t0.addMSecs(60000 - 300)));
    QTRY_COMPARE_WITH_TIMEOUT(reminded.count(), 1, 3000);
    const QList<DueReminder> first = remindedAt(reminded, 0);
    QCOMPARE(first.size(), 1);
    QCOMPARE(first[0].card.id, q(drag));
    QCOMPARE(first[0].card.due, std::optional(t0.addSecs(120)));
    QCOMPARE(first[0].boardName, u"Product Roadmap"_s);
    QVERIFY(!area->nextReminder());

    // Fetched again, nothing comes twice; and what was kept names no card by its name.
    QVERIFY(await(area->fetch()).ok);
    area->check();
    QCOMPARE(reminded.count(), 1);
    QFile prefs(options.settingsFile);
    QVERIFY(prefs.open(QIODevice::ReadOnly));
    const QByteArray kept = prefs.readAll();
    QVERIFY(kept.contains(drag.c_str()) && !kept.contains("Drag"));

    // After a restart neither.
    state.reset();
    state = makeStore(options, *m_dir);
    area = state->reminders();
    QSignalSpy afterRestart(area, &RemindersArea::reminded);
    area->setClock(clockAt(t0.addSecs(61)));
    QVERIFY(await(area->fetch()).ok);
    QCOMPARE(area->cards().size(), 2);
    QTest::qWait(100);
    QCOMPARE(afterRestart.count(), 0);

    // A new due date reminds again, once its reminder has come.
    service.edit([&](sandbox::store::Store &s) { s.cards.at(drag).due = t0.addSecs(300); });
    QVERIFY(await(area->fetch()).ok);
    QCOMPARE(area->nextReminder(), std::optional(t0.addSecs(240)));
    area->setClock(clockAt(t0.addSecs(241)));
    QCOMPARE(afterRestart.count(), 1);
    QCOMPARE(remindedAt(afterRestart, 0)[0].card.due, std::optional(t0.addSecs(300)));

    // A due date changed in the panel moves the next reminder without a fetch; marked complete
    // there, the card reminds no more.
    const int fetched = fetches(service);
    const QVariantMap later{{u"due"_s, t0.addSecs(600)}};
    QVERIFY(await(state->cards()->updateCard(q(drag), later)).ok);
    QCOMPARE(area->nextReminder(), std::optional(t0.addSecs(540)));
    QVERIFY(await(state->cards()->updateCard(q(drag), {{u"dueComplete"_s, true}})).ok);
    QVERIFY(!area->nextReminder());
    QCOMPARE(fetches(service), fetched);
}

// Off, the switch is kept and no cards are fetched, at a showing or a timed one; on again, one
// fetch, and fetches asked for while one is under way join it.
void TestReminders::switchedOffFetchesNothing()
{
    sandbox::Emulator &service = *m_service;
    auto state = makeStore({q(service.baseUrl()), q(service.apiKey()), q(service.token()), {}}, *m_dir);
    RemindersArea *area = state->reminders();
    QVERIFY(area->isEnabled());
    // One fetch at the start; the sample's card with a reminder is held.
    QTRY_VERIFY(!area->cards().isEmpty());
    QCOMPARE(fetches(service), 1);

    QSignalSpy switched(area, &RemindersArea::enabledChanged);
    area->setEnabled(false);
    QCOMPARE(switched.count(), 1);
    QVERIFY(area->cards().isEmpty() && !area->nextReminder());
    QCOMPARE(state->preferences()->value(RemindersArea::EnabledKey).toBool(), false);
    area->setInterval(std::chrono::milliseconds(50));
    QVERIFY(await(area->fetch()).ok);
    QTest::qWait(200);
    QCOMPARE(fetches(service), 1);

    area->setInterval(std::chrono::hours(1));
    service.setLatency(std::chrono::milliseconds(100));
    area->setEnabled(true);
    const Operation joined = area->fetch();
    QVERIFY(!joined.isFinished());
    QVERIFY(await(joined).ok);
    QCOMPARE(fetches(service), 2);
    QVERIFY(!area->cards().isEmpty());
}

QTEST_GUILESS_MAIN(TestReminders)
#include "tst_reminders.moc"
