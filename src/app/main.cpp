// SPDX-License-Identifier: MIT
// Stavelin: a tray companion for Trello boards.
#include "AppDelegate.h"
#include "Appearance.h"
#include "DemoSession.h"
#include "DesktopActivation.h"
#include "Screenshots.h"
#include "SingleInstance.h"
#include "TerminationSignals.h"
#include "TestHooks.h"
#include "sandbox/Emulator.h"
#include "platform/KeychainHelper.h"
#include "platform/LoginItem.h"
#include "state/AppState.h"
#include "views/Shell.h"
#include "views/Translations.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QCoroQml>
#include <QIcon>
#include <QNetworkAccessManager>
#include <QQmlEngine>
#include <QQuickWindow>
#include <QTimer>
#include <QtQml/qqmlextensionplugin.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

Q_IMPORT_QML_PLUGIN(StavelinPlugin)

namespace {

// The options, made once the translations are in (their help is translated).
struct CommandLine {
    QCommandLineParser parser;
    QCommandLineOption demo{QStringLiteral("demo"),
                            QCoreApplication::translate("main", "Run on the built-in sandbox with a sample account; no "
                                                                "keyring, no settings of yours are touched.")};
    QCommandLineOption seed{QStringLiteral("demo-seed"),
                            QCoreApplication::translate("main", "The demo's account: sample, large or empty."),
                            QCoreApplication::translate("main", "name"), QStringLiteral("sample")};
    QCommandLineOption screenshots{
        QStringLiteral("screenshot-dir"),
        QCoreApplication::translate("main", "Open the panel and the Settings window and save pictures of them here."),
        QCoreApplication::translate("main", "dir")};
    QCommandLineOption toggle{
        QStringLiteral("toggle"),
        QCoreApplication::translate("main", "Show the panel, or hide it when it is showing; starts Stavelin "
                                            "when it is not running. For a shortcut of the desktop's own.")};
    QCommandLineOption quickAdd{
        QStringLiteral("quick-add"),
        QCoreApplication::translate("main", "Open the small window that adds a card to a list; starts "
                                            "Stavelin when it is not running. For a shortcut of the "
                                            "desktop's own.")};
    QCommandLineOption show{QStringLiteral("show"),
                            QCoreApplication::translate("main", "Show the panel; starts Stavelin when it is "
                                                                "not running.")};

    CommandLine()
    {
        parser.setApplicationDescription(QCoreApplication::translate("main", "A tray companion for Trello boards."));
        parser.addHelpOption();
        parser.addVersionOption();
        parser.addOptions({demo, seed, screenshots, toggle, quickAdd, show});
        parser.addPositionalArgument(QStringLiteral("url"),
                                     QCoreApplication::translate("main", "A stavelin: callback URL from the browser."),
                                     QCoreApplication::translate("main", "[url…]"));
    }
};

// Whether the command line asks for the usage or the version: those are answered without a
// display, as on a console, over ssh or in a package build, where QApplication would abort.
// --help-all still goes through QApplication, whose options it lists.
bool asksForUsage(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        const QByteArrayView argument(argv[i]);
        if (argument == "--") {
            return false;
        }
        if (argument == "-h" || argument == "-?" || argument == "--help" || argument == "-v"
            || argument == "--version") {
            return true;
        }
    }
    return false;
}

// The desktop's permission for this start to take the focus: the XDG activation token a
// launcher or shortcut daemon puts in the environment under Wayland, else the X11 startup id.
// Read before Qt starts: Qt's X11 plugin takes the startup id away. The Wayland token is
// taken out of the environment, so that only the request this start makes presents it.
QString startToken()
{
    QString token = qEnvironmentVariable("XDG_ACTIVATION_TOKEN");
    qunsetenv("XDG_ACTIVATION_TOKEN");
    if (token.isEmpty()) {
        token = qEnvironmentVariable("DESKTOP_STARTUP_ID");
    }
    return SingleInstance::isActivationToken(token) ? token : QString();
}

} // namespace

