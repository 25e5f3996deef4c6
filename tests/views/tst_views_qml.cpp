// SPDX-License-Identifier: MIT
// Runs the QML tests in qml/ against the statically linked Stavelin module, with the one
// AppState connected to the sandbox service on loopback. Tests reach the sandbox through the
// `Sandbox` singleton of `import StavelinTest`.
//
// STAVELIN_TEST_PALETTE=dark runs everything in a dark palette.
#include "platform/CredentialStore.h"
#include "platform/KeychainHelper.h"
#include "platform/LoginItem.h"
#include "sandbox/Emulator.h"
#include "state/AppState.h"
#include "views/Theme.h"
#include "views/Translations.h"

#include <QCoroQml>
#include <QCoroTask>
#include <QDeadlineTimer>
#include <QDesktopServices>
#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPalette>
#include <QPointer>
#include <QQmlEngine>
#include <QSettings>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QUrlQuery>
#include <QVariantMap>
#include <QtQml/qqmlextensionplugin.h>
#include <QtQuickTest>

#include <memory>
#include <regex>

using namespace Qt::StringLiterals;

Q_IMPORT_QML_PLUGIN(StavelinPlugin)

// The in-memory keyring, which refuses to store while `refusing` is set (as a locked or
// missing keyring does).
class RefusableCredentialStore : public MemoryCredentialStore {
public:
    static inline bool refusing = false;
    QCoro::Task<bool> save(const QString &account, const QString &value) override
    {
        if (refusing) {
            co_return false;
        }
        co_return co_await MemoryCredentialStore::save(account, value);
    }
};

// The sandbox as the tests see it: its credentials, fresh data on demand, injected failures
// and the requests it received.
class SandboxControl : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString apiKey READ apiKey CONSTANT)
    Q_PROPERTY(QString token READ token CONSTANT)
    Q_PROPERTY(QString seed READ seed NOTIFY seedChanged)
    Q_PROPERTY(QString baseUrl READ baseUrl CONSTANT)
