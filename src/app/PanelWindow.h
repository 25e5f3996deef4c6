// SPDX-License-Identifier: MIT
#pragma once

#include <QQuickView>

// The floating panel: frameless, on top, on every desktop (on X11; under Wayland an ordinary
// window the compositor places), built once at start and then only shown and hidden. It hosts the root view inside a frame that is rounded and bordered when a
// compositor can show the corners, square otherwise.
class PanelWindow : public QQuickView {
    Q_OBJECT
public:
    static constexpr int CollapsedWidth = 420;
    static constexpr int ExpandedWidth = 820;
    static constexpr int Height = 560;

    PanelWindow(QQmlEngine *engine, const QUrl &rootViewUrl, bool expanded);

    // The root view inside the frame, or nothing when it failed to load.
    QQuickItem *rootView() const;
    // New width, keeping the top-left corner.
    void setExpanded(bool expanded);
    // Rounded corners need someone to composite them; checked again at every showing.
    void updateFrameStyle();

Q_SIGNALS:
    // Escape that nothing in the window took, such as when the focus is nowhere in particular
    // after a dialog has closed. (The root view hides the panel on Escape itself.)
    void hideRequested();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    bool event(QEvent *event) override;
};
