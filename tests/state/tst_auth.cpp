// SPDX-License-Identifier: MIT
// Browser authorization (the page we open, the callback we accept) and the login item.
#include "ScriptedCard.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QUrlQuery>

using namespace Qt::StringLiterals;
using namespace harness;
using sandbox::Response;

namespace {
const QString BuiltInKey = u"3f9d0c7a5e1b48d2a6c4e8f07b19d5c3"_s;
}

class TestAuth : public QObject {
    Q_OBJECT
public slots:
    // Stands in for the browser.
    void openInBrowser(const QUrl &url) { m_opened.append(url); }

private slots:
    void init();
    void cleanupTestCase() { QDesktopServices::unsetUrlHandler(u"https"_s); }
    void authorizationPage();
    void beginWithAndWithoutKey();
    void callbacks_data();
    void callbacks();
    void loginItem();

private:
    struct Rig {
        sandbox::LoopbackServer server;
        QTemporaryDir dir;
        std::unique_ptr<AppState> state;
    };
    // A store without credentials; validation answers as ann unless told otherwise.
    std::unique_ptr<Rig> makeRig(const QString &builtInKey = BuiltInKey, bool accept = true);

    QList<QUrl> m_opened;
};

std::unique_ptr<TestAuth::Rig> TestAuth::makeRig(const QString &builtInKey, bool accept)
{
    auto rig = std::make_unique<Rig>();
    rig->server.start();
    rig->server.route("GET", "/1/members/me",
                      accept ? Response::json(json(memberJson(MemberID, u"ann"_s, u"Ann Example"_s)))
                             : Response::text("invalid token", 401));
    rig->server.route("GET", "/1/members/me/boards", Response::json("[]"));
    AppState::Dependencies deps;
    deps.credentials = std::make_unique<MemoryCredentialStore>();
    deps.settings = std::make_unique<QSettings>(rig->dir.filePath(u"prefs.ini"_s), QSettings::IniFormat);
    deps.loginItem = std::make_unique<LoginItem>(rig->dir.filePath(u"autostart"_s), u"/usr/bin/stavelin"_s);
    deps.baseURL = QUrl(q(rig->server.baseUrl()));
    deps.builtInAppKey = builtInKey;
    rig->state = std::make_unique<AppState>(std::move(deps));
    await(rig->state->startup());
    return rig;
}

void TestAuth::init()
{
    m_opened.clear();
    QDesktopServices::setUrlHandler(u"https"_s, this, "openInBrowser");
}

void TestAuth::authorizationPage()
{
    const QUrl page = SessionArea::authorizationURL(BuiltInKey);
    QCOMPARE(page.scheme(), u"https"_s);
    QCOMPARE(page.path(), u"/1/authorize"_s);
    const QList<std::pair<QString, QString>> expected{
        {u"expiration"_s, u"never"_s},          {u"name"_s, u"Stavelin"_s},
        {u"scope"_s, u"read,write"_s},          {u"response_type"_s, u"token"_s},
        {u"callback_method"_s, u"fragment"_s},  {u"return_url"_s, u"stavelin://auth"_s},
        {u"key"_s, BuiltInKey}};
    QCOMPARE(QUrlQuery(page).queryItems(QUrl::FullyDecoded), expected);

    // A typed key with characters that would end or split an item stays one value.
    const QString odd = u"a&b=c+d #e%f"_s;
    const QUrlQuery query(SessionArea::authorizationURL(odd));
    QCOMPARE(query.queryItems(QUrl::FullyDecoded).size(), 7);
    QCOMPARE(query.queryItemValue(u"key"_s, QUrl::FullyDecoded), odd);
    QVERIFY(!SessionArea::authorizationURL(odd).toString(QUrl::FullyEncoded).contains(u'+'));
}