public:
    explicit SandboxControl(QObject *parent = nullptr) : QObject(parent)
    {
        start(sandbox::Seed::Sample);
        // A host of pictures that a card's text names, which nothing may reach.
        m_pictureHost.listen(QHostAddress::LocalHost);
        connect(&m_pictureHost, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = m_pictureHost.nextPendingConnection()) {
                ++m_pictureHostConnections;
                socket->close();
                socket->deleteLater();
            }
        });
        // What the program hands to the desktop to open, caught before any browser starts.
        for (const char *scheme : kOpenedSchemes)
            QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), this, "urlOpened");
    }
    ~SandboxControl() override
    {
        for (const char *scheme : kOpenedSchemes)
            QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
    }
    static constexpr const char *kOpenedSchemes[] = {"http", "https", "mailto", "file",
                                                     "javascript", "data", "ftp"};

    Q_INVOKABLE QString pictureHost() const
    {
        return u"http://127.0.0.1:%1"_s.arg(m_pictureHost.serverPort());
    }
    Q_INVOKABLE int pictureHostConnections() const { return m_pictureHostConnections; }
    // Every address handed to QDesktopServices::openUrl since the last call.
    Q_INVOKABLE QStringList takeOpenedUrls() { return std::exchange(m_openedUrls, {}); }
    Q_INVOKABLE void urlOpened(const QUrl &url) { m_openedUrls.append(url.toString()); }

    QString baseUrl() const { return QString::fromStdString(m_emulator->baseUrl()); }
    QString apiKey() const { return QString::fromStdString(m_emulator->apiKey()); }
    QString token() const { return QString::fromStdString(m_emulator->token()); }
    QString seed() const { return m_seed; }

    // Starts over with fresh data ("sample" or "empty") on the same address.
    Q_INVOKABLE bool reset(const QString &seed)
    {
        const bool empty = seed == u"empty"_s;
        m_seed = empty ? seed : u"sample"_s;
        Q_EMIT seedChanged();
        return start(empty ? sandbox::Seed::Empty : sandbox::Seed::Sample);
    }

    // The next matching request fails with this status and body.
    Q_INVOKABLE void failNext(const QString &method, const QString &pathPattern, int status,
                              const QString &body)
    {
        m_emulator->injectFault(method.toStdString(), pathPattern.toStdString(),
                                sandbox::Response::text(body.toStdString(), status));
    }

    Q_SIGNAL void seedChanged();

    // The service out of reach: nothing listens at its address any more.
    Q_INVOKABLE void stopListening()
    {
        waitForRequests();
        m_emulator->stop();
    }
    // Listening again at the same address; the store probes at once instead of in half a minute.
    Q_INVOKABLE bool listenAgain()
    {
        const bool listening = m_emulator->start(m_emulator->port()) > 0;
        if (auto *store = qobject_cast<AppState *>(m_store.data())) {
            store->connectivity()->probeNow();
        }
        return listening;
    }

    // The keyring (not the service, but the tests' other outside party) refuses to store.
    Q_INVOKABLE void setKeyringRefuses(bool refuses) { RefusableCredentialStore::refusing = refuses; }

    Q_INVOKABLE void setLatency(int ms) { m_emulator->setLatency(std::chrono::milliseconds(ms)); }

    // A second account: this token (with the same key) signs in as the member of that username.
    Q_INVOKABLE bool acceptToken(const QString &token, const QString &username)
    {
        return m_emulator->acceptToken(token.toStdString(), username.toStdString());
    }

    // A change made elsewhere (on the service's web site, say): one request of our own to the
    // sandbox, past the store. Waits for the answer; true on a 2xx status.
    Q_INVOKABLE bool send(const QString &method, const QString &path, const QVariantMap &items)
    {
        QUrlQuery query;
        query.addQueryItem(u"key"_s, apiKey());
        query.addQueryItem(u"token"_s, token());
        for (auto item = items.cbegin(); item != items.cend(); ++item) {
            query.addQueryItem(item.key(), item.value().toString());
        }
        QUrl url(baseUrl() + path);
        url.setQuery(query);
        QNetworkAccessManager network;
        std::unique_ptr<QNetworkReply> reply(
            network.sendCustomRequest(QNetworkRequest(url), method.toUtf8(), QByteArray()));
        QEventLoop loop;
        connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
        loop.exec();
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        return status >= 200 && status < 300;
    }

    // The query items of every request matching method and path, oldest first.
    Q_INVOKABLE QVariantList requests(const QString &method, const QString &pathPattern) const
    {
        const std::regex pattern(pathPattern.toStdString());
        QVariantList found;
        for (const sandbox::RecordedRequest &request : m_emulator->requests()) {
            if (request.method != method.toStdString() ||
                !std::regex_match(request.path, pattern)) {
                continue;
            }
            QVariantMap query;
            for (const auto &[name, value] : request.query) {
                query.insert(QString::fromStdString(name), QString::fromStdString(value));
            }
            found.append(query);
        }
        return found;
    }

    // A file of the test's own on disk, to upload; its URL (empty if it cannot be written).
    Q_INVOKABLE QUrl writeFile(const QString &name, const QString &contents)
    {
        QFile file(m_files.filePath(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(contents.toUtf8()) < 0) {
            return {};
        }
        return QUrl::fromLocalFile(file.fileName());
    }

    // Lets the store's requests still out (a reload that a test did not wait for) come back.
    void waitForRequests()
    {
        if (!m_store) {
            return;
        }
        const auto networks = m_store->findChildren<QNetworkAccessManager *>();
        const auto running = [&networks] {
            for (auto *network : networks) {
                for (auto *reply : network->findChildren<QNetworkReply *>()) {
                    if (reply->isRunning())
                        return true;
                }
            }
            return false;
        };
        QDeadlineTimer deadline(30000);
        while (running() && !deadline.hasExpired()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        }
    }

private:
    bool start(sandbox::Seed seed)
    {
        const int port = m_emulator ? m_emulator->port() : 0;
        // The store's idle keep-alive connections would hold the old server's workers for
        // their whole time-out (seconds per reset): close them first, once the requests on
        // them have come back (a request on a connection closed under it never ends).
        if (m_store) {
            waitForRequests();
            for (auto *network : m_store->findChildren<QNetworkAccessManager *>())
                network->clearConnectionCache();
            QCoreApplication::processEvents();
        }
        m_emulator.reset();
        sandbox::Options options;
        options.seed = seed;
        // Without the service's limits: one service serves every view test in turn, a few
        // hundred requests in seconds. The store's and the end-to-end tests run with them.
        options.rateLimits.reset();
        m_emulator = std::make_unique<sandbox::Emulator>(options);
        return m_emulator->start(port) > 0;
    }

    std::unique_ptr<sandbox::Emulator> m_emulator;
    QTcpServer m_pictureHost;
    int m_pictureHostConnections = 0;
    QStringList m_openedUrls;
    QString m_seed = u"sample"_s;
    QTemporaryDir m_files;

public:
    QPointer<QObject> m_store; // the store under test, whose connections a reset closes
};

