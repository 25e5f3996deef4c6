// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>
#include <QPointF>
#include <QString>
#include <QtQml/qqmlregistration.h>

class QQmlEngine;
class QJSEngine;

// Where the views and the tray shell meet. The views ask through it for what only the shell
// can do (hide the panel, quit, the Settings window); the shell asks the views to open a
// board. Each request is a signal that the other side connects to.
class Shell : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
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
    // Where the pointer is on the screen. A running drag takes the pointer's events away from
    // the views; the board scrolls under a drag held near its edges from this.
    Q_INVOKABLE QPointF pointerPosition() const;
    // A moment worth timing ("board drawn"), for the test traces and benchmarks; nothing else
    // listens.
    Q_INVOKABLE void note(const QString &event) { Q_EMIT noted(event); }

Q_SIGNALS:
    void hidePanelRequested();
    void quitRequested();
    void settingsWindowRequested();
    void boardRequested(const QString &boardID);
    void cardRequested(const QString &cardID);
    void noted(const QString &event);
};
