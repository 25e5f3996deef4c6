// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>
#include <QPointF>
#include <QString>
#include <QtQml/qqmlregistration.h>

class QQmlEngine;
class QJSEngine;
class QQuickItem;

// Where the views and the tray shell meet. The views ask through it for what only the shell
// can do (hide the panel, quit, the Settings window); the shell asks the views to open a
// board. Each request is a signal that the other side connects to.
class Shell : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    // The system-wide shortcut, as the shell has it: the combination ("Ctrl+Alt+T", empty for
    // none), its state ("none", "binding", "working", "taken", "failed", "unsupported"), a
    // sentence on it, and the command to bind in the desktop's settings when it offers no way.
    Q_PROPERTY(QString shortcutText READ shortcutText NOTIFY shortcutChanged)
    Q_PROPERTY(QString shortcutState READ shortcutState NOTIFY shortcutChanged)
    Q_PROPERTY(QString shortcutStatus READ shortcutStatus NOTIFY shortcutChanged)
    Q_PROPERTY(QString toggleCommand READ toggleCommand NOTIFY shortcutChanged)
    // The same for the shortcut that opens quick add, and the command that opens it.
    Q_PROPERTY(QString quickAddShortcutText READ quickAddShortcutText NOTIFY quickAddShortcutChanged)
    Q_PROPERTY(QString quickAddShortcutState READ quickAddShortcutState NOTIFY quickAddShortcutChanged)
    Q_PROPERTY(QString quickAddShortcutStatus READ quickAddShortcutStatus NOTIFY quickAddShortcutChanged)
    Q_PROPERTY(QString quickAddCommand READ quickAddCommand NOTIFY quickAddShortcutChanged)
    // The board and list a card was last added to through quick add (kept by the shell).
    Q_PROPERTY(QString quickAddBoardID READ quickAddBoardID NOTIFY quickAddPlaceChanged)
    Q_PROPERTY(QString quickAddListID READ quickAddListID NOTIFY quickAddPlaceChanged)
    // Whether new notifications are told on the desktop, as the shell keeps the preference.
    Q_PROPERTY(bool desktopNotifications READ desktopNotifications WRITE setDesktopNotifications
                   NOTIFY desktopNotificationsChanged)
public:
    // No default constructor: Qt 6.4 builds a QML singleton with it when there is one,
    // ignoring create(), and the views would talk to a Shell nobody listens to.
    explicit Shell(QObject *parent);

    // The program's one Shell, made on first use; QML's singleton is this one.
    static Shell *instance();
    static Shell *create(QQmlEngine *, QJSEngine *);

    Q_INVOKABLE void hidePanel();
    Q_INVOKABLE void quit();
    Q_INVOKABLE void openSettingsWindow();
    // Shows the board screen of one of the loaded boards, as a click on its row does.
    Q_INVOKABLE void openBoard(const QString &boardID);
    // Opens a card of the open board in its editor, as a click on its tile would.
    Q_INVOKABLE void openCard(const QString &cardID) { Q_EMIT cardRequested(cardID); }
    // Opens a card of any loaded board in its editor, as a card found by the search opens:
    // its board first, then the card once its list is held.
    void openCardOnBoard(const QString &boardID, const QString &listID, const QString &cardID)
    {
        Q_EMIT foundCardRequested(boardID, listID, cardID);
    }
    // Where the pointer is on the screen. A running drag takes the pointer's events away from
    // the views; the board scrolls under a drag held near its edges from this.
    Q_INVOKABLE QPointF pointerPosition() const;
    // A moment worth timing ("editor first frame"): the next frame of the item's window, for
    // the test traces and benchmarks; nothing else listens, and without a listener nothing
    // is watched.
    Q_INVOKABLE void noteNextFrame(QQuickItem *item, const QString &event);

    // The user's new shortcut, as a key event gave it (key and modifiers); key 0 for none.
    Q_INVOKABLE void chooseShortcut(int key, int modifiers);
    Q_INVOKABLE void chooseQuickAddShortcut(int key, int modifiers);
    // Quick add: remember where a card went, close the window, open the card in the panel.
    Q_INVOKABLE void setQuickAddPlace(const QString &boardID, const QString &listID);
    Q_INVOKABLE void closeQuickAdd() { Q_EMIT quickAddCloseRequested(); }
    Q_INVOKABLE void openAddedCard(const QString &boardID, const QString &listID,
                                   const QString &cardID)
    {
        Q_EMIT addedCardOpenRequested(boardID, listID, cardID);
    }
    // Puts a text on the clipboard (the toggle command).
    Q_INVOKABLE void copyText(const QString &text) const;

    QString shortcutText() const { return m_shortcutText; }
    QString shortcutState() const { return m_shortcutState; }
    QString shortcutStatus() const { return m_shortcutStatus; }
    QString toggleCommand() const { return m_toggleCommand; }
    QString quickAddShortcutText() const { return m_quickAdd.text; }
    QString quickAddShortcutState() const { return m_quickAdd.state; }
    QString quickAddShortcutStatus() const { return m_quickAdd.status; }
    QString quickAddCommand() const { return m_quickAdd.command; }
    QString quickAddBoardID() const { return m_quickAddBoardID; }
    QString quickAddListID() const { return m_quickAddListID; }
    bool desktopNotifications() const { return m_desktopNotifications; }
    void setDesktopNotifications(bool on)
    {
        if (on != m_desktopNotifications) {
            m_desktopNotifications = on;
            Q_EMIT desktopNotificationsChanged();
        }
    }
    // Shows the list of unread notifications.
    void openNotifications() { Q_EMIT notificationsRequested(); }
    // From the shell, whenever the shortcut changes.
    void setShortcut(const QString &text, const QString &state, const QString &status,
                     const QString &toggleCommand);
    void setQuickAddShortcut(const QString &text, const QString &state, const QString &status,
                             const QString &command);

Q_SIGNALS:
    void hidePanelRequested();
    void quitRequested();
    void settingsWindowRequested();
    void boardRequested(const QString &boardID);
    void cardRequested(const QString &cardID);
    void foundCardRequested(const QString &boardID, const QString &listID, const QString &cardID);
    void notificationsRequested();
    void noted(const QString &event);
    // The chosen combination in portable text ("Ctrl+Alt+K"), empty for none.
    void shortcutChosen(const QString &combination);
    void shortcutChanged();
    void quickAddShortcutChosen(const QString &combination);
    void quickAddShortcutChanged();
    void quickAddPlaceChanged();
    void quickAddCloseRequested();
    void addedCardOpenRequested(const QString &boardID, const QString &listID,
                                const QString &cardID);
    void desktopNotificationsChanged();

private:
    QString m_shortcutText;
    QString m_shortcutState;
    QString m_shortcutStatus;
    QString m_toggleCommand;
    struct {
        QString text;
        QString state;
        QString status;
        QString command;
    } m_quickAdd;
    QString m_quickAddBoardID;
    QString m_quickAddListID;
    bool m_desktopNotifications = true;
};
