#!/usr/bin/env bash
# Checks the package's descriptive files: the changelog's trailer dates the release in RFC 2822
# with its weekday, as `date -R` writes it, and the installed AppStream reads a developer name from
# the metainfo.
set -uo pipefail
deb="${1:?usage: metadata_test.sh PACKAGE.deb}"
source "$(dirname "$0")/unpacked.sh"

changelog="$work/root/usr/share/doc/vortella/changelog.gz"
date=$(zcat "$changelog" | sed -n 's/^ -- .*>  //p' | head -1)
written=$(LC_ALL=C TZ=UTC date -R -d "$date" 2>/dev/null)
if [ -z "$date" ] || [ "$written" != "$date" ]; then
  fail "changelog trailer date '$date' is not as date -R writes it ('$written')"
fi

if command -v appstreamcli >/dev/null; then
  metainfo=("$work"/root/usr/share/metainfo/*.metainfo.xml)
  # DEP-11 YAML is what the AppStream of this system makes of the file.
  appstreamcli convert "${metainfo[0]}" "$work/component.yml" >/dev/null 2>&1 ||
    fail "appstreamcli convert ${metainfo[0]##*/}"
  grep -A1 '^DeveloperName:' "$work/component.yml" | grep -q 'C: .' ||
    fail "this system's AppStream reads no developer name from ${metainfo[0]##*/}"
else
  echo "SKIP: appstreamcli is not installed; the metainfo is not read"
fi

[ "$failed" -eq 0 ] || exit 1
echo "PASS: changelog date and AppStream developer name"
