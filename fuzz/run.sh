#!/usr/bin/env bash
# Runs every fuzz target of build-fuzz for SECONDS (default 60) each, one after the other: first
# over the findings kept in tests/data/fuzz-regressions, then fuzzing from a copy of its seed
# corpus in build-fuzz, so that what a run learns never grows the repository's corpus.
# Inputs that break a target are saved in build-fuzz/findings/<target>/. Usage:
#   fuzz/run.sh [SECONDS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=(core_fuzz boxscore_fuzz catalogue_fuzz settings_fuzz index_fuzz)
fi
build=build-fuzz

for target in "${targets[@]}"; do
  program="$build/fuzz/$target"
  corpus="$build/corpus/$target"
  findings="$build/findings/$target"
  mkdir -p "$corpus" "$findings"
  cp -n fuzz/corpus/"$target"/* "$corpus"/
  shopt -s nullglob
  regressions=(tests/data/fuzz-regressions/"$target"/*)
  shopt -u nullglob
  if [ ${#regressions[@]} -gt 0 ]; then
    echo "== $target: ${#regressions[@]} kept findings"
    "$program" "${regressions[@]}" > "$findings/regressions.log" 2>&1 ||
      { cat "$findings/regressions.log"; exit 1; }
  fi
  options=()
  if [ -f "fuzz/$target.dict" ]; then options+=(-dict="fuzz/$target.dict"); fi
  echo "== $target: $seconds s"
  # One process at a time: the machine's cores are shared.
  "$program" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$findings/" ${options[@]+"${options[@]}"} "$corpus"
done
