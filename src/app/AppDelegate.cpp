// SPDX-License-Identifier: MIT
#include "AppDelegate.h"

#include "AboutWindow.h"
#include "PanelPlacement.h"
#include "PanelWindow.h"
#include "UrlSchemeRegistration.h"
#include "platform/GlobalHotKey.h"
#include "platform/X11Desktop.h"
#include "state/AppState.h"
#include "views/Shell.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QFile>
#include <QMenu>
#include <QMetaMethod>
#include <QQuickItem>
#include <QQuickView>
#include <QScreen>
#include <QTimer>

namespace {

// A view of the Stavelin module by its path under views/, or the stand-in when this build
// does not have it.
QUrl viewUrl(const QString &name)
{
    const QString path = QStringLiteral(":/Stavelin/views/") + name;
    return QFile::exists(path) ? QUrl(QStringLiteral("qrc") + path)
                               : QUrl(QStringLiteral("qrc:/shell/qml/PlaceholderView.qml"));
}

// A click on the tray icon takes the focus from the panel before it arrives: the panel has
// just hidden itself, and the click must not show it again.
constexpr qint64 ClickAfterFocusLossMs = 400;

// Some D-Bus tray hosts activate the icon twice for the second click of a double click (for
// the press, and again for the double click it completes), a few milliseconds apart. No hand
// clicks that fast, so there a second activation within this time is the same click. (Qt
// reports each click on an XEmbed icon once.)
constexpr qint64 SameClickMs = 50;

} // namespace

AppDelegate::AppDelegate(AppState *state, QQmlEngine *engine, QObject *parent)
    : QObject(parent), m_state(state), m_engine(engine)
{
}

AppDelegate::~AppDelegate() = default;

void AppDelegate::start()
{
    // The icon first: it is what the user waits for.
    m_tray = new QSystemTrayIcon(this);
    m_tray->setIcon(QIcon(trayIconPath()));
    m_tray->setToolTip(QStringLiteral("Stavelin"));
    connect(m_tray, &QSystemTrayIcon::activated, this, &AppDelegate::onTrayActivated);
    m_tray->show();
    Q_EMIT trayIconShown();
    exportTrayMenu();
    // The panel is built as soon as the tray host has the icon, so that building it does not
    // hold up the icon's first paint. Anything that needs it earlier builds it at once.
    watchTrayThenBuildPanel();
    startServices();
}

void AppDelegate::ensurePanel()
{
    if (m_panel) {
        return;
    }
    m_panel = std::make_unique<PanelWindow>(m_engine, viewUrl(QStringLiteral("MenuBarRootView.qml")),
                                            m_state->isExpanded());
    connect(m_panel.get(), &PanelWindow::hideRequested, this, &AppDelegate::hidePanel);
    connect(m_panel.get(), &QWindow::visibleChanged, this, &AppDelegate::syncTrayMenu);
    connect(m_panel.get(), &QWindow::activeChanged, this, [this] {
        m_activeSinceShown = m_activeSinceShown || m_panel->isActive();
    });
    connect(m_panel.get(), &QQuickWindow::frameSwapped, this, [this] {
        if (m_showPending) {
            m_showPending = false;
            Q_EMIT panelShown(m_panel->geometry());
        }
    });
    Q_EMIT panelBuilt();
}

void AppDelegate::startServices()
{
    QString hotKeyError;
    m_hotKey = GlobalHotKey::create(GlobalHotKey::DefaultCombination, [this] { togglePanel(); },
                                    &hotKeyError);
    if (m_hotKey) {
        Q_EMIT hotKeyReady();
    } else {
        Q_EMIT hotKeyUnavailable(hotKeyError);
    }

    connectShell();
    connect(m_state, &AppState::isExpandedChanged, this, &AppDelegate::resizeForExpanded);
    connect(qApp, &QGuiApplication::applicationStateChanged, this,
            &AppDelegate::onApplicationStateChanged);

    // A build run from its tree has no desktop entry for the callback URL; it registers one
    // for itself right before the browser is sent to the authorization page.
    connect(m_state->session(), &SessionArea::browserAuthWillOpen, this,
            &AppDelegate::registerUrlScheme);
}

