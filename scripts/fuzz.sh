#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the libFuzzer targets with clang (ASan + UBSan) and runs each for a bounded time,
# seeded from the project's test libraries and the shared corpus. A finding is written under
# tests/fuzz/regressions/<target>/ (kept there, it becomes a regression test) and fails the run.
# Targets run side by side, one a core, each for the whole time given.
#   scripts/fuzz.sh [SECONDS_PER_TARGET] [TARGET...]
#   scripts/fuzz.sh --build-only
set -euo pipefail
cd "$(dirname "$0")/.."

# shellcheck source=scripts/fuzz-common.sh
. scripts/fuzz-common.sh
if [ "${1:-}" = --build-only ]; then
  fuzz_configure build-fuzz ON
  exit 0
fi
seconds=${1:-60}
shift || true
fuzz_configure build-fuzz ON

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for exe in build-fuzz/fuzz/trevak_fuzz_*; do targets+=("${exe##*/trevak_fuzz_}"); done
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# run_target TARGET: one bounded run; its status goes to $work/TARGET.status.
run_target() {
  local t=$1 seeds="$work/$1" maxlen status=0
  mkdir -p "tests/fuzz/regressions/$t"
  fuzz_seed "$t" "$seeds"
  # Smaller inputs run many times faster; the corpus seeds are cut to the limit. A redraw
  # clears whole surfaces for every module, so its libraries are kept smallest.
  case "$t" in
    tokenizer | redraw) maxlen=4096 ;;
    *) maxlen=16384 ;;
  esac
  "build-fuzz/fuzz/trevak_fuzz_$t" -max_total_time="$seconds" -max_len="$maxlen" -timeout=20 \
    -rss_limit_mb=4096 -print_final_stats=1 \
    -artifact_prefix="tests/fuzz/regressions/$t/" "$seeds" >"$work/$t.log" 2>&1 || status=$?
  echo "$status" >"$work/$t.status"
}

parallel=$(nproc)
running=0
for t in "${targets[@]}"; do
  echo "== fuzzing $t for ${seconds}s =="
  run_target "$t" &
  running=$((running + 1))
  if [ "$running" -ge "$parallel" ]; then
    wait -n || true
    running=$((running - 1))
  fi
done
wait

failed=()
for t in "${targets[@]}"; do
  echo "== $t =="
  grep -E '^(Done|stat::number_of_executed_units|stat::peak_rss_mb)' "$work/$t.log" || true
  grep -E 'exec/s' "$work/$t.log" | tail -n 1 || true
  [ "$(cat "$work/$t.status" 2>/dev/null || echo 1)" -eq 0 ] || failed+=("$t")
done
for t in "${failed[@]}"; do
  tail -n 60 "$work/$t.log" >&2
  echo "fuzz: $t found a failing input (kept under tests/fuzz/regressions/$t/)" >&2
done
[ ${#failed[@]} -eq 0 ]
