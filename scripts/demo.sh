#!/usr/bin/env bash
# Builds the suite and runs it on simulated controllers in a scratch system root: installs the
# service, starts it with monswitch, changes the simulated controllers as a failing disk would,
# asks the service for its status over the pipe, stops it, and shows the event log, the
# registry and the temperature log it left.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/ensure-packages.sh

cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)" --target dwsvc TXTRES_EN monswitch traysignal prockill lmxsim lmxpipe LMXDuowatch

export LMXDUOWATCH_ROOT=${LMXDUOWATCH_ROOT:-$(mktemp -d /tmp/lmxduowatch-demo.XXXXXX)}
programs=$LMXDUOWATCH_ROOT/programs
mkdir -p "$programs"
cp build/release/bin/{dwsvc,TXTRES_EN.so,monswitch,traysignal,prockill,lmxsim,lmxpipe,LMXDuowatch} "$programs/"
cd "$programs"
echo "System root: $LMXDUOWATCH_ROOT"

./dwsvc install
./dwsvc interval 1
./dwsvc language en

echo
echo "== Two simulated controllers"
./lmxsim create 0 controller "Lumavex ZDAP-RS482"
./lmxsim create 2 controller "ZDA-GX460-TT3"
./lmxsim list

echo
echo "== Starting the service"
./monswitch start LMXDuowatch && echo "monswitch start: done"
if [ -n "${DISPLAY:-}" ]; then
  # On a desktop the tray application shows the icon and raises the alerts of the steps below;
  # it keeps running after the demo (end it from its menu).
  LMXDUOWATCH_ROOT=$LMXDUOWATCH_ROOT ./LMXDuowatch >/dev/null 2>&1 &
  echo "LMXDuowatch started on $DISPLAY"
fi
./lmxpipe set-temperature 0x3C01
sleep 2
./lmxpipe status

echo
echo "== Drive 0 loses member 1 and rebuilds; member 0 runs hot"
./lmxsim set 0 raid.status=2 raid.rebuildProgress=64 members.1.rebuilding=true members.0.temperature=63
./lmxpipe refresh
sleep 2
./lmxpipe status

echo
echo "== The rebuild ends; some sectors of the source could not be read"
./lmxsim set 0 raid.status=0 raid.errorSkipped=true members.1.rebuilding=false members.0.temperature=45
./lmxpipe refresh
sleep 2
./lmxpipe status

echo
echo "== Stopping the service"
./monswitch stop LMXDuowatch && echo "monswitch stop: done"

echo
echo "== Event log"
sqlite3 -header -column "$LMXDUOWATCH_ROOT/eventlog.db" \
  "SELECT record_number, printf('0x%08X', event_id) AS event_id, event_type AS type,
          replace(json_extract(strings, '\$[1]'), char(10), ' | ') AS text
   FROM events ORDER BY record_number"
echo
echo "== Registry: drive 0 as published"
sqlite3 -header -column "$LMXDUOWATCH_ROOT/registry.db" \
  "SELECT name, type, value FROM registry_view
   WHERE key_path = 'SYSTEM\\CurrentControlSet\\Services\\LMXDuowatch\\Phy_0' ORDER BY name"
echo
echo "== Temperature log of drive 0"
cat "$programs"/temp_log_*_00.csv
