#!/usr/bin/env bash
# Checks that both programs in the Debian package carry the hardening Debian asks of them: bound
# at load time (BIND_NOW) behind a read-only relocation segment (GNU_RELRO), position-independent,
# with fortified libc calls (__*_chk) and the stack protector (__stack_chk_fail); and that lintian
# reports none of its hardening tags for the package.
set -uo pipefail
deb="${1:?usage: hardening_test.sh PACKAGE.deb}"
source "$(dirname "$0")/unpacked.sh"

for program in vortella vortella-cli; do
  binary="$work/root/usr/bin/$program"
  if [ ! -f "$binary" ]; then
    fail "$program is not in the package"
    continue
  fi
  dynamic=$(readelf -dW "$binary")
  grep -Eq '\(FLAGS\) .*BIND_NOW|\(FLAGS_1\) .*[ :]NOW' <<<"$dynamic" ||
    fail "$program: no BIND_NOW (not linked with -z now)"
  grep -Eq '\(FLAGS_1\) .*PIE' <<<"$dynamic" || fail "$program: not a position-independent executable"
  readelf -lW "$binary" | grep -q 'GNU_RELRO' || fail "$program: no GNU_RELRO segment (-z relro)"
  symbols=$(nm -D "$binary")
  grep -Eq ' U __[a-z0-9_]+_chk(@|$)' <<<"$symbols" ||
    fail "$program: no fortified call (__*_chk; built without _FORTIFY_SOURCE)"
  grep -Eq ' U __stack_chk_fail(@|$)' <<<"$symbols" ||
    fail "$program: no stack protector (__stack_chk_fail)"
done

if command -v lintian >/dev/null; then
  tags=$(lintian -I -T hardening-no-bindnow,hardening-no-fortify-functions,hardening-no-pie,hardening-no-relro \
    "$deb" 2>/dev/null)
  [ -z "$tags" ] || fail "lintian: $tags"
else
  echo "SKIP: lintian is not installed; its hardening tags are not checked"
fi

[ "$failed" -eq 0 ] || exit 1
echo "PASS: both programs are hardened (BIND_NOW, RELRO, PIE, fortified calls, stack protector)"
