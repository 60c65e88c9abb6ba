#!/usr/bin/env bash
# Builds the fuzz preset and runs each of its fuzz targets in turn for
# SECONDS (60 unless given) from its seeds, under ASan and UBSan, keeping
# what each finds in build/fuzz/fuzz/found/TARGET. The targets are the ones
# fuzz/CMakeLists.txt declares (it lists them in build/fuzz/fuzz/targets.txt):
# a target added there is run here too. Stops at the first target that
# fails, naming the input that broke it.
set -uo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
. "$root/scripts/common.sh"

seconds=${1:-60}
[[ $seconds =~ ^[1-9][0-9]*$ ]] || die "usage: fuzz.sh [SECONDS], a whole number of seconds for each target"

step cmake --preset fuzz
step cmake --build --preset fuzz -j 2
list=build/fuzz/fuzz/targets.txt
[ -s "$list" ] || die "the fuzz build lists no targets in $list"

while read -r target seeds; do
  found=build/fuzz/fuzz/found/$target
  mkdir -p "$found"
  echo "fuzz: $target for $seconds s"
  # libFuzzer writes the input that failed, if one does, where the prefix
  # says; its whole output is shown only then.
  log=$(mktemp)
  "build/fuzz/fuzz/$target" -max_total_time="$seconds" -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="build/fuzz/fuzz/" "$found" "$seeds" >"$log" 2>&1
  status=$?
  grep -E '^stat::(number_of_executed_units|new_units_added)' "$log"
  if [ "$status" -ne 0 ]; then
    grep -v '^#' "$log" | tail -n 40 >&2
    rm -f "$log"
    die "$target failed (exit $status); the input that broke it is in build/fuzz/fuzz/"
  fi
  rm -f "$log"
done <"$list"
echo "fuzz: every target ran $seconds s without a finding"
