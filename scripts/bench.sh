#!/usr/bin/env bash
# Runs the benchmarks: installs what is missing, builds the 32-bit Windows
# build and runs its benchmark programs under Wine on a private X display.
# Each prints a Markdown table on standard output.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
"$root/scripts/setup.sh"
. "$root/scripts/xdisplay.sh"

cmake --preset win32 >/dev/null
cmake --build --preset win32 -j "$(nproc 2>/dev/null || echo 2)" >/dev/null

winrun="$root/build/win32/wine-run.sh"
trap '"$winrun" --stop-server >/dev/null 2>&1; stop_display' EXIT
start_display
"$winrun" --start-server

echo "## Region from colour key, 1920 x 1080, 32-bit (best of up to 5 builds)"
echo
"$winrun" build/win32/bench/region_bench.exe
