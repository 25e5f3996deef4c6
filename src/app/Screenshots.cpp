// SPDX-License-Identifier: MIT
#include "Screenshots.h"

#include "AppDelegate.h"
#include "PanelWindow.h"
#include "TestHooks.h"
#include "state/AppState.h"
#include "views/Shell.h"

#include <QCoroTimer>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QQuickItem>
#include <QQuickView>
#include <QTextDocumentFragment>

#include <algorithm>
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

// Scrolls the view around `item` so that the item's top is `offset` below the view's.
void scrollToTop(QQuickItem *item, qreal offset)
{
    for (QQuickItem *view = item->parentItem(); view; view = view->parentItem()) {
        // The outermost view: a text field sits in a scroll view of its own.
        if (view->inherits("QQuickFlickable") && view->objectName() == QLatin1String("editorForm")) {
            const qreal top = item->mapRectToItem(view, QRectF(0, 0, 1, 1)).y();
            const qreal most = std::max(0.0, view->property("contentHeight").toReal() - view->height());
            view->setProperty("contentY",
                              std::clamp(view->property("contentY").toReal() + top - offset, 0.0, most));
            return;
        }
    }
}

// Back from the card editor to the board, which the next card opens from afresh.
QCoro::Task<> closeEditor(QQuickWindow *panel, QQuickItem *root)
{
    if (QQuickItem *board = hooks::findVisible(root, QStringLiteral("boardScreen"))) {
        QMetaObject::invokeMethod(board, "closeEditor");
        co_await nextFrame(panel);
    }
}

// Waits until the card's comments, checklists and attachments, and its board's members, are in.
QCoro::Task<> cardDetails(AppState *state, QString boardID)
{
    for (int i = 0; i < 50; ++i) {
        co_await pause(100ms);
        if (state->comments()->loadingComments().isEmpty() &&
            state->checklists()->loadingChecklists().isEmpty() &&
            state->attachments()->loadingAttachments().isEmpty() &&
            state->boards()->membersModel(boardID)->isLoaded()) {
            break;
        }
    }
    co_await pause(500ms); // the reactions follow the comments
}

bool save(QQuickWindow *window, const QString &path)
{
    const bool saved = window->grabWindow().save(path, "PNG");
    std::printf("%s: %s\n", saved ? "screenshot" : "could not save screenshot",
                QDir::toNativeSeparators(path).toUtf8().constData());
    std::fflush(stdout);
    return saved;
}

// With STAVELIN_TEXT_DUMP naming a file, every text a screen shows is appended to it, one JSON
// object a line: {"screen": "board", "text": "Add card", "input": false}. "input" marks what
// an editable field holds (the user's own words). The translation tests read it.
class TextDump {
public:
    TextDump() : m_file(qEnvironmentVariable("STAVELIN_TEXT_DUMP"))
    {
        if (!m_file.fileName().isEmpty() && !m_file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            std::fprintf(stderr, "stavelin: cannot write %s\n", m_file.fileName().toUtf8().constData());
        }
    }

    bool active() const { return m_file.isOpen(); }

    void add(const QString &screen, const QString &text, bool input = false)
    {
        if (!m_file.isOpen() || text.trimmed().isEmpty()) {
            return;
        }
        const QJsonObject line{{QStringLiteral("screen"), screen},
                               {QStringLiteral("text"), text},
                               {QStringLiteral("input"), input}};
        m_file.write(QJsonDocument(line).toJson(QJsonDocument::Compact) + '\n');
        m_file.flush();
    }

    // The texts of every item the window shows: Text, TextInput and TextEdit (Controls draw
    // labels, placeholders and buttons' words with these), skipping hidden and see-through ones.
    void add(const QString &screen, QQuickWindow *window)
    {
        if (m_file.isOpen()) {
            walk(screen, window->contentItem());
        }
    }

    void add(const QString &screen, const QWidget *widget)
    {
        if (!m_file.isOpen()) {
            return;
        }
        for (const QLabel *label : widget->findChildren<QLabel *>()) {
            if (label->isVisible()) {
                add(screen, label->text());
            }
        }
    }

private:
    void walk(const QString &screen, QQuickItem *item)
    {
        if (!item->isVisible() || item->opacity() <= 0.0) {
            return;
        }
        const bool input = item->inherits("QQuickTextInput") || item->inherits("QQuickTextEdit");
        if (input || item->inherits("QQuickText")) {
            QString text = item->property("text").toString();
            // Rendered Markdown: the words, not the markup they are shown with.
            if (item->inherits("QQuickText") && item->property("textFormat").toInt() == Qt::RichText) {
                text = QTextDocumentFragment::fromHtml(text).toPlainText();
            }
            add(screen, text, input && !item->property("readOnly").toBool());
        }
        for (QQuickItem *child : item->childItems()) {
            walk(screen, child);
        }
    }

