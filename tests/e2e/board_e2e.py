# SPDX-License-Identifier: MIT
"""The board screen of the real program on a virtual desktop, worked with a real mouse and
keyboard (xdotool): a card dragged to another column and before another card, a list header
dragged onto another header and onto the end zone, a card added inline and a card moved by
keyboard. Each result is read back from the demo's service over HTTP.

Usage: board_e2e.py path/to/stavelin   (needs DISPLAY with a tray host and xdotool)
"""
import json
import os
import re
import shutil
import sys
import tempfile
import time
import urllib.parse
import urllib.request

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from shell_e2e import SKIP, Failure, Program, check, geometry, run, xdotool  # noqa: E402

BOARD = "Product Roadmap"


class Service:
    """The demo's sandbox, asked over HTTP with the sample account's key and token."""

    def __init__(self, base, key, token):
        self.base, self.key, self.token = base, key, token

    def get(self, path):
        query = urllib.parse.urlencode({"key": self.key, "token": self.token})
        with urllib.request.urlopen(f"{self.base}/{path}?{query}", timeout=5) as answer:
            return json.load(answer)

    def board_id(self, name):
        return next(b["id"] for b in self.get("members/me/boards") if b["name"] == name)

    def lists(self, board):
        """List names in the service's order, and their ids by name."""
        lists = sorted(self.get(f"boards/{board}/lists"), key=lambda l: l["pos"])
        return [l["name"] for l in lists], {l["name"]: l["id"] for l in lists}

    def cards(self, list_id):
        return [c["name"] for c in sorted(self.get(f"lists/{list_id}/cards"), key=lambda c: c["pos"])]


def until(condition, message, timeout=5):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if condition():
            return
        time.sleep(0.1)
    raise Failure(message)


