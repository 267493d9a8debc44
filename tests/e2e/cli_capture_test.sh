#!/usr/bin/env bash
# vortella-cli --capture and capture decode: a session with the simulated unit recorded and read
# back to its writes (and opened by tshark, when it is installed), a capture cut off by a killed
# run still read whole, the USBPcap fixture decoded exactly, and the files and options refused.
set -u
CLI="$1"
WORK="$2"
FIXTURES="$3"
rm -rf "$WORK" && mkdir -p "$WORK" && cd "$WORK"
export LC_ALL=C XDG_CONFIG_HOME="$WORK/config"
# A private runtime folder: no control service of the user is met (the unit is this run's own).
export XDG_RUNTIME_DIR="$WORK/run" && mkdir -m 700 -p "$XDG_RUNTIME_DIR"
fail() { echo "FAIL: $*"; [ -s err.txt ] && sed 's/^/  stderr: /' err.txt | tail -5; exit 1; }

"$CLI" --help | grep -q "capture decode FILE" || fail "--help lists capture decode"

# A recorded session: two writes, then a dump that reads the unit again.
"$CLI" --simulate --capture run.pcapng set 0x0105 300 then set 298 0x1F then dump \
  > dump.json 2> err.txt || fail "recorded run exit $?"
"$CLI" capture decode run.pcapng --summary > summary.txt 2> err.txt || fail "--summary exit $?"
[ "$(grep ' = ' summary.txt)" = "Compressor attack = 300
Band 5 gain = 31" ] || fail "the writes read back: $(cat summary.txt)"
grep -Eq '^reports: [0-9]+ \([0-9]+ out, [0-9]+ in\), 0 with a wrong checksum, 0 not read$' \
  summary.txt || fail "summary counts: $(tail -1 summary.txt)"
reports=$(sed -n 's/^reports: \([0-9]*\) .*/\1/p' summary.txt)
received=$(sed -n 's/^reports: [0-9]* ([0-9]* out, \([0-9]*\) in).*/\1/p' summary.txt)

"$CLI" capture decode run.pcapng > run.jsonl 2> err.txt || fail "decode exit $?"
[ "$(wc -l < run.jsonl)" -eq "$reports" ] || fail "one line per report"
head -1 run.jsonl | grep -q '^{"t":0.0,"dir":"out","kind":"start","name":"start report, link mask ' ||
  fail "the start report first: $(head -1 run.jsonl | cut -c1-120)"
grep -q '"dir":"out","kind":"command","command":167,"address":261,"name":"Compressor attack","value":300,"checksum_ok":true,"hex":"01 57 ' \
  run.jsonl || fail "the write as a JSON line"
[ "$(grep -c '"kind":"data"' run.jsonl)" -eq 34 ] || fail "two initial reads of 17 data packets"
! grep -q '"kind":"unknown"\|"checksum_ok":false' run.jsonl || fail "every report decodes"

if command -v tshark > /dev/null; then
  tshark -r run.pcapng > tshark.txt 2> err.txt || fail "tshark -r exit $?"
  [ "$(grep -c 'URB_INTERRUPT' tshark.txt)" -eq "$reports" ] || fail "tshark: $(head -3 tshark.txt)"
  tshark -r run.pcapng -Y 'usb.endpoint_address == 0x81 && usb.urb_type == 67' > in.txt 2> err.txt
  [ "$(wc -l < in.txt)" -eq "$received" ] || fail "tshark: reports from the unit on 0x81"
else
  echo "SKIP: tshark is not installed (scripts/setup installs it); the capture was not opened with it"
fi

# A run killed half way: every packet reached the file before the next report, so what it holds
# reads to its end.
timeout --foreground -s KILL 1.5 "$CLI" --simulate --capture killed.pcapng dump > /dev/null 2>&1
"$CLI" capture decode killed.pcapng > killed.jsonl 2> err.txt || fail "killed run's capture exit $?"
grep -q '"kind":"start"' killed.jsonl || fail "the killed run's start report"

# The USBPcap fixture, decoded exactly.
"$CLI" capture decode "$FIXTURES/usbpcap_unit.pcap" > fixture.jsonl 2> err.txt ||
  fail "fixture exit $?"
cmp -s fixture.jsonl "$FIXTURES/usbpcap_unit.jsonl" ||
  fail "fixture: $(diff fixture.jsonl "$FIXTURES/usbpcap_unit.jsonl" | head -5)"

# Not a capture, missing, cut short: exit 2 with the reason, after what came before the damage.
echo "hello" > text.txt
"$CLI" capture decode text.txt > out.txt 2> err.txt; [ $? -eq 2 ] || fail "text file exits 2"
grep -q "^vortella-cli: capture decode: text.txt: not a pcap or pcapng capture" err.txt ||
  fail "text file: $(cat err.txt)"
[ ! -s out.txt ] || fail "nothing decoded from a text file"
"$CLI" capture decode missing.pcap > /dev/null 2> err.txt; [ $? -eq 2 ] || fail "missing file exits 2"
head -c $(($(stat -c %s run.pcapng) - 100)) run.pcapng > cut.pcapng
"$CLI" capture decode cut.pcapng > cut.jsonl 2> err.txt; [ $? -eq 2 ] || fail "cut capture exits 2"
grep -q "cut.pcapng: damaged or cut short after packet $((reports - 1)): truncated" err.txt ||
  fail "cut capture: $(cat err.txt)"
[ "$(wc -l < cut.jsonl)" -eq $((reports - 1)) ] || fail "the reports before the cut"
"$CLI" capture decode cut.pcapng --summary > cut.txt 2> err.txt; [ $? -eq 2 ] ||
  fail "cut --summary exits 2"
grep -q "^Band 5 gain = 31$" cut.txt || fail "the summary of what came before the cut"

# Command lines refused.
"$CLI" capture decode > /dev/null 2> err.txt; [ $? -eq 1 ] || fail "no FILE exits 1"
"$CLI" capture show run.pcapng > /dev/null 2> err.txt; [ $? -eq 1 ] || fail "capture show exits 1"
"$CLI" capture decode run.pcapng --bogus > /dev/null 2> err.txt; [ $? -eq 1 ] ||
  fail "--bogus exits 1"
"$CLI" --transport uart --capture x.pcapng dump > /dev/null 2> err.txt; [ $? -eq 1 ] ||
  fail "--capture with uart exits 1"
grep -q "a serial line has none" err.txt || fail "uart refusal: $(cat err.txt)"
"$CLI" --simulate --capture no-such-folder/x.pcapng dump > /dev/null 2> err.txt
[ $? -eq 4 ] || fail "an unwritable capture exits 4"
grep -q "cannot write capture no-such-folder/x.pcapng: No such file or directory" err.txt ||
  fail "unwritable capture: $(cat err.txt)"
[ ! -e no-such-folder ] || fail "nothing made"

echo "cli capture: all checks passed"
