#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Memory over a long session: 1,000 showings, 200 openings of the large board and 200 of the
# card editor on the busiest card; resident and private memory before and after.
#
#   bench/soak.sh [share]        # default 1, the whole soak; 0.01 tries it out
exec "$(dirname "$0")/desktop.sh" soak "${1:-1}"
