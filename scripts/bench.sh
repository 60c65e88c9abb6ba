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
. "$root/scripts/common.sh"
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
# Both Windows builds: the end-to-end program brands a vendor's pair from
# them for the installer's start.
for preset in bench win32 win64 host; do
  step cmake --preset "$preset"
  step cmake --build --preset "$preset" -j "$jobs"
done
step cmake --build --preset e2e -j "$jobs"

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
  build/bench/bench/pixels/pixel_bench 2>/dev/null
  echo

  start_screen 1024x768x24
  echo "## Region from colour key, 1920 x 1080, $bits-bit (best of up to 5 builds)"
  echo
  "$winrun" "build/$windows/bench/frame/region_bench.exe"
  echo
  echo "## The largest picture read from a PNG, 951 x 708, $bits-bit (of 21 reads)"
  echo
  "$winrun" "build/$windows/bench/frame/png_bench.exe"
  stop_screen

  # The launcher's frame and its whole show, at 1024 x 768, full HD and 4K.
  # The program watches the launcher of its own build, built above. Each
  # screen is a process of its own: each appends its key figures to one
  # file, and the screens are compared from it at the end.
  local record
  record=$(mktemp)
  for screen in 1024x768x24 1920x1080x24 3840x2160x24; do
    echo
    start_screen "$screen"
    # Wine's drive Z: is the root of this machine's file system. Each
    # screen also times the launcher's start against the same launcher with
    # its pictures as bitmaps.
    "$winrun" "build/$windows/bench/frame/frame_bench.exe" --record "Z:${record//\//\\}" \
      --against "Z:${root//\//\\}\\build\\$windows\\bench\\frame\\orveline_bitmaps.exe"
    stop_screen
  done
  echo
  compare_screens "$record"
  rm -f "$record"

  # The installer's start with and without --until-window, watched from
  # outside by the end-to-end program, which starts its own screen.
  record=$(mktemp)
  echo
  ORVELINE_E2E_BUILD="$root/build/$windows" ORVELINE_BENCH_RECORD="$record" \
    build/host/tests/e2e/e2e_tests --gtest_also_run_disabled_tests \
    --gtest_filter='*DISABLED_UncoveredTime*' >/dev/null || echo "(the uncovered-time benchmark failed)"
  cat "$record"
  rm -f "$record"
}

# The lines frame_bench appended: width, height, the frame (median ms, the
# block form, then the whole-screen form), the first visible frame and the
# launcher's end (ms after CreateProcess; -1 when not seen).
compare_screens() {
  awk '
    { w[$1 "x" $2] = $1; frame[$1 "x" $2] = $3; old[$1 "x" $2] = $4
      start[$1 "x" $2] = $5; end[$1 "x" $2] = $6 }
    END {
      small = "1024x768"; big = "3840x2160"
      print "## The frame and the show across screen sizes, '"$bits"'-bit under Wine"
      print ""
      print "Each screen measured by its own run of frame_bench above; ms."
      print ""
      print "| screen | frame, the block | frame, whole screen (reference) | process start to first visible frame | process start to the launcher'"'"'s end |"
      print "|---|---:|---:|---:|---:|"
      for (s in w) order[++n] = s
      for (i = 1; i <= n; ++i) for (j = i + 1; j <= n; ++j)
        if (w[order[j]] < w[order[i]]) { t = order[i]; order[i] = order[j]; order[j] = t }
      for (i = 1; i <= n; ++i) {
        s = order[i]
        printf "| %s | %.3f | %.3f | %.1f | %.1f |\n", s, frame[s], old[s], start[s], end[s]
      }
      print ""
      if (!(small in w) || !(big in w)) { print "(A screen is missing: nothing compared.)"; exit }
      r = frame[big] / frame[small]
      printf "- The frame at 3840 x 2160 over the frame at 1024 x 768: %.2f (the whole-screen form: %.2f). Target, at most 1.2: %s.\n", r, old[big] / old[small], r <= 1.2 ? "met" : "NOT met"
      printf "- The frame at 3840 x 2160: %.3f ms. Target, under 1 ms: %s.\n", frame[big], frame[big] < 1 ? "met" : "NOT met"
      if (end[big] < 0 || end[small] < 0) print "- The launcher'"'"'s whole run: not seen at both sizes."
      else {
        d = end[big] - end[small]
        printf "- The launcher'"'"'s whole run, 3840 x 2160 against 1024 x 768: %.0f ms against %.0f ms, %+.0f ms. Target, at most 300 ms: %s.\n", end[big], end[small], d, d <= 300 ? "met" : "NOT met"
      }
      if (start[big] >= 0 && start[small] >= 0)
        printf "- The start, to the first visible frame: %.0f ms at 3840 x 2160, %.0f ms at 1024 x 768 (%+.0f ms).\n", start[big], start[small], start[big] - start[small]
    }' "$1"
}

mkdir -p "$(dirname "$out")"
# Not through a pipe: the benchmarks stay in this shell, where the trap can
# stop their display and Wine server.
run_all > >(tee "$out")
wait $!
echo "Written to $out" >&2
