// SPDX-License-Identifier: MIT
// A callback that nobody asked for, against the service emulation with two accounts: Ada is
// connected, and a web page sends the browser to our address with a token of Marco's. Nothing
// of Marco's is stored or used until the user says Connect. (A callback that answers an
// authorization the user started connects at once: tst_auth.)
#include "StoreHarness.h"
#include "sandbox/Emulator.h"

#include <QDesktopServices>
#include <QSignalSpy>

using namespace Qt::StringLiterals;
using namespace harness;

namespace {
const QString OtherToken = u"ATTAmarcos0token0from0a0page0he0never0visited0b7e3"_s;
}

class TestCallbackAccount : public QObject {
    Q_OBJECT
public slots:
    void openInBrowser(const QUrl &) {} // the authorization page: the browser is not needed

private slots:
    void initTestCase() { QDesktopServices::setUrlHandler(u"https"_s, this, "openInBrowser"); }
    void cleanupTestCase() { QDesktopServices::unsetUrlHandler(u"https"_s); }
    void init();
    // The store first: its open connections would hold up the sandbox's stop.
    void cleanup() { m_state.reset(); }
    void idleCallbackWaitsForTheUser_data();
    void idleCallbackWaitsForTheUser();
    void refusedOrOvertakenCallbackAsksNothing();

private:
    QString stored(const QString &account) const
    {
        return QCoro::waitFor(m_keyring->read(account)).value_or(u"(none)"_s);
    }
    // Requests that carried the given token.
    int requestsWith(const QString &token) const
    {
        int count = 0;
        for (const auto &request : m_service->requests()) {
            count += request.queryValue("token") == token.toStdString() ? 1 : 0;
        }
        return count;
    }

    std::unique_ptr<sandbox::Emulator> m_service;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::shared_ptr<CredentialStore> m_keyring;
    std::unique_ptr<AppState> m_state;
    QString m_key;
    QString m_token;
};

void TestCallbackAccount::init()
{
    m_service = std::make_unique<sandbox::Emulator>();
    QVERIFY(m_service->start() > 0);
    QVERIFY(m_service->acceptToken(OtherToken.toStdString(), "marcobellini"));
    m_key = q(m_service->apiKey());
    m_token = q(m_service->token());
    m_dir = std::make_unique<QTemporaryDir>();
    m_keyring = std::make_shared<MemoryCredentialStore>();
    m_state = makeStore({q(m_service->baseUrl()), m_key, m_token, {}, m_keyring,
                         TrelloAPI::defaultTimeout, m_key},
                        *m_dir);
    QCOMPARE(m_state->session()->member()->username, u"adalindqvist"_s);
    m_service->clearRequests();
}

void TestCallbackAccount::idleCallbackWaitsForTheUser_data()
{
    QTest::addColumn<bool>("connect");
    QTest::newRow("Connect") << true;
    QTest::newRow("Cancel") << false;
}

void TestCallbackAccount::idleCallbackWaitsForTheUser()
{
    QFETCH(bool, connect);
    SessionArea &session = *m_state->session();
    QSignalSpy completed(&session, &SessionArea::authDidComplete);
    QSignalSpy asked(&session, &SessionArea::callbackAccountChanged);

    const Outcome handled = await(session.handleAuthCallback(u"stavelin://auth#token="_s + OtherToken));
    QVERIFY2(handled.ok, qPrintable(handled.error));
    // Checked with the service, and the question names the account it belongs to.
    QCOMPARE(asked.size(), 1);
    QVERIFY(session.callbackAccount());
    QCOMPARE(session.callbackAccount()->username, u"marcobellini"_s);
    QCOMPARE(session.callbackAccount()->fullName, std::optional(u"Marco Bellini"_s));
    QCOMPARE(requestsWith(OtherToken), 1);
    // Nothing is stored or used meanwhile: Ada stays connected, her requests go out as hers.
    QCOMPARE(stored(KeychainHelper::TokenAccount), m_token);
    QCOMPARE(session.token(), m_token);
    QCOMPARE(session.member()->username, u"adalindqvist"_s);
    QCOMPARE(session.credentialsDraftToken(), m_token);
    QVERIFY(await(m_state->boards()->refreshBoards()).ok);
    QCOMPARE(requestsWith(OtherToken), 1);
    QCOMPARE(completed.size(), 0);

    if (connect) {
        const Outcome confirmed = await(session.confirmCallbackAccount());
        QVERIFY2(confirmed.ok, qPrintable(confirmed.error));
        QCOMPARE(stored(KeychainHelper::ApiKeyAccount), m_key);
        QCOMPARE(stored(KeychainHelper::TokenAccount), OtherToken);
        QCOMPARE(session.token(), OtherToken);
        QCOMPARE(session.member()->username, u"marcobellini"_s);
        QCOMPARE(session.credentialsDraftToken(), OtherToken);
        QCOMPARE(session.credentialsStatus(), u"Connected as Marco Bellini."_s);
        QCOMPARE(completed.size(), 1);
    } else {
        session.cancelCallbackAccount();
        QCOMPARE(stored(KeychainHelper::TokenAccount), m_token);
        QCOMPARE(session.token(), m_token);
        QCOMPARE(session.member()->username, u"adalindqvist"_s);
        QCOMPARE(completed.size(), 0);
        // Once answered, the question cannot be answered again.
        QVERIFY(!await(session.confirmCallbackAccount()).ok);
        QCOMPARE(stored(KeychainHelper::TokenAccount), m_token);
        QCOMPARE(requestsWith(OtherToken), 1);
    }
    QVERIFY(!session.callbackAccount());
    QVERIFY(!session.isValidatingCredentials());
}

void TestCallbackAccount::refusedOrOvertakenCallbackAsksNothing()
{
    SessionArea &session = *m_state->session();
    // A token the service refuses: said so in the status line, and Ada stays connected. (The
    // message itself is tst_fault_matrix's.)
    QVERIFY(!await(session.handleAuthCallback(u"stavelin://auth#token=forged"_s)).ok);
    QVERIFY(session.credentialsStatusIsError());
    QVERIFY(!session.callbackAccount());
    QCOMPARE(stored(KeychainHelper::TokenAccount), m_token);
    QCOMPARE(session.token(), m_token);

    // The user connects a pair of their own while the callback's token is being checked:
    // their choice stands, and no question pops up after it.
    m_service->setLatency(std::chrono::milliseconds(150));
    Operation callback = session.handleAuthCallback(u"stavelin://auth#token="_s + OtherToken);
    QVERIFY(session.isValidatingCredentials());
    QVERIFY(await(session.saveCredentials(m_key, m_token)).ok);
    QVERIFY(await(std::move(callback)).ok);
    QVERIFY(!session.callbackAccount());
    QCOMPARE(stored(KeychainHelper::TokenAccount), m_token);
    QCOMPARE(session.member()->username, u"adalindqvist"_s);
    QVERIFY(!session.isValidatingCredentials());
}

QTEST_MAIN(TestCallbackAccount)
#include "tst_callback_account.moc"
