# SPDX-License-Identifier: MIT
"""The system-wide shortcut through each route, with the real program on a real X server:

- the grab: another program holds Ctrl+Alt+T before Stavelin starts; Settings and the tooltip
  say so; Ctrl+Alt+K chosen with real key presses in the recorder toggles the panel, and the
  choice outlives a restart;
- KDE's shortcut service: the real kglobalaccel5 on the session bus; the program registers
  there, a real key press toggles the panel, and a change made through the service's own
  interface (as System Settings makes it) is followed;
- the GlobalShortcuts portal: a stand-in on a bus of its own (Debian 12 has no portal that
  binds shortcuts), asked because another program holds the key on the X server; its
  Activated signal toggles the panel, and the session is closed when the program quits.

Usage: shortcut_e2e.py path/to/stavelin   (needs DISPLAY, xdotool, xwininfo; the KDE and portal
parts need kglobalaccel5, gdbus, dbus-daemon and python3-dbus, and are skipped without them)
"""
import os
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import (SKIP, Run, check, click, hidden, main, needs, on_screen,  # noqa: E402
                     run, until, xdotool)

HERE = os.path.dirname(os.path.abspath(__file__))
STAND_IN = os.path.join(HERE, "..", "platform", "portal-shortcuts-standin.py")
BARE_BUS = os.path.join(HERE, "..", "platform", "bare-session-bus.conf")
# Ctrl+Alt+J as Qt codes a key combination, which is how kglobalaccel takes keys.
CTRL_ALT_J = 0x04000000 | 0x08000000 | 0x4A

# Another program's grab of Ctrl+Alt+T (Control and Mod1, as on Xvfb), held until its input
# closes. libX11 through ctypes: no extra package.
GRABBER = r'''
import ctypes, sys
x = ctypes.cdll.LoadLibrary("libX11.so.6")
x.XOpenDisplay.restype = ctypes.c_void_p
x.XDefaultRootWindow.restype = ctypes.c_ulong
x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
x.XStringToKeysym.restype = ctypes.c_ulong
x.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
x.XGrabKey.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_uint, ctypes.c_ulong,
                       ctypes.c_int, ctypes.c_int, ctypes.c_int]
x.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
display = x.XOpenDisplay(None)
code = x.XKeysymToKeycode(display, x.XStringToKeysym(b"t"))
x.XGrabKey(display, code, 4 | 8, x.XDefaultRootWindow(display), 1, 1, 1)
x.XSync(display, 0)
print("grabbed", flush=True)
sys.stdin.read()
'''


def hold_ctrl_alt_t(e2e):
    """Another program grabs Ctrl+Alt+T on the X server until the run ends."""
    grabber = subprocess.Popen([sys.executable, "-c", GRABBER], stdin=subprocess.PIPE,
                               stdout=subprocess.PIPE, text=True)
    e2e.cleanups.append(lambda: (grabber.stdin.close(), grabber.wait(10)))
    check(grabber.stdout.readline().strip() == "grabbed", "the other program did not grab")


def gdbus(env, *args):
    done = run("gdbus", "call", "--session", *args, env=env)
    check(done.returncode == 0, f"gdbus {' '.join(args)}: {done.stderr.strip()}")
    return done.stdout


def grab_route(binary):
    e2e = Run("shortcut")
    step = e2e.step
    # The program's own preferences, kept across its restart; no demo (its are thrown away).
    env = e2e.env()

    def scenario():
        step("another program holds Ctrl+Alt+T")
        hold_ctrl_alt_t(e2e)

        step("Stavelin starts anyway and says the shortcut is taken")
        program = e2e.start(binary, [], env)
        program.expect(r"no hot key: .*already in use.*", 20)
        program.command("tooltip")
        program.expect(r"tooltip: Stavelin Ctrl\+Alt\+T is used by another program\. "
                       r"Choose another shortcut\.")
        program.command("show")
        program.expect(r"panel shown .*")
        program.command("read shortcutStatus")
        program.expect(r"read shortcutStatus: Ctrl\+Alt\+T is used by another program\. "
                       r"Choose another shortcut\.")

        step("Ctrl+Alt+K pressed in the recorder becomes the shortcut")
        click(program.centre("shortcutButton"))
        program.command("read shortcutButton")
        program.expect(r"read shortcutButton: Press the new shortcut…")
        xdotool("key", "ctrl+alt+k")
        program.expect(r"hot key ready: Ctrl\+Alt\+K through x11")
        program.command("read shortcutStatus")
        program.expect(r"read shortcutStatus: Press Ctrl\+Alt\+K anywhere to show or hide the window\.")
        check(on_screen() is not None, "choosing the shortcut hid the panel")
        program.command("tooltip")
        program.expect(r"tooltip: Stavelin \(Ctrl\+Alt\+K\)")

        step("Ctrl+Alt+K hides and shows the panel")
        xdotool("key", "ctrl+alt+k")
        program.expect(r"panel hidden")
        check(hidden(), "the panel is still mapped")
        xdotool("key", "ctrl+alt+k")
        program.expect(r"panel shown .*")

        step("after a restart Ctrl+Alt+K is the shortcut")
        program.stop()
        check(program.process.returncode == 0, f"it exited with {program.process.returncode}")
        program = e2e.start(binary, [], env)
        program.expect(r"hot key ready: Ctrl\+Alt\+K through x11", 20)
        xdotool("key", "ctrl+alt+k")
        program.expect(r"panel shown .*")
        check(on_screen() is not None, "the shortcut did not map the panel after the restart")

    return e2e(scenario)


