#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds with warnings as errors, and runs every test with CTest:
# once in a normal build and once under AddressSanitizer + UndefinedBehaviorSanitizer. A Release
# build with the defaults is installed into a scratch prefix and packaged, and checked.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/install-deps.sh
jobs=$(nproc)

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTREVAK_WERROR=ON
cmake --build build -j "$jobs"

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTREVAK_WERROR=ON -DTREVAK_SANITIZE=ON
cmake --build build-asan -j "$jobs"

# A packager's build: Release with every default. Its tree then serves the install checks
# (a scratch prefix) and the Debian package.
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build-release -j "$jobs"
./scripts/check-install.sh build-release

# Bounded fuzz runs first, so that the output ends with CTest's summary.
./scripts/fuzz.sh "${TREVAK_FUZZ_SECONDS:-60}"

export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
echo "== tests =="
ctest --test-dir build --output-on-failure -j "$jobs" --timeout 600

echo "== tests under AddressSanitizer + UndefinedBehaviorSanitizer =="
export ASAN_OPTIONS=halt_on_error=1:abort_on_error=1:detect_leaks=1:suppressions=$PWD/tests/asan.supp
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
ctest --test-dir build-asan --output-on-failure -j "$jobs" --timeout 900
