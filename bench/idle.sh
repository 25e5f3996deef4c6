#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The hidden program's wake-ups, processor time and memory, with the notification poll on and off.
#
#   bench/idle.sh [minutes]       # default 5 (each way)
exec "$(dirname "$0")/desktop.sh" idle "$@"