void AppDelegate::registerUrlScheme()
{
    if (m_registersUrlScheme) {
        urlscheme::registerBuildTreeHandler();
    }
}

void AppDelegate::connectShell()
{
    Shell *shell = Shell::instance();
    connect(shell, &Shell::hidePanelRequested, this, &AppDelegate::hidePanel);
    connect(shell, &Shell::quitRequested, qApp, &QCoreApplication::quit);
    // The Settings window opens where the panel was; the panel would cover it.
    connect(shell, &Shell::settingsWindowRequested, this, [this] {
        hidePanel();
        showSettingsWindow();
    });
}

QString AppDelegate::trayIconPath()
{
    return QStringLiteral(":/shell/icons/tray.svg");
}

// The window Qt puts the icon in for an XEmbed tray; a D-Bus tray host draws the icon itself.
static QWidget *xembedIconWindow()
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (widget->inherits("QSystemTrayIconSys")) {
            return widget;
        }
    }
    return nullptr;
}

// Where the tray host shows the icon, once it has taken the icon's window in; only then can
// it be clicked. Without X11 the icon counts as ready once it has a geometry.
static std::optional<QRect> embeddedTrayIcon(const QRect &geometry)
{
    if (!geometry.isValid() || geometry.isEmpty()) {
        return std::nullopt;
    }
    if (!x11::isAvailable()) {
        return geometry;
    }
    if (QWidget *window = xembedIconWindow()) {
        const std::optional<QPoint> at = x11::embeddedPosition(window->winId());
        return at ? std::optional<QRect>(QRect(*at, geometry.size())) : std::nullopt;
    }
    return geometry;
}

void AppDelegate::watchTrayThenBuildPanel()
{
    constexpr qint64 longestWaitForPanelMs = 150; // no tray host: build the panel anyway
    constexpr qint64 longestWatchMs = 10000;      // the tray host may come later
    auto *poll = new QTimer(this);
    poll->setInterval(2);
    auto since = std::make_shared<QElapsedTimer>();
    since->start();
    // The host moves the icon into place after taking it in: ready once it stays put.
    auto last = std::make_shared<std::optional<QRect>>();
    auto steady = std::make_shared<QElapsedTimer>();
    connect(poll, &QTimer::timeout, this, [this, poll, since, last, steady] {
        const std::optional<QRect> icon = embeddedTrayIcon(m_tray->geometry());
        if (icon != *last) {
            *last = icon;
            steady->start();
        }
        if (icon && !m_trayReady && steady->elapsed() >= 10) {
            m_trayReady = true;
            Q_EMIT trayIconReady(*icon);
            // One more turn of the event loop, so the icon paints before the panel is built.
            QTimer::singleShot(10, this, &AppDelegate::ensurePanel);
        } else if (since->elapsed() > longestWaitForPanelMs) {
            ensurePanel();
        }
        // Once the panel is built, only a watcher of trayIconReady still needs the answer.
        const bool watched = isSignalConnected(QMetaMethod::fromSignal(&AppDelegate::trayIconReady));
        if (m_trayReady || since->elapsed() > longestWatchMs || (!watched && m_panel)) {
            poll->deleteLater();
        }
    });
    poll->start();
}

bool AppDelegate::panelVisible() const
{
    return m_panel && m_panel->isVisible();
}

