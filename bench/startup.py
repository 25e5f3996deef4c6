# SPDX-License-Identifier: MIT
"""Measures the real program; run through bench/startup.sh, which provides the desktop."""
import os
import queue
import re
import statistics
import subprocess
import sys
import tempfile
import threading
import time


class Program:
    def __init__(self, binary, args):
        self.runtime = tempfile.mkdtemp(prefix="stavelin-bench-")
        os.chmod(self.runtime, 0o700)
        env = dict(os.environ, STAVELIN_TEST_HOOKS="1", XDG_RUNTIME_DIR=self.runtime,
                   STAVELIN_TEST_T0_NS=str(time.time_ns()))
        self.process = subprocess.Popen([binary, *args], env=env, stdin=subprocess.PIPE,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                                        text=True, bufsize=1)
        self.lines = queue.Queue()
        self.pending = []
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        for line in self.process.stderr:
            if line.startswith("stavelin: "):
                self.lines.put((time.monotonic(), line[10:].rstrip("\n")))

    def expect(self, pattern, timeout=20):
        """The first line not yet taken that matches, in whatever order the lines came."""
        deadline = time.monotonic() + timeout
        while True:
            while not self.lines.empty():
                self.pending.append(self.lines.get_nowait())
            for index, (at, line) in enumerate(self.pending):
                match = re.fullmatch(pattern, line)
                if match:
                    del self.pending[index]
                    return at, match
            if time.monotonic() > deadline:
                raise SystemExit(f"bench: no '{pattern}' within {timeout} s")
            try:
                self.pending.append(self.lines.get(timeout=0.05))
            except queue.Empty:
                pass

    def command(self, text):
        self.process.stdin.write(text + "\n")
        self.process.stdin.flush()

    def rss_mb(self):
        """Resident memory, and the part of it that is the program's own (not shared files)."""
        with open(f"/proc/{self.process.pid}/status") as f:
            status = f.read()
        field = lambda name: int(re.search(name + r":\s+(\d+)", status).group(1)) / 1024
        return field("VmRSS"), field("RssAnon")

    def stop(self):
        self.process.terminate()
        self.process.wait(10)


def settle(program, seconds):
    """Lets the start-up fetches finish; the program is otherwise idle."""
    time.sleep(seconds)


def main():
    binary, runs = sys.argv[1], int(sys.argv[2])
    ready, built, show_internal, show_external, idle = [], [], [], [], []
    first_show, shown = [], []
    for _ in range(runs):
        program = Program(binary, ["--demo"])
        _, m = program.expect(r"tray ready at ([\d.]+) ms, icon .*")
        ready.append(float(m.group(1)))
        _, m = program.expect(r"panel built at ([\d.]+) ms")
        built.append(float(m.group(1)))
        program.expect(r"hot key (ready|.*)")
        settle(program, 1.5)
        idle.append(program.rss_mb())
        for show in range(5):
            sent = time.monotonic()
            subprocess.run(["xdotool", "key", "ctrl+alt+t"], check=True)
            at, m = program.expect(r"panel shown .* in ([\d.]+) ms")
            show_internal.append(float(m.group(1)))
            show_external.append((at - sent) * 1000)
            if show == 0:
                first_show.append(float(m.group(1)))
                time.sleep(0.3)
                shown.append(program.rss_mb())
            subprocess.run(["xdotool", "key", "ctrl+alt+t"], check=True)
            program.expect(r"panel hidden")
            time.sleep(0.3)
        program.stop()

    program = Program(binary, ["--demo", "--demo-seed", "large"])
    program.expect(r"tray ready at .*")
    settle(program, 1.5)
    program.command("show")
    program.expect(r"panel shown .*")
    started = time.monotonic()
    program.command("open-board Benchmark Board")
    program.expect(r"board loaded", 120)
    load_s = time.monotonic() - started
    settle(program, 1.0)
    large, large_own = program.rss_mb()
    program.stop()

    med = statistics.median
    print(f"runs: {runs} (medians; min-max in brackets)")
    print(f"start to tray icon ready:   {med(ready):6.1f} ms  [{min(ready):.1f}-{max(ready):.1f}]"
          "   budget 200 ms")
    print(f"start to panel built:       {med(built):6.1f} ms  [{min(built):.1f}-{max(built):.1f}]")
    print(f"hot key to panel visible:   {med(show_internal):6.1f} ms  "
          f"[{min(show_internal):.1f}-{max(show_internal):.1f}]   budget 20 ms"
          " (show request to first frame on screen)")
    print(f"  as seen from outside:     {med(show_external):6.1f} ms  "
          "(xdotool key press to the program's report; includes xdotool's own start)")
    print(f"  the first show alone:     {med(first_show):6.1f} ms  "
          f"[{min(first_show):.1f}-{max(first_show):.1f}]")
    rss = [r for r, _ in idle]
    own = [a for _, a in idle]
    print(f"resident memory, idle:      {med(rss):6.1f} MB  [{min(rss):.1f}-{max(rss):.1f}]"
          "   budget 60 MB (panel built, sample account loaded)")
    print(f"  of which private (anon):  {med(own):6.1f} MB  (the rest is shared library pages)")
    rss = [r for r, _ in shown]
    own = [a for _, a in shown]
    print(f"resident memory, shown:     {med(rss):6.1f} MB  [{min(rss):.1f}-{max(rss):.1f}]"
          f"   private {med(own):.1f} MB (after the first show)")
    print(f"resident memory, large board open: {large:6.1f} MB, private {large_own:.1f} MB"
          f"  (30 lists x 200 cards, loaded in {load_s:.2f} s)")


if __name__ == "__main__":
    main()