    QFile m_file;
};

// The card with the longest description, rendered in its editor; the list of members to
// mention, open in the comment field of the sample card whose comments mention them; and cards
// found on every board. (No texts for the translation checks: these show the account's words.)
QCoro::Task<> saveReadingShots(AppDelegate *delegate, AppState *state, QString boardID, QDir dir)
{
    QString described;
    qsizetype longest = 0;
    QString mentioning;
    for (const auto &list : state->boards()->lists().value(boardID)) {
        for (const auto &card : state->cards()->cards().value(list.id)) {
            if (card.desc && card.desc->size() > longest) {
                longest = card.desc->size();
                described = card.id;
            }
            if (card.name == QLatin1String("Board switcher search")) {
                mentioning = card.id;
            }
        }
    }
    QQuickItem *root = delegate->panel()->rootView();
    if (!described.isEmpty()) {
        co_await closeEditor(delegate->panel(), root);
        Shell::instance()->openCard(described);
        co_await cardDetails(state, boardID);
        co_await nextFrame(delegate->panel());
        save(delegate->panel(), dir.filePath(QStringLiteral("card-description.png")));
    }
    if (!mentioning.isEmpty()) {
        co_await closeEditor(delegate->panel(), root);
        Shell::instance()->openCard(mentioning);
        co_await cardDetails(state, boardID);
        if (QQuickItem *field = hooks::findVisible(delegate->panel()->rootView(), QStringLiteral("commentField"))) {
            // The comment rows are made as the view comes near them, and then make room to scroll.
            for (int i = 0; i < 3; ++i) {
                scrollToTop(field, 40);
                co_await nextFrame(delegate->panel());
            }
            field->forceActiveFocus(Qt::OtherFocusReason);
            field->setProperty("text", QStringLiteral("Thanks both, the sketch looks right. Let's ask @"));
            field->setProperty("cursorPosition", field->property("length"));
            co_await nextFrame(delegate->panel());
            save(delegate->panel(), dir.filePath(QStringLiteral("mentions.png")));
            field->setProperty("text", QString());
        }
    }
    // Back to the board list, with a search typed.
    state->setExpanded(false);
    QMetaObject::invokeMethod(root, "closeBoard");
    root->setProperty("boardSearch", QStringLiteral("re"));
    for (int i = 0; i < 50; ++i) {
        co_await pause(100ms);
        if (state->search()->query() == QLatin1String("re") && !state->search()->isSearching() &&
            !state->search()->results().isEmpty()) {
            break;
        }
    }
    co_await nextFrame(delegate->panel());
    save(delegate->panel(), dir.filePath(QStringLiteral("search.png")));
    root->setProperty("boardSearch", QString());

    // The notifications, as the bell opens them, with their authors' pictures in.
    QMetaObject::invokeMethod(root, "openNotifications");
    co_await pause(500ms);
    co_await nextFrame(delegate->panel());
    save(delegate->panel(), dir.filePath(QStringLiteral("notifications.png")));
}

} // namespace

QCoro::Task<> saveScreenshots(AppDelegate *delegate, AppState *state, QString directory)
{
    QDir().mkpath(directory);
    TextDump texts;
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
    texts.add(QStringLiteral("board-list"), delegate->panel());

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
        texts.add(QStringLiteral("board"), delegate->panel());
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
            co_await cardDetails(state, boardID);
            co_await nextFrame(delegate->panel());
            save(delegate->panel(), dir.filePath(QStringLiteral("card-editor.png")));
            texts.add(QStringLiteral("card-editor"), delegate->panel());
        }
        co_await saveReadingShots(delegate, state, boardID, dir);
        state->setExpanded(false);
    }

    delegate->showSettingsWindow();
    co_await nextFrame(delegate->settingsWindow());
    save(delegate->settingsWindow(), dir.filePath(QStringLiteral("settings.png")));
    texts.add(QStringLiteral("settings"), delegate->settingsWindow());

    if (texts.active()) {
        for (const QString &text : delegate->statusMenuTexts()) {
            texts.add(QStringLiteral("tray-menu"), text);
        }
        delegate->showAbout();
        co_await pause(300ms);
        texts.add(QStringLiteral("about"), delegate->aboutWindow());
        texts.add(QStringLiteral("end"), QStringLiteral("end"));
    }
}
