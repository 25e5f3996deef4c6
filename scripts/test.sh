#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds everything and runs every test. Tests that need a desktop (keyring, X server, tray)
# get a private one: a throwaway D-Bus session with an unlocked keyring, Xvfb and a tray host.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
jobs="${STAVELIN_TEST_JOBS:-2}"
if [ -x scripts/desktop-session.sh ]; then
  exec dbus-run-session -- scripts/desktop-session.sh \
    ctest --test-dir build --output-on-failure -j "$jobs" "$@"
fi
exec ctest --test-dir build --output-on-failure -j "$jobs" "$@"
