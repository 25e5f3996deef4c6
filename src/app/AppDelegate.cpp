// SPDX-License-Identifier: MIT
#include "AppDelegate.h"

#include "AboutWindow.h"
#include "DesktopNotifier.h"
#include "PanelPlacement.h"
#include "PanelWindow.h"
#include "ShortcutManager.h"
#include "UrlSchemeRegistration.h"
#include "platform/KGlobalAccelRoute.h"
#include "platform/PortalShortcutRoute.h"
#include "platform/SleepWatcher.h"
#include "platform/X11GrabRoute.h"
#include "platform/X11Desktop.h"
#include "state/AppState.h"
#include "views/Shell.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QFile>
#include <QMenu>
#include <QMetaMethod>
#include <QPainter>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QScreen>
#include <QSettings>
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

// The routes of one shortcut, in the order they are asked. KDE's service comes before the
// grab: on KDE the grab would keep the shortcut out of System Settings and race the service's
// own grabs. The portal comes last: asking whether it is there may start it.
QList<ShortcutManager::RouteFactory> shortcutRoutes(const ShortcutAction &action)
{
    const QDBusConnection bus = QDBusConnection::sessionBus();
    return {
        [bus, action]() -> std::unique_ptr<ShortcutRoute> {
            return bus.isConnected() && KGlobalAccelRoute::offered(bus)
                       ? std::make_unique<KGlobalAccelRoute>(bus, action)
                       : nullptr;
        },
        [action]() -> std::unique_ptr<ShortcutRoute> {
            return x11::isAvailable() ? std::make_unique<X11GrabRoute>(action) : nullptr;
        },
        [bus, action]() -> std::unique_ptr<ShortcutRoute> {
            return bus.isConnected() && PortalShortcutRoute::offered(bus)
                       ? std::make_unique<PortalShortcutRoute>(bus, action)
                       : nullptr;
        },
    };
}

const char *stateName(ShortcutManager::State state)
{
    static constexpr const char *names[] = {"none",  "binding", "working",
                                            "taken", "failed",  "unsupported"};
    return names[int(state)];
}

// Qt's Wayland plugin hands the compositor the token it finds in XDG_ACTIVATION_TOKEN when a
// window asks for the focus (and unsets it then). It is set for this request only, and
// cleared in any case, so that no later request presents a spent one.
void activateWithToken(QWindow *window, const QString &activationToken)
{
    const bool token = !activationToken.isEmpty() && x11::onWayland();
    if (token) {
        qputenv("XDG_ACTIVATION_TOKEN", activationToken.toLatin1());
    }
    window->requestActivate();
    if (token) {
        qunsetenv("XDG_ACTIVATION_TOKEN");
    }
}

// Where quick add keeps the board and list it last added to.
const QString QuickAddBoardKey = QStringLiteral("QuickAdd/board");
const QString QuickAddListKey = QStringLiteral("QuickAdd/list");

// A click on the tray icon takes the focus from the panel before it arrives: the panel has
// just hidden itself, and the click must not show it again.
constexpr qint64 ClickAfterFocusLossMs = 400;

// Some D-Bus tray hosts activate the icon twice for the second click of a double click (for
// the press, and again for the double click it completes), a few milliseconds apart. No hand
// clicks that fast, so there a second activation within this time is the same click. (Qt
// reports each click on an XEmbed icon once.)
constexpr qint64 SameClickMs = 50;

// A menu entry as the menu shows it: its text, then its shortcut after a tab.
QString entryText(const QAction *action)
{
    const QString keys = action->shortcut().toString(QKeySequence::NativeText);
    return keys.isEmpty() ? action->text() : action->text() + u'\t' + keys;
}

} // namespace

AppDelegate::AppDelegate(AppState *state, QQmlEngine *engine, QObject *parent)
    : QObject(parent), m_state(state), m_engine(engine), m_trim(engine)
{
}

AppDelegate::~AppDelegate()
{
    if (m_shortcut) {
        m_shortcut->release();
    }
    if (m_quickAddShortcut) {
        m_quickAddShortcut->release();
    }
    // A panel still showing hides as it is destroyed, and would tell this object, whose tray
    // menu is gone by then.
    if (m_panel) {
        m_panel->disconnect(this);
    }
}

