# SPDX-License-Identifier: MIT
"""The browser's hand-off of a stavelin: URL through D-Bus, end to end: the real `gio open`
finds the desktop entry and the D-Bus service file of the build tree (XDG_DATA_DIRS), and the
URL reaches the program in a message, whether it is already running or is started for it
(D-Bus activation). Meanwhile every process's /proc/PID/cmdline is read over and over: the
token may be on gio's own (it stands in for the browser, which asks GIO in-process), on no
other. The callback comes unasked, so the panel asks before connecting the account, and the
keyring holds nothing of it until Connect is clicked. Activate, the desktop entry's toggle
action and a second start with --toggle show and hide the panel of the running program.

Usage: handoff_e2e.py path/to/stavelin built-in-app-key
Needs DISPLAY, gio, dbus-daemon, gnome-keyring-daemon, secret-tool and xdotool. Runs on a
private session bus of its own, with its own keyring, and the service's sandbox.
"""
import os
import re
import secrets
import subprocess
import sys
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import (SKIP, Failure, Run, check, click, hidden, main, needs,  # noqa: E402
                     on_screen, run, sanitizer_report)

APP_ID = "com.fennelworks.StavelinTrello"
OBJECT_PATH = "/com/fennelworks/StavelinTrello"


class ProcScanner:
    """Reads every process's command line, over and over, on a thread, and keeps each
    process whose command line held the needle."""

    def __init__(self, needle):
        self.needle = needle.encode()
        self.found = {}  # pid -> command line
        self.scans = 0
        self._stop = threading.Event()
        self._thread = threading.Thread(target=self._run, daemon=True)

    def _run(self):
        while not self._stop.is_set():
            for entry in os.listdir("/proc"):
                if not entry.isdigit():
                    continue
                try:
                    with open(f"/proc/{entry}/cmdline", "rb") as f:
                        cmdline = f.read()
                except OSError:
                    continue  # gone meanwhile
                if self.needle in cmdline:
                    self.found[int(entry)] = cmdline.replace(b"\0", b" ").decode(errors="replace")
            self.scans += 1

    def __enter__(self):
        self._thread.start()
        return self

    def __exit__(self, *exc):
        self._stop.set()
        self._thread.join()


class Lines:
    """Lines of a pipe collected on a thread, with the program's trace lines to wait for."""

    def __init__(self, stream):
        self.log = []
        self._cursor = 0
        self._lock = threading.Condition()
        threading.Thread(target=self._read, args=(stream,), daemon=True).start()

    def _read(self, stream):
        for line in stream:
            with self._lock:
                self.log.append(line.rstrip("\n"))
                self._lock.notify_all()

    def expect(self, pattern, timeout=10):
        """The next trace line ("stavelin: …") matching the pattern; others are skipped."""
        deadline = time.monotonic() + timeout
        with self._lock:
            while True:
                while self._cursor < len(self.log):
                    line = self.log[self._cursor]
                    self._cursor += 1
                    if line.startswith("stavelin: "):
                        match = re.fullmatch(pattern, line[len("stavelin: "):])
                        if match:
                            return match
                remaining = deadline - time.monotonic()
                if remaining <= 0:
                    raise Failure(f"no line matching {pattern!r} within {timeout} s")
                self._lock.wait(remaining)


def stored_token(env):
    found = run("secret-tool", "lookup", "server", APP_ID, "user", "trello.token", env=env)
    return found.stdout.strip()


def gdbus_call(env, method, *args):
    return run("gdbus", "call", "--session", "--dest", APP_ID, "--object-path", OBJECT_PATH,
               "--method", method, *args, env=env)


def name_owner_pid(env):
    """The pid of the process that owns the program's name on the bus, or None."""
    answer = run("gdbus", "call", "--session", "--dest", "org.freedesktop.DBus",
                 "--object-path", "/org/freedesktop/DBus", "--method",
                 "org.freedesktop.DBus.GetConnectionUnixProcessID", APP_ID, env=env)
    match = re.search(r"uint32 (\d+)", answer.stdout)
    return int(match.group(1)) if match else None


def open_with_gio(url, env):
    """`gio open URL` while every command line is watched; gio's pid and the scanner."""
    with ProcScanner(url.split("token=")[1]) as scanner:
        time.sleep(0.02)  # a few scans before gio starts
        started = time.monotonic()
        gio = subprocess.Popen(["gio", "open", url], env=env, stdout=subprocess.PIPE,
                               stderr=subprocess.PIPE, text=True)
        out, err = gio.communicate(timeout=20)
        took = time.monotonic() - started
        time.sleep(0.3)  # and for a while after it: anything it set off
    check(gio.returncode == 0, f"gio open exited with {gio.returncode}: {err.strip()}")
    return gio.pid, scanner, took


