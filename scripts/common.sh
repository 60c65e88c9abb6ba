# Sourced by the scripts and their tests: how each of them gives up, and how
# each runs a command quietly.

# die MESSAGE...: says why, a line for each message, under the name of the
# script that was started, and ends it with 1.
die() {
  local line
  for line in "$@"; do
    printf '%s: %s\n' "$(basename "$0" .sh)" "$line"
  done >&2
  exit 1
}

# quietly COMMAND...: runs a command, silent while all goes well, and shows
# its whole output when it fails, returning its failure.
quietly() {
  local log status
  log=$(mktemp)
  "$@" >"$log" 2>&1
  status=$?
  [ "$status" -eq 0 ] || cat "$log" >&2
  rm -f "$log"
  return "$status"
}

# step COMMAND...: a build step, quiet while it goes well; a failing one
# shows its output and ends the script.
step() { quietly "$@" || die "failed: $*"; }

# absolute PATH: a path the user gave, from the folder the script was
# started in, before anything changes folder.
absolute() { case "$1" in /*) printf '%s\n' "$1" ;; *) printf '%s\n' "$PWD/$1" ;; esac; }

# For the tests of the scripts: check DESCRIPTION COMMAND... runs the
# command and says "ok" or "FAILED" with the description, counting the
# failures; checks_passed, at the end, is the test's status, ending it with
# a message when any check failed.
failures=0
check() {
  if "${@:2}"; then echo "ok: $1"; else echo "FAILED: $1"; failures=$((failures + 1)); fi
}
checks_passed() { [ "$failures" -eq 0 ] || die "$failures of the checks above failed"; }
