#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Start-up of this build against another one (say, a build of the last release), the two
# started in turn: start to tray icon shown, to tray icon ready and to panel built, and
# the first showing of the panel.
#
#   bench/compare.sh OTHER_BUILD_DIR [rounds]    # default 20 rounds
set -euo pipefail
other="${1:?usage: bench/compare.sh OTHER_BUILD_DIR [rounds]}"
STAVELIN_BASE_BUILD="$(cd "$other" && pwd)" exec "$(dirname "$0")/desktop.sh" compare "${2:-20}"
