# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the fuzz scripts, from the project root.

# fuzz_configure DIR SANITIZE: a clang build of the libFuzzer targets in DIR, with ASan and
# UBSan when SANITIZE is ON.
fuzz_configure() {
  ./scripts/install-deps.sh clang libclang-rt-14-dev
  CC=clang CXX=clang++ cmake -S . -B "$1" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTREVAK_BUILD_FUZZERS=ON -DTREVAK_SANITIZE="$2" -DTREVAK_BUILD_TESTS=OFF -DTREVAK_WERROR=ON \
    >/dev/null
  cmake --build "$1" -j "$(nproc)"
}

# fuzz_seed TARGET DIR fills DIR with the target's seeds: its kept regression inputs, the
# example libraries and the shared corpus's files of up to 64 KiB (for kicad_mod: footprint
# files of every dialect from the .pretty corpus) (large files slow every
# mutation; the small ones carry the same structure).
fuzz_seed() {
  local target=$1 dir=$2 i=0 f
  mkdir -p "$dir"
  cp tests/fuzz/regressions/"$target"/* "$dir"/ 2>/dev/null || true
  if [ "$target" = kicad_mod ]; then
    # Footprint files of every dialect: one in twenty of the .pretty corpus, up to 16 KiB.
    [ -d ../shared/corpus-pretty ] || return 0
    while IFS= read -r -d '' f; do
      [ $((i % 20)) -eq 0 ] && [ "$(stat -c %s "$f")" -le 16384 ] && cp "$f" "$dir/pretty-$i.kicad_mod"
      i=$((i + 1))
    done < <(find ../shared/corpus-pretty -name '*.kicad_mod' -print0 | sort -z)
    return 0
  fi
  cp examples/*.mod "$dir"/ 2>/dev/null || true
  [ -d ../shared/corpus ] || return 0
  while IFS= read -r -d '' f; do
    [ "$(stat -c %s "$f")" -le 65536 ] && cp "$f" "$dir/corpus-$i.mod"
    i=$((i + 1))
  done < <(find ../shared/corpus -name '*.mod' -print0)
}

# fuzz_fail TARGET LOG WHAT: the end of the log and where the failing input was kept; fails.
fuzz_fail() {
  tail -n 60 "$2" >&2
  echo "fuzz: $1 $3 (kept under tests/fuzz/regressions/$1/)" >&2
  exit 1
}

# The sanitizers stop at the first error. Fonts and ICU data that Qt loads for the drawing
# targets keep allocations of their own.
export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
