#!/usr/bin/env bash
# `serve --mqtt` with a real broker on a free loopback port: a broker that is away at start is one
# line on the error stream; the discovery configs are JSON with their fields; a command changes
# the simulated unit (as `dump` through the service shows) and its state topic, a change by
# another client shows there too, a bad payload changes nothing, store and restore are buttons;
# values beyond the window's ranges publish states a dashboard takes; a preset load keeps the link
# sensor ON; a retained command is carried out once, when it arrives, and not at the next
# connection; a restarted broker gets everything again, and a killed or stopped serve leaves
# "offline" behind.
# Exit 77 (skipped) when the broker or its clients are not there.
set -u
CLI="$1"
WORK="$2"
rm -rf "$WORK" && mkdir -p "$WORK" && cd "$WORK"
export LC_ALL=C XDG_CONFIG_HOME="$WORK/config" XDG_RUNTIME_DIR="$WORK/run"
mkdir -m 700 -p "$WORK/run" "$WORK/config"
fail() { echo "FAIL: $*"; for f in serve.log broker.log; do [ -s "$f" ] && sed "s/^/  $f: /" "$f" | tail -12; done; exit 1; }

MOSQUITTO=$(command -v mosquitto || echo /usr/sbin/mosquitto)
if [ ! -x "$MOSQUITTO" ] || ! command -v mosquitto_sub > /dev/null || ! command -v mosquitto_pub > /dev/null; then
  echo "SKIP: mosquitto and mosquitto-clients are not installed (scripts/setup installs them)"
  exit 77
fi
PORT=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
cat > broker.conf <<CONF
listener $PORT 127.0.0.1
allow_anonymous true
persistence false
CONF

BROKER=""
SERVE=""
cleanup() {
  [ -n "$SERVE" ] && kill "$SERVE" 2> /dev/null && wait "$SERVE" 2> /dev/null
  [ -n "$BROKER" ] && kill "$BROKER" 2> /dev/null && wait "$BROKER" 2> /dev/null
}
trap cleanup EXIT
start_broker() {
  "$MOSQUITTO" -c broker.conf >> broker.log 2>&1 &
  BROKER=$!
  for _ in $(seq 50); do
    mosquitto_pub -h 127.0.0.1 -p "$PORT" -t probe -m x 2> /dev/null && return 0
    kill -0 "$BROKER" 2> /dev/null || break
    sleep 0.1
  done
  echo "SKIP: mosquitto did not start on 127.0.0.1:$PORT: $(tail -3 broker.log)"
  exit 77
}
sub() { mosquitto_sub -h 127.0.0.1 -p "$PORT" "$@"; }
pub() { mosquitto_pub -h 127.0.0.1 -p "$PORT" "$@"; }
# The retained message of a topic ("" when none comes within a second).
retained() { sub -t "$1" -C 1 -W 1 2> /dev/null; }
# Waits up to 15 s for the retained message of topic $1 to be $2.
await() {
  local got=""
  for _ in $(seq 15); do
    got=$(retained "$1")
    [ "$got" = "$2" ] && return 0
    sleep 0.5
  done
  fail "$1 is '$got', expected '$2'"
}
slot() { grep -o "\[$1,$2,[0-9]*\]" | head -1 | tr -d '[]' | cut -d, -f3; }
dump() { "$CLI" --simulate dump 2>> dump.err; }
BASE=vortella/simulated

# Options read before anything starts: refused with exit 1 and why.
"$CLI" --help | grep -qF -- "--mqtt-password-file FILE" || fail "--help names the MQTT options"
printf 'secret\n' > pw
printf 'secret\n' > open-pw && chmod 644 open-pw
mkfifo fifo
while IFS='|' read -r words why; do
  # shellcheck disable=SC2086
  timeout 20 "$CLI" --simulate serve $words > out.txt 2> err.txt; rc=$?
  [ $rc -eq 1 ] && grep -qF -- "$why" err.txt || fail "serve $words: rc $rc, $(cat err.txt)"
  ! grep -q secret err.txt || fail "serve $words showed the password: $(cat err.txt)"
done <<'CASES'
--mqtt mqtts://broker|names another scheme than mqtt://
--mqtt broker:0|the port must be 1 to 65535
--mqtt-prefix ha|are for --mqtt
--mqtt broker --mqtt-prefix ha/#|holds a wildcard
--mqtt broker --mqtt-password-file pw|names no user
--mqtt u:p@broker --mqtt-password-file pw|holds a password already
--mqtt u@broker --mqtt-password-file missing|missing: No such file or directory
--mqtt u@broker --mqtt-password-file open-pw|may be read or changed by others (mode 0644)
--mqtt u@broker --mqtt-password-file fifo|fifo is not a regular file
--mqtt u@broker --mqtt-password-file /dev/zero|/dev/zero is not a regular file
--mqtt u:secret@broker:0|'u:****@broker:0'
--mqtt u:secret@broker --mqtt-password-file pw|the password in the --mqtt address shows in the process list
CASES

