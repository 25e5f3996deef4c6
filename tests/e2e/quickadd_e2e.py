# SPDX-License-Identifier: MIT
"""Quick add with the real program on a real X server, worked with real keys (xdotool):

- Ctrl+Alt+N (grabbed beside the panel's Ctrl+Alt+T) opens the window; a board and a list
  are picked with the keyboard, a title typed, Return: the card is at the bottom of that list
  at the service, the window says where it went, then closes by itself;
- `stavelin --quick-add` from a second start opens it in the running program, with the board
  and list of the last card; Return on an empty title does nothing; Escape closes it;
- a refusal by the service keeps the typed title and says why; nothing is added; Return
  again adds it, and Open shows it in the panel's card editor.

Usage: quickadd_e2e.py path/to/stavelin   (needs DISPLAY and xdotool)
"""
import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import (SKIP, Run, Service, check, main, needs, on_screen,  # noqa: E402
                     run, sandbox_credentials, until, xdotool)

BOARD = "Product Roadmap"
LIST = "Next Up"
TITLE = "Call the printer"
WINDOW = "Add a Card"


def test(args):
    binary = os.path.abspath(args[0])
    if reason := needs("xdotool", "xwininfo"):
        print(reason)
        return SKIP
    key, token = sandbox_credentials(binary)
    e2e = Run("quickadd-e2e")
    env = e2e.env()
    program = e2e.start(binary, ["--demo"], env)
    step = e2e.step

    def read(name):
        program.command(f"read quickAdd:{name}")
        match = program.expect(rf"(?:read quickAdd:{name}: (.*)|not found: quickAdd:{name})")
        return match.group(1)  # None while it is not showing

    def pick(name, wanted):
        """Down in a combo box until it shows the wanted entry."""
        program.focus(f"quickAdd:{name}")
        for _ in range(12):
            if read(name) == wanted:
                return
            xdotool("key", "Down")
            time.sleep(0.15)
        check(False, f"{name} never showed {wanted!r} (shows {read(name)!r})")

    def opened():
        program.expect(r"quick add shown", 10)
        check(on_screen(10, WINDOW) is not None, "the quick-add window is not on screen")
        until(lambda: read("quickAddBoard") and read("quickAddList"),
              "the boards and lists never came", 10)

    def closed(timeout=5):
        program.expect(r"quick add closed", timeout)
        check(on_screen(1, WINDOW) is None, "the quick-add window is still on screen")

    def scenario():
        step("start: both shortcuts are had, side by side")
        base = program.expect(r"demo sandbox at (\S+)", 20).group(1)
        service = Service(base, key, token)
        program.expect(r"quick add key ready: Ctrl\+Alt\+N through x11", 20)
        program.expect(r"tray ready at .*", 20)
        board = service.board_id(BOARD)
        lists = service.lists(board)[1]
        before = service.cards(lists[LIST])

        step("Ctrl+Alt+N opens quick add; a card goes to the bottom of the chosen list")
        xdotool("key", "ctrl+alt+n")
        opened()
        pick("quickAddBoard", BOARD)
        pick("quickAddList", LIST)
        program.focus("quickAdd:quickAddTitle")
        xdotool("type", "--delay", "20", TITLE)
        xdotool("key", "Return")
        until(lambda: service.cards(lists[LIST]) == before + [TITLE],
              f"{LIST} holds {service.cards(lists[LIST])}", 10)
        check(read("quickAddConfirmation") == f"Added to “{LIST}” on “{BOARD}”",
              f"the window says {read('quickAddConfirmation')!r}")
        closed(10)

        step("--quick-add from a second start: the last board and list; empty Return; Escape")
        done = run(binary, "--demo", "--quick-add", env=env, timeout=20)
        check(done.returncode == 0, f"the second start exited with {done.returncode}")
        program.expect(r"asked for quick add", 10)
        opened()
        check(read("quickAddBoard") == BOARD and read("quickAddList") == LIST,
              f"it offers {read('quickAddBoard')!r} / {read('quickAddList')!r}")
        program.focus("quickAdd:quickAddTitle")
        xdotool("key", "Return")
        time.sleep(0.5)
        check(on_screen(1, WINDOW) is not None, "an empty title closed the window")
        xdotool("key", "Escape")
        closed()
        check(service.cards(lists[LIST]) == before + [TITLE], "something more was added")

        step("a refusal keeps the title and says why")
        xdotool("key", "ctrl+alt+n")
        opened()
        program.focus("quickAdd:quickAddTitle")
        xdotool("type", "--delay", "20", "Refused one")
        program.command("refuse-next POST /1/cards 400 invalid value for idList")
        program.expect(r"refusing the next POST")
        xdotool("key", "Return")
        until(lambda: read("quickAddError"), "no reason was given", 10)
        check(read("quickAddTitle") == "Refused one", f"the title is now {read('quickAddTitle')!r}")
        check(on_screen(1, WINDOW) is not None, "the window closed after the refusal")
        check(service.cards(lists[LIST]) == before + [TITLE], "the refused card was added")

        step("Return again sends it; Open shows it in the panel's editor")
        xdotool("key", "Return")
        until(lambda: service.cards(lists[LIST]) == before + [TITLE, "Refused one"],
              f"{LIST} holds {service.cards(lists[LIST])}", 10)
        until(lambda: read("quickAddOpen"), "no Open button", 5)
        program.drain()
        xdotool("key", "Return")  # the Open button has the focus
        closed()
        program.expect(r"panel shown .*", 20)
        program.expect(r"editor details drawn at .*", 20)
        program.command("read editorTitleField")
        said = program.expect(r"(?:read editorTitleField: (.*)|not found: editorTitleField)").group(1)
        check(said == "Refused one", f"the editor shows {said!r}")

    return e2e(scenario)


if __name__ == "__main__":
    sys.exit(main(__doc__, 1, test))
