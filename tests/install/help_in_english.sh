#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Usage: help_in_english.sh PROGRAM
# `trevak --lang en --help` is English (its translation found beside the program, as installed)
# and names the same options as the Portuguese help, so the manual page check covers both.
set -euo pipefail
program=$1
en=$("$program" --lang en --no-settings --help)
pt=$("$program" --lang pt --no-settings --help)
options() { grep -oE -- '(^|[^A-Za-z0-9-])--?[a-z][a-z-]*' | sed -E 's/^[^-]//' | sort -u; }
grep -q '^Usage: trevak' <<<"$en" || { echo "not English: $en" >&2; exit 1; }
grep -q '^Uso: trevak' <<<"$pt" || { echo "not Portuguese: $pt" >&2; exit 1; }
if [ "$(options <<<"$en")" != "$(options <<<"$pt")" ]; then
  diff <(options <<<"$pt") <(options <<<"$en") >&2 || true
  echo "the English help names other options than the Portuguese one" >&2
  exit 1
fi
