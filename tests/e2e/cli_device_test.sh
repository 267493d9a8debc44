#!/usr/bin/env bash
# vortella-cli device commands against the simulated unit: listing, dump, set, load, store,
# restore and factory, the checks on bad input and the failure when no unit answers.
set -u
CLI="$1"
WORK="$2"
rm -rf "$WORK" && mkdir -p "$WORK" && cd "$WORK"
# English progress whatever the user's locale or the language last chosen in the window.
export LC_ALL=C XDG_CONFIG_HOME="$WORK/config"
# A private runtime folder: no control service of the user is met (the unit is this run's own).
export XDG_RUNTIME_DIR="$WORK/run" && mkdir -m 700 -p "$XDG_RUNTIME_DIR"
fail() { echo "FAIL: $*"; [ -s err.txt ] && sed 's/^/  stderr: /' err.txt | tail -5; exit 1; }
# The value of one slot in a dump: slot MODULE SLOT < dump.json
slot() { grep -o "\[$1,$2,[0-9]*\]" | head -1 | tr -d '[]' | cut -d, -f3; }

"$CLI" --help | grep -q "set ADDRESS VALUE" || fail "--help lists the device commands"
"$CLI" --help | grep -qF "(0.001 to 86400, default 10)" || fail "--help gives the time-out's range"

# Unknown options: the usage line and status 1.
"$CLI" --bogus > out.txt 2> err.txt; [ $? -eq 1 ] || fail "--bogus exits 1"
grep -q "^Usage: vortella-cli" err.txt || fail "--bogus prints the usage line"

# doctor: the simulated unit is among the units and answers.
"$CLI" --simulate doctor --json > doctor.json 2> err.txt || fail "doctor --simulate exit $?"
grep -q '{"path":"simulated:unit","transport":"simulated","access":"ok","answered":true' \
  doctor.json || fail "doctor: $(cat doctor.json)"
grep -q '"udev_rule":{"installed":' doctor.json || fail "doctor: the udev rule"
"$CLI" doctor --simulate > doctor.txt 2> err.txt || fail "doctor (text) exit $?"
grep -q "^A unit answered" doctor.txt || fail "doctor text: $(cat doctor.txt)"

# devices: each unit's path (what --device takes, as the doctor lists it) apart from its name.
"$CLI" --simulate devices > out.txt 2> err.txt || fail "devices exit $?"
grep -qx "$(printf 'simulated:unit\tSimulated unit (vendor 0x0483, product 0x690E)')" out.txt ||
  fail "devices: $(cat out.txt)"

# dump: every slot of modules 0..3 below the module's slot count, in order, progress on stderr.
"$CLI" --simulate dump > dump.json 2> err.txt || fail "dump exit $?"
[ "$(wc -l < dump.json)" -eq 1 ] || fail "dump prints one line"
case "$(cat dump.json)" in '{"slots":[[0,0,'*']]}') ;; *) fail "dump shape" ;; esac
[ "$(grep -o '\[[0-9]*,[0-9]*,[0-9]*\]' dump.json | wc -l)" -eq 150 ] || fail "17+65+67+1 slots"
grep -q '\[0,16,[0-9]*\],\[1,0,' dump.json || fail "module 0 ends at slot 16"
grep -q '\[2,66,[0-9]*\],\[3,0,[0-9]*\]\]}' dump.json || fail "module 2 ends at 66, module 3 has slot 0"
grep -qx "link: Device Connected" err.txt || fail "progress on stderr"
factory15=$(slot 1 5 < dump.json)

# --lang zh: the progress in Chinese, the same JSON.
"$CLI" --lang zh --simulate dump > dump-zh.json 2> err.txt || fail "dump --lang zh exit $?"
grep -qx "link: 设备已连接" err.txt || fail "Chinese progress on stderr"
cmp -s dump.json dump-zh.json || fail "the JSON does not change with the language"
"$CLI" --lang fr --simulate dump > out.txt 2> err.txt; [ $? -eq 1 ] || fail "--lang fr exits 1"

# set, then a dump that reads the unit again; decimal and hexadecimal numbers.
"$CLI" --simulate set 0x0105 300 then set 298 0x1F then dump > set.json 2> err.txt ||
  fail "set exit $?"
