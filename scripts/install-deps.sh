#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian 12 packages that building and testing Trevak need, when any is missing.
# --bench adds what only the benchmark suite needs (scripts/bench.sh); other arguments are
# further packages.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev
  qt6-svg-dev
  zlib1g-dev  # checksums of the exact drawing's PNG pictures
  libgtest-dev
  fonts-dejavu-core
  # the install checks (scripts/check-install.sh) and the Debian package (cpack, dpkg-shlibdeps)
  desktop-file-utils appstream shared-mime-info xdg-utils libglib2.0-bin man-db bash-completion
  dpkg-dev
  qt6-translations-l10n
  qt6-tools-dev qt6-l10n-tools  # the window's English translation (lupdate, lrelease, CMake's LinguistTools)
  libqt6svg6  # the SVG icon engine that draws the icons sharp at any scale (run time)
)
for arg in "$@"; do
  if [ "$arg" = --bench ]; then
    packages+=(libbenchmark-dev time python3)
  else
    packages+=("$arg")
  fi
done

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

as_root=()
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "install-deps: run as root or install sudo: missing ${missing[*]}" >&2; exit 1; }
  as_root=(sudo)
fi
echo "install-deps: installing ${missing[*]}"
"${as_root[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
