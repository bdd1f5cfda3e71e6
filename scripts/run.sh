#!/usr/bin/env bash
# Installs what is missing, builds Quillon and starts its window.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"

build="$root/build"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j"$(nproc)"

exe="$build/shell/quillon"
if [ ! -x "$exe" ]; then
  echo "Everything is built, but the window is not there yet."
  exit 0
fi
exec "$exe"
