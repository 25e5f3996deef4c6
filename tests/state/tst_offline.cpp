// SPDX-License-Identifier: MIT
// Out of reach and back: the sandbox stops listening, the store says so with the time of what
// it shows and sends nothing, and once a probe finds the service again, what is shown and the
// notifications catch up once. The same catch-up after a wake-up, told by a stand-in logind on
// a private system bus, and the way back told by a stand-in NetworkManager there.
#include "StoreHarness.h"
#include "platform/SleepWatcher.h"
#include "sandbox/Emulator.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QLocale>
#include <QNetworkReply>
#include <QProcess>
#include <QSignalSpy>

#include <csignal>
#include <sys/prctl.h>

using namespace Qt::StringLiterals;
using namespace harness;

namespace {
// Counts what the store hands to the network, by method: what is sent while the service is
// out of reach never arrives there to be counted.
class CountingNetwork : public QNetworkAccessManager {
public:
    QMap<QByteArray, int> sent;

protected:
    QNetworkReply *createRequest(Operation op, const QNetworkRequest &request,
                                 QIODevice *data) override
    {
        const QByteArray method = op == HeadOperation ? "HEAD"
                                  : op == GetOperation ? "GET"
                                  : request.attribute(QNetworkRequest::CustomVerbAttribute).toByteArray();
        ++sent[method.isEmpty() ? QByteArray("OTHER") : method];
        return QNetworkAccessManager::createRequest(op, request, data);
    }
};

// A service's stand-in and someone else on the test's system bus, let go however the test ends.
struct StandInAndIntruder {
    explicit StandInAndIntruder(const QString &address)
        : service(QDBusConnection::connectToBus(address, u"stand-in"_s)),
          intruder(QDBusConnection::connectToBus(address, u"intruder"_s))
    {
    }
    ~StandInAndIntruder()
    {
        QDBusConnection::disconnectFromBus(u"stand-in"_s);
        QDBusConnection::disconnectFromBus(u"intruder"_s);
    }
    bool isConnected() const { return service.isConnected() && intruder.isConnected(); }

    QDBusConnection service;
    QDBusConnection intruder;
};

// How often the service was asked for each path of a refresh and for the notifications.
QMap<QString, int> asked(const sandbox::Emulator &service)
{
    QMap<QString, int> out;
    for (const auto &r : service.requests()) {
        if (r.method != "HEAD") {
            ++out[q(r.path)];
        }
    }
    return out;
}
} // namespace

class TestOffline : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();
    void outOfReachAndBack();
    void startedOutOfReach();
    void wakingUpCatchesUpOnce();
    void networkManagerSaysWhenToProbe();

private:
    // A store with the sample board open and loaded.
    std::unique_ptr<AppState> openBoard(QNetworkAccessManager *network = nullptr);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<sandbox::Emulator> m_service;
    QTemporaryDir m_busDir;
    QProcess m_bus;
    QString m_busAddress;
};

// A system bus of the test's own, set up before anything asks Qt for the system bus.
void TestOffline::initTestCase()
{
    QVERIFY(m_busDir.isValid());
    QFile config(m_busDir.filePath(u"system.conf"_s));
    QVERIFY(config.open(QIODevice::WriteOnly));
    config.write(R"(<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>system</type>
  <listen>unix:dir=)" + m_busDir.path().toUtf8() + R"(</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/>
    <allow own="*"/>
    <allow send_destination="*"/>
    <allow send_type="signal"/>
    <allow receive_sender="*"/>
  </policy>
</busconfig>
)");
    config.close();
    m_bus.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // Gone with the test, however it ends.
    m_bus.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    m_bus.start(u"dbus-daemon"_s, {u"--config-file="_s + config.fileName(), u"--nofork"_s,
                                   u"--nosyslog"_s, u"--print-address=1"_s});
    QVERIFY2(m_bus.waitForStarted(), "dbus-daemon is installed");
    QTRY_VERIFY(m_bus.canReadLine());
    m_busAddress = QString::fromUtf8(m_bus.readLine()).trimmed();
    QVERIFY(!m_busAddress.isEmpty());
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", m_busAddress.toUtf8());
}

void TestOffline::cleanupTestCase()
{
    m_bus.terminate();
    m_bus.waitForFinished();
}

void TestOffline::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_service = std::make_unique<sandbox::Emulator>();
    QVERIFY(m_service->start() > 0);
}

void TestOffline::cleanup()
{
    m_service.reset();
    m_dir.reset();
}

std::unique_ptr<AppState> TestOffline::openBoard(QNetworkAccessManager *network)
{
    sandbox::Emulator &service = *m_service;
    StoreOptions options{q(service.baseUrl()), q(service.apiKey()), q(service.token()), {}};
    options.network = network;
    auto state = makeStore(options, *m_dir);
    state->setActiveBoardID(q(service.boardId("Product Roadmap")));
    const Outcome loaded = await(state->refreshVisible());
    if (!loaded.ok || !await(state->notifications()->poll()).ok) {
        qWarning() << "the board did not load:" << loaded.error;
        return nullptr;
    }
    return state;
}

