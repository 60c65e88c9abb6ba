#!/usr/bin/env bash
# Runs the launcher: installs what is missing, builds orveline.exe, and runs
# the show under Wine, on your X display when there is one, otherwise on a
# virtual screen with a generated desktop. The 32-bit program is shown where
# this machine runs 32-bit programs, else the 64-bit one (scripts/machine.sh
# tells). A demo program stands in for setup.exe. Screenshots of the show
# (its first frame, the hold and its last frame) are saved as PNG files in
# build/run/.
#
#   ./scripts/run.sh [COMMAND LINE]    the command line is passed to
#                                      orveline.exe (default: none, so it
#                                      starts setup.exe)
set -uo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/common.sh"
cd "$root"

# Every way out says what went wrong and what to do about it.
"$root/scripts/setup.sh" ||
  die "installing the packages it needs failed (see above)." \
      "Run it as root (or with sudo) on Debian 12, with the package archive reachable."
. "$root/scripts/xdisplay.sh"
. "$root/scripts/machine.sh"
probe_32bit || die "cannot tell whether this machine runs 32-bit programs"

if [ "$runs_32bit" = yes ]; then
  preset=win32
  echo "run: showing the 32-bit orveline.exe: this machine runs 32-bit programs"
else
  preset=win64
  echo "run: showing the 64-bit orveline.exe (shipped as orveline64.exe): this machine" \
       "cannot run 32-bit programs ($why_not_32bit)"
fi

jobs=$(nproc 2>/dev/null || echo 2)
for p in host "$preset"; do
  echo "run: building build/$p (its output shows only if it fails)"
  quietly cmake --preset "$p" && quietly cmake --build --preset "$p" -j "$jobs" ||
    die "building the $p configuration failed (its output is above)." \
        "Run scripts/setup.sh again if a tool is missing; otherwise remove build/$p and retry."
done

winrun="$root/build/$preset/wine-run.sh"
watch="$root/build/host/testing/watch/watch_show"
run="$root/build/run"
rm -rf "$run"
mkdir -p "$run"
cp "build/$preset/launcher/orveline.exe" "build/$preset/testing/setup/setup.exe" "$run/" ||
  die "cannot copy the programs into $run." "Check that the disk is not full and the folder is writable."

cleanup() {
  "$winrun" --stop-server >/dev/null 2>&1 || true
  stop_display
}
trap cleanup EXIT

desktop=()
if [ -n "${DISPLAY:-}" ] && "$watch" --probe; then
  echo "run: showing on your display $DISPLAY"
else
  start_display 1024x768x24 ||
    die "could not start a virtual X screen (Xvfb)." "Run scripts/setup.sh, or set DISPLAY to a running X server."
  desktop=(--desktop)
  echo "run: no X display to show on; using a virtual 1024 x 768 screen ($DISPLAY)"
fi
echo "run: starting Wine"
"$winrun" --start-server ||
  die "Wine could not start (its server or its prefix in build/$preset/wineprefix)." \
      "Remove build/$preset/wineprefix and retry; set ORVELINE_RUNS_32BIT=no to use the 64-bit program."

if [ $# -gt 0 ]; then
  echo "run: orveline.exe $*"
else
  echo "run: orveline.exe, with no command line: it starts setup.exe (the demo)"
fi
cd "$run"
"$watch" "${desktop[@]}" "$run" "$winrun" orveline.exe "$@"
status=$?

# The next program runs on its own: give it a moment to record its start.
for _ in $(seq 100); do
  [ -f started.txt ] && break
  sleep 0.1
done
echo
if [ -f started.txt ]; then
  { read -r path; read -r line; } <started.txt
  echo "The next program was started: $path"
  echo "  with the command line: $line"
else
  echo "The next program did not report a start (no $run/started.txt)."
  [ $# -gt 0 ] && echo "  (only the demo setup.exe reports; your command was: $*)"
fi
echo "Screenshots of the show are in $run/ (first-frame.png, hold.png, last-frame.png)."
[ "$status" -eq 0 ] ||
  die "the show did not end as it should (watch_show said why above; status $status)." \
      "Check that the screen is 24-bit and that Wine runs: build/$preset/wine-run.sh --start-server."
