// SPDX-License-Identifier: MIT
// The credential flow against the service emulation, on a keyring that answers at once and on
// one that answers late: which pair requests use, the order of keyring jobs, refused tokens,
// a keyring that refuses, and a restart.
#include "StoreHarness.h"
#include "sandbox/Emulator.h"

#include <QDesktopServices>
#include <QSignalSpy>

using namespace Qt::StringLiterals;
using namespace harness;

class TestCredentials : public QObject {
    Q_OBJECT
public slots:
    void openInBrowser(const QUrl &) {} // the authorization page: the browser is not needed

private slots:
    void initTestCase() { QDesktopServices::setUrlHandler(u"https"_s, this, "openInBrowser"); }
    void cleanupTestCase() { QDesktopServices::unsetUrlHandler(u"https"_s); }
    void init();
    void stores_data();
    void newPairIsUsedAtOnce_data() { stores_data(); }
    void newPairIsUsedAtOnce();
    void keyringJobsRunInOrder_data() { stores_data(); }
    void keyringJobsRunInOrder();
    void refusedTokenIsNotSuccess_data() { stores_data(); }
    void refusedTokenIsNotSuccess();
    void restartFindsThePair_data() { stores_data(); }
    void restartFindsThePair();
    void refusingKeyringIsShown();

private:
    std::shared_ptr<CredentialStore> store() const;
    QString stored(const std::shared_ptr<CredentialStore> &store, const QString &account) const
    {
        return QCoro::waitFor(store->read(account)).value_or(u"(none)"_s);
    }

    std::unique_ptr<sandbox::Emulator> m_service;
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestCredentials::init()
{
    m_service = std::make_unique<sandbox::Emulator>();
    QVERIFY(m_service->start() > 0);
    m_dir = std::make_unique<QTemporaryDir>();
}

void TestCredentials::stores_data()
{
    QTest::addColumn<bool>("late");
    QTest::newRow("keyring answering at once") << false;
    QTest::newRow("keyring answering late") << true;
}

std::shared_ptr<CredentialStore> TestCredentials::store() const
{
    QFETCH(bool, late);
    if (late) {
        return std::make_shared<LateCredentialStore>();
    }
    return std::make_shared<MemoryCredentialStore>();
}

void TestCredentials::newPairIsUsedAtOnce()
{
    auto state = makeStore({q(m_service->baseUrl()), {}, {}, {}, store()}, *m_dir);
    // A refresh that starts while the keyring is still storing the pair goes out with it.
    Operation connecting = state->session()->saveCredentials(q(m_service->apiKey()), q(m_service->token()));
    const Outcome refreshed = await(state->boards()->refreshBoards());
    QVERIFY2(refreshed.ok, qPrintable(refreshed.error));
    QVERIFY(await(connecting).ok);
    for (const auto &request : m_service->requests()) {
        QCOMPARE(request.queryValue("key").value_or(""), m_service->apiKey());
    }
    QVERIFY(!state->boards()->boards().isEmpty());
}

void TestCredentials::keyringJobsRunInOrder()
{
    auto keyring = store();
    auto state = makeStore({q(m_service->baseUrl()), {}, {}, {}, keyring}, *m_dir);
    const QString key = q(m_service->apiKey());
    const QString token = q(m_service->token());

    // Disconnected while the save is still running: the keyring ends up empty.
    Operation first = state->session()->saveCredentials(key, token);
    state->session()->clearCredentials();
    await(first);
    QTest::qWait(400); // the removals, queued behind the saves
    QCOMPARE(stored(keyring, KeychainHelper::ApiKeyAccount), u"(none)"_s);
    QCOMPARE(stored(keyring, KeychainHelper::TokenAccount), u"(none)"_s);
    QVERIFY(!state->session()->hasCredentials());

    // Disconnected and at once connected again: the new pair stays.
    await(state->session()->saveCredentials(key, u"old-token"_s));
    state->session()->clearCredentials();
    const Outcome second = await(state->session()->saveCredentials(key, token));
    QVERIFY2(second.ok, qPrintable(second.error));
    QCOMPARE(stored(keyring, KeychainHelper::ApiKeyAccount), key);
    QCOMPARE(stored(keyring, KeychainHelper::TokenAccount), token);
    QVERIFY(state->session()->member().has_value());
}

void TestCredentials::refusedTokenIsNotSuccess()
{
    auto state = makeStore({q(m_service->baseUrl()), q(m_service->apiKey()), q(m_service->token()), {}, store()},
                           *m_dir);
    QVERIFY(state->session()->member().has_value());
    QSignalSpy completed(state->session(), &SessionArea::authDidComplete);

    // Connected as one member, a wrong token typed into the form: nobody is signed in any more.
    // (The form's status line is tst_settingsviews.qml's, the message tst_fault_matrix's.)
    state->session()->setCredentialsDraftKey(q(m_service->apiKey()));
    state->session()->setCredentialsDraftToken(u"ATTAwrong"_s);
    QVERIFY(!await(state->session()->saveDraftCredentials()).ok);
    QVERIFY(!state->session()->member().has_value());

    // The same through the browser, answering an authorization started here: no completion,
    // nobody signed in.
    await(state->session()->saveCredentials(q(m_service->apiKey()), q(m_service->token())));
    QVERIFY(state->session()->member().has_value());
    state->session()->beginBrowserAuth();
    const Outcome browser = await(state->session()->handleAuthCallback(u"stavelin://auth#token=refused"_s));
    QVERIFY(!browser.ok);
    QCOMPARE(state->session()->credentialsStatus(), state->errorMessage());
    QVERIFY(state->session()->credentialsStatusIsError());
    QCOMPARE(state->session()->token(), u"refused"_s); // in use until replaced, as a typed one
    QVERIFY(!state->session()->member().has_value());
    QCOMPARE(completed.size(), 0);
    QVERIFY(!state->session()->isValidatingCredentials());
}

void TestCredentials::restartFindsThePair()
{
    auto keyring = store();
    {
        auto state = makeStore({q(m_service->baseUrl()), {}, {}, {}, keyring}, *m_dir);
        QVERIFY(await(state->session()->saveCredentials(q(m_service->apiKey()), q(m_service->token()))).ok);
    }
    auto restarted = makeStore({q(m_service->baseUrl()), {}, {}, {}, keyring}, *m_dir);
    QCOMPARE(restarted->session()->apiKey(), q(m_service->apiKey()));
    QCOMPARE(restarted->session()->token(), q(m_service->token()));
    QCOMPARE(restarted->session()->credentialsDraftKey(), q(m_service->apiKey()));
    QVERIFY(restarted->session()->member().has_value());
    QVERIFY(!restarted->boards()->boards().isEmpty());
}

void TestCredentials::refusingKeyringIsShown()
{
    auto state = makeStore({q(m_service->baseUrl()), {}, {}, {},
                            std::make_shared<LateCredentialStore>(/*refuseSaves=*/true)},
                           *m_dir);
    state->session()->setCredentialsDraftKey(q(m_service->apiKey()));
    state->session()->setCredentialsDraftToken(q(m_service->token()));
    const Outcome outcome = await(state->session()->saveDraftCredentials());
    // Connected for this run, and told that it will not last.
    QVERIFY(outcome.ok);
    QVERIFY(state->session()->member().has_value());
    QVERIFY(state->session()->credentialsStatusIsError());
    QVERIFY(state->session()->credentialsStatus().contains(SessionArea::keyringFailureText()));
    QCOMPARE(state->errors()->entries().back().kind, ErrorLog::Kind::Keyring);
}

QTEST_GUILESS_MAIN(TestCredentials)
#include "tst_credentials.moc"
