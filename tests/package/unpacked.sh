# Sourced by the package checks: `fail` notes a failure in `failed` (the check ends with it), and
# the package named by `deb` is unpacked into "$work/root", removed again when the check ends.
failed=0
fail() {
  echo "FAIL: $*"
  failed=1
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
dpkg-deb -x "$deb" "$work/root" || { echo "FAIL: dpkg-deb -x $deb"; exit 1; }
