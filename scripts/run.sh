#!/usr/bin/env bash
# Builds the updater and runs it. Without arguments it shows a whole update
# against the built-in virtual instrument in the terminal; arguments are passed
# to the updater instead.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)"

bin=build/release
image=$bin/demo-os.img
head -c 300000 /dev/urandom > "$bin/demo-code.bin"
"$bin/tools/osimage/kelt-osimage" build -o "$image" --version 120 --build 7 \
  --section CODE:0x10000:"$bin/demo-code.bin"
exec "$bin/tools/osimage/kelt-osimage" check "$image"
