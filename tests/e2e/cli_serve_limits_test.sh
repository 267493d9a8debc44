#!/usr/bin/env bash
# `serve --listen` under the usual soft limit of 1024 open files: 1,100 idle TCP connections from
# one address, or spread over many, leave the local socket answering and the WebSocket port
# taking a client once they are gone; the connections past the bound are closed at once.
set -u
CLI="$1"
WORK="$2"
rm -rf "$WORK" && mkdir -p "$WORK" && cd "$WORK"
export LC_ALL=C XDG_CONFIG_HOME="$WORK/config" XDG_RUNTIME_DIR="$WORK/run"
mkdir -m 700 -p "$WORK/run" "$WORK/config"
fail() { echo "FAIL: $*"; [ -s serve.log ] && sed "s/^/  serve.log: /" serve.log | tail -8; exit 1; }
command -v prlimit > /dev/null || { echo "SKIP: prlimit is not installed"; exit 77; }
hard=$(ulimit -Hn)
[ "$hard" = unlimited ] || [ "$hard" -ge 1200 ] || { echo "SKIP: 1,100 connections need a hard limit of open files above $hard"; exit 77; }

SOCKET="$WORK/run/vortella/control"
SERVE=""
trap '[ -n "$SERVE" ] && kill $SERVE 2> /dev/null && wait $SERVE 2> /dev/null' EXIT

# Opens $3 idle connections to port $1 from the loopback addresses 127.0.0.2 .. 127.0.0.($2+1)
# and holds them while it asks the local socket for the status; then closes them all and opens a
# WebSocket with the token. Prints how many connections the service closed at once, and what it
# found ("answered", "refused: ..."), one line each.
flood() {
  python3 - "$1" "$2" "$3" "$SOCKET" "$(cat "$WORK/config/vortella/token")" <<'PY'
import base64, os, resource, socket, sys, time
port, addresses, count, path, token = int(sys.argv[1]), int(sys.argv[2]), int(sys.argv[3]), sys.argv[4], sys.argv[5]
hard = resource.getrlimit(resource.RLIMIT_NOFILE)[1]
resource.setrlimit(resource.RLIMIT_NOFILE, (hard, hard))

def status():
    try:
        s = socket.socket(socket.AF_UNIX)
        s.settimeout(5)
        s.connect(path)
        s.sendall(b'{"jsonrpc":"2.0","id":1,"method":"status"}\n')
        data = b""
        while b"\n" not in data:
            chunk = s.recv(65536)
            if not chunk:
                break
            data += chunk
        s.close()
        return "answered" if b'"result"' in data else "no answer"
    except OSError as e:
        return "refused: " + e.strerror

held = []
start = time.monotonic()
for i in range(count):
    s = socket.socket()
    s.bind(("127.0.0.%d" % (2 + i % addresses), 0))
    s.setblocking(False)
    s.connect_ex(("127.0.0.1", port))
    held.append(s)
    if i % 25 == 24:
        time.sleep(0.02)  # within the listen backlog, so that each one is taken
time.sleep(0.5)
sys.stderr.write("sent %d in %.1f s\n" % (len(held), time.monotonic() - start))
closed = 0
for s in held:
    try:
        if s.recv(1, socket.MSG_PEEK | socket.MSG_DONTWAIT) == b"":
            closed += 1
    except BlockingIOError:
        pass
    except OSError:
        closed += 1
print(closed)
print(status())
for s in held:
    s.close()
time.sleep(0.5)
ws = socket.create_connection(("127.0.0.1", port), timeout=5)
key = base64.b64encode(os.urandom(16)).decode()
ws.sendall(("GET /?token=%s HTTP/1.1\r\nHost: x\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
            "Sec-WebSocket-Key: %s\r\nSec-WebSocket-Version: 13\r\n\r\n" % (token, key)).encode())
try:
    print(ws.recv(200).split(b"\r\n")[0].decode())
except OSError as e:
    print("websocket: " + e.strerror)
PY
}

start_serve() {
  PORT=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
  prlimit --nofile="$1" "$CLI" --simulate serve --listen "127.0.0.1:$PORT" 2> serve.log &
  SERVE=$!
  for _ in $(seq 100); do [ -S "$SOCKET" ] && break; sleep 0.1; done
  [ -S "$SOCKET" ] || fail "serve did not listen"
}
stop_serve() {
  kill $SERVE 2> /dev/null
  wait $SERVE 2> /dev/null
  SERVE=""
}

# Cases: soft limit | addresses | connections | the most that may stay open. One address meets
# the bound per address; 60 meet the bound in total; under a limit of 128 the descriptors kept in
# reserve close them sooner. Up to a listen backlog more may not have been taken yet.
while IFS='|' read -r limit addresses count most; do
  what="limit $limit, $count connections from $addresses addresses"
  start_serve "$limit"
  mapfile -t seen < <(flood "$PORT" "$addresses" "$count")
  echo "$what: closed at once ${seen[0]:-?}, local socket ${seen[1]:-?}, then ${seen[2]:-?}"
  [ "${seen[1]:-}" = answered ] || fail "$what: the local socket ${seen[1]:-gave nothing}"
  [ -S "$SOCKET" ] || fail "$what: the socket file is gone"
  kill -0 $SERVE 2> /dev/null || fail "$what: serve ended"
  [ "${seen[2]:-}" = "HTTP/1.1 101 Switching Protocols" ] || fail "$what: WebSocket afterwards: ${seen[2]:-nothing}"
  held=$((count - ${seen[0]:-0}))
  [ "$held" -le $((most + 50)) ] || fail "$what: $held stayed open, more than $most"
  stop_serve
done <<'CASES'
1024|1|1100|16
1024|60|1100|128
128|60|400|128
CASES
echo "PASS"