def kde_route(binary):
    e2e = Run("shortcut-kde")
    step = e2e.step
    env = e2e.env()

    def scenario():
        step("KDE's shortcut service runs")
        daemon = subprocess.Popen(["kglobalaccel5"], env=env, stdout=subprocess.DEVNULL,
                                  stderr=subprocess.DEVNULL)
        e2e.cleanups.append(lambda: (daemon.terminate(), daemon.wait(10)))
        until(lambda: "true" in gdbus(env, "--dest", "org.freedesktop.DBus", "--object-path",
                                      "/org/freedesktop/DBus", "--method",
                                      "org.freedesktop.DBus.NameHasOwner", "org.kde.kglobalaccel"),
              "kglobalaccel5 did not take its name", 10)

        step("Stavelin registers Ctrl+Alt+T there, and the key shows the panel")
        program = e2e.start(binary, ["--demo"], env)
        program.expect(r"hot key ready: Ctrl\+Alt\+T through kglobalaccel", 20)
        xdotool("key", "ctrl+alt+t")
        program.expect(r"panel shown .*")

        step("a change made in the service, as System Settings makes it, is followed")
        gdbus(env, "--dest", "org.kde.kglobalaccel", "--object-path", "/kglobalaccel",
              "--method", "org.kde.KGlobalAccel.setForeignShortcut",
              "['com.fennelworks.StavelinTrello', 'toggle', 'Stavelin', 'Stavelin']",
              f"[{CTRL_ALT_J}]")
        program.expect(r"hot key ready: Ctrl\+Alt\+J through kglobalaccel")
        xdotool("key", "ctrl+alt+j")
        program.expect(r"panel hidden")
        check(hidden(), "the panel is still mapped")

    return e2e(scenario)


def portal_route(binary):
    e2e = Run("shortcut-portal")
    step = e2e.step

    def scenario():
        step("the key is taken on the X server; a portal that binds shortcuts is on the bus")
        hold_ctrl_alt_t(e2e)
        bus = subprocess.Popen(["dbus-daemon", f"--config-file={BARE_BUS}", "--nofork",
                                "--print-address=1"], stdout=subprocess.PIPE, text=True)
        e2e.cleanups.append(lambda: (bus.terminate(), bus.wait(10)))
        env = e2e.env(DBUS_SESSION_BUS_ADDRESS=bus.stdout.readline().strip())
        portal = subprocess.Popen([STAND_IN], env=env)
        e2e.cleanups.append(lambda: (portal.terminate(), portal.wait(10)))
        stand_in = ("--dest", "org.freedesktop.portal.Desktop", "--object-path",
                    "/org/freedesktop/portal/desktop", "--method")
        until(lambda: run("gdbus", "call", "--session", *stand_in,
                          "com.fennelworks.StavelinTest.PortalStandIn.Sessions",
                          env=env).returncode == 0, "the stand-in portal did not start", 10)

        step("Stavelin binds Ctrl+Alt+T through the portal, and its Activated shows the panel")
        program = e2e.start(binary, ["--demo"], env)
        program.expect(r"hot key ready: Ctrl\+Alt\+T through portal", 20)
        gdbus(env, *stand_in, "com.fennelworks.StavelinTest.PortalStandIn.Press", "toggle",
              "token-1")
        program.expect(r"panel shown .*")
        check(on_screen() is not None, "the portal's press did not map the panel")

        step("quitting closes the portal session")
        program.stop()
        calls = gdbus(env, *stand_in, "com.fennelworks.StavelinTest.PortalStandIn.Calls")
        check("Close" in calls and "Vanished" not in calls,
              f"the session was not closed by the program: {calls}")

    return e2e(scenario)


def test(args):
    binary = os.path.abspath(args[0])
    if reason := needs("xdotool", "xwininfo"):
        print(reason)
        return SKIP
    verdict = grab_route(binary)
    if shutil.which("kglobalaccel5") and shutil.which("gdbus"):
        verdict |= kde_route(binary)
    else:
        print("SKIP (KDE's route): kglobalaccel5 or gdbus is not installed")
    if shutil.which("dbus-daemon") and shutil.which("gdbus"):
        verdict |= portal_route(binary)
    else:
        print("SKIP (the portal route): dbus-daemon or gdbus is not installed")
    return verdict


if __name__ == "__main__":
    sys.exit(main(__doc__, 1, test))