void TestAuth::beginWithAndWithoutKey()
{
    // The built-in key wins over anything typed.
    auto rig = makeRig();
    rig->state->session()->setCredentialsDraftKey(u"typed"_s);
    rig->state->session()->beginBrowserAuth();
    QCOMPARE(rig->state->session()->pendingAuthKey(), std::optional(BuiltInKey));
    QCOMPARE(m_opened, QList<QUrl>{SessionArea::authorizationURL(BuiltInKey)});
    QVERIFY(rig->state->session()->credentialsStatus().isEmpty());

    // Without one, the typed key, trimmed; without that, the form says so.
    auto keyless = makeRig(QString());
    m_opened.clear();
    keyless->state->session()->setCredentialsDraftKey(u"  \t\n"_s);
    keyless->state->session()->beginBrowserAuth();
    QVERIFY(m_opened.isEmpty());
    QVERIFY(!keyless->state->session()->pendingAuthKey());
    QCOMPARE(keyless->state->session()->credentialsStatus(), u"No API key available \u2014 enter one below."_s);
    QVERIFY(keyless->state->session()->credentialsStatusIsError());
    keyless->state->session()->setCredentialsDraftKey(u" typedkey\n"_s);
    keyless->state->session()->beginBrowserAuth();
    QCOMPARE(keyless->state->session()->pendingAuthKey(), std::optional(u"typedkey"_s));
    QCOMPARE(QUrlQuery(m_opened.value(0)).queryItemValue(u"key"_s), u"typedkey"_s);
    QVERIFY(keyless->server.requests().empty());
}

void TestAuth::callbacks_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("token"); // "" = no usable token, "-" = ignored altogether
    QTest::newRow("other items around it") << u"stavelin://auth#state=x&token=abc&&error="_s << u"abc"_s;
    QTest::newRow("equals sign kept") << u"stavelin://auth#token=ab=cd=="_s << u"ab=cd=="_s;
    QTest::newRow("percent-encoded") << u"stavelin://auth#token=ab%3Dcd%2Bef%20g"_s << u"ab=cd+ef g"_s;
    QTest::newRow("encoded & and = stay in the value")
        << u"stavelin://auth#token=ab%26cd%3D&state=x%26token%3Dy"_s << u"ab&cd="_s;
    QTest::newRow("later token wins") << u"stavelin://auth#token=first&token=second"_s << u"second"_s;
    QTest::newRow("host and path unchecked") << u"stavelin:/elsewhere#token=abc"_s << u"abc"_s;
    QTest::newRow("denied") << u"stavelin://auth#token=&error=Token%20request%20rejected"_s << QString();
    QTest::newRow("token in the query") << u"stavelin://auth?token=abc"_s << QString();
    QTest::newRow("name only") << u"stavelin://auth#token"_s << QString();
    QTest::newRow("nameless value") << u"stavelin://auth#=abc"_s << QString();
    QTest::newRow("upper-case scheme") << u"STAVELIN://auth#token=abc"_s << u"-"_s;
    QTest::newRow("foreign scheme") << u"https://auth#token=abc"_s << u"-"_s;
    QTest::newRow("empty") << QString() << u"-"_s;
}

