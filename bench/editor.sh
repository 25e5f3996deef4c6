#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Card editor figures: opening the editor on the busiest sample card over a 100-ms service.
#
#   bench/editor.sh [runs]        # default 5
exec "$(dirname "$0")/desktop.sh" editor "$@"
