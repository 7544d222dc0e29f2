#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A long fuzz campaign for one target, run by hand:
#   scripts/fuzz-campaign.sh TARGET [RUNS] [MAX_LEN]
# RUNS defaults to 10,000,000. The fuzzing itself runs in a build without ASan (build-campaign/),
# which the drawing targets need to reach millions of runs in hours rather than a day; then every
# input the campaign kept (each one new coverage) is run again under ASan + UBSan (build-fuzz/).
# The corpus stays in build-campaign/corpus/TARGET, so a second campaign goes on from the first.
# A finding is written under tests/fuzz/regressions/TARGET/ and fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."

target=${1:?usage: scripts/fuzz-campaign.sh TARGET [RUNS] [MAX_LEN]}
runs=${2:-10000000}
# A redraw clears and copies whole surfaces for every module of its input: short libraries keep
# it at hundreds of runs a second.
case "$target" in
  redraw) maxlen=${3:-512} ;;
  *) maxlen=${3:-4096} ;;
esac

# shellcheck source=scripts/fuzz-common.sh
. scripts/fuzz-common.sh
fuzz_configure build-campaign OFF
fuzz_configure build-fuzz ON
[ -x "build-campaign/fuzz/trevak_fuzz_$target" ] || { echo "no fuzz target '$target'" >&2; exit 2; }

corpus=build-campaign/corpus/$target
[ -d "$corpus" ] || fuzz_seed "$target" "$corpus"
mkdir -p "tests/fuzz/regressions/$target"
log=build-campaign/$target.log

echo "== $target: $runs runs, inputs of up to $maxlen bytes (log: $log) =="
status=0
nice -n 10 "build-campaign/fuzz/trevak_fuzz_$target" -runs="$runs" -max_len="$maxlen" \
  -timeout=20 -rss_limit_mb=2048 -print_final_stats=1 \
  -artifact_prefix="tests/fuzz/regressions/$target/" "$corpus" >"$log" 2>&1 || status=$?
grep -E '^(Done|stat::number_of_executed_units|stat::average_exec_per_sec|stat::peak_rss_mb)' \
  "$log" || true
[ "$status" -eq 0 ] || fuzz_fail "$target" "$log" "found a failing input"

echo "== $target: the $(find "$corpus" -type f | wc -l) kept inputs under ASan + UBSan =="
status=0
"build-fuzz/fuzz/trevak_fuzz_$target" -runs=0 -max_len="$maxlen" -timeout=20 \
  -rss_limit_mb=4096 -artifact_prefix="tests/fuzz/regressions/$target/" "$corpus" \
  >"$log.asan" 2>&1 || status=$?
[ "$status" -eq 0 ] || fuzz_fail "$target" "$log.asan" "failed under ASan + UBSan"
echo "no finding"
