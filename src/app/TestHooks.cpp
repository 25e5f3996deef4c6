// SPDX-License-Identifier: MIT
#include "TestHooks.h"

#include <QQuickItem>
#include <QQuickView>

#include "AppDelegate.h"
#include "DesktopNotifier.h"
#include "PanelWindow.h"
#include "state/AppState.h"
#include "views/Shell.h"

#include <QCoreApplication>
#include <QRect>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <unistd.h>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace hooks {
namespace {
QElapsedTimer s_clock;
qint64 s_startNs = 0; // wall clock at the start, when given from outside
} // namespace

bool enabled()
{
    static const bool on = qEnvironmentVariableIntValue("STAVELIN_TEST_HOOKS") == 1;
    return on;
}

void markStart()
{
    s_clock.start();
    s_startNs = qEnvironmentVariable("STAVELIN_TEST_T0_NS").toLongLong();
}

double elapsedMs()
{
    if (s_startNs > 0) {
        const auto now = std::chrono::duration_cast<std::chrono::nanoseconds>(
                             std::chrono::system_clock::now().time_since_epoch())
                             .count();
        return double(now - s_startNs) / 1e6;
    }
    return s_clock.isValid() ? double(s_clock.nsecsElapsed()) / 1e6 : 0.0;
}

void trace(const QString &line)
{
    if (enabled()) {
        std::fprintf(stderr, "stavelin: %s\n", line.toUtf8().constData());
        std::fflush(stderr);
    }
}

} // namespace hooks

QQuickItem *hooks::findVisible(QQuickItem *item, const QString &name)
{
    QList<QQuickItem *> pending;
    if (item) {
        pending = item->childItems();
    }
    while (!pending.isEmpty()) {
        QQuickItem *candidate = pending.takeFirst();
        if (!candidate->isVisible()) {
            continue;
        }
        if (candidate->objectName() == name) {
            return candidate;
        }
        pending.append(candidate->childItems());
    }
    return nullptr;
}

