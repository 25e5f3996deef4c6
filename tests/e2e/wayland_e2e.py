# SPDX-License-Identifier: MIT
"""The real program as a native Wayland client, under a headless compositor from Debian
(KWin's virtual backend, else Weston's headless one), with no X server in reach: the demo
started by `stavelin --demo --toggle` shows its panel and has the focus, a second --toggle
hides it, another window taking the focus hides it, and the panel lists the sample boards.
Weston's headless backend has no seat, so no window there ever has the focus: under it the
focus is not checked.

Usage: wayland_e2e.py path/to/stavelin
Skipped (77) when neither compositor is installed or starts here.
"""
import os
import shutil
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import SKIP, Failure, Run, check, main  # noqa: E402

SAMPLE_BOARDS = ["Product Roadmap", "Home Renovation", "Reading List", "Team Offsite",
                 "Bug Triage"]
SOCKET = "stavelin-e2e"


def end(process):
    if process.poll() is None:
        process.terminate()
        try:
            process.wait(10)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()


def kwin(scratch):
    """KWin's command line, or None. Debian gives kwin_wayland a file capability (to raise
    its limits), which a container without that capability refuses to run; a copy carries
    none and runs as any program."""
    found = shutil.which("kwin_wayland")
    if not found:
        return None
    copy = os.path.join(scratch, "kwin_wayland")
    shutil.copy(found, copy)
    # No screen locker, no global shortcuts of its own; one 1280x800 output.
    return [copy, "--virtual", "--socket", SOCKET, "--width", "1280", "--height", "800",
            "--no-lockscreen", "--no-global-shortcuts", "--no-kactivities"]


def weston():
    found = shutil.which("weston")
    return [found, "--backend=headless-backend.so", "--socket=" + SOCKET, "--width=1280",
            "--height=800", "--idle-time=0"] if found else None


def start_compositor(e2e, env):
    """The first compositor that comes up, with its name; (None, None) when none does."""
    for name, command in (("kwin", kwin(e2e.scratch)), ("weston", weston())):
        if not command:
            continue
        log = open(os.path.join(e2e.scratch, name + ".log"), "w+")
        process = subprocess.Popen(command, env=env, stdout=log, stderr=subprocess.STDOUT)
        deadline = time.monotonic() + 20
        while process.poll() is None and time.monotonic() < deadline:
            if os.path.exists(os.path.join(e2e.runtime, SOCKET)):
                time.sleep(0.5)  # the socket comes before the globals are all set up
                if process.poll() is None:
                    e2e.cleanups.append(lambda: end(process))
                    log.seek(0)
                    e2e.logs.append((name + " output", log.read().splitlines()))
                    return name, process
            time.sleep(0.05)
        end(process)
        log.seek(0)
        print(f"   {name} did not start: " + " | ".join(log.read().splitlines()[-5:]))
        if os.path.exists(os.path.join(e2e.runtime, SOCKET)):
            os.remove(os.path.join(e2e.runtime, SOCKET))
    return None, None


def test(args):
    binary = os.path.abspath(args[0])
    if not shutil.which("weston-simple-shm"):
        print("SKIP: needs weston-simple-shm (the weston package) for a second window")
        return SKIP
    e2e = Run("wayland")
    # A bus of its own for the compositor (KWin serves its interfaces there), and nothing of
    # X11: the program must run without it.
    bus = "unix:path=" + os.path.join(e2e.runtime, "bus")
    base = {k: v for k, v in os.environ.items()
            if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_SESSION_TYPE")}
    base.update(XDG_RUNTIME_DIR=e2e.runtime, DBUS_SESSION_BUS_ADDRESS=bus)
    daemon = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--address=" + bus,
                               "--print-address=1"], env=base, stdout=subprocess.PIPE,
                              stderr=subprocess.DEVNULL, text=True)
    e2e.cleanups.append(lambda: end(daemon))
    daemon.stdout.readline()
    compositor, _ = start_compositor(e2e, base)
    if not compositor:
        for cleanup in reversed(e2e.cleanups):
            cleanup()
        shutil.rmtree(e2e.scratch, ignore_errors=True)
        print("SKIP: no Wayland compositor starts here (kwin_wayland, weston)")
        return SKIP
    print(f"   compositor: {compositor}")
    env = e2e.env(**base, WAYLAND_DISPLAY=SOCKET, QT_QPA_PLATFORM="wayland",
                  XDG_SESSION_TYPE="wayland")
    env.pop("DISPLAY", None)
    if "ASAN_OPTIONS" in env:
        # The checked build: Qt 6.4's Wayland plugin keeps the objects it makes for the
        # compositor's globals to the end, and the EGL driver it loads keeps memory from modules
        # unloaded before the leak check, which no suppression can name. Leaks are checked in
        # every other end-to-end test of the same program; everything else is checked here too.
        env["ASAN_OPTIONS"] += ":detect_leaks=0"
    seat = compositor == "kwin"
    if not seat:
        # Qt 6.4's text input asks for a seat that is not there, and crashes.
        env["QT_IM_MODULE"] = "none"

    def focused():
        if seat:
            program.expect(r"panel active")

    def toggle():
        second = subprocess.run([binary, "--demo", "--toggle"], env=env, capture_output=True,
                                text=True, timeout=15)
        check(second.returncode == 0, f"the second start exited with {second.returncode}: "
              + second.stderr.strip()[-300:])

    program = e2e.start(binary, ["--demo", "--toggle"], env)

    def scenario():
        e2e.step("`--demo --toggle` starts the demo on Wayland and shows the panel, focused")
        program.expect(r"application at [\d.]+ ms on wayland", 20)
        size = program.expect(r"panel shown \S+ (\d+x\d+) in [\d.]+ ms", 30).group(1)
        check(size == "420x560", f"the panel is {size}")
        focused()
        # No grab on an X server; KDE's own shortcut service may bind it under KWin.
        check(not any("hot key ready" in line and "through x11" in line for line in program.log),
              "a hot key was grabbed on X11")

        e2e.step("a second --toggle hides it, a third shows it with the focus")
        toggle()
        program.expect(r"panel hidden")
        toggle()
        program.expect(r"panel shown .*")
        focused()

        e2e.step("another window taking the focus hides the panel")
        if seat:
            # KWin gives the focus to a window as it maps (a click would need its fake-input
            # protocol, for which Debian has no client).
            other = subprocess.Popen(["weston-simple-shm"], env=env, stdout=subprocess.DEVNULL,
                                     stderr=subprocess.DEVNULL)
            e2e.cleanups.append(lambda: end(other))
            program.expect(r"panel hidden")  # nothing else asks it to hide meanwhile
            check(other.poll() is None, "the other window's client ended early")
        else:
            toggle()
            program.expect(r"panel hidden")

        e2e.step("the panel lists the sample boards")
        toggle()
        program.expect(r"panel shown .*")
        focused()
        for name in SAMPLE_BOARDS:
            program.locate(f"board:{name}")

        # Run ends it with the quit command and fails unless it exits with 0.

    return e2e(scenario, tail=40)


if __name__ == "__main__":
    sys.exit(main(__doc__, 1, test))
