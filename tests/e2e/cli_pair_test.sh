#!/usr/bin/env bash
# vortella-cli pair and the web app as `serve --simulate --listen` serves it: the address printed
# holds the token after "#" and its QR code reads back as the same address (with zbarimg); the
# page and its files come with their types and security headers, 304 for a tag held, 404 and 400
# for unknown paths and traversal; the token offered as a subprotocol lets a page-like client
# read and change the master volume, which a dump then shows; a wrong one is refused. Bad
# arguments exit 1 with the usage, a refused token file exits 4.
set -u
CLI="$1"
WORK="$2"
rm -rf "$WORK" && mkdir -p "$WORK" && cd "$WORK"
export LC_ALL=C HOME="$WORK/home" XDG_CONFIG_HOME="$WORK/config" XDG_RUNTIME_DIR="$WORK/run"
mkdir -m 700 -p "$WORK/run" "$WORK/config" "$HOME"
fail() { echo "FAIL: $*"; for f in serve.log err.txt; do [ -s "$f" ] && sed "s/^/  $f: /" "$f" | tail -8; done; exit 1; }
SERVE=""
trap '[ -n "$SERVE" ] && kill $SERVE 2> /dev/null && wait $SERVE 2> /dev/null' EXIT

"$CLI" --help | grep -q "^  pair " || fail "--help does not list pair"

PORT=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
"$CLI" pair --listen "127.0.0.1:$PORT" > out.txt 2> err.txt || fail "pair: exit $?"
TOKEN=$(cat "$WORK/config/vortella/token")
LINK="http://127.0.0.1:$PORT/#token=$TOKEN"
[ "$(head -1 out.txt)" = "$LINK" ] || fail "printed '$(head -1 out.txt)'"
grep -q "reached from this machine only" err.txt || fail "no word on the loopback address"
# The code: lines of one width, of half blocks and spaces only, no colour codes off a terminal.
tail -n +2 out.txt > qr.txt
[ "$(wc -l < qr.txt)" -ge 15 ] || fail "no QR code drawn"
widths=$(python3 -c 'import sys; print(len({len(l) for l in open(sys.argv[1], encoding="utf-8").read().splitlines()}))' qr.txt)
[ "$widths" = 1 ] || fail "lines of unequal width"
! grep -q $'\x1b' qr.txt || fail "colour codes in a pipe"
! LC_ALL=C.UTF-8 grep -q '[^ █▀▄]' qr.txt || fail "other characters in the code"
if command -v zbarimg > /dev/null; then
  python3 - qr.txt qr.pbm <<'PY'
import sys
rows = []
for line in open(sys.argv[1], encoding="utf-8").read().splitlines():
    rows.append([c in "█▀" for c in line])
    rows.append([c in "█▄" for c in line])
scale = 6
with open(sys.argv[2], "w") as f:
    f.write("P1\n%d %d\n" % (len(rows[0]) * scale, len(rows) * scale))
    for row in rows:
        line = " ".join("1" if dark else "0" for dark in row for _ in range(scale))
        f.write((line + "\n") * scale)
PY
  [ "$(zbarimg -q --raw qr.pbm 2> /dev/null)" = "$LINK" ] || fail "the code reads '$(zbarimg -q --raw qr.pbm 2>&1)'"
else
  echo "note: zbarimg is not installed; the code is not read back"
fi

# The forms of the command line, and what each prints first (or its exit code when refused).
while IFS='|' read -r args want; do
  read -ra words <<< "$args"
  "$CLI" pair "${words[@]}" > out.txt 2> err.txt; rc=$?
  case "$want" in
    http*) [ $rc -eq 0 ] && [ "$(head -1 out.txt)" = "$want$TOKEN" ] || fail "pair $args: rc $rc, '$(head -1 out.txt)'" ;;
    *) [ $rc -eq "$want" ] && [ ! -s out.txt ] && grep -q "usage: vortella-cli pair" err.txt || fail "pair $args: rc $rc" ;;
  esac
done <<'CASES'
--address 192.0.2.7 --port 9000|http://192.0.2.7:9000/#token=
--address=fe80::1 --port=1|http://[fe80::1]:1/#token=
--listen 0.0.0.0:8000 --address studio.lan|http://studio.lan:8000/#token=
--listen [::1]:8001|http://[::1]:8001/#token=
--port 0|1
--port 65536|1
--port 12x|1
--listen 127.0.0.1|1
--listen 1.2.3.4:5 --port 5|1
--address 192.0.2.7:80|1
--address a/b|1
--address|1
--address 192.0.2.7 --address 192.0.2.8|1
extra|1
CASES
"$CLI" --simulate pair > /dev/null 2>&1; rc=$?
[ $rc -eq 1 ] || fail "--simulate pair: rc $rc"
chmod 644 "$WORK/config/vortella/token"
"$CLI" pair > out.txt 2> err.txt; rc=$?
[ $rc -eq 4 ] && [ ! -s out.txt ] || fail "a token file others may read: rc $rc"
chmod 600 "$WORK/config/vortella/token"

"$CLI" --simulate serve --listen "127.0.0.1:$PORT" 2> serve.log &
SERVE=$!
for _ in $(seq 100); do curl -s -o /dev/null "http://127.0.0.1:$PORT/" && break; sleep 0.1; done

