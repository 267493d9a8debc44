#!/usr/bin/env bash
# Checks the systemd user unit in the Debian package: it is where a user's systemd finds it, runs
# the packaged `vortella-cli serve`, passes `systemd-analyze verify` without a word, and is not
# enabled by the package (no link under a .wants folder, no enabling in the maintainer
# scripts).
set -uo pipefail
deb="${1:?usage: systemd_unit_test.sh PACKAGE.deb}"
source "$(dirname "$0")/unpacked.sh"

unit="$work/root/usr/lib/systemd/user/vortella.service"
if [ ! -f "$unit" ]; then
  fail "no systemd user unit at /usr/lib/systemd/user/vortella.service"
else
  # Key=value lines of the unit, keys as written.
  setting() { sed -n "s/^$1=//p" "$unit"; }
  [ "$(setting Type)" = simple ] || fail "vortella.service: Type=$(setting Type), not simple"
  [ "$(setting Restart)" = on-failure ] || fail "vortella.service: Restart=$(setting Restart)"
  exec_start=$(setting ExecStart)
  [ "$exec_start" = "/usr/bin/vortella-cli serve" ] || fail "vortella.service: ExecStart=$exec_start"
  [ -x "$work/root${exec_start%% *}" ] || fail "vortella.service starts ${exec_start%% *}, not in the package"
  if command -v systemd-analyze >/dev/null; then
    # Verified as a user's systemd reads it, the program taken from the unpacked package. What
    # systemd ignores (an unknown key or value) it only says, so anything said fails the check.
    mkdir -m 700 "$work/runtime"
    sed "s|=/usr/bin/|=$work/root/usr/bin/|" "$unit" >"$work/vortella.service"
    XDG_RUNTIME_DIR="$work/runtime" systemd-analyze --user --man=no verify "$work/vortella.service" \
      >"$work/verify" 2>&1
    if [ $? -ne 0 ] || [ -s "$work/verify" ]; then
      fail "systemd-analyze verify vortella.service: $(cat "$work/verify")"
    fi
  else
    echo "SKIP: systemd-analyze is not installed; the unit is not verified"
  fi
fi

wants=$(find "$work/root" -path '*.wants/*' -name 'vortella*' | sed "s|^$work/root||")
[ -z "$wants" ] || fail "the package enables the unit: $wants"
dpkg-deb -e "$deb" "$work/control" || fail "dpkg-deb -e $deb"
if grep -Eqs 'systemctl|deb-systemd-helper' "$work"/control/post* "$work"/control/pre*; then
  fail "a maintainer script of the package starts or enables a unit"
fi

[ "$failed" -eq 0 ] || exit 1
echo "PASS: the systemd user unit runs the packaged vortella-cli serve and is not enabled"
