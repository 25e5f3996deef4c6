// SPDX-License-Identifier: MIT
#include "Screenshots.h"

#include "AppDelegate.h"
#include "PanelWindow.h"
#include "state/AppState.h"
#include "views/Shell.h"

#include <QCoroTimer>
#include <QDir>
#include <QQuickView>

#include <chrono>
#include <cstdio>

using namespace std::chrono_literals;

namespace {

QCoro::Task<> pause(std::chrono::milliseconds duration)
{
    QTimer timer;
    timer.start(duration);
    co_await timer;
}

// Waits for the window's next frame (at most 3 s), and then a moment more for images and
// fonts to settle.
QCoro::Task<> nextFrame(QQuickWindow *window)
{
    auto frames = std::make_shared<int>(0);
    const QMetaObject::Connection counting =
        QObject::connect(window, &QQuickWindow::frameSwapped, window, [frames] { ++*frames; });
    window->update();
    for (int i = 0; i < 150 && *frames == 0; ++i) {
        co_await pause(20ms);
    }
    QObject::disconnect(counting);
    co_await pause(400ms);
}

bool save(QQuickWindow *window, const QString &path)
{
    const bool saved = window->grabWindow().save(path, "PNG");
    std::printf("%s: %s\n", saved ? "screenshot" : "could not save screenshot",
                QDir::toNativeSeparators(path).toUtf8().constData());
    std::fflush(stdout);
    return saved;
}

} // namespace

QCoro::Task<> saveScreenshots(AppDelegate *delegate, AppState *state, QString directory)
{
    QDir().mkpath(directory);
    const QDir dir(directory);
    co_await state->startup();
    delegate->showPanel();
    co_await nextFrame(delegate->panel());
    // The showing's refresh may still be under way; let it finish before the picture.
    for (int i = 0; i < 50 && state->boards()->isLoadingBoards(); ++i) {
        co_await pause(100ms);
    }
    co_await nextFrame(delegate->panel());
    save(delegate->panel(), dir.filePath(QStringLiteral("board-list.png")));

    // The first board, opened as a click on its row opens it, its columns drawn.
    if (!state->boards()->boards().isEmpty()) {
        const QString boardID = state->boards()->boards().first().id;
        Shell::instance()->openBoard(boardID);
        for (int i = 0; i < 50; ++i) {
            co_await pause(100ms);
            if (state->boards()->lists().contains(boardID) && state->cards()->loadingCards().isEmpty()
                && !state->boards()->isLoadingLists(boardID)) {
                break;
            }
        }
        co_await nextFrame(delegate->panel());
        save(delegate->panel(), dir.filePath(QStringLiteral("board.png")));
        state->setExpanded(true);
        co_await nextFrame(delegate->panel());
        co_await pause(300ms);
        save(delegate->panel(), dir.filePath(QStringLiteral("board-wide.png")));

        // The card with the most to show, in its editor.
        QString busiest;
        qint64 most = -1;
        for (const auto &list : state->boards()->lists().value(boardID)) {
            for (const auto &card : state->cards()->cards().value(list.id)) {
                const qint64 weight =
                    card.badges ? card.badges->comments * 4 + card.badges->checkItems : 0;
                if (weight > most) {
                    most = weight;
                    busiest = card.id;
                }
            }
        }
        if (!busiest.isEmpty()) {
            Shell::instance()->openCard(busiest);
            for (int i = 0; i < 50; ++i) {
                co_await pause(100ms);
                if (state->details()->loadingComments().isEmpty() &&
                    state->details()->loadingChecklists().isEmpty() &&
                    state->details()->loadingAttachments().isEmpty()) {
                    break;
                }
            }
            co_await pause(500ms); // the reactions follow the comments
            co_await nextFrame(delegate->panel());
            save(delegate->panel(), dir.filePath(QStringLiteral("card-editor.png")));
        }
        state->setExpanded(false);
    }

    delegate->showSettingsWindow();
    co_await nextFrame(delegate->settingsWindow());
    save(delegate->settingsWindow(), dir.filePath(QStringLiteral("settings.png")));
}
