#!/usr/bin/env bash
# Runs every benchmark and writes their results, Markdown tables with the
# ratios that matter, to bench/results.md (or the file given), showing them
# as they come: the pixel routines natively with Google Benchmark, then the
# Windows build's programs under Wine on private X displays: the 32-bit
# build's where this machine runs 32-bit programs, else the 64-bit build's
# (scripts/machine.sh tells). Installs what is missing and builds what it
# needs first.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
out=$(realpath -m "${1:-bench/results.md}")
"$root/scripts/setup.sh"
. "$root/scripts/xdisplay.sh"
. "$root/scripts/machine.sh"
probe_32bit

if [ "$runs_32bit" = yes ]; then
  windows=win32 bits=32
  why="this machine runs 32-bit programs"
else
  windows=win64 bits=64
  why="this machine cannot run 32-bit programs ($why_not_32bit)"
fi
echo "bench: the Wine benchmarks use the $bits-bit build (build/$windows): $why" >&2

jobs=$(nproc 2>/dev/null || echo 2)
cmake --preset bench >/dev/null
cmake --build --preset bench -j "$jobs" >/dev/null
cmake --preset "$windows" >/dev/null
cmake --build --preset "$windows" -j "$jobs" >/dev/null

winrun="$root/build/$windows/wine-run.sh"

# One X display and one Wine server for each screen, both stopped before
# the next: nothing Wine started on one screen lives on into the next.
start_screen() {
  start_display "$1"
  "$winrun" --start-server
}
stop_screen() {
  "$winrun" --stop-server >/dev/null 2>&1 || true
  stop_display
}
trap stop_screen EXIT

run_all() {
  echo "# Orveline benchmark results"
  echo
  echo "Commit $(git describe --always --dirty 2>/dev/null || echo unknown), $(date -u '+%Y-%m-%d %H:%M UTC')."
  echo "Processor: $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1), $(nproc) cores; $(/usr/lib/wine/wine64 --version 2>/dev/null)."
  echo "The Wine benchmarks ran the $bits-bit Windows build: $why."
  echo "Timings from a shared machine: compare figures of one run with each other."
  echo
  # The console table goes to standard error; the summary is the Markdown.
  build/bench/bench/pixel_bench 2>/dev/null
  echo

  start_screen 1024x768x24
  echo "## Region from colour key, 1920 x 1080, $bits-bit (best of up to 5 builds)"
  echo
  "$winrun" "build/$windows/bench/region_bench.exe"
  stop_screen

  # The launcher's frame and its whole show, at full HD and at 4K. The
  # program watches the launcher of its own build, built above.
  for screen in 1920x1080x24 3840x2160x24; do
    echo
    start_screen "$screen"
    "$winrun" "build/$windows/bench/frame_bench.exe"
    stop_screen
  done
}

mkdir -p "$(dirname "$out")"
# Not through a pipe: the benchmarks stay in this shell, where the trap can
# stop their display and Wine server.
run_all > >(tee "$out")
wait $!
echo "Written to $out" >&2
