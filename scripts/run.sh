#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds, and starts the editor window with the example library
# loaded as the search library. Extra arguments go to the program.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTREVAK_BUILD_TESTS=OFF >/dev/null
cmake --build build -j "$(nproc)"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "trevak: no display to open the window on (DISPLAY and WAYLAND_DISPLAY are unset)." >&2
  echo "        Start it from a desktop session, or under Xvfb: xvfb-run ./scripts/run.sh" >&2
  echo "        The command-line tool works without one: build/cli/trevak-cli --help" >&2
  exit 1
fi
exec build/app/trevak --search examples/exemplo.mod "$@"