class Setup : public QObject {
    Q_OBJECT
public slots:
    void applicationAvailable()
    {
        QCoro::Qml::registerTypes();
        // English, whatever the machine's language: the tests read the texts.
        translations::install(QCoreApplication::instance(), QLocale(QLocale::English));
        if (qEnvironmentVariable("STAVELIN_TEST_PALETTE") == u"dark"_s) {
            QGuiApplication::setPalette(theme::darkPalette());
        }

        m_sandbox = new SandboxControl(this);
        qmlRegisterSingletonType<SandboxControl>(
            "StavelinTest", 1, 0, "Sandbox", [this](QQmlEngine *, QJSEngine *) -> QObject * {
                QJSEngine::setObjectOwnership(m_sandbox, QJSEngine::CppOwnership);
                return m_sandbox;
            });

        // A connected account, with nothing of the user's touched: credentials in memory,
        // preferences and the login item in a temporary folder.
        auto credentials = std::make_unique<RefusableCredentialStore>();
        QCoro::waitFor(credentials->save(KeychainHelper::ApiKeyAccount, m_sandbox->apiKey()));
        QCoro::waitFor(credentials->save(KeychainHelper::TokenAccount, m_sandbox->token()));
        AppState::Dependencies dependencies;
        dependencies.credentials = std::move(credentials);
        dependencies.settings =
            std::make_unique<QSettings>(m_dir.filePath(u"settings.ini"_s), QSettings::IniFormat);
        dependencies.loginItem =
            std::make_unique<LoginItem>(m_dir.filePath(u"autostart"_s), u"/usr/bin/true"_s);
        dependencies.baseURL = QUrl(m_sandbox->baseUrl());
        // The program's own key is the one the sandbox knows, as in the demo.
        dependencies.builtInAppKey = m_sandbox->apiKey();
        m_state = new AppState(std::move(dependencies), this);
        m_sandbox->m_store = m_state;
        AppState::setInstance(m_state);
        QCoro::waitFor(m_state->startup());
    }

    // With Qt 6.4 a static module's files live under qrc:/<URI>/, which is not on the default
    // import path.
    void qmlEngineAvailable(QQmlEngine *engine) { engine->addImportPath(u"qrc:/"_s); }

    // The store ends with the run: what it still has out comes back first, so that no
    // operation is cut off midway (its coroutines would never be resumed nor freed).
    void cleanupTestCase() { m_sandbox->waitForRequests(); }

private:

    QTemporaryDir m_dir;
    SandboxControl *m_sandbox = nullptr;
    AppState *m_state = nullptr;
};

QUICK_TEST_MAIN_WITH_SETUP(views, Setup)

#include "tst_views_qml.moc"
