# SPDX-License-Identifier: MIT
"""The demo's notifications on a real desktop: the notification daemon (dunst) shows one bubble
per unread notification of the sample account, in its sentence; one the service adds comes once
with the next poll; the tray's tooltip and icon count them; opening a bubble opens its card in the
panel's editor.

Usage: scripts/desktop-session.sh notifications_e2e.py build/bin/stavelin
"""
import json
import os
import subprocess
import sys
import time
import urllib.parse
import urllib.request

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import SKIP, Run, Service, check, main, needs, run, sandbox_credentials, until  # noqa: E402


def history():
    """What the daemon has shown, oldest first, as (summary, body); closes what is open."""
    run("dunstctl", "close-all")
    data = json.loads(run("dunstctl", "history").stdout)["data"][0]
    return [(n["summary"]["data"], n["body"]["data"]) for n in reversed(data)]


def test(args):
    binary = args[0]
    if reason := needs("dunst", "dunstctl"):
        print(reason)
        return SKIP
    key, token = sandbox_credentials(binary)
    e2e = Run("notifications")
    daemon = subprocess.Popen(["dunst"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    e2e.cleanups.append(lambda: (daemon.terminate(), daemon.wait(10)))
    # Polled every second here, instead of every minute.
    # What the program asks the daemon, pictures included (dunst's history keeps no picture).
    calls = open(os.path.join(e2e.scratch, "notify-calls.txt"), "w+")
    monitor = subprocess.Popen(["dbus-monitor", "--session",
                                "type='method_call',interface='org.freedesktop.Notifications',member='Notify'"],
                               stdout=calls, stderr=subprocess.DEVNULL)
    e2e.cleanups.append(lambda: (monitor.terminate(), monitor.wait(10), calls.close()))
    program = e2e.start(binary, ["--demo"], e2e.env(STAVELIN_NOTIFICATION_INTERVAL_MS="1000", STAVELIN_DESKTOP_NOTIFICATIONS="1"))

    def notify_calls():
        calls.flush()
        calls.seek(0)
        return calls.read().split("method call ")[1:]

    def scenario():
        e2e.step("the sample account's three unread notifications come as three bubbles")
        base = program.expect(r"demo sandbox at (\S+)", 20).group(1)
        program.expect(r"tray ready at .*", 30)
        until(lambda: run("dunstctl", "count", "displayed").stdout.strip() == "3",
              "the daemon did not show three bubbles", 20)
        shown = history()
        check([s for s, _ in shown][-1] == "Marco Bellini mentioned you on “Drag cards between lists”",
              f"the newest bubble says {shown[-1]!r}")
        check(shown[-1][1] == "@adalindqvist the drop indicator is ready for review.",
              f"the mention's body is {shown[-1][1]!r}")
        check(not any("image-data" in c for c in notify_calls()),
              "a bubble came with a picture the panel had never fetched")

        e2e.step("one the service adds comes once, and the tooltip counts it")
        service = Service(base, key, token)
        lists = service.lists(service.board_id("Product Roadmap"))[1]
        card = next(c for c in service.get(f"lists/{lists['Ideas']}/cards") if c["name"] == "Offline mode")
        query = urllib.parse.urlencode({"type": "commentCard", "card": card["id"], "from": "priyaraman",
                                        "text": "Synced at last"})
        urllib.request.urlopen(urllib.request.Request(f"{base.rsplit('/1', 1)[0]}/sandbox/notify?{query}",
                                                      method="POST"), timeout=5).read()
        until(lambda: run("dunstctl", "count", "displayed").stdout.strip() == "1",
              "the added notification did not come", 20)
        time.sleep(2.5)  # two more polls: nothing comes twice
        shown = history()
        check(len(shown) == 4, f"the daemon showed {len(shown)} bubbles in all")
        check(shown[-1] == ("Priya Raman commented on “Offline mode”", "Synced at last"),
              f"the new bubble is {shown[-1]!r}")
        program.drain()
        program.command("tooltip")
        tip = program.expect(r"tooltip: (.*)").group(1)
        check(tip.endswith("4 unread notifications"), f"the tooltip says {tip!r}")
        program.command("badge")
        program.expect(r"badge: 4")

        e2e.step("once the panel has shown Marco's picture, his next bubble carries it")
        program.command("show")
        program.expect(r"panel shown .*", 20)
        program.focus("notificationsButton")
        run("xdotool", "key", "space")
        time.sleep(1.5)  # the list and its pictures
        program.command("hide")
        program.expect(r"panel hidden.*", 20)
        before = len(notify_calls())
        query = urllib.parse.urlencode({"type": "mentionedOnCard", "card": card["id"],
                                        "from": "marcobellini", "text": "@adalindqvist look"})
        urllib.request.urlopen(urllib.request.Request(f"{base.rsplit('/1', 1)[0]}/sandbox/notify?{query}",
                                                      method="POST"), timeout=5).read()
        until(lambda: run("dunstctl", "count", "displayed").stdout.strip() == "1",
              "the mention did not come", 20)
        mention = notify_calls()[before:]
        check(len(mention) == 1 and "image-data" in mention[0] and "Marco Bellini mentioned you" in mention[0],
              f"the mention's bubble went to the daemon as {mention!r}"[:2000])
        program.drain()
        run("dunstctl", "action", "0")
        program.expect(r"panel shown .*", 20)
        program.expect(r"editor details drawn at .*", 20)
        program.command("tooltip")
        tip = program.expect(r"tooltip: (.*)").group(1)
        check(tip.endswith("3 unread notifications"), f"after opening the card the tooltip says {tip!r}")
        program.command("badge")
        program.expect(r"badge: 3")

    return e2e(scenario)


if __name__ == "__main__":
    sys.exit(main(__doc__, 1, test))
