#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Start-up figures of the real program on a private virtual desktop (Xvfb with a tray host):
# start to tray icon ready, hot key to panel visible, and resident memory at idle and after
# opening the largest sample board. Build first (scripts/build.sh).
#
#   bench/startup.sh [runs]        # default 5 runs; medians are printed
#   STAVELIN_BUILD=other-build-dir bench/startup.sh
set -euo pipefail
cd "$(dirname "$0")/.."
binary="${STAVELIN_BUILD:-build}/bin/stavelin"
if [ ! -x "$binary" ]; then
  echo "bench/startup.sh: $binary is missing; run scripts/build.sh first" >&2
  exit 1
fi
if [ -z "${STAVELIN_BENCH_SESSION:-}" ]; then
  exec env STAVELIN_BENCH_SESSION=1 scripts/desktop-session.sh "$0" "$@"
fi
# Measured the way users run it: no accessibility bridge forced on.
unset QT_LINUX_ACCESSIBILITY_ALWAYS_ON GTK_MODULES
exec /usr/bin/python3 bench/startup.py "$binary" "${1:-5}"