# The files: status, type, and the headers that keep the page to itself.
total=0
for file in "|text/html" "index.html|text/html" "app.js|text/javascript" "style.css|text/css"; do
  name=${file%%|*} type=${file#*|}
  curl -s -D head.txt -o body.txt "http://127.0.0.1:$PORT/$name" || fail "GET /$name: curl $?"
  tr -d '\r' < head.txt > h.txt
  grep -q "^HTTP/1.1 200 OK$" h.txt || fail "/$name: $(head -1 h.txt)"
  grep -q "^Content-Type: $type; charset=utf-8$" h.txt || fail "/$name: $(grep Content-Type h.txt)"
  grep -q "^Content-Security-Policy: default-src 'self'" h.txt || fail "/$name: no policy"
  grep -q "^X-Content-Type-Options: nosniff$" h.txt || fail "/$name: no nosniff"
  grep -q "^Content-Length: $(stat -c %s body.txt)$" h.txt || fail "/$name: length"
  [ -n "$name" ] && total=$((total + $(stat -c %s body.txt)))
  tag=$(sed -n 's/^ETag: //p' h.txt)
  [ -n "$tag" ] || fail "/$name: no ETag"
  code=$(curl -s -o /dev/null -w '%{http_code}' -H "If-None-Match: $tag" "http://127.0.0.1:$PORT/$name")
  [ "$code" = 304 ] || fail "/$name with its tag: $code"
done
echo "the web app as sent: $total bytes"
grep -q '<script type="module" src="app.js"></script>' <(curl -s "http://127.0.0.1:$PORT/") || fail "the page loads no module"
while IFS='|' read -r path want; do
  code=$(curl -s --path-as-is -o /dev/null -w '%{http_code}' "http://127.0.0.1:$PORT$path")
  [ "$code" = "$want" ] || fail "GET $path: $code, not $want"
done <<'CASES'
/nothing.html|404
/web/|404
/../../../etc/passwd|400
/%2e%2e/%2e%2e/etc/passwd|400
/..%2f..%2fetc%2fpasswd|400
/%5c..%5cetc|400
/%|400
CASES
code=$(curl -s -X POST -o /dev/null -w '%{http_code}' "http://127.0.0.1:$PORT/")
[ "$code" = 405 ] || fail "POST: $code"

# A page-like client: the token only in the subprotocol header; the volume read and changed.
python3 - "$PORT" "$TOKEN" > ws.txt 2>&1 <<'PY' || { cat ws.txt; fail "the WebSocket client"; }
import base64, json, os, socket, struct, sys, time
port, token = int(sys.argv[1]), sys.argv[2]

def connect(protocols):
    s = socket.create_connection(("127.0.0.1", port), timeout=10)
    key = base64.b64encode(os.urandom(16)).decode()
    s.sendall(("GET / HTTP/1.1\r\nHost: 127.0.0.1:%d\r\nOrigin: http://127.0.0.1:%d\r\n"
               "Upgrade: websocket\r\nConnection: Upgrade\r\nSec-WebSocket-Key: %s\r\n"
               "Sec-WebSocket-Version: 13\r\nSec-WebSocket-Protocol: %s\r\n\r\n"
               % (port, port, key, protocols)).encode())
    head = b""
    while b"\r\n\r\n" not in head:
        chunk = s.recv(1)
        if not chunk:
            break
        head += chunk
    return s, head.decode()

def call(s, id, method, params):
    data = json.dumps({"jsonrpc": "2.0", "id": id, "method": method, "params": params}).encode()
    mask = os.urandom(4)
    s.sendall(bytes([0x81, 0x80 | len(data)]) + mask + bytes(b ^ mask[i % 4] for i, b in enumerate(data)))
    while True:
        first, length = s.recv(1)[0], s.recv(1)[0] & 0x7F
        if length == 126:
            length = struct.unpack(">H", s.recv(2))[0]
        body = b""
        while len(body) < length:
            body += s.recv(length - len(body))
        message = json.loads(body)
        if message.get("id") == id:
            return message

s, head = connect("vortella, vortella.token." + token)
assert head.startswith("HTTP/1.1 101 "), head
assert "\r\nSec-WebSocket-Protocol: vortella\r\n" in head, head
assert token not in head, head
# Until the owner has read the unit once, there is no value to give.
for attempt in range(100):
    answer = call(s, 1 + attempt, "get", {"address": 257})
    if "result" in answer:
        break
    time.sleep(0.1)
assert "result" in answer, answer
answer = call(s, 1000, "set", {"address": 257, "value": 500})
assert answer.get("result") == {"address": 257, "value": 500}, answer
wrong, head = connect("vortella, vortella.token." + "0" * 64)
assert head.startswith("HTTP/1.1 401 "), head
print("ok")
PY
grep -q "^ok$" ws.txt || fail "the WebSocket client: $(cat ws.txt)"
"$CLI" --simulate dump > dump.txt 2> err.txt || fail "dump: exit $?"
grep -q '\[1,1,500\]' dump.txt || fail "the volume set by the page is not in the unit"
echo "PASS"
