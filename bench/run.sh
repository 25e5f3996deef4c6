#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the benchmarks (optimised) and runs them. BUILD_DIR picks the build tree (default
# build/); extra arguments go to the benchmark, e.g. --benchmark_filter=Decode.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${BUILD_DIR:-build}"
if [ ! -f "$build/build.ninja" ]; then
  bash scripts/install-deps.sh
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" --target bench_api bench_store
"$build/bin/bench_api" --benchmark_counters_tabular=true "$@"
exec "$build/bin/bench_store" --benchmark_counters_tabular=true "$@"
