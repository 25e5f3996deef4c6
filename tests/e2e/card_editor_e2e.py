# SPDX-License-Identifier: MIT
"""The card editor of the real program on a virtual desktop, worked with a real mouse and
keyboard (xdotool): a card opened from its tile, every field of the form edited and saved,
then, reopened, a comment written, a reaction added to it, a checklist item ticked, two added
with Return (which saves nothing and keeps the editor) and a link attached. Each result is read back from the demo's service over HTTP.

Usage: card_editor_e2e.py path/to/stavelin   (needs DISPLAY with a tray host and xdotool)
"""
import datetime
import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import (SKIP, Run, Service, check, click, main, needs,  # noqa: E402
                     sandbox_credentials, until, xdotool)

BOARD = "Product Roadmap"
CARD = "Drag cards between lists"  # in Next Up; due, a checklist, two comments
RENAMED = "Drag and drop between lists"
COMMENT = "Tested on the nightly build"
LINK = "https://example.com/drop-indicator"


def due_of(card):
    return datetime.datetime.fromisoformat(card["due"].replace("Z", "+00:00"))


def test(args):
    binary = os.path.abspath(args[0])
    if reason := needs("xdotool"):
        print(reason)
        return SKIP
    key, token = sandbox_credentials(binary)
    e2e = Run("editor-e2e")
    program = e2e.start(binary, ["--demo"], e2e.env())
    step = e2e.step

    def typed(path, text, replace=True):
        """Clicks into a field and types, replacing what it held unless told otherwise."""
        click(program.centre(path, reveal=True))
        time.sleep(0.1)
        xdotool("key", "ctrl+a" if replace else "ctrl+End")
        xdotool("type", "--delay", "15", text)

    def open_card(name):
        """Opens the card from its tile and waits until everything the editor shows is in
        (the sections below the form grow when their rows arrive)."""
        click(program.centre(f"card:{name}", reveal=True))
        program.expect(r"editor details drawn at .*", 20)

    def scenario():
        step("start, open the board, and open the card from its tile")
        base = program.expect(r"demo sandbox at (\S+)", 20).group(1)
        service = Service(base, key, token)
        program.expect(r"tray ready at .*", 20)
        program.command("show")
        program.expect(r"panel shown .*")
        program.command(f"open-board {BOARD}")
        program.expect(r"board loaded", 20)
        board = service.board_id(BOARD)
        _, lists = service.lists(board)
        card = next(c for c in service.get(f"lists/{lists['Next Up']}/cards") if c["name"] == CARD)
        card_id, due = card["id"], due_of(card)
        labels = {l["name"]: l["id"] for l in service.get(f"boards/{board}/labels")}
        members = {m["username"]: m["id"] for m in service.get(f"boards/{board}/members")}
        check(not card["dueComplete"] and labels["Design"] not in card["idLabels"]
              and members["priyaraman"] not in card["idMembers"], f"the seed changed: {card}")
        open_card(CARD)

        step("every field edited, then Save")
        typed("editorTitleField", RENAMED)
        typed("editorDescriptionField", "", replace=False)
        xdotool("key", "Return")  # a new line: the description keeps Return
        xdotool("type", "--delay", "15", "Also between boards, later.")
        program.focus("listPicker")
        xdotool("key", "Down")  # Next Up -> In Progress
        program.focus("duePicker/minuteField")
        xdotool("key", "Up")  # a minute later
        click(program.centre("dueCompleteSwitch", reveal=True))
        click(program.centre("label:Design", reveal=True))
        click(program.centre("member:priyaraman", reveal=True))
        click(program.centre("saveCardButton"))
        until(lambda: service.get(f"cards/{card_id}")["name"] == RENAMED, "the card was not saved")
        saved = service.get(f"cards/{card_id}")
        check(saved["desc"].endswith("\nAlso between boards, later."), f"desc {saved['desc']!r}")
        check(saved["idList"] == lists["In Progress"], "the card did not move to In Progress")
        moved = due_of(saved) - due.replace(second=0, microsecond=0)
        check(moved == datetime.timedelta(minutes=1), f"the due date moved by {moved}")
        check(saved["dueComplete"], "the card is not marked complete")
        check(labels["Design"] in saved["idLabels"] and labels["Feature"] in saved["idLabels"],
              f"labels {saved['idLabels']}")
        check(members["priyaraman"] in saved["idMembers"], f"members {saved['idMembers']}")
        program.locate(f"column:In Progress/card:{RENAMED}")  # the editor closed on the board

        step("reopened: a comment, and a reaction to it")
        open_card(RENAMED)
        typed("commentField", COMMENT)
        xdotool("key", "Return")
        until(lambda: any(a["data"]["text"] == COMMENT for a in
                          service.get(f"cards/{card_id}/actions", filter="commentCard")),
              "the comment did not arrive")
        comment = next(a for a in service.get(f"cards/{card_id}/actions", filter="commentCard")
                       if a["data"]["text"] == COMMENT)
        # The newest comment is the first row.
        click(program.centre("commentRow/addReactionButton", reveal=True))
        time.sleep(0.3)  # the menu is in place
        click(program.centre("quickReaction0"))  # 👍, in the menu
        reactions = lambda: [r["emoji"]["native"]
                             for r in service.get(f"actions/{comment['id']}/reactions")]
        until(lambda: reactions() == ["👍"], "the new comment did not get one 👍")

        step("a checklist item ticked, two added with Return, a link attached")
        click(program.centre("item:Drop on an empty list/tick", reveal=True))
        until(lambda: any(i["name"] == "Drop on an empty list" and i["state"] == "complete"
                          for c in service.get(f"cards/{card_id}/checklists")
                          for i in c["checkItems"]), "the item was not ticked")
        typed("editorTitleField", "Not to be saved")  # a save would send it
        click(program.centre("checklist:Acceptance/addItemButton", reveal=True))
        for item in ("Third step", "Fourth step"):
            time.sleep(0.2)
            xdotool("type", "--delay", "15", item)
            xdotool("key", "Return")
            until(lambda: item in [i["name"] for c in service.get(f"cards/{card_id}/checklists")
                                   for i in c["checkItems"]], f"{item} was not added")
        check(service.get(f"cards/{card_id}")["name"] == RENAMED, "Return in the item field saved the card")
        program.locate("checklist:Acceptance/newItemField")  # the editor stayed, the field too
        click(program.centre("addLinkButton", reveal=True))
        typed("urlField", LINK)
        typed("nameField", "Drop indicator")
        click(program.centre("addLinkConfirmButton", reveal=True))
        until(lambda: [(a["url"], a["name"]) for a in service.get(f"cards/{card_id}/attachments")]
              == [(LINK, "Drop indicator")], "the link was not attached")
        check(all(token not in line for line in program.log), "the token was printed")

    return e2e(scenario)


if __name__ == "__main__":
    sys.exit(main(__doc__, 1, test))
