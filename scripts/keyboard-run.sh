#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The daily job by keyboard alone, under Xvfb: loads a search library (Ctrl+Shift+O and its
# dialog), filters (Ctrl+F), copies three modules (Down, Shift+Down, Insert), walks by Tab to
# the edit grid, renames one (F2), deletes one (Down, Delete), saves as a new file (Ctrl+S and
# its dialog) and quits (Ctrl+Q); then checks what the saved library holds. Only key presses
# drive the window; with no window manager under Xvfb, the focus is handed back to the window
# after each dialog. Needs xvfb-run and xdotool; with SHOTS=folder, screenshots (ImageMagick's
# import) are left there. Usage: scripts/keyboard-run.sh [BUILD_FOLDER] (default: build).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
trevak=$PWD/$build/app/trevak
[ -x "$trevak" ] || { echo "no $trevak: build first" >&2; exit 2; }

if [ -z "${TREVAK_KEYBOARD_RUN_INNER:-}" ]; then
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  export TREVAK_KEYBOARD_RUN_INNER=$work
  xvfb-run -a -s "-screen 0 1600x1000x24" "$0" "$build"
  saved=$(grep -a '^\$MODULE ' "$work/saved.mod" 2>/dev/null | tr -d '\r' | cut -d' ' -f2- | tr '\n' ' ')
  expected="MY-SOT23 SOT-23-6 "
  if [ "$saved" != "$expected" ]; then
    echo "FAIL: the saved library holds '$saved', not '$expected'" >&2
    exit 1
  fi
  echo "OK: the saved library holds $expected"
  exit 0
fi

work=$TREVAK_KEYBOARD_RUN_INNER
export HOME=$work/home XDG_RUNTIME_DIR=$work/run
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
{
  printf 'PCBNEW-LibModule-V1  01/01/2010-00:00:00\r\n$INDEX\r\n'
  names="R0805 SOT-23 SOT-23-5 SOT-23-6 TO92"
  for n in $names; do printf '%s\r\n' "$n"; done
  printf '$EndINDEX\r\n'
  for n in $names; do
    printf '$MODULE %s\r\nPo 0 0 0 15 00000000 00000000 ~~\r\nLi %s\r\n' "$n" "$n"
    printf 'DS -1000 -500 1000 500 50 21\r\n$EndMODULE %s\r\n' "$n"
  done
  printf '$EndLIBRARY\r\n'
} >"$work/search.mod"

"$trevak" --no-settings >"$work/trevak.log" 2>&1 &
pid=$!
window=$(xdotool search --sync --onlyvisible --name Trevak | head -1)
refocus() { xdotool windowfocus --sync "$window"; sleep 0.3; }
key() { xdotool key --delay 120 "$@"; sleep 0.4; }
typing() { xdotool type --delay 40 "$1"; sleep 0.4; }
shot() { if [ -n "${SHOTS:-}" ]; then import -window root "$SHOTS/keyboard-$1.png"; fi; }
refocus

key ctrl+shift+o; sleep 1.5
key ctrl+a; typing "$work/search.mod"; key Return; sleep 1.5
refocus
key ctrl+f; typing "SOT-23"; key Down; key shift+Down shift+Down
shot 1-selected
key Insert
# From the search grid: the copy button, the four navigation buttons, the edit grid.
key Tab Tab Tab Tab Tab Tab
key F2; typing "MY-SOT23"; key Return
key Down; key Delete
shot 2-edited
key ctrl+s; sleep 1.5
key ctrl+a; typing "$work/saved.mod"; key Return; sleep 1
refocus
shot 3-saved
key ctrl+q; sleep 1
if kill -0 "$pid" 2>/dev/null; then
  echo "FAIL: the window did not close" >&2
  kill "$pid"
  exit 1
fi
wait "$pid"
