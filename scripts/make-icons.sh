#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Renders the hand-written SVG icons into the PNGs that are committed beside them, so that a
# build needs no SVG renderer: the window's icon buttons (Qt resources) and the program's own
# icon at the sizes of the hicolor theme (needs imagemagick and librsvg2-bin). Run after
# changing an SVG; commit both files.
set -euo pipefail
cd "$(dirname "$0")/.."
for svg in app/icons/*.svg; do
  convert -background none -density 192 "$svg" -resize 32x32 "${svg%.svg}.png"
done
for size in 16 22 24 32 48 64 128 256; do
  rsvg-convert -w "$size" -h "$size" data/icons/trevak.svg -o "data/icons/trevak-$size.png"
done
