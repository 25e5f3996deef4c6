# SPDX-License-Identifier: MIT
"""The board screen of the real program on a virtual desktop, worked with a real mouse and
keyboard (xdotool): a card dragged to another column and before another card, a list header
dragged onto another header and onto the end zone, a card added inline (and Escape, which
closes the inline field and keeps the panel), a card moved by keyboard, and a card dragged in
the narrow panel to a list out of view (the strip scrolls while the card is held at its edge).
Each result is read back from the demo's service over HTTP.

Usage: board_e2e.py path/to/stavelin   (needs DISPLAY with a tray host and xdotool)
"""
import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import (SKIP, Run, Service, check, drag, hidden, main, needs,  # noqa: E402
                     sandbox_credentials, until, xdotool)

BOARD = "Product Roadmap"


def test(args):
    binary = os.path.abspath(args[0])
    if reason := needs("xdotool"):
        print(reason)
        return SKIP
    key, token = sandbox_credentials(binary)
    e2e = Run("board-e2e")
    program = e2e.start(binary, ["--demo"], e2e.env())
    step, locate, centre = e2e.step, program.locate, program.centre

    def scenario():
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
        drag(centre("listHeader:Review/listDragHandle", reveal=True), centre("listHeader:Next Up"))
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
        xdotool("key", "Escape")
        check(not hidden(1), "Escape in the inline field hid the panel")
        program.command("locate column:Ideas/cardTitleField")
        check(program.expect(r"(located|not found:) column:Ideas/cardTitleField").group(1) == "not found:",
              "Escape left the inline field open")

        step("Ctrl+Shift+Right moves the focused card to the end of the next list")
        first = service.cards(ids["Ideas"])[0]
        neighbour = service.lists(board)[0][1]
        program.command(f"focus card:{first}")
        program.expect(r"focused .*")
        xdotool("key", "ctrl+shift+Right")
        until(lambda: service.cards(ids[neighbour])[-1:] == [first],
              f"{neighbour} holds {service.cards(ids[neighbour])}")
        step("in the narrow panel, a card held at the strip's edge scrolls it to a list out of view")
        program.command("collapse")
        time.sleep(0.5)
        names, ids = service.lists(board)
        moving, last = service.cards(ids[names[0]])[0], names[-1]
        xs, ys, ws, hs = locate("boardColumnStrip")
        sx, sy = centre(f"card:{moving}", reveal=True)
        check(locate(f"column:{last}")[0] >= xs + ws, f"{last} is in view already")
        xdotool("mousemove", str(sx), str(sy))
        time.sleep(0.1)
        xdotool("mousedown", "1")
        hold = xs + ws - 30  # in the strip's edge zone, and held there
        for i in range(1, 21):
            xdotool("mousemove", str(sx + (hold - sx) * i // 20), str(sy))
            time.sleep(0.03)
        until(lambda: (lambda x, y, w, h: x + w <= xs + ws)(*locate(f"column:{last}")),
              f"{last} did not scroll into view", 15)
        tx, ty = centre(f"column:{last}")
        for i in range(1, 11):
            xdotool("mousemove", str(hold + (tx - hold) * i // 10), str(ty))
            time.sleep(0.03)
        time.sleep(0.2)
        xdotool("mouseup", "1")
        until(lambda: moving in service.cards(ids[last]), f"{last} holds {service.cards(ids[last])}")
        check(all(token not in line for line in program.log), "the token was printed")

    return e2e(scenario)


if __name__ == "__main__":
    sys.exit(main(__doc__, 1, test))
