# Sourced by the scripts that run Windows programs under Wine: Wine needs an
# X display for windows and for the screen's device context. start_display
# starts a private Xvfb of the given size (default 1024x768x24) and exports
# DISPLAY; stop_display ends it.

xvfb_pid=

start_display() {
  local screen=${1:-1024x768x24} fdfile
  fdfile=$(mktemp)
  # -noreset keeps the root window's picture when the last client leaves.
  Xvfb -displayfd 3 -noreset -nolisten tcp -screen 0 "$screen" 3>"$fdfile" 2>/dev/null &
  xvfb_pid=$!
  for _ in $(seq 100); do
    [ -s "$fdfile" ] && break
    sleep 0.1
  done
  if [ ! -s "$fdfile" ]; then
    rm -f "$fdfile"
    echo "Xvfb did not start" >&2
    return 1
  fi
  export DISPLAY=":$(head -n 1 "$fdfile")"
  rm -f "$fdfile"
}

stop_display() {
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  xvfb_pid=
  return 0
}
