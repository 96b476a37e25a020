#!/usr/bin/env bash
# Checks the menu entry and the AppStream data as the desktop's tools read them, and that they
# name what is installed: the launcher, the icon and this version.
# Usage: check-data-files.sh DESKTOP_FILE METAINFO_FILE LAUNCHER_PATH VERSION
set -uo pipefail
desktop=$1 metainfo=$2 launcher=$3 version=$4
failed=0
check() {
  if ! "$@"; then
    echo "FAILED: $*" >&2
    failed=1
  fi
}
entry() { sed -n "s/^$1=//p" "$desktop"; }

check desktop-file-validate "$desktop"
check appstreamcli validate --no-net --explain "$metainfo"
check test "$(entry Exec)" = "$launcher"
check test "$(entry Icon)" = gamefold
# The component names its desktop entry by the entry's file name.
check grep -q "<launchable type=\"desktop-id\">$(basename "$desktop")</launchable>" "$metainfo"
# The newest release listed first is the version being built.
newest=$(sed -n 's/.*<release version="\([^"]*\)".*/\1/p' "$metainfo" | head -n 1)
check test "$newest" = "$version"
[ $failed = 0 ] && echo "data files: passed"
exit $failed