void TestOffline::outOfReachAndBack()
{
    sandbox::Emulator &service = *m_service;
    CountingNetwork network;
    auto state = openBoard(&network);
    QVERIFY(state);
    Connectivity &connectivity = *state->connectivity();
    connectivity.setProbeInterval(std::chrono::milliseconds(150));
    const QString boardID = q(service.boardId("Product Roadmap"));
    const QString listID = q(service.listId(boardID.toStdString(), "Ideas"));
    const QString cardID = q(service.cardId(listID.toStdString(), "Offline mode"));
    QVERIFY(connectivity.loadedAt());
    // Hours and minutes, as the locale writes them.
    const QString expected =
        u"Offline — showing what was loaded at "_s +
        QLocale().toString(connectivity.loadedAt()->time(), QLocale().timeFormat(QLocale::ShortFormat).remove(u":ss"_s));
    QVERIFY(!state->isOffline());
    QVERIFY(!connectivity.isProbing());

    // The service goes: the first refresh that finds it gone says what is shown, and since when.
    const int port = service.port();
    service.stop();
    QSignalSpy offline(state.get(), &AppState::offlineChanged);
    const Outcome refused = await(state->refreshVisible());
    QVERIFY(!refused.ok);
    QVERIFY(state->isOffline());
    QCOMPARE(offline.count(), 1);
    QCOMPARE(state->errorMessage(), expected);
    QCOMPARE(refused.error, expected);

    // Nothing more goes out: no refresh, no poll (asked for or timed), no change; only probes.
    // Held back, they are not logged one by one. A change is not saved, says so, and what it
    // showed goes back.
    state->notifications()->setInterval(std::chrono::milliseconds(100));
    const QMap<QByteArray, int> before = network.sent;
    const std::size_t logged = state->errors()->entries().size();
    QVERIFY(!await(state->refreshVisible()).ok);
    QVERIFY(!await(state->notifications()->poll()).ok);
    QCOMPARE(state->errors()->entries().size(), logged);
    const Outcome change = await(state->cards()->updateCard(cardID, {{u"name"_s, u"Offline first"_s}}));
    QVERIFY(!change.ok);
    QCOMPARE(change.error, u"Offline — the change can't be saved until the network is back"_s);
    QCOMPARE(state->cards()->cards().record(cardID)->name, u"Offline mode"_s);
    QTest::qWait(600);
    QVERIFY(network.sent.value("HEAD") >= 2);
    QMap<QByteArray, int> meanwhile = network.sent;
    meanwhile.remove("HEAD");
    QMap<QByteArray, int> sentBefore = before;
    sentBefore.remove("HEAD");
    QCOMPARE(meanwhile, sentBefore);
    QCOMPARE(state->errors()->entries().size(), logged + 1); // the change's line

    // Back: a probe finds it, the banner's line goes, and what is shown catches up once.
    state->notifications()->setInterval(NotificationsArea::defaultInterval);
    service.clearRequests();
    QSignalSpy caughtUp(state.get(), &AppState::caughtUp);
    QCOMPARE(service.start(port), port);
    QTRY_VERIFY(!state->isOffline());
    QCOMPARE(state->errorMessage(), QString());
    QTRY_COMPARE(caughtUp.count(), 1);
    QVERIFY(await(caughtUp[0][0].value<Operation>()).ok);
    QVERIFY(await(caughtUp[0][1].value<Operation>()).ok);
    QVERIFY(!connectivity.isProbing());
    QTest::qWait(int(AppState::catchUpDelay.count()) + 300);
    QCOMPARE(caughtUp.count(), 1);
    const QMap<QString, int> once = asked(service);
    QCOMPARE(once.value(u"/1/members/me/boards"_s), 1);
    QCOMPARE(once.value(u"/1/boards/"_s + boardID + u"/lists"_s), 1);
    QCOMPARE(once.value(u"/1/lists/"_s + listID + u"/cards"_s), 1);
    QCOMPARE(once.value(u"/1/members/me/notifications"_s), 1);
    // And changes are saved again.
    QVERIFY(await(state->cards()->updateCard(cardID, {{u"name"_s, u"Offline first"_s}})).ok);
}

// Started without a network: nothing loaded, the account unconfirmed. Reached, it is
// confirmed, and the boards and the notifications come (they wait for the account).
void TestOffline::startedOutOfReach()
{
    sandbox::Emulator &service = *m_service;
    const int port = service.port();
    service.stop();
    auto state = makeStore({q(service.baseUrl()), q(service.apiKey()), q(service.token()), {}}, *m_dir);
    QVERIFY(state->isOffline());
    QCOMPARE(state->errorMessage(), u"Offline — nothing could be loaded yet"_s);
    QVERIFY(!state->session()->member());
    state->connectivity()->setProbeInterval(std::chrono::milliseconds(100));

    QCOMPARE(service.start(port), port);
    QTRY_VERIFY(state->session()->member().has_value());
    QTRY_VERIFY(!state->boards()->boards().isEmpty());
    QTRY_VERIFY(state->notifications()->unreadCount() > 0);
    QCOMPARE(state->errorMessage(), QString());
}

