#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs a command inside a private, throwaway desktop: its own D-Bus session, an unlocked
# gnome-keyring with a throwaway password, a throwaway HOME and XDG folders, Xvfb and a tray
# host (trayer). Everything started here is stopped at the end; the exit status is the
# command's.
#
#   dbus-run-session -- scripts/desktop-session.sh <command…>
#   scripts/desktop-session.sh --keyring-only <command…>     # bus and keyring, no display
#   scripts/desktop-session.sh --sni-tray <command…>
#
# --sni-tray hosts tray icons over D-Bus (StatusNotifierItem), as most desktops do, instead
# of XEmbed: Debian's standalone watcher and a 30-px tray bar along the top, under the
# openbox window manager, which turns the bar's strut into the work area. Without those
# programs it exits with 77 (skipped).
#
# The script always starts its own bus, even when called under dbus-run-session, so the real
# user's keyring and settings are never touched.
set -uo pipefail

if [ "${STAVELIN_PRIVATE_BUS:-}" != 1 ]; then
  exec env STAVELIN_PRIVATE_BUS=1 dbus-run-session -- "$0" "$@"
fi
unset STAVELIN_PRIVATE_BUS

with_display=1
tray=xembed
if [ "${1:-}" = "--keyring-only" ]; then
  with_display=0
  shift
elif [ "${1:-}" = "--sni-tray" ]; then
  tray=sni
  shift
  for tool in openbox status-notifier-watcher gtk-sni-tray-standalone; do
    if ! command -v "$tool" >/dev/null; then
      echo "SKIP: $tool is not installed (scripts/install-deps.sh installs it)"
      exit 77
    fi
  done
fi
if [ $# -eq 0 ]; then
  echo "usage: $0 [--keyring-only] <command…>" >&2
  exit 2
fi

pids=()
scratch=$(mktemp -d "${TMPDIR:-/tmp}/stavelin-session.XXXXXX")
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null; done
  # The portal's document store mounts itself under the runtime folder.
  if mountpoint -q "$XDG_RUNTIME_DIR/doc" 2>/dev/null; then
    fusermount3 -u -z "$XDG_RUNTIME_DIR/doc" 2>/dev/null || fusermount -u -z "$XDG_RUNTIME_DIR/doc"
  fi
  rm -rf "$scratch"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Polls a condition every 50 ms for at most the given number of seconds.
wait_for() {
  local seconds=$1; shift
  local tries=$((seconds * 20))
  while [ "$tries" -gt 0 ]; do
    if "$@"; then return 0; fi
    sleep 0.05
    tries=$((tries - 1))
  done
  return 1
}

# The D-Bus tray: window manager, watcher, then the bar, each waited for. The bar is light
# grey, as the desktop palette the programs see here (no desktop theme) is light.
start_sni_tray() {
  openbox >"$scratch/openbox.log" 2>&1 &
  pids+=($!)
  wm_ready() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
  if ! wait_for 10 wm_ready; then
    echo "desktop-session: openbox did not start" >&2
    cat "$scratch/openbox.log" >&2
    exit 1
  fi
  status-notifier-watcher >"$scratch/watcher.log" 2>&1 &
  pids+=($!)
  host_ready() {
    dbus-send --session --print-reply --dest=org.kde.StatusNotifierWatcher \
      /StatusNotifierWatcher org.freedesktop.DBus.Properties.Get \
      string:org.kde.StatusNotifierWatcher string:IsStatusNotifierHostRegistered \
      2>/dev/null | grep -q 'boolean true'
  }
  # NO_AT_BRIDGE: the bar needs no accessibility bus of its own.
  env -u GTK_MODULES NO_AT_BRIDGE=1 gtk-sni-tray-standalone --top --end --size 30 \
    --color '#d6d6d6' >"$scratch/sni-tray.log" 2>&1 &
  pids+=($!)
  work_area_ready() { xprop -root _NET_WORKAREA 2>/dev/null | grep -q '= 0, 30, '; }
  if ! wait_for 15 host_ready || ! wait_for 10 work_area_ready; then
    echo "desktop-session: the StatusNotifierItem tray did not come up" >&2
    cat "$scratch/watcher.log" "$scratch/sni-tray.log" >&2
    exit 1
  fi
}

export HOME="$scratch/home"
export XDG_RUNTIME_DIR="$scratch/runtime"
export XDG_CONFIG_HOME="$HOME/.config" XDG_DATA_HOME="$HOME/.local/share"
export XDG_CACHE_HOME="$HOME/.cache" XDG_STATE_HOME="$HOME/.local/state"
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$XDG_STATE_HOME"
mkdir -m 700 "$XDG_RUNTIME_DIR"

# Creates and unlocks the "login" keyring, so no job ever waits for a password prompt. The
# daemon lives on this session's bus and ends with it.
if ! keyring_env=$(printf 'throwaway-session-password' |
                   gnome-keyring-daemon --unlock --components=secrets); then
  echo "desktop-session: gnome-keyring-daemon did not start" >&2
  exit 1
fi
eval "$keyring_env"
export GNOME_KEYRING_CONTROL
keyring_pid=${GNOME_KEYRING_PID:-}
if [ -n "$keyring_pid" ]; then pids+=("$keyring_pid"); fi

if [ "$with_display" = 1 ]; then
  # -noreset: by default the server starts afresh whenever its last client leaves, and a
  # client that connects meanwhile fails. Another Xvfb starting on this machine connects for
  # a moment to see whether a display number is taken, so trayer or openbox failed now and
  # then.
  Xvfb -displayfd 3 -noreset -screen 0 1280x800x24 -nolisten tcp \
    3>"$XDG_RUNTIME_DIR/display" >"$scratch/xvfb.log" 2>&1 &
  pids+=($!)
  if ! wait_for 10 test -s "$XDG_RUNTIME_DIR/display"; then
    echo "desktop-session: Xvfb did not start" >&2
    cat "$scratch/xvfb.log" >&2
    exit 1
  fi
  export DISPLAY=":$(cat "$XDG_RUNTIME_DIR/display")"

  # Started before the accessibility variables below: with atk-bridge loaded it is slow to
  # claim the tray.
  if [ "$tray" = xembed ]; then
    env -u GTK_MODULES trayer --edge top --align right --widthtype request --height 24 \
      --transparent false >"$scratch/trayer.log" 2>&1 &
    pids+=($!)
    tray_ready() { xwininfo -root -tree 2>/dev/null | grep -q '("panel" "trayer")'; }
    if ! wait_for 10 tray_ready; then
      echo "desktop-session: trayer did not claim the tray" >&2
      cat "$scratch/trayer.log" >&2
      exit 1
    fi
  else
    start_sni_tray
  fi
  export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 GTK_MODULES=gail:atk-bridge

  # The XDG settings portal, started by the bus when first asked, with its GTK backend: that one
  # reads the desktop's light/dark preference from dconf, which `gsettings` changes. Only the
  # bus-started services see GNOME as the desktop (the backend serves GNOME only); the program
  # under test keeps its own environment.
  export GSETTINGS_BACKEND=dconf
  dbus-update-activation-environment DISPLAY HOME XDG_RUNTIME_DIR XDG_CONFIG_HOME \
    XDG_DATA_HOME XDG_CACHE_HOME GSETTINGS_BACKEND XDG_CURRENT_DESKTOP=GNOME
else
  unset DISPLAY WAYLAND_DISPLAY
fi

"$@"
status=$?
exit "$status"
