#!/usr/bin/env bash
# Starts or stops the X server that the display tests run on, with a window
# manager (openbox) where one is installed, since activation and frame extents
# are the window manager's business.
#   xvfb-fixture.sh start STATE_DIR   starts Xvfb on a free display; STATE_DIR/display holds ":N"
#   xvfb-fixture.sh stop STATE_DIR    stops what was started there
# The tests read STATE_DIR/display, so they need no DISPLAY of their own and never
# touch the user's desktop.
set -euo pipefail
action=${1:?start or stop}
state=${2:?state directory}

case "$action" in
start)
  mkdir -p "$state"
  if [ -f "$state/pid" ] && kill -0 "$(cat "$state/pid")" 2>/dev/null; then
    kill "$(cat "$state/pid")" 2>/dev/null || true
  fi
  rm -f "$state/display" "$state/pid" "$state/displayfd"
  # -displayfd picks a free display number and writes it once the server accepts clients.
  exec 3>"$state/displayfd"
  setsid Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset >"$state/xvfb.log" 2>&1 &
  echo $! >"$state/pid"
  exec 3>&-
  for _ in $(seq 1 100); do
    if [ -s "$state/displayfd" ]; then
      echo ":$(tr -d '\n' <"$state/displayfd")" >"$state/display"
      echo "Xvfb on $(cat "$state/display") (pid $(cat "$state/pid"))"
      if [ "${KELT_TEST_WM:-openbox}" = openbox ] && command -v openbox >/dev/null; then
        DISPLAY=$(cat "$state/display") setsid openbox --sm-disable >"$state/wm.log" 2>&1 &
        echo $! >"$state/wm.pid"
        # Ready once it has claimed the screen's window-manager selection.
        for _ in $(seq 1 50); do
          if DISPLAY=$(cat "$state/display") xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; then
            break
          fi
          sleep 0.1
        done
      fi
      exit 0
    fi
    if ! kill -0 "$(cat "$state/pid")" 2>/dev/null; then break; fi
    sleep 0.1
  done
  echo "Xvfb did not start:" >&2
  cat "$state/xvfb.log" >&2 || true
  exit 1
  ;;
stop)
  if [ -f "$state/wm.pid" ]; then
    kill "$(cat "$state/wm.pid")" 2>/dev/null || true
    rm -f "$state/wm.pid"
  fi
  if [ -f "$state/pid" ]; then
    pid=$(cat "$state/pid")
    kill "$pid" 2>/dev/null || true
    for _ in $(seq 1 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null || true
  fi
  rm -f "$state/display" "$state/pid" "$state/displayfd"
  ;;
*)
  echo "usage: $0 start|stop STATE_DIR" >&2
  exit 2
  ;;
esac
