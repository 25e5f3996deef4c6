# SPDX-License-Identifier: MIT
"""The real program under a D-Bus (StatusNotifierItem) tray, as most desktops host tray icons:
the icon is registered with the watcher and drawn in the bar, a click on it shows the panel
next to the bar without covering it, a second click hides it, and the menu the bar shows
works (Show, About, Quit).

Usage: scripts/desktop-session.sh --sni-tray sni_tray_e2e.py path/to/stavelin
There the icon's geometry is unknown to the program, so the panel is placed from the pointer
and the work area the window manager makes of the bar's strut.
"""
import os
import re
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import (SCREEN_MARGIN, SKIP, Failure, Run, check, hidden, main,  # noqa: E402
                     needs, on_screen, run, screen_size, xdotool)

BAR_CLASS = "gtk-sni-tray-standalone"


def bus_call(*args):
    return run("dbus-send", "--session", "--print-reply", *args).stdout


def registered_pids():
    """The processes whose items the watcher has registered, by their bus names."""
    out = bus_call("--dest=org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher",
                   "org.freedesktop.DBus.Properties.Get", "string:org.kde.StatusNotifierWatcher",
                   "string:RegisteredStatusNotifierItems")
    pids = set()
    for item in re.findall(r'string "([^"]*)"', out):
        name = item.split("/", 1)[0]  # a bus name, perhaps with an object path after it
        answer = bus_call("--dest=org.freedesktop.DBus", "/org/freedesktop/DBus",
                          "org.freedesktop.DBus.GetConnectionUnixProcessID", f"string:{name}")
        pids.update(int(pid) for pid in re.findall(r"uint32 (\d+)", answer))
    return pids


def visible_windows(class_name):
    """(id, x, y, width, height) of every mapped window of a program."""
    found = []
    for wid in run("xdotool", "search", "--onlyvisible", "--class", class_name).stdout.split():
        info = run("xwininfo", "-id", wid).stdout
        if "IsViewable" not in info:
            continue
        value = lambda key: int(re.search(key + r":\s+(-?\d+)", info).group(1))
        found.append((wid, value("Absolute upper-left X"), value("Absolute upper-left Y"),
                      value("Width"), value("Height")))
    return found


def bar():
    """The tray bar: the full-width window along the top."""
    screen_w, _ = screen_size()
    bars = [w for w in visible_windows(BAR_CLASS) if w[1:4] == (0, 0, screen_w)]
    check(len(bars) == 1, f"no tray bar along the top: {visible_windows(BAR_CLASS)}")
    return bars[0][1:]


def grab(x, y, w, h):
    """The screen's pixels in a rectangle, as rows of (r, g, b)."""
    ppm = subprocess.run(["import", "-silent", "-window", "root", "-crop", f"{w}x{h}+{x}+{y}",
                          "+repage", "-depth", "8", "ppm:-"], capture_output=True,
                         timeout=10).stdout
    fields = ppm.split(maxsplit=4)
    check(fields[:1] == [b"P6"] and (int(fields[1]), int(fields[2])) == (w, h),
          "the screenshot failed")
    data = fields[4]
    return [[tuple(data[3 * (row * w + col):3 * (row * w + col) + 3]) for col in range(w)]
            for row in range(h)]


def luminance(rgb):
    def channel(c):
        c /= 255
        return c / 12.92 if c <= 0.03928 else ((c + 0.055) / 1.055) ** 2.4
    r, g, b = map(channel, rgb)
    return 0.2126 * r + 0.7152 * g + 0.0722 * b


def contrast(a, b):
    la, lb = sorted((luminance(a), luminance(b)), reverse=True)
    return (la + 0.05) / (lb + 0.05)


def find_icon(bar_rect):
    """The icon's box in the bar (screen coordinates), its contrast against the bar, and the
    bar's colour; None while the bar shows nothing but its background."""
    x, y, w, h = bar_rect
    pixels = grab(x, y, w, h)
    counts = {}
    for row in pixels:
        for rgb in row:
            counts[rgb] = counts.get(rgb, 0) + 1
    background = max(counts, key=counts.get)
    drawn = [(col, row) for row in range(h) for col in range(w)
             if max(abs(a - b) for a, b in zip(pixels[row][col], background)) > 48]
    if len(drawn) < 20:
        return None
    cols = [c for c, _ in drawn]
    rows = [r for _, r in drawn]
    box = (x + min(cols), y + min(rows), max(cols) - min(cols) + 1, max(rows) - min(rows) + 1)
    strongest = max(contrast(pixels[r][c], background) for c, r in drawn)
    return box, strongest, background


