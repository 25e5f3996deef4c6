#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the Debian package: dist/stavelin_<version>_<architecture>.deb. It installs what is
# missing and builds in build/, as scripts/build.sh does, then packs the installed files with
# CPack (its dependencies computed from the libraries by dpkg-shlibdeps, plus the QML modules
# listed in packaging/CMakeLists.txt).
#
#   scripts/package.sh
#   sudo apt-get install ./dist/stavelin_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
build=build # where scripts/build.sh builds
out="${STAVELIN_PACKAGE_DIR:-dist}"

bash scripts/build.sh
staging="$build/package"
rm -rf "$staging"
(cd "$build" && cpack -G DEB -B "$PWD/package" >/dev/null)
mapfile -t debs < <(find "$staging" -maxdepth 1 -name 'stavelin_*.deb')
if [ ${#debs[@]} -ne 1 ]; then
  echo "package.sh: cpack made ${#debs[@]} packages, expected one" >&2
  exit 1
fi
mkdir -p "$out"
rm -f "$out"/stavelin_*.deb
mv "${debs[0]}" "$out/"
rm -rf "$staging"
echo "$out/$(basename "${debs[0]}")"
