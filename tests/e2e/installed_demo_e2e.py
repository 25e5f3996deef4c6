# SPDX-License-Identifier: MIT
"""The installed program, started as a user would start the demo: the tray icon comes up, a
click on it shows the panel, and the panel lists the sample account's boards.

Usage: scripts/desktop-session.sh installed_demo_e2e.py /usr/bin/stavelin
(run by scripts/check-package.sh once the package is installed)
"""
import os
import re
import shutil
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from shell_e2e import SKIP, Failure, Program, check, geometry, on_screen, xdotool  # noqa: E402

# The open boards of the demo's sample account.
SAMPLE_BOARDS = ["Product Roadmap", "Home Renovation", "Reading List", "Team Offsite",
                 "Bug Triage"]


def main():
    if len(sys.argv) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    binary = sys.argv[1]
    if not os.environ.get("DISPLAY") or not shutil.which("xdotool"):
        print("SKIP: needs an X display with a tray host, and xdotool")
        return SKIP

    scratch = tempfile.mkdtemp(prefix="stavelin-installed-")
    runtime = os.path.join(scratch, "runtime")
    os.mkdir(runtime, 0o700)
    env = dict(os.environ, STAVELIN_TEST_HOOKS="1", XDG_RUNTIME_DIR=runtime)
    program = Program(binary, ["--demo"], env)
    try:
        icon = geometry(program.expect(r"tray ready at [\d.]+ ms, icon (.*)", 30).group(1))
        ix, iy, iw, ih = icon
        xdotool("mousemove", str(ix + iw // 2), str(iy + ih // 2), "click", "1")
        program.expect(r"panel shown .*")
        panel = on_screen()
        check(panel is not None, "the click did not show the panel")
        px, py, pw, ph = panel
        for name in SAMPLE_BOARDS:
            program.command(f"locate board:{name}")
            match = program.expect(rf"(?:located board:{re.escape(name)} (.*)|not found: .*)")
            check(match.group(1) is not None, f"the panel does not list the board {name!r}")
            x, y, w, h = geometry(match.group(1))
            check(px <= x and x + w <= px + pw and py <= y and y + h <= py + ph,
                  f"the row of {name!r} at {(x, y, w, h)} is outside the panel {panel}")
        program.command("hide")
        program.expect(r"panel hidden")
        print(f"PASS: the installed program lists {len(SAMPLE_BOARDS)} sample boards")
        return 0
    except Failure as failure:
        print(f"FAIL: {failure}")
        print("program output:\n  " + "\n  ".join(program.log[-30:]))
        return 1
    finally:
        program.stop()
        shutil.rmtree(scratch, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
