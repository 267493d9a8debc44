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

# Bad input of every kind: exit code and message, never an abort, a hang or a lost output.
printf '{"slots":[[1,0,1e400]]}' > huge.json
printf '{"slots":[[1,5,70000]]}' > above.json
printf '{"slots":[[1,5,-5]]}' > negative.json
printf '{"slots":[[0,5,1]]}' > module0.json
printf '{"slots":[[1,66,1]]}' > pastsaved.json
printf '{"slots":[[1,5,1.5]]}' > float.json
printf '{"variant":2}' > variant.json
printf '{"slots":[[1,5,1]],"\xff":1}' > utf8.json
mkfifo fifo.Nddt
head -c 1048577 /dev/zero | tr '\0' 'A' > big.Nddt
# A preset whose model tag holds the byte 0xFF, and one without data lines: both verify.
key=(94 195 23 160 107 244 40 145)
scramble() {
  local s="$1" i out=""
  for ((i = 0; i < ${#s}; i++)); do
    out+=$(printf '%02X' $(($(printf '%d' "'${s:i:1}") ^ key[i % 8])))
  done
  printf '%s\r\n' "$out"
}
{ scramble "R4 27080"; scramble "Pelor 193"; scramble "Intoal: 2"; scramble "CCCCK: 0"; } > empty.Nddt
{ printf "A1"; scramble "R4 27080" | cut -c3-; tail -n +2 empty.Nddt; } > ff.Nddt
# JSON from standard input, with the same size limit as a file.
"$CLI" preset make - piped < in.json > /dev/null || fail "preset make - exit $?"
cmp -s piped.Nddt show.Nddt || fail "preset make - wrote another file than from in.json"
head -c 2000000 /dev/zero | "$CLI" preset make - x > /dev/null 2> err.txt; rc=$?
[ $rc -eq 2 ] && grep -qF "cannot read -: larger than 1 MiB" err.txt || fail "big stdin: exit $rc"
while IFS='|' read -r rc out args text; do
  # shellcheck disable=SC2086
  timeout 10 "$CLI" $args > "$out" 2> err.txt; got=$?
  [ "$got" -eq "$rc" ] || fail "'$args' exit $got, not $rc ($(head -1 err.txt))"
  grep -qF -- "$text" err.txt || fail "'$args' message: $(head -1 err.txt)"
done <<'CASES'
2|out.txt|preset make huge.json x|malformed JSON
2|out.txt|preset make above.json x|slots[0] [1,5,70000]: value outside 0 to 65535
2|out.txt|preset make negative.json x|slots[0] [1,5,-5]: value outside 0 to 65535
2|out.txt|preset make module0.json x|slots[0] [0,5,1]: a preset saves only modules 1 to 3
2|out.txt|preset make pastsaved.json x|slots[0] [1,66,1]: a preset saves only
2|out.txt|preset make float.json x|slots[0] is not [module, slot, value]
2|out.txt|preset make variant.json x|"variant" must be 0 or 1
2|out.txt|preset make utf8.json x|malformed JSON
2|out.txt|preset make fifo.Nddt x|not a regular file
2|out.txt|preset make /dev/zero x|not a regular file
2|out.txt|preset show fifo.Nddt|File format error!
2|out.txt|preset show /dev/zero|File format error!
2|out.txt|preset show big.Nddt|File format error!
4|/dev/full|preset show show.Nddt|cannot write output: No space left on device
4|/dev/full|preset make in.json full|cannot write output: No space left on device
4|out.txt|preset make in.json no-such-folder/x|cannot write no-such-folder/x.Nddt: No such file
4|/dev/full|--help|cannot write output: No space left on device
CASES
[ ! -e x.Nddt ] || fail "a refused preset was written"
out=$("$CLI" preset show ff.Nddt) || fail "0xFF model tag: exit $?"
printf '%s' "$out" | python3 -c 'import json,sys; d=json.load(sys.stdin); assert d["model"] == "\ufffd4"' ||
  fail "0xFF model tag: not valid JSON: $out"
out=$("$CLI" preset show empty.Nddt) || fail "no data lines: exit $?"
[ "$out" = '{"model":"R4","variant":0,"verified":true,"lines":4,"slots":[]}' ] ||
  fail "no data lines printed '$out'"
echo "cli preset: all checks passed"
