#!/usr/bin/env bash
# Window drawing figures on a release build, on an Xvfb of its own (with its window
# manager): pixels pushed to the screen by a one-view change in a 400x200 window of
# ten views, and the time of a full repaint of an 800x600 window of 50 views against
# a plain window fill measured in the same run.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${KELT_MEASURE_BUILD:-build/release}
cmake --build "$build" --target WindowMeasure -j 2 >/dev/null
state=$(mktemp -d)
trap 'scripts/xvfb-fixture.sh stop "$state" >/dev/null; rm -rf "$state"' EXIT
scripts/xvfb-fixture.sh start "$state" >/dev/null
export DISPLAY
DISPLAY=$(cat "$state/display")
export NO_AT_BRIDGE=1 GDK_BACKEND=x11
"$build/bench/windows/WindowMeasure"
