#!/usr/bin/env bash
# vortella-cli's command line as a whole: --help and --version wherever they stand, the device
# options before every command that reaches the unit, "--" ending the options, "-" as standard
# output for a preset written, and the words each command refuses.
set -u
CLI="$1"
WORK="$2"
rm -rf "$WORK" && mkdir -p "$WORK" && cd "$WORK"
export LC_ALL=C XDG_CONFIG_HOME="$WORK/config"
# A private runtime folder: no control service of the user is met (the unit is this run's own).
export XDG_RUNTIME_DIR="$WORK/run" && mkdir -m 700 -p "$XDG_RUNTIME_DIR"
fail() { echo "FAIL: $*"; [ -s err.txt ] && sed 's/^/  stderr: /' err.txt | tail -5; exit 1; }

printf 'Filter 1: ON PK Fc 125 Hz Gain -3.0 dB Q 1.00\n' > ./--room.txt
"$CLI" --simulate save ./--x > /dev/null 2> err.txt || fail "a preset to work with"

# Exit status, the stream that must hold the text (out or err), the text, the command line.
while IFS='|' read -r rc stream text args; do
  # shellcheck disable=SC2086
  "$CLI" $args > out.txt 2> err.txt; got=$?
  [ "$got" -eq "$rc" ] || fail "'$args' exit $got, not $rc"
  grep -qF -- "$text" "$stream.txt" || fail "'$args' $stream: $(head -c 300 "$stream.txt")"
done <<'CASES'
0|out|Usage: vortella-cli|--simulate dump --help
0|out|Usage: vortella-cli|set 0x0105 -h
0|out|Usage: vortella-cli|--frobnicate --help
0|out|vortella-cli |preset show x.Nddt --version
0|out|vortella-cli |eq fit room.txt -v
0|out|vortella-cli |doctor --json -v
1|err|unknown command '--help'|-- --help
0|out|Filter 1: ON|--simulate eq export
0|out|Filter 1: ON|--simulate --timeout 5 eq export --channel aux
0|out|Filter 1: ON|--timeout=5 --simulate eq export -- 
1|err|device options are for a command that reaches the unit|--simulate eq fit room.txt
1|err|preset takes no device options|--simulate preset show --x.Nddt
0|out|then.Nddt|--simulate save -- then
0|out|--y.Nddt|--simulate dump then save -- --y
0|err|Device Connected|--simulate load -- --x.Nddt
0|out|"bands"|eq fit -- --room.txt
0|out|"model"|preset show -- --x.Nddt
1|err|unknown option '--y'|--simulate save --y
1|err|'save' takes 1 argument, not 3|--simulate save -- x then dump
2|err|value '--5' is not a number|--simulate set 0x0105 --5
2|err|address '--5' is not a number|--simulate set --5 1
2|err|value '-5' is not a number|--simulate set 0x0105 -5
1|err|doctor: unexpected argument 'dump'|doctor dump
1|err|doctor: unexpected argument 'then'|--simulate doctor then dump
1|err|doctor: --timeout needs a value|doctor --timeout
CASES
[ -e then.Nddt ] && [ -e ./--y.Nddt ] || fail "'--' lets a file be named 'then' or '--y'"

# "-" as the preset to write: the file's text on standard output, no file named "-.Nddt".
"$CLI" --simulate save - > stdout.Nddt 2> err.txt || fail "save - exit $?"
cmp -s stdout.Nddt ./--x.Nddt || fail "save - printed something else than the preset file"
"$CLI" preset show -- --x.Nddt | sed 's/^{"model":"[^"]*",/{/' > shown.json
sed -e 's/"verified":[a-z]*,"lines":[0-9]*,//' shown.json > preset.json
"$CLI" preset make preset.json - > made.Nddt 2> err.txt || fail "preset make - exit $?"
cmp -s made.Nddt ./--x.Nddt || fail "preset make - printed something else than the preset file"
[ -e ./-.Nddt ] && fail "a file named -.Nddt was written"
echo "cli options: all checks passed"