def test(args):
    binary = os.path.abspath(args[0])
    if reason := needs("xdotool", "import"):
        print(reason)
        return SKIP
    if run("xdotool", "search", "--class", BAR_CLASS).returncode != 0:
        print("SKIP: no StatusNotifierItem tray here (scripts/desktop-session.sh --sni-tray)")
        return SKIP
    e2e = Run("sni-e2e")
    program = e2e.start(binary, ["--demo"], e2e.env())
    step = e2e.step

    def scenario():
        def open_menu(first_item):
            """Right-clicks the icon and waits for the bar's menu of our entries to be mapped."""
            before = {w[0] for w in visible_windows(BAR_CLASS)}
            xdotool("mousemove", str(click_x), str(click_y), "click", "3")
            program.expect(rf"menu shown: {first_item}\tCtrl\+Alt\+T")
            deadline = time.monotonic() + 5
            while True:
                menus = [w for w in visible_windows(BAR_CLASS) if w[0] not in before]
                # Five entries and two separators: far taller than the empty menu a host shows
                # when the program exports none.
                if menus and menus[0][4] >= 80:
                    break
                check(time.monotonic() < deadline, f"no menu of our entries: {menus}")
                time.sleep(0.05)
            time.sleep(0.2)  # the menu takes the keyboard once mapped

        step("start: the icon is registered over D-Bus and drawn in the bar")
        program.expect(r"tray shown at .*", 20)
        pid = program.process.pid
        deadline = time.monotonic() + 10
        while pid not in registered_pids():
            check(time.monotonic() < deadline, "the icon is not registered with the watcher")
            time.sleep(0.05)
        bar_rect = bar()
        bar_bottom = bar_rect[1] + bar_rect[3]
        # The bar lays the icon out and paints it in steps: wait until it stays put.
        deadline = time.monotonic() + 10
        found, last = None, None
        while found is None or found != last:
            check(time.monotonic() < deadline, f"the bar shows no settled icon: {found}")
            time.sleep(0.1)
            found, last = find_icon(bar_rect), found
        (ix, iy, iw, ih), strongest, background = found
        check(8 <= iw <= bar_rect[3] and 8 <= ih <= bar_rect[3],
              f"the icon is {iw}x{ih} in a {bar_rect[3]}-px bar")
        check(strongest >= 3, f"the icon stands out {strongest:.1f}:1 from the bar {background}")
        click_x, click_y = ix + iw // 2, iy + ih // 2
        screen_w, screen_h = screen_size()

        step("a click shows the panel, a quick second click hides it")
        # Within the bar's double-click time (GTK's 400 ms), which then activates the icon
        # twice for the second click; as quick as a hand, no quicker.
        xdotool("mousemove", str(click_x), str(click_y), "click", "1")
        program.expect(r"panel shown .*")
        time.sleep(0.15)
        xdotool("click", "1")
        program.expect(r"panel hidden")
        time.sleep(0.5)
        check(hidden(0.1), "the panel came back after the second click")
        time.sleep(0.5)  # the next click is a click of its own

        step("the panel opens under the bar, next to the icon, and a click hides it")
        xdotool("click", "1")
        # Where the X server has it: under a window manager the program may learn its own
        # position only after the first frame.
        program.expect(r"panel shown .*")
        real = on_screen()
        check(real is not None, "the panel is not on screen")
        x, y, w, h = real
        check(y >= bar_bottom, f"the panel's top {y} covers the bar, which ends at {bar_bottom}")
        check(y <= bar_bottom + SCREEN_MARGIN + 4, f"the panel's top {y} is far below the bar")
        check(x <= click_x <= x + w, f"the panel {real} is not under the icon at {click_x}")
        check(SCREEN_MARGIN <= x and x + w <= screen_w - SCREEN_MARGIN
              and y + h <= screen_h - SCREEN_MARGIN, f"the panel {real} leaves the margins")
        # What the screen shows: the bar's bottom row above the panel is still the bar.
        row = grab(x, bar_bottom - 1, w, 1)[0]
        check(all(rgb == background for rgb in row), "the bar's bottom row is drawn over")
        xdotool("click", "1")
        program.expect(r"panel hidden")
        check(hidden(), "the panel is still mapped")

        step("the bar's menu: Show Stavelin shows the panel")
        open_menu("Show Stavelin")
        xdotool("key", "Down", "Return")
        program.expect(r"panel shown .*")
        check(on_screen() is not None, "Show Stavelin did not map the panel")
        xdotool("key", "ctrl+alt+t")
        program.expect(r"panel hidden")

        step("About Stavelin opens the About window")
        open_menu("Show Stavelin")
        xdotool("key", "Up", "Up", "Return")  # from the bottom: Quit, then About
        check(on_screen(title="About Stavelin") is not None, "no About window")

        step("Quit Stavelin ends the program")
        open_menu(".*")
        xdotool("key", "Up", "Return")
        try:
            code = program.process.wait(10)
        except subprocess.TimeoutExpired:
            raise Failure("Quit Stavelin did not end the program")
        check(code == 0, f"the program exited with {code}")

    return e2e(scenario, tail=40)


if __name__ == "__main__":
    sys.exit(main(__doc__, 1, test))
