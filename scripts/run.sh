#!/usr/bin/env bash
# Builds the updater and runs it. Without arguments it shows a whole update
# against the built-in virtual instrument: in its window when a display is
# available (press Update), in the terminal otherwise. Arguments are passed to
# the updater instead (see --help). Only the program and its resource file are
# built here; scripts/test.sh builds the tests.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)" --target kelt-podium-update kelt-podium-update-resources

# A display the window can open on: Wayland, or an X server that answers.
has_display() {
  [ -n "${WAYLAND_DISPLAY:-}" ] && return 0
  [ -n "${DISPLAY:-}" ] && command -v xset >/dev/null && xset q >/dev/null 2>&1
}

bin=build/release
if [ $# -eq 0 ]; then
  if has_display; then
    set -- --simulate
  else
    set -- --console --simulate --yes
  fi
fi
exec "$bin/Portable/kelt-podium-update" "$@"
