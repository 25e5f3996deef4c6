#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Board screen figures: opening the large board over a 100-ms service, frame times while
# dragging a card across it, and memory.
#
#   bench/board.sh [runs]        # default 5
exec "$(dirname "$0")/desktop.sh" board "$@"
