#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Usage: scripts/check-install.sh BUILD_DIR
# Installs a built tree into a scratch prefix and checks what the desktop sees of it: the
# menu entry and the AppStream metainfo validate, the file type tells a library from a
# tracker-music .mod, the manual pages render, the completion loads, the installed programs
# run; then makes the Debian package with cpack and checks its name, files and dependencies.
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:?usage: check-install.sh BUILD_DIR}")

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
prefix=$scratch/usr
failures=0
fail() { echo "check-install: $*" >&2; failures=$((failures + 1)); }

cmake --install "$build" --prefix "$prefix" >/dev/null
share=$prefix/share
desktop=$(echo "$share"/applications/*.desktop)
app_id=$(basename "$desktop" .desktop)
mime_type=$(sed -n 's/.*<mime-type type="\([^"]*\)".*/\1/p' "$share/mime/packages/trevak.xml")

for f in bin/trevak bin/trevak-cli libexec/trevak/trevak-cli-render \
  "share/metainfo/$app_id.metainfo.xml" \
  "share/icons/hicolor/scalable/apps/$app_id.svg" \
  share/man/man1/trevak.1 share/man/man1/trevak-cli.1 \
  share/bash-completion/completions/trevak-cli share/trevak/translations/trevak_en.qm; do
  [ -e "$prefix/$f" ] || fail "not installed: $f"
done
for size in 16 22 24 32 48 64 128 256; do
  [ -e "$share/icons/hicolor/${size}x$size/apps/$app_id.png" ] || fail "no ${size}px icon"
done

"$prefix/bin/trevak-cli" --version | grep -q '^trevak-cli ' || fail "installed trevak-cli --version"
"$prefix/bin/trevak" --version | grep -q '^trevak ' || fail "installed trevak --version"
# The drawing commands run in their own program; the others start without Qt's GUI libraries.
QT_QPA_PLATFORM=offscreen "$prefix/bin/trevak-cli" render examples/exemplo.mod \
  "$("$prefix/bin/trevak-cli" list examples/exemplo.mod | head -n 1)" -o "$scratch/one.png" \
  >/dev/null && [ -s "$scratch/one.png" ] || fail "installed trevak-cli render"
if readelf -d "$prefix/bin/trevak-cli" | grep -q 'NEEDED.*Qt6Gui'; then
  fail "trevak-cli needs Qt6Gui: only trevak-cli-render should"
fi

echo "== desktop entry and AppStream metainfo =="
desktop-file-validate "$desktop" || fail "desktop-file-validate $desktop"
grep -qx "MimeType=$mime_type;" "$desktop" || fail "the desktop entry does not open $mime_type"
grep -qx "Icon=$app_id" "$desktop" || fail "the desktop entry does not name the icon $app_id"
appstreamcli validate --no-net "$share/metainfo/$app_id.metainfo.xml" ||
  fail "appstreamcli validate"

echo "== file type =="
XDG_DATA_DIRS=$share update-mime-database "$share/mime"
# A tracker-music module (ProTracker): 1084 bytes of header with its magic at offset 1080.
music=$scratch/song.mod
head -c 1080 /dev/zero >"$music"
printf 'M.K.' >>"$music"
head -c 1024 /dev/zero >>"$music"
libraries=(examples/exemplo.mod)
corpus_library=$(find ../shared/corpus -name '*.mod' -print -quit 2>/dev/null || true)
[ -n "$corpus_library" ] && libraries+=("$corpus_library")
query() {
  # xdg-mime asks GIO under GNOME, as a file manager does; the scratch prefix comes first.
  XDG_CURRENT_DESKTOP=GNOME XDG_DATA_HOME=$scratch/home \
    XDG_DATA_DIRS=$share:${XDG_DATA_DIRS:-/usr/local/share:/usr/share} \
    xdg-mime query filetype "$1"
}
for library in "${libraries[@]}"; do
  got=$(query "$library")
  echo "$library: $got"
  [ "$got" = "$mime_type" ] || fail "$library is $got, not $mime_type"
done
got=$(query "$music")
echo "tracker music song.mod: $got"
[ "$got" != "$mime_type" ] || fail "a tracker-music .mod is taken for a library"

echo "== manual pages =="
for page in trevak trevak-cli; do
  warnings=$(MANWIDTH=80 man --warnings -l "$share/man/man1/$page.1" 2>&1 >"$scratch/$page.txt")
  [ -z "$warnings" ] || fail "man $page: $warnings"
  grep -q '^NAME' "$scratch/$page.txt" || fail "man -l $page renders no NAME section"
done

echo "== bash completion =="
if [ -r /usr/share/bash-completion/bash_completion ]; then
  got=$(bash -c 'source /usr/share/bash-completion/bash_completion
    source "$1"
    COMP_WORDS=(trevak-cli ex); COMP_CWORD=1; COMP_LINE="trevak-cli ex"; COMP_POINT=13
    _trevak_cli; echo "${COMPREPLY[*]}"' _ "$share/bash-completion/completions/trevak-cli")
  [ "$got" = export ] || fail "completing 'trevak-cli ex' gives '$got'"
else
  bash -n "$share/bash-completion/completions/trevak-cli" || fail "completion script syntax"
fi

echo "== Debian package =="
rm -f "$build"/trevak_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
deb=$build/trevak_${version}_$(dpkg --print-architecture).deb
if [ -e "$deb" ]; then
  depends=$(dpkg-deb -f "$deb" Depends)
  echo "$(basename "$deb"): Depends: $depends"
  for dep in libc6 libqt6core6 libqt6gui6 libqt6widgets6 qt6-qpa-plugins; do
    grep -q "$dep" <<<"$depends" || fail "the package does not depend on $dep"
  done
  contents=$(dpkg-deb -c "$deb")
  for f in usr/bin/trevak usr/bin/trevak-cli usr/libexec/trevak/trevak-cli-render \
    "usr/share/applications/$app_id.desktop" \
    usr/share/mime/packages/trevak.xml usr/share/man/man1/trevak-cli.1 \
    usr/share/trevak/translations/trevak_en.qm; do
    grep -q " \./$f\$" <<<"$contents" || fail "no /$f in the package"
  done
else
  fail "cpack made no $(basename "$deb")"
fi

if [ "$failures" -ne 0 ]; then
  echo "check-install: $failures failures" >&2
  exit 1
fi
echo "check-install: all passed"
