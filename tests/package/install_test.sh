#!/usr/bin/env bash
# Installs the built Debian package with dpkg, runs both programs from /usr/bin (the window under
# Xvfb until its link label reads "Device Connected"), removes the package and checks that none of
# its files is left. Needs root; skips otherwise.
set -uo pipefail
deb="${1:?usage: install_test.sh PACKAGE.deb}"
fail() { echo "FAIL: $*"; exit 1; }

if [ "$(id -u)" -ne 0 ]; then
  echo "SKIP: the package install test needs root (dpkg -i); run scripts/test as root to include it"
  exit 0
fi
if dpkg-query -W -f='${Status}' vortella 2>/dev/null | grep -q 'install ok installed'; then
  echo "SKIP: a vortella package is already installed here; the test leaves it alone"
  exit 0
fi
[ -f "$deb" ] || fail "no package at $deb"

work=$(mktemp -d)
cleanup() {
  dpkg -r vortella >/dev/null 2>&1
  dpkg --purge vortella >/dev/null 2>&1
  rm -rf "$work"
}
trap cleanup EXIT

version=$(dpkg-deb -f "$deb" Version)
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { sub(/^\./, "", $6); print $6 }' > "$work/files"
[ -s "$work/files" ] || fail "the package lists no files"

dpkg -i "$deb" > "$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log"; fail "dpkg -i"; }

[ "$(/usr/bin/vortella-cli --version)" = "vortella-cli $version" ] ||
  fail "vortella-cli --version: $(/usr/bin/vortella-cli --version)"
[ "$(/usr/bin/vortella --version)" = "vortella $version" ] ||
  fail "vortella --version: $(/usr/bin/vortella --version)"
/usr/bin/vortella --bogus > /dev/null 2> "$work/bogus.err"
[ $? -eq 1 ] && grep -q "^Usage: vortella" "$work/bogus.err" || fail "vortella --bogus: usage line, status 1"
/usr/bin/vortella-cli --simulate dump > "$work/dump.json" 2> "$work/dump.err" ||
  fail "vortella-cli --simulate dump: $(tail -3 "$work/dump.err")"
case "$(cat "$work/dump.json")" in '{"slots":[[0,0,'*']]}') ;; *) fail "dump: not the slot list" ;; esac

# The window with the simulated unit; --log-link echoes its link label on the error stream. Its
# control service listens in a folder of its own, so it owns the unit rather than join an owner.
mkdir -p "$work/home" && mkdir -m 700 "$work/run"
HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_RUNTIME_DIR="$work/run" \
  xvfb-run -a -s "-screen 0 1280x800x24" \
  bash -c '
    /usr/bin/vortella --simulate --log-link 2> "$1" &
    pid=$!
    for _ in $(seq 1 120); do
      grep -qx "link: Device Connected" "$1" && break
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.5
    done
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    true' _ "$work/window.log"
grep -qx "link: Device Connected" "$work/window.log" ||
  fail "the window did not reach Device Connected: $(tail -5 "$work/window.log")"

dpkg -r vortella > "$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log"; fail "dpkg -r"; }
left=$(while read -r f; do [ -e "$f" ] && echo "$f"; done < "$work/files")
[ -z "$left" ] || fail "left behind after dpkg -r: $left"
[ ! -e /usr/share/doc/vortella ] || fail "left behind: /usr/share/doc/vortella"
echo "PASS: installed, ran both programs from /usr/bin and removed $(basename "$deb")"