# A broker that is away at start: serve runs, and says so once.
"$CLI" --simulate serve --mqtt "mqtt://127.0.0.1:$PORT" 2> serve.log &
SERVE=$!
for _ in $(seq 100); do [ -S "$WORK/run/vortella/control" ] && break; sleep 0.1; done
[ -S "$WORK/run/vortella/control" ] || fail "serve did not listen"
sleep 3.5  # attempts at 0, 1 and 3 s
kill -0 $SERVE || fail "serve ended without a broker"
[ "$(grep -c MQTT serve.log)" -eq 1 ] || fail "a broker away at start is one line"
grep -q "MQTT broker at 127.0.0.1:$PORT: Connection refused" serve.log || fail "the line says why"

start_broker
for _ in $(seq 100); do grep -q "MQTT connected" serve.log && break; sleep 0.1; done
grep -q "MQTT connected to 127.0.0.1:$PORT as $BASE" serve.log || fail "serve did not connect"

# Discovery: one retained config per entity, JSON with the fields of its component.
check_discovery() {
  sub -t 'homeassistant/#' -v -W 3 > discovery.txt 2> /dev/null
  python3 - discovery.txt <<'PY' || fail "discovery configs"
import json, sys
seen = {}
for line in open(sys.argv[1]):
    topic, payload = line.rstrip("\n").split(" ", 1)
    seen[topic] = json.loads(payload)
expected = {
    "select": ["input_source", "sub_mode"],
    "number": ["master_volume", "left_delay", "right_delay", "aux_gain"],
    "switch": ["eq_pass", "main_left_phase", "main_right_phase", "sub_left_phase",
               "sub_right_phase", "compressor"],
    "binary_sensor": ["link"], "sensor": ["left_level", "right_level"],
    "button": ["store", "restore"],
}
want = {f"homeassistant/{c}/vortella_simulated/{k}/config" for c, ks in expected.items() for k in ks}
assert set(seen) == want, sorted(set(seen) ^ want)
for topic, c in seen.items():
    key = topic.split("/")[3]
    assert c["unique_id"] == "vortella_simulated_" + key, c
    assert c["default_entity_id"] == topic.split("/")[1] + "." + c["unique_id"], c
    assert "object_id" not in c, c
    assert c["name"] and c["availability_topic"] == "vortella/simulated/availability", c
    d = c["device"]
    assert d["identifiers"] == ["vortella_simulated"] and d["manufacturer"] == "Vortella", d
    assert d["name"] and d["model"] and d["sw_version"], d
    if "/button/" not in topic:
        assert c["state_topic"] == "vortella/simulated/state/" + key, c
    if "sensor" not in topic:
        assert c["command_topic"] == "vortella/simulated/set/" + key, c
v = seen["homeassistant/number/vortella_simulated/master_volume/config"]
assert (v["name"], v["min"], v["max"], v["step"]) == ("Master volume", 0, 6553.5, 0.1), v
assert seen["homeassistant/binary_sensor/vortella_simulated/link/config"]["device_class"] == "connectivity"
assert seen["homeassistant/select/vortella_simulated/input_source/config"]["options"] == ["RCA", "Bluetooth", "Auto"]
PY
}
check_discovery
await $BASE/availability online
await $BASE/state/link ON

# States follow the unit; levels come as numbers.
[ -n "$(retained $BASE/state/master_volume)" ] || fail "no state of the master volume"
for _ in $(seq 20); do [ -n "$(retained $BASE/state/left_level)" ] && break; sleep 0.2; done
[[ "$(retained $BASE/state/left_level)" =~ ^-?[0-9]+$ ]] || fail "left level: '$(retained $BASE/state/left_level)'"

# A command is a write through the owner: the unit holds it, and then the state says so.
pub -t $BASE/set/master_volume -m 42.5
await $BASE/state/master_volume 42.5
[ "$(dump | slot 1 1)" = 425 ] || fail "the unit's volume after the command"
pub -t $BASE/set/eq_pass -m ON
await $BASE/state/eq_pass ON
pub -t $BASE/set/input_source -m Bluetooth
await $BASE/state/input_source Bluetooth
pub -t $BASE/set/aux_gain -m -3
await $BASE/state/aux_gain -3
image=$(dump)
[ "$(slot 1 19 <<< "$image")" = 1 ] && [ "$(slot 0 10 <<< "$image")" = 1 ] &&
  [ "$(slot 2 25 <<< "$image")" = 2 ] || fail "the unit after the switch, select and number"