void AppDelegate::onTrayActivated(QSystemTrayIcon::ActivationReason reason)
{
    switch (reason) {
    case QSystemTrayIcon::Context:
        if (!m_trayMenu) {
            showStatusMenu();
        } else if (!m_trayMenu->isVisible()) {
            // A D-Bus host that draws no menus asks us to; an XEmbed tray that came after the
            // start has shown the exported menu already.
            m_trayMenu->popup(QCursor::pos());
        }
        break;
    case QSystemTrayIcon::Trigger:
    case QSystemTrayIcon::DoubleClick: // every click toggles, however quick the second one
        if (const bool hostedOverDBus = m_trayMenu != nullptr;
            hostedOverDBus && m_lastClick.isValid() && m_lastClick.elapsed() < SameClickMs) {
            break;
        }
        m_lastClick.start();
        if (panelVisible()) {
            hidePanel();
        } else if (!m_autoHidden.isValid() || m_autoHidden.elapsed() > ClickAfterFocusLossMs) {
            showPanelFrom(Anchor::IconOrPointer);
        }
        break;
    default:
        break;
    }
}

void AppDelegate::togglePanel()
{
    if (panelVisible()) {
        hidePanel();
    } else {
        showPanel();
    }
}

void AppDelegate::showPanel()
{
    showPanelFrom(Anchor::Icon);
}

void AppDelegate::showPanelFrom(Anchor anchor)
{
    Q_EMIT panelShowRequested();
    m_pointer = anchor == Anchor::IconOrPointer ? std::optional<QPoint>(QCursor::pos())
                                                : std::nullopt;
    m_autoHidden.invalidate();
    ensurePanel();
    m_panel->updateFrameStyle();
    placePanel();
    m_showPending = true;
    m_activeSinceShown = m_panel->isVisible() && m_panel->isActive();
    m_panel->show();
    m_panel->raise();
    m_panel->requestActivate();
    refreshThen({});
}

void AppDelegate::hidePanel()
{
    if (panelVisible()) {
        m_panel->hide();
        Q_EMIT panelHidden();
    }
}

void AppDelegate::placePanel()
{
    placement::Input input;
    if (m_tray) {
        input.icon = m_tray->geometry();
    }
    input.pointer = m_pointer;
    input.panel = m_panel->size();

    QScreen *screen = nullptr;
    if (input.icon.isValid() && !input.icon.isEmpty()) {
        screen = QGuiApplication::screenAt(input.icon.center());
    } else if (m_pointer) {
        screen = QGuiApplication::screenAt(*m_pointer);
    }
    if (!screen) {
        screen = QGuiApplication::primaryScreen();
    }
    if (screen) {
        input.available = screen->availableGeometry();
        m_panel->setScreen(screen);
    }
    m_panel->setPosition(placement::panelPosition(input));
}

void AppDelegate::resizeForExpanded()
{
    if (!m_panel) {
        return; // built later, at the width of the moment
    }
    m_panel->setExpanded(m_state->isExpanded());
    if (m_panel->isVisible()) {
        placePanel(); // re-centred under the icon, and back inside the screen
        Q_EMIT panelResized(m_panel->geometry());
    }
}

void AppDelegate::onApplicationStateChanged(Qt::ApplicationState state)
{
    // Only a panel that has had the focus can lose it. The notice that the focus left a panel
    // as it hid comes late: the window manager sends it when it gets to the unmapping, and Qt
    // then waits 100 ms for a focus-in. A panel shown again meanwhile (a callback, the hot key
    // pressed twice) would take that notice for its own and hide at once.
    if (state != Qt::ApplicationActive && panelVisible() && m_activeSinceShown) {
        hidePanel();
        m_autoHidden.start();
    }
}

QMenu *AppDelegate::buildStatusMenu()
{
    auto *menu = new QMenu();
    const bool visible = panelVisible();
    menu->addAction(visible ? tr("Hide Stavelin") : tr("Show Stavelin"),
                    this, &AppDelegate::togglePanel);
    menu->addAction(tr("Refresh Boards"), this, [this] { refreshThen({}); });
    menu->addSeparator();
    menu->addAction(tr("About Stavelin"), this, &AppDelegate::showAbout);
    menu->addSeparator();
    QAction *quit = menu->addAction(tr("Quit Stavelin"), qApp, &QCoreApplication::quit);
    quit->setShortcut(QKeySequence::Quit);
    return menu;
}

