// SPDX-License-Identifier: MIT
#include "Shell.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QCursor>
#include <QJSEngine>
#include <QKeySequence>
#include <QMetaMethod>
#include <QPointer>
#include <QQuickItem>
#include <QQuickWindow>

#include <memory>

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

void Shell::noteNextFrame(QQuickItem *item, const QString &event)
{
    static const QMetaMethod noted = QMetaMethod::fromSignal(&Shell::noted);
    QQuickWindow *window = item ? item->window() : nullptr;
    if (!window || !isSignalConnected(noted)) {
        return;
    }
    // (Frames swapped on the render thread may be queued here more than once.)
    auto once = std::make_shared<QMetaObject::Connection>();
    *once = connect(window, &QQuickWindow::frameSwapped, this, [this, once, event] {
        if (disconnect(*once)) {
            Q_EMIT this->noted(event);
        }
    });
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

void Shell::chooseShortcut(int key, int modifiers)
{
    // Only the modifiers a shortcut is made of; the keypad bit and the like are dropped.
    const auto wanted = Qt::KeyboardModifiers(modifiers)
                        & (Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier
                           | Qt::MetaModifier);
    Q_EMIT shortcutChosen(key == 0 ? QString()
                                   : QKeySequence(QKeyCombination(wanted, Qt::Key(key)))
                                         .toString(QKeySequence::PortableText));
}

void Shell::chooseQuickAddShortcut(int key, int modifiers)
{
    const auto wanted = Qt::KeyboardModifiers(modifiers)
                        & (Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier
                           | Qt::MetaModifier);
    Q_EMIT quickAddShortcutChosen(key == 0 ? QString()
                                           : QKeySequence(QKeyCombination(wanted, Qt::Key(key)))
                                                 .toString(QKeySequence::PortableText));
}

void Shell::setQuickAddShortcut(const QString &text, const QString &state, const QString &status,
                                const QString &command)
{
    m_quickAdd = {text, state, status, command};
    Q_EMIT quickAddShortcutChanged();
}

void Shell::setQuickAddPlace(const QString &boardID, const QString &listID)
{
    if (boardID != m_quickAddBoardID || listID != m_quickAddListID) {
        m_quickAddBoardID = boardID;
        m_quickAddListID = listID;
        Q_EMIT quickAddPlaceChanged();
    }
}

void Shell::copyText(const QString &text) const
{
    if (QClipboard *clipboard = QGuiApplication::clipboard()) {
        clipboard->setText(text);
    }
}

void Shell::setShortcut(const QString &text, const QString &state, const QString &status,
                        const QString &toggleCommand)
{
    m_shortcutText = text;
    m_shortcutState = state;
    m_shortcutStatus = status;
    m_toggleCommand = toggleCommand;
    Q_EMIT shortcutChanged();
}
