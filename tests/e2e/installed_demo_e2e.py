# SPDX-License-Identifier: MIT
"""The installed program, started as a user would start the demo: the tray icon comes up, a
click on it shows the panel, and the panel lists the sample account's boards.

Usage: scripts/desktop-session.sh installed_demo_e2e.py /usr/bin/stavelin
(run by scripts/check-package.sh once the package is installed)
"""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import SKIP, Run, check, click, geometry, main, needs, on_screen  # noqa: E402

# The open boards of the demo's sample account.
SAMPLE_BOARDS = ["Product Roadmap", "Home Renovation", "Reading List", "Team Offsite",
                 "Bug Triage"]


def test(args):
    binary = args[0]
    if reason := needs("xdotool"):
        print(reason)
        return SKIP
    e2e = Run("installed")
    program = e2e.start(binary, ["--demo"], e2e.env(private_config=False))

    def scenario():
        e2e.step("the tray icon comes up, and a click on it shows the panel")
        ix, iy, iw, ih = geometry(program.expect(r"tray ready at [\d.]+ ms, icon (.*)", 30).group(1))
        click((ix + iw // 2, iy + ih // 2))
        program.expect(r"panel shown .*")
        panel = on_screen()
        check(panel is not None, "the click did not show the panel")
        px, py, pw, ph = panel

        e2e.step("the panel lists the sample boards")
        for name in SAMPLE_BOARDS:
            x, y, w, h = program.locate(f"board:{name}")
            check(px <= x and x + w <= px + pw and py <= y and y + h <= py + ph,
                  f"the row of {name!r} at {(x, y, w, h)} is outside the panel {panel}")
        program.command("hide")
        program.expect(r"panel hidden")

    return e2e(scenario)


if __name__ == "__main__":
    sys.exit(main(__doc__, 1, test))
