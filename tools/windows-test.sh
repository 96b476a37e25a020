#!/usr/bin/env bash
# Runs the Windows build's tests under Wine, then compares gamefold-batch.exe's pages with the
# Linux build's. Usage: tools/windows-test.sh WINDOWS_BUILD LINUX_BUILD
set -euo pipefail
windows_build=$(cd "$1" && pwd)
linux_build=$(cd "$2" && pwd)
here=$(cd "$(dirname "$0")/.." && pwd)

# The Wine prefix lives in the build folder: nothing of the user's home is touched, and
# `make clean` removes it. No Mono or Gecko prompt: the programs need neither.
export WINEPREFIX="$windows_build/wine-prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64
# Wine reads the command line's bytes in the locale's character set: UTF-8 for the non-ASCII
# folder names of the comparison.
export LC_ALL=C.UTF-8

started=$SECONDS
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "Creating the Wine prefix in $WINEPREFIX"
  wineboot --init >/dev/null 2>&1 || true
  # Its server lingers a moment after: let it end, so that the one below is ours.
  wineserver --wait || true
fi
# One Wine session for the whole run: a command interpreter reading from a pipe that stays
# open keeps the server and Wine's own services up. Otherwise every test starts them anew, and
# ctest, which waits for everything that holds a test's output, waits for them to time out.
wineserver --persistent=60 2>/dev/null || true
keep_open="$windows_build/wine-session"
rm -f "$keep_open"
mkfifo "$keep_open"
wine cmd.exe <"$keep_open" >/dev/null 2>&1 &
exec 3>"$keep_open"
# Closing the pipe ends the interpreter; the server of this prefix, and only it, ends with it.
trap 'exec 3>&-; wineserver --kill >/dev/null 2>&1 || true; rm -f "$keep_open"' EXIT
wine cmd.exe /c exit >/dev/null 2>&1
echo "Wine ready in $((SECONDS - started)) s"

ctest --test-dir "$windows_build" --output-on-failure
"$here/tests/windows/compare_batch.sh" \
  "$linux_build/src/batch/gamefold-batch" "$linux_build/tools/gamefold-sample-season" \
  "$windows_build/src/batch/gamefold-batch.exe" "$windows_build/compare"
echo "Windows tests done in $((SECONDS - started)) s"
