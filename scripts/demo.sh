#!/usr/bin/env bash
# Builds the suite and runs the monitoring service in a scratch system root: installs it, runs
# it as a service, stops it, and shows what it left in its event log and registry.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/ensure-packages.sh

cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)" --target dwsvc TXTRES_EN
bin=$PWD/build/release/bin

export LMXDUOWATCH_ROOT=${LMXDUOWATCH_ROOT:-$(mktemp -d /tmp/lmxduowatch-demo.XXXXXX)}
echo "System root: $LMXDUOWATCH_ROOT"

"$bin/dwsvc" install
"$bin/dwsvc" interval 5
"$bin/dwsvc" language en

"$bin/dwsvc" &
service=$!
for _ in $(seq 50); do
  grep -q '"currentState": 4' "$LMXDUOWATCH_ROOT/services/LMXDuowatch.status" 2>/dev/null && break
  sleep 0.1
done
echo
echo "== Service status while running"
cat "$LMXDUOWATCH_ROOT/services/LMXDuowatch.status"
sleep 1
kill -TERM "$service"
wait "$service"
echo
echo "== Service status after SIGTERM"
cat "$LMXDUOWATCH_ROOT/services/LMXDuowatch.status"

echo
echo "== Event log"
sqlite3 -header -column "$LMXDUOWATCH_ROOT/eventlog.db" \
  "SELECT record_number, datetime(time_generated, 'unixepoch') AS time, source,
          printf('0x%08X', event_id) AS event_id, event_type, json_extract(strings, '\$[1]') AS text
   FROM events ORDER BY record_number"
echo
echo "== Registry: the service's key"
sqlite3 -header -column "$LMXDUOWATCH_ROOT/registry.db" \
  "SELECT key_path, name, type, value FROM registry_view
   WHERE key_path LIKE 'SYSTEM\\CurrentControlSet\\Services\\LMXDuowatch%'
     AND (key_path NOT LIKE '%\\Phy_%' OR key_path LIKE '%\\Phy_0')
   ORDER BY key_path, name"
