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
./scripts/install-deps.sh clang libclang-rt-14-dev

CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTREVAK_BUILD_FUZZERS=ON -DTREVAK_SANITIZE=ON -DTREVAK_BUILD_TESTS=OFF >/dev/null
cmake --build build-fuzz -j "$(nproc)"

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for exe in build-fuzz/fuzz/trevak_fuzz_*; do targets+=("${exe##*/trevak_fuzz_}"); done
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1
# Fonts and ICU data that Qt loads for the drawing targets keep allocations of their own.
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1

for t in "${targets[@]}"; do
  seeds="$work/$t"
  mkdir -p "$seeds" "tests/fuzz/regressions/$t"
  cp tests/fuzz/regressions/"$t"/* "$seeds"/ 2>/dev/null || true
  cp examples/*.mod "$seeds"/ 2>/dev/null || true
  if [ -d ../shared/corpus ]; then
    i=0
    while IFS= read -r -d '' f; do
      # Large files slow every mutation; the small ones carry the same structure.
      [ "$(stat -c %s "$f")" -le 65536 ] && cp "$f" "$seeds/corpus-$i.mod"
      i=$((i + 1))
    done < <(find ../shared/corpus -name '*.mod' -print0)
  fi
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
  if [ "$status" -ne 0 ]; then
    tail -n 60 "$work/$t.log" >&2
    echo "fuzz: $t found a failing input (kept under tests/fuzz/regressions/$t/)" >&2
    exit 1
  fi
done
