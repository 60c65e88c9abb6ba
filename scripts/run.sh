#!/usr/bin/env bash
# Runs the launcher: installs what is missing, builds orveline.exe, and runs
# the show under Wine, on your X display when there is one, otherwise on a
# virtual screen with a generated desktop. A demo program stands in for
# setup.exe. Screenshots of the show (its first frame, the hold and its last
# frame) are saved as PNG files in build/run/.
#
#   ./scripts/run.sh [COMMAND LINE]    the command line is passed to
#                                      orveline.exe (default: none, so it
#                                      starts setup.exe)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
"$root/scripts/setup.sh"
. "$root/scripts/xdisplay.sh"

jobs=$(nproc 2>/dev/null || echo 2)
for preset in host win32; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs" >/dev/null
done

winrun="$root/build/win32/wine-run.sh"
watch="$root/build/host/tools/watch_show"
run="$root/build/run"
rm -rf "$run"
mkdir -p "$run"
cp build/win32/launcher/orveline.exe build/win32/tools/setup.exe "$run/"

cleanup() {
  "$winrun" --stop-server >/dev/null 2>&1 || true
  stop_display
}
trap cleanup EXIT

desktop=()
if [ -n "${DISPLAY:-}" ] && "$watch" --probe; then
  echo "run: showing on your display $DISPLAY"
else
  start_display 1024x768x24
  desktop=(--desktop)
  echo "run: no X display to show on; using a virtual 1024 x 768 screen ($DISPLAY)"
fi
"$winrun" --start-server

if [ $# -gt 0 ]; then
  echo "run: orveline.exe $*"
else
  echo "run: orveline.exe, with no command line: it starts setup.exe (the demo)"
fi
cd "$run"
"$watch" "${desktop[@]}" "$run" "$winrun" orveline.exe "$@" || status=$?

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
exit "${status:-0}"
