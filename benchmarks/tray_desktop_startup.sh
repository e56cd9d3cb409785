#!/usr/bin/env bash
# Timed harness: the tray application on an X desktop with a notification area (Xvfb, a private
# session bus and the tests' notification_area_host), as a user starts it at log-in.
# Prints, over several starts: the time from process start until the notification area has the
# icon, then the resident memory and CPU use of one instance idling for a while.
#   benchmarks/tray_desktop_startup.sh [build folder, default build/release] [starts] [idle seconds]
set -euo pipefail
cd "$(dirname "$0")/.."
bin="${1:-build/release}/bin"
starts="${2:-5}"
idle="${3:-30}"
scratch=$(mktemp -d)
export LMXDUOWATCH_ROOT="$scratch/root" QT_QPA_PLATFORM=xcb
mkdir -p "$LMXDUOWATCH_ROOT"
pids=()
cleanup() { kill "${pids[@]}" 2>/dev/null || true; rm -rf "$scratch"; }
trap cleanup EXIT

mkfifo "$scratch/display"
# -noreset: an X server that resets when its last client leaves refuses connections meanwhile.
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset 3>"$scratch/display" 2>/dev/null &
pids+=($!)
read -r display <"$scratch/display"
export DISPLAY=":$display"
dbus-daemon --session --fork --print-address=1 --print-pid=1 >"$scratch/bus"
export DBUS_SESSION_BUS_ADDRESS=$(sed -n 1p "$scratch/bus")
pids+=("$(sed -n 2p "$scratch/bus")")
"$bin/notification_area_host" >"$scratch/host" 2>/dev/null &
pids+=($!)
until grep -q ready "$scratch/host"; do sleep 0.01; done

items() { grep -c '^item' "$scratch/host" || true; }
times=()
for ((run = 0; run < starts; run++)); do
  before=$(items)
  began=$(date +%s%N)
  "$bin/LMXDuowatch" 2>/dev/null &
  tray=$!
  until [ "$(items)" -gt "$before" ]; do sleep 0.002; done
  times+=($(( ($(date +%s%N) - began) / 1000000 )))
  if ((run < starts - 1)); then kill "$tray"; wait "$tray" 2>/dev/null || true; fi
done
echo "start to first icon (ms), $starts starts: ${times[*]}"
echo "median: $(printf '%s\n' "${times[@]}" | sort -n | sed -n "$(( (starts + 1) / 2 ))p") ms"

pids+=("$tray")
sleep 3  # let the start-up settle
ticks() { awk '{print $14 + $15}' "/proc/$tray/stat"; }
first=$(ticks)
sleep "$idle"
last=$(ticks)
hz=$(getconf CLK_TCK)
echo "resident memory when idle: $(awk '/VmRSS/ {print $2 " kB"}' "/proc/$tray/status")"
echo "CPU while idle: $(( (last - first) * 1000 / hz )) ms over $idle s"
