#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing (Google Benchmark among it), builds the benchmark suite and runs it,
# then measures the peak memory of `trevak-cli list` over the large library.
# Extra arguments go to trevak-bench, e.g. --benchmark_filter=Redraw.
# Generated inputs (about 600 MB) are kept in $TREVAK_BENCH_DATA, by default
# <temporary folder>/trevak-bench. Never part of the tests.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/install-deps.sh --bench
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTREVAK_BUILD_TESTS=OFF \
  -DTREVAK_BUILD_BENCHMARKS=ON >/dev/null
cmake --build build-bench -j "$(nproc)"

export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
data=${TREVAK_BENCH_DATA:-${TMPDIR:-/tmp}/trevak-bench}
export TREVAK_BENCH_DATA=$data

echo "== machine =="
echo "nproc: $(nproc)"
grep -m1 'model name' /proc/cpuinfo || true
grep -m1 MemTotal /proc/meminfo || true

echo "== benchmarks (medians of repetitions; times drift on a shared machine, ratios less) =="
build-bench/bench/trevak-bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
  "$@"

large=$data/large-20000.mod
if [ -f "$large" ]; then
  # Whole processes against `wc -l` on the same file, in turn (A B A B ...): the ratio is taken
  # pair by pair, so it holds while the machine's speed drifts. CPU time (user + system) is the
  # figure to quote on a shared machine; medians of 9 pairs.
  echo "== whole processes against wc -l (medians of 9 pairs; cpu = user + system) =="
  pairs="python3 bench/process_pairs.py -n 9 --vs"
  name=$(build-bench/cli/trevak-cli list "$large" | sed -n 10000p)
  out=$data/normalized-20000.mod
  for lang in C.UTF-8 pt_BR.UTF-8; do
    LANG=$lang $pairs "wc -l $large" --label "list ($lang)" -- \
      build-bench/cli/trevak-cli list "$large"
    LANG=$lang $pairs "wc -l $large" --label "show ($lang)" -- \
      build-bench/cli/trevak-cli show "$large" "$name"
  done
  $pairs "wc -l $large" --label "list --units" -- build-bench/cli/trevak-cli list "$large" --units
  $pairs "wc -l $large" --label "normalize -o (load and save)" -- \
    build-bench/cli/trevak-cli normalize "$large" -o "$out"
  # The export against the legacy save of the same library, each run into a folder of its own
  # (exporting into a folder that already holds the files only compares them).
  $pairs "build-bench/cli/trevak-cli normalize $large -o $out" \
    --label "export to .pretty against normalize -o" -- \
    sh -c "exec build-bench/cli/trevak-cli export '$large' -o '$data'/pairs-\$\$.pretty"
  rm -rf "$data"/pairs-*.pretty
  $pairs "wc -l $large" --label "render one module" -- \
    build-bench/cli/trevak-cli render "$large" "$name" -o "$data/one.png"
  $pairs "wc -l $large" --label "editor start-up with it as edit library" -- \
    build-bench/bench/trevak-startup-probe "$large"
  rm -f "$out" "$data/one.png"

  echo "== peak memory: trevak-cli list of the 20,000-module library =="
  size=$(stat -c %s "$large")
  peak_kb=$(/usr/bin/time -v build-bench/cli/trevak-cli list "$large" 2>&1 >/dev/null |
    sed -n 's/.*Maximum resident set size (kbytes): //p')
  echo "file: $size bytes; peak resident: $((peak_kb * 1024)) bytes;" \
    "$(awk -v p="$peak_kb" -v s="$size" 'BEGIN { printf "%.2f x the file", p * 1024 / s }')"
fi
