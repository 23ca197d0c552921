#!/usr/bin/env bash
# Checks a built package with Debian's tools: lintian (no error, no warning), and the desktop
# entry and AppStream metainfo it installs. Exits 77 when a tool is missing.
#   scripts/check-package.sh PACKAGE.deb
set -euo pipefail

deb="$1"
for tool in lintian desktop-file-validate appstreamcli; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "$tool is not installed (see TEST_PACKAGES in scripts/common.sh)" >&2
        exit 77
    fi
done
root="$(mktemp -d)"
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"
desktop-file-validate "$root"/usr/share/applications/*.desktop
appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml
lintian --fail-on error,warning "$deb"