[ "$(slot 1 5 < set.json)" = 300 ] || fail "set 0x0105: $(slot 1 5 < set.json)"
[ "$(slot 1 42 < set.json)" = 31 ] || fail "set 298 (1/42): $(slot 1 42 < set.json)"
[ "$(grep -c '^link: Connecting' err.txt)" -eq 2 ] || fail "the dump after set reads again"

# store keeps a value through restore; factory brings the factory value back.
"$CLI" --simulate set 0x0105 300 then store then set 0x0105 5 then restore then dump \
  > stored.json 2> err.txt || fail "store/restore exit $?"
grep -qx "Save Successfully!" err.txt || fail "store confirmed"
[ "$(slot 1 5 < stored.json)" = 300 ] || fail "restore gives the stored 300: $(slot 1 5 < stored.json)"
"$CLI" --simulate set 0x0105 300 then store then factory then dump > factory.json 2> err.txt ||
  fail "factory exit $?"
[ "$(slot 1 5 < factory.json)" = "$factory15" ] || fail "factory value back"

# load: a preset made from the dump (without module 0, which a preset does not hold) with two
# slots changed reaches the unit.
sed -e 's/\[0,[0-9]*,[0-9]*\],//g' \
  -e 's/\[1,5,[0-9]*\]/[1,5,77]/' -e 's/\[2,40,[0-9]*\]/[2,40,1234]/' dump.json |
  sed 's/^{/{"variant":0,/' > preset.json
"$CLI" preset make preset.json changed > /dev/null || fail "preset make"
"$CLI" --simulate load changed.Nddt then dump > loaded.json 2> err.txt || fail "load exit $?"
[ "$(slot 1 5 < loaded.json)" = 77 ] && [ "$(slot 2 40 < loaded.json)" = 1234 ] ||
  fail "load: $(slot 1 5 < loaded.json) $(slot 2 40 < loaded.json)"

# save: the unit's image as the window's Save writes it, read after the commands before it; the
# saved file loads back into the same image, and a file that cannot be written exits 4.
"$CLI" --simulate set 0x0105 300 then save saved > out.txt 2> err.txt || fail "save exit $?"
[ "$(cat out.txt)" = saved.Nddt ] || fail "save prints $(cat out.txt)"
"$CLI" preset show saved.Nddt | grep -qF '[1,5,300]' || fail "save missed the set before it"
"$CLI" --simulate load saved.Nddt then save again.Nddt > /dev/null 2> err.txt ||
  fail "load then save exit $?"
cmp -s saved.Nddt again.Nddt || fail "a saved preset does not load back to the same file"
"$CLI" --simulate save "$WORK/no-such-folder/x.Nddt" > out.txt 2> err.txt; rc=$?
[ $rc -eq 4 ] && grep -qF "save $WORK/no-such-folder/x.Nddt failed: cannot write" err.txt ||
  fail "save to a missing folder: exit $rc, $(tail -1 err.txt)"
[ -s out.txt ] && fail "a failed save printed a result"

# Bad input: exit 2 before any device is touched; usage errors exit 1.
printf 'ZZ\r\n' > junk.Nddt
mkdir -p d.Nddt
while IFS='|' read -r rc args text; do
  # shellcheck disable=SC2086
  "$CLI" --simulate $args > out.txt 2> err.txt; got=$?
  [ "$got" -eq "$rc" ] || fail "'$args' exit $got, not $rc"
  grep -qF -- "$text" err.txt || fail "'$args' message: $(head -1 err.txt)"
  [ -s out.txt ] && fail "'$args' printed a result"
done <<'CASES'
2|set 0x10000 1|above 0xFFFF
2|set 0x0400 1|modules 0 to 3
2|set 0x0141 1|slots 0 to 64
2|set 0x000D 0|use 'store'
2|set 0x0105 65536|out of range (0 to 65535)
2|set 0x0105 -1|is not a number
2|set 1x5 1|is not a number
2|set 0x0105 1 then load missing.Nddt|File not find!
2|load junk.Nddt|File format error!
2|load d.Nddt|d.Nddt: a folder, not a preset file
1|set 0x0105|takes 2 arguments
1|save|takes 1 argument
1|dump then|between two commands
1|--timeout 0 dump|--timeout takes
1|--timeout 0.0001 dump|--timeout takes a number of seconds from 0.001 to 86400
1|--timeout=0.0009 dump|--timeout takes
1|--timeout 86401 dump|--timeout takes
1|--timeout 0.0001 doctor|--timeout takes
1|--transport serial dump|--transport takes usb or uart
1|--frobnicate dump|unknown option
CASES

