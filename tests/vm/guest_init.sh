#!/bin/busybox sh
# The init of the test VM (tests/vm/run.sh): loads the disk's modules, runs vm_drive_probe on the
# emulated AHCI disk (as a block device and as a SCSI generic device), then dwsvc against the
# machine's first disk, and powers off. Everything it reports goes to the serial console; the last
# line is "VM-RESULT: pass" or "VM-RESULT: fail".
/bin/busybox --install -s /bin
export PATH=/bin:/programs
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev
mount -t tmpfs tmpfs /tmp

result=pass
fail() {
  echo "FAIL $*"
  result=fail
}
pass() {
  echo "ok $*"
}

for module in $(cat /modules/order); do
  insmod "/modules/$module.ko" || fail "insmod $module"
done
tries=0
while [ ! -e /dev/sda ] || [ ! -e /dev/sg0 ]; do
  tries=$((tries + 1))
  [ $tries -gt 200 ] && break
  sleep 0.1
done
# The firmware's screen codes end on the console's first line: start on a fresh one.
echo
echo "VM: kernel $(uname -r), disk $(cat /sys/block/sda/device/model 2>/dev/null)"

# The probe, in a scratch system root whose drives 0 and 1 are the disk's two devices.
export LMXDUOWATCH_ROOT=/tmp/probe-root
mkdir -p $LMXDUOWATCH_ROOT/devices
ln -s /dev/sda $LMXDUOWATCH_ROOT/devices/PHYSICALDRIVE0
ln -s /dev/sg0 $LMXDUOWATCH_ROOT/devices/PHYSICALDRIVE1
LMXDUOWATCH_DEBUG=1 vm_drive_probe 0 1 2>/tmp/probe-debug.txt || fail "vm_drive_probe"
sed 's/^/DEBUG probe /' /tmp/probe-debug.txt

# dwsvc as the service, with the default system root: its drive 0 is the machine's first disk.
unset LMXDUOWATCH_ROOT
start=$(date +%s)
LMXDUOWATCH_DEBUG=1 dwsvc 2>/tmp/dwsvc-debug.txt &
service=$!
# Wait for the first poll cycle to end (the main loop then says it retries the disk).
tries=0
until grep -q "status check retrying" /tmp/dwsvc-debug.txt 2>/dev/null; do
  tries=$((tries + 1))
  [ $tries -gt 600 ] && break
  sleep 0.1
done
lmxpipe status >/tmp/status.txt 2>&1
kill -TERM $service
wait $service
code=$?
echo "VM: dwsvc ran $(($(date +%s) - start)) s, exit code $code"
sed 's/^/DEBUG dwsvc /' /tmp/dwsvc-debug.txt
sed 's/^/STATUS /' /tmp/status.txt

[ $code -eq 0 ] && pass "dwsvc stops cleanly" || fail "dwsvc exit code $code"
head -n 1 /tmp/status.txt | grep -q "^drive 0: no controller" && pass "dwsvc: drive 0: no controller" ||
  fail "dwsvc: drive 0 is not reported as no controller"
grep -q "status check retrying" /tmp/dwsvc-debug.txt && pass "dwsvc retries the disk that gave no proper answer" ||
  fail "dwsvc never finished a poll cycle"
# IDENTIFY reaches the disk: the direct route cannot express the emulated disk's answer and says
# so; the SCSI route brings the data.
grep -q "^sda: direct EC: not supported" /tmp/dwsvc-debug.txt && pass "dwsvc: direct IDENTIFY not supported" ||
  fail "dwsvc: no 'direct EC: not supported' line"
grep -q "^sda: SAT EC: GOOD, 512 bytes" /tmp/dwsvc-debug.txt && pass "dwsvc: IDENTIFY by the SCSI route" ||
  fail "dwsvc: no 'SAT EC: GOOD, 512 bytes' line"
# No register the platform did not read: never the command byte as a status.
grep -q "status EC" /tmp/dwsvc-debug.txt && fail "dwsvc: a status register that is IDENTIFY's command byte" ||
  pass "dwsvc: no command byte reported as a status"
grep -q "send_ata_command_using_sat Error" /tmp/dwsvc-debug.txt && fail "dwsvc: the SCSI route failed" ||
  pass "dwsvc: the SCSI route never failed"

echo "VM-RESULT: $result"
poweroff -f
