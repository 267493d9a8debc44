#!/usr/bin/env bash
# vortella-cli eq: fitting a filter list, refusing unusable input, applying to the simulated
# unit, and exporting from a preset or the unit so that the export fits back to the same bands.
set -u
CLI="$1"
WORK="$2"
rm -rf "$WORK" && mkdir -p "$WORK" && cd "$WORK"
export XDG_RUNTIME_DIR="$WORK/run" && mkdir -m 700 -p "$XDG_RUNTIME_DIR"  # no control service is met
fail() { echo "FAIL: $*"; [ -s err.txt ] && sed 's/^/  stderr: /' err.txt | tail -5; exit 1; }

cat > room.txt <<'TXT'
Filter Settings file

Measured 2026 V1.0
Notes:
Filter  1: ON  PK       Fc   125.0 Hz  Gain  -3.0 dB  Q  1.00
Filter  2: ON  None
Filter  3: ON  PK       Fc   1.02 kHz  Gain   2.4 dB  Q  4.00
Filter  4: ON  HP       Fc   40.1 Hz
not a filter
TXT
"$CLI" eq fit room.txt > fit.json 2> err.txt || fail "fit exit $?"
case "$(cat fit.json)" in
  '{"channel":"main","bands":[{"band":1,"type":"PEQ","frequency_hz":125.0,"frequency_index":96,"gain_db":-3.0,"gain_value":105,"q":1.0,"q_index":25,"bypass":false},{"band":2,'*) ;;
  *) fail "fit printed $(head -c 300 fit.json)" ;;
esac
[ "$(grep -o '"band":' fit.json | wc -l)" -eq 9 ] || fail "nine bands"
grep -q '"high_pass":{"type":"12dB Butterworth","type_index":2,"frequency_hz":40.1,"frequency_index":37},"low_pass":null' fit.json || fail "high-pass"
grep -q '"dropped":\[{"line":9,"text":"not a filter","reason":"not understood"}\],"max_residual_db":0.0,"rms_residual_db":0.0}$' fit.json || fail "dropped and residual"
"$CLI" eq fit room.txt --channel aux | grep -o '"band":' | wc -l | grep -qx 2 || fail "aux has two bands"

# A configuration with Channel blocks: one side is read (left unless told), never both summed.
printf 'Channel: L\nFilter: ON PK Fc 100 Hz Gain 3 dB Q 1\nChannel: R\nFilter: ON PK Fc 1000 Hz Gain -4 dB Q 2\n' > stereo.txt
"$CLI" eq fit stereo.txt --source-channel R > side.json 2> err.txt || fail "--source-channel R: $?"
grep -q '"bands":\[{"band":1,"type":"PEQ","frequency_hz":1000.0,' side.json || fail "right side: $(head -c 200 side.json)"
grep -q '"dropped":\[{"line":2,"text":"Filter: ON PK Fc 100 Hz Gain 3 dB Q 1","reason":"for .Channel: L.; the filters of channel R are read"}\]' side.json || fail "left side dropped"
"$CLI" eq fit stereo.txt | grep -q '"bands":\[{"band":1,"type":"PEQ","frequency_hz":101.0,' || fail "left side by default"
"$CLI" eq fit stereo.txt --source-channel X 2> err.txt; rc=$?
[ $rc -eq 1 ] || fail "--source-channel X: rc $rc"

# Refused input: nothing usable, no file, bad arguments.
printf '# just a comment\nPreamp: -3 dB\n' > empty.txt
"$CLI" eq fit empty.txt > out.txt 2> err.txt; rc=$?
[ $rc -eq 2 ] && [ ! -s out.txt ] && grep -q "no filter in this file can be used" err.txt || fail "empty: rc $rc"
"$CLI" eq fit missing.txt 2> err.txt; rc=$?
[ $rc -eq 2 ] || fail "missing: rc $rc"
"$CLI" eq fit room.txt --channel sub 2> err.txt; rc=$?
[ $rc -eq 1 ] || fail "--channel sub: rc $rc"
"$CLI" eq fit room.txt --simulate 2> err.txt; rc=$?
[ $rc -eq 1 ] || fail "device option without --apply: rc $rc"

# Apply on one connection to the simulated unit: every write answered.
"$CLI" eq fit room.txt --apply --simulate > /dev/null 2> err.txt || fail "apply exit $?"
[ "$(grep -c '^done: set' err.txt)" -eq 47 ] || fail "45 band writes and 2 filter writes"
# --lang is a device option like the others, also after eq and before doctor.
"$CLI" eq fit room.txt --apply --simulate --lang en > /dev/null 2> err.txt || fail "apply --lang: $?"
"$CLI" --lang en --simulate doctor > /dev/null 2> err.txt || fail "--lang before doctor: $?"

# Export from a preset, and the export fits back to the same slots.
cat > bands.json <<'TXT'
{"variant":0,"slots":[[1,20,0],[1,21,100],[1,22,130],[1,23,40],[1,24,19],
 [1,25,11],[1,26,250],[1,27,60],[1,28,25],[1,29,30],
 [1,13,3],[1,15,50],[1,16,0],[1,18,361]]}
TXT
"$CLI" preset make bands.json p > /dev/null || fail "preset make"
"$CLI" eq export --preset p.Nddt > export.txt 2> err.txt || fail "export exit $?"
grep -q '^Filter 1: ON HPQ Fc 51.6 Hz Q 0.5000$' export.txt || fail "export: $(cat export.txt)"
grep -q '^Filter 2: ON PK Fc 135.0 Hz Gain 2.0 dB Q 2.40$' export.txt || fail "export band 1"
grep -q '^Filter 3: OFF LSC 15.60 dB Fc 2420.0 Hz Gain -12.0 dB$' export.txt || fail "export band 2"
"$CLI" eq fit export.txt > back.json 2> err.txt || fail "fit of the export"
grep -q '{"band":1,"type":"PEQ","frequency_hz":135.0,"frequency_index":100,"gain_db":2.0,"gain_value":130,"q":2.4,"q_index":40,"bypass":false}' back.json || fail "band 1 back"
grep -q '{"band":2,"type":"LSQ","frequency_hz":2420.0,"frequency_index":250,"gain_db":-12.0,"gain_value":60,"q":1.3,"q_index":30,"bypass":true}' back.json || fail "band 2 back"
grep -q '"high_pass":{"type":"12dB Linkwitz-Riley","type_index":3,"frequency_hz":51.6,"frequency_index":50}' back.json || fail "filter back"
"$CLI" eq export --preset missing.Nddt 2> err.txt; rc=$?
[ $rc -eq 2 ] || fail "missing preset: rc $rc"

# Export from the unit.
"$CLI" eq export --simulate --channel aux > unit.txt 2> err.txt || fail "export from the unit: $?"
grep -q '^# Auxiliary channel: 2 bands$' unit.txt || fail "unit export: $(cat unit.txt)"
echo "PASS"
