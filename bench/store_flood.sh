#!/usr/bin/env bash
# 2000 store presses published on MQTT in one burst, against `serve --simulate --mqtt` with a
# private mosquitto on a free loopback port; prints how many store frames reached the unit (counted
# in a capture of serve) within SECONDS (default 10).
# Usage: bench/store_flood.sh PATH/TO/vortella-cli [SECONDS]
set -u
CLI=$(realpath "$1")
WORK=$(mktemp -d /tmp/vt-store-flood.XXXX)
trap 'kill $SERVE $BROKER 2> /dev/null; wait 2> /dev/null; rm -rf "$WORK"' EXIT
cd "$WORK"
export XDG_RUNTIME_DIR="$WORK/run" HOME="$WORK"
mkdir -m 700 run
PORT=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
printf 'listener %s 127.0.0.1\nallow_anonymous true\npersistence false\n' "$PORT" > broker.conf
"$(command -v mosquitto || echo /usr/sbin/mosquitto)" -c broker.conf > broker.log 2>&1 &
BROKER=$!
sleep 0.5
"$CLI" --simulate --capture presses.pcapng serve --mqtt "127.0.0.1:$PORT" > serve.log 2>&1 &
SERVE=$!
for _ in $(seq 100); do "$CLI" --simulate dump > /dev/null 2>&1 && break; sleep 0.1; done
yes PRESS | head -2000 | mosquitto_pub -h 127.0.0.1 -p "$PORT" -t vortella/simulated/set/store -l
sleep "${2:-10}"
kill -INT $SERVE
wait $SERVE
echo "store frames for 2000 presses within ${2:-10} s:" \
  "$("$CLI" capture decode presses.pcapng 2> /dev/null | grep -c '"name":"store the settings"')"
