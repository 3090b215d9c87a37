#!/usr/bin/env bash
# Screenshots of the updater's window for the README and the software centre:
#   docs/screenshot-window.png   the window in the middle of a simulated update
#   docs/screenshot-quit.png     the confirmation Quit asks for before an update
#   docs/screenshot-about.png    the About box
# Runs the built program (build/release, or the folder given as $1) against the
# virtual instrument on an X server of its own with openbox, and drives it with
# xdotool the way a user would.
set -euo pipefail
cd "$(dirname "$0")/.."
bin=${1:-build/release}/Portable/kelt-podium-update
out=${SCREENSHOT_OUT:-docs}
mkdir -p "$out"
for tool in Xvfb openbox xdotool import xwininfo; do
  command -v "$tool" >/dev/null || { echo "screenshot-window.sh: $tool is missing" >&2; exit 2; }
done

state=$(mktemp -d)
app=""
cleanup() {
  if [ -n "$app" ]; then kill -KILL "$app" 2>/dev/null || true; wait "$app" 2>/dev/null || true; fi
  scripts/xvfb-fixture.sh stop "$state" >/dev/null 2>&1 || true
  rm -rf "$state"
}
trap cleanup EXIT
scripts/xvfb-fixture.sh start "$state" >/dev/null
export DISPLAY=$(cat "$state/display")
export NO_AT_BRIDGE=1

# The X window of the toplevel titled $1 (waits up to 10 s).
find_window() {
  for _ in $(seq 1 100); do
    local id
    id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | tail -1 || true)
    if [ -n "$id" ]; then echo "$id"; return 0; fi
    sleep 0.1
  done
  echo "screenshot-window.sh: no window \"$1\"" >&2
  return 1
}

# A shown window of the program other than $1: the alert it opened.
find_other() {
  for _ in $(seq 1 100); do
    local id
    for id in $(xdotool search --onlyvisible --classname kelt-podium-update 2>/dev/null); do
      if [ "$id" != "$1" ] && [ "$(xwininfo -id "$id" | awk '/Width:/ {print $2}')" -gt 50 ]; then
        echo "$id"; return 0
      fi
    done
    sleep 0.1
  done
  echo "screenshot-window.sh: no alert" >&2
  return 1
}

# Absolute position of a point given in the window's own coordinates.
click_in() {
  local id=$1 x=$2 y=$3 ax ay
  eval "$(xwininfo -id "$id" | awk '/Absolute upper-left X/ {print "ax=" $4} /Absolute upper-left Y/ {print "ay=" $4}')"
  xdotool mousemove $((ax + x)) $((ay + y)) click 1
}

# The window with its frame, as the desktop shows it.
shoot() {
  sleep 0.5
  import -frame -window "$1" -depth 8 "$2"
  echo "wrote $2"
}

start_app() {
  "$bin" --simulate "$@" >"$state/app.log" 2>&1 &
  app=$!
}

# A quit request waits while an alert is open: the program gets a moment, then is ended.
stop_app() {
  kill "$app" 2>/dev/null || true
  for _ in $(seq 1 20); do
    kill -0 "$app" 2>/dev/null || break
    sleep 0.1
  done
  kill -KILL "$app" 2>/dev/null || true
  wait "$app" 2>/dev/null || true
  app=""
}

title="Kelt Podium LX OS Update"
# The menu bar sits above the dialog's items: item rectangles are measured from
# below it.
menu_height() {
  local id=$1 h
  h=$(xwininfo -id "$id" | awk '/Height:/ {print $2}')
  echo $((h - 226))
}

# 1. The window in the middle of the update.
start_app
win=$(find_window "$title")
sleep 1.5
mh=$(menu_height "$win")
click_in "$win" 298 $((mh + 187)) # Update
# Through the reboot into the transfer: the bar moves from about 3 s on.
sleep 3.5
shoot "$win" "$out/screenshot-window.png"
stop_app

# 2. Quit before the update: the confirmation.
start_app
win=$(find_window "$title")
sleep 1.5
mh=$(menu_height "$win")
click_in "$win" 410 $((mh + 187)) # Quit
alert=$(find_other "$win")
shoot "$alert" "$out/screenshot-quit.png"
stop_app

# 3. The About box from the application menu.
start_app
win=$(find_window "$title")
sleep 1.5
click_in "$win" 60 10 # the application menu
sleep 1
click_in "$win" 80 36 # About
alert=$(find_other "$win")
shoot "$alert" "$out/screenshot-about.png"
stop_app
