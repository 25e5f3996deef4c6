#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The README's pictures, taken on a private virtual desktop (Xvfb, a tray host, dunst):
# the program's own windows through --screenshot-dir, and the demo's notifications as the
# desktop's notification daemon shows them (desktop-notification.png).
#   scripts/screenshots.sh [DIR]      # default docs/screenshots; build first (scripts/build.sh)
#   STAVELIN_SCREENSHOT_ARGS="..."    # passed on (the dark and German pictures: see the README)
set -euo pipefail
cd "$(dirname "$0")/.."
dir="$(realpath -m "${1:-docs/screenshots}")"
binary="$PWD/${STAVELIN_BUILD:-build}/bin/stavelin"
if [ -z "${STAVELIN_SCREENSHOT_SESSION:-}" ]; then
  exec env STAVELIN_SCREENSHOT_SESSION=1 dbus-run-session -- scripts/desktop-session.sh "$0" "$dir"
fi
mkdir -p "$dir"
runtime="$(mktemp -d)"
# The daemon as a desktop would set it up: a proportional font, the summary in bold.
cat > "$runtime/dunstrc" <<'CONF'
[global]
    font = DejaVu Sans 10
    markup = full
    format = "<b>%s</b>\n%b"
    show_indicators = no
    width = 340
    offset = 12x40
    padding = 10
    horizontal_padding = 12
    frame_width = 1
    frame_color = "#c7c7cc"
    separator_color = frame
    corner_radius = 0
    gap_size = 0
    separator_height = 1
[urgency_normal]
    background = "#fbfbfd"
    foreground = "#1d1d1f"
    timeout = 30
CONF
dunst -config "$runtime/dunstrc" 2>/dev/null &
daemon=$!
XDG_RUNTIME_DIR="$runtime" XDG_CONFIG_HOME="$runtime/config" \
  "$binary" --demo --screenshot-dir "$dir" ${STAVELIN_SCREENSHOT_ARGS:-} &
program=$!
# The demo's unread notifications arrive as bubbles once the account has loaded; dunst stacks
# them in one window.
bubbles=""
for _ in $(seq 100); do
  bubbles="$(xdotool search --classname '^dunst$' 2>/dev/null | head -1 || true)"
  [ -n "$bubbles" ] && break
  sleep 0.1
done
if [ -n "$bubbles" ]; then
  sleep 1.5 # all three in, drawn
  import -window "$bubbles" "$dir/desktop-notification.png"
else
  echo "screenshots: no notification bubbles appeared" >&2
fi
# The settings window is the last picture; the program stays until it is told to go.
for _ in $(seq 600); do
  [ -s "$dir/settings.png" ] && break
  sleep 0.1
done
sleep 0.5
kill "$program" "$daemon" 2>/dev/null || true
wait "$program" 2>/dev/null || true
rm -rf "$runtime"
