# Sourced by demo.sh and test.sh.
#
# start_virtual_display WIDTHxHEIGHT: starts a virtual X server (Xvfb) on a
# display number that it picks itself among the free ones, waits until it
# accepts clients, and exports DISPLAY; its process id is in xvfb_pid (the
# caller ends it). When the server does not start, says so with the server's
# own output on standard error and returns 1.
start_virtual_display() {
  local size=$1 dir number=""
  xvfb_pid=""
  if ! command -v Xvfb >/dev/null; then
    echo "Xvfb is not installed (Debian's xvfb; scripts/install-deps.sh --virtual-display installs it)" >&2
    return 1
  fi
  dir=$(mktemp -d /tmp/orvanta-xvfb-XXXXXX)
  # Xvfb writes the number it chose, and a newline, to descriptor 3 once it is ready.
  Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp -noreset 3>"$dir/display" >"$dir/log" 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 200); do
    number=$(sed -n '/^[0-9][0-9]*$/p' "$dir/display")
    [ -n "$number" ] && break
    kill -0 "$xvfb_pid" 2>/dev/null || break
    sleep 0.05
  done
  if [ -z "$number" ] || ! kill -0 "$xvfb_pid" 2>/dev/null; then
    echo "The virtual X server (Xvfb) did not start. Its output:" >&2
    tail -n 20 "$dir/log" | sed 's/^/  /' >&2
    kill "$xvfb_pid" 2>/dev/null
    xvfb_pid=""
    rm -rf "$dir"
    return 1
  fi
  rm -rf "$dir"
  export DISPLAY=:$number
}
