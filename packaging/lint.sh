#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# The packaging check: lintian on the built Debian packages, failing on any error or warning,
# and desktop-file-validate on the desktop entry they ship, failing on any output at all.
#
# Usage: packaging/lint.sh PACKAGE.deb...
# The maintainer address is whoever distributes the packages to set (-DORVANE_MAINTAINER=...);
# while it is the placeholder at orvane.invalid, only the tags about that address are let through.
set -euo pipefail
[ $# -gt 0 ] || { echo "usage: packaging/lint.sh PACKAGE.deb..." >&2; exit 2; }

suppress=()
for deb in "$@"; do
  if dpkg-deb -f "$deb" Maintainer | grep -q '@orvane\.invalid>'; then
    suppress=(--suppress-tags bogus-mail-host,bogus-mail-host-in-debian-changelog)
    echo "lint: the maintainer is the placeholder address; lintian tags about it are not counted"
    break
  fi
done

# --pedantic lists the hardening and style hints as well; only errors and warnings fail.
lintian --fail-on error,warning --pedantic --info "${suppress[@]}" "$@"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
for deb in "$@"; do
  dpkg-deb -x "$deb" "$work"
done
for entry in "$work"/usr/share/applications/*.desktop; do
  [ -e "$entry" ] || continue
  out=$(desktop-file-validate "$entry" 2>&1) || status=1
  if [ -n "$out" ]; then
    echo "$out"
    status=1
  fi
done
[ "$status" = 0 ] && echo "lint: $# packages clean"
exit "$status"