void AppDelegate::start()
{
    // The icon first: it is what the user waits for.
    m_tray = new QSystemTrayIcon(this);
    m_tray->setIcon(QIcon(trayIconPath()));
    m_tray->setToolTip(composeToolTip());
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
    connect(m_panel.get(), &QWindow::visibleChanged, this, [this](bool visible) {
        if (!visible) {
            m_trim.request();
        }
    });
    connect(m_panel.get(), &QWindow::activeChanged, this, [this] {
        m_activeSinceShown = m_activeSinceShown || m_panel->isActive();
    });
    connect(m_panel.get(), &QQuickWindow::frameSwapped, this, [this] {
        if (m_showPending) {
            m_showPending = false;
            if (!m_activationToken.isEmpty() && !m_panel->isActive()) {
                activatePanel(m_activationToken);
            }
            m_activationToken.clear();
            Q_EMIT panelShown(m_panel->geometry());
        }
    });
    Q_EMIT panelBuilt();
}

void AppDelegate::startServices()
{
    startShortcut();
    connectShell();
    connectQuickAdd();
    connect(m_state, &AppState::isExpandedChanged, this, &AppDelegate::resizeForExpanded);
    // What a closed board, a hidden panel or the start's loads leave freed goes back.
    connect(m_state, &AppState::activeBoardIDChanged, this, [this] {
        if (m_state->activeBoardID().isEmpty()) {
            m_trim.request();
        }
    });
    connect(m_state->boards(), &BoardsArea::isLoadingBoardsChanged, this, [this] {
        if (!m_state->boards()->isLoadingBoards()) {
            m_trim.request();
        }
    });
    connect(qApp, &QGuiApplication::applicationStateChanged, this,
            &AppDelegate::onApplicationStateChanged);

    // A build run from its tree has no desktop entry for the callback URL; it registers one
    // for itself right before the browser is sent to the authorization page.
    connect(m_state->session(), &SessionArea::browserAuthWillOpen, this,
            &AppDelegate::registerUrlScheme);
    // After a sleep or on another network, what the panel shows and the notifications catch
    // up once; the system's word on the network is followed where Qt can read it.
    m_sleep = std::make_unique<SleepWatcher>();
    connect(m_sleep.get(), &SleepWatcher::resumed, m_state, &AppState::catchUp);
    // NetworkManager is asked once the panel is built: nothing the tray icon or the panel
    // waits for.
    if (m_panel) {
        QTimer::singleShot(0, m_state->connectivity(), &Connectivity::watchSystem);
    } else {
        connect(this, &AppDelegate::panelBuilt, m_state->connectivity(), &Connectivity::watchSystem,
                Qt::SingleShotConnection);
    }
    startNotifications();
}

void AppDelegate::startNotifications()
{
    NotificationsArea *area = m_state->notifications();
    connect(area, &NotificationsArea::notificationsChanged, this, &AppDelegate::updateTrayStatus);
    m_notifier = std::make_unique<DesktopNotifier>(area, m_state->preferences());
    // A bubble opened: the panel shows, and the card opens in its editor as a found one does.
    connect(m_notifier.get(), &DesktopNotifier::cardRequested, this,
            [this](const QString &board, const QString &list, const QString &card,
                   const QString &token) {
                showPanel(token);
                Shell::instance()->openCardOnBoard(board, list, card);
            });
    connect(m_notifier.get(), &DesktopNotifier::panelRequested, this, [this](const QString &token) {
        showPanel(token);
        Shell::instance()->openNotifications();
    });
    // Due reminders come as bubbles too; their summary opens the panel as it was.
    m_notifier->watchReminders(m_state->reminders(), m_state->cards());
    connect(m_notifier.get(), &DesktopNotifier::openPanelRequested, this,
            [this](const QString &token) { showPanel(token); });
    // The Settings switch and the preference follow each other.
    Shell *shell = Shell::instance();
    shell->setDesktopNotifications(m_notifier->isEnabled());
    connect(shell, &Shell::desktopNotificationsChanged, m_notifier.get(),
            [this, shell] { m_notifier->setEnabled(shell->desktopNotifications()); });
    updateTrayStatus();
}

