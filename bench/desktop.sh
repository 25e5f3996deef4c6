#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs one of the figures of the real program on a private virtual desktop (Xvfb with a tray
# host): bench/desktop.sh NAME [runs] runs bench/NAME.py with the build's program. Build
# first (scripts/build.sh); STAVELIN_BUILD names another build folder.
set -euo pipefail
cd "$(dirname "$0")/.."
name="${1:?usage: bench/desktop.sh startup|board|editor|soak|idle|compare [runs]}"
shift
binary="${STAVELIN_BUILD:-build}/bin/stavelin"
if [ ! -x "$binary" ]; then
  echo "bench: $binary is missing; run scripts/build.sh first" >&2
  exit 1
fi
if [ -z "${STAVELIN_BENCH_SESSION:-}" ]; then
  exec env STAVELIN_BENCH_SESSION=1 scripts/desktop-session.sh "$0" "$name" "$@"
fi
# Measured the way users run it: no accessibility bridge forced on.
unset QT_LINUX_ACCESSIBILITY_ALWAYS_ON GTK_MODULES
exec /usr/bin/python3 "bench/$name.py" "$binary" "${1:-5}"
