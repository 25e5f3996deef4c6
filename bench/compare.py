# SPDX-License-Identifier: MIT
"""Start-up and the first showing of two builds, started in turn so that the machine's drift falls on both alike;
run through bench/compare.sh, which provides the desktop."""
import os
import statistics
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from startup import Program  # noqa: E402

MARKS = ["tray shown", "tray ready", "panel built"]


def start_up(binary):
    program = Program(binary, ["--demo"])
    try:
        marks = {mark: float(program.expect(mark + r" at ([\d.]+) ms.*")[1].group(1)) for mark in MARKS}
        time.sleep(1.5)  # the start's loads
        program.command("show")
        marks["first show"] = float(program.expect(r"panel shown .* in ([\d.]+) ms.*")[1].group(1))
        return marks
    finally:
        program.stop()
        time.sleep(0.3)


def main():
    binary, rounds = sys.argv[1], int(sys.argv[2])
    other = os.path.join(os.environ["STAVELIN_BASE_BUILD"], "bin", "stavelin")
    figures = {binary: [], other: []}
    for _ in range(rounds):
        for program in (other, binary):
            figures[program].append(start_up(program))
    print(f"rounds: {rounds}, each build once a round (medians, ms)")
    print(f"{'':18s}{'other':>8s}{'this':>8s}")
    for mark in MARKS + ["first show"]:
        before = statistics.median(run[mark] for run in figures[other])
        after = statistics.median(run[mark] for run in figures[binary])
        print(f"{mark:18s}{before:8.1f}{after:8.1f}  {100 * (after / before - 1):+.1f}%")


if __name__ == "__main__":
    main()
