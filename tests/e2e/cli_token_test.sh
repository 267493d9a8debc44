#!/usr/bin/env bash
# vortella-cli token: made once in the user's config folder, private, printed the same each time;
# a token file that others may read, or a folder that cannot be made, ends with exit 4 and why.
set -u
CLI="$1"
WORK="$2"
rm -rf "$WORK" && mkdir -p "$WORK" && cd "$WORK"
fail() { echo "FAIL: $*"; exit 1; }
export HOME="$WORK/home"
unset XDG_CONFIG_HOME
FILE="$HOME/.config/vortella/token"

"$CLI" --help | grep -q "^  token  " || fail "--help does not list token"

first=$("$CLI" token 2> err.txt) || fail "first token: exit $?"
[[ "$first" =~ ^[0-9a-f]{64}$ ]] || fail "printed '$first'"
grep -qF "a new token is in $FILE" err.txt || fail "no note of the new file: $(cat err.txt)"
[ "$(stat -c %a "$FILE")" = 600 ] || fail "mode $(stat -c %a "$FILE")"
[ "$(cat "$FILE")" = "$first" ] || fail "file holds another token"
again=$("$CLI" token 2> err.txt) || fail "second token: exit $?"
[ "$again" = "$first" ] && [ ! -s err.txt ] || fail "second run printed '$again' $(cat err.txt)"

XDG_CONFIG_HOME="$WORK/xdg" "$CLI" token > /dev/null 2>&1 || fail "XDG_CONFIG_HOME: exit $?"
[ -f "$WORK/xdg/vortella/token" ] || fail "XDG_CONFIG_HOME not honoured"

chmod 644 "$FILE"
"$CLI" token > out.txt 2> err.txt; rc=$?
[ $rc -eq 4 ] && [ ! -s out.txt ] && grep -qF "chmod 600 $FILE" err.txt || fail "0644: rc $rc"
[ "$(cat "$FILE")" = "$first" ] || fail "a refused file was replaced"

echo "not a folder" > "$WORK/plain"
XDG_CONFIG_HOME="$WORK/plain" "$CLI" token > /dev/null 2> err.txt; rc=$?
[ $rc -eq 4 ] && grep -q "Not a directory" err.txt || fail "folder not made: rc $rc"

"$CLI" token extra > /dev/null 2>&1; rc=$?
[ $rc -eq 1 ] || fail "token extra: rc $rc"
"$CLI" --simulate token > /dev/null 2>&1; rc=$?
[ $rc -eq 1 ] || fail "--simulate token: rc $rc"
echo "PASS"