namespace {

QString geometryText(const QRect &r)
{
    return QStringLiteral("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

QString msText(double ms)
{
    return QString::number(ms, 'f', 1);
}

} // namespace

TestTraces::TestTraces(AppDelegate *delegate, AppState *state, QObject *parent)
    : QObject(parent)
{
    // The tests poll notifications more often than every minute.
    if (const int every = qEnvironmentVariableIntValue("STAVELIN_NOTIFICATION_INTERVAL_MS"); every > 0) {
        state->notifications()->setInterval(std::chrono::milliseconds(every));
    }
    // Bubbles of the demo's unread notifications would cover the panel's corner where the
    // tests point: only the tests of notifications want them.
    if (qEnvironmentVariable("STAVELIN_DESKTOP_NOTIFICATIONS") == QLatin1String("0")) {
        QTimer::singleShot(0, this, [delegate] {
            if (DesktopNotifier *notifier = delegate->desktopNotifier()) {
                notifier->setEnabled(false);
            }
        });
    }
    // So would the demo's due reminder, and its fetches would count among the tests' requests.
    if (qEnvironmentVariable("STAVELIN_DUE_REMINDERS") == QLatin1String("0")) {
        state->reminders()->setEnabled(false);
    }
    using hooks::trace;
    connect(delegate, &AppDelegate::trayIconShown, this, [] {
        trace(QStringLiteral("tray shown at %1 ms").arg(msText(hooks::elapsedMs())));
    });
    connect(delegate, &AppDelegate::trayIconReady, this, [](const QRect &icon) {
        trace(QStringLiteral("tray ready at %1 ms, icon %2")
                  .arg(msText(hooks::elapsedMs()), geometryText(icon)));
    });
    connect(delegate, &AppDelegate::panelBuilt, this, [this, delegate] {
        trace(QStringLiteral("panel built at %1 ms").arg(msText(hooks::elapsedMs())));
        // Whether the window system gave it the focus (under Wayland only the compositor can).
        PanelWindow *panel = delegate->panel();
        connect(panel, &QWindow::activeChanged, this, [panel] {
            trace(panel->isActive() ? QStringLiteral("panel active") : QStringLiteral("panel inactive"));
        });
    });
    connect(delegate, &AppDelegate::hotKeyReady, this,
            [](const QString &combination, const QString &route) {
                trace(QStringLiteral("hot key ready: %1 through %2").arg(combination, route));
            });
    connect(delegate, &AppDelegate::hotKeyUnavailable, this,
            [](const QString &reason) { trace(QStringLiteral("no hot key: ") + reason); });
    connect(delegate, &AppDelegate::quickAddKeyReady, this,
            [](const QString &combination, const QString &route) {
                trace(QStringLiteral("quick add key ready: %1 through %2").arg(combination, route));
            });
    connect(delegate, &AppDelegate::quickAddKeyUnavailable, this,
            [](const QString &reason) { trace(QStringLiteral("no quick add key: ") + reason); });
    connect(delegate, &AppDelegate::quickAddShown, this, [] { trace(QStringLiteral("quick add shown")); });
    connect(delegate, &AppDelegate::quickAddClosed, this, [] { trace(QStringLiteral("quick add closed")); });
    connect(delegate, &AppDelegate::panelShowRequested, this, [this] { m_showClock.start(); });
    connect(delegate, &AppDelegate::panelShown, this, [this](const QRect &geometry) {
        trace(QStringLiteral("panel shown %1 in %2 ms")
                  .arg(geometryText(geometry), msText(double(m_showClock.nsecsElapsed()) / 1e6)));
    });
    connect(delegate, &AppDelegate::panelHidden, this,
            [] { trace(QStringLiteral("panel hidden")); });
    connect(delegate, &AppDelegate::panelResized, this, [](const QRect &geometry) {
        trace(QStringLiteral("panel resized ") + geometryText(geometry));
    });
    connect(delegate, &AppDelegate::statusMenuShown, this,
            [](const QString &first) { trace(QStringLiteral("menu shown: ") + first); });
    connect(delegate, &AppDelegate::callbackReceived, this,
            [] { trace(QStringLiteral("callback received")); });
    connect(state->session(), &SessionArea::authDidComplete, this,
            [] { trace(QStringLiteral("authorization complete")); });
    connect(state->session(), &SessionArea::callbackAccountChanged, this, [state] {
        if (state->session()->callbackAccount()) {
            trace(QStringLiteral("asked to connect another account"));
        }
    });
}

namespace {
// Scrolls each flickable around `item`, innermost first, so that the item is within its
// viewport (its top edge, when it is taller than the viewport).
void scrollIntoView(QQuickItem *item)
{
    for (QQuickItem *view = item->parentItem(); view; view = view->parentItem()) {
        if (!view->inherits("QQuickFlickable")) {
            continue;
        }
        const QRectF box = item->mapRectToItem(view, QRectF(0, 0, item->width(), item->height()));
        const auto shift = [view](const char *position, qreal start, qreal length, qreal viewport) {
            qreal by = 0;
            if (start < 0 || length > viewport) {
                by = start;
            } else if (start + length > viewport) {
                by = start + length - viewport;
            }
            if (by != 0) {
                view->setProperty(position, view->property(position).toReal() + by);
            }
        };
        shift("contentY", box.y(), box.height(), view->height());
        shift("contentX", box.x(), box.width(), view->width());
    }
}
} // namespace

TestCommands::TestCommands(AppDelegate *delegate, AppState *state, Shell *shell,
                           QObject *parent)
    : QObject(parent),
      m_delegate(delegate),
      m_state(state),
      m_shell(shell),
      m_notifier(new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this))
{
    connect(m_notifier, &QSocketNotifier::activated, this, &TestCommands::readCommands);
    connect(m_shell, &Shell::noted, this, [](const QString &event) {
        hooks::trace(QStringLiteral("%1 at %2 ms").arg(event).arg(hooks::elapsedMs(), 0, 'f', 1));
    });
}

void TestCommands::readCommands()
{
    char chunk[512];
    const ssize_t count = ::read(STDIN_FILENO, chunk, sizeof chunk);
    if (count <= 0) {
        m_notifier->setEnabled(false); // end of input: nothing more to drive
        return;
    }
    m_buffer.append(chunk, count);
    qsizetype end;
    while ((end = m_buffer.indexOf('\n')) >= 0) {
        const QString command = QString::fromUtf8(m_buffer.left(end)).trimmed();
        m_buffer.remove(0, end + 1);
        run(command);
    }
}

void TestCommands::run(const QString &command)
{
    if (command == QLatin1String("expand") || command == QLatin1String("collapse")) {
        m_state->setExpanded(command == QLatin1String("expand"));
    } else if (command.startsWith(QLatin1String("open-board "))) {
        const QString name = command.mid(11);
        for (const TrelloBoard &board : m_state->boards()->boards()) {
            if (board.name == name) {
                m_delegate->ensurePanel();
                m_shell->openBoard(board.id);
                m_delegate->refreshThen([] { hooks::trace(QStringLiteral("board loaded")); });
                return;
            }
        }
        hooks::trace(QStringLiteral("no such board"));
    } else if (command.startsWith(QLatin1String("open-card "))) {
        // As a click on its tile would: the card of that name on the board on screen.
        const QString name = command.mid(10);
        for (const TrelloBoard &board : m_state->boards()->boards()) {
            for (const TrelloList &list : m_state->boards()->lists().value(board.id)) {
                for (const TrelloCard &card : m_state->cards()->cards().value(list.id)) {
                    if (card.name == name) {
                        hooks::trace(QStringLiteral("card open asked at %1 ms").arg(hooks::elapsedMs(), 0, 'f', 1));
                        m_shell->openCard(card.id);
                        return;
                    }
                }
            }
        }
        hooks::trace(QStringLiteral("no such card"));
    } else if (command.startsWith(QLatin1String("locate ")) || command.startsWith(QLatin1String("focus "))
               || command.startsWith(QLatin1String("reveal ")) || command.startsWith(QLatin1String("read "))) {
        // "locate column:Ideas/addCardButton": where an item of the panel is on the screen, by
        // object names, each one searched within the one before. "read" gives its text. "reveal" first scrolls every
        // view it is in until it shows, then locates it.
        const bool focus = command.startsWith(QLatin1String("focus "));
        const QString path = command.section(QLatin1Char(' '), 1);
        m_delegate->ensurePanel();
        // From the root view; a dialog's items live beside it, over the whole window. Names
        // under "quickAdd:" are the quick-add window's.
        QQuickItem *item = m_delegate->panel()->rootView();
        QStringList names = path.split(QLatin1Char('/'));
        if (names.constFirst().startsWith(QLatin1String("quickAdd:"))) {
            names.first().remove(0, int(qstrlen("quickAdd:")));
            item = m_delegate->quickAddWindow() ? m_delegate->quickAddWindow()->contentItem() : nullptr;
        } else if (!names.isEmpty() && !hooks::findVisible(item, names.constFirst())) {
            item = m_delegate->panel()->contentItem();
        }
        for (const QString &name : names) {
            item = hooks::findVisible(item, name);
        }
        if (!item) {
            hooks::trace(QStringLiteral("not found: ") + path);
        } else if (focus) {
            item->forceActiveFocus(Qt::OtherFocusReason);
            hooks::trace(QStringLiteral("focused ") + path);
        } else if (command.startsWith(QLatin1String("read "))) {
            // What a text item says (a combo box: its choice), on one line.
            const QVariant text = item->property("text");
            const QString said = (text.isValid() ? text : item->property("displayText")).toString();
            hooks::trace(QStringLiteral("read %1: %2").arg(path, said.simplified()));
        } else {
            if (command.startsWith(QLatin1String("reveal "))) {
                scrollIntoView(item);
            }
            const QPointF topLeft = item->mapToGlobal(QPointF(0, 0));
            hooks::trace(QStringLiteral("located %1 %2,%3 %4x%5")
                             .arg(path)
                             .arg(qRound(topLeft.x()))
                             .arg(qRound(topLeft.y()))
                             .arg(qRound(item->width()))
                             .arg(qRound(item->height())));
        }
    } else if (command.startsWith(QLatin1String("select-board "))) {
        // As a click on the board's row: no refresh of the whole panel.
        const QString name = command.mid(13);
        for (const TrelloBoard &board : m_state->boards()->boards()) {
            if (board.name == name) {
                m_delegate->ensurePanel();
                hooks::trace(QStringLiteral("board selected at %1 ms").arg(hooks::elapsedMs(), 0, 'f', 1));
                m_shell->openBoard(board.id);
                watchBoardDrawn(board.id);
                return;
            }
        }
        hooks::trace(QStringLiteral("no such board"));
    } else if (command == QLatin1String("frames start")) {
        // Each frame's interval from the one before, while something moves on the panel.
        m_delegate->ensurePanel();
        m_frameTimes.clear();
        m_frameClock.start();
        QObject::disconnect(m_frames);
        m_frames = connect(m_delegate->panel(), &QQuickWindow::frameSwapped, this, [this] {
            m_frameTimes.append(double(m_frameClock.nsecsElapsed()) / 1e6);
            m_frameClock.start();
        });
    } else if (command == QLatin1String("frames stop")) {
        QObject::disconnect(m_frames);
        QList<double> times = m_frameTimes;
        if (!times.isEmpty()) {
            times.removeFirst(); // the wait before the first frame of the gesture
        }
        std::sort(times.begin(), times.end());
        const auto at = [&times](double share) {
            return times.isEmpty() ? 0.0 : times[qsizetype(share * double(times.size() - 1))];
        };
        hooks::trace(QStringLiteral("frames %1 median %2 p95 %3 max %4 ms")
                         .arg(times.size())
                         .arg(at(0.5), 0, 'f', 1)
                         .arg(at(0.95), 0, 'f', 1)
                         .arg(times.isEmpty() ? 0.0 : times.last(), 0, 'f', 1));
    } else if (command == QLatin1String("refresh")) {
        // As Refresh Boards in the tray menu.
        m_delegate->refreshThen([] { hooks::trace(QStringLiteral("refreshed")); });
    } else if (command.startsWith(QLatin1String("count "))) {
        // "count reactionChip": how many visible items of that name the panel holds.
        const QString name = command.mid(6);
        m_delegate->ensurePanel();
        int count = 0;
        QList<QQuickItem *> pending{m_delegate->panel()->contentItem()};
        while (!pending.isEmpty()) {
            QQuickItem *item = pending.takeFirst();
            if (item->isVisible()) {
                count += item->objectName() == name ? 1 : 0;
                pending.append(item->childItems());
            }
        }
        hooks::trace(QStringLiteral("counted %1 %2").arg(name).arg(count));
    } else if (command.startsWith(QLatin1String("refuse-next ")) && m_refuser) {
        const QStringList parts = command.split(QLatin1Char(' '));
        m_refuser(parts.value(1), parts.value(2), parts.value(3).toInt(),
                  parts.mid(4).join(QLatin1Char(' ')));
        hooks::trace(QStringLiteral("refusing the next ") + parts.value(1));
    } else if (command == QLatin1String("quick-add")) {
        m_delegate->showQuickAdd();
    } else if (command == QLatin1String("tooltip")) {
        hooks::trace(QStringLiteral("tooltip: ") + m_delegate->trayToolTip().replace(u'\n', u' '));
    } else if (command == QLatin1String("badge")) {
        hooks::trace(QStringLiteral("badge: %1").arg(m_delegate->trayBadge()));
    } else if (command == QLatin1String("heap")) {
        // What the allocator holds: in use by the program (small blocks and blocks mapped on
        // their own), and free but kept. Tells growth of what the program keeps from pages
        // that freed blocks leave resident around the ones still in use.
#if defined(__GLIBC__)
        const struct mallinfo2 info = mallinfo2();
        hooks::trace(QStringLiteral("heap: %1 KB in use, %2 KB free")
                         .arg((info.uordblks + info.hblkhd) / 1024)
                         .arg(info.fordblks / 1024));
#endif
    } else if (command == QLatin1String("show")) {
        m_delegate->showPanel();
    } else if (command == QLatin1String("hide")) {
        m_delegate->hidePanel();
    } else if (command == QLatin1String("quit")) {
        // As Quit Stavelin does: the end of a run that tests ask for, so that everything is
        // torn down (and the checked build looks for leaks) as when the user quits.
        QCoreApplication::quit();
    }
}

void TestCommands::watchBoardDrawn(const QString &boardID)
{
    PanelWindow *panel = m_delegate->panel();
    QObject::disconnect(m_boardLaidOut);
    QObject::disconnect(m_boardSwapped);
    m_boardReady = false;
    // Judged as each frame is laid out, before the scene is taken over for drawing; said once
    // that frame is out.
    m_boardLaidOut = connect(panel, &QQuickWindow::afterAnimating, this, [this, boardID] {
        m_boardReady = m_boardReady || boardShown(boardID);
    });
    m_boardSwapped = connect(panel, &QQuickWindow::frameSwapped, this, [this] {
        if (m_boardReady && QObject::disconnect(m_boardSwapped)) {
            QObject::disconnect(m_boardLaidOut);
            hooks::trace(QStringLiteral("board drawn at %1 ms").arg(hooks::elapsedMs(), 0, 'f', 1));
        }
    });
}

bool TestCommands::boardShown(const QString &boardID) const
{
    if (m_state->boards()->lists().value(boardID).isEmpty() || m_state->boards()->isLoadingLists(boardID)) {
        return false;
    }
    QQuickItem *strip = hooks::findVisible(m_delegate->panel()->rootView(), QStringLiteral("boardColumnStrip"));
    auto *content = strip ? strip->property("contentItem").value<QQuickItem *>() : nullptr;
    if (!content) {
        return false;
    }
    const qreal left = strip->property("contentX").toReal();
    const qreal right = left + strip->width();
    int seen = 0;
    for (QQuickItem *slot : content->childItems()) {
        auto *column = slot->property("item").value<QObject *>();
        if (!column || slot->x() + slot->width() < left || slot->x() > right) {
            continue;
        }
        auto *cards = column->property("cards").value<QObject *>();
        if (!cards || !cards->property("loaded").toBool() || column->property("loadingCards").toBool()) {
            return false;
        }
        ++seen;
    }
    return seen > 0;
}
