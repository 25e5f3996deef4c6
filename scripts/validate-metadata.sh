#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Validates every desktop entry and AppStream metainfo file under a folder: packaging/ of the
# source tree, or an unpacked package. Any remark fails, warnings and hints included.
#
#   scripts/validate-metadata.sh DIR
set -euo pipefail
if [ $# -ne 1 ] || [ ! -d "$1" ]; then
  echo "usage: $0 DIR" >&2
  exit 2
fi
for tool in desktop-file-validate appstreamcli; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIP: $tool is not installed (scripts/install-deps.sh installs it)"
    exit 77
  fi
done

mapfile -t entries < <(find "$1" -type f -name '*.desktop' | sort)
mapfile -t metainfo < <(find "$1" -type f -name '*.metainfo.xml' | sort)
if [ ${#entries[@]} -eq 0 ] || [ ${#metainfo[@]} -eq 0 ]; then
  echo "FAIL: no desktop entry or no metainfo under $1" >&2
  exit 1
fi

status=0
for entry in "${entries[@]}"; do
  # It exits 0 on warnings and hints; its silence is the pass.
  remarks=$(desktop-file-validate "$entry" 2>&1) || true
  if [ -n "$remarks" ]; then
    echo "FAIL: $entry"$'\n'"$remarks" >&2
    status=1
  fi
done

for file in "${metainfo[@]}"; do
  # No network: CI cannot reach the homepage, so the screenshot addresses are checked for
  # their form only. --strict fails on every remark but the pedantic ones, which are read
  # here: the one accepted is the capitals in the id, which is the program's application id
  # (its desktop entry, keyring service and autostart entry are named after it), written in
  # the reverse-domain form desktops use.
  if ! report=$(appstreamcli validate --pedantic --strict --no-net "$file" 2>&1); then
    echo "FAIL: $file"$'\n'"$report" >&2
    status=1
    continue
  fi
  unexpected=$(grep -E '^[EWIP]: ' <<<"$report" | grep -v ' cid-contains-uppercase-letter ' || true)
  if [ -n "$unexpected" ]; then
    echo "FAIL: $file"$'\n'"$unexpected" >&2
    status=1
  fi
done

if [ "$status" -eq 0 ]; then
  echo "PASS: ${#entries[@]} desktop entries, ${#metainfo[@]} metainfo files under $1"
fi
exit "$status"
