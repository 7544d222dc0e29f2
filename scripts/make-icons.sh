#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Renders the window's icon buttons from their hand-written SVG sources into the PNGs that the
# program ships as Qt resources. Run after changing an SVG; commit both files.
set -euo pipefail
cd "$(dirname "$0")/../app/icons"
for svg in *.svg; do
  convert -background none -density 192 "$svg" -resize 32x32 "${svg%.svg}.png"
done
