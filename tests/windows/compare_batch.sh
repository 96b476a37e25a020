#!/usr/bin/env bash
# Runs gamefold-batch.exe under Wine and the Linux gamefold-batch on the same generated season
# and checks that they write the same bytes: every page of the three content choices, the index,
# pages written again over existing ones, boxscores holding Ctrl-Z, lone CR and Latin-1 bytes,
# and folders with a non-ASCII name given with either separator. Also compares what `list`
# prints and the counts on standard error.
# Usage: compare_batch.sh LINUX_BATCH SAMPLE_SEASON WINDOWS_BATCH WORK_FOLDER
set -euo pipefail
linux_batch=$1
sample_season=$2
windows_batch=$3
work=$4

rm -rf "$work"
mkdir -p "$work"
checks=0
failures=0

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# The Windows form of a path, with a drive letter and backslashes.
windows_path() { winepath -w "$1"; }

linux() { "$linux_batch" "$@"; }
windows() { wine "$windows_batch" "$@"; }

# Same files, same names, same bytes. On Windows the output folder's lock file stays after a
# run (a waiter may hold it open), hidden; on Linux it goes with the run.
same_folders() {
  checks=$((checks + 1))
  if ! diff -r -x .gamefold.lock "$1" "$2" >"$work/diff.txt" 2>&1; then
    fail "$3: $(head -c 600 "$work/diff.txt")"
  fi
}

same_files() {
  checks=$((checks + 1))
  if ! cmp -s "$1" "$2"; then fail "$3: $(cmp "$1" "$2" 2>&1 | head -c 300)"; fi
}

# The season, and a day of boxscores that text mode or a code page would damage.
season="$work/season"
"$sample_season" --days 14 "$season" >/dev/null
python3 - "$season" <<'EOF'
import pathlib, sys
season = pathlib.Path(sys.argv[1])
text = (season / "2008040100001.BOX").read_bytes()
lines = text.split(b"\r\n")
middle = len(lines) // 2
# Ctrl-Z ended reads in text mode: one in the middle of a line and one as the last byte.
ctrl_z = lines[:]
ctrl_z[middle] = ctrl_z[middle][:10] + b"\x1a" + ctrl_z[middle][10:]
(season / "2008041500001.BOX").write_bytes(b"\r\n".join(ctrl_z) + b"\x1a")
# Lone CRs, a lone LF, and a last line with no line end at all.
lone = b"\r\n".join(lines[:middle]) + b"\r" + b"\r".join(lines[middle:middle + 5]) + b"\n"
(season / "2008041500002.BOX").write_bytes(lone + b"\r\n".join(lines[middle + 5:]).rstrip())
# Latin-1 bytes, which are no UTF-8, in the game's teams and text.
latin = text.replace(b"a", b"\xe4", 40).replace(b"e", b"\xe9", 40)
(season / "2008041500003.BOX").write_bytes(latin + b"Caf\xe9 \xfcber \xa0\xff\r\n")
EOF

elapsed_linux=0
elapsed_windows=0
for content in 1 2 3; do
  out_linux="$work/linux-$content"
  out_windows="$work/windows-$content"
  mkdir -p "$out_linux" "$out_windows"
  # The site's style sheet, so that standard error holds the counts alone (no warning naming a
  # folder, which each system writes its own way).
  : >"$out_linux/vuzad.css"
  : >"$out_windows/vuzad.css"
  in_w=$(windows_path "$season")
  out_w=$(windows_path "$out_windows")

  linux list "$season" "$out_linux" >"$work/list-linux" 2>/dev/null
  windows list "$in_w" "$out_w" >"$work/list-windows" 2>/dev/null
  same_files "$work/list-linux" "$work/list-windows" "list, content $content"

  start=$(date +%s%N)
  linux process --content "$content" --index "$season" "$out_linux" 2>"$work/err-linux"
  middle=$(date +%s%N)
  windows process --content "$content" --index "$in_w" "$out_w" 2>"$work/err-windows"
  end=$(date +%s%N)
  elapsed_linux=$((elapsed_linux + middle - start))
  elapsed_windows=$((elapsed_windows + end - middle))
  same_folders "$out_linux" "$out_windows" "process --content $content --index"
  # Standard error is for people and ends lines as the system does.
  tr -d '\r' <"$work/err-windows" >"$work/err-windows-lf"
  same_files "$work/err-linux" "$work/err-windows-lf" "counts of process --content $content"

  # Written again over the existing pages, in an order of the user's, then the index alone.
  linux process --content "$content" "$season" "$out_linux" 20080415 20080401 20080407 2>/dev/null
  windows process --content "$content" "$in_w" "$out_w" 20080415 20080401 20080407 2>/dev/null
  linux index "$out_linux"
  windows index "$out_w"
  same_folders "$out_linux" "$out_windows" "pages written again, content $content"
done

# Folders with a non-ASCII name; the Windows side given with forward slashes.
named="$work/Saison été 2008"
cp -r "$season" "$named"
mkdir -p "$work/Pages ü linux" "$work/Pages ü windows"
linux process --content 3 --index "$named" "$work/Pages ü linux" 2>/dev/null
windows process --content 3 --index "$(windows_path "$named" | tr '\\' /)" \
  "$(windows_path "$work/Pages ü windows")" 2>/dev/null
same_folders "$work/Pages ü linux" "$work/Pages ü windows" "non-ASCII folders"

# A file given as the output folder: the same error number on both.
checks=$((checks + 1))
linux_status=0
windows_status=0
linux process "$season" "$season/2008040100001.BOX" 20080401 2>"$work/err-linux" || linux_status=$?
windows process "$(windows_path "$season")" "$(windows_path "$season/2008040100001.BOX")" 20080401 \
  2>"$work/err-windows" || windows_status=$?
if [ "$linux_status" != 1 ] || [ "$windows_status" != 1 ] ||
  [ "$(cut -d' ' -f1-3 "$work/err-linux")" != "$(cut -d' ' -f1-3 "$work/err-windows")" ]; then
  fail "a file as the output folder: $(cat "$work/err-linux") / $(cat "$work/err-windows")"
fi

# publish: to a folder as on Linux; over the network it says that it is not built in.
checks=$((checks + 1))
site="$work/site windows"
windows publish "$(windows_path "$work/windows-1")" "file:///$(windows_path "$site" | tr '\\' /)" \
  >/dev/null 2>"$work/err-windows" || fail "publish to a folder: $(cat "$work/err-windows")"
same_folders "$work/linux-1" "$site" "publish to a folder"
checks=$((checks + 1))
windows_status=0
windows publish "$(windows_path "$work/windows-1")" sftp://league@127.0.0.1:9/site/ \
  2>"$work/err-windows" || windows_status=$?
if [ "$windows_status" != 1 ] ||
  ! grep -q "built without publishing over the network" "$work/err-windows"; then
  fail "publish over the network on Windows: $(cat "$work/err-windows")"
fi

pages=$(find "$work"/linux-* "$work/Pages ü linux" -name '*.htm' | wc -l)
echo "process --index, 3 content choices over $(ls "$season" | wc -l) boxscores:" \
  "Linux $((elapsed_linux / 1000000)) ms, Wine $((elapsed_windows / 1000000)) ms"
echo "$pages pages of each build compared"
echo "compare_batch: $((checks - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
