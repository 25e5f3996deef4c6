# SPDX-License-Identifier: MIT
"""The card editor of the real program on a virtual desktop, worked with a real mouse and
keyboard (xdotool): a card opened from its tile, every field of the form edited and saved,
then, reopened, a comment written, a reaction added to it, a checklist item ticked, two added
with Return (which saves nothing and keeps the editor) and a link attached. Each result is read back from the demo's service over HTTP.

Then, on the large sample account, two busy cards opened one after the other and a refresh,
all within 10 s (the service's rate limits allow 100 requests per token in 10 s): a comment's
reactions are fetched only once its row comes near the view, so this stays well inside them,
and once scrolled to the comments every row near the view shows its reactions and no error
banner is left. The service's record of its requests (its test route) is the oracle.

Usage: card_editor_e2e.py path/to/stavelin   (needs DISPLAY with a tray host and xdotool)
"""
import datetime
import json
import os
import re
import sys
import time
import urllib.request

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
        # The key travels through the X server, the next command through stdin: the key first.
        def picked():
            program.command("read listPicker")
            return program.expect(r"read listPicker: (.*)").group(1) == "In Progress"
        until(picked, "the list was not picked")
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

    verdict = e2e(scenario)
    return verdict or busy_cards(binary, key, token)


def busy_cards(binary, key, token):
    run = Run("editor-busy-e2e")
    program = run.start(binary, ["--demo", "--demo-seed", "large"], run.env())
    step = run.step

    def scenario():
        step("two busy cards opened and a refresh, within 10 s")
        base = program.expect(r"demo sandbox at (\S+)", 20).group(1)
        origin = base.rsplit("/1", 1)[0]

        def log():
            with urllib.request.urlopen(f"{origin}/sandbox/requests", timeout=5) as answer:
                return json.load(answer)

        program.expect(r"tray ready at .*", 20)
        program.command("show")
        program.expect(r"panel shown .*")
        program.command("open-board Busy Card Board")
        program.expect(r"board loaded", 20)
        start = time.monotonic()
        before = len(log())
        for card in ("Release plan", "Release retro"):
            asked = len(log())
            program.command(f"open-card {card}")
            program.expect(r"editor details drawn at .*", 10)
            time.sleep(0.5)  # anything the opening still sends
            cost = log()[asked:]
            check(len(cost) < 10, f"opening {card} cost {len(cost)} requests: {[r['path'] for r in cost]}")
        program.command("refresh")
        program.expect(r"refreshed", 10)
        elapsed = time.monotonic() - start
        check(elapsed < 10, f"it took {elapsed:.1f} s")

        step("scrolled to the comments: every row near the view shows its reactions")
        program.command("reveal commentField")
        program.expect(r"editor comment rows drawn at .*", 10)
        reactions = re.compile(r"/1/actions/(\w+)/reactions")
        until(lambda: any(reactions.fullmatch(r["path"]) for r in log()[before:]),
              "no reactions were fetched")
        time.sleep(1)  # the chips follow the store a moment later
        served = log()
        check(all(r["status"] == 200 for r in served[before:]),
              f"refused: {[(r['path'], r['status']) for r in served[before:] if r['status'] != 200]}")
        fetched = {reactions.fullmatch(r["path"]).group(1) for r in served[before:]
                   if reactions.fullmatch(r["path"])}
        card = next(c for c in Service(base, key, token).get(f"lists/{plans_list(base, key, token)}/cards")
                    if c["name"] == "Release retro")
        comments = Service(base, key, token).get(f"cards/{card['id']}/actions", limit=1000)
        number = {c["id"]: int(c["data"]["text"].split()[1]) for c in comments}
        reacted = [i for i in fetched if i in number and (number[i] - 1) % 4 == 0]
        check(reacted, f"no reacted comment near the view: {sorted(fetched)}")
        program.command("count reactionChip")
        chips = int(program.expect(r"counted reactionChip (\d+)").group(1))
        check(chips == 2 * len(reacted), f"{chips} chips for {len(reacted)} reacted comments")
        program.command("locate errorBanner")
        banner = program.expect(r"(?:located|not found:) errorBanner.*").group(0)
        check(banner.startswith("not found"), f"an error banner is left: {banner}")

    return run(scenario)


def plans_list(base, key, token):
    service = Service(base, key, token)
    return service.lists(service.board_id("Busy Card Board"))[1]["Plans"]


if __name__ == "__main__":
    sys.exit(main(__doc__, 1, test))
