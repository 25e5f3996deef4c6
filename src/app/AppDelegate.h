// SPDX-License-Identifier: MIT
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QIcon>
#include <QSystemTrayIcon>

#include "MemoryTrim.h"

#include <QCoroTask>

#include <functional>
#include <memory>
#include <optional>

class AboutWindow;
class DesktopNotifier;
class AppState;
class PanelWindow;
class QAction;
class QMenu;
class QQmlEngine;
class QQuickView;
class QWidget;
class ShortcutManager;
class SleepWatcher;

// The tray shell: the icon and its menu, the panel and when it shows, the hot key, the About
// and Settings windows, and callback URLs. Owns all of them for the whole run.
class AppDelegate : public QObject {
    Q_OBJECT
public:
    AppDelegate(AppState *state, QQmlEngine *engine, QObject *parent = nullptr);
    ~AppDelegate() override;

    // Builds everything; the panel is prebuilt (right after the icon is up) but stays hidden.
    void start();
    void ensurePanel();

    PanelWindow *panel() const { return m_panel.get(); }
    QQuickView *settingsWindow() const { return m_settings.get(); }

    // Showing places the panel under the icon, activates it and refreshes what it shows. The
    // activation token of the request, when it brought one, is what lets a Wayland compositor
    // give the panel the focus.
    void showPanel(const QString &activationToken = {});
    void hidePanel();
    void togglePanel() { togglePanelWithToken({}); }
    void togglePanelWithToken(const QString &activationToken);
    // Arguments of a start: callback URLs go to the store; the panel shows in any case.
    void openArguments(const QStringList &arguments, const QString &activationToken = {});
    void showAbout();
    QWidget *aboutWindow() const;
    // The texts of the tray icon's menu as it would show now.
    QStringList statusMenuTexts();
    QString trayToolTip() const;
    // The unread count drawn on the tray icon (0: none).
    int trayBadge() const { return m_badge; }
    // The tray icon with the unread count drawn on it (none for 0).
    static QIcon trayIcon(int unread);
    DesktopNotifier *desktopNotifier() const { return m_notifier.get(); }
    // The system-wide shortcut and what became of it.
    ShortcutManager *shortcut() const { return m_shortcut.get(); }
    // The second one, which opens quick add.
    ShortcutManager *quickAddShortcut() const { return m_quickAddShortcut.get(); }
    // Quick add: a small window of its own that adds one card to a list, made for each showing
    // and gone when it closes. Asked again while it shows, it comes to the front.
    void showQuickAdd(const QString &activationToken = {});
    void closeQuickAdd();
    QQuickView *quickAddWindow() const { return m_quickAdd.get(); }
    // Whether a build run from its tree registers itself for callback URLs (not in the demo).
    void setRegistersUrlScheme(bool registers) { m_registersUrlScheme = registers; }
    // Refreshes what the panel shows and then calls `done`.
    void refreshThen(std::function<void()> done);

    // The tray icon: light columns with a dark outline, which stand out from tray bars of
    // any colour. (The bar's colour is not known: it need not follow the program's palette.)
    static QString trayIconPath();

public Q_SLOTS:
    void showSettingsWindow();

Q_SIGNALS:
    // What the shell did, for whoever watches: the test traces and the start-up benchmark.
    void trayIconShown();
    void trayIconReady(const QRect &icon); // the tray host has taken the icon in, here
    void panelBuilt();
    void panelShowRequested();
    void panelShown(const QRect &geometry); // the first frame after a show request
    void panelHidden();
    void panelResized(const QRect &geometry);
    void statusMenuShown(const QString &firstItem);
    void callbackReceived();
    // The shortcut is bound (route: "x11", "kglobalaccel", "portal"), or could not be.
    void hotKeyReady(const QString &combination, const QString &route);
    void hotKeyUnavailable(const QString &reason);
    // The same for quick add's shortcut, and its window showing and closing.
    void quickAddKeyReady(const QString &combination, const QString &route);
    void quickAddKeyUnavailable(const QString &reason);
    void quickAddShown();
    void quickAddClosed();

private Q_SLOTS:
    void registerUrlScheme();

private:
    enum class Anchor { Icon, IconOrPointer };

    void onTrayActivated(QSystemTrayIcon::ActivationReason reason);
    void showPanelFrom(Anchor anchor, const QString &activationToken = {});
    void activatePanel(const QString &activationToken);
    void placePanel();
    void showStatusMenu();
    QMenu *buildStatusMenu();
    void exportTrayMenu();
    void syncTrayMenu();
    void nameShortcut(QAction *toggle) const;
    void connectShell();
    void resizeForExpanded();
    void onApplicationStateChanged(Qt::ApplicationState state);
    void watchTrayThenBuildPanel();
    void startServices();
    bool panelVisible() const;
    void startShortcut();
    void startQuickAddShortcut();
    void onShortcutChanged();
    void onQuickAddShortcutChanged();
    void connectQuickAdd();
    QCoro::Task<> refreshTask(std::function<void()> done);
    void startNotifications();
    void updateTrayStatus();
    QString composeToolTip() const;

    AppState *m_state;
    QQmlEngine *m_engine;
    QSystemTrayIcon *m_tray = nullptr;
    std::unique_ptr<PanelWindow> m_panel;
    MemoryTrim m_trim;
    std::unique_ptr<ShortcutManager> m_shortcut;
    std::unique_ptr<ShortcutManager> m_quickAddShortcut;
    std::unique_ptr<QQuickView> m_quickAdd;
    std::unique_ptr<QQuickView> m_settings;
    std::unique_ptr<AboutWindow> m_about;
    std::unique_ptr<DesktopNotifier> m_notifier;
    std::unique_ptr<SleepWatcher> m_sleep;
    int m_badge = 0; // the unread count the icon shows
    bool m_badgeAfterPanel = false; // drawn once the panel is built
    // The menu a D-Bus tray host shows; none with an XEmbed tray, where it is built per click.
    std::unique_ptr<QMenu> m_trayMenu;
    std::optional<QPoint> m_pointer; // where the click that showed the panel happened
    QElapsedTimer m_autoHidden;       // since the panel hid because the program lost focus
    QElapsedTimer m_lastClick;        // since the last click on the icon
    bool m_registersUrlScheme = true;
    bool m_trayReady = false;
    bool m_showPending = false; // shown, but its first frame is not on screen yet
    QString m_activationToken;  // under Wayland, the showing's token until its first frame
    bool m_activeSinceShown = false; // the panel has had the focus since it was last shown
};
