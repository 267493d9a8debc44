#!/usr/bin/env bash
# Reads the manual pages of the Debian package as man shows them: no formatter warnings; for
# vortella-cli, every heading of its --help text shown as written, each usage form of the help on
# a line of its own in SYNOPSIS, and an EXIT STATUS section with the codes of the README's table.
set -uo pipefail
deb="${1:?usage: manpage_test.sh PACKAGE.deb}"
readme="$(dirname "$0")/../../README.md"
if ! command -v man >/dev/null; then
  echo "SKIP: man (man-db) is not installed; the manual pages are not read"
  exit 0
fi

source "$(dirname "$0")/unpacked.sh"

# The page as man shows it, wide enough that no line is broken, as plain text.
show() { MANWIDTH=250 LC_ALL=C.UTF-8 man --warnings -l "$1" 2>"$work/warnings" | col -bx; }
# The lines of one section of a shown page.
section() { awk -v s="$1" '/^[A-Z]/ { on = ($0 == s); next } on'; }
# Lines without their indentation and repeated spaces; empty lines dropped.
squeeze() { sed 's/^ *//; s/  */ /g; /^$/d'; }

for program in vortella vortella-cli; do
  page="$work/root/usr/share/man/man1/$program.1.gz"
  if [ ! -f "$page" ]; then
    fail "no manual page for $program"
    continue
  fi
  show "$page" >"$work/$program.txt"
  [ ! -s "$work/warnings" ] || fail "$program.1: $(cat "$work/warnings")"
done

cli="$work/vortella-cli.txt"
help=$("$work/root/usr/bin/vortella-cli" --help) || fail "vortella-cli --help"

# Headings: the help's lines that end in a colon at the left margin (Options: becomes OPTIONS).
while read -r heading; do
  grep -Fxq "   $heading" "$cli" || fail "vortella-cli.1 does not show the heading: $heading"
done < <(grep -E '^[A-Z].*:$' <<<"$help" | grep -v '^Options:$')

# Usage forms: the help's first paragraph, one form per line after "Usage:" or "or:".
sed '/^$/q' <<<"$help" | sed -E 's/^(Usage:|  *or:)? *//; s/  */ /g; /^$/d' >"$work/forms"
section SYNOPSIS <"$cli" | squeeze >"$work/synopsis"
diff -u "$work/forms" "$work/synopsis" >"$work/diff" ||
  fail "SYNOPSIS of vortella-cli.1 differs from the usage forms of --help:
$(cat "$work/diff")"

# Exit status: the codes the page lists (the tags of its list, at the section's indentation),
# against the README's table.
section 'EXIT STATUS' <"$cli" | grep -Eo '^ {7}[0-9]+ ' | tr -d ' ' >"$work/codes"
grep -Eo '^\| [0-9]+ \|' "$readme" | tr -dc '0-9\n' >"$work/readme-codes"
if [ ! -s "$work/codes" ]; then
  fail "vortella-cli.1 has no EXIT STATUS section listing the codes"
elif ! diff -q "$work/readme-codes" "$work/codes" >/dev/null; then
  fail "EXIT STATUS of vortella-cli.1 lists codes $(paste -sd' ' "$work/codes"), README.md $(paste -sd' ' "$work/readme-codes")"
fi

[ "$failed" -eq 0 ] || exit 1
echo "PASS: the manual pages show their headings, synopsis and exit status as written"
