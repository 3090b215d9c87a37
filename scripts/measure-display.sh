#!/usr/bin/env bash
# Measures the display layer on a release build, on an Xvfb of its own:
#  1. processor time of a framework program with one window open and nothing
#     happening, over 10 s after its start-up, and over a whole 10 s run
#     (target: < 1 % of one core);
#  2. delay from a notification posted to the main queue by another thread to its
#     dispatch on the main thread while the loop waits: median and worst of 100;
#  3. exec to the first window on the screen, a small framework program against a
#     minimal GTK 3 window program, alternating, median of RUNS each (target: ratio <= 1.3).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${KELT_MEASURE_BUILD:-build/release}
runs=${RUNS:-15}
cmake --build "$build" --target DisplayFrameworkProgram DisplayGtkBaseline -j 2 >/dev/null
program="$build/bench/display/DisplayFrameworkProgram"
baseline="$build/bench/display/DisplayGtkBaseline"

state=$(mktemp -d)
trap 'scripts/xvfb-fixture.sh stop "$state" >/dev/null; rm -rf "$state"' EXIT
scripts/xvfb-fixture.sh start "$state" >/dev/null
export DISPLAY
DISPLAY=$(cat "$state/display")
export NO_AT_BRIDGE=1 GDK_BACKEND=x11

echo "== One window open, loop waiting, 10 s after start-up (target: < 1 % of one core)"
# CPU time from the kernel's scheduler statistics (ns), read 1 s after the start (so
# the toolkit's start-up does not count) and 10 s later.
"$program" idle 13 &
pid=$!
sleep 1
cpu() { awk '{ print $1 }' "/proc/$pid/schedstat"; }
before=$(cpu)
start=$(date +%s%N)
sleep 10
after=$(cpu)
end=$(date +%s%N)
wait "$pid"
awk -v c="$((after - before))" -v w="$((end - start))" \
  'BEGIN { printf "processor %.1f ms in %.2f s: %.3f %% of one core\n", c / 1e6, w / 1e9, c / w * 100 }'
times=$(mktemp)
/usr/bin/time -f '%U %S %e' -o "$times" "$program" idle 10
read -r user sys wall < <(tail -n 1 "$times")
rm -f "$times"
awk -v u="$user" -v s="$sys" -v w="$wall" \
  'BEGIN { printf "whole run including start-up: user %.2f s, system %.2f s, wall %.2f s: %.2f %% of one core\n", u, s, w, (u + s) / w * 100 }'

echo "== Notification from another thread to its dispatch while waiting (100 posts)"
"$program" latency 100

echo "== Exec to first window shown, median of $runs runs each (target: ratio <= 1.3)"
first_window() {
  local start end
  start=$(date +%s%N)
  end=$("$1" first-window | tail -n 1)
  echo $(((end - start) / 1000))
}
framework=()
gtk=()
for _ in $(seq 1 "$runs"); do
  framework+=("$(first_window "$program")")
  gtk+=("$(first_window "$baseline")")
done
median() { printf '%s\n' "$@" | sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }
fm=$(median "${framework[@]}")
gm=$(median "${gtk[@]}")
awk -v f="$fm" -v g="$gm" \
  'BEGIN { printf "framework program %.1f ms, minimal GTK 3 program %.1f ms: ratio %.2f\n", f / 1000, g / 1000, f / g }'
