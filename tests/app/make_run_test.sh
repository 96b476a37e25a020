#!/usr/bin/env bash
# What `make run` does on a first start: the sample season, the web folder and the settings are
# made, and the window opens on them (its trace shows the 14 days waiting). The window is left
# running for a few seconds on the offscreen platform, then stopped.
set -euo pipefail
source_dir=$1 build_dir=$2
run=$(mktemp -d)
trap 'rm -rf "$run"' EXIT
status=0
QT_QPA_PLATFORM=offscreen timeout 5 "$source_dir/tools/run-sample.sh" "$build_dir" "$run" || status=$?
# 124: still running when timeout stopped it, as a window waiting for its user is.
[ "$status" -eq 124 ] || { echo "the window ended by itself with status $status"; exit 1; }
ls "$run"/sample-boxes/*.BOX > /dev/null
[ -f "$run/web/vuzad.css" ] || { echo "no style sheet in web/"; exit 1; }
grep -q $'^IPF '"$run"$'/sample-boxes\r$' "$run/DOD_box.txt" || { echo "bad settings"; exit 1; }
grep -q $'14 Days in\r$' "$run/boxtrace.txt" || { echo "the window did not list 14 days"; cat "$run/boxtrace.txt"; exit 1; }
grep -q $' finished load \r$' "$run/boxtrace.txt"
echo "1 passed, 0 failed"
