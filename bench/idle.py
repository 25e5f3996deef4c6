# SPDX-License-Identifier: MIT
"""The hidden program, left alone: how often its main thread wakes, the processor time it
takes, and its resident memory, with the notification poll on (every 60 s, as in use) and,
for comparison, the poll's interval stretched past the measurement. Run through
bench/idle.sh, which provides the desktop.

A wake-up is the main thread going back to sleep after it was woken (its voluntary context
switches in /proc; the involuntary ones are preemptions while it ran): every timer, D-Bus
message or network answer that wakes it counts. The switches are also grouped into episodes
(sampled every 10 ms; one after 100 ms without any starts a new one): a timer and the network
thread's answer a few milliseconds later wake the thread twice, but the processor only once.
The service's own threads (the demo's sandbox), Qt's network threads and the notification
poll's thread are not the main thread and are not counted. Budget: at most three wake-ups a minute, no measurable processor time, and polling
within 2 MB of the memory without it.
"""
import os
import re
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from startup import Program  # noqa: E402

SETTLE_S = 75  # past the demo's due reminder, a minute after the start
WAKES_BUDGET = 3
MEMORY_BUDGET_MB = 2


def main_thread(pid):
    """Context switches and processor time (ms) of the main thread so far."""
    with open(f"/proc/{pid}/task/{pid}/status") as f:
        status = f.read()
    switches = sum(int(line.split()[1]) for line in status.splitlines()
                   if line.startswith("voluntary_ctxt_switches"))
    with open(f"/proc/{pid}/task/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    ticks = int(fields[11]) + int(fields[12])  # utime, stime
    return switches, ticks * 1000 / os.sysconf("SC_CLK_TCK")


def slept(line):
    """Whether a traced poll() or ppoll() call blocked and returned: its timeout was not zero.
    The call under way as the tracer attaches is restarted, and shows as restart_syscall()."""
    if re.match(r"restart_syscall\(.*\) = \d+", line):
        return True
    call = re.match(r"(p?poll)\((.*)\) = \d+", line)
    if not call:
        return False
    args = call.group(2)
    if call.group(1) == "ppoll":  # (fds, nfds, timeout or NULL, sigmask, size)
        timeout = re.search(r"\], \d+, (NULL|\{[^}]*\})", args).group(1)
    else:  # (fds, nfds, milliseconds)
        timeout = args.rsplit(", ", 1)[1]
    return timeout not in ("0", "{tv_sec=0, tv_nsec=0}")


class Episodes(threading.Thread):
    """Counts the main thread's bursts of wake-ups: switches 100 ms or more apart."""

    def __init__(self, pid):
        super().__init__(daemon=True)
        self.pid, self.count, self.running = pid, 0, True

    def run(self):
        last, quiet_since = main_thread(self.pid)[0], time.monotonic() - 1
        while self.running:
            time.sleep(0.01)
            now = main_thread(self.pid)[0]
            if now != last:
                if time.monotonic() - quiet_since >= 0.1:
                    self.count += 1
                last = now
                quiet_since = time.monotonic()


def measure(binary, minutes, interval_ms, traced=False):
    os.environ["STAVELIN_NOTIFICATION_INTERVAL_MS"] = str(interval_ms)
    program = Program(binary, ["--demo"])
    program.expect(r"tray ready at .*")
    program.expect(r"panel built at .*")
    time.sleep(SETTLE_S)
    pid = program.process.pid
    switches, cpu = main_thread(pid)
    episodes = Episodes(pid)
    episodes.start()
    trace = None
    if traced:
        log = tempfile.NamedTemporaryFile(prefix="stavelin-idle-", suffix=".strace", delete=False).name
        trace = subprocess.Popen(["strace", "-p", str(pid), "-e", "trace=poll,ppoll,restart_syscall", "-o", log],
                                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    rss = []
    for _ in range(minutes):
        time.sleep(60)
        rss.append(program.rss_mb())
    switches_after, cpu_after = main_thread(pid)
    episodes.running = False
    loop_wakes = None
    if trace:
        trace.send_signal(signal.SIGINT)
        trace.wait(10)
        with open(log) as f:
            loop_wakes = sum(1 for line in f if slept(line))
        os.unlink(log)
    program.stop()
    return ((switches_after - switches) / minutes, episodes.count / minutes, (cpu_after - cpu) / minutes,
            statistics.median(r for r, _ in rss), statistics.median(a for _, a in rss),
            None if loop_wakes is None else loop_wakes / minutes)


def main():
    binary, minutes = sys.argv[1], max(1, int(sys.argv[2]))
    polled = measure(binary, minutes, 60_000)
    quiet = measure(binary, minutes, 3_600_000)
    # Traced apart: the tracer's stops would count as context switches.
    if shutil.which("strace"):
        loop = measure(binary, minutes, 60_000, traced=True)[-1]
        polled = polled[:-1] + (loop,)
    print(f"hidden for {minutes} min after {SETTLE_S} s of settling (demo account)")
    for name, (wakes, bursts, cpu, rss, own, loop) in (("polling every 60 s", polled), ("no poll", quiet)):
        looped = "" if loop is None else f", {loop:.1f} event-loop wake-ups"
        print(f"{name + ':':20} {wakes:5.1f} context switches/min ({bursts:.1f} episodes{looped})   "
              f"{cpu:5.1f} ms CPU/min   resident {rss:.1f} MB (private {own:.1f} MB)")
    print(f"budget: at most {WAKES_BUDGET} wake-ups a minute with polling; "
          f"polling's memory {polled[3] - quiet[3]:+.1f} MB (budget {MEMORY_BUDGET_MB} MB)")


if __name__ == "__main__":
    main()
