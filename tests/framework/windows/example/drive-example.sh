#!/usr/bin/env bash
# Drives the example program with real input (xdotool) on the test server and its
# window manager, and checks the program's log of what it received.
#   drive-example.sh PROGRAM [SCREENSHOT]
set -uo pipefail
program=${1:?program}
shot=${2:-}
export DISPLAY=$(cat "${KELT_XVFB_STATE:?}/display")
log=$(mktemp)
trap 'rm -f "$log"; [ -n "${pid:-}" ] && kill "$pid" 2>/dev/null' EXIT

"$program" >"$log" 2>&1 &
pid=$!

wait_for() { # pattern [tries]: waits until the log has a line matching pattern
  for _ in $(seq 1 "${2:-100}"); do
    grep -q -- "$1" "$log" && return 0
    sleep 0.1
  done
  echo "missing: $1"; echo "--- log:"; cat "$log"; exit 1
}

wait_for '^ready'
read -r _ _ cx cy _ fx fy < <(grep '^ready' "$log")
sleep 0.5

# A click in a view, then keys typed into it.
xdotool mousemove $((cx + 100)) $((cy + 50)) click 1
wait_for '^click left'
xdotool type --delay 50 'ab'
wait_for '^key left b'

# Tab moves the focus along the views.
xdotool key Tab
wait_for '^focus right'

# Ctrl+key: the File menu's command reaches the focused view.
xdotool key ctrl+h
wait_for '^command hello right'

# The File menu opened with a click on its title; its first item chosen.
xdotool mousemove "$fx" "$fy" click 1
sleep 0.8
if [ -n "$shot" ]; then import -window root "$shot"; fi
xdotool key Down Return
wait_for '^command new'

# A right click: the view's context menu at the pointer; its second item.
xdotool mousemove $((cx + 300)) $((cy + 50)) click 3
wait_for '^context open right'
sleep 1.5
xdotool key Down Down Return
wait_for '^context right green'

# The window manager's close (Alt+F4) is the window's close request; it quits.
xdotool key alt+F4
wait_for '^close request'
wait_for '^quit' 100
wait "$pid"
rc=$?
pid=
[ "$rc" -eq 0 ] || { echo "exit $rc"; cat "$log"; exit 1; }
echo "received:"; cat "$log"
