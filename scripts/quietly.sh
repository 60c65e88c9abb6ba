# Sourced by the scripts that build on a user's behalf: quietly runs a
# command, silent while all goes well, and shows its whole output when it
# fails, returning its failure.
quietly() {
  local log status
  log=$(mktemp)
  "$@" >"$log" 2>&1
  status=$?
  [ "$status" -eq 0 ] || cat "$log" >&2
  rm -f "$log"
  return "$status"
}
