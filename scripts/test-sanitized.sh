#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The checked build: everything again with clang (a second compiler), AddressSanitizer and
# UndefinedBehaviorSanitizer, warnings as errors, into build-asan/. Runs the tests there,
# end-to-end ones included, inside the same private desktop as scripts/test.sh, then fuzzes
# each fuzz target for 60 s. Any sanitizer report fails the run.
#   STAVELIN_TEST_JOBS  parallel tests (2)
#   STAVELIN_FUZZ_SECONDS  seconds per fuzz target (60; 0 skips fuzzing)
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
export CCACHE_BASEDIR="$PWD"
build=build-asan
if [ ! -f "$build/build.ninja" ]; then
  CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DSTAVELIN_SANITIZE=ON -DSTAVELIN_WERROR=ON -DSTAVELIN_FUZZ=ON >/dev/null
fi
cmake --build "$build" --parallel "$(nproc)"

. scripts/sanitizer-env.sh
jobs="${STAVELIN_TEST_JOBS:-2}"
# Every test with every check on, leak checking included: the end-to-end tests end the program
# as Quit does and fail on a report it writes. What Qt keeps past exit is in scripts/lsan.supp.
dbus-run-session -- scripts/desktop-session.sh \
  ctest --test-dir "$build" --output-on-failure -j "$jobs" "$@"

seconds="${STAVELIN_FUZZ_SECONDS:-60}"
if [ "$seconds" -gt 0 ]; then
  STAVELIN_BUILD="$build" FUZZ_JOBS=2 bash bench/fuzz.sh "$seconds"
fi