# Another client's change shows on the state topic.
"$CLI" --simulate set 0x0100 75 > /dev/null 2>> dump.err || fail "set through the service"
await $BASE/state/left_delay 7.5

# Values beyond the window's ranges: a number's state is the unit's value, within the range of
# its discovery config; a select's is "None" (unknown), not the last option it showed.
"$CLI" --simulate set 0x0219 10 > /dev/null 2>> dump.err || fail "set 0x0219 10"
"$CLI" --simulate set 0x0100 600 > /dev/null 2>> dump.err || fail "set 0x0100 600"
"$CLI" --simulate set 0x000A 5 > /dev/null 2>> dump.err || fail "set 0x000A 5"
await $BASE/state/aux_gain 21
await $BASE/state/left_delay 60.0
await $BASE/state/input_source None
sub -t 'homeassistant/number/#' -v -W 2 > numbers.txt 2> /dev/null
python3 - numbers.txt <<'PY' || fail "a state beyond its discovery range"
import sys, json
c = {l.split(" ", 1)[0].split("/")[3]: json.loads(l.split(" ", 1)[1]) for l in open(sys.argv[1])}
assert c["aux_gain"]["min"] <= 21 <= c["aux_gain"]["max"], c["aux_gain"]
assert c["left_delay"]["min"] <= 60.0 <= c["left_delay"]["max"], c["left_delay"]
PY
pub -t $BASE/set/input_source -m Bluetooth
await $BASE/state/input_source Bluetooth

# A preset load keeps the link sensor ON: the owner is busy, and the unit connected.
"$CLI" --simulate save show.Nddt > /dev/null 2>> dump.err || fail "save"
sub -t $BASE/state/link -W 4 > link.txt 2> /dev/null &
WATCH=$!
sleep 0.5
"$CLI" --simulate load show.Nddt > /dev/null 2>> dump.err || fail "load"
wait $WATCH
[ "$(sort -u link.txt)" = ON ] || fail "the link sensor during a load: $(tr '\n' ' ' < link.txt)"

# Bad payloads: one line each on the error stream, nothing written.
before=$(dump)
lines=$(wc -l < serve.log)
pub -t $BASE/set/master_volume -m abc
pub -t $BASE/set/master_volume -m 100.5
pub -t $BASE/set/compressor -m maybe
pub -t $BASE/set/input_source -m Tape
sleep 1
[ "$(dump)" = "$before" ] || fail "a bad payload changed the unit"
[ "$(retained $BASE/state/master_volume)" = 42.5 ] || fail "a bad payload changed the state"
[ $(($(wc -l < serve.log) - lines)) -eq 4 ] || fail "four bad payloads, four lines"
grep -q "Master volume: 'abc' is not a number; ignored" serve.log || fail "the line of 'abc'"
grep -q "Master volume: '100.5' is out of range (0.0 to 100.0); ignored" serve.log ||
  fail "the line of 100.5"

# Store and restore: what was stored comes back, and its state with it.
pub -t $BASE/set/store -m PRESS
sleep 1
pub -t $BASE/set/master_volume -m 10
await $BASE/state/master_volume 10.0
pub -t $BASE/set/restore -m PRESS
await $BASE/state/master_volume 42.5
[ "$(dump | slot 1 1)" = 425 ] || fail "the unit's volume after restore"

# The broker restarts without its retained messages: serve connects again and publishes them.
kill "$BROKER"; wait "$BROKER" 2> /dev/null
sleep 1
start_broker
await $BASE/availability online
check_discovery
await $BASE/state/master_volume 42.5
await $BASE/state/link ON
kill -0 $SERVE || fail "serve ended with the broker"

# A command published with the retain flag is carried out when it arrives (the broker hands it
# on as a live one); the copy the broker keeps comes to every later connection, and is ignored.
pub -r -t $BASE/set/master_volume -m 30
await $BASE/state/master_volume 30.0

# A killed serve leaves its will: offline.
kill -KILL $SERVE; wait $SERVE 2> /dev/null
SERVE=""
await $BASE/availability offline

# A serve that is stopped says offline itself, after its states.
"$CLI" --simulate serve --mqtt "127.0.0.1:$PORT" 2> serve.log &
SERVE=$!
await $BASE/availability online
for _ in $(seq 50); do grep -q "retained command" serve.log && break; sleep 0.1; done
grep -q "MQTT: retained command on $BASE/set/master_volume ignored" serve.log ||
  fail "the retained command at a new connection"
[ "$(dump | slot 1 1)" != 300 ] || fail "a retained command was carried out again"
pub -r -n -t $BASE/set/master_volume
kill -TERM $SERVE; wait $SERVE; rc=$?
SERVE=""
[ $rc -eq 0 ] || fail "serve stopped with exit $rc"
await $BASE/availability offline
echo "PASS"