def main():
    if len(sys.argv) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    binary = os.path.abspath(sys.argv[1])
    if not os.environ.get("DISPLAY") or not shutil.which("xdotool"):
        print("SKIP: needs an X display and xdotool")
        return SKIP

    scratch = tempfile.mkdtemp(prefix="stavelin-board-e2e-")
    runtime = os.path.join(scratch, "runtime")
    os.mkdir(runtime, 0o700)
    env = dict(os.environ, STAVELIN_TEST_HOOKS="1", XDG_RUNTIME_DIR=runtime,
               XDG_CONFIG_HOME=os.path.join(scratch, "config"),
               XDG_DATA_HOME=os.path.join(scratch, "data"))
    usage = run(os.path.join(os.path.dirname(binary), "stavelin-sandbox"), "--help").stdout
    key = re.search(r"^\s*key\s+(\S+)", usage, re.M).group(1)
    token = re.search(r"^\s*token\s+(\S+)", usage, re.M).group(1)
    program = Program(binary, ["--demo"], env)
    steps = []

    def step(name):
        steps.append(name)
        print(f"-- {name}", flush=True)

    def locate(path):
        program.command(f"locate {path}")
        match = program.expect(rf"(?:located {re.escape(path)} (.*)|not found: {re.escape(path)})")
        check(match.group(1) is not None, f"{path} is not on screen")
        return geometry(match.group(1))

    def centre(path, dy=None):
        x, y, w, h = locate(path)
        return x + w // 2, y + (h // 2 if dy is None else dy)

    def drag(source, target):
        """Presses on source, moves there in small steps as a hand would, and lets go."""
        (sx, sy), (tx, ty) = source, target
        xdotool("mousemove", str(sx), str(sy))
        time.sleep(0.1)
        xdotool("mousedown", "1")
        for i in range(1, 21):
            x = sx + (tx - sx) * i // 20
            y = sy + (ty - sy) * i // 20
            xdotool("mousemove", str(x), str(y))
            time.sleep(0.03)
        time.sleep(0.2)
        xdotool("mouseup", "1")
        time.sleep(0.3)

    try:
        step("start and open the board")
        base = program.expect(r"demo sandbox at (\S+)", 20).group(1)
        service = Service(base, key, token)
        program.expect(r"tray ready at .*", 20)
        program.command("expand")  # four columns in view
        program.command("show")
        program.expect(r"panel shown .*")
        program.command(f"open-board {BOARD}")
        program.expect(r"board loaded", 20)
        board = service.board_id(BOARD)
        names, ids = service.lists(board)
        check(names[:4] == ["Ideas", "Next Up", "In Progress", "Review"], f"lists: {names}")
        ideas = service.cards(ids["Ideas"])
        next_up = service.cards(ids["Next Up"])
        locate("column:Ideas")  # the columns are built

        step("a card dragged onto another column goes to its end")
        moving = ideas[0]
        x, y, w, h = locate("column:In Progress")
        drag(centre(f"card:{moving}"), (x + w // 2, y + h - 40))
        until(lambda: service.cards(ids["In Progress"])[-1:] == [moving],
              f"In Progress holds {service.cards(ids['In Progress'])}")
        check(moving not in service.cards(ids["Ideas"]), "the card is still in Ideas")

        step("a card dragged onto another card goes before it")
        moving, target = ideas[1], next_up[1]
        drag(centre(f"card:{moving}"), centre(f"card:{target}", dy=6))
        until(lambda: (lambda cards: moving in cards and cards.index(moving) == cards.index(target) - 1)(
                  service.cards(ids["Next Up"])),
              f"Next Up holds {service.cards(ids['Next Up'])}")

        step("a list header dragged onto another header goes before that list")
        drag(centre("listHeader:Review/listDragHandle"), centre("listHeader:Next Up"))
        until(lambda: service.lists(board)[0][:3] == ["Ideas", "Review", "Next Up"],
              f"lists are {service.lists(board)[0]}")

        step("a list header dragged onto the end zone goes last")
        program.command("collapse")
        program.command("expand")
        locate("column:Ideas")
        xs, ys, ws, hs = locate("boardColumnStrip")
        # The end zone comes into view when the strip is scrolled to its end.
        xdotool("mousemove", str(xs + ws // 2), str(ys + hs // 2))
        for _ in range(12):
            xdotool("click", "7")  # wheel right
        time.sleep(0.4)
        drag(centre("listHeader:In Progress/listDragHandle"), centre("endDropZone"))
        until(lambda: service.lists(board)[0][-1] == "In Progress", f"lists are {service.lists(board)[0]}")

        step("a card added inline, and the field stays open for the next one")
        for _ in range(12):
            xdotool("click", "6")  # wheel left, back to the first column
        time.sleep(0.4)
        xdotool("mousemove", *map(str, centre("column:Ideas/addCardButton")), "click", "1")
        time.sleep(0.3)
        xdotool("type", "--delay", "20", "Written in the panel")
        xdotool("key", "Return")
        until(lambda: service.cards(ids["Ideas"])[-1:] == ["Written in the panel"],
              f"Ideas holds {service.cards(ids['Ideas'])}")
        locate("column:Ideas/cardTitleField")

        step("Ctrl+Shift+Right moves the focused card to the end of the next list")
        first = service.cards(ids["Ideas"])[0]
        neighbour = service.lists(board)[0][1]
        program.command(f"focus card:{first}")
        program.expect(r"focused .*")
        xdotool("key", "ctrl+shift+Right")
        until(lambda: service.cards(ids[neighbour])[-1:] == [first],
              f"{neighbour} holds {service.cards(ids[neighbour])}")
        check(all(token not in line for line in program.log), "the token was printed")
        print(f"PASS: {len(steps)} steps")
        return 0
    except Failure as failure:
        print(f"FAIL in step '{steps[-1] if steps else 'setup'}': {failure}")
        print("program output:\n  " + "\n  ".join(program.log[-30:]))
        return 1
    finally:
        program.stop()
        shutil.rmtree(scratch, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
