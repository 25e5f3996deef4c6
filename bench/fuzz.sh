#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs every fuzz target (or those named) for a while and prints the executions per target.
# Needs the checked build (scripts/test-sanitized.sh builds it into build-asan/).
#   bench/fuzz.sh [seconds per target, default 600] [target…]
#   FUZZ_JOBS  targets run at once (1)
# Each target starts from its seeds and kept inputs and grows a working corpus in
# build-asan/fuzz-corpus/<target>/, kept between runs. An input that fails is written to
# build-asan/fuzz-findings/<target>/; the script then exits non-zero. Such an input belongs in
# fuzz/regressions/<target>/ once the fault is fixed.
set -uo pipefail
cd "$(dirname "$0")/.."
. scripts/sanitizer-env.sh
build="${STAVELIN_BUILD:-build-asan}"
seconds="${1:-600}"
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=(decode_records callback_url multipart_upload sandbox_requests)
fi
jobs="${FUZZ_JOBS:-1}"

for target in "${targets[@]}"; do
  if [ ! -x "$build/fuzz/fuzz_$target" ]; then
    echo "fuzz.sh: $build/fuzz/fuzz_$target is missing; run scripts/test-sanitized.sh first" >&2
    exit 2
  fi
done

run() {
  local target=$1
  local work="$build/fuzz-corpus/$target" findings="$build/fuzz-findings/$target/"
  local dict=() log="$build/fuzz-logs/$target.log"
  mkdir -p "$work" "$findings" "$build/fuzz-logs"
  if [ -f "fuzz/$target.dict" ]; then dict=(-dict="fuzz/$target.dict"); fi
  "$build/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -max_len=4096 -print_final_stats=1 -artifact_prefix="$findings" "${dict[@]}" \
    "$work" "fuzz/corpus/$target" "fuzz/regressions/$target" >"$log" 2>&1
}

status=0
pids=()
names=()
for target in "${targets[@]}"; do
  run "$target" &
  pids+=($!)
  names+=("$target")
  if [ ${#pids[@]} -ge "$jobs" ]; then
    wait "${pids[0]}" || status=1
    pids=("${pids[@]:1}")
  fi
done
for pid in "${pids[@]}"; do wait "$pid" || status=1; done

printf '%-18s %14s %10s %8s  %s\n' target executions "per s" corpus result
for target in "${targets[@]}"; do
  log="$build/fuzz-logs/$target.log"
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  time=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  units=$(find "$build/fuzz-corpus/$target" -type f | wc -l)
  result=clean
  if grep -qE '^==[0-9]+==ERROR|^SUMMARY: |deadly signal|runtime error' "$log"; then
    result="FAILED (see $log)"
    status=1
  fi
  printf '%-18s %14s %10s %8s  %s\n' "$target" "${runs:-?}" "${time:-?}" "$units" "$result"
done
if [ "$status" -ne 0 ]; then
  for target in "${targets[@]}"; do
    log="$build/fuzz-logs/$target.log"
    if grep -qE '^==[0-9]+==ERROR|^SUMMARY: |deadly signal|runtime error' "$log"; then
      echo "--- $target ---"
      grep -A40 -E '^==[0-9]+==ERROR|deadly signal|runtime error' "$log" | head -80
    fi
  done
fi
exit "$status"
