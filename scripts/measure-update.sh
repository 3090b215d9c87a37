#!/usr/bin/env bash
# Measures the update engine on a release build:
#  1. a simulated update of a 4 MiB image through the event loop, its transfer time
#     against the pacing floor (transfer messages x 50 ms idle rate), and the
#     longest idle pass while sending;
#  2. the processor time of "kelt-podium-update --console" waiting 10 s for an
#     instrument that never comes.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${KELT_MEASURE_BUILD:-build/measure}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKELT_BUILD_BENCH=ON >/dev/null
cmake --build "$build" --target UpdateSimulatedTransfer kelt-podium-update -j 2 >/dev/null

echo "== Simulated update of a 4 MiB image (targets: ratio <= 1.05, longest idle pass <= 60 ms)"
"$build/bench/UpdateSimulatedTransfer" --benchmark_counters_tabular=true 2>/dev/null |
  awk '/^UpdateSimulatedTransfer|^Benchmark/ { print }'

echo "== kelt-podium-update --console waiting 10 s for an instrument (target: < 1 % of one core)"
times=$(mktemp)
status=0
/usr/bin/time -f '%U %S %e' -o "$times" \
  "$build/Portable/kelt-podium-update" --console --wait 10 >/dev/null </dev/null || status=$?
read -r user sys wall < <(tail -n 1 "$times")
rm -f "$times"
if [ "$status" -ne 3 ]; then
  echo "the updater ended with status $status instead of 3 (no instrument); no USB access here?"
  exit 1
fi
awk -v u="$user" -v s="$sys" -v w="$wall" \
  'BEGIN { printf "user %.2f s, system %.2f s, wall %.2f s: %.2f %% of one core\n", u, s, w, (u + s) / w * 100 }'
