#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the libFuzzer targets with clang (ASan + UBSan) and runs each for a bounded time,
# seeded from the project's test libraries and the shared corpus. A finding is written under
# tests/fuzz/regressions/<target>/ (kept there, it becomes a regression test) and fails the run.
#   scripts/fuzz.sh [SECONDS_PER_TARGET] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
shift || true
# shellcheck source=scripts/fuzz-common.sh
. scripts/fuzz-common.sh
fuzz_configure build-fuzz ON

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for exe in build-fuzz/fuzz/trevak_fuzz_*; do targets+=("${exe##*/trevak_fuzz_}"); done
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for t in "${targets[@]}"; do
  seeds="$work/$t"
  mkdir -p "tests/fuzz/regressions/$t"
  fuzz_seed "$t" "$seeds"
  # Smaller inputs run many times faster; the corpus seeds are cut to the limit. A redraw
  # clears whole surfaces for every module, so its libraries are kept smallest.
  case "$t" in
    tokenizer | redraw) maxlen=4096 ;;
    *) maxlen=16384 ;;
  esac
  echo "== fuzzing $t for ${seconds}s =="
  status=0
  "build-fuzz/fuzz/trevak_fuzz_$t" -max_total_time="$seconds" -max_len="$maxlen" -timeout=20 \
    -rss_limit_mb=4096 -print_final_stats=1 \
    -artifact_prefix="tests/fuzz/regressions/$t/" "$seeds" >"$work/$t.log" 2>&1 || status=$?
  grep -E '^(Done|stat::number_of_executed_units|stat::peak_rss_mb)' "$work/$t.log" || true
  grep -E 'exec/s' "$work/$t.log" | tail -n 1 || true
  [ "$status" -eq 0 ] || fuzz_fail "$t" "$work/$t.log" "found a failing input"
done
