# SPDX-License-Identifier: MIT
"""Memory over a long session of the real program on the demo's large sample data; run through
bench/soak.sh, which provides the desktop. After one round of everything (what is made once
and kept is not growth): 1,000 showings of the panel, 200 openings and closings of the large
board (30 lists x 200 cards) and 200 of the card editor on the busiest card (200 comments,
10 checklists, 20 attachments), each closed with its Back button by a real pointer. Resident
and private memory before and after; budget: less than 3 MB of growth.
"""
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from board import locate  # noqa: E402
from startup import Program  # noqa: E402

BIG_BOARD = "Benchmark Board"
BUSY_BOARD = "Busy Card Board"
CARD = "Release plan"


def click(program, path):
    x, y, w, h = locate(program, path)
    subprocess.run(["xdotool", "mousemove", str(x + w // 2), str(y + h // 2), "click", "1"],
                   check=True)


def showing(program):
    program.command("show")
    program.expect(r"panel shown .*")
    program.command("hide")
    program.expect(r"panel hidden")


def board(program):
    program.command(f"select-board {BIG_BOARD}")
    program.expect(r"board drawn at .*", 60)
    click(program, "boardsBackButton")
    locate(program, "boardListSection")


def editor(program):
    program.command(f"select-board {BUSY_BOARD}")
    program.expect(r"board drawn at .*", 60)
    program.command(f"open-card {CARD}")
    program.expect(r"editor details drawn at .*", 60)
    click(program, "editorBackButton")
    locate(program, f"card:{CARD}")
    click(program, "boardsBackButton")
    locate(program, "boardListSection")


def measure(program):
    """Resident and private memory, and what the allocator says is in use, in MB."""
    time.sleep(2.0)  # what is released later (deferred deletes, the rest of the frame) goes
    program.command("heap")
    _, m = program.expect(r"heap: (\d+) KB in use, .*")
    return (*program.rss_mb(), int(m.group(1)) / 1024)


def main():
    # A share of the full soak: 0.01 tries the script out in a few seconds.
    binary, share = sys.argv[1], float(sys.argv[2]) if len(sys.argv) > 2 else 1.0
    counts = {"showings": round(1000 * share), "board": round(200 * share),
              "editor": round(200 * share)}
    # Hundreds of openings in minutes are far past the service's limits, which would hold the
    # loads back: this measures memory, so the demo's service runs without them.
    os.environ["STAVELIN_DEMO_NO_LIMITS"] = "1"
    # Nor does it keep its record of requests, which grows with each and nobody reads here.
    os.environ["STAVELIN_DEMO_NO_RECORD"] = "1"
    program = Program(binary, ["--demo", "--demo-seed", "large"])
    program.expect(r"tray ready at .*")
    time.sleep(1.5)
    showing(program)
    program.command("show")
    program.expect(r"panel shown .*")
    board(program)
    editor(program)
    program.command("hide")
    program.expect(r"panel hidden")
    before = measure(program)
    started = time.monotonic()
    for _ in range(counts["showings"]):
        showing(program)
    showings = measure(program)
    program.command("show")
    program.expect(r"panel shown .*")
    for _ in range(counts["board"]):
        board(program)
    boards = measure(program)
    for _ in range(counts["editor"]):
        editor(program)
    program.command("hide")
    program.expect(r"panel hidden")
    after = measure(program)
    program.stop()

    print(f"{counts['showings']} showings, {counts['board']} openings of the large board, "
          f"{counts['editor']} of the editor on the busiest card "
          f"({time.monotonic() - started:.0f} s)")
    print(f"resident memory: {before[0]:6.1f} MB before, {after[0]:6.1f} MB after, "
          f"growth {after[0] - before[0]:+.1f} MB   budget 3 MB")
    print(f"  private (anon): {before[1]:6.1f} MB before, {after[1]:6.1f} MB after, "
          f"growth {after[1] - before[1]:+.1f} MB")
    print(f"  in use by the allocator: {before[2]:6.1f} MB before, {after[2]:6.1f} MB after, "
          f"growth {after[2] - before[2]:+.1f} MB (the rest of the growth is pages kept "
          "resident by blocks still in use among freed ones)")
    print(f"  growth by part (private): showings {showings[1] - before[1]:+.1f} MB, "
          f"board openings {boards[1] - showings[1]:+.1f} MB, "
          f"editor openings {after[1] - boards[1]:+.1f} MB")


if __name__ == "__main__":
    main()
