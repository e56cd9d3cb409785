#!/usr/bin/env bash
# Draws the suite's windows on an X server of its own (Xvfb, no window manager) and saves each
# as a PNG file in DIR, so that they can be looked at without a desktop:
#   fwup.png           the firmware tool with two simulated controllers and an ordinary disk
#   fwup-progress.png  the firmware tool during a download
# Usage: scripts/screenshots.sh DIR
# The programs come from build/debug (built here first); BUILD=build/release picks another.
# Another window is added with a function shot_NAME that starts its program in a scratch system
# root, waits for the window, calls grab, and ends the program; then list it in SHOTS.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ $# -ne 1 ]; then
  echo "usage: $0 DIR" >&2
  exit 2
fi
out=$(mkdir -p "$1" && cd "$1" && pwd)
build=${BUILD:-build/debug}
preset=$(basename "$build")

scripts/ensure-packages.sh
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j 2 --target LMXDuo_fwupTool lmxsim window_grab
bin=$(pwd)/$build/bin

scratch=$(mktemp -d /tmp/lmx-screenshots.XXXXXX)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT

# The X server picks a free display and writes its number on the file given.
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$scratch/display" 2>/dev/null &
pids+=($!)
for _ in $(seq 100); do [ -s "$scratch/display" ] && break; sleep 0.1; done
[ -s "$scratch/display" ] || { echo "Xvfb did not start (install the xvfb package)" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$scratch/display")"
export QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY

# A fresh system root for one shot: LMXDUOWATCH_ROOT points at it.
fresh_root() {
  LMXDUOWATCH_ROOT=$(mktemp -d "$scratch/root.XXXXXX")
  export LMXDUOWATCH_ROOT
}

# The id of the shown window with exactly this title (waits up to 20 s).
window_titled() {
  timeout 20 xdotool search --sync --onlyvisible --name "^$1\$" | head -n1
}

# grab TITLE FILE: saves the window's picture in DIR after its first paint.
grab() {
  local window
  window=$(window_titled "$1") || { echo "no window titled '$1'" >&2; return 1; }
  sleep 0.5
  "$bin/window_grab" "$window" "$out/$2"
  echo "$out/$2"
}

# start PROGRAM ARGUMENTS...: runs a program in the background; `stop` ends the last one.
start() {
  "$@" >/dev/null 2>&1 &
  pids+=($!)
}
stop() {
  local pid=${pids[${#pids[@]}-1]}
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  unset 'pids[${#pids[@]}-1]'
}

fwup_title="LMX Duocard Firmware Update Tool"

shot_fwup() {
  fresh_root
  "$bin/lmxsim" create 0 controller "Lumavex ZDAP-RS482" >/dev/null
  "$bin/lmxsim" create 1 disk "WDC WD40EFRX" >/dev/null
  "$bin/lmxsim" create 2 controller "ZDA-JW100" >/dev/null
  start "$bin/LMXDuo_fwupTool"
  grab "$fwup_title" fwup.png
  stop
}

shot_fwup_progress() {
  fresh_root
  "$bin/lmxsim" create 0 disk "WDC WD40EFRX" >/dev/null
  "$bin/lmxsim" create 1 controller "Lumavex ZDA-RS481" >/dev/null
  # Slow blocks, so that the download is still under way when it is drawn.
  "$bin/lmxsim" set 1 faults.delayMs=100 >/dev/null
  head -c 262144 /dev/urandom >"$LMXDUOWATCH_ROOT/firmware.bin"
  # A path on the command line starts the update at once, on the controller selected first.
  start "$bin/LMXDuo_fwupTool" "$LMXDUOWATCH_ROOT/firmware.bin"
  for _ in $(seq 200); do
    blocks=$("$bin/lmxsim" firmware 1 | sed -n 's/.*(\([0-9]*\) blocks).*/\1/p')
    [ "${blocks:-0}" -ge 5 ] && break
    sleep 0.1
  done
  grab "$fwup_title" fwup-progress.png
  stop
}

SHOTS=(shot_fwup shot_fwup_progress)
for shot in "${SHOTS[@]}"; do "$shot"; done
