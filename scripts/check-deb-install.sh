#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Usage: scripts/check-deb-install.sh PACKAGE.deb    (as root or with sudo; a manual check)
# Installs the Debian package with apt on this machine, checks that the installed programs,
# manual page and file type work, removes it and checks that none of its files is left.
# Refuses to run when trevak is installed already, so as not to remove a user's copy.
set -euo pipefail
deb=$(realpath "${1:?usage: check-deb-install.sh PACKAGE.deb}")
as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)
if dpkg-query -W -f='${Status}' trevak 2>/dev/null | grep -q 'install ok installed'; then
  echo "check-deb-install: trevak is installed already; remove it first" >&2
  exit 1
fi
cd "$(dirname "$0")/.."

"${as_root[@]}" apt-get install -y -qq "$deb" >/dev/null
files=$(dpkg -L trevak)
status=0
trevak-cli --version
MANWIDTH=80 man trevak-cli | grep -q '^NAME' || { echo "man trevak-cli fails" >&2; status=1; }
type=$(XDG_CURRENT_DESKTOP=GNOME xdg-mime query filetype examples/exemplo.mod)
echo "examples/exemplo.mod: $type"
app=$(XDG_CURRENT_DESKTOP=GNOME xdg-mime query default "$type")
echo "opens with: $app"
[ -n "$app" ] && [ -e "/usr/share/applications/$app" ] || { echo "no application for $type" >&2; status=1; }

"${as_root[@]}" apt-get remove -y -qq trevak >/dev/null
left=$(while read -r f; do if [ -f "$f" ] || [ -L "$f" ]; then echo "$f"; fi; done <<<"$files")
if [ -n "$left" ]; then
  echo "check-deb-install: left behind after removal:" >&2
  echo "$left" >&2
  status=1
fi
[ "$status" -eq 0 ] && echo "check-deb-install: installed, worked and removed cleanly"
exit "$status"
