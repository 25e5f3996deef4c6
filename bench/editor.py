# SPDX-License-Identifier: MIT
"""The card editor of the real program on the busiest sample card (200 comments, every
fourth with reactions; 10 checklists of 20 items; 20 attachments), the service answering after
100 ms; run through bench/editor.sh, which provides the desktop. From the moment the card is
opened (as a click on its tile opens it):

- the first frame with the editor; budget: one frame (16.7 ms);
- the first frame with the comments, checklists, attachments and the board's labels and
  members, which load side by side; budget: one round trip plus 50 ms. The comment rows of
  this card lie far below the view and are made only as the view comes near them;
- the frame with the last checklist: past the first, the checklists are built between frames;
- the frame after the last batch of reactions, which follow the comments six at a time;
- then, scrolled down to the comments (their rows are made as the view comes near them), the
  time from the scroll to the frame with the first comment rows.
"""
import os
import statistics
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from startup import Program  # noqa: E402

BOARD = "Busy Card Board"
CARD = "Release plan"
LATENCY_MS = 100
FRAME_MS = 1000 / 60


def main():
    binary, runs = sys.argv[1], int(sys.argv[2])
    first, details, checklists, reactions, scrolled = [], [], [], [], []
    os.environ["STAVELIN_DEMO_LATENCY_MS"] = str(LATENCY_MS)
    for _ in range(runs):
        program = Program(binary, ["--demo", "--demo-seed", "large"])
        program.expect(r"tray ready at .*")
        time.sleep(3)  # the start-up fetches, 100 ms each
        program.command("show")
        program.expect(r"panel shown .*", 30)
        program.command(f"select-board {BOARD}")
        program.expect(r"board drawn at .*", 30)
        time.sleep(1.0)
        program.command(f"open-card {CARD}")
        _, m = program.expect(r"card open asked at ([\d.]+) ms")
        asked = float(m.group(1))
        at = lambda event: float(program.expect(rf"{event} at ([\d.]+) ms", 30)[1].group(1)) - asked
        first.append(at("editor first frame"))
        details.append(at("editor details drawn"))
        checklists.append(at("editor checklists drawn"))
        reactions.append(at("editor reactions drawn"))
        program.command("reveal commentField")
        located, _ = program.expect(r"located commentField .*")
        drawn, _ = program.expect(r"editor comment rows drawn at .*")
        scrolled.append((drawn - located) * 1000)
        program.stop()

    med = statistics.median
    span = lambda values: f"{med(values):6.1f} ms  [{min(values):.1f}-{max(values):.1f}]"
    print(f"runs: {runs}, service answering after {LATENCY_MS} ms")
    print(f"first frame with the editor:       {span(first)}   budget {FRAME_MS:.1f} ms")
    print(f"comments, checklists, attachments,\n"
          f"  labels and members drawn:         {span(details)}   budget {LATENCY_MS + 50} ms")
    print(f"last checklist drawn:              {span(checklists)}")
    print(f"last batch of reactions drawn:     {span(reactions)}")
    print(f"scrolled to the comments, rows drawn: {span(scrolled)}")


if __name__ == "__main__":
    main()
