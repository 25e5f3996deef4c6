#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Checks the Debian package as a user gets it: lintian finds no error or warning, the shipped
# desktop entry and metainfo pass their validators, every QML module the views import is a
# dependency, apt installs it, the installed program runs the demo on a virtual desktop and
# lists the sample boards, and removing it leaves nothing behind. Needs root (apt); CI runs
# it after the tests.
#
#   scripts/check-package.sh                       # builds the package first (package.sh)
#   scripts/check-package.sh dist/stavelin_0.1.0_amd64.deb
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "$(id -u)" -ne 0 ]; then
  echo "check-package.sh installs and removes a package: run it as root" >&2
  exit 1
fi
if dpkg-query -W -f='${Status}' stavelin 2>/dev/null | grep -q 'installed'; then
  # A CI machine may keep one from a run that was stopped half-way; anywhere else it is the
  # user's own.
  if [ "${CI:-}" != true ]; then
    echo "check-package.sh: stavelin is installed already; remove it first (apt-get purge stavelin)" >&2
    exit 1
  fi
  DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq stavelin >/dev/null
fi

started=$SECONDS
phase_started=$SECONDS
phase() {
  echo "-- $1 ($((SECONDS - phase_started)) s for the step before)"
  phase_started=$SECONDS
}
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

if [ $# -ge 1 ]; then
  deb=$(realpath "$1")
else
  phase "building the package"
  deb=$(realpath "$(bash scripts/package.sh | tail -n 1)")
fi
scratch=$(mktemp -d "${TMPDIR:-/tmp}/stavelin-package.XXXXXX")
installed=0
cleanup() {
  if [ "$installed" = 1 ]; then
    DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq stavelin >/dev/null 2>&1 || true
  fi
  rm -rf "$scratch"
}
trap cleanup EXIT

phase "lintian $(basename "$deb")"
# Warnings fail too: the ones that cannot be helped are overridden in
# packaging/debian/lintian-overrides, each with its reason.
lintian --fail-on error,warning --display-info "$deb" || fail "lintian"

phase "the shipped desktop entry and metainfo"
dpkg-deb -x "$deb" "$scratch/root"
bash scripts/validate-metadata.sh "$scratch/root/usr/share" || fail "metadata"
version=$(dpkg-deb -f "$deb" Version)
release=$(grep -o -m 1 '<release version="[^"]*"' "$scratch"/root/usr/share/metainfo/*.xml |
          cut -d'"' -f2)
changelog=$(zcat "$scratch/root/usr/share/doc/stavelin/changelog.gz" | head -n 1 |
            sed -n 's/^stavelin (\([^)]*\)).*/\1/p')
[ "$version" = "$release" ] && [ "$version" = "$changelog" ] ||
  fail "versions differ: package $version, metainfo $release, changelog $changelog"

phase "the QML modules the views import are dependencies"
depends=$(dpkg-deb -f "$deb" Depends)
qml_root=$(/usr/lib/qt6/bin/qtpaths6 --query QT_INSTALL_QML 2>/dev/null ||
           echo /usr/lib/x86_64-linux-gnu/qt6/qml)
# The modules named in import lines, and what their qmldir files import or depend on in turn
# (optional imports aside: those are styles the program does not choose).
mapfile -t pending < <(grep -rhoE '^import +Qt[A-Za-z.]*' src --include='*.qml' |
                       awk '{print $2}' | sort -u)
declare -A seen=() direct=()
for module in "${pending[@]}"; do direct[$module]=1; done
while [ ${#pending[@]} -gt 0 ]; do
  module=${pending[0]}
  pending=("${pending[@]:1}")
  [ -n "${seen[$module]:-}" ] && continue
  seen[$module]=1
  qmldir="$qml_root/${module//.//}/qmldir"
  if [ ! -f "$qmldir" ]; then
    # QtQml imports QtQml.Models, whose types its library registers without a module
    # folder; one of our own imports must have its folder, though.
    [ -z "${direct[$module]:-}" ] || fail "no qmldir for $module at $qmldir"
    continue
  fi
  owner=$(dpkg-query -S "$qmldir" | cut -d: -f1)
  grep -qE "(^|, )$owner( |,|$)" <<<"$depends" ||
    fail "the views need $module (package $owner), which the package does not depend on"
  mapfile -t -O ${#pending[@]} pending < <(grep -E '^(import|depends|default import) ' "$qmldir" |
                                            awk '{print ($1 == "default") ? $3 : $2}')
done
echo "every QML module the views need comes with a dependency"

phase "apt-get install"
find /usr -xdev | sort >"$scratch/usr-before"
deb_dir=$(dirname "$deb")
(cd "$deb_dir" && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "./$(basename "$deb")") \
  >"$scratch/apt.log" 2>&1 || { cat "$scratch/apt.log" >&2; fail "apt-get install"; }
installed=1
dpkg-query -L stavelin >"$scratch/files"
entry=$(grep -m 1 '^/usr/share/applications/.*\.desktop$' "$scratch/files") ||
  fail "no desktop entry installed"
grep -q "$(basename "$entry")" /usr/share/applications/mimeinfo.cache ||
  fail "the desktop database does not list $(basename "$entry") for stavelin: links"

phase "the installed program runs the demo"
scripts/desktop-session.sh /usr/bin/python3 tests/e2e/installed_demo_e2e.py /usr/bin/stavelin ||
  fail "the installed program"

phase "apt-get purge"
DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq stavelin >"$scratch/apt.log" 2>&1 ||
  { cat "$scratch/apt.log" >&2; fail "apt-get purge"; }
installed=0
left=()
while IFS= read -r path; do
  # Folders such as /usr/share/applications belong to other packages as well.
  if [ -e "$path" ] && ! dpkg-query -S "$path" >/dev/null 2>&1; then
    left+=("$path")
  fi
done <"$scratch/files"
[ ${#left[@]} -eq 0 ] || fail "left behind: ${left[*]}"
find /usr -xdev | sort >"$scratch/usr-after"
if ! diff "$scratch/usr-before" "$scratch/usr-after" >"$scratch/usr-diff"; then
  cat "$scratch/usr-diff" >&2
  fail "/usr differs from before the install"
fi
! grep -q "$(basename "$entry")" /usr/share/applications/mimeinfo.cache ||
  fail "the desktop database still lists $(basename "$entry")"

phase "done"
echo "PASS: the package builds, installs, runs and goes again ($((SECONDS - started)) s)"
