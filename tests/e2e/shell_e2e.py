# SPDX-License-Identifier: MIT
"""The real program on a virtual desktop: tray clicks, the hot key, the menu, Escape, a
callback URL handed over by a second start (directly and through xdg-open; the panel asks
before it connects the account of a callback nobody started), the panel
staying on screen when it grows at the right edge, and Ctrl+, for the Settings window.

Usage: shell_e2e.py path/to/stavelin   (needs DISPLAY with a tray host, xdotool, xwininfo)
The program runs with STAVELIN_TEST_HOOKS=1: it reports what it does on stderr and takes a
few commands on stdin. Every wait is bounded; nothing sleeps for a fixed long time.
"""
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import (SCREEN_MARGIN, SKIP, Failure, Run, check, geometry, hidden,  # noqa: E402
                     click, main, needs, on_screen, panel_window_id, run, sandbox_credentials,
                     screen_size, until, xdotool)


def test(args):
    binary = os.path.abspath(args[0])
    if reason := needs("xdotool", "xwininfo"):
        print(reason)
        return SKIP
    if '("panel" "trayer")' not in run("xwininfo", "-root", "-tree").stdout:
        print("SKIP: no tray host on this display")
        return SKIP
    e2e = Run("e2e")
    env = e2e.env()
    program = e2e.start(binary, ["--demo"], env)
    step = e2e.step

    def scenario():
        step("start: the tray icon is embedded")
        icon = geometry(program.expect(r"tray ready at [\d.]+ ms, icon (.*)", 20).group(1))
        until(lambda: "stavelin: hot key ready: Ctrl+Alt+T through x11" in program.log,
              "no hot key: " + " ".join(program.log))
        ix, iy, iw, ih = icon
        click_x, click_y = ix + iw // 2, iy + ih // 2
        screen_w, screen_h = screen_size()

        step("a tray click shows the panel under the icon")
        xdotool("mousemove", str(click_x), str(click_y), "click", "1")
        shown = geometry(program.expect(r"panel shown (.*) in [\d.]+ ms").group(1))
        real = on_screen()
        check(real == shown, f"the panel is at {real} on screen, the program says {shown}")
        x, y, w, h = real
        check((w, h) == (420, 560), f"collapsed panel is {w}x{h}")
        check(y == iy + ih + 4, f"panel top {y} is not 4 px below the icon's bottom {iy + ih}")
        check(x <= click_x <= x + w, "the panel is not under the icon")
        check(SCREEN_MARGIN <= x and x + w <= screen_w - SCREEN_MARGIN, "panel off the margins")

        step("a second click hides it")
        xdotool("mousemove", str(click_x), str(click_y), "click", "1")
        program.expect(r"panel hidden")
        check(hidden(), "the panel is still mapped")

        step("Ctrl+Alt+T shows and hides it")
        xdotool("key", "ctrl+alt+t")
        program.expect(r"panel shown .*")
        check(on_screen() is not None, "the hot key did not map the panel")
        xdotool("key", "ctrl+alt+t")
        program.expect(r"panel hidden")
        check(hidden(), "the hot key did not unmap the panel")

        step("a right click opens the menu; the next left click toggles the panel")
        xdotool("mousemove", str(click_x), str(click_y), "click", "3")
        program.expect(r"menu shown: Show Stavelin\tCtrl\+Alt\+T")
        time.sleep(0.2)  # let the menu take its grab before it is dismissed
        xdotool("key", "Escape")
        program.drain()
        deadline = time.monotonic() + 5
        while True:  # the click that lands while the menu still closes is absorbed by it
            xdotool("mousemove", str(click_x), str(click_y), "click", "1")
            try:
                program.expect(r"panel shown .*", 1)
                break
            except Failure:
                check(time.monotonic() < deadline, "a left click after the menu did nothing")
        check(on_screen() is not None, "the panel did not show after the menu")

        step("the menu follows the panel: Hide Stavelin hides it")
        xdotool("mousemove", str(click_x), str(click_y), "click", "3")
        program.expect(r"menu shown: Hide Stavelin\tCtrl\+Alt\+T")
        time.sleep(0.2)
        xdotool("key", "Down", "Return")
        program.expect(r"panel hidden")
        check(hidden(), "Hide Stavelin left the panel mapped")

        step("Escape hides the panel")
        xdotool("key", "ctrl+alt+t")
        program.expect(r"panel shown .*")
        wid = panel_window_id()
        xdotool("windowfocus", "--sync", wid)
        xdotool("key", "Escape")
        program.expect(r"panel hidden")
        check(hidden(), "Escape left the panel mapped")

        step("growing at the right edge keeps the panel on screen, top edge fixed")
        xdotool("mousemove", str(click_x), str(click_y), "click", "1")
        _, top, _, _ = geometry(program.expect(r"panel shown (.*) in [\d.]+ ms").group(1))
        program.command("expand")
        grown = geometry(program.expect(r"panel resized (.*)").group(1))
        x, y, w, h = grown
        check((w, h) == (820, 560), f"expanded panel is {w}x{h}")
        check(y == top, f"the top edge moved from {top} to {y}")
        check(SCREEN_MARGIN <= x and x + w <= screen_w - SCREEN_MARGIN,
              f"expanded panel at x={x} leaves the screen")
        deadline = time.monotonic() + 5
        while on_screen() != grown and time.monotonic() < deadline:
            time.sleep(0.05)
        check(on_screen() == grown, f"on screen {on_screen()}, expected {grown}")
        program.command("collapse")
        program.expect(r"panel resized .* 420x560")
        xdotool("key", "ctrl+alt+t")
        program.expect(r"panel hidden")

        step("a callback URL given to a second start connects the running one")
        # The sandbox's token, as the authorization page would hand it back.
        _, token = sandbox_credentials(binary)
        started = time.monotonic()
        second = run(binary, "--demo", f"stavelin://auth#state=x&token={token}",
                     timeout=10, env=env)
        took = time.monotonic() - started
        check(second.returncode == 0, f"the second start exited with {second.returncode}")
        check(took < 3, f"the second start took {took:.1f} s")
        check(token not in second.stderr + second.stdout, "the token was printed")
        program.expect(r"callback received")
        # Nobody started an authorization here: the panel shows and asks before it connects
        # the account, once the service has named it.
        program.expect(r"asked to connect another account")
        check(on_screen() is not None, "the callback did not show the panel")
        click(program.centre("connectAccountButton"))
        program.expect(r"authorization complete")
        check(all(token not in line for line in program.log), "the token was printed")
        xdotool("key", "ctrl+alt+t")
        program.expect(r"panel hidden")

        step("xdg-open delivers a stavelin: URL to the running program")
        data_home = env["XDG_DATA_HOME"]
        os.makedirs(os.path.join(data_home, "applications"), exist_ok=True)
        entry = os.path.join(data_home, "applications", "stavelin-e2e.desktop")
        with open(entry, "w") as f:
            f.write("[Desktop Entry]\nType=Application\nName=Stavelin\n"
                    f"Exec={binary} --demo %u\nMimeType=x-scheme-handler/stavelin;\n"
                    "NoDisplay=true\n")
        run("xdg-mime", "default", "stavelin-e2e.desktop", "x-scheme-handler/stavelin", env=env)
        started = time.monotonic()
        opened = run("xdg-open", "stavelin://auth#token=other-token", timeout=15, env=env)
        took = time.monotonic() - started
        check(opened.returncode == 0, f"xdg-open exited with {opened.returncode}: {opened.stderr}")
        check(took < 5, f"xdg-open waited {took:.1f} s")
        program.expect(r"callback received")
        program.expect(r"panel shown .*")

        step("Ctrl+, in the panel opens the Settings window in its place")
        wid = panel_window_id()
        check(wid is not None, "the panel is not on screen")
        xdotool("windowfocus", "--sync", wid)
        xdotool("key", "ctrl+comma")
        program.expect(r"panel hidden")
        settings = on_screen(title="Stavelin Settings")
        check(settings is not None, "no Settings window")
        check(settings[2:] == (480, 360), f"the Settings window is {settings[2]}x{settings[3]}")

        step("Quit Stavelin ends the program")
        xdotool("mousemove", str(click_x), str(click_y), "click", "3")
        program.expect(r"menu shown: .*")
        time.sleep(0.2)
        xdotool("key", "Up", "Return")
        try:
            code = program.process.wait(10)
        except subprocess.TimeoutExpired:
            raise Failure("Quit Stavelin did not end the program")
        check(code == 0, f"the program exited with {code}")

    return e2e(scenario, tail=40)


if __name__ == "__main__":
    sys.exit(main(__doc__, 1, test))
