#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs what is missing, builds Stavelin and starts it, passing the arguments on:
#
#   scripts/run.sh            # your account
#   scripts/run.sh --demo     # the built-in sandbox with a sample account
#
# Without a display (a server, a CI box) Stavelin runs on a private virtual desktop with a
# tray host, opens its panel, saves screenshots of the board list and the settings, prints
# where they are, and keeps running until interrupted (Ctrl+C).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build="${STAVELIN_BUILD:-build}" # another build directory, if you keep one

bash scripts/install-deps.sh
if [ ! -f "$build/build.ninja" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" --parallel "$(nproc)" --target stavelin

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec "$build/bin/stavelin" "$@"
fi

shots="${STAVELIN_SCREENSHOT_DIR:-$root/screenshots}"
mkdir -p "$shots"
echo "No display here: Stavelin runs on a virtual one (Xvfb with a tray host)." >&2
echo "Screenshots go to $shots; press Ctrl+C to stop." >&2
exec scripts/desktop-session.sh "$(cd "$build" && pwd)/bin/stavelin" --screenshot-dir "$shots" "$@"
