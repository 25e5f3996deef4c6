// SPDX-License-Identifier: MIT
// One screen of the panel: what its navigation stack holds. The panel's header shows the
// title of the screen on top; closeRequested takes the screen out of the stack.
import QtQuick

FocusScope {
    property string title
    // The stack that holds the screen (a ScreenStack), set when it joins one; a screen opens
    // the screens it leads to through it.
    property var stack: null
    // The screen this one was opened for (a card's editor for its board): it leaves the stack
    // with it.
    property PanelScreen owner: null
    // A screen with an opaque background of its own may leave the one below it drawn until
    // its own first frame is out: hiding a screen walks every item it holds, which the new
    // screen's first frame should not wait for.
    property bool hidesBelowWhenDrawn: false

    signal closeRequested()
}
