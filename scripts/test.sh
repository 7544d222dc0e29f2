#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds, and runs every test with CTest: once in a Release build with
# every default (the build a packager makes and users get, which then also serves the install
# and package checks) and once in a Debug build under AddressSanitizer + UBSan. Compiler
# warnings fail the run in every build. The fuzz targets run for a bounded time in between.
# Each stage's time is printed at the end (and when a stage fails).
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

stages=()
run_start=$(date +%s)
current=""
logs=$(mktemp -d)
stage_report() {
  local status=$? s
  echo "== stage times =="
  for s in "${stages[@]}"; do echo "$s"; done
  [ -z "$current" ] || printf '%-44s %5ds  FAILED\n' "$current" $(($(date +%s) - current_start))
  printf '%-44s %5ds\n' "total" $(($(date +%s) - run_start))
  # Both CTest runs in one closing line.
  local passed=0 failed=0 p f
  for s in "$logs"/ctest-*.log; do
    [ -e "$s" ] || continue
    read -r p f < <(sed -n 's/.*tests passed, \([0-9]*\) tests\? failed out of \([0-9]*\).*/\2 \1/p' "$s" | tail -n 1) || continue
    passed=$((passed + p - f)); failed=$((failed + f))
  done
  rm -rf "$logs"
  echo "tests: $passed passed, $failed failed"
  return $status
}
trap stage_report EXIT
# stage NAME COMMAND...: runs the command and keeps how long it took.
stage() {
  local name=$1 start
  shift
  echo "== $name =="
  current=$name
  current_start=$(date +%s)
  start=$current_start
  "$@"
  current=""
  stages+=("$(printf '%-44s %5ds' "$name" $(($(date +%s) - start)))")
}

# A build whose compiler said anything at all fails, as -Werror would, without changing the
# flags of the packager's build (-Werror changes no code, but the build keeps every default).
build_without_warnings() {
  local dir=$1 log
  log=$(mktemp)
  cmake --build "$dir" -j "$jobs" 2>&1 | tee "$log"
  if grep -E -q ': warning: ' "$log"; then
    echo "test: the compiler warned in $dir (warnings are errors here):" >&2
    grep -E ': warning: ' "$log" >&2
    rm -f "$log"
    return 1
  fi
  rm -f "$log"
}

# The test programs' environment: offscreen windows, the sanitizers' settings.
export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
export ASAN_OPTIONS=halt_on_error=1:abort_on_error=1:detect_leaks=1:suppressions=$PWD/tests/asan.supp
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1

stage "install what is missing" ./scripts/install-deps.sh

stage "configure: Release, the defaults" \
  cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release
stage "build: Release, the defaults, with the tests" build_without_warnings build-release
stage "install and package checks (Release)" ./scripts/check-install.sh build-release

stage "configure: Debug, ASan + UBSan" cmake -S . -B build-asan -G Ninja \
  -DCMAKE_BUILD_TYPE=Debug -DTREVAK_WERROR=ON -DTREVAK_SANITIZE=ON
stage "build: Debug, ASan + UBSan" cmake --build build-asan -j "$jobs"

# Bounded fuzz runs before the tests, so that the output ends with CTest's summary.
stage "fuzz targets: build (clang, ASan + UBSan)" ./scripts/fuzz.sh --build-only
stage "fuzz targets: bounded runs" ./scripts/fuzz.sh "${TREVAK_FUZZ_SECONDS:-60}"

# run_ctest NAME BUILD_DIR TIMEOUT: the whole suite of one build, its output kept for the
# closing line.
run_ctest() {
  ctest --test-dir "$2" --output-on-failure -j "$jobs" --timeout "$3" 2>&1 | tee "$logs/ctest-$1.log"
}
stage "tests (Release)" run_ctest release build-release 600
stage "tests under ASan + UBSan" run_ctest asan build-asan 900
