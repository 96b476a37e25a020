#!/usr/bin/env bash
# Starts the window in a working folder of its own (BUILD/run, or the folder given second). On
# the first start that folder gets a small sample season of boxscores, an empty web folder with
# a style sheet, and a settings file pointing at both, so the window opens on real game days.
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
run="${2:-$build/run}"
mkdir -p "$run"
run=$(cd "$run" && pwd)
if [ ! -f "$run/DOD_box.txt" ]; then
  if [ ! -d "$run/sample-boxes" ]; then
    "$build/tools/gamefold-sample-season" --days 14 "$run/sample-boxes"
  fi
  mkdir -p "$run/web"
  cp "$(dirname "$0")/sample/vuzad.css" "$run/web/vuzad.css"
  printf 'IPF %s\r\nOPF %s\r\nSEL 1 - Boxscores only\r\n' "$run/sample-boxes" "$run/web" \
    > "$run/DOD_box.txt"
fi
cd "$run"
exec "$build/src/app/gamefold"
