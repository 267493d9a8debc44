#!/usr/bin/env bash
# The owner of the unit ends while vortella-cli waits for its answer: the command says at once
# that the owner ended, naming it, not that the unit gave no answer in time. The owner here is a
# stand-in that answers `status` as `serve` does and ends at the next request.
set -u
CLI="$1"
WORK="$2"
rm -rf "$WORK" && mkdir -p "$WORK" && cd "$WORK"
export LC_ALL=C XDG_CONFIG_HOME="$WORK/config" XDG_RUNTIME_DIR="$WORK/run"
mkdir -m 700 -p "$WORK/run/vortella"
fail() { echo "FAIL: $*"; [ -s err.txt ] && sed 's/^/  err.txt: /' err.txt | tail -8; exit 1; }

python3 - "$WORK/run/vortella/control" <<'PY' &
import json, os, socket, sys
server = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
server.bind(sys.argv[1])
server.listen(1)
connection, _ = server.accept()
lines = connection.makefile("rb")
status = json.loads(lines.readline())
owner = {"program": "serve", "pid": os.getpid()}
answer = {"jsonrpc": "2.0", "id": status["id"], "result": {"owner": owner, "unit": "simulated"}}
connection.sendall((json.dumps(answer) + "\n").encode())
lines.readline()  # the request it never answers
os._exit(0)
PY
OWNER=$!
trap 'kill $OWNER 2>/dev/null' EXIT
for _ in $(seq 100); do [ -S "$WORK/run/vortella/control" ] && break; sleep 0.1; done
[ -S "$WORK/run/vortella/control" ] || fail "the stand-in owner did not listen"

start=$(date +%s%N)
"$CLI" --simulate --timeout 10 set 0x0100 5 > out.txt 2> err.txt
rc=$?
took=$(( ($(date +%s%N) - start) / 1000000 ))
[ $rc -eq 3 ] || fail "exit status $rc, expected 3"
grep -qx "vortella-cli: set 0x0100 5 failed: the owner, vortella-cli serve (pid $OWNER), ended during the request" err.txt ||
  fail "message"
! grep -q "no answer within" err.txt || fail "told of a silence"
[ $took -lt 5000 ] || fail "took $took ms"
echo "PASS"
