#!/usr/bin/env bash
# vortella-cli eq auto: bands for a measured response as JSON with the error figures, the same on
# every run, the Auxiliary channel's two bands, a target file, refused measurements with their
# line, and --apply writing the bands (and no channel filter) to the simulated unit.
set -u
CLI="$1"
WORK="$2"
rm -rf "$WORK" && mkdir -p "$WORK" && cd "$WORK"
export XDG_RUNTIME_DIR="$WORK/run" && mkdir -m 700 -p "$XDG_RUNTIME_DIR"  # no control service is met
fail() { echo "FAIL: $*"; [ -s err.txt ] && sed 's/^/  stderr: /' err.txt | tail -5; exit 1; }
without_time() { sed 's/,"time_ms":[0-9]*}$/}/' "$1"; }

# A measurement program's export: a 6 dB room mode at 50 Hz on a gentle downward tilt.
{
  echo '* Measurement data of a listening position'
  echo '* Freq(Hz) SPL(dB) Phase(degrees)'
  awk 'BEGIN { for (i = 0; i <= 120; i++) { f = 20 * 1000 ^ (i / 120); x = log(f / 50) / log(2);
               printf "%.3f %.3f 0.0\n", f, 80 - 1.5 * log(f / 1000) / log(2) + 6 * exp(-x * x * 8) } }'
} > room.txt
"$CLI" eq auto room.txt > auto.json 2> err.txt || fail "auto exit $?"
grep -q '^{"channel":"main","bands":\[{"band":1,"type":"[PLH][ES]Q","frequency_hz":' auto.json ||
  fail "auto printed $(head -c 300 auto.json)"
[ "$(grep -o '"band":' auto.json | wc -l)" -eq 9 ] || fail "nine bands"
grep -Eq '"high_pass":null,"low_pass":null,"dropped":\[\],"max_residual_db":[0-9.]+,"rms_residual_db":[0-9.]+,"target":"flat","rms_before_db":[0-9.]+,"rms_after_db":[0-9.]+,"max_after_db":[0-9.]+,"time_ms":[0-9]+}$' auto.json ||
  fail "figures: $(tail -c 250 auto.json)"
before=$(grep -o '"rms_before_db":[0-9.]*' auto.json | cut -d: -f2)
after=$(grep -o '"rms_after_db":[0-9.]*' auto.json | cut -d: -f2)
awk -v b="$before" -v a="$after" 'BEGIN { exit !(b > 2 && a < 0.2) }' || fail "before $before after $after"
"$CLI" eq auto room.txt > again.json 2> err.txt || fail "second run exit $?"
[ "$(without_time auto.json)" = "$(without_time again.json)" ] || fail "a second run differs"

"$CLI" eq auto room.txt --channel aux > aux.json 2> err.txt || fail "aux exit $?"
[ "$(grep -o '"band":' aux.json | wc -l)" -eq 2 ] || fail "aux has two bands"
grep -q '^{"channel":"aux",' aux.json || fail "aux channel"

# A target file ("frequency gain", # comments) is named in the output and changes the bands.
printf '# a gentle tilt\n20 3\n20000 -3\n' > tilt.txt
"$CLI" eq auto room.txt --target tilt.txt > tilt.json 2> err.txt || fail "target exit $?"
grep -q '"target":"tilt.txt"' tilt.json || fail "target named"
[ "$(without_time tilt.json | sed 's/"target":"tilt.txt"/"target":"flat"/')" != "$(without_time auto.json)" ] ||
  fail "the target changed nothing"
"$CLI" eq auto room.txt --target flat | grep -q '"target":"flat"' || fail "--target flat"

# Refused: a non-finite value, too few points, no file; usage errors exit 1.
{ echo '* header'; echo '20 80'; echo '30 nan'; } > nan.txt
"$CLI" eq auto nan.txt > out.txt 2> err.txt; rc=$?
[ $rc -eq 2 ] && [ ! -s out.txt ] && grep -qx 'nan.txt:3: a value that is not a finite number' err.txt ||
  fail "nan: rc $rc"
printf '20 1\n40 2\n' > short.txt
"$CLI" eq auto short.txt 2> err.txt; rc=$?
[ $rc -eq 2 ] && grep -q 'short.txt: only 2 usable points, at least 10 needed' err.txt || fail "short: rc $rc"
"$CLI" eq auto missing.txt 2> err.txt; rc=$?
[ $rc -eq 2 ] || fail "missing: rc $rc"
"$CLI" eq auto room.txt --target missing.txt 2> err.txt; rc=$?
[ $rc -eq 2 ] && grep -q '^missing.txt: cannot be read' err.txt || fail "missing target: rc $rc"
"$CLI" eq auto 2> err.txt; rc=$?
[ $rc -eq 1 ] || fail "no measurement: rc $rc"
"$CLI" eq auto room.txt --source-channel L 2> err.txt; rc=$?
[ $rc -eq 1 ] || fail "--source-channel is for eq fit: rc $rc"

# Apply: every field of every band, nothing else.
"$CLI" eq auto room.txt --apply --simulate > /dev/null 2> err.txt || fail "apply exit $?"
[ "$(grep -c '^done: set' err.txt)" -eq 45 ] || fail "45 band writes, $(grep -c '^done: set' err.txt) made"
"$CLI" eq auto room.txt --channel aux --apply --simulate > /dev/null 2> err.txt || fail "aux apply $?"
[ "$(grep -c '^done: set' err.txt)" -eq 10 ] || fail "10 aux band writes"
echo "cli_eq_auto: ok"
