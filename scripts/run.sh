#!/usr/bin/env bash
# Builds the updater and runs it. Without arguments it shows a whole update
# against the built-in virtual instrument in the terminal; arguments are passed
# to the updater instead (see --help).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)"

bin=build/release
if [ $# -eq 0 ]; then
  set -- --console --simulate --yes
fi
exec "$bin/Portable/kelt-podium-update" "$@"