void TestAuth::callbacks()
{
    QFETCH(QString, url);
    QFETCH(QString, token);
    auto rig = makeRig();
    AppState &state = *rig->state;
    QSignalSpy completed(state.session(), &SessionArea::authDidComplete);
    state.session()->beginBrowserAuth();

    await(state.session()->handleAuthCallback(url));

    if (token == u"-") {
        QVERIFY(rig->server.requests().empty());
        QVERIFY(state.session()->credentialsStatus().isEmpty());
        QVERIFY(!state.errors()->message());
        QCOMPARE(state.session()->pendingAuthKey(), std::optional(BuiltInKey));
    } else if (token.isEmpty()) {
        QVERIFY(rig->server.requests().empty());
        QCOMPARE(state.session()->credentialsStatus(), u"Trello authorization was cancelled or failed."_s);
        QVERIFY(state.session()->credentialsStatusIsError());
        QCOMPARE(state.errorMessage(), u"Trello authorization did not return a token."_s);
        QCOMPARE(state.session()->pendingAuthKey(), std::optional(BuiltInKey));
        QVERIFY(!state.session()->hasCredentials());
    } else {
        const auto requests = rig->server.requests();
        QVERIFY(!requests.empty());
        QCOMPARE(requests.front().queryValue("key"), std::optional(BuiltInKey.toStdString()));
        QCOMPARE(requests.front().queryValue("token"), std::optional(token.toStdString()));
        QCOMPARE(state.session()->apiKey(), BuiltInKey);
        QCOMPARE(state.session()->token(), token);
        QCOMPARE(state.session()->credentialsDraftKey(), BuiltInKey);
        QCOMPARE(state.session()->credentialsDraftToken(), token);
        QCOMPARE(state.session()->credentialsStatus(), u"Connected as Ann Example."_s);
        QVERIFY(!state.session()->credentialsStatusIsError());
        QVERIFY(!state.session()->isValidatingCredentials());
        // Answering the authorization started here: connected at once, nothing asked, and the
        // next callback is one nobody asked for.
        QVERIFY(!state.session()->callbackAccount());
        QVERIFY(!state.session()->pendingAuthKey());
        QCOMPARE(completed.size(), 1);
        return;
    }
    QCOMPARE(completed.size(), 0);
}

void TestAuth::loginItem()
{
    auto rig = makeRig();
    AppState &state = *rig->state;
    const QString entry = rig->dir.filePath(u"autostart/"_s + LoginItem::FileName);
    // Switching it on and off from the form: tst_settingsviews.qml; the entry: tst_loginitem.
    // A store started with the entry in place shows it enabled.
    QVERIFY(!state.session()->launchAtLogin());
    state.session()->setLaunchAtLogin(true);
    QVERIFY(QFile::exists(entry));
    auto second = std::make_unique<AppState>([&] {
        AppState::Dependencies deps;
        deps.credentials = std::make_unique<MemoryCredentialStore>();
        deps.settings = std::make_unique<QSettings>(rig->dir.filePath(u"prefs.ini"_s), QSettings::IniFormat);
        deps.loginItem = std::make_unique<LoginItem>(rig->dir.filePath(u"autostart"_s), u"/usr/bin/stavelin"_s);
        deps.baseURL = QUrl(q(rig->server.baseUrl()));
        return deps;
    }());
    QVERIFY(second->session()->launchAtLogin());

    // A config home where the autostart folder cannot be made (a file is in the way; tests
    // run as root, where permissions stop nothing).
    auto blocked = makeRig();
    QFile obstacle(blocked->dir.filePath(u"autostart"_s));
    QVERIFY(obstacle.open(QIODevice::WriteOnly));
    obstacle.close();
    blocked->state->session()->setLaunchAtLogin(true);
    QVERIFY(!blocked->state->session()->launchAtLogin());
    QVERIFY(blocked->state->errorMessage().startsWith(u"Could not update login item: "_s));
    QVERIFY(!blocked->state->errorMessage().contains(u'\n'));

    // No login item support at all.
    AppState::Dependencies deps;
    deps.credentials = std::make_unique<MemoryCredentialStore>();
    deps.settings = std::make_unique<QSettings>(rig->dir.filePath(u"prefs2.ini"_s), QSettings::IniFormat);
    deps.loginItem = nullptr;
    deps.baseURL = QUrl(q(rig->server.baseUrl()));
    AppState bare(std::move(deps));
    bare.session()->setLaunchAtLogin(true);
    QVERIFY(!bare.session()->launchAtLogin());
    QVERIFY(bare.errorMessage().startsWith(u"Could not update login item: "_s));
}

QTEST_MAIN(TestAuth)
#include "tst_auth.moc"