# A result that cannot be written is a failure.
"$CLI" --simulate dump > /dev/full 2> err.txt; rc=$?
[ $rc -eq 4 ] && grep -qx "cannot write output: No space left on device" err.txt ||
  fail "dump > /dev/full: exit $rc"

# No unit answering: exit 3 with the link's reason, within the time-out.
"$CLI" --transport uart --port "$WORK/no-such-port" --timeout 2 dump > out.txt 2> err.txt; rc=$?
[ $rc -eq 3 ] || fail "no unit: exit $rc"
grep -qE "Connection Failed!|Offline" err.txt || fail "no unit: $(tail -1 err.txt)"
[ -s out.txt ] && fail "no unit: printed a result"
# A node named with --device that cannot be opened: exit 3 and the system's reason, nothing sent.
"$CLI" --device "$WORK/no-such-node" dump > out.txt 2> err.txt; rc=$?
[ $rc -eq 3 ] && grep -qx "vortella-cli: cannot open $WORK/no-such-node: No such file or directory" err.txt ||
  fail "--device no-such-node: exit $rc"
# A node that is not a hidraw device never reaches the HID library (which crashed on them): a
# folder, a plain file, /dev/null, /dev/zero, a terminal; for serve as for a command.
echo "not a device" > plain-file
nodes=("$WORK" "$WORK/plain-file" /dev/null /dev/zero)
for tty in /dev/tty0 /dev/console /dev/ptmx; do [ -c "$tty" ] && [ -r "$tty" ] && { nodes+=("$tty"); break; }; done
for node in "${nodes[@]}"; do
  for command in dump serve; do
    timeout 20 "$CLI" --device "$node" "$command" > out.txt 2> err.txt; rc=$?
    [ $rc -eq 3 ] && grep -qx "vortella-cli: $node is not a hidraw device" err.txt ||
      fail "--device $node $command: exit $rc: $(tail -1 err.txt)"
    [ -s out.txt ] && fail "--device $node: printed a result"
  done
done
# The window checks the node the same way, before it opens any window.
GUI="$(dirname "$CLI")/vortella"
if [ -x "$GUI" ]; then
  QT_QPA_PLATFORM=offscreen timeout 20 "$GUI" --device /dev/null > out.txt 2> err.txt; rc=$?
  [ $rc -eq 3 ] && grep -qx "vortella: /dev/null is not a hidraw device" err.txt ||
    fail "vortella --device /dev/null: exit $rc: $(tail -1 err.txt)"
fi
"$CLI" --transport uart --device /dev/null dump > out.txt 2> err.txt; rc=$?
[ $rc -eq 3 ] && grep -qx "vortella-cli: /dev/null is not a serial port" err.txt ||
  fail "--transport uart --device /dev/null: exit $rc: $(tail -1 err.txt)"
"$CLI" --device /dev/null --simulate dump 2> err.txt; rc=$?
[ $rc -eq 1 ] || fail "--device with --simulate: exit $rc"
# serve --listen :PORT listens on the loopback address, and says so: the address, not the text.
PORT=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
"$CLI" --simulate serve --listen ":$PORT" 2> serve.log &
SERVE=$!
for _ in $(seq 100); do grep -q "^serve: WebSocket clients" serve.log && break; sleep 0.1; done
grep -q "^serve: WebSocket clients at ws://127.0.0.1:$PORT/, the web app at http://127.0.0.1:$PORT/ " serve.log ||
  { kill $SERVE; fail "serve --listen :$PORT says: $(grep WebSocket serve.log)"; }
python3 -c "import socket; socket.create_connection(('127.0.0.1', $PORT), 5).close()" ||
  { kill $SERVE; fail "nothing listens at the address serve gave"; }
kill $SERVE; wait $SERVE 2> /dev/null
echo "cli device: all checks passed"