void AppDelegate::updateTrayStatus()
{
    const int unread = m_state->notifications()->unreadCount();
    if (!m_tray) {
        return;
    }
    m_tray->setToolTip(composeToolTip());
    if (!m_panel) {
        // The count is drawn in text, and the first text drawn loads the font database (20 ms
        // and more, when the first poll answers at start): once the panel is built, which
        // needs it anyway, so that the icon itself is not held up.
        if (!m_badgeAfterPanel) {
            m_badgeAfterPanel = true;
            connect(this, &AppDelegate::panelBuilt, this, &AppDelegate::updateTrayStatus,
                    Qt::SingleShotConnection);
        }
        return;
    }
    if (unread != m_badge) {
        m_badge = unread;
        m_tray->setIcon(trayIcon(unread));
        if (!panelVisible()) {
            m_trim.request(); // the icon's drawing leaves pictures in Qt's cache
        }
    }
}

QString AppDelegate::composeToolTip() const
{
    QString tip = m_shortcut ? m_shortcut->toolTip() : QStringLiteral("Stavelin");
    if (const int unread = m_state->notifications()->unreadCount(); unread > 0) {
        tip += u'\n' + tr("%n unread notification(s)", nullptr, unread);
    }
    return tip;
}

QIcon AppDelegate::trayIcon(int unread)
{
    const QIcon plain(trayIconPath());
    if (unread <= 0) {
        return plain;
    }
    // A red disc with the count in the upper right corner, over the icon at each size a tray
    // asks for; past nine it says "9+", which still reads at 16 pixels.
    const QString count = unread > 9 ? QStringLiteral("9+") : QString::number(unread);
    QIcon badged;
    for (const int size : {16, 22, 24, 32, 48, 64}) {
        QPixmap pixmap = plain.pixmap(size, size);
        pixmap.setDevicePixelRatio(1.0);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        const qreal disc = size * (count.size() > 1 ? 0.68 : 0.58);
        const QRectF area(size - disc, 0, disc, disc);
        painter.setPen(QPen(Qt::white, std::max(1.0, size / 16.0)));
        painter.setBrush(QColor(0xd7, 0x26, 0x1e));
        painter.drawEllipse(area.adjusted(0.5, 0.5, -0.5, -0.5));
        QFont font = painter.font();
        font.setBold(true);
        font.setPixelSize(std::max(7, int(disc * (count.size() > 1 ? 0.5 : 0.68))));
        painter.setFont(font);
        painter.setPen(Qt::white);
        painter.drawText(area, Qt::AlignCenter, count);
        painter.end();
        badged.addPixmap(pixmap);
    }
    return badged;
}

void AppDelegate::startShortcut()
{
    m_shortcut = std::make_unique<ShortcutManager>(m_state->preferences(),
                                                   shortcutRoutes(ShortcutAction::toggle()));
    connect(m_shortcut.get(), &ShortcutManager::activated, this, &AppDelegate::togglePanelWithToken);
    connect(m_shortcut.get(), &ShortcutManager::changed, this, &AppDelegate::onShortcutChanged);
    connect(m_shortcut.get(), &ShortcutManager::refused, this,
            [this](ShortcutManager::State, const QString &reason) {
                // In the log, typed; Settings and the tooltip say it in words.
                m_state->errors()->note(ErrorLog::Kind::Shortcut, QStringLiteral("globalShortcut"),
                                        m_shortcut->statusText() + QLatin1Char(' ') + reason);
                Q_EMIT hotKeyUnavailable(reason.isEmpty() ? m_shortcut->statusText() : reason);
            });
    connect(Shell::instance(), &Shell::shortcutChosen, m_shortcut.get(), [this](const QString &text) {
        if (const std::optional<QKeyCombination> chosen = ShortcutManager::parse(text)) {
            m_shortcut->choose(*chosen);
        }
    });
    m_shortcut->start();
    startQuickAddShortcut();
}

