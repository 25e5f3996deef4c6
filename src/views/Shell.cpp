// SPDX-License-Identifier: MIT
#include "Shell.h"

#include <QCoreApplication>
#include <QCursor>
#include <QJSEngine>
#include <QPointer>

Shell::Shell(QObject *parent) : QObject(parent) {}

Shell *Shell::instance()
{
    static QPointer<Shell> s_instance;
    if (!s_instance) {
        s_instance = new Shell(QCoreApplication::instance());
    }
    return s_instance;
}

Shell *Shell::create(QQmlEngine *, QJSEngine *)
{
    Shell *shell = instance();
    QJSEngine::setObjectOwnership(shell, QJSEngine::CppOwnership);
    return shell;
}

void Shell::hidePanel()
{
    Q_EMIT hidePanelRequested();
}

void Shell::quit()
{
    Q_EMIT quitRequested();
}

void Shell::openSettingsWindow()
{
    Q_EMIT settingsWindowRequested();
}

void Shell::openBoard(const QString &boardID)
{
    Q_EMIT boardRequested(boardID);
}

QPointF Shell::pointerPosition() const
{
    return QCursor::pos();
}
