# SPDX-License-Identifier: MIT
"""What the end-to-end tests share: the program run with its test hooks (trace lines on
stderr, commands on stdin), X queries and xdotool, the demo's service over HTTP, and `Run`,
which keeps a scratch folder, numbers the steps and reports PASS or FAIL with the output of
everything it started.

Every wait is bounded; nothing sleeps for a fixed long time.
"""
import json
import os
import queue
import re
import shutil
import subprocess
import sys
import tempfile
import threading
import time
import urllib.error
import urllib.parse
import urllib.request

SKIP = 77
SCREEN_MARGIN = 8


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def until(condition, message, timeout=5):
    """Polls until condition() holds; fails with message after timeout seconds."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if condition():
            return
        time.sleep(0.1)
    raise Failure(message)


def sanitizer_report(lines):
    """The first sanitizer report among a program's output lines, with what precedes it, or
    None."""
    report = next((i for i, line in enumerate(lines)
                   if "Sanitizer" in line or ": runtime error: " in line), None)
    if report is None:
        return None
    return "a sanitizer report:\n  " + "\n  ".join(lines[max(0, report - 2):report + 400])


def run(*args, timeout=10, env=None):
    return subprocess.run(args, capture_output=True, text=True, timeout=timeout, env=env)


def xdotool(*args):
    run("xdotool", *args)


def click(point, button="1"):
    xdotool("mousemove", str(point[0]), str(point[1]), "click", button)


def drag(source, target):
    """Presses on source, moves to target in small steps as a hand would, and lets go."""
    (sx, sy), (tx, ty) = source, target
    xdotool("mousemove", str(sx), str(sy))
    time.sleep(0.1)
    xdotool("mousedown", "1")
    for i in range(1, 21):
        xdotool("mousemove", str(sx + (tx - sx) * i // 20), str(sy + (ty - sy) * i // 20))
        time.sleep(0.03)
    time.sleep(0.2)
    xdotool("mouseup", "1")
    time.sleep(0.3)


def geometry(text):
    x, y, w, h = map(int, re.fullmatch(r"(-?\d+),(-?\d+) (\d+)x(\d+)", text).groups())
    return x, y, w, h


def window_id(title):
    found = run("xdotool", "search", "--onlyvisible", "--name", f"^{title}$").stdout.split()
    return found[0] if found else None


def panel_window_id():
    return window_id("Stavelin")


def on_screen(timeout=5, title="Stavelin"):
    """The mapped window's geometry as the X server sees it, or None when not mapped."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        wid = window_id(title)
        if wid:
            info = run("xwininfo", "-id", wid).stdout
            if "IsViewable" in info:
                value = lambda key: int(re.search(key + r":\s+(-?\d+)", info).group(1))
                return (value("Absolute upper-left X"), value("Absolute upper-left Y"),
                        value("Width"), value("Height"))
        time.sleep(0.05)
    return None


def hidden(timeout=5):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if not panel_window_id():
            return True
        time.sleep(0.05)
    return False


def screen_size():
    out = run("xdpyinfo").stdout
    width, height = re.search(r"dimensions:\s+(\d+)x(\d+)", out).groups()
    return int(width), int(height)


def needs(*tools, display=True):
    """A reason to skip, or None when the display and every tool are here."""
    missing = [tool for tool in tools if not shutil.which(tool)]
    if (display and not os.environ.get("DISPLAY")) or missing:
        return f"SKIP: needs {'an X display and ' if display else ''}{', '.join(missing) or 'nothing else'}"
    return None


def sandbox_credentials(binary):
    """The demo sandbox's key and token, from its usage text."""
    usage = run(os.path.join(os.path.dirname(binary), "stavelin-sandbox"), "--help").stdout
    key = re.search(r"^\s*key\s+(\S+)", usage, re.M).group(1)
    token = re.search(r"^\s*token\s+(\S+)", usage, re.M).group(1)
    return key, token


class Program:
    """One running stavelin with its trace lines collected on a thread."""

    def __init__(self, binary, args, env):
        self.process = subprocess.Popen(
            [binary, *args], env=env, stdin=subprocess.PIPE, stdout=subprocess.DEVNULL,
            stderr=subprocess.PIPE, text=True, bufsize=1)
        self.lines = queue.Queue()
        self.log = []
        self.unended = None  # why stop() had to kill it
        self._reader = threading.Thread(target=self._read, daemon=True)
        self._reader.start()

    def _read(self):
        for line in self.process.stderr:
            line = line.rstrip("\n")
            self.log.append(line)
            if line.startswith("stavelin: "):
                self.lines.put(line[len("stavelin: "):])

    def expect(self, pattern, timeout=10):
        """Waits for the next trace line matching the pattern; other lines are skipped."""
        deadline = time.monotonic() + timeout
        while True:
            remaining = deadline - time.monotonic()
            if remaining <= 0:
                raise Failure(f"no line matching {pattern!r} within {timeout} s")
            try:
                line = self.lines.get(timeout=remaining)
            except queue.Empty:
                continue
            match = re.fullmatch(pattern, line)
            if match:
                return match

    def drain(self):
        while not self.lines.empty():
            self.lines.get_nowait()

    def command(self, text):
        self.process.stdin.write(text + "\n")
        self.process.stdin.flush()

    def locate(self, path, reveal=False):
        """Where an item of the panel is on screen, by its path of object names; with reveal,
        the views it is in are scrolled until it shows."""
        self.command(f"{'reveal' if reveal else 'locate'} {path}")
        match = self.expect(rf"(?:located {re.escape(path)} (.*)|not found: {re.escape(path)})")
        check(match.group(1) is not None, f"{path} is not on screen")
        return geometry(match.group(1))

    def centre(self, path, dy=None, reveal=False):
        x, y, w, h = self.locate(path, reveal)
        return x + w // 2, y + (h // 2 if dy is None else dy)

    def focus(self, path):
        self.command(f"focus {path}")
        match = self.expect(rf"(?:focused {re.escape(path)}|not found: {re.escape(path)})")
        check(match.group(0).startswith("focused"), f"{path} is not on screen")

    def stop(self, timeout=30):
        """Ends the program as Quit Stavelin does, so that it takes everything down as it would
        for the user (and a checked build looks for leaks); killed if it does not end in time."""
        if self.process.poll() is None:
            try:
                self.command("quit")
                self.process.wait(timeout)
            except (OSError, subprocess.TimeoutExpired):
                self.unended = f"it did not end within {timeout} s of the quit command"
                self.process.kill()
                self.process.wait()
        self._reader.join(10)

    def ending(self):
        """What was wrong with the program's end, or None: a sanitizer report, an exit status
        other than 0, or a quit it did not follow."""
        report = sanitizer_report(self.log)
        if report is not None:
            return report
        if self.unended:
            return self.unended
        if self.process.returncode not in (0, None):
            return f"it exited with {self.process.returncode}"
        return None


