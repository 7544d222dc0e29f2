#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# KiCad's current libraries as whole processes, each against `cat` of the same files to
# /dev/null in the same run (pairs taken in turn, warm cache): find over Debian's whole
# footprint library, and list of its largest connector library.
# Usage: bench/pretty_bench.sh [BUILD_DIR] [PAIRS]
set -eu
build=${1:-build}
pairs=${2:-5}
here=$(dirname "$0")
cli="$build/cli/trevak-cli"
root=/usr/share/kicad/footprints
headers="$root/Connector_PinHeader_2.54mm.pretty"
[ -d "$root" ] || { echo "pretty_bench: $root missing (Debian package kicad-footprints)" >&2; exit 2; }
python3 "$here/process_pairs.py" -n "$pairs" --label "find QFN over $root" \
  --vs "sh -c \"find $root -name '*.kicad_mod' -print0 | xargs -0 cat > /dev/null\"" \
  -- "$cli" find QFN -- "$root"
python3 "$here/process_pairs.py" -n "$pairs" --label "list $(basename "$headers")" \
  --vs "sh -c \"cat $headers/*.kicad_mod > /dev/null\"" \
  -- "$cli" list "$headers"
# The same footprints through KiCad's library table: the stock table as the user's global one
# (137 rows resolving into the same folders), against the folders given directly.
config=$(mktemp -d)
trap 'rm -rf "$config"' EXIT
cp /usr/share/kicad/template/fp-lib-table "$config/fp-lib-table"
KICAD_CONFIG_HOME=$config python3 "$here/process_pairs.py" -n "$pairs" \
  --label "find QFN --kicad (stock table) vs the same folders" \
  --vs "$cli find QFN -- $root" \
  -- "$cli" find QFN --kicad
# Copying 1,000 footprints into a new .pretty library (read, write each file through a temporary
# file and a rename, folder lock), against cp of the same files into a new folder.
src="$config/Thousand.pretty"
mkdir -p "$src"
find "$root" -name '*.kicad_mod' | sort | awk -F/ '!seen[$NF]++' | head -n 1000 |
  while IFS= read -r f; do cp "$f" "$src/"; done
names=$(ls "$src" | sed 's/\.kicad_mod$//' | tr '\n' ' ')
# shellcheck disable=SC2086
python3 "$here/process_pairs.py" -n "$pairs" \
  --label "copy 1,000 footprints into a new .pretty vs cp of the files" \
  --vs "sh -c \"rm -rf $config/cp.pretty && mkdir $config/cp.pretty && cp $src/*.kicad_mod $config/cp.pretty/\"" \
  -- sh -c "rm -rf $config/new.pretty && exec $cli copy $src $config/new.pretty --new -- $names"
