#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Usage: man_page_lists_help.sh PROGRAM MANPAGE
# Fails when a command or option that `PROGRAM --help` lists is missing from the manual page:
# every option word (-o, --units, ...) and every command, a line of the help that starts with
# two blanks and a lower-case word. Only this way round: the page may say more than the help.
set -euo pipefail
program=$1
page=$2

help=$("$program" --help)
[ -n "$help" ] || { echo "$program --help printed nothing" >&2; exit 1; }

# Words of the page with roff's escaped hyphens and font changes undone.
page_words=$(sed -e 's/\\-/-/g' -e 's/\\f[BIRP]//g' "$page" |
  grep -oE -- '-{0,2}[A-Za-z][A-Za-z0-9-]*' | sort -u)

help_words=$( {
  { grep -oE -- '(^|[^A-Za-z0-9-])--?[A-Za-z][A-Za-z0-9-]*' <<<"$help" || true; } |
    sed -E 's/^[^-]//'
  { grep -oE '^  [a-z][a-z-]*( |$)' <<<"$help" || true; } | tr -d ' '
} | sort -u)
[ -n "$help_words" ] || { echo "found no command or option in $program --help" >&2; exit 1; }

missing=$(comm -23 <(printf '%s\n' "$help_words") <(printf '%s\n' "$page_words"))
if [ -n "$missing" ]; then
  echo "$(basename "$page") lacks what $(basename "$program") --help lists:" >&2
  printf '  %s\n' $missing >&2
  exit 1
fi
echo "$(basename "$page"): all $(wc -w <<<"$help_words") words of --help present"
