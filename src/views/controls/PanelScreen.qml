// SPDX-License-Identifier: MIT
// One screen of the panel: what its navigation stack holds. The panel's header shows the
// title of the screen on top; closeRequested takes the screen out of the stack.
import QtQuick

FocusScope {
    property string title

    signal closeRequested()
}
