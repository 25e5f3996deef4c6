#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Board screen figures of the real program on a private virtual desktop: opening the large
# board over a 100-ms service, frame times while dragging a card across it, and memory.
# Build first (scripts/build.sh).
#
#   bench/board.sh [runs]        # default 5
set -euo pipefail
cd "$(dirname "$0")/.."
binary="${STAVELIN_BUILD:-build}/bin/stavelin"
if [ ! -x "$binary" ]; then
  echo "bench/board.sh: $binary is missing; run scripts/build.sh first" >&2
  exit 1
fi
if [ -z "${STAVELIN_BENCH_SESSION:-}" ]; then
  exec env STAVELIN_BENCH_SESSION=1 scripts/desktop-session.sh "$0" "$@"
fi
unset QT_LINUX_ACCESSIBILITY_ALWAYS_ON GTK_MODULES
exec /usr/bin/python3 bench/board.py "$binary" "${1:-5}"