def check_only_gio(gio_pid, scanner):
    # gio holds the URL on its own command line all the while it runs: the scanner must have
    # seen it there, or it was too slow to see anything.
    check(gio_pid in scanner.found, f"the scan never saw gio's own command line ({scanner.scans} scans)")
    others = {pid: line for pid, line in scanner.found.items() if pid != gio_pid}
    check(not others, "the token was on a command line: " + "; ".join(
        f"{pid}: {line[:80]}" for pid, line in others.items()))


def end(process):
    if process.poll() is None:
        process.terminate()
        try:
            process.wait(5)
        except subprocess.TimeoutExpired:
            process.kill()


def kill(pid):
    if pid is not None:
        try:
            os.kill(pid, 15)
        except ProcessLookupError:
            pass


def test(args):
    binary = os.path.abspath(args[0])
    app_key = args[1]
    share = os.path.join(os.path.dirname(os.path.dirname(binary)), "share")
    sandbox = os.path.join(os.path.dirname(binary), "stavelin-sandbox")
    if reason := needs("gio", "gdbus", "dbus-daemon", "gnome-keyring-daemon", "secret-tool", "xdotool"):
        print(reason)
        return SKIP
    if not app_key:
        print("SKIP: this build has no application key of its own")
        return SKIP
    e2e = Run("handoff")
    step = e2e.step

    def scenario():
        check(os.path.exists(os.path.join(share, "applications", APP_ID + ".desktop")),
              "no desktop entry in " + share)
        check(os.path.exists(os.path.join(share, "dbus-1", "services", APP_ID + ".service")),
              "no D-Bus service file in " + share)
        home = os.path.join(e2e.scratch, "home")
        runtime = e2e.runtime
        os.mkdir(home)
        token = "ATTA" + secrets.token_hex(30)

        step("setup: the service's sandbox, a private session bus and keyring")
        service = subprocess.Popen([sandbox, "--port", "0", "--key", app_key, "--token", "-"],
                                   stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                   stderr=subprocess.DEVNULL, text=True)
        e2e.cleanups.append(lambda: end(service))
        service.stdin.write(token + "\n")
        service.stdin.close()
        port = int(service.stdout.readline())

        env = {key: value for key, value in os.environ.items()
               if key not in ("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "GTK_MODULES",
                              "DBUS_SESSION_BUS_ADDRESS", "XDG_CURRENT_DESKTOP")}
        bus = "unix:path=" + os.path.join(runtime, "bus")
        env.update(HOME=home, XDG_RUNTIME_DIR=runtime,
                   XDG_CONFIG_HOME=os.path.join(home, ".config"),
                   XDG_DATA_HOME=os.path.join(home, ".local", "share"),
                   XDG_CACHE_HOME=os.path.join(home, ".cache"),
                   XDG_DATA_DIRS=f"{share}:/usr/local/share:/usr/share",
                   DBUS_SESSION_BUS_ADDRESS=bus, STAVELIN_TEST_HOOKS="1",
                   STAVELIN_SERVICE_URL=f"http://127.0.0.1:{port}/1")
        # The bus reads its service files from XDG_DATA_DIRS and starts activated programs with
        # its own environment and standard error, which is read here.
        daemon = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--address=" + bus,
                                   "--print-address=1"], env=env, stdout=subprocess.PIPE,
                                  stderr=subprocess.PIPE, text=True)
        e2e.cleanups.append(lambda: end(daemon))
        daemon.stdout.readline()
        daemon_lines = Lines(daemon.stderr)
        e2e.logs.append(("bus output", daemon_lines.log))
        # Whatever the bus started for us is found by its name, and ended before the bus.
        e2e.cleanups.append(lambda: kill(name_owner_pid(env)) if daemon.poll() is None else None)
        # Unlocked from the start, so no job waits for a password prompt; it ends with the bus.
        keyring = subprocess.run(["gnome-keyring-daemon", "--unlock", "--components=secrets"],
                                 env=env, input="throwaway-password", capture_output=True,
                                 text=True, timeout=10)
        check(keyring.returncode == 0, "gnome-keyring-daemon did not start: " + keyring.stderr)
        found = re.search(r"GNOME_KEYRING_PID=(\d+)", keyring.stdout)
        e2e.cleanups.append(lambda: kill(int(found.group(1)) if found else None))

        step("running: gio hands the URL to the program over D-Bus")
        program = e2e.start(binary, [], env)
        program.expect(r"on the session bus as " + re.escape(APP_ID), 20)
        url = f"stavelin://auth#state=x&token={token}"
        gio_pid, scanner, took = open_with_gio(url, env)
        program.expect(r"opened through D-Bus")
        program.expect(r"callback received")
        program.expect(r"asked to connect another account")
        check_only_gio(gio_pid, scanner)
        print(f"   gio open took {took * 1000:.0f} ms; {scanner.scans} scans of /proc meanwhile")
        check(on_screen() is not None, "the callback did not show the panel")

        step("nothing is stored until Connect is clicked; the question outlives a hiding")
        check(stored_token(env) == "", "the keyring holds a token before the user said Connect")
        program.command("hide")
        program.expect(r"panel hidden")
        program.command("show")
        program.expect(r"panel shown .*")
        click(program.centre("connectAccountButton"))
        program.expect(r"authorization complete")
        check(stored_token(env) == token, "Connect did not store the token")
        check(all(token not in line for line in program.log), "the token was printed")

        step("Activate shows the panel; the toggle action and --toggle hide and show it; "
             "the quick-add action opens quick add; an unknown action is refused")
        program.command("hide")
        program.expect(r"panel hidden")
        check(hidden(), "the panel is still mapped")
        check(gdbus_call(env, "org.freedesktop.Application.Activate", "{}").returncode == 0,
              "Activate failed")
        program.expect(r"panel shown .*")
        for shows in (False, True):
            toggled = gdbus_call(env, "org.freedesktop.Application.ActivateAction", "toggle", "[]",
                                 "{'desktop-startup-id': <'e2e_TIME1'>}")
            check(toggled.returncode == 0, "ActivateAction(toggle) failed: " + toggled.stderr)
            program.expect(r"panel shown .*" if shows else r"panel hidden")
            check((on_screen() is not None) if shows else hidden(), "the panel did not follow")
        for shows in (False, True):
            second = run(binary, "--toggle", env=env)
            check(second.returncode == 0, f"--toggle exited with {second.returncode}")
            program.expect(r"panel shown .*" if shows else r"panel hidden")
            check((on_screen() is not None) if shows else hidden(), "the panel did not follow")
        quick = gdbus_call(env, "org.freedesktop.Application.ActivateAction", "quick-add", "[]", "{}")
        check(quick.returncode == 0, "ActivateAction(quick-add) failed: " + quick.stderr)
        program.expect(r"quick add shown")
        refused = gdbus_call(env, "org.freedesktop.Application.ActivateAction", "nothing", "[]", "{}")
        check(refused.returncode != 0 and "no action" in refused.stderr,
              f"ActivateAction answered {refused.returncode}: {refused.stderr.strip()}")
        program.stop()
        deadline = time.monotonic() + 5
        while name_owner_pid(env) is not None:
            check(time.monotonic() < deadline, "the name outlived the program")
            time.sleep(0.05)

        step("not running: the bus starts the program, and gio's URL reaches it")
        gio_pid, scanner, took = open_with_gio(url, env)
        daemon_lines.expect(r"on the session bus as " + re.escape(APP_ID), 20)
        daemon_lines.expect(r"opened through D-Bus")
        daemon_lines.expect(r"callback received")
        daemon_lines.expect(r"asked to connect another account")
        check_only_gio(gio_pid, scanner)
        print(f"   gio open took {took * 1000:.0f} ms; {scanner.scans} scans of /proc meanwhile")
        activated = name_owner_pid(env)
        check(activated is not None, "nobody owns the name after activation")
        with open(f"/proc/{activated}/cmdline", "rb") as f:
            check(f.read().split(b"\0")[0] == binary.encode(), "the bus started something else")

        step("a logout's SIGTERM ends the program the bus started as Quit does")
        kill(activated)
        daemon_lines.expect(r"ending on signal 15")
        deadline = time.monotonic() + 30
        while os.path.exists(f"/proc/{activated}"):
            check(time.monotonic() < deadline, "the program did not end within 30 s of SIGTERM")
            time.sleep(0.05)
        time.sleep(0.5)  # what it wrote last, still on its way through the bus's pipe
        report = sanitizer_report(daemon_lines.log)
        check(report is None, report)

    return e2e(scenario)


if __name__ == "__main__":
    sys.exit(main(__doc__, 2, test))
