#!/usr/bin/env bash
# vortella-cli preset: make a file from JSON, show it back, and reject damaged input.
set -u
CLI="$1"
WORK="$2"
rm -rf "$WORK" && mkdir -p "$WORK" && cd "$WORK"
fail() { echo "FAIL: $*"; exit 1; }

"$CLI" --help | grep -q "preset show FILE" || fail "--help"
"$CLI" --version | grep -q "^vortella-cli " || fail "--version"

echo '{"variant":0,"slots":[[1,0,10],[1,21,288],[2,66,361],[3,1,7]]}' > in.json
out=$("$CLI" preset make in.json show) || fail "make exit $?"
[ "$out" = "show.Nddt" ] || fail "make printed '$out'"
[ "$(wc -l < show.Nddt)" -eq 140 ] || fail "140 lines"
head -c 2000 show.Nddt | grep -q $'\r$' || fail "CRLF line ends"

json=$("$CLI" preset show show.Nddt) || fail "show exit $?"
case "$json" in
  '{"model":"R4","variant":0,"verified":true,"lines":140,"slots":[[1,0,10],[1,1,0],'*) ;;
  *) fail "show printed ${json:0:80}" ;;
esac
echo "$json" | grep -q '\[1,21,288\]' || fail "slot 1/21"
echo "$json" | grep -q '\[3,1,7\]' || fail "slot 3/1"
echo "$json" | grep -q '"verified":true' || fail "verified"

# make then show round-trips: feeding show's output back to make gives the same file.
echo "$json" > again.json
"$CLI" preset make again.json again.Nddt > /dev/null || fail "make again"
cmp -s show.Nddt again.Nddt || fail "round trip differs"

# Damaged input.
"$CLI" preset show missing.Nddt 2> err.txt; rc=$?
[ $rc -eq 2 ] && grep -qx "File not find!" err.txt || fail "missing file: rc $rc"
sed '3d' show.Nddt > deleted.Nddt
"$CLI" preset show deleted.Nddt > /dev/null 2> err.txt; rc=$?
[ $rc -eq 2 ] && grep -qx "Data file is corrupted!" err.txt || fail "deleted line: rc $rc"
printf 'ZZ\r\nYY\r\n' > junk.Nddt
"$CLI" preset show junk.Nddt > /dev/null 2> err.txt; rc=$?
[ $rc -eq 2 ] && grep -qx "File format error!" err.txt || fail "junk: rc $rc"
echo '{"slots":[[1,2' > bad.json
"$CLI" preset make bad.json x.Nddt 2> err.txt; rc=$?
[ $rc -eq 2 ] && grep -q "malformed JSON" err.txt && [ ! -e x.Nddt ] || fail "bad json: rc $rc"
echo '{"slots":[[4,0,1]]}' > range.json
"$CLI" preset make range.json x.Nddt 2> err.txt; rc=$?
[ $rc -eq 2 ] && [ ! -e x.Nddt ] || fail "out-of-range slot: rc $rc"
echo "cli preset: all checks passed"