void AppDelegate::startQuickAddShortcut()
{
    m_quickAddShortcut = std::make_unique<ShortcutManager>(
        ShortcutManager::Purpose::QuickAdd, m_state->preferences(),
        shortcutRoutes(ShortcutAction::quickAdd()));
    ShortcutManager *shortcut = m_quickAddShortcut.get();
    shortcut->setSibling(m_shortcut.get());
    m_shortcut->setSibling(shortcut);
    connect(shortcut, &ShortcutManager::activated, this, &AppDelegate::showQuickAdd);
    connect(shortcut, &ShortcutManager::changed, this, &AppDelegate::onQuickAddShortcutChanged);
    connect(shortcut, &ShortcutManager::refused, this,
            [this, shortcut](ShortcutManager::State, const QString &reason) {
                m_state->errors()->note(ErrorLog::Kind::Shortcut, QStringLiteral("quickAddShortcut"),
                                        shortcut->statusText() + QLatin1Char(' ') + reason);
                Q_EMIT quickAddKeyUnavailable(reason.isEmpty() ? shortcut->statusText() : reason);
            });
    connect(Shell::instance(), &Shell::quickAddShortcutChosen, shortcut,
            [shortcut](const QString &text) {
                if (const std::optional<QKeyCombination> chosen = ShortcutManager::parse(text)) {
                    shortcut->choose(*chosen);
                }
            });
    shortcut->start();
}

void AppDelegate::onQuickAddShortcutChanged()
{
    const ShortcutManager *shortcut = m_quickAddShortcut.get();
    Shell::instance()->setQuickAddShortcut(shortcut->combinationText(),
                                           QString::fromLatin1(stateName(shortcut->state())),
                                           shortcut->statusText(), shortcut->command());
    if (shortcut->state() == ShortcutManager::State::Working) {
        Q_EMIT quickAddKeyReady(shortcut->combinationText(), shortcut->routeName());
    }
}

void AppDelegate::connectQuickAdd()
{
    Shell *shell = Shell::instance();
    QSettings *preferences = m_state->preferences();
    if (preferences) {
        shell->setQuickAddPlace(preferences->value(QuickAddBoardKey).toString(),
                                preferences->value(QuickAddListKey).toString());
    }
    connect(shell, &Shell::quickAddPlaceChanged, this, [shell, preferences] {
        if (preferences) {
            preferences->setValue(QuickAddBoardKey, shell->quickAddBoardID());
            preferences->setValue(QuickAddListKey, shell->quickAddListID());
            preferences->sync();
        }
    });
    connect(shell, &Shell::quickAddCloseRequested, this, &AppDelegate::closeQuickAdd);
    connect(shell, &Shell::addedCardOpenRequested, this,
            [this, shell](const QString &board, const QString &list, const QString &card) {
                closeQuickAdd();
                showPanel();
                shell->openCardOnBoard(board, list, card);
            });
}

void AppDelegate::showQuickAdd(const QString &activationToken)
{
    if (!m_quickAdd) {
        m_quickAdd = std::make_unique<QQuickView>(m_engine, nullptr);
        m_quickAdd->setTitle(tr("Add a Card"));
        m_quickAdd->setFlags(Qt::Dialog | Qt::WindowStaysOnTopHint);
        m_quickAdd->setResizeMode(QQuickView::SizeViewToRootObject);
        m_quickAdd->setColor(QGuiApplication::palette().color(QPalette::Window));
        m_quickAdd->setSource(viewUrl(QStringLiteral("quickadd/QuickAddView.qml")));
        // Closed by the window's own button: gone as Escape makes it go.
        connect(m_quickAdd.get(), &QWindow::visibleChanged, this, [this](bool visible) {
            if (!visible) {
                closeQuickAdd();
            }
        });
        // In the middle of the screen the pointer is on, a little above the centre.
        QScreen *screen = QGuiApplication::screenAt(QCursor::pos());
        if (!screen) {
            screen = QGuiApplication::primaryScreen();
        }
        if (screen) {
            const QRect area = screen->availableGeometry();
            const QSize size = m_quickAdd->size();
            m_quickAdd->setPosition(area.x() + (area.width() - size.width()) / 2,
                                    area.y() + (area.height() - size.height()) / 3);
        }
    }
    m_quickAdd->show();
    m_quickAdd->raise();
    activateWithToken(m_quickAdd.get(), activationToken);
    Q_EMIT quickAddShown();
}