// logind says the computer woke up: one refresh and one poll, even when it is told twice.
// Its signal from anyone else on the bus is not its word.
void TestOffline::wakingUpCatchesUpOnce()
{
    sandbox::Emulator &service = *m_service;
    auto state = openBoard();
    QVERIFY(state);
    StandInAndIntruder bus(m_busAddress);
    QVERIFY(bus.isConnected());
    QDBusConnection &logind = bus.service;
    QVERIFY(logind.registerService(u"org.freedesktop.login1"_s));
    SleepWatcher watcher;
    QVERIFY(watcher.isWatching());
    // As the shell wires it.
    connect(&watcher, &SleepWatcher::resumed, state.get(), &AppState::catchUp);
    QSignalSpy asleep(&watcher, &SleepWatcher::aboutToSleep);
    QSignalSpy resumed(&watcher, &SleepWatcher::resumed);
    QSignalSpy caughtUp(state.get(), &AppState::caughtUp);
    const auto prepareForSleep = [](bool sleeping) {
        QDBusMessage signal = QDBusMessage::createSignal(
            u"/org/freedesktop/login1"_s, u"org.freedesktop.login1.Manager"_s, u"PrepareForSleep"_s);
        signal << sleeping;
        return signal;
    };
    service.clearRequests();

    QVERIFY(bus.intruder.send(prepareForSleep(false)));
    QVERIFY(logind.send(prepareForSleep(true)));
    QTRY_COMPARE(asleep.count(), 1);
    QTest::qWait(int(AppState::catchUpDelay.count()) + 300);
    QCOMPARE(resumed.count(), 0);
    QCOMPARE(caughtUp.count(), 0);

    QVERIFY(logind.send(prepareForSleep(false)));
    QVERIFY(logind.send(prepareForSleep(false)));
    QTRY_COMPARE(resumed.count(), 2);
    QTRY_COMPARE(caughtUp.count(), 1);
    QVERIFY(await(caughtUp[0][0].value<Operation>()).ok);
    QVERIFY(await(caughtUp[0][1].value<Operation>()).ok);
    QTest::qWait(int(AppState::catchUpDelay.count()) + 300);
    QCOMPARE(caughtUp.count(), 1);
    const QMap<QString, int> once = asked(service);
    QCOMPARE(once.value(u"/1/members/me/boards"_s), 1);
    QCOMPARE(once.value(u"/1/members/me/notifications"_s), 1);
    const QString boardID = q(service.boardId("Product Roadmap"));
    QCOMPARE(once.value(u"/1/boards/"_s + boardID + u"/lists"_s), 1);
}

namespace {
// NetworkManager's State property on the bus.
class NetworkManagerStandIn : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.NetworkManager")
    Q_PROPERTY(uint State MEMBER state)
public:
    uint state = 20; // disconnected
};

// NetworkManager's StateChanged signal, from whoever sends it.
QDBusMessage stateChanged(uint state)
{
    QDBusMessage signal = QDBusMessage::createSignal(
        u"/org/freedesktop/NetworkManager"_s, u"org.freedesktop.NetworkManager"_s, u"StateChanged"_s);
    signal << state;
    return signal;
}
} // namespace

// Offline with no network, nothing is probed; NetworkManager's word that there is one again
// probes at once, whatever the interval, and anyone else's word is not taken for it.
void TestOffline::networkManagerSaysWhenToProbe()
{
    sandbox::Emulator &service = *m_service;
    auto state = openBoard();
    QVERIFY(state);
    StandInAndIntruder bus(m_busAddress);
    QVERIFY(bus.isConnected());
    QDBusConnection &manager = bus.service;
    NetworkManagerStandIn standIn;
    QVERIFY(manager.registerObject(u"/org/freedesktop/NetworkManager"_s, &standIn,
                                   QDBusConnection::ExportAllProperties));
    QVERIFY(manager.registerService(u"org.freedesktop.NetworkManager"_s));
    Connectivity &connectivity = *state->connectivity();
    connectivity.setProbeInterval(std::chrono::hours(1));
    const int port = service.port();
    service.stop();
    QVERIFY(!await(state->refreshVisible()).ok);
    QVERIFY(state->isOffline());
    QVERIFY(connectivity.isProbing());

    connectivity.watchSystem(); // told "disconnected" when it asks
    QTRY_VERIFY(!connectivity.isProbing());
    QCOMPARE(service.start(port), port);
    QVERIFY(bus.intruder.send(stateChanged(70)));
    QTest::qWait(300);
    QVERIFY(state->isOffline());
    QVERIFY(!connectivity.isProbing());

    standIn.state = 70; // connected, global
    QVERIFY(manager.send(stateChanged(70)));
    QTRY_VERIFY(!state->isOffline());
}

QTEST_GUILESS_MAIN(TestOffline)
#include "tst_offline.moc"
