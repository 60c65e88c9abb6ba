#!/usr/bin/env bash
# Runs every test: installs what is missing, then builds and tests the native
# build, the native build under AddressSanitizer and UndefinedBehaviorSanitizer,
# the fuzz targets of the loader and the branding tool for 20 seconds each,
# the 64-bit and the 32-bit Windows builds under Wine on a virtual X screen,
# then the whole program of each Windows build end to end, watched from
# outside on virtual screens of several sizes, and last the shipped
# programs' files. The native benchmark is built, not run.
#
# Where the kernel refuses 32-bit programs (see scripts/machine.sh), 32-bit
# Wine cannot start: the 32-bit build is still built, and its tests are
# reported as not run, with the reason, on one line of their own.
set -uo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
. "$root/scripts/common.sh"
"$root/scripts/setup.sh" || die "installing what the tests need failed (above)"
. "$root/scripts/xdisplay.sh"
. "$root/scripts/machine.sh"
probe_32bit || die "cannot tell whether this machine runs 32-bit programs"

jobs=$(nproc 2>/dev/null || echo 2)
passed=0
failed=0
broken=()
not_run=()
server=  # the wine-run.sh whose server is up

stop_server() {
  [ -n "$server" ] && "$server" --stop-server >/dev/null 2>&1
  server=
  return 0
}
cleanup() {
  stop_server
  stop_display
}
trap cleanup EXIT

build() {
  local preset=$1 configure=$1
  # The end-to-end tests are built with the native code.
  case "$preset" in e2e) configure=host ;; esac
  echo "=== $preset: build"
  if ! cmake --preset "$configure" >/dev/null || ! cmake --build --preset "$preset" -j "$jobs"; then
    echo "=== $preset: BUILD FAILED, its tests did not run"
    broken+=("$preset (build)")
    return 1
  fi
}

# Runs one test preset (and filter), adding its CTest counts to the totals.
run_tests() {
  local stage=$1 log status summary
  shift
  echo "=== $stage: tests"
  log=$(mktemp)
  ctest "$@" -j "$jobs" 2>&1 | tee "$log"
  status=${PIPESTATUS[0]}
  summary=$(grep -E '[0-9]+ tests failed out of [0-9]+' "$log" | tail -n 1)
  rm -f "$log"
  if [[ $summary =~ ([0-9]+)\ tests\ failed\ out\ of\ ([0-9]+) ]]; then
    failed=$((failed + BASH_REMATCH[1]))
    passed=$((passed + BASH_REMATCH[2] - BASH_REMATCH[1]))
  fi
  if [ "$status" -ne 0 ] || [ -z "$summary" ]; then
    broken+=("$stage (tests)")
  fi
}

# A stage this machine cannot run: one line, and no test counted.
not_run() {
  echo "$1: not run: this machine cannot run 32-bit programs ($why_not_32bit)"
  not_run+=("$1")
}

native() {
  build "$1" && run_tests "$1" --preset "$1"
}

# The Windows build of one process size: its test programs under Wine, on
# an X display, with one wineserver kept up for the whole stage.
windows() {
  local preset=$1
  build "$preset" || return
  if [ "$preset" = win32 ] && [ "$runs_32bit" != yes ]; then
    not_run win32
    return
  fi
  if ! start_display || ! "build/$preset/wine-run.sh" --start-server; then
    broken+=("$preset (no display or wineserver)")
    return
  fi
  server="build/$preset/wine-run.sh"
  run_tests "$preset" --preset "$preset"
  stop_server
}

# The whole program of one Windows build; the tests start their own screens
# and wineservers.
end_to_end() {
  local preset=$1
  if [ "$preset" = win32 ] && [ "$runs_32bit" != yes ]; then
    not_run e2e-win32
    return
  fi
  run_tests "e2e-$preset" --preset e2e -R "^e2e_$preset\$"
}

if [ "$runs_32bit" = yes ]; then
  echo "This machine runs 32-bit programs: both Windows builds are tested."
else
  echo "This machine cannot run 32-bit programs ($why_not_32bit): only the 64-bit Windows build is tested."
fi

native host
build bench
native host-asan
native fuzz
windows win64
windows win32
stop_display
if build e2e; then
  end_to_end win64
  end_to_end win32
  # The shipped programs' files: their headers and imports, read natively
  # (so both builds wherever they were built), and the same bytes from
  # other folders.
  run_tests programs --preset e2e -R '^(programs_win32|programs_win64|brand_pe|brand_tool|release|reproducible|product|readme_sizes)$'
fi

echo
[ ${#not_run[@]} -gt 0 ] && echo "Not run on this machine: ${not_run[*]} (no 32-bit programs here)"
[ ${#broken[@]} -gt 0 ] && echo "Failed: ${broken[*]}"
echo "total: $passed passed, $failed failed"
[ ${#broken[@]} -eq 0 ]
