#!/usr/bin/env bash
# The device commands give the same output and exit status whether vortella-cli reaches the
# simulated unit itself or through the control service of `vortella-cli serve --simulate`; a
# second `serve` is refused and names the first; the service goes when its owner ends.
set -u
CLI="$1"
WORK="$2"
rm -rf "$WORK" && mkdir -p "$WORK" && cd "$WORK"
export LC_ALL=C XDG_CONFIG_HOME="$WORK/config"
mkdir -m 700 -p "$WORK/direct-run" "$WORK/served-run" direct served
fail() { echo "FAIL: $*"; for f in err.txt serve.log; do [ -s "$f" ] && sed "s/^/  $f: /" "$f" | tail -8; done; exit 1; }

XDG_RUNTIME_DIR="$WORK/served-run" "$CLI" --simulate serve 2> serve.log &
SERVE=$!
trap 'kill $SERVE 2>/dev/null; wait $SERVE 2>/dev/null' EXIT
for _ in $(seq 100); do [ -S "$WORK/served-run/vortella/control" ] && break; sleep 0.1; done
[ -S "$WORK/served-run/vortella/control" ] || fail "serve did not listen"
[ "$(stat -c %a "$WORK/served-run/vortella")" = 700 ] || fail "the endpoint folder is not 0700"
[ "$(stat -c %a "$WORK/served-run/vortella/control")" = 600 ] || fail "the socket is not 0600"

# One owner per user: a second serve is refused with the first one's pid.
XDG_RUNTIME_DIR="$WORK/served-run" timeout 20 "$CLI" --simulate serve > out.txt 2> err.txt
[ $? -eq 3 ] || fail "a second serve exits 3"
grep -q "already served by vortella-cli serve (pid $SERVE)" err.txt || fail "second serve: $(cat err.txt)"

# Fixtures: a preset with a changed band, and a filter list.
XDG_RUNTIME_DIR="$WORK/direct-run" "$CLI" --simulate set 0x0105 300 then save p.Nddt > /dev/null 2> err.txt ||
  fail "making the preset"
cat > room.txt <<'TXT'
Filter 1: ON PK Fc 125 Hz Gain -3.5 dB Q 1.41
Filter 2: ON LSC Fc 80 Hz Gain 4 dB Q 0.71
TXT

# Every case starts from the factory settings, so that the unit of each run (a fresh simulated
# unit when direct, the served one otherwise) holds the same image. Fields: expected status | words.
cases=$(cat <<'TXT'
0|factory then dump
0|factory then set 0x0105 300 then dump
0|factory then set 261 0x12C then set 0x0201 1 then dump
0|factory then save -
0|factory then set 0x0105 250 then save out
0|factory then load ../p.Nddt then dump
0|factory then set 0x0105 123 then store then set 0x0105 7 then restore then dump
0|factory then set 0x0105 123 then store then factory then dump
0|factory then eq export --channel aux
0|eq fit ../room.txt --apply
0|factory then eq fit ../room.txt --channel aux --apply
2|set 0x9999 1
2|set 0x0105 70000
2|load ../missing.Nddt
4|factory then save /proc/version/x
TXT
)
n=0
while IFS='|' read -r status words; do
  n=$((n + 1))
  # "eq ..." runs as its own command after the chain before it.
  chain=${words%%eq *}; eq=""; [ "$chain" != "$words" ] && eq="eq ${words#*eq }"
  chain=${chain% then }; chain=${chain% }
  for way in direct served; do
    (
      cd "$way" && export XDG_RUNTIME_DIR="$WORK/$way-run"
      rc=0
      if [ -n "$chain" ]; then
        # shellcheck disable=SC2086
        "$CLI" --simulate $chain > "../$way.$n.out" 2> "../$way.$n.err" || rc=$?
      else
        : > "../$way.$n.out"; : > "../$way.$n.err"
      fi
      if [ -n "$eq" ] && [ $rc -eq 0 ]; then
        # shellcheck disable=SC2086
        "$CLI" --simulate $eq >> "../$way.$n.out" 2>> "../$way.$n.err" || rc=$?
      fi
      echo $rc > "../$way.$n.rc"
    )
  done
  [ "$(cat direct.$n.rc)" = "$status" ] || { cp direct.$n.err err.txt; fail "case $n ($words): direct exit $(cat direct.$n.rc), expected $status"; }
  [ "$(cat served.$n.rc)" = "$status" ] || { cp served.$n.err err.txt; fail "case $n ($words): served exit $(cat served.$n.rc), expected $status"; }
  cmp -s direct.$n.out served.$n.out || { diff direct.$n.out served.$n.out | head -5; fail "case $n ($words): outputs differ"; }
  # The served run went through the owner (bad input is refused before anyone is asked).
  if [ "$status" != 2 ]; then
    grep -q "through the control service of vortella-cli serve (pid $SERVE)" served.$n.err ||
      { cp served.$n.err err.txt; fail "case $n ($words): not through the service"; }
    ! grep -q "through the control service" direct.$n.err || fail "case $n: the direct run used a service"
  fi
done <<< "$cases"
[ -s direct.1.out ] || fail "the dump printed nothing"
cmp -s direct/out.Nddt served/out.Nddt || fail "save FILE: the files differ"

# A command without --simulate finds no unit while the owner serves only the simulated one: it
# says so and names the owner, and goes on failing as before. (Only where no unit is plugged in.)
if ! grep -qsi 'HID_ID=0003:00000483:0000690E' /sys/class/hidraw/*/device/uevent; then
  note="vortella-cli: no unit was found; vortella-cli serve (pid $SERVE) serves the simulated unit, which --simulate reaches"
  XDG_RUNTIME_DIR="$WORK/served-run" "$CLI" --timeout 5 dump > out.txt 2> err.txt
  [ $? -eq 3 ] || fail "dump without --simulate and without a unit exits 3"
  grep -qx "vortella-cli: connecting failed: Offline" err.txt || fail "dump without a unit: the reason"
  grep -qxF "$note" err.txt || fail "dump without a unit: no word of the simulated owner"
  ! grep -q "through the control service" err.txt || fail "dump without --simulate used the simulated owner"
  XDG_RUNTIME_DIR="$WORK/served-run" "$CLI" devices > out.txt 2> err.txt || fail "devices exit $?"
  [ ! -s out.txt ] || fail "devices listed a unit: $(cat out.txt)"
  grep -qxF "$note" err.txt || fail "devices without a unit: no word of the simulated owner"
  # A private runtime folder with no owner: no such line.
  XDG_RUNTIME_DIR="$WORK/direct-run" "$CLI" --timeout 5 dump > out.txt 2> err.txt
  ! grep -q "simulated unit" err.txt || fail "a note without an owner"
fi

# With the owner gone, the socket goes and the command line reaches the unit itself again.
kill $SERVE; wait $SERVE 2>/dev/null
trap - EXIT
[ ! -e "$WORK/served-run/vortella/control" ] || fail "the socket outlived its owner"
XDG_RUNTIME_DIR="$WORK/served-run" "$CLI" --simulate dump > out.txt 2> err.txt || fail "direct after serve"
! grep -q "through the control service" err.txt || fail "a gone owner was used"
echo "ok: $n cases the same both ways"
