#!/usr/bin/env bash
# Runs every test: installs what is missing, then builds and tests the native
# build, the native build under AddressSanitizer and UndefinedBehaviorSanitizer,
# the bitmap loader's fuzz target for a minute, the 32-bit Windows build under
# Wine on a virtual X screen, and then the whole program end to end, watched
# from outside on virtual screens of several sizes. The native benchmark is
# built, not run.
set -uo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
"$root/scripts/setup.sh" || exit 1
. "$root/scripts/xdisplay.sh"

jobs=$(nproc 2>/dev/null || echo 2)
passed=0
failed=0
broken=()
winrun="$root/build/win32/wine-run.sh"

cleanup() {
  [ -x "$winrun" ] && "$winrun" --stop-server >/dev/null 2>&1
  stop_display
}
trap cleanup EXIT

# Configures, builds and tests one preset, adding its CTest counts to the totals.
run_preset() {
  local preset=$1 log
  # The end-to-end tests are built with the native code and drive the
  # Windows build; they start their own screens and wineservers.
  local configure=$preset
  [ "$preset" = e2e ] && configure=host
  echo "=== $preset: build"
  if ! cmake --preset "$configure" >/dev/null || ! cmake --build --preset "$preset" -j "$jobs"; then
    echo "=== $preset: BUILD FAILED, its tests did not run"
    broken+=("$preset (build)")
    return
  fi
  if [ "$preset" = win32 ]; then
    if ! start_display || ! "$winrun" --start-server; then
      broken+=("$preset (no display or wineserver)")
      return
    fi
  fi
  echo "=== $preset: tests"
  log=$(mktemp)
  ctest --preset "$preset" -j "$jobs" 2>&1 | tee "$log"
  local status=${PIPESTATUS[0]}
  local summary
  summary=$(grep -E '[0-9]+ tests failed out of [0-9]+' "$log" | tail -n 1)
  rm -f "$log"
  if [[ $summary =~ ([0-9]+)\ tests\ failed\ out\ of\ ([0-9]+) ]]; then
    failed=$((failed + BASH_REMATCH[1]))
    passed=$((passed + BASH_REMATCH[2] - BASH_REMATCH[1]))
  fi
  if [ "$status" -ne 0 ] || [ -z "$summary" ]; then
    broken+=("$preset (tests)")
  fi
}

# The benchmarks are not tests, but they must keep building: the native one
# here, the Windows ones with the win32 build.
build_only() {
  echo "=== $1: build"
  if ! cmake --preset "$1" >/dev/null || ! cmake --build --preset "$1" -j "$jobs"; then
    echo "=== $1: BUILD FAILED"
    broken+=("$1 (build)")
  fi
}

run_preset host
build_only bench
run_preset host-asan
run_preset fuzz
run_preset win32
[ -x "$winrun" ] && "$winrun" --stop-server >/dev/null 2>&1
run_preset e2e

echo
if [ ${#broken[@]} -gt 0 ]; then
  echo "Failed: ${broken[*]}"
fi
echo "total: $passed passed, $failed failed"
[ ${#broken[@]} -eq 0 ]