class Service:
    """The demo's sandbox, asked over HTTP with the sample account's key and token."""

    def __init__(self, base, key, token):
        self.base, self.key, self.token = base, key, token

    def get(self, path, **query):
        query = urllib.parse.urlencode(dict(query, key=self.key, token=self.token))
        # The service's limits are on and these reads share the program's token: when they
        # are spent, wait as any client of the service must.
        for _ in range(30):
            try:
                with urllib.request.urlopen(f"{self.base}/{path}?{query}", timeout=5) as answer:
                    return json.load(answer)
            except urllib.error.HTTPError as error:
                if error.code != 429:
                    raise
                time.sleep(0.5)
        raise Failure(f"the service kept refusing GET {path} (429)")

    def board_id(self, name):
        return next(b["id"] for b in self.get("members/me/boards") if b["name"] == name)

    def lists(self, board):
        """List names in the service's order, and their ids by name."""
        lists = sorted(self.get(f"boards/{board}/lists"), key=lambda l: l["pos"])
        return [l["name"] for l in lists], {l["name"]: l["id"] for l in lists}

    def cards(self, list_id):
        return [c["name"] for c in sorted(self.get(f"lists/{list_id}/cards"), key=lambda c: c["pos"])]


class Run:
    """One end-to-end run: a scratch folder with a private runtime folder, the processes it
    started (ended last first), numbered steps, and the verdict."""

    def __init__(self, name):
        self.scratch = tempfile.mkdtemp(prefix=f"stavelin-{name}-")
        self.runtime = os.path.join(self.scratch, "runtime")
        os.mkdir(self.runtime, 0o700)
        self.steps = []
        self.cleanups = []  # callables
        self.programs = []  # each ends cleanly, or the run fails
        self.logs = []  # (title, list of lines) shown when a step fails

    def env(self, private_config=True, **extra):
        """The environment for the program: test hooks on, its own runtime folder and, unless
        told otherwise, its own configuration and data."""
        env = dict(os.environ, STAVELIN_TEST_HOOKS="1", XDG_RUNTIME_DIR=self.runtime,
                   STAVELIN_DESKTOP_NOTIFICATIONS="0",  # the notifications' own test turns them on
                   STAVELIN_DUE_REMINDERS="0")
        if private_config:
            env.update(XDG_CONFIG_HOME=os.path.join(self.scratch, "config"),
                       XDG_DATA_HOME=os.path.join(self.scratch, "data"))
        env.update(extra)
        return env

    def start(self, binary, args, env):
        program = Program(binary, args, env)
        self.programs.append(program)
        self.cleanups.append(program.stop)
        self.logs.append(("program output", program.log))
        return program

    def step(self, name):
        self.steps.append(name)
        print(f"-- {name}", flush=True)

    def __call__(self, scenario, tail=30):
        """Runs scenario(), then ends what it started; the exit code of the test. Every program
        started here must end cleanly too: told to quit, it exits with 0 and no sanitizer
        report (a checked build reports leaks as the program ends)."""
        verdict = 0
        try:
            scenario()
        except Failure as failure:
            print(f"FAIL in step '{self.steps[-1] if self.steps else 'setup'}': {failure}")
            for title, lines in self.logs:
                print(f"{title}:\n  " + "\n  ".join(lines[-tail:]))
            verdict = 1
        finally:
            for cleanup in reversed(self.cleanups):
                cleanup()
            shutil.rmtree(self.scratch, ignore_errors=True)
        for program in self.programs:
            if problem := program.ending():
                print(f"FAIL at the end: the program ended badly, {problem}")
                verdict = 1
        if verdict == 0:
            print(f"PASS: {len(self.steps)} steps")
        return verdict


def main(doc, argc, body):
    """The common entry: usage check, then body(args) gives the exit code."""
    if len(sys.argv) != argc + 1:
        print(doc, file=sys.stderr)
        return 2
    return body(sys.argv[1:])
