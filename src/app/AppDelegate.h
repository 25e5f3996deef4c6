// SPDX-License-Identifier: MIT
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QSystemTrayIcon>

#include <QCoroTask>

#include <functional>
#include <memory>
#include <optional>

class AboutWindow;
class AppState;
class GlobalHotKey;
class PanelWindow;
class QMenu;
class QQmlEngine;
class QQuickView;
class QWidget;

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

    // Showing places the panel under the icon, activates it and refreshes what it shows.
    void showPanel();
    void hidePanel();
    void togglePanel();
    // Arguments of a start: callback URLs go to the store; the panel shows in any case.
    void openArguments(const QStringList &arguments);
    void showAbout();
    QWidget *aboutWindow() const;
    // The texts of the tray icon's menu as it would show now.
    QStringList statusMenuTexts();
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
    void hotKeyReady();
    void hotKeyUnavailable(const QString &reason);

private Q_SLOTS:
    void registerUrlScheme();

private:
    enum class Anchor { Icon, IconOrPointer };

    void onTrayActivated(QSystemTrayIcon::ActivationReason reason);
    void showPanelFrom(Anchor anchor);
    void placePanel();
    void showStatusMenu();
    QMenu *buildStatusMenu();
    void exportTrayMenu();
    void syncTrayMenu();
    void connectShell();
    void resizeForExpanded();
    void onApplicationStateChanged(Qt::ApplicationState state);
    void watchTrayThenBuildPanel();
    void startServices();
    bool panelVisible() const;
    QCoro::Task<> refreshTask(std::function<void()> done);

    AppState *m_state;
    QQmlEngine *m_engine;
    QSystemTrayIcon *m_tray = nullptr;
    std::unique_ptr<PanelWindow> m_panel;
    std::unique_ptr<GlobalHotKey> m_hotKey;
    std::unique_ptr<QQuickView> m_settings;
    std::unique_ptr<AboutWindow> m_about;
    // The menu a D-Bus tray host shows; none with an XEmbed tray, where it is built per click.
    std::unique_ptr<QMenu> m_trayMenu;
    std::optional<QPoint> m_pointer; // where the click that showed the panel happened
    QElapsedTimer m_autoHidden;       // since the panel hid because the program lost focus
    QElapsedTimer m_lastClick;        // since the last click on the icon
    bool m_registersUrlScheme = true;
    bool m_trayReady = false;
    bool m_showPending = false; // shown, but its first frame is not on screen yet
    bool m_activeSinceShown = false; // the panel has had the focus since it was last shown
};