int main(int argc, char *argv[])
{
    hooks::markStart();
#if defined(__GLIBC__)
    // Blocks of 128 KiB and more (answers, their decoded lists, parsers' buffers) come straight
    // from the system and go back to it when freed. glibc otherwise raises this threshold once
    // such a block is freed, takes the later ones from the heap, and the heap fragments around
    // them: each opening of the large board left about 0.6 MB behind for good, against 0.2 MB
    // with the threshold fixed (bench/soak.sh). MALLOC_MMAP_THRESHOLD_ still overrides it.
    if (!std::getenv("MALLOC_MMAP_THRESHOLD_")) {
        mallopt(M_MMAP_THRESHOLD, 128 * 1024);
    }
#endif
    QApplication::setApplicationName(QStringLiteral("Stavelin"));
    QApplication::setApplicationDisplayName(QStringLiteral("Stavelin"));
    QApplication::setOrganizationName(QStringLiteral("Fennelworks"));
    QApplication::setOrganizationDomain(QStringLiteral("fennelworks.com"));
    QApplication::setApplicationVersion(QStringLiteral(STAVELIN_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("com.fennelworks.StavelinTrello"));
    // A small panel on a machine that may have no GPU: the software scene graph starts faster
    // and needs far less memory than OpenGL (see the README). QT_QUICK_BACKEND or
    // QSG_RHI_BACKEND still choose another renderer, for measuring.
    if (qEnvironmentVariableIsEmpty("QT_QUICK_BACKEND") && qEnvironmentVariableIsEmpty("QSG_RHI_BACKEND")) {
        QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    }

    if (asksForUsage(argc, argv)) {
        QCoreApplication console(argc, argv);
        translations::install(&console);
        CommandLine commandLine;
        commandLine.parser.process(console); // prints, then exits
        return 0;
    }

    hooks::trace(QStringLiteral("main at %1 ms").arg(hooks::elapsedMs(), 0, 'f', 1));
    const QString activationToken = startToken();
    QApplication app(argc, argv);
    hooks::trace(QStringLiteral("application at %1 ms on %2")
                     .arg(hooks::elapsedMs(), 0, 'f', 1)
                     .arg(QGuiApplication::platformName()));
    QApplication::setQuitOnLastWindowClosed(false); // closing Settings or About never quits
    // The user's language, before the first text is made (the options' help included).
    const QString translation = translations::install(&app);
    if (!translation.isEmpty()) {
        hooks::trace(QStringLiteral("translation ") + translation);
    }

    CommandLine commandLine;
    QCommandLineParser &parser = commandLine.parser;
    parser.process(app);
    const bool demo = parser.isSet(commandLine.demo);
    const QString seedName = parser.value(commandLine.seed);
    if (seedName != QLatin1String("sample") && seedName != QLatin1String("large")
        && seedName != QLatin1String("empty")) {
        std::fprintf(stderr, "stavelin: unknown demo account \"%s\" (sample, large or empty)\n",
                     seedName.toUtf8().constData());
        return 2;
    }
    SingleInstance::Request request;
    request.urls = parser.positionalArguments();
    request.action = parser.isSet(commandLine.toggle)     ? SingleInstance::Request::Action::Toggle
                     : parser.isSet(commandLine.quickAdd) ? SingleInstance::Request::Action::QuickAdd
                     : parser.isSet(commandLine.show)     ? SingleInstance::Request::Action::Show
                                                          : SingleInstance::Request::Action::Open;
    request.activationToken = activationToken;

    // One program per user; the demo runs beside it, with its own socket.
    SingleInstance instance(demo ? QStringLiteral("stavelin-demo") : QStringLiteral("stavelin"));
    switch (instance.claim(request)) {
    case SingleInstance::Role::HandedOver:
        hooks::trace(QStringLiteral("handed over to the running program"));
        return 0;
    case SingleInstance::Role::Failed:
        std::fprintf(stderr, "stavelin: Stavelin is already running but does not answer.\n");
        return 1;
    case SingleInstance::Role::Primary:
        break;
    }
    // A logout or `kill` ends the run as Quit Stavelin does.
    TerminationSignals termination;
    QObject::connect(&termination, &TerminationSignals::received, &app, [](int signalNumber) {
        hooks::trace(QStringLiteral("ending on signal %1").arg(signalNumber));
        QCoreApplication::quit();
    });

    QApplication::setWindowIcon(QIcon(QStringLiteral(":/shell/icons/stavelin.svg")));
    // Light or dark as the desktop prefers, and its changes while we run.
    Appearance appearance;
    if (hooks::enabled()) {
        QObject::connect(&appearance, &Appearance::applied, [](auto preference) {
            hooks::trace(QStringLiteral("appearance %1").arg(
                preference == ColorSchemeWatcher::Preference::Dark    ? QStringLiteral("dark")
                : preference == ColorSchemeWatcher::Preference::Light ? QStringLiteral("light")
                                                                       : QStringLiteral("platform")));
        });
    }
    appearance.start();
    QCoro::Qml::registerTypes();

    std::unique_ptr<DemoSession> demoSession;
    AppState::Dependencies dependencies;
    if (demo) {
        const sandbox::Seed seed = seedName == QLatin1String("large") ? sandbox::Seed::Large
                                   : seedName == QLatin1String("empty") ? sandbox::Seed::Empty
                                                                         : sandbox::Seed::Sample;
        demoSession = std::make_unique<DemoSession>(seed);
        if (!demoSession->isRunning()) {
            std::fprintf(stderr, "stavelin: the demo's sandbox could not start\n");
            return 1;
        }
        dependencies = demoSession->dependencies();
        // Tests check what reached the service there; the address carries no credentials.
        hooks::trace(QStringLiteral("demo sandbox at ") + dependencies.baseURL.toString());
    } else {
        // The user's own: the desktop keyring, preferences and autostart folder.
        dependencies.credentials = std::make_shared<KeychainHelper>();
        dependencies.settings = std::make_unique<QSettings>();
        dependencies.loginItem = std::make_unique<LoginItem>();
    }
    // One network manager for the whole run: its connections are reused by every request.
    QNetworkAccessManager network;
    dependencies.network = &network;

    AppState state(std::move(dependencies));
    AppState::setInstance(&state);
    QQmlEngine engine;
    // Qt 6.4 keeps a static module's files under qrc:/<URI>/, which is not on the import path.
    engine.addImportPath(QStringLiteral("qrc:/"));

    hooks::trace(QStringLiteral("store at %1 ms").arg(hooks::elapsedMs(), 0, 'f', 1));
    AppDelegate delegate(&state, &engine);
    delegate.setRegistersUrlScheme(!demo);
    std::unique_ptr<TestTraces> traces;
    if (hooks::enabled()) {
        traces = std::make_unique<TestTraces>(&delegate, &state);
    }
    delegate.start();
    const auto serve = [&delegate](const SingleInstance::Request &request) {
        switch (request.action) {
        case SingleInstance::Request::Action::Toggle:
            hooks::trace(QStringLiteral("asked to toggle the panel"));
            delegate.togglePanelWithToken(request.activationToken);
            break;
        case SingleInstance::Request::Action::Show:
            delegate.showPanel(request.activationToken);
            break;
        case SingleInstance::Request::Action::QuickAdd:
            hooks::trace(QStringLiteral("asked for quick add"));
            delegate.showQuickAdd(request.activationToken);
            break;
        case SingleInstance::Request::Action::Open:
            delegate.openArguments(request.urls, request.activationToken);
            break;
        }
    };
    QObject::connect(&instance, &SingleInstance::requested, &delegate, serve);
    // The first start shows the panel when asked to, or for its URLs.
    if (!request.urls.isEmpty() || request.action != SingleInstance::Request::Action::Open) {
        serve(request);
    }
    // Callback URLs from a desktop that opens them through D-Bus: no second start, and no
    // command line carrying the token. The demo leaves the name to the real program.
    std::unique_ptr<DesktopActivation> activation;
    if (!demo) {
        activation = std::make_unique<DesktopActivation>();
        QObject::connect(activation.get(), &DesktopActivation::activated, &delegate,
                         &AppDelegate::showPanel);
        QObject::connect(activation.get(), &DesktopActivation::opened, &delegate,
                         [&delegate](const QStringList &uris, const QString &token) {
                             hooks::trace(QStringLiteral("opened through D-Bus"));
                             delegate.openArguments(uris, token);
                         });
        QObject::connect(activation.get(), &DesktopActivation::toggleRequested, &delegate,
                         [&delegate](const QString &token) {
                             hooks::trace(QStringLiteral("asked to toggle the panel"));
                             delegate.togglePanelWithToken(token);
                         });
        QObject::connect(activation.get(), &DesktopActivation::quickAddRequested, &delegate,
                         [&delegate](const QString &token) {
                             hooks::trace(QStringLiteral("asked for quick add"));
                             delegate.showQuickAdd(token);
                         });
        QString unavailable;
        if (activation->publish(QDBusConnection::sessionBus(), &unavailable)) {
            hooks::trace(QStringLiteral("on the session bus as ") + DesktopActivation::ApplicationId);
        } else {
            hooks::trace(QStringLiteral("not on the session bus: ") + unavailable);
        }
    }

    std::unique_ptr<TestCommands> commands;
    if (hooks::enabled()) {
        commands = std::make_unique<TestCommands>(&delegate, &state, Shell::instance());
        if (demoSession) {
            sandbox::Emulator *emulator = demoSession->emulator();
            commands->setRefuser([emulator](const QString &method, const QString &pattern,
                                            int status, const QString &text) {
                sandbox::Response refusal;
                refusal.status = status;
                refusal.contentType = "text/plain; charset=utf-8";
                refusal.body = text.toStdString();
                emulator->injectFault(method.toStdString(), pattern.toStdString(), refusal);
            });
        }
    }
    if (parser.isSet(commandLine.screenshots)) {
        saveScreenshots(&delegate, &state, parser.value(commandLine.screenshots));
    }
    return app.exec();
}