void AppDelegate::closeQuickAdd()
{
    if (!m_quickAdd) {
        return;
    }
    // Asked from inside the window's own views (a key, a timer): it goes once they are done.
    QQuickView *window = m_quickAdd.release();
    window->disconnect(this);
    window->hide();
    window->deleteLater();
    m_trim.request();
    Q_EMIT quickAddClosed();
}

void AppDelegate::onShortcutChanged()
{
    const ShortcutManager::State state = m_shortcut->state();
    Shell::instance()->setShortcut(m_shortcut->combinationText(),
                                   QString::fromLatin1(stateName(state)),
                                   m_shortcut->statusText(), ShortcutManager::toggleCommand());
    if (m_tray) {
        m_tray->setToolTip(composeToolTip());
    }
    syncTrayMenu();
    if (state == ShortcutManager::State::Working) {
        Q_EMIT hotKeyReady(m_shortcut->combinationText(), m_shortcut->routeName());
    }
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

void AppDelegate::togglePanelWithToken(const QString &activationToken)
{
    if (panelVisible()) {
        hidePanel();
    } else {
        showPanel(activationToken);
    }
}

void AppDelegate::showPanel(const QString &activationToken)
{
    showPanelFrom(Anchor::Icon, activationToken);
}

void AppDelegate::showPanelFrom(Anchor anchor, const QString &activationToken)
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
    activatePanel(activationToken);
    // A compositor may not know the window yet when asked at once: asked again once it is on
    // screen (a token is good for one activation; presented twice, the second does nothing).
    m_activationToken = x11::onWayland() ? activationToken : QString();
    refreshThen({});
    m_state->notifications()->poll(); // joins the one under way, if any
    m_state->reminders()->fetch();
}

void AppDelegate::activatePanel(const QString &activationToken)
{
    activateWithToken(m_panel.get(), activationToken);
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
    QAction *toggle = menu->addAction(visible ? tr("Hide Stavelin") : tr("Show Stavelin"),
                                      this, [this] { togglePanel(); });
    nameShortcut(toggle);
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

QString AppDelegate::trayToolTip() const
{
    return m_tray ? m_tray->toolTip() : QString();
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
        Q_EMIT statusMenuShown(entryText(m_trayMenu->actions().constFirst()));
    });
    m_tray->setContextMenu(m_trayMenu.get());
}

// Shows the system-wide shortcut beside the menu's first entry, where menus show shortcuts.
// It only fires while the menu itself has the focus, where the system-wide one does not reach.
void AppDelegate::nameShortcut(QAction *toggle) const
{
    const bool working = m_shortcut && m_shortcut->state() == ShortcutManager::State::Working;
    toggle->setShortcutContext(Qt::WidgetShortcut);
    toggle->setShortcut(working ? QKeySequence(m_shortcut->combination()) : QKeySequence());
}

// The exported menu lives as long as the program, so its first item follows the panel: the
// host may show it without telling us first.
void AppDelegate::syncTrayMenu()
{
    if (m_trayMenu) {
        QAction *toggle = m_trayMenu->actions().constFirst();
        toggle->setText(panelVisible() ? tr("Hide Stavelin") : tr("Show Stavelin"));
        nameShortcut(toggle);
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
    Q_EMIT statusMenuShown(entryText(menu->actions().constFirst()));
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

void AppDelegate::openArguments(const QStringList &arguments, const QString &activationToken)
{
    for (const QString &argument : arguments) {
        // Only our scheme, written exactly so; anything else is dropped.
        if (argument.startsWith(urlscheme::Scheme + QLatin1Char(':'))) {
            Q_EMIT callbackReceived();
            m_state->session()->handleAuthCallback(argument);
        }
    }
    showPanel(activationToken);
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
