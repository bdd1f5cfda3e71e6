#!/usr/bin/env bash
# Installs what is missing, builds Quillon and starts its window.
#
# On the first run (no settings file beside the program yet) it also starts the
# bundled demo forum on 127.0.0.1 and fills the fields with its address and the
# demo account, so logging in and uploading work with no account anywhere. The
# demo forum runs as long as the window is open, and again on later runs for as
# long as the saved site is still the demo forum's.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"

build="$root/build"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j"$(nproc)" --target quillon quillon_demo_forum

exe="$build/shell/quillon"
if [ ! -x "$exe" ]; then
  echo "Everything is built, but the window is not there yet."
  exit 0
fi

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "There is no display here (neither DISPLAY nor WAYLAND_DISPLAY is set), so the window cannot open."
  echo "Run it under a virtual X server instead:  xvfb-run -a -s '-screen 0 1024x768x24' scripts/run.sh"
  echo "or from a desktop session, or with 'ssh -X'."
  exit 1
fi

settings="$(dirname "$exe")/config.ini"
marker="$(dirname "$exe")/demo-forum.address"
forum_pid=""
stop_forum() { [ -n "$forum_pid" ] && kill "$forum_pid" 2>/dev/null || true; }
trap stop_forum EXIT

demo=no
if [ ! -e "$settings" ]; then
  demo=yes
elif [ -f "$marker" ] && grep -aq "=$(cat "$marker")"$'\r' "$settings"; then
  demo=yes
fi

if [ "$demo" = yes ]; then
  out=$(mktemp)
  "$build/uploader/quillon_demo_forum" --seed-settings "$settings" >"$out" &
  forum_pid=$!
  for _ in $(seq 1 100); do
    grep -q "listening on" "$out" && break
    sleep 0.1
  done
  address=$(sed -n 's/^Demo forum listening on //p' "$out")
  rm -f "$out"
  if [ -z "$address" ]; then
    echo "The demo forum did not start; starting Quillon without it."
  else
    printf '%s' "$address" >"$marker"
    echo "Demo forum on $address (account demo, password demo); fields filled in $settings"
  fi
fi

"$exe"
