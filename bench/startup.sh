#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Start-up figures: start to tray icon ready, hot key to panel visible, and resident memory at
# idle and after opening the largest sample board.
#
#   bench/startup.sh [runs]        # default 5 runs; medians are printed
#   STAVELIN_BUILD=other-build-dir bench/startup.sh
exec "$(dirname "$0")/desktop.sh" startup "$@"