QStringList AppDelegate::statusMenuTexts()
{
    const std::unique_ptr<QMenu> menu(buildStatusMenu());
    QStringList texts;
    for (const QAction *action : menu->actions()) {
        if (!action->isSeparator()) {
            texts.append(action->text());
        }
    }
    return texts;
}

QWidget *AppDelegate::aboutWindow() const
{
    return m_about.get();
}

void AppDelegate::exportTrayMenu()
{
    // A D-Bus (StatusNotifierItem) tray host shows the menu the program exports, and many of
    // them never ask the program to show one of its own: without it a right click there opens
    // an empty menu. Qt makes a window for the icon only for an XEmbed tray, which leaves the
    // menu to us.
    if (xembedIconWindow()) {
        return;
    }
    m_trayMenu.reset(buildStatusMenu());
    connect(m_trayMenu.get(), &QMenu::aboutToShow, this, [this] {
        syncTrayMenu();
        Q_EMIT statusMenuShown(m_trayMenu->actions().constFirst()->text());
    });
    m_tray->setContextMenu(m_trayMenu.get());
}

// The exported menu lives as long as the program, so its first item follows the panel: the
// host may show it without telling us first.
void AppDelegate::syncTrayMenu()
{
    if (m_trayMenu) {
        m_trayMenu->actions().constFirst()->setText(panelVisible() ? tr("Hide Stavelin")
                                                                   : tr("Show Stavelin"));
    }
}

void AppDelegate::showStatusMenu()
{
    // Built fresh each time, so the first item follows the panel.
    QMenu *menu = buildStatusMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);

    const QRect icon = m_tray->geometry();
    QPoint at = QCursor::pos();
    if (icon.isValid() && !icon.isEmpty()) {
        QScreen *screen = QGuiApplication::screenAt(icon.center());
        const bool trayAtTop = !screen || icon.center().y() < screen->geometry().center().y();
        at = trayAtTop ? icon.bottomLeft() + QPoint(0, 1)
                       : icon.topLeft() - QPoint(0, menu->sizeHint().height());
    }
    menu->popup(at);
    Q_EMIT statusMenuShown(menu->actions().constFirst()->text());
}

void AppDelegate::showAbout()
{
    hidePanel();
    if (!m_about) {
        m_about = std::make_unique<AboutWindow>();
    }
    m_about->show();
    m_about->raise();
    m_about->activateWindow();
}

void AppDelegate::showSettingsWindow()
{
    if (!m_settings) {
        m_settings = std::make_unique<QQuickView>(m_engine, nullptr);
        m_settings->setTitle(tr("Stavelin Settings"));
        m_settings->setResizeMode(QQuickView::SizeRootObjectToView);
        m_settings->setColor(QGuiApplication::palette().color(QPalette::Window));
        m_settings->setSource(viewUrl(QStringLiteral("settings/SettingsView.qml")));
        m_settings->resize(480, 360);
    }
    m_settings->show();
    m_settings->raise();
    m_settings->requestActivate();
}

void AppDelegate::openArguments(const QStringList &arguments)
{
    for (const QString &argument : arguments) {
        // Only our scheme, written exactly so; anything else is dropped.
        if (argument.startsWith(urlscheme::Scheme + QLatin1Char(':'))) {
            Q_EMIT callbackReceived();
            m_state->session()->handleAuthCallback(argument);
        }
    }
    showPanel();
}

void AppDelegate::refreshThen(std::function<void()> done)
{
    refreshTask(std::move(done));
}

QCoro::Task<> AppDelegate::refreshTask(std::function<void()> done)
{
    co_await m_state->refreshVisible();
    if (done) {
        done();
    }
}
