// SPDX-License-Identifier: MIT
// The panel's navigation: a stack of screens on top of a base screen that never leaves. Only
// the top screen shows and holds the focus; the ones below keep their state (typed text,
// scroll positions) until they leave the stack, and nothing changes while the panel is
// hidden. A screen leaves from wherever it is, not only from the top: a board closes under
// the settings when its account disconnects, and takes the screens opened for it along.
import QtQuick
import Stavelin

FocusScope {
    id: stack

    // The bottom screen, declared as a child of the stack.
    required property PanelScreen base

    // The screens above the base, bottom first; replaced as a whole on every change, so that
    // bindings follow.
    property var screens: []
    readonly property int depth: screens.length + 1
    readonly property PanelScreen currentItem: screens.length > 0 ? screens[screens.length - 1]
                                                                   : base
    // The screen under a new one that is still drawn until the new one's first frame (see
    // PanelScreen.hidesBelowWhenDrawn).
    property PanelScreen lingering: null

    // A screen has left the stack; it is destroyed right after.
    signal removed(PanelScreen screen)

    // Screens may have been pushed before this runs (by a parent's Component.onCompleted).
    Component.onCompleted: {
        show(base)
        currentItem.focus = true
    }

    function show(screen: PanelScreen): void {
        screen.anchors.fill = stack
        screen.stack = stack
        screen.visible = Qt.binding(function () {
            return stack.currentItem === screen || stack.lingering === screen
        })
    }

    // Creates a screen from `component` on top of the others and gives it the focus.
    function push(component: Component, properties: var): PanelScreen {
        const below = currentItem
        const screen = component.createObject(stack, properties)
        if (screen === null) {
            console.warn("ScreenStack: could not create", component.url)
            return null
        }
        const window = stack.Window.window
        if (screen.hidesBelowWhenDrawn && window !== null) {
            lingering = below
            const drawn = function () {
                window.frameSwapped.disconnect(drawn)
                if (stack.lingering === below)
                    stack.lingering = null
            }
            window.frameSwapped.connect(drawn)
        }
        show(screen)
        screen.closeRequested.connect(function () { stack.remove(screen) })
        screens = screens.concat([screen])
        screen.focus = true
        return screen
    }

    function pop(): void {
        if (screens.length > 0)
            remove(currentItem)
    }

    // Takes a screen out of the stack wherever it is, with the screens opened for it, and
    // destroys them. The base stays.
    function remove(screen: PanelScreen): void {
        if (screens.indexOf(screen) < 0)
            return
        for (let i = screens.length - 1; i >= 0; --i) {
            if (screens[i].owner === screen)
                remove(screens[i])
        }
        const rest = screens.slice()
        rest.splice(rest.indexOf(screen), 1)
        screens = rest
        if (lingering === screen)
            lingering = null
        currentItem.focus = true
        removed(screen)
        screen.destroy()
    }

    // Pops every screen above `screen`.
    function popTo(screen: PanelScreen): void {
        while (screens.length > 0 && currentItem !== screen)
            remove(currentItem)
    }

    // The screen nearest the top for which `test` is true, or null.
    function find(test: var): PanelScreen {
        for (let i = screens.length - 1; i >= 0; --i) {
            if (test(screens[i]))
                return screens[i]
        }
        return test(base) ? base : null
    }
}
